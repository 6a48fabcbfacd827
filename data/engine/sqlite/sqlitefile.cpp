#include "data/engine/sqlite/sqlitefile.h"

#include <QFile>
#include <QFileInfo>
#include <QTemporaryFile>

#include <sqlite3.h>

namespace sqlitefile {

namespace {

constexpr int kBusyMilliseconds = 5000;
// A program that holds the file open keeps it for long: waiting the full time would only delay the message.
constexpr int kInUseMilliseconds = 500;

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
    Result failure() const { return Result::failure(QString::fromUtf8(sqlite3_errmsg(m_db))); }
    sqlite3 *get() const { return m_db; }

private:
    sqlite3 *m_db = nullptr;
};

Result exec(const Handle &handle, const char *sql)
{
    if (sqlite3_exec(handle.get(), sql, nullptr, nullptr, nullptr) != SQLITE_OK)
        return Result::failure(QString::fromUtf8(sqlite3_errmsg(handle.get())), QString::fromUtf8(sql));
    return Result::success();
}

Result copyInto(const QString &source, const QString &destination)
{
    Handle from;
    Handle to;
    if (Result opened = from.open(source, SQLITE_OPEN_READONLY); !opened)
        return opened;
    if (Result opened = to.open(destination, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE); !opened)
        return opened;
    sqlite3_backup *backup = sqlite3_backup_init(to.get(), "main", from.get(), "main");
    if (!backup)
        return to.failure();
    int step = SQLITE_OK;
    do {
        // All pages in one step keep one read transaction, hence one state of the data.
        step = sqlite3_backup_step(backup, -1);
        if (step == SQLITE_BUSY || step == SQLITE_LOCKED)
            sqlite3_sleep(50);
    } while (step == SQLITE_OK || step == SQLITE_BUSY || step == SQLITE_LOCKED);
    sqlite3_backup_finish(backup);
    if (step != SQLITE_DONE)
        return Result::failure(QString::fromUtf8(sqlite3_errstr(step)));
    // The copy must not depend on a log file left beside it under its temporary name.
    return exec(to, "PRAGMA journal_mode=DELETE");
}

} // namespace

Result backup(const QString &source, const QString &destination)
{
    if (!QFileInfo(source).isFile())
        return Result::failure(QStringLiteral("找不到資料庫檔案 %1。").arg(source));
    if (QFileInfo::exists(destination))
        return Result::failure(QStringLiteral("檔案 %1 已經存在,備份不會蓋過它;請指定新的檔名。").arg(destination));
    QTemporaryFile copy(destination + QStringLiteral(".partial-XXXXXX"));
    if (!copy.open())
        return Result::failure(QStringLiteral("無法在 %1 建立備份檔:%2").arg(QFileInfo(destination).absolutePath(), copy.errorString()));
    copy.close();
    if (Result copied = copyInto(source, copy.fileName()); !copied)
        return copied;
    if (!copy.rename(destination))
        return Result::failure(QStringLiteral("無法把備份檔改名為 %1:%2").arg(destination, copy.errorString()));
    copy.setAutoRemove(false);
    return Result::success();
}

Result countRows(const QString &file, const QStringList &tables, qint64 &rows)
{
    Handle handle;
    if (Result opened = handle.open(file, SQLITE_OPEN_READONLY); !opened)
        return opened;
    rows = 0;
    for (const QString &table : tables) {
        const QByteArray sql = QStringLiteral("SELECT count(*) FROM \"%1\"").arg(table).toUtf8();
        sqlite3_stmt *statement = nullptr;
        if (sqlite3_prepare_v2(handle.get(), sql.constData(), -1, &statement, nullptr) != SQLITE_OK)
            return Result::failure(handle.failure().message(), QString::fromUtf8(sql));
        const int step = sqlite3_step(statement);
        rows += sqlite3_column_int64(statement, 0);
        sqlite3_finalize(statement);
        if (step != SQLITE_ROW)
            return Result::failure(handle.failure().message(), QString::fromUtf8(sql));
    }
    return Result::success();
}

Result makeSelfContained(const QString &file)
{
    Handle handle;
    if (Result opened = handle.open(file, SQLITE_OPEN_READWRITE, kInUseMilliseconds); !opened)
        return opened;
    if (Result switched = exec(handle, "PRAGMA journal_mode=DELETE"); !switched)
        return Result::failure(QStringLiteral("資料庫 %1 正由其他程式使用中(%2),請先關閉 vemo 再試一次。")
                                   .arg(file, switched.message()));
    return Result::success();
}

} // namespace sqlitefile
