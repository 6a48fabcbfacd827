#include "data/engine/sqlite/sqlitefile.h"
#include "data/tables/history.h"

#include "data/engine.h"
#include "data/engine/sqlite/sqlitehandle.h"
#include "data/enginetext.h"

#include <QFile>
#include <QFileInfo>

#include <sqlite3.h>

namespace sqlitefile {

namespace {

constexpr int kBusyMilliseconds = 5000;
// A program that holds the file open keeps it for long: waiting the full time would only delay the message.
constexpr int kInUseMilliseconds = 500;
// Pages of the usual 4 KB: a step of about 16 MB.
constexpr int kPagesPerStep = 4096;

/// An open sqlite3 handle, closed when it goes out of scope.
class Handle
{
public:
    ~Handle() { sqlite3_close(m_db); }
    Result open(const QString &file, int flags, int busyMilliseconds = kBusyMilliseconds)
    {
        if (sqlite3_open_v2(QFile::encodeName(file).constData(), &m_db, flags, nullptr) != SQLITE_OK)
            return failure();
        sqlite3_busy_timeout(m_db, busyMilliseconds);
        return Result::success();
    }
    Result failure() const { return sqliteFailure(m_db); }
    sqlite3 *get() const { return m_db; }

private:
    sqlite3 *m_db = nullptr;
};

Result exec(const Handle &handle, const char *sql)
{
    if (sqlite3_exec(handle.get(), sql, nullptr, nullptr, nullptr) != SQLITE_OK)
        return sqliteFailure(handle.get(), QString::fromUtf8(sql));
    return Result::success();
}

/// Runs the backup a few pages a step, so the pages done can be told.
int copyPages(sqlite3_backup *backup, const PagesCopied &pagesCopied)
{
    int step = SQLITE_OK;
    do {
        step = sqlite3_backup_step(backup, kPagesPerStep);
        if (step == SQLITE_BUSY || step == SQLITE_LOCKED)
            sqlite3_sleep(50);
        else if (pagesCopied)
            pagesCopied(sqlite3_backup_pagecount(backup) - sqlite3_backup_remaining(backup), sqlite3_backup_pagecount(backup));
    } while (step == SQLITE_OK || step == SQLITE_BUSY || step == SQLITE_LOCKED);
    return step;
}

Result copyInto(const QString &source, const QString &destination, const PagesCopied &pagesCopied)
{
    Handle from;
    Handle to;
    if (Result opened = from.open(source, SQLITE_OPEN_READONLY); !opened)
        return opened;
    if (Result opened = to.open(destination, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE); !opened)
        return opened;
    // One read transaction held over every step keeps one state of the data while others write.
    if (Result begun = exec(from, "BEGIN; SELECT count(*) FROM sqlite_master"); !begun)
        return begun;
    sqlite3_backup *backup = sqlite3_backup_init(to.get(), "main", from.get(), "main");
    if (!backup)
        return to.failure();
    const int step = copyPages(backup, pagesCopied);
    sqlite3_backup_finish(backup);
    sqlite3_exec(from.get(), "ROLLBACK", nullptr, nullptr, nullptr);
    if (step != SQLITE_DONE)
        return Result::failure(engineText(QString::number(step & 0xff), QString::fromUtf8(sqlite3_errstr(step))));
    // The copy must not depend on a log file left beside it under its temporary name.
    return exec(to, "PRAGMA journal_mode=DELETE");
}

Result storedTables(const Handle &handle, QStringList &tables)
{
    sqlite3_stmt *statement = nullptr;
    const char *sql = "SELECT name FROM sqlite_master WHERE type = 'table' AND name NOT LIKE 'sqlite\\_%' ESCAPE '\\'";
    if (sqlite3_prepare_v2(handle.get(), sql, -1, &statement, nullptr) != SQLITE_OK)
        return Result::failure(handle.failure().message(), QString::fromUtf8(sql));
    int step = SQLITE_ROW;
    while ((step = sqlite3_step(statement)) == SQLITE_ROW)
        tables << QString::fromUtf8(reinterpret_cast<const char *>(sqlite3_column_text(statement, 0)));
    sqlite3_finalize(statement);
    if (step != SQLITE_DONE)
        return Result::failure(handle.failure().message(), QString::fromUtf8(sql));
    return Result::success();
}

Result countTable(const Handle &handle, const QString &table, qint64 &rows)
{
    const QByteArray sql = QStringLiteral("SELECT count(*) FROM %1").arg(sqliteEngine().quotedName(table)).toUtf8();
    sqlite3_stmt *statement = nullptr;
    if (sqlite3_prepare_v2(handle.get(), sql.constData(), -1, &statement, nullptr) != SQLITE_OK)
        return Result::failure(handle.failure().message(), QString::fromUtf8(sql));
    const int step = sqlite3_step(statement);
    rows = sqlite3_column_int64(statement, 0);
    sqlite3_finalize(statement);
    if (step != SQLITE_ROW)
        return Result::failure(handle.failure().message(), QString::fromUtf8(sql));
    return Result::success();
}

} // namespace

Result snapshot(const QString &source, const QString &destination, const PagesCopied &pagesCopied)
{
    if (!QFileInfo(source).isFile())
        return Result::failure(QStringLiteral("找不到資料庫檔案 %1。").arg(source));
    return copyInto(source, destination, pagesCopied);
}

Result countEveryRow(const QString &file, qint64 &rows)
{
    Handle handle;
    // Only a connection that may write removes, as the last to close, the -wal and -shm that reading a logged file makes.
    const int access = QFileInfo(file).isWritable() ? SQLITE_OPEN_READWRITE : SQLITE_OPEN_READONLY;
    if (Result opened = handle.open(file, access); !opened)
        return opened;
    QStringList tables;
    if (Result listed = storedTables(handle, tables); !listed)
        return listed;
    // The history is kept beside the rows: its lines are no rows of the office's.
    const QStringList skipped = sqliteEngine().ownTables() << kHistoryTable << kHistoryValueTable;
    rows = 0;
    for (const QString &table : std::as_const(tables)) {
        if (skipped.contains(table, Qt::CaseInsensitive))
            continue;
        qint64 inTable = 0;
        if (Result counted = countTable(handle, table, inTable); !counted)
            return counted;
        rows += inTable;
    }
    return Result::success();
}

Result makeSelfContained(const QString &file)
{
    Handle handle;
    if (Result opened = handle.open(file, SQLITE_OPEN_READWRITE, kInUseMilliseconds); !opened)
        return opened;
    const Result switched = exec(handle, "PRAGMA journal_mode=DELETE");
    if (switched)
        return switched;
    switch (sqlite3_errcode(handle.get())) {
    case SQLITE_BUSY:
    case SQLITE_LOCKED:
        return Result::failure(QStringLiteral("資料庫 %1 正由其他程式使用中(%2),請先關閉 vemo 再試一次。").arg(file, switched.message()));
    case SQLITE_FULL:
        return Result::failure(diskFullText(switched.message()));
    default:
        return Result::failure(QStringLiteral("資料庫 %1 無法寫成單一個檔案:%2").arg(file, switched.message()));
    }
}

} // namespace sqlitefile
