#include "support/serverschema.h"

#include "data/connection/engineconnection.h"
#include "data/connection/serveraddress.h"

#include <QCoreApplication>

#include <stdexcept>
#include <tuple>

namespace {

QString testServer()
{
    const QString server = qEnvironmentVariable("VEMO_TEST_POSTGRES");
    if (server.isEmpty())
        throw std::runtime_error("VEMO_TEST_POSTGRES names no server: run the tests under scripts/with-postgres");
    return server;
}

void runOnServer(const QString &statement, const QVariantList &values = {})
{
    EngineConnection administration;
    if (Result opened = administration.open(testServer()); !opened)
        throw std::runtime_error(opened.message().toStdString());
    // What a drop cascades to is no news to a test.
    std::ignore = administration.execute(QStringLiteral("SET client_min_messages = warning"));
    if (Result ran = administration.execute(statement, values); !ran)
        throw std::runtime_error(ran.message().toStdString());
}

} // namespace

ServerSchema::ServerSchema()
{
    static int made = 0;
    m_name = QStringLiteral("vemo_test_%1_%2").arg(QCoreApplication::applicationPid()).arg(++made);
    ServerAddress address;
    if (Result parsed = ServerAddress::parse(testServer(), address); !parsed)
        throw std::runtime_error(parsed.message().toStdString());
    // The caseless text type is the database's, added once where every test's schema finds it; a role
    // that owns no database could not add it.
    const QString addCaselessText = QStringLiteral("CREATE EXTENSION IF NOT EXISTS citext SCHEMA public");
    try {
        runOnServer(addCaselessText);
    } catch (const std::runtime_error &) {
        // Two tests adding it at once: one of them is refused, and then finds it there.
        runOnServer(addCaselessText);
    }
    // A role named like its schema finds the schema first through the default search path "$user".
    runOnServer(QStringLiteral("CREATE ROLE %1 LOGIN").arg(m_name));
    runOnServer(QStringLiteral("CREATE SCHEMA %1 AUTHORIZATION %1").arg(m_name));
    address.user = m_name;
    address.options.removeIf([](const QString &option) { return option.startsWith(QLatin1String("application_name=")); });
    address.options << QStringLiteral("application_name=") + m_name;
    m_address = address.text();
}

ServerSchema::~ServerSchema()
{
    try {
        // Connections the test left open would hold the schema's tables.
        dropConnections();
        runOnServer(QStringLiteral("DROP SCHEMA %1 CASCADE").arg(m_name));
        runOnServer(QStringLiteral("DROP ROLE %1").arg(m_name));
    } catch (const std::runtime_error &) {
        // A server gone by now leaves its throw-away cluster to be removed whole.
    }
}

void ServerSchema::dropConnections()
{
    runOnServer(QStringLiteral("SELECT pg_terminate_backend(pid) FROM pg_stat_activity "
                               "WHERE application_name = ? AND pid <> pg_backend_pid()"),
                {m_name});
}
