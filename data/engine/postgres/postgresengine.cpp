#include "data/engine/postgres/postgresengine.h"

#include "data/engine/postgres/postgrescaseless.h"
#include "data/engine/postgres/postgreshistory.h"
#include "data/engine/postgres/postgreskeycount.h"

#include "data/enginetext.h"
#include "data/schema.h"

#include <QSqlError>
#include <QSqlQuery>


namespace {

Result queryFailure(const QSqlQuery &query, const QString &sql)
{
    return Result::failure(engineText(query.lastError()), sql);
}

Result readNames(QSqlDatabase &database, const QString &sql, QStringList &names)
{
    QSqlQuery query(database);
    query.setForwardOnly(true);
    if (!query.exec(sql))
        return queryFailure(query, sql);
    names.clear();
    while (query.next())
        names << query.value(0).toString();
    return Result::success();
}

} // namespace

QString PostgresEngine::driverName() const
{
    return QStringLiteral("QPSQL");
}

QString PostgresEngine::connectOptions() const
{
    // Set when connecting, so a new connection sends no statement of its own for them: a write held up
    // by another user's lock is told, not waited on for ever; the server's notices ("already exists,
    // skipping") are not the user's business; who writes goes with the connection for the history.
    return QStringLiteral("connect_timeout=10;options='-c lock_timeout=5s -c client_min_messages=warning %1'")
        .arg(postgresHistoryWriterSettings());
}

Result PostgresEngine::prepareConnection(QSqlDatabase &database) const
{
    Q_UNUSED(database)
    return Result::success();
}

QString PostgresEngine::beginWritingSql() const
{
    return QStringLiteral("BEGIN");
}

QString PostgresEngine::holdsExactlySql(const QString &quotedColumn, bool text) const
{
    return quotedColumn + (text ? QStringLiteral(" COLLATE \"C\" IS NOT DISTINCT FROM ?") : QStringLiteral(" IS NOT DISTINCT FROM ?"));
}

QString PostgresEngine::lockingReadSuffix() const
{
    return QStringLiteral(" FOR UPDATE");
}

bool PostgresEngine::sameText(const QString &, const QString &) const
{
    // Only texts the server holds are searched for, and it compared them as its columns compare.
    return true;
}

bool PostgresEngine::findsText(const QString &text) const
{
    return holdsText(text);
}

QString PostgresEngine::beginSnapshotSql() const
{
    return QStringLiteral("BEGIN ISOLATION LEVEL REPEATABLE READ READ ONLY");
}

QString PostgresEngine::quotedName(const QString &name) const
{
    QString quoted = name.toLower();
    return QLatin1Char('"') + quoted.replace(QLatin1Char('"'), QStringLiteral("\"\"")) + QLatin1Char('"');
}

QString PostgresEngine::rowIdentity() const
{
    return QStringLiteral("vemo_rowid");
}

QStringList PostgresEngine::stockLedgerSql() const
{
    return {
        QStringLiteral("CREATE TABLE IF NOT EXISTS stockledger (changedat %1, materielno %1, "
                       "oldinventory smallint, newinventory smallint, %2 bigint GENERATED ALWAYS AS IDENTITY PRIMARY KEY)")
            .arg(kCaselessTextType, rowIdentity()),
        QStringLiteral("CREATE INDEX IF NOT EXISTS stockledger_materielno ON stockledger (materielno)"),
        // Local time to the millisecond, as the file writes it, so the lines read alike on both engines.
        QStringLiteral("CREATE OR REPLACE FUNCTION vemo_stockledger_line() RETURNS trigger LANGUAGE plpgsql AS $$ BEGIN "
                       "INSERT INTO stockledger (changedat, materielno, oldinventory, newinventory) VALUES "
                       "(to_char(localtimestamp, 'YYYY-MM-DD HH24:MI:SS.MS'), NEW.materielno, OLD.inventory, NEW.inventory); "
                       "RETURN NULL; END $$"),
        QStringLiteral("CREATE OR REPLACE TRIGGER stockledger_inventory AFTER UPDATE OF inventory ON msf FOR EACH ROW "
                       "WHEN (OLD.inventory IS DISTINCT FROM NEW.inventory) EXECUTE FUNCTION vemo_stockledger_line()"),
    };
}

QStringList PostgresEngine::historySql(const QVector<TableDefinition> &tables) const
{
    return postgresHistorySql(kCaselessTextType, rowIdentity(), tables);
}

QStringList PostgresEngine::dropHistoryTriggersSql() const
{
    return postgresDropHistoryTriggersSql();
}

QStringList PostgresEngine::historyTriggerNames(const TableDefinition &table) const
{
    return {postgresHistoryTriggerName(table)};
}

Result PostgresEngine::storedTriggers(QSqlDatabase &database, QStringList &names) const
{
    return readNames(database,
                     QStringLiteral("SELECT t.tgname FROM pg_trigger t JOIN pg_class c ON c.oid = t.tgrelid "
                                    "JOIN pg_namespace n ON n.oid = c.relnamespace "
                                    "WHERE NOT t.tgisinternal AND n.nspname = current_schema()"),
                     names);
}

QString PostgresEngine::createTableSql(const TableDefinition &table) const
{
    QStringList columns;
    for (const ColumnDefinition &column : table.columns) {
        const QString name = quotedName(column.name);
        switch (column.type) {
        case ColumnType::Text:
            columns << name + QLatin1Char(' ') + kCaselessTextType;
            break;
        case ColumnType::WholeNumber:
            columns << name + QStringLiteral(" smallint");
            break;
        case ColumnType::Document:
            columns << name + QStringLiteral(" bytea");
            break;
        }
    }
    // The identity comes last, after every column the screens know.
    columns << rowIdentity() + QStringLiteral(" bigint GENERATED ALWAYS AS IDENTITY PRIMARY KEY");
    return QStringLiteral("CREATE TABLE %1 (%2)").arg(quotedName(table.name), columns.join(QStringLiteral(", ")));
}

QString PostgresEngine::createIndexSql(const TableDefinition &table, const ColumnDefinition &column) const
{
    return QStringLiteral("CREATE INDEX IF NOT EXISTS %1 ON %2 (%3)")
        .arg(quotedName(indexName(table, column)), quotedName(table.name), quotedName(column.name));
}

QString PostgresEngine::indexName(const TableDefinition &table, const ColumnDefinition &column) const
{
    return QStringLiteral("vemo_%1_%2").arg(table.name, column.name).toLower();
}

Result PostgresEngine::storedTables(QSqlDatabase &database, QStringList &names) const
{
    return readNames(database, QStringLiteral("SELECT tablename FROM pg_tables WHERE schemaname = current_schema()"),
                     names);
}

Result PostgresEngine::storedIndexes(QSqlDatabase &database, QStringList &names) const
{
    return readNames(database, QStringLiteral("SELECT indexname FROM pg_indexes WHERE schemaname = current_schema()"),
                     names);
}

namespace {

StoredColumn storedColumn(const QString &name, const QString &type)
{
    const bool wholeNumber =
        type == QLatin1String("smallint") || type == QLatin1String("integer") || type == QLatin1String("bigint");
    return StoredColumn{name, wholeNumber, type == QLatin1String("bytea"), type};
}

/// The columns the screens know of the schema's tables, the identity left out, in stored order.
QString columnsSql(const QString &rowIdentity, const QString &oneTable)
{
    return QStringLiteral("SELECT c.relname, a.attname, format_type(a.atttypid, NULL) FROM pg_attribute a "
                          "JOIN pg_class c ON c.oid = a.attrelid JOIN pg_namespace n ON n.oid = c.relnamespace "
                          "WHERE n.nspname = current_schema() AND c.relkind IN ('r', 'p') %1"
                          "AND a.attnum > 0 AND NOT a.attisdropped AND a.attname <> '%2' ORDER BY c.relname, a.attnum")
        .arg(oneTable.isNull() ? QString() : QStringLiteral("AND c.relname = ? "), rowIdentity);
}

} // namespace

Result PostgresEngine::storedColumns(QSqlDatabase &database, const QString &table,
                                     QVector<StoredColumn> &columns) const
{
    const QString sql = columnsSql(rowIdentity(), table.toLower());
    QSqlQuery query(database);
    query.setForwardOnly(true);
    if (!query.prepare(sql))
        return queryFailure(query, sql);
    query.addBindValue(table.toLower());
    if (!query.exec())
        return queryFailure(query, sql);
    columns.clear();
    while (query.next())
        columns << storedColumn(query.value(1).toString(), query.value(2).toString());
    return Result::success();
}

Result PostgresEngine::storedColumnsOfTables(QSqlDatabase &database,
                                             QHash<QString, QVector<StoredColumn>> &tables) const
{
    const QString sql = columnsSql(rowIdentity(), QString());
    QSqlQuery query(database);
    query.setForwardOnly(true);
    if (!query.exec(sql))
        return queryFailure(query, sql);
    tables.clear();
    while (query.next())
        tables[query.value(0).toString()] << storedColumn(query.value(1).toString(), query.value(2).toString());
    return Result::success();
}

QStringList PostgresEngine::ownTables() const
{
    return serverKeyCountTables();
}

Result PostgresEngine::readKeys(QSqlDatabase &database, const QString &table, Keyset &keys) const
{
    QVector<QVector<QVariant>> firstRows;
    return readServerKeys(database, table, QString(), {}, 0, keys, firstRows);
}

Result PostgresEngine::readKeysWithFirstRows(QSqlDatabase &database, const QString &table, const QString &rowColumns,
                                             const QStringList &firstRowOnly, int rows, Keyset &keys,
                                             QVector<QVector<QVariant>> &firstRows) const
{
    return readServerKeys(database, table, rowColumns, firstRowOnly, rows, keys, firstRows);
}

Result PostgresEngine::integrityProblems(QSqlDatabase &database, QStringList &problems) const
{
    return caselessTextProblems(database, problems);
}

QString PostgresEngine::keptRowCountsSql() const
{
    return serverKeptRowCountsStatement();
}
