#include "data/engine/sqlite/sqliteconnection.h"

#include "data/connection/databaselocation.h"
#include "data/engine.h"
#include "data/enginetext.h"
#include "data/schema.h"

#include <QDir>
#include <QFileInfo>
#include <QSqlError>
#include <QStorageInfo>

#include <tuple>

SqliteConnection::~SqliteConnection()
{
    untrack(this);
}

Result SqliteConnection::open(const QString &databasePath, EngineConnection::Missing missing,
                              EngineConnection::Sharing sharing)
{
    // Every holder of the file has a connection of its own: the engine gives each its own locks.
    Q_UNUSED(sharing)
    const bool create = missing == EngineConnection::Missing::Create;
    const QString file = mappedDatabaseFile(databasePath);
    const QString folder = QFileInfo(file).absolutePath();
    if (Result left = leaveFilesReplacedAt(file); !left)
        return left;
    if (!QFileInfo::exists(file)) {
        if (!create)
            return Result::failure(kCannotOpen
                                   + QStringLiteral("找不到資料庫檔案 '%1'。").arg(QDir::toNativeSeparators(file)));
        if (!QDir().mkpath(folder))
            return Result::failure(kCannotOpen
                                   + QStringLiteral("無法建立資料夾 '%1'。").arg(QDir::toNativeSeparators(folder)));
    }
    // No failure removes or rewrites the file: a start that stopped half-way
    // leaves a file the next start completes.
    Result result = openFile(file, create);
    if (result && create) {
        QSqlDatabase opened = database();
        // Indexes and counts only speed reading up: a file that cannot take them still opens.
        std::ignore = createMissingIndexes(opened);
        std::ignore = engine(opened).addKeyCounts(opened);
    }
    if (result)
        return result;
    close();
    dropDatabase();
    if (!QFileInfo(folder).isWritable())
        return Result::failure(kCannotOpen
                                   + QStringLiteral("資料夾 '%1' 不能寫入,資料庫的日誌檔案無法建立。(%2)")
                                         .arg(QDir::toNativeSeparators(folder), result.message()),
                               result.statement());
    const QString shown = QDir::toNativeSeparators(file);
    if (result.message().startsWith(kCannotOpen) || result.message().contains(shown))
        return result.led(kCannotOpen);
    // The engine's own text names no file: the message does, once.
    return Result::failure(kCannotOpen + QStringLiteral("資料庫檔案 '%1' 讀不出來(%2)").arg(shown, result.message()),
                           result.statement());
}

Result SqliteConnection::openFile(const QString &file, bool create)
{
    QSqlDatabase database = QSqlDatabase::addDatabase(sqliteEngine().driverName(), connectionName());
    database.setDatabaseName(file);
    database.setConnectOptions(sqliteEngine().connectOptions());
    if (!database.open())
        return Result::failure(engineText(database.lastError()));
    m_file = file;
    m_filePlace = filePlace(file);
    track(this);
    QStringList stored;
    if (Result read = storedSchemaTables(database, stored); !read)
        return read;
    if (stored.isEmpty() && !create)
        return Result::failure(QStringLiteral("資料庫檔案 '%1' 是空的,還沒有任何資料表;請重新啟動程式,由主畫面建立資料表。")
                                   .arg(QDir::toNativeSeparators(file)));
    if (create && stored.size() < schemaTables().size()) {
        if (Result created = sqliteEngine().createMissingSchema(database); !created)
            return created;
    }
    // Setting the connection up may write the file's first page, so it waits for the tables.
    if (Result prepared = sqliteEngine().prepareConnection(database); !prepared)
        return prepared;
    if (Result recorded = startHistory(database, create); !recorded)
        return recorded;
    m_journalPlace = filePlace(journalOf(file));
    forgetLeftJournals(file);
    countOpening();
    return Result::success();
}

Result SqliteConnection::openForReading(const QString &databasePath)
{
    const QString file = mappedDatabaseFile(databasePath);
    if (!QFileInfo(file).isFile())
        return Result::failure(kCannotOpen + QStringLiteral("找不到資料庫檔案 '%1'。").arg(QDir::toNativeSeparators(file)));
    Result result = openFileForReading(file);
    if (!result) {
        close();
        dropDatabase();
    }
    return result;
}

Result SqliteConnection::openFileForReading(const QString &file)
{
    const QFileInfo info(file);
    const QFileInfo folder(info.absolutePath());
    // For root every file is writable, yet one marked read-only for everyone is meant to stay as it is.
    const auto markedReadOnly = [](const QFileInfo &entry) {
        return (entry.permissions() & (QFile::WriteOwner | QFile::WriteGroup | QFile::WriteOther)) == 0;
    };
    const bool immutable = !info.isWritable() || !folder.isWritable() || markedReadOnly(info) || markedReadOnly(folder)
                        || QStorageInfo(info.absolutePath()).isReadOnly();
    QSqlDatabase database = QSqlDatabase::addDatabase(sqliteEngine().driverName(), connectionName());
    database.setDatabaseName(sqliteEngine().readOnlyDatabaseName(info.absoluteFilePath(), immutable));
    database.setConnectOptions(sqliteEngine().readOnlyConnectOptions());
    QStringList stored;
    // SQLite reads the file first at the first statement, so a file that is no database fails there.
    Result read = database.open() ? sqliteEngine().storedTables(database, stored)
                                  : Result::failure(engineText(database.lastError()));
    if (!read)
        return Result::failure(kCannotOpen + QStringLiteral("資料庫檔案 '%1' 讀不出來(%2)")
                                                 .arg(QDir::toNativeSeparators(file), read.message()));
    m_file = file;
    m_filePlace = filePlace(file);
    return Result::success();
}

Result SqliteConnection::checkInPlace(EngineConnection::Use use) const
{
    if (m_file.isEmpty())
        return Result::success();
    const bool fileInPlace = filePlace(m_file) == m_filePlace;
    // While this connection is open no program removes the journal, unless its locks were lost.
    const bool journalInPlace = !m_journalPlace.exists || filePlace(journalOf(m_file)) == m_journalPlace;
    if (fileInPlace && journalInPlace && !m_leftFile)
        return Result::success();
    const bool removed = !QFileInfo::exists(m_file);
    const QString what = !fileInPlace ? (removed ? QStringLiteral("資料庫檔案 '%1' 已經被移走或刪除了")
                                                 : QStringLiteral("資料庫檔案 '%1' 已經被另一個檔案取代了(例如還原了備份)"))
                                      : QStringLiteral("資料庫檔案 '%1' 的日誌檔案被別的程式移走或換掉了");
    const QString shown = what.arg(QDir::toNativeSeparators(m_file));
    if (use == EngineConnection::Use::Writing)
        return Result::failure(kCannotSave + shown + QStringLiteral(",修改沒有寫入任何檔案。"));
    if (removed)
        return Result::failure(kCannotRead + shown + QStringLiteral(";請把檔案放回原處,下一個動作就會讀取它。"));
    // Said once the screen reads the file now at the path.
    return Result::failure(shown + QStringLiteral(";畫面改為顯示目前這個檔案的資料,剛才的動作沒有執行。"));
}

bool SqliteConnection::presentAtPath() const
{
    return filePlace(m_file).exists;
}

void SqliteConnection::close()
{
    // SQLite keeps a moved file's journal, pages and all, at its name for the file put there to take in.
    if (!m_file.isEmpty() && filePlace(m_file) != m_filePlace)
        letGoOfFile();
    untrack(this);
    m_file.clear();
    m_filePlace = FilePlace();
    m_journalPlace = FilePlace();
    m_leftFile = false;
}
