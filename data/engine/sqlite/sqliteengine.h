#pragma once

#include "data/engine.h"

/// The embedded engine: one SQLite file, rows identified by rowid, text
/// compared with NOCASE, write-ahead journal, whole numbers kept whole by a
/// CHECK on the stored type, row counts kept by triggers.
class SqliteEngine : public Engine
{
public:
    QString driverName() const override;
    QString connectOptions() const override;
    Result prepareConnection(QSqlDatabase &database) const override;
    QString beginWritingSql() const override;
    bool sameText(const QString &stored, const QString &wanted) const override;
    bool takesSystemStatements() const override;
    QString quotedName(const QString &name) const override;
    QString rowIdentity() const override;
    Result rowGeneration(QSqlDatabase &database, const QString &table, QString &expression) const override;
    QString storedValue(const QString &quotedColumn) const override;
    Result readStoredRows(QSqlDatabase &database, const TableDefinition &table,
                          const StoredRowTaker &take) const override;
    Result appendStoredRows(QSqlDatabase &database, const TableDefinition &table, const StoredRowReading &read,
                            qint64 &added) const override;
    QStringList stockLedgerSql() const override;
    QStringList historySql(const QVector<TableDefinition> &tables) const override;
    QStringList dropHistoryTriggersSql() const override;
    QStringList historyTriggerNames(const TableDefinition &table) const override;
    Result storedTriggers(QSqlDatabase &database, QStringList &names) const override;
    Result tellHistoryWriter(QSqlDatabase &database) const override;
    QString createTableSql(const TableDefinition &table) const override;
    QString createIndexSql(const TableDefinition &table, const ColumnDefinition &column) const override;
    QString indexName(const TableDefinition &table, const ColumnDefinition &column) const override;
    QString readOnlyConnectOptions() const override;
    QString readOnlyDatabaseName(const QString &file, bool immutable) const override;
    Result integrityProblems(QSqlDatabase &database, QStringList &problems) const override;
    QString keptRowCountsSql() const override;
    Result storedTables(QSqlDatabase &database, QStringList &names) const override;
    Result storedIndexes(QSqlDatabase &database, QStringList &names) const override;
    Result storedColumns(QSqlDatabase &database, const QString &table,
                         QVector<StoredColumn> &columns) const override;
    /// The file's missing tables, as the schema makes them.
    Result createMissingSchema(QSqlDatabase &database) const override;
    Result addKeyCounts(QSqlDatabase &database) const override;
    QStringList ownTables() const override;
    Result readKeys(QSqlDatabase &database, const QString &table, Keyset &keys) const override;
};

/// The names of the file's objects of one type: "table", "index" or "trigger".
Result readStoredNames(QSqlDatabase &database, const QString &type, QStringList &names);
