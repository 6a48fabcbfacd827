#include "data/engine/postgres/postgresengine.h"
#include "data/engine/postgres/postgreshistory.h"
#include "data/tables/history.h"
#include "data/enginetext.h"

#include "data/schema.h"

#include <QSqlDatabase>
#include <QSqlDriver>

#include <libpq-fe.h>

#include <algorithm>
#include <memory>

namespace {

// Bytes gathered before they are handed to the connection.
constexpr qsizetype kSendBytes = 1 << 20;

using ResultHandle = std::unique_ptr<PGresult, decltype(&PQclear)>;

/// A text in COPY's text format: its backslash, tab and line ends escaped.
void appendText(QByteArray &out, QByteArrayView utf8)
{
    const auto escaped = [](char byte) { return byte == '\\' || byte == '\t' || byte == '\n' || byte == '\r'; };
    if (std::none_of(utf8.begin(), utf8.end(), escaped)) {
        out.append(utf8);
        return;
    }
    for (const char byte : utf8) {
        switch (byte) {
        case '\\': out += "\\\\"; break;
        case '\t': out += "\\t"; break;
        case '\n': out += "\\n"; break;
        case '\r': out += "\\r"; break;
        default: out += byte;
        }
    }
}

/// One row as COPY reads it: a document in bytea's hex form, so its bytes
/// are never read as escapes; a whole number as the text the engine parses.
void appendRow(QByteArray &out, const StoredRow &row, const TableDefinition &table)
{
    for (int column = 0; column < table.columns.size(); ++column) {
        if (column > 0)
            out += '\t';
        if (row.isNull(column)) {
            out += "\\N";
        } else if (table.columns.at(column).type == ColumnType::Document) {
            out += "\\\\x";
            out += row.bytes(column).toByteArray().toHex();
        } else {
            appendText(out, row.bytes(column));
        }
    }
    out += '\n';
}

QString errorOf(PGconn *connection, const PGresult *result)
{
    const char *primary = result ? PQresultErrorField(result, PG_DIAG_MESSAGE_PRIMARY) : nullptr;
    const char *state = result ? PQresultErrorField(result, PG_DIAG_SQLSTATE) : nullptr;
    return engineText(QString::fromLatin1(state), QString::fromUtf8(primary ? primary : PQerrorMessage(connection)));
}

/// Ends the COPY under way and reads its outcome: the rows it added.
Result finishCopy(PGconn *connection, const char *failure, qint64 &added)
{
    if (PQputCopyEnd(connection, failure) != 1)
        return Result::failure(errorOf(connection, nullptr));
    Result outcome = Result::success();
    while (PGresult *raw = PQgetResult(connection)) {
        ResultHandle result(raw, &PQclear);
        if (PQresultStatus(raw) == PGRES_COMMAND_OK)
            added = QByteArray(PQcmdTuples(raw)).toLongLong();
        else if (outcome)
            outcome = Result::failure(errorOf(connection, raw));
    }
    return outcome;
}

PGconn *connectionOf(QSqlDatabase &database)
{
    const QVariant handle = database.driver()->handle();
    if (qstrcmp(handle.typeName(), "pg_conn*") != 0 && qstrcmp(handle.typeName(), "PGconn*") != 0)
        return nullptr;
    return *static_cast<PGconn *const *>(handle.constData());
}

/// A text read back from COPY's text format into its bytes.
void unescapeText(QByteArrayView field, QByteArray &out)
{
    out.resize(0);
    for (qsizetype i = 0; i < field.size(); ++i) {
        char byte = field.at(i);
        if (byte == '\\' && i + 1 < field.size()) {
            switch (byte = field.at(++i)) {
            case 'b': byte = '\b'; break;
            case 'f': byte = '\f'; break;
            case 'n': byte = '\n'; break;
            case 'r': byte = '\r'; break;
            case 't': byte = '\t'; break;
            case 'v': byte = '\v'; break;
            default: break;
            }
        }
        out += byte;
    }
}

/// One line of COPY's text format taken apart into its values: views into
/// the line where a value has no escape, decoded bytes where it has.
class CopiedRow : public StoredRow
{
public:
    explicit CopiedRow(const TableDefinition &table)
        : m_table(table), m_values(table.columns.size()), m_nulls(table.columns.size()), m_decoded(table.columns.size())
    {
    }

    bool isNull(int column) const override { return m_nulls.at(column); }
    QByteArrayView bytes(int column) const override { return m_values.at(column); }

    /// Whether the line held one value for each column.
    bool take(QByteArrayView line)
    {
        if (line.endsWith('\n'))
            line.chop(1);
        int column = 0;
        qsizetype start = 0;
        for (; column < m_values.size() && start <= line.size(); ++column) {
            qsizetype end = line.indexOf('\t', start);
            if (end < 0)
                end = line.size();
            takeValue(column, line.sliced(start, end - start));
            start = end + 1;
        }
        return column == m_values.size() && start == line.size() + 1;
    }

private:
    void takeValue(int column, QByteArrayView field)
    {
        m_nulls[column] = field == "\\N";
        if (m_table.columns.at(column).type == ColumnType::Document) {
            m_decoded[column] = QByteArray::fromHex(field.toByteArray());
            m_values[column] = m_decoded.at(column);
        } else if (field.contains('\\')) {
            unescapeText(field, m_decoded[column]);
            m_values[column] = m_decoded.at(column);
        } else {
            m_values[column] = field;
        }
    }

    const TableDefinition &m_table;
    QVector<QByteArrayView> m_values;
    QVector<bool> m_nulls;
    QVector<QByteArray> m_decoded;
};

/// Reads what is left of a COPY out, so the connection is free again, and its outcome.
Result drainCopy(PGconn *connection)
{
    char *line = nullptr;
    while (PQgetCopyData(connection, &line, 0) > 0)
        PQfreemem(line);
    Result outcome = Result::success();
    while (PGresult *raw = PQgetResult(connection)) {
        ResultHandle result(raw, &PQclear);
        if (PQresultStatus(raw) != PGRES_COMMAND_OK && outcome)
            outcome = Result::failure(errorOf(connection, raw));
    }
    return outcome;
}

} // namespace

Result PostgresEngine::appendStoredRows(QSqlDatabase &database, const TableDefinition &table,
                                        const StoredRowReading &read, qint64 &added) const
{
    PGconn *connection = connectionOf(database);
    if (!connection)
        return Result::failure(QStringLiteral("資料庫連線不是 PostgreSQL 的連線,無法大量寫入。"));
    QStringList columns;
    for (const ColumnDefinition &column : table.columns)
        columns << quotedName(column.name);
    const QString sql = QStringLiteral("COPY %1 (%2) FROM STDIN").arg(quotedName(table.name), columns.join(QStringLiteral(", ")));
    ResultHandle started(PQexec(connection, sql.toUtf8().constData()), &PQclear);
    if (PQresultStatus(started.get()) != PGRES_COPY_IN)
        return Result::failure(errorOf(connection, started.get()), sql);
    QByteArray buffer;
    buffer.reserve(2 * kSendBytes);
    const auto send = [&] {
        const bool sent = buffer.isEmpty() || PQputCopyData(connection, buffer.constData(), int(buffer.size())) == 1;
        buffer.resize(0);
        return sent ? Result::success() : Result::failure(errorOf(connection, nullptr), sql);
    };
    Result sent = read([&](const StoredRow &row) {
        appendRow(buffer, row, table);
        return buffer.size() >= kSendBytes ? send() : Result::success();
    });
    if (sent)
        sent = send();
    added = -1;
    // A COPY ended with a failure adds none of its rows.
    const Result finished = finishCopy(connection, sent ? nullptr : "read failed", added);
    if (!sent)
        return sent;
    if (!finished || table.name.compare(kHistoryTable, Qt::CaseInsensitive) != 0)
        return finished;
    // The next change is numbered after the copied ones.
    const QString numbers = postgresHistoryNumbersAfterCopySql();
    ResultHandle moved(PQexec(connection, numbers.toUtf8().constData()), &PQclear);
    return PQresultStatus(moved.get()) == PGRES_TUPLES_OK ? finished : Result::failure(errorOf(connection, moved.get()), numbers);
}

Result PostgresEngine::readStoredRows(QSqlDatabase &database, const TableDefinition &table,
                                      const StoredRowTaker &take) const
{
    PGconn *connection = connectionOf(database);
    if (!connection)
        return Result::failure(QStringLiteral("資料庫連線不是 PostgreSQL 的連線,無法直接讀取。"));
    QStringList columns;
    for (const ColumnDefinition &column : table.columns) {
        // Documents as plain hex digits, which COPY's text format leaves unescaped.
        columns << (column.type == ColumnType::Document ? QStringLiteral("encode(%1, 'hex')").arg(quotedName(column.name))
                                                        : quotedName(column.name));
    }
    const QString sql = QStringLiteral("COPY (SELECT %1 FROM %2 ORDER BY %3) TO STDOUT")
                            .arg(columns.join(QStringLiteral(", ")), quotedName(table.name), rowIdentity());
    ResultHandle started(PQexec(connection, sql.toUtf8().constData()), &PQclear);
    if (PQresultStatus(started.get()) != PGRES_COPY_OUT)
        return Result::failure(errorOf(connection, started.get()), sql);
    CopiedRow row(table);
    Result taken = Result::success();
    char *line = nullptr;
    int length = 0;
    while (taken && (length = PQgetCopyData(connection, &line, 0)) > 0) {
        if (!row.take(QByteArrayView(line, length)))
            taken = Result::failure(QStringLiteral("伺服器送來的一筆資料表 %1 的資料欄位數不對。").arg(table.name), sql);
        else
            taken = take(row);
        PQfreemem(line);
    }
    const Result drained = drainCopy(connection);
    if (!taken)
        return taken;
    if (length == -2)
        return Result::failure(errorOf(connection, nullptr), sql);
    return drained;
}
