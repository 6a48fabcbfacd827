#include "data/engine/postgres/postgrescaseless.h"

#include "data/enginetext.h"
#include "data/schema.h"

#include <QSqlError>
#include <QSqlQuery>

namespace {

const TableDefinition *knownTable(const QString &name)
{
    if (name.compare(stockLedgerTable().name, Qt::CaseInsensitive) == 0)
        return &stockLedgerTable();
    return schemaTable(name);
}

bool isTextColumn(const TableDefinition &table, const QString &name)
{
    for (const ColumnDefinition &column : table.columns) {
        if (column.name.compare(name, Qt::CaseInsensitive) == 0)
            return column.type == ColumnType::Text;
    }
    return false;
}

} // namespace

Result hasCaselessText(QSqlDatabase &database, bool &has)
{
    const QString sql = QStringLiteral("SELECT count(*) FROM pg_extension WHERE extname = 'citext'");
    QSqlQuery query(database);
    if (!query.exec(sql) || !query.next())
        return Result::failure(engineText(query.lastError()), sql);
    has = query.value(0).toInt() > 0;
    return Result::success();
}

QString caseSensitiveColumnsSelect()
{
    return QStringLiteral(
               "SELECT c.relname::text, a.attname::text, a.attnum::integer FROM pg_attribute a "
               "JOIN pg_class c ON c.oid = a.attrelid JOIN pg_namespace n ON n.oid = c.relnamespace "
               "LEFT JOIN pg_collation k ON k.oid = a.attcollation "
               "WHERE n.nspname = current_schema() AND c.relkind IN ('r', 'p') AND a.attnum > 0 AND NOT a.attisdropped "
               "AND (format_type(a.atttypid, NULL) <> '%1' OR NOT coalesce(k.collisdeterministic, true))")
        .arg(kCaselessTextType);
}

void takeCaseSensitiveColumn(const QString &table, const QString &column, QMap<QString, QStringList> &columns)
{
    const TableDefinition *known = knownTable(table);
    if (known && isTextColumn(*known, column))
        columns[table] << column;
}

Result caseSensitiveColumns(QSqlDatabase &database, QMap<QString, QStringList> &columns)
{
    // Sent as it is, the type's name written in: nothing prepared and dropped.
    const QString sql = caseSensitiveColumnsSelect() + QStringLiteral(" ORDER BY 1, 3");
    QSqlQuery query(database);
    query.setForwardOnly(true);
    if (!query.exec(sql))
        return Result::failure(engineText(query.lastError()), sql);
    columns.clear();
    while (query.next())
        takeCaseSensitiveColumn(query.value(0).toString(), query.value(1).toString(), columns);
    return Result::success();
}

QStringList caselessColumnsSql(const QMap<QString, QStringList> &columns)
{
    QStringList statements;
    if (!columns.isEmpty())
        statements << kCreateCaselessTextSql;
    for (auto table = columns.begin(); table != columns.end(); ++table) {
        QStringList changes;
        for (const QString &column : table.value())
            changes << QStringLiteral("ALTER COLUMN \"%1\" TYPE %2 COLLATE \"default\"").arg(column, kCaselessTextType);
        // One statement a table: its rows are read once and its indexes made once.
        statements << QStringLiteral("ALTER TABLE \"%1\" %2").arg(table.key(), changes.join(QStringLiteral(", ")));
    }
    return statements;
}

Result caselessTextProblems(QSqlDatabase &database, QStringList &problems)
{
    bool has = false;
    if (Result read = hasCaselessText(database, has); !read)
        return read;
    if (!has) {
        problems << QStringLiteral("資料庫缺少不分大小寫的文字型別 citext:請資料庫的擁有者執行 CREATE EXTENSION citext,再開啟 vemo 一次");
        return Result::success();
    }
    QMap<QString, QStringList> columns;
    if (Result read = caseSensitiveColumns(database, columns); !read)
        return read;
    for (auto table = columns.begin(); table != columns.end(); ++table) {
        for (const QString &column : table.value())
            problems << QStringLiteral("資料表 %1 的欄位 %2 不是 citext,其他 SQL 工具的 LIKE 用不了或大小寫會被當成不同:開啟 vemo 一次即可轉換")
                            .arg(table.key().toUpper(), column);
    }
    return Result::success();
}
