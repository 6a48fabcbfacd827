#include "data/engine/sqlite/sqlitehandle.h"

#include <QFile>
#include <QSqlDriver>
#include <QVariant>

#include <sqlite3.h>

#include <fcntl.h>
#include <unistd.h>

namespace {

// The byte of the shared-memory index every connection of SQLite's unix VFS holds a read lock on.
constexpr off_t kShmInUseByte = 128;

} // namespace

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

bool journalOpenElsewhere(const QString &databaseFile)
{
    const int index = ::open(QFile::encodeName(databaseFile + QStringLiteral("-shm")).constData(), O_RDONLY | O_CLOEXEC);
    if (index < 0)
        return false;
    struct flock lock = {};
    lock.l_type = F_WRLCK;
    lock.l_whence = SEEK_SET;
    lock.l_start = kShmInUseByte;
    lock.l_len = 1;
    const bool asked = ::fcntl(index, F_GETLK, &lock) == 0;
    ::close(index);
    // A lock that cannot be asked about counts as held: opening beside it could mix two files.
    return !asked || lock.l_type != F_UNLCK;
}
