#include "data/engine/postgres/postgresengine.h"

#include "data/engine/postgres/postgrescaseless.h"
#include "data/engine/postgres/postgreskeycount.h"

#include "data/enginetext.h"
#include "data/schema.h"
#include "data/tables/transaction.h"

#include <QRegularExpression>
#include <QSqlError>
#include <QSqlQuery>

#include <algorithm>

// Making what the server lacks of the schema: the tables, their indexes and
// counts, the caseless text type and the history, read in one round trip
// and made in one transaction, one program at a time.

namespace {

Result queryFailure(const QSqlQuery &query, const QString &sql)
{
    return Result::failure(engineText(query.lastError()), sql);
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
    // The tables, the columns to make caseless and the triggers, in one round trip at every start.
    const QString sql = QStringLiteral("SELECT 'table', tablename::text, NULL::text, 0 FROM pg_tables "
                                       "WHERE schemaname = current_schema() "
                                       "UNION ALL SELECT 'column', caseless.* FROM (%1) AS caseless "
                                       "UNION ALL SELECT 'trigger', triggers.tgname, NULL::text, 0 FROM (%2) AS triggers "
                                       "ORDER BY 1, 2, 4")
                            .arg(caseSensitiveColumnsSelect(), serverTriggersSelect());
    QSqlQuery query(database);
    query.setForwardOnly(true);
    if (!query.exec(sql))
        return queryFailure(query, sql);
    state = SchemaState();
    QStringList triggers;
    while (query.next()) {
        const QString kind = query.value(0).toString();
        const QString name = query.value(1).toString();
        if (kind == QLatin1String("table"))
            state.stored << name;
        else if (kind == QLatin1String("column"))
            takeCaseSensitiveColumn(name, query.value(2).toString(), state.caseSensitive);
        else
            triggers << name;
    }
    state.uncounted = uncountedAmong(triggers);
    return Result::success();
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

