#include "data/engine/sqlite/sqliteengine.h"

#include "data/enginetext.h"
#include "data/schema.h"
#include "data/tables/history.h"
#include "data/engine/sqlite/sqlitehistory.h"
#include "data/engine/sqlite/sqlitekeycount.h"

#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QUrl>

namespace {

Result queryFailure(const QSqlQuery &query, const QString &sql)
{
    return Result::failure(engineText(query.lastError()), sql);
}

} // namespace

Result readStoredNames(QSqlDatabase &database, const QString &type, QStringList &names)
{
    const QString sql = QStringLiteral("SELECT name FROM sqlite_master WHERE type = ?");
    QSqlQuery query(database);
    query.setForwardOnly(true);
    if (!query.prepare(sql))
        return queryFailure(query, sql);
    query.addBindValue(type);
    if (!query.exec())
        return queryFailure(query, sql);
    names.clear();
    while (query.next())
        names << query.value(0).toString();
    return Result::success();
}

QString SqliteEngine::driverName() const
{
    return QStringLiteral("QSQLITE");
}

QString SqliteEngine::connectOptions() const
{
    return QStringLiteral("QSQLITE_BUSY_TIMEOUT=5000");
}

Result SqliteEngine::prepareConnection(QSqlDatabase &database) const
{
    const QString pragma = QStringLiteral("PRAGMA journal_mode=WAL");
    QSqlQuery query(database);
    if (!query.exec(pragma))
        return queryFailure(query, pragma);
    return Result::success();
}

QString SqliteEngine::beginWritingSql() const
{
    return QStringLiteral("BEGIN IMMEDIATE");
}

bool SqliteEngine::takesSystemStatements() const
{
    return true;
}

bool SqliteEngine::sameText(const QString &stored, const QString &wanted) const
{
    // NOCASE folds the 26 ASCII letters and nothing else.
    if (stored.size() != wanted.size())
        return false;
    for (qsizetype i = 0; i < stored.size(); ++i) {
        const char16_t a = stored.at(i).unicode();
        const char16_t b = wanted.at(i).unicode();
        const auto folded = [](char16_t c) { return c >= u'A' && c <= u'Z' ? char16_t(c + 32) : c; };
        if (folded(a) != folded(b))
            return false;
    }
    return true;
}

QString SqliteEngine::quotedName(const QString &name) const
{
    QString quoted = name;
    return QLatin1Char('"') + quoted.replace(QLatin1Char('"'), QStringLiteral("\"\"")) + QLatin1Char('"');
}

QStringList SqliteEngine::stockLedgerSql() const
{
    return {
        QStringLiteral("CREATE TABLE IF NOT EXISTS \"STOCKLEDGER\" (\"changedat\" TEXT, \"materielno\" TEXT COLLATE NOCASE, "
                       "\"oldinventory\" INTEGER, \"newinventory\" INTEGER)"),
        QStringLiteral("CREATE INDEX IF NOT EXISTS \"STOCKLEDGER_materielno\" ON \"STOCKLEDGER\" (\"materielno\")"),
        // Local time to the millisecond, so lines of one second still sort by when they were made.
        QStringLiteral("CREATE TRIGGER IF NOT EXISTS \"STOCKLEDGER_inventory\" AFTER UPDATE OF \"inventory\" ON \"MSF\" "
                       "WHEN OLD.\"inventory\" IS NOT NEW.\"inventory\" BEGIN "
                       "INSERT INTO \"STOCKLEDGER\" (\"changedat\", \"materielno\", \"oldinventory\", \"newinventory\") "
                       "VALUES (strftime('%Y-%m-%d %H:%M:%f', 'now', 'localtime'), NEW.\"materielno\", "
                       "OLD.\"inventory\", NEW.\"inventory\"); END"),
    };
}

QStringList SqliteEngine::historySql(const QVector<TableDefinition> &tables) const
{
    return sqliteHistorySql(tables);
}

QStringList SqliteEngine::dropHistoryTriggersSql() const
{
    return sqliteDropHistoryTriggersSql();
}

QStringList SqliteEngine::historyTriggerNames(const TableDefinition &table) const
{
    return sqliteHistoryTriggerNames(table);
}

Result SqliteEngine::storedTriggers(QSqlDatabase &database, QStringList &names) const
{
    return readStoredNames(database, QStringLiteral("trigger"), names);
}

Result SqliteEngine::tellHistoryWriter(QSqlDatabase &database) const
{
    if (!historyEnabled(database))
        return Result::success();
    return tellSqliteHistoryWriter(database);
}

QString SqliteEngine::rowIdentity() const
{
    return QStringLiteral("rowid");
}

Result SqliteEngine::rowGeneration(QSqlDatabase &database, const QString &table, QString &expression) const
{
    return ::rowGeneration(database, table, expression);
}

QString SqliteEngine::createTableSql(const TableDefinition &table) const
{
    QStringList columns;
    for (const ColumnDefinition &column : table.columns) {
        const QString name = quotedName(column.name);
        switch (column.type) {
        case ColumnType::Text:
            columns << name + QStringLiteral(" TEXT COLLATE NOCASE");
            break;
        case ColumnType::WholeNumber:
            // Refuse anything but a whole number, so a typed "abc" never lands in a quantity.
            columns << name + QStringLiteral(" INTEGER CHECK (%1 IS NULL OR typeof(%1) = 'integer')").arg(name);
            break;
        case ColumnType::Document:
            columns << name + QStringLiteral(" BLOB");
            break;
        }
    }
    return QStringLiteral("CREATE TABLE %1 (%2)").arg(quotedName(table.name), columns.join(QStringLiteral(", ")));
}

QString SqliteEngine::createIndexSql(const TableDefinition &table, const ColumnDefinition &column) const
{
    // The index takes the column's own NOCASE collation, so a find compares as before.
    return QStringLiteral("CREATE INDEX IF NOT EXISTS %1 ON %2 (%3)")
        .arg(quotedName(indexName(table, column)), quotedName(table.name), quotedName(column.name));
}

QString SqliteEngine::indexName(const TableDefinition &table, const ColumnDefinition &column) const
{
    return QStringLiteral("vemo_%1_%2").arg(table.name, column.name);
}

Result SqliteEngine::storedTables(QSqlDatabase &database, QStringList &names) const
{
    return readStoredNames(database, QStringLiteral("table"), names);
}

Result SqliteEngine::storedIndexes(QSqlDatabase &database, QStringList &names) const
{
    return readStoredNames(database, QStringLiteral("index"), names);
}

Result SqliteEngine::storedColumns(QSqlDatabase &database, const QString &table, QVector<StoredColumn> &columns) const
{
    QSqlQuery query(database);
    const QString sql = QStringLiteral("PRAGMA table_info(%1)").arg(quotedName(table));
    if (!query.exec(sql))
        return queryFailure(query, sql);
    columns.clear();
    while (query.next()) {
        // The declared type decides, as the engine's own type affinity does.
        const QString type = query.value(2).toString();
        columns << StoredColumn{query.value(1).toString(), type.contains(QLatin1String("INT"), Qt::CaseInsensitive),
                                type.contains(QLatin1String("BLOB"), Qt::CaseInsensitive), type};
    }
    return Result::success();
}

Result SqliteEngine::createMissingSchema(QSqlDatabase &database) const
{
    return createMissingTables(database);
}

Result SqliteEngine::addKeyCounts(QSqlDatabase &database) const
{
    return ::addKeyCounts(database);
}

QStringList SqliteEngine::ownTables() const
{
    return keyCountTables() << sqliteHistoryWriterTable();
}

Result SqliteEngine::readKeys(QSqlDatabase &database, const QString &table, Keyset &keys) const
{
    return readCountedKeys(database, table, keys);
}

QString SqliteEngine::readOnlyConnectOptions() const
{
    return QStringLiteral("QSQLITE_OPEN_READONLY;QSQLITE_OPEN_URI;QSQLITE_BUSY_TIMEOUT=5000");
}

QString SqliteEngine::readOnlyDatabaseName(const QString &file, bool immutable) const
{
    // mode=ro keeps the journal mode as it is; immutable also keeps SQLite from making the -shm beside it.
    return QStringLiteral("file:%1?mode=ro%2")
        .arg(QString::fromLatin1(QUrl::toPercentEncoding(file, "/")), immutable ? QStringLiteral("&immutable=1") : QString());
}

Result SqliteEngine::integrityProblems(QSqlDatabase &database, QStringList &problems) const
{
    const QString pragma = QStringLiteral("PRAGMA integrity_check");
    QSqlQuery query(database);
    query.setForwardOnly(true);
    if (!query.exec(pragma))
        return queryFailure(query, pragma);
    while (query.next()) {
        if (const QString line = query.value(0).toString(); line != QLatin1String("ok"))
            problems << QStringLiteral("檔案損壞:%1").arg(line);
    }
    return query.lastError().isValid() ? queryFailure(query, pragma) : Result::success();
}

QString SqliteEngine::keptRowCountsSql() const
{
    return keptRowCountsStatement();
}
