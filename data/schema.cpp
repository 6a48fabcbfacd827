#include "data/schema.h"

#include <QSqlError>
#include <QSqlQuery>

namespace {

ColumnDefinition text(const char *name) { return {QString::fromLatin1(name), ColumnType::Text}; }
ColumnDefinition number(const char *name) { return {QString::fromLatin1(name), ColumnType::WholeNumber}; }
ColumnDefinition document(const char *name) { return {QString::fromLatin1(name), ColumnType::Document}; }

QString columnSql(const ColumnDefinition &column)
{
    const QString name = QLatin1Char('"') + column.name + QLatin1Char('"');
    switch (column.type) {
    case ColumnType::Text:
        return name + QStringLiteral(" TEXT COLLATE NOCASE");
    case ColumnType::WholeNumber:
        // Refuse anything but a whole number, so a typed "abc" never lands in a quantity.
        return name + QStringLiteral(" INTEGER CHECK (%1 IS NULL OR typeof(%1) = 'integer')").arg(name);
    case ColumnType::Document:
        return name + QStringLiteral(" BLOB");
    }
    return name;
}

QString createTableSql(const TableDefinition &table)
{
    QStringList columns;
    for (const ColumnDefinition &column : table.columns)
        columns << columnSql(column);
    return QStringLiteral("CREATE TABLE \"%1\" (%2)").arg(table.name, columns.join(QStringLiteral(", ")));
}

} // namespace

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
         {text("customerno"), text("companyname"), text("industryno"), text("address"), text("city"),
          text("users"), text("telphoneno"), text("faxno"), text("emails")}},
        {QStringLiteral("CC"),
         {text("contractno"), text("contractname"), text("startdate"), text("enddate"), document("context")}},
        {QStringLiteral("CSF"),
         {text("serviceno"), text("customerno"), text("users"), text("userphone"), text("empno"),
          text("industryno"), text("materielno"), text("startdate"), text("finishdate"),
          text("description"), document("process"), text("solution"), text("close")}},
        {QStringLiteral("MTR"),
         {text("maintainno"), text("contractno"), text("industryno"), text("users"), text("empno"),
          text("site"), text("process"), text("startdate"), text("finishdate"), document("equipment")}},
        {QStringLiteral("TP"),
         {text("techno"), text("customerno"), text("industryno"), text("description"), document("solution")}},
        {QStringLiteral("MSF"),
         {text("materielno"), text("materiel"), text("location"), number("inventory"), text("safestock"),
          text("price"), text("retire"), text("supplierno")}},
        {QStringLiteral("MBBR"),
         {text("mbrrno"), text("empno"), text("materielno"), text("customerno"), text("users"),
          number("borrowqty"), number("returnqty"), text("borrowdate"), text("returndate")}},
        {QStringLiteral("EMPLOYEE"),
         {text("empno"), text("empname"), text("socialid"), text("birthday"), text("title"),
          text("department"), text("email"), text("callpager"), text("address"), text("phoneno"),
          text("postingdate"), text("emergencyphone"), text("emergencyperson"), document("picture")}},
        {QStringLiteral("SCHEDULE"),
         {text("empno"), text("year"), text("mouthday"), document("schedule")}},
        {QStringLiteral("SUPPLIER"),
         {text("supplierno"), text("supplier"), text("contactman"), text("address"), text("phoneno"),
          text("faxno"), text("payment"), text("email")}},
        {QStringLiteral("INDUSTRY"), {text("industryno"), text("industryname")}},
    };
    return tables;
}

Result createSchema(QSqlDatabase &database)
{
    if (!database.transaction())
        return Result::failure(database.lastError().text());
    QSqlQuery query(database);
    for (const TableDefinition &table : schemaTables()) {
        const QString sql = createTableSql(table);
        if (!query.exec(sql)) {
            const QString message = query.lastError().text();
            database.rollback();
            return Result::failure(message, sql);
        }
    }
    if (!database.commit())
        return Result::failure(database.lastError().text());
    return Result::success();
}
