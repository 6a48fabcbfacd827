#include "data/engine/sqlite/sqliteengine.h"

#include "data/schema.h"

#include <QSqlDatabase>
#include <QSqlDriver>

#include <sqlite3.h>

#include <memory>

namespace {

using StatementHandle = std::unique_ptr<sqlite3_stmt, decltype(&sqlite3_finalize)>;

sqlite3 *connectionOf(const QSqlDatabase &database)
{
    const QVariant handle = database.driver()->handle();
    if (qstrcmp(handle.typeName(), "sqlite3*") != 0)
        return nullptr;
    return *static_cast<sqlite3 *const *>(handle.constData());
}

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

} // namespace

Result SqliteEngine::readStoredRows(QSqlDatabase &database, const TableDefinition &table,
                                    const StoredRowTaker &take) const
{
    sqlite3 *connection = connectionOf(database);
    if (!connection)
        return Result::failure(QStringLiteral("資料庫連線不是 SQLite 的連線,無法直接讀取。"));
    QStringList columns;
    for (const ColumnDefinition &column : table.columns)
        columns << quotedName(column.name);
    const QString sql =
        QStringLiteral("SELECT %1 FROM %2 ORDER BY %3").arg(columns.join(QLatin1Char(',')), quotedName(table.name), rowIdentity());
    sqlite3_stmt *raw = nullptr;
    if (sqlite3_prepare_v2(connection, sql.toUtf8().constData(), -1, &raw, nullptr) != SQLITE_OK)
        return Result::failure(QString::fromUtf8(sqlite3_errmsg(connection)), sql);
    StatementHandle statement(raw, &sqlite3_finalize);
    const SqliteStoredRow row(raw, table);
    int step = SQLITE_ROW;
    while ((step = sqlite3_step(raw)) == SQLITE_ROW) {
        if (Result taken = take(row); !taken)
            return taken;
    }
    if (step != SQLITE_DONE)
        return Result::failure(QString::fromUtf8(sqlite3_errmsg(connection)), sql);
    return Result::success();
}
