#include "data/engine/postgres/postgresconnection.h"

#include "data/connection/databaselocation.h"
#include "data/connection/serveraddress.h"
#include "data/engine.h"
#include "data/enginetext.h"

#include <QCoreApplication>
#include <QMutex>
#include <QSqlError>

// The program's one connection to a server: every record source, lookup list,
// grid, document field and stock update of the program reads and writes
// through it, each statement its own transaction or one begun and ended
// within a single action, so sharing it holds nothing between actions.

namespace {

/// The program's connections to servers, by name.
struct ProgramConnections
{
    QMutex mutex;
    QStringList names;
};

ProgramConnections &programConnections()
{
    static ProgramConnections registry;
    return registry;
}

/// Closes the program's connections while Qt SQL is still there to close them.
void closeProgramConnections()
{
    ProgramConnections &registry = programConnections();
    QMutexLocker lock(&registry.mutex);
    for (const QString &name : std::as_const(registry.names)) {
        {
            QSqlDatabase database = QSqlDatabase::database(name, false);
            database.close();
        }
        QSqlDatabase::removeDatabase(name);
    }
    registry.names.clear();
}

QString programConnectionName(const QString &server)
{
    return QStringLiteral("vemo-program ") + server;
}

} // namespace

Result PostgresConnection::open(const QString &databasePath, EngineConnection::Missing missing,
                                EngineConnection::Sharing sharing)
{
    const QString server = serverFor(databasePath);
    return sharing == EngineConnection::Sharing::Program ? openProgramConnection(server, missing)
                                                         : openServer(server, missing);
}

Result PostgresConnection::openForReading(const QString &databasePath)
{
    return openServer(serverFor(databasePath), EngineConnection::Missing::Fail);
}

Result PostgresConnection::checkInPlace(EngineConnection::Use use) const
{
    Q_UNUSED(use)
    return Result::success();
}

Result PostgresConnection::openProgramConnection(const QString &server, EngineConnection::Missing missing)
{
    shareConnection(programConnectionName(server));
    if (isOpen()) {
        if (missing == EngineConnection::Missing::Fail)
            return Result::success();
        QSqlDatabase database = this->database();
        return postgresEngine().createMissingSchema(database);
    }
    dropDatabase();
    ProgramConnections &registry = programConnections();
    {
        QMutexLocker lock(&registry.mutex);
        if (registry.names.isEmpty())
            qAddPostRoutine(closeProgramConnections);
        if (!registry.names.contains(connectionName()))
            registry.names << connectionName();
    }
    return openServer(server, missing);
}

Result PostgresConnection::openServer(const QString &server, EngineConnection::Missing missing)
{
    ServerAddress address;
    if (Result parsed = ServerAddress::parse(server, address); !parsed)
        return parsed;
    const Engine &postgres = postgresEngine();
    const bool create = missing == EngineConnection::Missing::Create;
    Result result = Result::success();
    {
        // The handle goes before the database is dropped so that no query of it outlives the connection.
        QSqlDatabase database = QSqlDatabase::addDatabase(postgres.driverName(), connectionName());
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
        if (result && create)
            result = postgres.createMissingSchema(database);
        if (result)
            result = startHistory(database, create);
    }
    if (result)
        countOpening();
    else
        dropDatabase();
    return result;
}
