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

// What the engine's English means, said first, for the failures a user meets
// without having done anything wrong: the server's insufficient_privilege,
// SQLite's SQLITE_READONLY and SQLITE_CORRUPT.
QString leadFor(const QString &state)
{
    if (state == QLatin1String("42501"))
        return QStringLiteral("資料庫伺服器不允許這個使用者這樣做,動作沒有完成;請資料庫管理員給予需要的權限。");
    if (state == QLatin1String("8"))
        return QStringLiteral("資料庫檔案現在是唯讀的(磁碟或資料夾可能變成唯讀了),修改沒有寫入。");
    if (state == QLatin1String("11"))
        return QStringLiteral("資料庫檔案已損壞;請用 vemo-admin check 檢查,必要時從備份還原。");
    return {};
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
    if (const QString lead = leadFor(state); !lead.isEmpty())
        return lead + QStringLiteral("(") + text + QStringLiteral(")");
    if (heldByAnotherWriter(state))
        return kHeldByAnotherWriter + QStringLiteral("(") + text + QStringLiteral(")");
    return connectionWasLost(state, text) ? kConnectionLost + QStringLiteral("(") + text + QStringLiteral(")") : text;
}
