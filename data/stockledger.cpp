#include "data/stockledger.h"

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
