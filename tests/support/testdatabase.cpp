#include "support/testdatabase.h"

#include "data/databaselocation.h"
#include "data/schema.h"

#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QTest>

#include <stdexcept>

namespace {

void check(bool ok, const QSqlQuery &query)
{
    if (!ok)
        throw std::runtime_error(query.lastError().text().toStdString() + " in " + query.lastQuery().toStdString());
}

} // namespace

TestDatabase::TestDatabase() : m_previousHome(qgetenv("VEMO_HOME"))
{
    qputenv("VEMO_HOME", m_folder.path().toUtf8());
    if (Result opened = m_connection.open(kDatabasePath, EngineConnection::Missing::Create); !opened)
        throw std::runtime_error(opened.message().toStdString());
}

TestDatabase::~TestDatabase()
{
    m_connection.close();
    qputenv("VEMO_HOME", m_previousHome);
}

QString TestDatabase::file() const
{
    return mappedDatabaseFile(kDatabasePath);
}

void TestDatabase::insert(const QString &table, const QVariantList &values)
{
    QStringList placeholders;
    QStringList columns;
    const auto &tables = schemaTables();
    const auto definition = std::find_if(tables.begin(), tables.end(), [&](const TableDefinition &t) { return t.name == table; });
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
    m_connection.database().transaction();
    for (int i = 1; i <= count; ++i)
        insert(table, {prefix + QString::number(i)});
    m_connection.database().commit();
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
