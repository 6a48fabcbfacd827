#pragma once

#include "data/result.h"

#include <QSqlDatabase>
#include <QString>
#include <QStringList>
#include <QVector>

enum class ColumnType { Text, WholeNumber, Document };

/// How messages and listings name a kind of column: 文字, 整數 or 文件.
QString columnTypeName(ColumnType type);

struct ColumnDefinition
{
    QString name;
    ColumnType type;
    /// A search or a lookup compares the column, so the file keeps an index on it.
    bool indexed = false;
};

struct TableDefinition
{
    QString name;
    QVector<ColumnDefinition> columns;

    QStringList columnNames() const;
};

/// What a whole-number column takes: the old engine's 16-bit whole numbers.
constexpr qint64 kWholeNumberMinimum = -32768;
constexpr qint64 kWholeNumberMaximum = 32767;

/// The eleven tables of the database, columns in their stored order.
/// The stock ledger's table: its columns as the copy and the check know them.
const TableDefinition &stockLedgerTable();

const QVector<TableDefinition> &schemaTables();

/// The schema's table of that name, compared without regard to case; null when there is none.
const TableDefinition *schemaTable(const QString &name);

/// Which of the eleven tables the file holds, matched without regard to
/// case; the first read of a file, so a file that is no database fails here.
Result storedSchemaTables(QSqlDatabase &database, QStringList &stored);

/// Creates, in one transaction that waits for any other writer, those of the
/// eleven tables the file does not hold; a table that exists is never
/// touched. A file that held none of them also gets the stock ledger. On
/// failure nothing is created.
Result createMissingTables(QSqlDatabase &database);

/// Makes the indexes of the indexed columns that the file lacks. They are
/// invisible to every screen; a file that cannot take them (read-only) keeps
/// working, its finds scan.
Result createMissingIndexes(QSqlDatabase &database);
