#include "data/criterion.h"

#include <QRegularExpression>

Result Criterion::parse(const QString &text, Criterion &out)
{
    static const QRegularExpression form(QStringLiteral(
        R"(^\s*(?:\[\s*([A-Za-z_][A-Za-z0-9_]*)\s*\]|([A-Za-z_][A-Za-z0-9_]*))\s*=\s*'((?:[^']|'')*)'\s*$)"));
    const QRegularExpressionMatch match = form.match(text);
    if (!match.hasMatch())
        return Result::failure(QStringLiteral("搜尋準則的語法錯誤: %1").arg(text));
    out.column = match.captured(1).isEmpty() ? match.captured(2) : match.captured(1);
    out.value = match.captured(3).replace(QStringLiteral("''"), QStringLiteral("'"));
    return Result::success();
}

QString quotedValueText(const QString &text)
{
    QString quoted = text;
    return quoted.replace(QLatin1Char('\''), QStringLiteral("''"));
}
