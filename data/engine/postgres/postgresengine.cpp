#include "data/engine/postgres/postgresengine.h"

#include "data/engine/postgres/postgreskeycount.h"

#include "data/enginetext.h"
#include "data/schema.h"
#include "data/tables/transaction.h"

#include <QSqlError>
#include <QSqlQuery>

#include <algorithm>

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

auto missingFrom(const QStringList &stored)
{
    return [&stored](const TableDefinition &table) { return !stored.contains(table.name, Qt::CaseInsensitive); };
}

} // namespace

QString PostgresEngine::collationName()
{
    return QStringLiteral("vemo_nocase");
}

QString PostgresEngine::createCollationSql()
{
    // Secondary strength: letters and accents count, case does not.
    return QStringLiteral("CREATE COLLATION IF NOT EXISTS %1 "
                          "(provider = icu, locale = 'und-u-ks-level2', deterministic = false)")
        .arg(collationName());
}

Result PostgresEngine::createMissingSchema(QSqlDatabase &database) const
{
    QStringList stored;
    QStringList uncounted;
    if (Result read = readSchemaState(database, stored, uncounted); !read)
        return read;
    if (std::none_of(schemaTables().begin(), schemaTables().end(), missingFrom(stored)) && uncounted.isEmpty())
        return Result::success();

    Transaction transaction(database);
    if (Result begun = transaction.begin(Transaction::Kind::Writing); !begun)
        return begun;
    // Programs starting together make the tables one after the other.
    QSqlQuery lock(database);
    const QString lockSql = QStringLiteral("SELECT pg_advisory_xact_lock(hashtext('vemo schema'))");
    if (!lock.exec(lockSql))
        return transaction.end(queryFailure(lock, lockSql));
    // Another program may have made everything while this one waited.
    Result result = readSchemaState(database, stored, uncounted);
    QStringList statements;
    if (result)
        statements = missingSchemaSql(stored, uncounted);
    QSqlQuery query(database);
    for (const QString &statement : std::as_const(statements)) {
        if (!result)
            break;
        if (!query.exec(statement))
            result = queryFailure(query, statement);
    }
    return transaction.end(result);
}

Result PostgresEngine::readSchemaState(QSqlDatabase &database, QStringList &stored, QStringList &uncounted) const
{
    if (Result read = storedTables(database, stored); !read)
        return read;
    return uncountedServerTables(database, uncounted);
}

QStringList PostgresEngine::missingSchemaSql(const QStringList &stored, const QStringList &uncounted) const
{
    const auto missing = missingFrom(stored);
    QStringList statements;
    if (std::any_of(schemaTables().begin(), schemaTables().end(), missing))
        statements << createCollationSql();
    for (const TableDefinition &table : schemaTables()) {
        if (!missing(table))
            continue;
        statements << createTableSql(table);
        for (const ColumnDefinition &column : table.columns) {
            if (column.indexed)
                statements << createIndexSql(table, column);
        }
    }
    // A new database gets the stock ledger too, as a new file does; an existing one only when asked.
    if (std::all_of(schemaTables().begin(), schemaTables().end(), missing))
        statements << stockLedgerSql();
    if (!uncounted.isEmpty())
        statements << serverKeyCountSql();
    for (const QString &table : uncounted)
        statements << countServerTableSql(table);
    return statements;
}

QString PostgresEngine::driverName() const
{
    return QStringLiteral("QPSQL");
}

QString PostgresEngine::connectOptions() const
{
    // Set when connecting, so a new connection sends no statement of its own for them: a write held up
    // by another user's lock is told, not waited on for ever; the server's notices ("already exists,
    // skipping") are not the user's business.
    return QStringLiteral("connect_timeout=10;options='-c lock_timeout=5s -c client_min_messages=warning'");
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
        QStringLiteral("CREATE TABLE IF NOT EXISTS stockledger (changedat text, materielno text COLLATE %1, "
                       "oldinventory smallint, newinventory smallint, %2 bigint GENERATED ALWAYS AS IDENTITY PRIMARY KEY)")
            .arg(collationName(), rowIdentity()),
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

QString PostgresEngine::createTableSql(const TableDefinition &table) const
{
    QStringList columns;
    for (const ColumnDefinition &column : table.columns) {
        const QString name = quotedName(column.name);
        switch (column.type) {
        case ColumnType::Text:
            columns << name + QStringLiteral(" text COLLATE ") + collationName();
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
    return readServerKeys(database, table, keys);
}

Result PostgresEngine::integrityProblems(QSqlDatabase &database, QStringList &problems) const
{
    QStringList collations;
    const QString collation = QStringLiteral("SELECT collname FROM pg_collation WHERE NOT collisdeterministic");
    if (Result read = readNames(database, collation, collations); !read)
        return read;
    if (!collations.contains(collationName())) {
        problems << QStringLiteral("缺少不分大小寫的定序 %1").arg(collationName());
        return Result::success();
    }
    const QString sql = QStringLiteral("SELECT table_name, column_name FROM information_schema.columns "
                                       "WHERE table_schema = current_schema() AND data_type = 'text' "
                                       "AND coalesce(collation_name, '') <> ? ORDER BY table_name, ordinal_position");
    QSqlQuery query(database);
    query.setForwardOnly(true);
    if (!query.prepare(sql))
        return queryFailure(query, sql);
    query.addBindValue(collationName());
    if (!query.exec())
        return queryFailure(query, sql);
    while (query.next()) {
        const QString table = query.value(0).toString();
        if (schemaTable(table))
            problems << QStringLiteral("資料表 %1 的欄位 %2 不是用定序 %3 比較(大小寫會被當成不同)")
                            .arg(table.toUpper(), query.value(1).toString(), collationName());
    }
    return Result::success();
}

QString PostgresEngine::keptRowCountsSql() const
{
    return serverKeptRowCountsStatement();
}
