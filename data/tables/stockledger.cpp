#include "data/tables/stockledger.h"

#include "data/engine.h"
#include "data/enginetext.h"

#include <QSqlError>
#include <QSqlQuery>
#include <QStringList>

Result enableStockLedger(QSqlDatabase &database)
{
    QSqlQuery query(database);
    for (const QString &statement : engine(database).stockLedgerSql())
        if (!query.exec(statement))
            return Result::failure(engineText(query.lastError()), statement);
    return Result::success();
}

bool stockLedgerEnabled(const QSqlDatabase &database)
{
    QSqlDatabase connection = database;
    QStringList tables;
    return engine(connection).storedTables(connection, tables).ok() && tables.contains(kStockLedgerTable, Qt::CaseInsensitive);
}

Result readStockLedger(const QSqlDatabase &database, const QString &material, QVector<QVariantList> &lines)
{
    const Engine &stored = engine(database);
    // Lines of one millisecond keep the order they were written in.
    const QString sql = QStringLiteral("SELECT changedat, materielno, oldinventory, newinventory FROM %1 %2 "
                                       "ORDER BY changedat DESC, %3 DESC")
                            .arg(stored.quotedName(kStockLedgerTable),
                                 material.isEmpty() ? QString() : QStringLiteral("WHERE materielno = ?"), stored.rowIdentity());
    QSqlQuery query(database);
    query.setForwardOnly(true);
    if (!query.prepare(sql))
        return Result::failure(engineText(query.lastError()), sql);
    if (!material.isEmpty())
        query.addBindValue(material);
    if (!query.exec())
        return Result::failure(engineText(query.lastError()), sql);
    lines.clear();
    while (query.next())
        lines << QVariantList{query.value(0), query.value(1), query.value(2), query.value(3)};
    return query.lastError().isValid() ? Result::failure(engineText(query.lastError()), sql) : Result::success();
}
