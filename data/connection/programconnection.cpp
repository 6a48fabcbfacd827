#include "data/connection/engineconnection.h"

#include "data/engine/postgres/postgresengine.h"

#include <QCoreApplication>
#include <QHash>
#include <QMutex>

// The program's one connection to a server: every record source, lookup list,
// grid, document field and stock update of the program reads and writes
// through it, each statement its own transaction or one begun and ended
// within a single action, so sharing it holds nothing between actions.

namespace {

struct Openings
{
    QMutex mutex;
    QHash<QString, int> counts;
    QStringList programConnections;
};

Openings &openingRegistry()
{
    static Openings registry;
    return registry;
}

/// Closes the program's connections while Qt SQL is still there to close them.
void closeProgramConnections()
{
    Openings &registry = openingRegistry();
    QMutexLocker lock(&registry.mutex);
    for (const QString &name : std::as_const(registry.programConnections)) {
        {
            QSqlDatabase database = QSqlDatabase::database(name, false);
            database.close();
        }
        QSqlDatabase::removeDatabase(name);
    }
    registry.programConnections.clear();
}

QString programConnectionName(const QString &server)
{
    return QStringLiteral("vemo-program ") + server;
}

} // namespace

Result EngineConnection::openProgramConnection(const QString &server, Missing missing)
{
    m_name = programConnectionName(server);
    if (isOpen()) {
        if (missing == Missing::Fail)
            return Result::success();
        QSqlDatabase database = this->database();
        return PostgresEngine().createMissingSchema(database);
    }
    dropDatabase();
    Openings &registry = openingRegistry();
    {
        QMutexLocker lock(&registry.mutex);
        if (registry.programConnections.isEmpty())
            qAddPostRoutine(closeProgramConnections);
        if (!registry.programConnections.contains(m_name))
            registry.programConnections << m_name;
    }
    return openServer(server, missing);
}

int EngineConnection::openings() const
{
    Openings &registry = openingRegistry();
    QMutexLocker lock(&registry.mutex);
    return registry.counts.value(m_name);
}

void EngineConnection::countOpening(const QString &name)
{
    Openings &registry = openingRegistry();
    QMutexLocker lock(&registry.mutex);
    ++registry.counts[name];
}
