#include "data/engine/sqlite/sqlitehandle.h"

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

