#include "data/tables/history.h"

#include "data/engine.h"
#include "data/enginetext.h"
#include "data/tables/transaction.h"

#include <QSqlError>
#include <QSqlQuery>

#include <algorithm>

namespace {

Result failed(const QSqlQuery &query, const QString &sql)
{
    return Result::failure(engineText(query.lastError()), sql);
}

Result readDeletedOf(const QSqlDatabase &database, const TableDefinition &table, QVector<HistoryLine> &deletes)
{
    const Engine &stored = engine(database);
    const QString history = stored.quotedName(kHistoryTable);
    const QString sql = QStringLiteral(
        "SELECT %1 FROM %2 h WHERE h.tablename = ? AND h.action = 'delete' "
        "AND h.changeno = (SELECT max(d.changeno) FROM %2 d WHERE d.tablename = h.tablename AND d.rowkey = h.rowkey "
        "AND d.action = 'delete') AND NOT EXISTS (SELECT 1 FROM %3 r WHERE r.%4 = h.rowkey)")
                            .arg(historyLineColumns(), history, stored.quotedName(table.name),
                                 stored.quotedName(table.columns.constFirst().name));
    QSqlQuery query(database);
    query.setForwardOnly(true);
    if (!query.prepare(sql))
        return failed(query, sql);
    query.addBindValue(table.name);
    if (!query.exec())
        return failed(query, sql);
    while (query.next())
        deletes << historyLineOf(query);
    return query.lastError().isValid() ? failed(query, sql) : Result::success();
}

Result countRowsWithKey(QSqlDatabase &database, const TableDefinition &table, const QString &key, qint64 &rows)
{
    const Engine &stored = engine(database);
    const QString sql = QStringLiteral("SELECT count(*) FROM %1 WHERE %2 = ?")
                            .arg(stored.quotedName(table.name), stored.quotedName(table.columns.constFirst().name));
    QSqlQuery query(database);
    if (!query.prepare(sql))
        return failed(query, sql);
    query.addBindValue(key);
    if (!query.exec() || !query.next())
        return failed(query, sql);
    rows = query.value(0).toLongLong();
    return Result::success();
}

/// The last delete of the key, or a line without a change number when none is kept.
Result readLastDelete(QSqlDatabase &database, const TableDefinition &table, const QString &key, HistoryLine &deleted)
{
    const QString sql = QStringLiteral("SELECT %1 FROM %2 h WHERE h.tablename = ? AND h.rowkey = ? AND h.action = 'delete' "
                                       "ORDER BY h.changeno DESC")
                            .arg(historyLineColumns(), engine(database).quotedName(kHistoryTable));
    QSqlQuery query(database);
    query.setForwardOnly(true);
    if (!query.prepare(sql))
        return failed(query, sql);
    query.addBindValue(table.name);
    query.addBindValue(key);
    if (!query.exec())
        return failed(query, sql);
    deleted = query.next() ? historyLineOf(query) : HistoryLine();
    return query.lastError().isValid() ? failed(query, sql) : Result::success();
}

/// Adds the row as the delete kept it: each column's stored text, whole number or document bytes.
Result writeBack(QSqlDatabase &database, const TableDefinition &table, qint64 change)
{
    const Engine &stored = engine(database);
    QStringList columns;
    QStringList values;
    for (const ColumnDefinition &column : table.columns) {
        const QString kept = QStringLiteral("(SELECT %1 FROM %2 WHERE changeno = ? AND columnname = ?)")
                                 .arg(column.type == ColumnType::Document ? QStringLiteral("document") : QStringLiteral("oldvalue"),
                                      stored.quotedName(kHistoryValueTable));
        columns << stored.quotedName(column.name);
        values << (column.type == ColumnType::WholeNumber ? QStringLiteral("CAST(%1 AS smallint)").arg(kept) : kept);
    }
    const QString sql = QStringLiteral("INSERT INTO %1 (%2) VALUES (%3)")
                            .arg(stored.quotedName(table.name), columns.join(QStringLiteral(", ")), values.join(QStringLiteral(", ")));
    QSqlQuery query(database);
    if (!query.prepare(sql))
        return failed(query, sql);
    for (const ColumnDefinition &column : table.columns) {
        query.addBindValue(change);
        query.addBindValue(column.name);
    }
    if (!query.exec())
        return failed(query, sql);
    if (query.numRowsAffected() != 1)
        return Result::failure(QStringLiteral("資料庫加了 %1 筆資料,不是 1 筆;沒有還原。").arg(query.numRowsAffected()), sql);
    return Result::success();
}

} // namespace

Result readDeletedRows(const QSqlDatabase &database, const QString &table, QVector<HistoryLine> &deletes)
{
    deletes.clear();
    for (const TableDefinition &candidate : schemaTables()) {
        if (!table.isEmpty() && candidate.name.compare(table, Qt::CaseInsensitive) != 0)
            continue;
        if (Result read = readDeletedOf(database, candidate, deletes); !read)
            return read;
    }
    std::sort(deletes.begin(), deletes.end(), [](const HistoryLine &a, const HistoryLine &b) { return a.change > b.change; });
    return Result::success();
}

Result undeleteRow(QSqlDatabase &database, const TableDefinition &table, const QString &key, HistoryLine &deleted)
{
    Transaction transaction(database);
    if (Result begun = transaction.begin(Transaction::Kind::Writing); !begun)
        return begun;
    qint64 existing = 0;
    Result result = countRowsWithKey(database, table, key, existing);
    if (result && existing > 0)
        result = Result::failure(QStringLiteral("資料表 %1 現在已經有鍵值「%2」的資料,刪除的那一筆沒有還原;"
                                                "要還原它,請先把現有那筆改用別的鍵值或刪除。")
                                     .arg(table.name, key));
    if (result)
        result = readLastDelete(database, table, key, deleted);
    if (result && deleted.change == 0)
        result = Result::failure(QStringLiteral("變更記錄裡沒有資料表 %1 鍵值「%2」被刪除的資料,沒有東西可以還原。").arg(table.name, key));
    if (result)
        result = writeBack(database, table, deleted.change);
    if (result && (result = countRowsWithKey(database, table, key, existing)) && existing != 1)
        result = Result::failure(QStringLiteral("還原後資料表 %1 有 %2 筆鍵值「%3」的資料,不是 1 筆;沒有還原。")
                                     .arg(table.name, QString::number(existing), key));
    return transaction.end(result);
}
