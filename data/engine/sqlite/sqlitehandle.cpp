#include "data/engine/sqlite/sqlitehandle.h"

#include "data/enginetext.h"

#include <QSqlDriver>
#include <QVariant>

#include <sqlite3.h>

sqlite3 *sqliteHandleOf(const QSqlDatabase &database)
{
    if (!database.driver())
        return nullptr;
    const QVariant handle = database.driver()->handle();
    if (qstrcmp(handle.typeName(), "sqlite3*") != 0)
        return nullptr;
    return *static_cast<sqlite3 *const *>(handle.constData());
}

Result sqliteFailure(sqlite3 *connection, const QString &statement)
{
    // The primary code, whether or not the connection gives extended ones.
    const int code = sqlite3_errcode(connection) & 0xff;
    return Result::failure(engineText(QString::number(code), QString::fromUtf8(sqlite3_errmsg(connection))), statement);
}

void keepJournalWhenClosing(const QSqlDatabase &database)
{
    if (sqlite3 *connection = sqliteHandleOf(database)) {
        int keep = 1;
        sqlite3_file_control(connection, "main", SQLITE_FCNTL_PERSIST_WAL, &keep);
    }
}

void mergeJournal(const QSqlDatabase &database)
{
    if (sqlite3 *connection = sqliteHandleOf(database))
        sqlite3_wal_checkpoint_v2(connection, "main", SQLITE_CHECKPOINT_TRUNCATE, nullptr, nullptr);
}

