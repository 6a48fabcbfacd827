#include "data/connection/engineconnection.h"

#include <QMutex>
#include <QSet>

// The program's shared connections to servers let go of while nobody uses
// the program: each still counts as open to its holders, and the first use
// by any of them opens it again as it was opened.

namespace {

struct SharedConnections
{
    QMutex mutex;
    QSet<QString> names;
    QSet<QString> resting;
};

SharedConnections &sharedConnections()
{
    static SharedConnections registry;
    return registry;
}

} // namespace

void EngineConnection::shareConnection(const QString &name)
{
    m_name = name;
    SharedConnections &registry = sharedConnections();
    QMutexLocker lock(&registry.mutex);
    registry.names.insert(name);
}

void EngineConnection::restProgramConnections()
{
    SharedConnections &registry = sharedConnections();
    QMutexLocker lock(&registry.mutex);
    for (const QString &name : std::as_const(registry.names)) {
        if (!QSqlDatabase::contains(name) || !QSqlDatabase::database(name, false).isOpen())
            continue;
        // Gone before its kept statements go, so that they go without a round trip each to drop them:
        // the server drops them with the connection.
        {
            QSqlDatabase database = QSqlDatabase::database(name, false);
            database.close();
        }
        QSqlDatabase::removeDatabase(name);
        forgetKeptStatementsOf(name);
        registry.resting.insert(name);
    }
}

bool EngineConnection::isResting() const
{
    if (!m_session)
        return false;
    SharedConnections &registry = sharedConnections();
    QMutexLocker lock(&registry.mutex);
    return registry.resting.contains(m_name);
}

Result EngineConnection::wakeIfResting()
{
    if (!isResting())
        return Result::success();
    // Opened as it was, by whichever holder comes first; the others then find it open.
    const QString name = m_name;
    Result woken = open(m_openedPath, Missing::Fail, m_sharing);
    // Not opened, it stays at rest for every holder, and the next use tries again.
    if (!woken)
        m_name = name;
    return woken;
}

void EngineConnection::stopResting()
{
    SharedConnections &registry = sharedConnections();
    QMutexLocker lock(&registry.mutex);
    registry.resting.remove(m_name);
}
