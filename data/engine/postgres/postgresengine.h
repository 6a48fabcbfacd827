#pragma once

#include "data/engine.h"

/// The database server: PostgreSQL through Qt's QPSQL driver. Names are kept
/// in lower case, so a name matches in any case as on the file; text compares
/// without regard to case through a nondeterministic ICU collation; rows are
/// identified by a hidden identity column that no screen sees.
class PostgresEngine : public Engine
{
public:
    /// The collation every text column and its index compare with.
    static QString collationName();
    /// The statement that makes the collation, run with the tables.
    static QString createCollationSql();

    /// Makes what the database lacks of the collation, the tables, their
    /// indexes and their kept row counts, in one transaction that waits for another program doing the
    /// same; on failure nothing is made. Existing rows are never touched.
    Result createMissingSchema(QSqlDatabase &database) const;

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

private:
    Result readSchemaState(QSqlDatabase &database, QStringList &stored, QStringList &uncounted) const;
    QStringList missingSchemaSql(const QStringList &stored, const QStringList &uncounted) const;
};
