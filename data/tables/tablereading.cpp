#include "data/tables/tablereading.h"

#include "data/engine.h"
#include "data/enginetext.h"

#include <QSqlError>

Result TableReading::start(const QSqlDatabase &database, const QString &table, const QStringList &columns)
{
    const Engine &stored = engine(database);
    QStringList quoted;
    for (const QString &column : columns)
        quoted << stored.quotedName(column);
    // In the order the rows were added, so the engines list them alike.
    const QString sql = QStringLiteral("SELECT %1 FROM %2 ORDER BY %3")
                            .arg(quoted.join(QLatin1Char(',')), stored.quotedName(table), stored.rowIdentity());
    m_query = QSqlQuery(database);
    m_query.setForwardOnly(true);
    if (!m_query.exec(sql))
        return Result::failure(engineText(m_query.lastError()), sql);
    m_hasFirst = m_query.next();
    m_standsBeforeFirst = true;
    return finish();
}

bool TableReading::next()
{
    if (m_standsBeforeFirst) {
        m_standsBeforeFirst = false;
        return m_hasFirst;
    }
    return m_query.next();
}

Result TableReading::finish() const
{
    if (m_query.lastError().isValid())
        return Result::failure(engineText(m_query.lastError()), m_query.lastQuery());
    return Result::success();
}

Result readTableRows(const QSqlDatabase &database, const QString &table, const QStringList &columns,
                     QVector<QVariantList> &rows)
{
    TableReading reading;
    if (Result started = reading.start(database, table, columns); !started)
        return started;
    rows.clear();
    while (reading.next()) {
        QVariantList row;
        row.reserve(columns.size());
        for (int i = 0; i < columns.size(); ++i)
            row << reading.value(i);
        rows << row;
    }
    return reading.finish();
}

Result countTableRows(const QSqlDatabase &database, const QString &table, qint64 &rows)
{
    const QString sql = QStringLiteral("SELECT count(*) FROM %1").arg(engine(database).quotedName(table));
    QSqlQuery query(database);
    if (!query.exec(sql) || !query.next())
        return Result::failure(engineText(query.lastError()), sql);
    rows = query.value(0).toLongLong();
    return Result::success();
}
