#include "data/tables/databasecheck.h"

#include "data/records/document.h"
#include "data/engine.h"
#include "data/enginetext.h"
#include "data/schema.h"
#include "data/tables/history.h"
#include "data/tables/tablereading.h"

#include <QHash>

#include <algorithm>
#include <QSqlError>
#include <QSqlQuery>

namespace {

ColumnType storedType(const StoredColumn &column)
{
    return column.document ? ColumnType::Document : column.wholeNumber ? ColumnType::WholeNumber : ColumnType::Text;
}

/// Checks the columns' names and types; the names of those the table holds as the schema has them.
QStringList checkColumns(QSqlDatabase &database, const TableDefinition &table, QStringList &problems)
{
    QVector<StoredColumn> stored;
    QStringList sound;
    if (Result read = engine(database).storedColumns(database, table.name, stored); !read) {
        problems << QStringLiteral("無法讀取資料表 %1 的欄位:%2").arg(table.name, read.message());
        return sound;
    }
    for (const ColumnDefinition &column : table.columns) {
        const auto found = std::find_if(stored.cbegin(), stored.cend(), [&column](const StoredColumn &candidate) {
            return candidate.name.compare(column.name, Qt::CaseInsensitive) == 0;
        });
        if (found == stored.cend())
            problems << QStringLiteral("資料表 %1 缺少欄位 %2").arg(table.name, column.name);
        else if (storedType(*found) != column.type)
            problems << QStringLiteral("資料表 %1 的欄位 %2 是%3,應該是%4")
                            .arg(table.name, column.name, columnTypeName(storedType(*found)), columnTypeName(column.type));
        else
            sound << column.name;
    }
    return sound;
}

void checkIndexes(QSqlDatabase &database, const TableDefinition &table, const QStringList &indexes, QStringList &problems)
{
    for (const ColumnDefinition &column : table.columns) {
        if (column.indexed && !indexes.contains(engine(database).indexName(table, column), Qt::CaseInsensitive))
            problems << QStringLiteral("資料表 %1 的欄位 %2 缺少索引(搜尋會變慢)").arg(table.name, column.name);
    }
}

void checkKeptCounts(QSqlDatabase &database, const QStringList &tables, QStringList &problems)
{
    const QString sql = engine(database).keptRowCountsSql();
    if (sql.isEmpty() || !tables.contains(engine(database).ownTables().value(0), Qt::CaseInsensitive))
        return;
    QSqlQuery query(database);
    query.setForwardOnly(true);
    if (!query.exec(sql)) {
        problems << QStringLiteral("無法讀取記下的筆數:%1").arg(engineText(query.lastError()));
        return;
    }
    QHash<QString, qint64> kept;
    while (query.next())
        kept.insert(query.value(0).toString().toLower(), query.value(1).toLongLong());
    for (const TableDefinition &table : schemaTables()) {
        qint64 rows = 0;
        const auto count = kept.constFind(table.name.toLower());
        if (count == kept.cend() || !tables.contains(table.name, Qt::CaseInsensitive))
            continue;
        if (Result counted = countTableRows(database, table.name, rows); !counted)
            problems << QStringLiteral("無法計算資料表 %1 的筆數:%2").arg(table.name, counted.message());
        else if (rows != *count)
            problems << QStringLiteral("資料表 %1 記下的筆數是 %2,實際有 %3 筆")
                            .arg(table.name, QString::number(*count), QString::number(rows));
    }
}

void checkDocuments(const QSqlDatabase &database, const TableDefinition &table, const ColumnDefinition &column,
                    QStringList &problems)
{
    const QString key = table.columns.constFirst().name;
    TableReading reading;
    if (Result started = reading.start(database, table.name, {key, column.name}); !started) {
        problems << QStringLiteral("無法讀取 %1.%2:%3").arg(table.name, column.name, started.message());
        return;
    }
    for (qint64 row = 1; reading.next(); ++row) {
        const Document document = Document::fromStored(reading.value(1));
        QByteArray content;
        if (document.isEmpty())
            continue;
        if (Result read = document.readContent(&content); !read)
            problems << QStringLiteral("%1 第 %2 筆 (%3 = %4) 的文件 %5 讀不出來:%6")
                            .arg(table.name, QString::number(row), key, reading.value(0).toString(), column.name,
                                 read.message());
    }
    if (Result finished = reading.finish(); !finished)
        problems << QStringLiteral("無法讀完 %1.%2:%3").arg(table.name, column.name, finished.message());
}

} // namespace

QStringList databaseProblems(QSqlDatabase &database)
{
    QStringList problems;
    QStringList tables;
    QStringList indexes;
    const Engine &stored = engine(database);
    if (Result checked = stored.integrityProblems(database, problems); !checked)
        problems << QStringLiteral("資料庫本身的檢查無法進行:%1").arg(checked.message());
    if (Result read = stored.storedTables(database, tables); !read)
        return problems << QStringLiteral("無法讀取資料表的清單:%1").arg(read.message());
    if (Result read = stored.storedIndexes(database, indexes); !read)
        problems << QStringLiteral("無法讀取索引的清單:%1").arg(read.message());
    for (const TableDefinition &table : schemaTables()) {
        if (!tables.contains(table.name, Qt::CaseInsensitive)) {
            problems << QStringLiteral("缺少資料表 %1").arg(table.name);
            continue;
        }
        const QStringList sound = checkColumns(database, table, problems);
        checkIndexes(database, table, indexes, problems);
        for (const ColumnDefinition &column : table.columns) {
            if (column.type == ColumnType::Document && sound.contains(column.name) && sound.contains(table.columns.constFirst().name))
                checkDocuments(database, table, column, problems);
        }
    }
    checkKeptCounts(database, tables, problems);
    return problems << historyProblems(database);
}
