#include "data/schema.h"

#include "data/engine.h"
#include "data/enginetext.h"
#include "data/tables/stockledger.h"
#include "data/tables/transaction.h"

#include <QSqlError>
#include <QSqlQuery>

namespace {

ColumnDefinition text(const char *name) { return {QString::fromLatin1(name), ColumnType::Text}; }
ColumnDefinition number(const char *name) { return {QString::fromLatin1(name), ColumnType::WholeNumber}; }
ColumnDefinition document(const char *name) { return {QString::fromLatin1(name), ColumnType::Document}; }
ColumnDefinition indexed(const char *name) { return {QString::fromLatin1(name), ColumnType::Text, true}; }

} // namespace

QString columnTypeName(ColumnType type)
{
    switch (type) {
    case ColumnType::WholeNumber:
        return QStringLiteral("整數");
    case ColumnType::Document:
        return QStringLiteral("文件");
    case ColumnType::Text:
        break;
    }
    return QStringLiteral("文字");
}

QStringList TableDefinition::columnNames() const
{
    QStringList names;
    for (const ColumnDefinition &column : columns)
        names << column.name;
    return names;
}

const QVector<TableDefinition> &schemaTables()
{
    static const QVector<TableDefinition> tables = {
        {QStringLiteral("CF"),
         {indexed("customerno"), indexed("companyname"), text("industryno"), text("address"), text("city"),
          indexed("users"), text("telphoneno"), text("faxno"), text("emails")}},
        {QStringLiteral("CC"),
         {indexed("contractno"), indexed("contractname"), text("startdate"), text("enddate"), document("context")}},
        {QStringLiteral("CSF"),
         {text("serviceno"), text("customerno"), indexed("users"), text("userphone"), text("empno"),
          text("industryno"), text("materielno"), text("startdate"), text("finishdate"),
          text("description"), document("process"), text("solution"), text("close")}},
        {QStringLiteral("MTR"),
         {text("maintainno"), text("contractno"), text("industryno"), indexed("users"), text("empno"),
          text("site"), text("process"), text("startdate"), text("finishdate"), document("equipment")}},
        {QStringLiteral("TP"),
         {indexed("techno"), text("customerno"), text("industryno"), text("description"), document("solution")}},
        {QStringLiteral("MSF"),
         {indexed("materielno"), text("materiel"), text("location"), number("inventory"), text("safestock"),
          text("price"), text("retire"), text("supplierno")}},
        {QStringLiteral("MBBR"),
         {indexed("mbrrno"), text("empno"), text("materielno"), text("customerno"), text("users"),
          number("borrowqty"), number("returnqty"), text("borrowdate"), text("returndate")}},
        {QStringLiteral("EMPLOYEE"),
         {indexed("empno"), indexed("empname"), text("socialid"), text("birthday"), text("title"),
          text("department"), text("email"), text("callpager"), text("address"), text("phoneno"),
          text("postingdate"), text("emergencyphone"), text("emergencyperson"), document("picture")}},
        {QStringLiteral("SCHEDULE"),
         {indexed("empno"), text("year"), text("mouthday"), document("schedule")}},
        {QStringLiteral("SUPPLIER"),
         {indexed("supplierno"), indexed("supplier"), text("contactman"), text("address"), text("phoneno"),
          text("faxno"), text("payment"), text("email")}},
        {QStringLiteral("INDUSTRY"), {indexed("industryno"), indexed("industryname")}},
    };
    return tables;
}

const TableDefinition *schemaTable(const QString &name)
{
    for (const TableDefinition &table : schemaTables()) {
        if (table.name.compare(name, Qt::CaseInsensitive) == 0)
            return &table;
    }
    return nullptr;
}

Result storedSchemaTables(QSqlDatabase &database, QStringList &stored)
{
    QStringList names;
    if (Result read = engine(database).storedTables(database, names); !read)
        return read;
    stored.clear();
    for (const TableDefinition &table : schemaTables()) {
        if (names.contains(table.name, Qt::CaseInsensitive))
            stored << table.name;
    }
    return Result::success();
}

Result createMissingTables(QSqlDatabase &database)
{
    // The write lock is taken at once, so a second program starting alongside
    // waits here and then sees the tables the first one made.
    Transaction transaction(database);
    if (Result begun = transaction.begin(Transaction::Kind::Writing); !begun)
        return begun;
    QSqlQuery query(database);
    QStringList stored;
    Result result = storedSchemaTables(database, stored);
    for (const TableDefinition &table : schemaTables()) {
        if (!result || stored.contains(table.name))
            continue;
        const QString sql = engine(database).createTableSql(table);
        if (!query.exec(sql))
            result = Result::failure(engineText(query.lastError()), sql);
    }
    // A new database gets the stock ledger too; an existing one only when asked.
    if (result && stored.isEmpty())
        result = enableStockLedger(database);
    return transaction.end(result);
}

Result createMissingIndexes(QSqlDatabase &database)
{
    QStringList stored;
    if (Result read = engine(database).storedIndexes(database, stored); !read)
        return read;
    QSqlQuery query(database);
    for (const TableDefinition &table : schemaTables()) {
        for (const ColumnDefinition &column : table.columns) {
            if (!column.indexed || stored.contains(engine(database).indexName(table, column), Qt::CaseInsensitive))
                continue;
            const QString sql = engine(database).createIndexSql(table, column);
            if (!query.exec(sql))
                return Result::failure(engineText(query.lastError()), sql);
        }
    }
    return Result::success();
}

const TableDefinition &stockLedgerTable()
{
    static const TableDefinition table{kStockLedgerTable,
                                       {{QStringLiteral("changedat"), ColumnType::Text},
                                        {QStringLiteral("materielno"), ColumnType::Text},
                                        {QStringLiteral("oldinventory"), ColumnType::WholeNumber},
                                        {QStringLiteral("newinventory"), ColumnType::WholeNumber}}};
    return table;
}
