#include "data/enginetext.h"

#include <QRegularExpression>
#include <QSqlError>

namespace {

const QString kConnectionLost =
    QStringLiteral("與資料庫伺服器的連線中斷了(伺服器可能重新啟動了),下一個動作會重新連線。");

const QString kHeldByAnotherWriter =
    QStringLiteral("別的使用者正在修改這筆資料,等了一段時間仍未完成;輸入的內容都還在,請稍後再試一次。");

// Administrator shutdown, crash shutdown, server starting up, every connection exception, and
// libpq's own words for a connection that went away under a statement (it gives no state then).
bool connectionWasLost(const QString &state, const QString &text)
{
    return state.startsWith(QLatin1String("08")) || state == QLatin1String("57P01")
        || state == QLatin1String("57P02") || state == QLatin1String("57P03")
        || text.contains(QLatin1String("server closed the connection unexpectedly"))
        || text.contains(QLatin1String("no connection to the server"));
}

// A lock wait that ran out, a deadlock broken by the server, or a serialization failure.
bool heldByAnotherWriter(const QString &state)
{
    return state == QLatin1String("55P03") || state == QLatin1String("40P01") || state == QLatin1String("40001");
}

bool diskIsFull(const QString &state)
{
    // SQLite's SQLITE_FULL, PostgreSQL's disk_full.
    return state == QLatin1String("13") || state == QLatin1String("53100");
}

} // namespace

QString diskFullText(const QString &engineText)
{
    return QStringLiteral("磁碟已滿,這次的寫入沒有完成;請騰出磁碟空間後再試一次。(") + engineText + QStringLiteral(")");
}

QString engineText(const QSqlError &error)
{
    return engineText(error.nativeErrorCode(), error.databaseText().isEmpty() ? error.text() : error.databaseText());
}

QString engineText(const QString &state, const QString &engineOwnText)
{
    QString text = engineOwnText;
    // A server's message comes with its severity in front and the statement's place after.
    static const QRegularExpression severity(QStringLiteral("^(ERROR|FATAL):\\s+"));
    static const QRegularExpression detail(QStringLiteral("\\n(LINE \\d+|CONTEXT|QUERY):.*"),
                                           QRegularExpression::DotMatchesEverythingOption);
    // The server's library explains a dropped connection over several indented lines.
    text = text.remove(severity).remove(detail).simplified();
    if (diskIsFull(state))
        return diskFullText(text);
    if (heldByAnotherWriter(state))
        return kHeldByAnotherWriter + QStringLiteral("(") + text + QStringLiteral(")");
    return connectionWasLost(state, text) ? kConnectionLost + QStringLiteral("(") + text + QStringLiteral(")") : text;
}
