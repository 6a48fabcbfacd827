#include "data/connection/engineconnection.h"

#include "data/connection/databaselocation.h"
#include "data/engine.h"
#include "data/engine/postgres/postgresengine.h"
#include "data/enginetext.h"
#include "data/schema.h"
#include "data/tables/history.h"
#include "data/connection/serveraddress.h"

#include <QAtomicInt>
#include <QDir>
#include <QFileInfo>
#include <QSqlError>
#include <QSqlQuery>
#include <QStorageInfo>

#include <tuple>

namespace {

QString nextConnectionName()
{
    static QAtomicInt counter;
    return QStringLiteral("vemo-%1").arg(counter.fetchAndAddRelaxed(1));
}

QString connectionStringValue(const QString &connectionString, const QString &key)
{
    const QStringList pairs = connectionString.split(QLatin1Char(';'), Qt::SkipEmptyParts);
    for (const QString &pair : pairs) {
        const int equals = pair.indexOf(QLatin1Char('='));
        if (equals > 0 && pair.left(equals).trimmed().compare(key, Qt::CaseInsensitive) == 0)
            return pair.mid(equals + 1).trimmed();
    }
    return QString();
}

/// An older database gets the history at its next start, where the engine lets it (not on a
/// read-only file); the connection then tells it who writes.
Result startHistory(QSqlDatabase &database, bool create)
{
    if (create)
        std::ignore = enableHistory(database);
    if (!historyEnabled(database))
        return Result::success();
    return engine(database).tellHistoryWriter(database);
}

} // namespace

EngineConnection::EngineConnection() : m_ownName(nextConnectionName()), m_name(m_ownName) {}

EngineConnection::~EngineConnection()
{
    close();
}

Result EngineConnection::open(const QString &databasePath, Missing missing, Sharing sharing)
{
    close();
    m_openedPath = databasePath;
    m_sharing = sharing;
    if (const QString server = serverFor(databasePath); !server.isEmpty())
        return sharing == Sharing::Program ? openProgramConnection(server, missing) : openServer(server, missing);
    const QString file = mappedDatabaseFile(databasePath);
    const QString folder = QFileInfo(file).absolutePath();
    if (Result left = leaveFilesReplacedAt(file); !left)
        return left;
    if (!QFileInfo::exists(file)) {
        if (missing == Missing::Fail)
            return Result::failure(kCannotOpen
                                   + QStringLiteral("找不到資料庫檔案 '%1'。").arg(QDir::toNativeSeparators(file)));
        if (!QDir().mkpath(folder))
            return Result::failure(kCannotOpen
                                   + QStringLiteral("無法建立資料夾 '%1'。").arg(QDir::toNativeSeparators(folder)));
    }
    // No failure removes or rewrites the file: a start that stopped half-way
    // leaves a file the next start completes.
    Result result = openFile(file, missing == Missing::Create);
    if (result && missing == Missing::Create) {
        QSqlDatabase opened = database();
        // Indexes and counts only speed reading up: a file that cannot take them still opens.
        std::ignore = createMissingIndexes(opened);
        std::ignore = engine(opened).addKeyCounts(opened);
    }
    if (result)
        return result;
    close();
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

Result EngineConnection::openFile(const QString &file, bool create)
{
    QSqlDatabase database = QSqlDatabase::addDatabase(sqliteEngine().driverName(), m_name);
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
        if (Result created = createMissingTables(database); !created)
            return created;
    }
    // Setting the connection up may write the file's first page, so it waits for the tables.
    if (Result prepared = sqliteEngine().prepareConnection(database); !prepared)
        return prepared;
    if (Result recorded = startHistory(database, create); !recorded)
        return recorded;
    m_journalPlace = filePlace(journalOf(file));
    forgetLeftJournals(file);
    countOpening(m_name);
    return Result::success();
}

Result EngineConnection::openForReading(const QString &databasePath)
{
    close();
    m_openedPath = databasePath;
    if (const QString server = serverFor(databasePath); !server.isEmpty())
        return openServer(server, Missing::Fail);
    const QString file = mappedDatabaseFile(databasePath);
    if (!QFileInfo(file).isFile())
        return Result::failure(kCannotOpen + QStringLiteral("找不到資料庫檔案 '%1'。").arg(QDir::toNativeSeparators(file)));
    Result result = openFileForReading(file);
    if (!result)
        close();
    return result;
}

Result EngineConnection::openFileForReading(const QString &file)
{
    const QFileInfo info(file);
    const QFileInfo folder(info.absolutePath());
    // For root every file is writable, yet one marked read-only for everyone is meant to stay as it is.
    const auto markedReadOnly = [](const QFileInfo &entry) {
        return (entry.permissions() & (QFile::WriteOwner | QFile::WriteGroup | QFile::WriteOther)) == 0;
    };
    const bool immutable = !info.isWritable() || !folder.isWritable() || markedReadOnly(info) || markedReadOnly(folder)
                        || QStorageInfo(info.absolutePath()).isReadOnly();
    QSqlDatabase database = QSqlDatabase::addDatabase(sqliteEngine().driverName(), m_name);
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

Result EngineConnection::openServer(const QString &server, Missing missing)
{
    ServerAddress address;
    if (Result parsed = ServerAddress::parse(server, address); !parsed)
        return parsed;
    const Engine &postgres = postgresEngine();
    Result result = Result::success();
    {
        // The handle goes before close() so that no query of it outlives the connection.
        QSqlDatabase database = QSqlDatabase::addDatabase(postgres.driverName(), m_name);
        database.setHostName(address.host);
        database.setPort(address.port);
        database.setUserName(address.user);
        database.setDatabaseName(address.database);
        // The address's own options come last, so its connect_timeout wins.
        const QString options = address.driverOptions();
        database.setConnectOptions(options.isEmpty() ? postgres.connectOptions()
                                                     : postgres.connectOptions() + QLatin1Char(';') + options);
        result = database.open() ? postgres.prepareConnection(database)
                                 : Result::failure(kCannotOpen
                                                   + QStringLiteral("連不上資料庫伺服器 %1,或伺服器拒絕了連線。")
                                                         .arg(address.shownText())
                                                   + engineText(database.lastError()));
        if (result && missing == Missing::Create)
            result = PostgresEngine().createMissingSchema(database);
        if (result)
            result = startHistory(database, missing == Missing::Create);
    }
    if (result)
        countOpening(m_name);
    else if (m_name != m_ownName)
        dropDatabase();
    else
        close();
    return result;
}

Result EngineConnection::openConnectionString(const QString &connectionString, const QString &user,
                                              const QString &password)
{
    Q_UNUSED(user)
    Q_UNUSED(password)
    const QString provider = connectionStringValue(connectionString, QStringLiteral("Provider"));
    if (!provider.startsWith(QStringLiteral("Microsoft.Jet.OLEDB"), Qt::CaseInsensitive))
        return Result::failure(QStringLiteral("不支援的資料提供者 '%1'。").arg(provider));
    const QString source = connectionStringValue(connectionString, QStringLiteral("Data Source"));
    if (source.isEmpty())
        return Result::failure(QStringLiteral("連線字串沒有指定資料來源 (Data Source)。"));
    return open(source, Missing::Create, Sharing::Program);
}

Result EngineConnection::execute(const QString &statement, const QVariantList &values)
{
    if (!isOpen())
        return Result::failure(QStringLiteral("資料庫連線尚未開啟。"), statement);
    QSqlQuery query(database());
    bool ran = values.isEmpty() ? query.exec(statement) : query.prepare(statement);
    if (ran && !values.isEmpty()) {
        for (const QVariant &value : values)
            query.addBindValue(value);
        ran = query.exec();
    }
    if (!ran)
        return Result::failure(engineText(query.lastError()), statement);
    return Result::success();
}

Result EngineConnection::reopenIfLost()
{
    if (Result inPlace = checkFileInPlace(Use::Writing); !inPlace)
        return inPlace;
    if (isOpen()) {
        QSqlQuery probe(database());
        if (probe.exec(QStringLiteral("SELECT 1")))
            return Result::success();
    }
    if (m_openedPath.isEmpty())
        return Result::failure(QStringLiteral("資料庫連線尚未開啟。"));
    const QString path = m_openedPath;
    // A lost shared connection goes for all that hold it: the first to come back opens it again.
    if (m_name != m_ownName)
        dropDatabase();
    return open(path, Missing::Fail, m_sharing);
}

Result EngineConnection::checkFileInPlace(Use use) const
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
    if (use == Use::Writing)
        return Result::failure(kCannotSave + shown + QStringLiteral(",修改沒有寫入任何檔案。"));
    if (removed)
        return Result::failure(kCannotRead + shown + QStringLiteral(";請把檔案放回原處,下一個動作就會讀取它。"));
    // Said once the screen reads the file now at the path.
    return Result::failure(shown + QStringLiteral(";畫面改為顯示目前這個檔案的資料,剛才的動作沒有執行。"));
}

void EngineConnection::close()
{
    // SQLite keeps a moved file's journal, pages and all, at its name for the file put there to take in.
    if (!m_file.isEmpty() && filePlace(m_file) != m_filePlace)
        letGoOfFile();
    untrack(this);
    m_file.clear();
    m_filePlace = FilePlace();
    m_journalPlace = FilePlace();
    m_leftFile = false;
    // The program's shared connection stays for the others that hold it.
    if (m_name != m_ownName) {
        m_name = m_ownName;
        return;
    }
    dropDatabase();
}

void EngineConnection::dropDatabase()
{
    forgetKeptStatements();
    if (!QSqlDatabase::contains(m_name))
        return;
    {
        QSqlDatabase database = QSqlDatabase::database(m_name, false);
        database.close();
    }
    QSqlDatabase::removeDatabase(m_name);
}

bool EngineConnection::isOpen() const
{
    return QSqlDatabase::contains(m_name) && QSqlDatabase::database(m_name, false).isOpen();
}

QSqlDatabase EngineConnection::database() const
{
    return QSqlDatabase::database(m_name, false);
}
