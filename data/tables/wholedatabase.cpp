#include "data/tables/wholedatabase.h"

#include "data/connection/serveraddress.h"
#include "data/schema.h"
#include "data/tables/stockledger.h"
#include "data/tables/tablereading.h"

std::unique_ptr<WholeDatabase> WholeDatabase::named(const QString &database)
{
    return ServerAddress::isServerAddress(database) ? wholeServer(database) : wholeFile(database);
}

Result rowsInDatabase(QSqlDatabase &database, qint64 &rows)
{
    QStringList stored;
    if (Result read = storedSchemaTables(database, stored); !read)
        return read;
    if (stockLedgerEnabled(database))
        stored << kStockLedgerTable;
    rows = 0;
    for (const QString &table : std::as_const(stored)) {
        qint64 inTable = 0;
        if (Result counted = countTableRows(database, table, inTable); !counted)
            return counted;
        rows += inTable;
    }
    return Result::success();
}
