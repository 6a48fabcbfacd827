#include "data/engine/sqlite/sqlitehistory.h"

#include "data/engine.h"
#include "data/engine/sqlite/sqlitehandle.h"
#include "data/enginetext.h"
#include "data/schema.h"
#include "data/tables/history.h"

#include <QCryptographicHash>
#include <QSqlError>
#include <QSqlQuery>

#include <sqlite3.h>

namespace {

const char *const kActions[] = {"insert", "update", "delete"};

QString quoted(const QString &name)
{
    return QLatin1Char('"') + QString(name).replace(QLatin1Char('"'), QStringLiteral("\"\"")) + QLatin1Char('"');
}

QString literal(const QString &text)
{
    return QLatin1Char('\'') + QString(text).replace(QLatin1Char('\''), QStringLiteral("''")) + QLatin1Char('\'');
}

const ColumnDefinition *documentColumn(const TableDefinition &table)
{
    for (const ColumnDefinition &column : table.columns)
        if (column.type == ColumnType::Document)
            return &column;
    return nullptr;
}

/// An update that changes a stored byte; a change of case only counts.
QString changedCondition(const TableDefinition &table)
{
    QStringList changed;
    for (const ColumnDefinition &column : table.columns)
        changed << QStringLiteral("OLD.%1 IS NOT NEW.%1 COLLATE BINARY").arg(quoted(column.name));
    return changed.join(QStringLiteral(" OR "));
}

/// A document as the history shows it: its size, and its SHA-256 when the writer told it.
QString documentText(const QString &value, const QString &hash)
{
    return QStringLiteral("CASE WHEN %1 IS NULL THEN NULL ELSE length(CAST(%1 AS BLOB)) || ' 位元組' || "
                          "coalesce(',SHA-256 ' || (SELECT \"%2\" FROM \"vemo_writer\"), '') END")
        .arg(value, hash);
}

/// The values of one change of the table: what an insert wrote, what an update changed, what a delete removed.
QString valuesSql(const TableDefinition &table, const QString &action)
{
    QStringList selects;
    for (const ColumnDefinition &column : table.columns) {
        const QString oldValue = QStringLiteral("OLD.") + quoted(column.name);
        const QString newValue = QStringLiteral("NEW.") + quoted(column.name);
        const bool document = column.type == ColumnType::Document;
        QString values;
        if (action == QLatin1String("insert"))
            values = QStringLiteral("NULL, %1, NULL WHERE %2 IS NOT NULL")
                         .arg(document ? documentText(newValue, QStringLiteral("newhash")) : newValue, newValue);
        else if (action == QLatin1String("update"))
            values = document ? QStringLiteral("%1, %2, NULL WHERE %3 IS NOT %4")
                                    .arg(documentText(oldValue, QStringLiteral("oldhash")),
                                         documentText(newValue, QStringLiteral("newhash")), oldValue, newValue)
                              : QStringLiteral("%1, %2, NULL WHERE %1 IS NOT %2 COLLATE BINARY").arg(oldValue, newValue);
        else
            values = QStringLiteral("%1, NULL, %2 WHERE %3 IS NOT NULL")
                         .arg(document ? documentText(oldValue, QStringLiteral("oldhash")) : oldValue,
                              document ? oldValue : QStringLiteral("NULL"), oldValue);
        selects << QStringLiteral("SELECT (SELECT max(\"changeno\") FROM \"HISTORY\"), %1, %2, %3")
                       .arg(literal(column.name), QString::number(selects.size()), values);
    }
    return QStringLiteral("INSERT INTO \"HISTORYVALUE\" (\"changeno\", \"columnname\", \"columnno\", \"oldvalue\", \"newvalue\", \"document\") ")
         + selects.join(QStringLiteral(" UNION ALL "));
}

QString historyTriggerSql(const TableDefinition &table, const QString &action)
{
    const QString row = action == QLatin1String("delete") ? QStringLiteral("OLD") : QStringLiteral("NEW");
    const QString when = action == QLatin1String("update") ? QStringLiteral(" WHEN ") + changedCondition(table) : QString();
    // UTC to the millisecond; the line's number keeps the order of lines of one millisecond.
    const QString line = QStringLiteral(
        "INSERT INTO \"HISTORY\" (\"changedat\", \"username\", \"hostname\", \"program\", \"tablename\", \"rowkey\", \"action\") "
        "SELECT strftime('%Y-%m-%d %H:%M:%f', 'now'), w.\"username\", w.\"hostname\", w.\"program\", %1, %2.%3, %4 "
        "FROM (SELECT 1) LEFT JOIN \"vemo_writer\" w")
        .arg(literal(table.name), row, quoted(table.columns.constFirst().name), literal(action));
    return QStringLiteral("CREATE TRIGGER IF NOT EXISTS %1 AFTER %2 ON %3%4 BEGIN %5; %6; DELETE FROM \"vemo_writer\"; END")
        .arg(quoted(QStringLiteral("vemo_history_%1_%2").arg(table.name, action)), action.toUpper(), quoted(table.name),
             when, line, valuesSql(table, action));
}

QString writerTriggerSql(const TableDefinition &table, const QString &action, const HistoryWriter &writer)
{
    const ColumnDefinition *document = documentColumn(table);
    QString oldHash = QStringLiteral("NULL");
    QString newHash = QStringLiteral("NULL");
    if (document) {
        const QString name = quoted(document->name);
        const QString changed = action == QLatin1String("update") ? QStringLiteral("OLD.%1 IS NOT NEW.%1").arg(name)
                                                                  : QStringLiteral("1");
        if (action != QLatin1String("insert"))
            oldHash = QStringLiteral("CASE WHEN %1 THEN vemo_sha256(OLD.%2) END").arg(changed, name);
        if (action != QLatin1String("delete"))
            newHash = QStringLiteral("CASE WHEN %1 THEN vemo_sha256(NEW.%2) END").arg(changed, name);
    }
    const QString when = action == QLatin1String("update") ? QStringLiteral(" WHEN ") + changedCondition(table) : QString();
    return QStringLiteral("CREATE TEMP TRIGGER IF NOT EXISTS %1 BEFORE %2 ON main.%3%4 BEGIN "
                          "INSERT OR REPLACE INTO \"vemo_writer\" (\"slot\", \"username\", \"hostname\", \"program\", "
                          "\"oldhash\", \"newhash\") VALUES (1, %5, %6, %7, %8, %9); END")
        .arg(quoted(QStringLiteral("vemo_writer_%1_%2").arg(table.name, action)), action.toUpper(), quoted(table.name), when,
             literal(writer.user), literal(writer.host), literal(writer.program), oldHash, newHash);
}

void sha256Function(sqlite3_context *context, int, sqlite3_value **arguments)
{
    if (sqlite3_value_type(arguments[0]) == SQLITE_NULL) {
        sqlite3_result_null(context);
        return;
    }
    const void *bytes = sqlite3_value_blob(arguments[0]);
    const QByteArray hash = QCryptographicHash::hash(
        QByteArrayView(static_cast<const char *>(bytes), sqlite3_value_bytes(arguments[0])), QCryptographicHash::Sha256);
    const QByteArray hex = hash.toHex();
    sqlite3_result_text(context, hex.constData(), int(hex.size()), SQLITE_TRANSIENT);
}

} // namespace

QStringList sqliteHistorySql(const QVector<TableDefinition> &tables)
{
    QStringList statements{
        QStringLiteral("CREATE TABLE IF NOT EXISTS \"HISTORY\" (\"changeno\" INTEGER PRIMARY KEY, \"changedat\" TEXT, "
                       "\"loginrole\" TEXT, \"username\" TEXT COLLATE NOCASE, \"hostname\" TEXT, \"program\" TEXT, "
                       "\"tablename\" TEXT COLLATE NOCASE, \"rowkey\" TEXT COLLATE NOCASE, \"action\" TEXT)"),
        QStringLiteral("CREATE INDEX IF NOT EXISTS \"HISTORY_row\" ON \"HISTORY\" (\"tablename\", \"rowkey\")"),
        QStringLiteral("CREATE TABLE IF NOT EXISTS \"HISTORYVALUE\" (\"changeno\" INTEGER, \"columnname\" TEXT, \"columnno\" INTEGER, "
                       "\"oldvalue\" TEXT, \"newvalue\" TEXT, \"document\" BLOB)"),
        QStringLiteral("CREATE INDEX IF NOT EXISTS \"HISTORYVALUE_change\" ON \"HISTORYVALUE\" (\"changeno\")"),
        QStringLiteral("CREATE TABLE IF NOT EXISTS \"vemo_writer\" (\"slot\" INTEGER PRIMARY KEY, \"username\" TEXT, "
                       "\"hostname\" TEXT, \"program\" TEXT, \"oldhash\" TEXT, \"newhash\" TEXT)"),
        // A writer told while the triggers were away would be taken for the next outside client.
        QStringLiteral("DELETE FROM \"vemo_writer\""),
    };
    for (const TableDefinition &table : tables)
        for (const char *action : kActions)
            statements << historyTriggerSql(table, QString::fromLatin1(action));
    return statements;
}

QString sqliteHistoryWriterTable()
{
    return QStringLiteral("vemo_writer");
}

QStringList sqliteDropHistoryTriggersSql()
{
    QStringList statements;
    for (const TableDefinition &table : schemaTables())
        for (const QString &name : sqliteHistoryTriggerNames(table))
            statements << QStringLiteral("DROP TRIGGER IF EXISTS main.%1").arg(quoted(name));
    return statements;
}

QStringList sqliteHistoryTriggerNames(const TableDefinition &table)
{
    QStringList names;
    for (const char *action : kActions)
        names << QStringLiteral("vemo_history_%1_%2").arg(table.name, QString::fromLatin1(action));
    return names;
}

Result tellSqliteHistoryWriter(QSqlDatabase &database)
{
    sqlite3 *handle = sqliteHandleOf(database);
    if (!handle)
        return Result::failure(QStringLiteral("資料庫連線不是 SQLite 的連線,無法記錄修改的人。"));
    const int registered = sqlite3_create_function_v2(handle, "vemo_sha256", 1, SQLITE_UTF8 | SQLITE_DETERMINISTIC,
                                                      nullptr, &sha256Function, nullptr, nullptr, nullptr);
    if (registered != SQLITE_OK)
        return Result::failure(QString::fromUtf8(sqlite3_errmsg(handle)));
    QStringList triggers;
    if (Result read = sqliteEngine().storedTriggers(database, triggers); !read)
        return read;
    QSqlQuery query(database);
    for (const TableDefinition &table : schemaTables()) {
        // Only a table whose changes are recorded: its columns are the schema's.
        if (!triggers.contains(sqliteHistoryTriggerNames(table).constFirst()))
            continue;
        for (const char *action : kActions) {
            const QString sql = writerTriggerSql(table, QString::fromLatin1(action), HistoryWriter::ofThisProgram());
            if (!query.exec(sql))
                return Result::failure(engineText(query.lastError()), sql);
        }
    }
    return Result::success();
}
