#include "data/enginetext.h"

#include <QRegularExpression>
#include <QSqlError>

QString engineText(const QSqlError &error)
{
    QString text = error.databaseText().isEmpty() ? error.text() : error.databaseText();
    // A server's message comes with its severity in front and the statement's place after.
    static const QRegularExpression severity(QStringLiteral("^(ERROR|FATAL):\\s+"));
    static const QRegularExpression detail(QStringLiteral("\\n(LINE \\d+|CONTEXT|QUERY):.*"),
                                           QRegularExpression::DotMatchesEverythingOption);
    return text.remove(severity).remove(detail).trimmed();
}
