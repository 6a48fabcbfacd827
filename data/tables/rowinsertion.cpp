#include "data/tables/rowinsertion.h"

#include "data/engine.h"
#include "data/enginetext.h"

#include <QSqlError>

Result RowInsertion::prepare(const QSqlDatabase &database, const QString &table, const QStringList &columns)
{
    const Engine &stored = engine(database);
    QStringList quoted;
    for (const QString &column : columns)
        quoted << stored.quotedName(column);
    const QString placeholders = QStringList(columns.size(), QStringLiteral("?")).join(QLatin1Char(','));
    const QString sql = QStringLiteral("INSERT INTO %1 (%2) VALUES (%3)")
                            .arg(stored.quotedName(table), quoted.join(QLatin1Char(',')), placeholders);
    m_query = QSqlQuery(database);
    if (!m_query.prepare(sql))
        return Result::failure(engineText(m_query.lastError()), sql);
    return Result::success();
}

Result RowInsertion::insert()
{
    if (!m_query.exec())
        return Result::failure(engineText(m_query.lastError()), m_query.lastQuery());
    return Result::success();
}
