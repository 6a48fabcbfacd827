#include "data/engine/postgres/postgresengine.h"

#include "data/engine/postgres/postgrescaseless.h"
#include "data/engine/postgres/postgreshistory.h"
#include "data/engine/postgres/postgreskeycount.h"

#include "data/enginetext.h"
#include "data/schema.h"
#include "data/tables/transaction.h"

#include <QRegularExpression>
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

/// Who the program is on the server and where it makes its tables, for a
/// refusal to tell the administrator what to grant; read before any statement
/// can fail, as a failed transaction answers nothing more.
QStringList roleAndSchema(QSqlDatabase &database)
{
    QSqlQuery query(database);
    // No schema on the search path gives NULL, and nothing to name.
    if (query.exec(QStringLiteral("SELECT current_user, current_schema()")) && query.next() && !query.isNull(1))
        return {query.value(0).toString(), query.value(1).toString()};
    return {};
}

/// The server's own text and its state, however the driver read the refusal (it names the state only sometimes).
QString serverTextWithState(const QSqlError &error)
{
    QString text = engineText(QString(), error.databaseText());
    const QString state = QStringLiteral("(%1)").arg(error.nativeErrorCode());
    if (text.endsWith(state))
        text.chop(state.size());
    return text.trimmed() + QLatin1Char(' ') + state;
}

/// A statement making the tables refused: what could not be made, and what the administrator must grant.
Result creationFailure(const QSqlQuery &query, const QString &sql, const QStringList &roleAndSchema)
{
    const QSqlError error = query.lastError();
    if (error.nativeErrorCode() != QLatin1String("42501") || roleAndSchema.size() != 2)
        return queryFailure(query, sql);
    // As GRANT must spell them: a name that is not plain lower case goes in double quotes.
    static const QRegularExpression plain(QStringLiteral("\\A[a-z_][a-z0-9_]*\\z"));
    const auto spelled = [](QString name) {
        return plain.match(name).hasMatch() ? name : QLatin1Char('"') + name.replace(QLatin1Char('"'), QStringLiteral("\"\"")) + QLatin1Char('"');
    };
    const QString role = spelled(roleAndSchema.at(0));
    const QString schema = spelled(roleAndSchema.at(1));
    return Result::failure(QStringLiteral("無法在資料庫伺服器上建立 vemo 的資料表:使用者 %1 沒有在結構描述 %2 建立資料表的權限。"
                                          "請資料庫管理員執行 GRANT CREATE ON SCHEMA %2 TO %1; 或把資料庫的擁有者改為 %1,再重新啟動程式。(%3)")
                               .arg(role, schema, serverTextWithState(error)),
                           sql);
}

/// Only the database's owner (or a superuser) may add the type, so the message says who can.
Result caselessTextRefused(const QSqlQuery &query)
{
    return Result::failure(QStringLiteral("無法在資料庫加入不分大小寫的文字型別 citext,請資料庫的擁有者執行 CREATE EXTENSION citext:")
                               + engineText(query.lastError()),
                           kCreateCaselessTextSql);
}

auto missingFrom(const QStringList &stored)
{
    return [&stored](const TableDefinition &table) { return !stored.contains(table.name, Qt::CaseInsensitive); };
}

} // namespace

Result PostgresEngine::createMissingSchema(QSqlDatabase &database) const
{
    SchemaState state;
    if (Result read = readSchemaState(database, state); !read)
        return read;
    if (std::none_of(schemaTables().begin(), schemaTables().end(), missingFrom(state.stored)) && state.uncounted.isEmpty()
        && state.caseSensitive.isEmpty())
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
    Result result = readSchemaState(database, state);
    QStringList statements;
    if (result)
        statements = missingSchemaSql(state);
    const QStringList creator = roleAndSchema(database);
    QSqlQuery query(database);
    for (const QString &statement : std::as_const(statements)) {
        if (!result)
            break;
        if (!query.exec(statement))
            result = statement == kCreateCaselessTextSql ? caselessTextRefused(query)
                                                         : creationFailure(query, statement, creator);
    }
    return transaction.end(result);
}

Result PostgresEngine::readSchemaState(QSqlDatabase &database, SchemaState &state) const
{
    if (Result read = storedTables(database, state.stored); !read)
        return read;
    if (Result read = caseSensitiveColumns(database, state.caseSensitive); !read)
        return read;
    return uncountedServerTables(database, state.uncounted);
}

QStringList PostgresEngine::missingSchemaSql(const SchemaState &state) const
{
    const auto missing = missingFrom(state.stored);
    const QStringList &uncounted = state.uncounted;
    // An older database's columns, made with a collation LIKE refuses, become the caseless type.
    QStringList statements = caselessColumnsSql(state.caseSensitive);
    if (statements.isEmpty() && std::any_of(schemaTables().begin(), schemaTables().end(), missing))
        statements << kCreateCaselessTextSql;
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
    if (std::any_of(schemaTables().begin(), schemaTables().end(), missing))
        statements << historySql(schemaTables());
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
