#include "support/testdatabase.h"

#include "data/connection/databaselocation.h"
#include "data/engine.h"
#include "data/schema.h"

#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QTest>

#include <cstdio>
#include <cstdlib>
#include <stdexcept>

namespace {

void check(bool ok, const QSqlQuery &query)
{
    if (!ok)
        throw std::runtime_error(query.lastError().text().toStdString() + " in " + query.lastQuery().toStdString());
}

} // namespace

TestDatabase::TestDatabase() : m_previousHome(qgetenv("VEMO_HOME")), m_previousDatabase(qgetenv("VEMO_DATABASE"))
{
    qputenv("VEMO_HOME", m_folder.path().toUtf8());
    if (onServer() && qEnvironmentVariableIsEmpty("VEMO_TEST_POSTGRES")) {
        std::fputs("VEMO_TEST_ENGINE=postgresql, but VEMO_TEST_POSTGRES names no server: run the test under "
                   "scripts/with-postgres, e.g. scripts/with-postgres ctest -R NAME_postgresql\n",
                   stderr);
        std::exit(EXIT_FAILURE);
    }
    if (onServer()) {
        m_server = std::make_unique<ServerSchema>();
        qputenv("VEMO_DATABASE", m_server->address().toUtf8());
    }
    if (Result opened = m_connection.open(kDatabasePath, EngineConnection::Missing::Create); !opened)
        throw std::runtime_error(opened.message().toStdString());
}

TestDatabase::~TestDatabase()
{
    m_connection.close();
    m_server.reset();
    qputenv("VEMO_HOME", m_previousHome);
    if (m_previousDatabase.isNull())
        qunsetenv("VEMO_DATABASE");
    else
        qputenv("VEMO_DATABASE", m_previousDatabase);
}

bool TestDatabase::onServer()
{
    return qgetenv("VEMO_TEST_ENGINE") == "postgresql";
}

QString TestDatabase::file() const
{
    return mappedDatabaseFile(kDatabasePath);
}

QString TestDatabase::rowIdentity() const
{
    return engine(m_connection.database()).rowIdentity();
}

QVector<QVariantList> TestDatabase::tableRows(const QString &table)
{
    const TableDefinition *definition = schemaTable(table);
    if (!definition)
        throw std::runtime_error("no table " + table.toStdString());
    return rows(QStringLiteral("SELECT %1 FROM %2 ORDER BY %3")
                    .arg(definition->columnNames().join(QLatin1Char(',')), table, rowIdentity()));
}

QString TestDatabase::storedKind(const QString &column) const
{
    if (!onServer())
        return QStringLiteral("typeof(%1)").arg(column);
    return QStringLiteral("CASE WHEN %1 IS NULL THEN 'null' WHEN pg_typeof(%1) IN ('smallint'::regtype, "
                          "'integer'::regtype, 'bigint'::regtype) THEN 'integer' WHEN pg_typeof(%1) = 'bytea'::regtype "
                          "THEN 'blob' ELSE pg_typeof(%1)::text END")
        .arg(column);
}

void TestDatabase::refuseUpdates(const QString &table, const QString &column, const QString &message)
{
    if (!onServer()) {
        execute(QStringLiteral("CREATE TRIGGER vemo_refusal BEFORE UPDATE OF %1 ON %2 BEGIN SELECT RAISE(ABORT, '%3'); END")
                    .arg(column, table, message));
        return;
    }
    execute(QStringLiteral("CREATE FUNCTION vemo_refusal() RETURNS trigger LANGUAGE plpgsql AS "
                           "$$ BEGIN RAISE EXCEPTION '%1'; END $$")
                .arg(message));
    execute(QStringLiteral("CREATE TRIGGER vemo_refusal BEFORE UPDATE OF %1 ON %2 FOR EACH ROW "
                           "EXECUTE FUNCTION vemo_refusal()")
                .arg(column, table));
}

void TestDatabase::allowUpdates(const QString &table)
{
    if (!onServer()) {
        execute(QStringLiteral("DROP TRIGGER vemo_refusal"));
        return;
    }
    execute(QStringLiteral("DROP TRIGGER vemo_refusal ON %1").arg(table));
    execute(QStringLiteral("DROP FUNCTION vemo_refusal()"));
}

void TestDatabase::dropConnections()
{
    m_server->dropConnections();
    if (Result opened = m_connection.open(kDatabasePath); !opened)
        throw std::runtime_error(opened.message().toStdString());
}

void TestDatabase::insert(const QString &table, const QVariantList &values)
{
    QStringList placeholders;
    QStringList columns;
    const TableDefinition *definition = schemaTable(table);
    for (int i = 0; i < values.size(); ++i) {
        columns << definition->columns.at(i).name;
        placeholders << QStringLiteral("?");
    }
    QSqlQuery query(m_connection.database());
    query.prepare(QStringLiteral("INSERT INTO %1 (%2) VALUES (%3)").arg(table, columns.join(','), placeholders.join(',')));
    for (const QVariant &value : values)
        query.addBindValue(value);
    check(query.exec(), query);
}

void TestDatabase::insertNumbered(const QString &table, const QString &prefix, int count)
{
    const TableDefinition *definition = schemaTable(table);
    const QString column = definition->columns.constFirst().name;
    // One statement however many rows: the server counts with generate_series, the file with a recursive query.
    execute(onServer() ? QStringLiteral("INSERT INTO %1 (%2) SELECT '%3' || i FROM generate_series(1, %4) AS i")
                             .arg(table, column, prefix, QString::number(count))
                       : QStringLiteral("WITH RECURSIVE n(i) AS (SELECT 1 WHERE %4 > 0 UNION ALL SELECT i + 1 FROM n "
                                        "WHERE i < %4) INSERT INTO %1 (%2) SELECT '%3' || i FROM n")
                             .arg(table, column, prefix, QString::number(count)));
}

QVariant TestDatabase::value(const QString &sql)
{
    QSqlQuery query(m_connection.database());
    check(query.exec(sql), query);
    return query.next() ? query.value(0) : QVariant();
}

QVector<QVariantList> TestDatabase::rows(const QString &sql)
{
    QSqlQuery query(m_connection.database());
    check(query.exec(sql), query);
    QVector<QVariantList> result;
    while (query.next()) {
        QVariantList row;
        for (int i = 0; i < query.record().count(); ++i)
            row << query.value(i);
        result << row;
    }
    return result;
}

void TestDatabase::execute(const QString &sql)
{
    QSqlQuery query(m_connection.database());
    check(query.exec(sql), query);
}

void TestDatabase::disconnect()
{
    m_connection.close();
}

void TestDatabase::reconnect()
{
    if (Result opened = m_connection.open(kDatabasePath); !opened)
        throw std::runtime_error(opened.message().toStdString());
}
