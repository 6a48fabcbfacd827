#pragma once

#include "data/engine.h"

#include <QMap>

/// The database server: PostgreSQL through Qt's QPSQL driver. Names are kept
/// in lower case, so a name matches in any case as on the file; text compares
/// without regard to case through the citext type, whose comparisons other SQL
/// tools can use too; rows are identified by a hidden identity column that no
/// screen sees.
class PostgresEngine : public Engine
{
public:
    /// Makes what the database lacks of the caseless text type, the tables,
    /// their indexes and their kept row counts, and turns an older database's
    /// text columns into that type, in one transaction that waits for another
    /// program doing the same; on failure nothing is made. Existing values are
    /// never changed.
    Result createMissingSchema(QSqlDatabase &database) const override;

    QString driverName() const override;
    QString connectOptions() const override;
    Result prepareConnection(QSqlDatabase &database) const override;
    QString beginWritingSql() const override;
    QString lockingReadSuffix() const override;
    bool writesCheckedInOneStatement() const override { return true; }
    QString holdsExactlySql(const QString &quotedColumn, bool text) const override;
    QString beginSnapshotSql() const override;
    bool sameText(const QString &stored, const QString &wanted) const override;
    bool findsText(const QString &text) const override;
    QString quotedName(const QString &name) const override;
    QString rowIdentity() const override;
    Result readStoredRows(QSqlDatabase &database, const TableDefinition &table,
                          const StoredRowTaker &take) const override;
    Result appendStoredRows(QSqlDatabase &database, const TableDefinition &table, const StoredRowReading &read,
                            qint64 &added) const override;
    QStringList stockLedgerSql() const override;
    QStringList historySql(const QVector<TableDefinition> &tables) const override;
    QStringList dropHistoryTriggersSql() const override;
    QStringList historyTriggerNames(const TableDefinition &table) const override;
    Result storedTriggers(QSqlDatabase &database, QStringList &names) const override;
    QString createTableSql(const TableDefinition &table) const override;
    QString createIndexSql(const TableDefinition &table, const ColumnDefinition &column) const override;
    QString indexName(const TableDefinition &table, const ColumnDefinition &column) const override;
    Result integrityProblems(QSqlDatabase &database, QStringList &problems) const override;
    QString keptRowCountsSql() const override;
    Result storedTables(QSqlDatabase &database, QStringList &names) const override;
    Result storedIndexes(QSqlDatabase &database, QStringList &names) const override;
    Result storedColumns(QSqlDatabase &database, const QString &table,
                         QVector<StoredColumn> &columns) const override;
    Result storedColumnsOfTables(QSqlDatabase &database, QHash<QString, QVector<StoredColumn>> &tables) const override;
    QStringList ownTables() const override;
    Result readKeys(QSqlDatabase &database, const QString &table, Keyset &keys) const override;
    Result readKeysWithFirstRows(QSqlDatabase &database, const QString &table, const QString &rowColumns,
                                 const QStringList &firstRowOnly, int rows, Keyset &keys,
                                 QVector<QVector<QVariant>> &firstRows) const override;

private:
    struct SchemaState
    {
        QStringList stored;
        QStringList uncounted;
        /// Table → its text columns still compared case by case.
        QMap<QString, QStringList> caseSensitive;
    };
    Result readSchemaState(QSqlDatabase &database, SchemaState &state) const;
    QStringList missingSchemaSql(const SchemaState &state) const;
};
