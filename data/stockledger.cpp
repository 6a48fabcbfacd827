#include "data/stockledger.h"

#include "data/enginetext.h"

#include <QSqlError>
#include <QSqlQuery>
#include <QStringList>

Result enableStockLedger(QSqlDatabase &database)
{
    const QStringList statements = {
        QStringLiteral("CREATE TABLE IF NOT EXISTS \"STOCKLEDGER\" (\"changedat\" TEXT, \"materielno\" TEXT COLLATE NOCASE, "
                       "\"oldinventory\" INTEGER, \"newinventory\" INTEGER)"),
        QStringLiteral("CREATE INDEX IF NOT EXISTS \"STOCKLEDGER_materielno\" ON \"STOCKLEDGER\" (\"materielno\")"),
        // Local time to the millisecond, so lines of one second still sort by when they were made.
        QStringLiteral("CREATE TRIGGER IF NOT EXISTS \"STOCKLEDGER_inventory\" AFTER UPDATE OF \"inventory\" ON \"MSF\" "
                       "WHEN OLD.\"inventory\" IS NOT NEW.\"inventory\" BEGIN "
                       "INSERT INTO \"STOCKLEDGER\" (\"changedat\", \"materielno\", \"oldinventory\", \"newinventory\") "
                       "VALUES (strftime('%Y-%m-%d %H:%M:%f', 'now', 'localtime'), NEW.\"materielno\", "
                       "OLD.\"inventory\", NEW.\"inventory\"); END"),
    };
    QSqlQuery query(database);
    for (const QString &statement : statements)
        if (!query.exec(statement))
            return Result::failure(engineText(query.lastError()), statement);
    return Result::success();
}

bool stockLedgerEnabled(const QSqlDatabase &database)
{
    return database.tables().contains(kStockLedgerTable, Qt::CaseInsensitive);
}
