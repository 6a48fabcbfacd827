#include "data/engine/sqlite/sqliteengine.h"
#include "data/engine/sqlite/sqlitehandle.h"

#include "data/schema.h"

#include <QSqlDatabase>

#include <sqlite3.h>

#include <memory>

namespace {

using StatementHandle = std::unique_ptr<sqlite3_stmt, decltype(&sqlite3_finalize)>;

/// The statement's current row, its values read straight from SQLite.
class SqliteStoredRow : public StoredRow
{
public:
    SqliteStoredRow(sqlite3_stmt *statement, const TableDefinition &table) : m_statement(statement), m_table(table) {}

    bool isNull(int column) const override { return sqlite3_column_type(m_statement, column) == SQLITE_NULL; }
    QByteArrayView bytes(int column) const override
    {
        // The pointer is asked before the size, as SQLite converts the value in the first call.
        const void *data = m_table.columns.at(column).type == ColumnType::Document
                             ? sqlite3_column_blob(m_statement, column)
                             : static_cast<const void *>(sqlite3_column_text(m_statement, column));
        return QByteArrayView(static_cast<const char *>(data), sqlite3_column_bytes(m_statement, column));
    }

private:
    sqlite3_stmt *m_statement;
    const TableDefinition &m_table;
};

int bindWholeNumber(sqlite3_stmt *insert, int place, QByteArrayView digits)
{
    bool whole = false;
    const qlonglong number = digits.toLongLong(&whole);
    return whole ? sqlite3_bind_int64(insert, place, number) : SQLITE_MISMATCH;
}

/// Binds one row's values to the insert: a text as text, a whole number as
/// one, a document as bytes, an empty document as an empty blob rather than none.
int bindRow(sqlite3_stmt *insert, const StoredRow &row, const TableDefinition &table)
{
    int bound = SQLITE_OK;
    for (int column = 0; column < table.columns.size() && bound == SQLITE_OK; ++column) {
        const int place = column + 1;
        const QByteArrayView bytes = row.bytes(column);
        const ColumnType type = table.columns.at(column).type;
        if (row.isNull(column))
            bound = sqlite3_bind_null(insert, place);
        else if (type == ColumnType::WholeNumber)
            bound = bindWholeNumber(insert, place, bytes);
        else if (type == ColumnType::Document && bytes.isEmpty())
            bound = sqlite3_bind_zeroblob(insert, place, 0);
        else if (type == ColumnType::Document)
            bound = sqlite3_bind_blob64(insert, place, bytes.data(), sqlite3_uint64(bytes.size()), SQLITE_STATIC);
        else
            bound = sqlite3_bind_text64(insert, place, bytes.data(), sqlite3_uint64(bytes.size()), SQLITE_STATIC, SQLITE_UTF8);
    }
    return bound;
}

} // namespace

Result SqliteEngine::readStoredRows(QSqlDatabase &database, const TableDefinition &table,
                                    const StoredRowTaker &take) const
{
    sqlite3 *connection = sqliteHandleOf(database);
    if (!connection)
        return Result::failure(QStringLiteral("資料庫連線不是 SQLite 的連線,無法直接讀取。"));
    QStringList columns;
    for (const ColumnDefinition &column : table.columns)
        columns << quotedName(column.name);
    const QString sql =
        QStringLiteral("SELECT %1 FROM %2 ORDER BY %3").arg(columns.join(QLatin1Char(',')), quotedName(table.name), rowIdentity());
    sqlite3_stmt *raw = nullptr;
    if (sqlite3_prepare_v2(connection, sql.toUtf8().constData(), -1, &raw, nullptr) != SQLITE_OK)
        return sqliteFailure(connection, sql);
    StatementHandle statement(raw, &sqlite3_finalize);
    const SqliteStoredRow row(raw, table);
    int step = SQLITE_ROW;
    while ((step = sqlite3_step(raw)) == SQLITE_ROW) {
        if (Result taken = take(row); !taken)
            return taken;
    }
    if (step != SQLITE_DONE)
        return sqliteFailure(connection, sql);
    return Result::success();
}

Result SqliteEngine::appendStoredRows(QSqlDatabase &database, const TableDefinition &table,
                                      const StoredRowReading &read, qint64 &added) const
{
    sqlite3 *connection = sqliteHandleOf(database);
    if (!connection)
        return Result::failure(QStringLiteral("資料庫連線不是 SQLite 的連線,無法直接寫入。"));
    QStringList columns;
    for (const ColumnDefinition &column : table.columns)
        columns << quotedName(column.name);
    const QString sql = QStringLiteral("INSERT INTO %1 (%2) VALUES (%3)")
                            .arg(quotedName(table.name), columns.join(QStringLiteral(", ")),
                                 QStringList(columns.size(), QStringLiteral("?")).join(QStringLiteral(", ")));
    sqlite3_stmt *raw = nullptr;
    if (sqlite3_prepare_v2(connection, sql.toUtf8().constData(), -1, &raw, nullptr) != SQLITE_OK)
        return sqliteFailure(connection, sql);
    StatementHandle insert(raw, &sqlite3_finalize);
    added = 0;
    return read([&](const StoredRow &row) {
        const int bound = bindRow(raw, row, table);
        if (bound == SQLITE_MISMATCH)
            return Result::failure(QStringLiteral("資料表 %1 的一筆資料的整數欄位不是整數,無法寫入。").arg(table.name));
        const bool inserted = bound == SQLITE_OK && sqlite3_step(raw) == SQLITE_DONE;
        const Result outcome = inserted ? Result::success() : sqliteFailure(connection, sql);
        if (inserted && sqlite3_changes(connection) != 1)
            return Result::failure(QStringLiteral("寫入資料表 %1 的一筆資料改到了 %2 筆。")
                                       .arg(table.name, QString::number(sqlite3_changes(connection))));
        sqlite3_reset(raw);
        sqlite3_clear_bindings(raw);
        added += inserted ? 1 : 0;
        return outcome;
    });
}
