#pragma once

#include "admin/jetfile.h"
#include "data/result.h"
#include "data/schema.h"

#include <QByteArray>
#include <QMap>
#include <QStringList>
#include <QVector>

/// Matches named in a --map file for tables and columns that were renamed.
struct ImportMap
{
    struct TableMap
    {
        QString into;
        /// Old column name to vemo column name.
        QMap<QString, QString> columns;
    };
    /// Old table name to its match.
    QMap<QString, TableMap> tables;

    /// Reads {"tables": {"Old": {"into": "MSF", "columns": {"Old": "materielno"}}}}.
    static Result parse(const QByteArray &json, ImportMap &map);
};

/// One old table going into one vemo table.
struct TablePlan
{
    QString source;
    const TableDefinition *target = nullptr;
    qint64 rowCount = 0;
    /// For each column of the target, the index of the old column that fills it, or -1.
    QVector<int> sourceColumnOf;
    /// Old columns that fill nothing.
    QStringList unmatchedColumns;
};

struct ImportPlan
{
    QVector<TablePlan> tables;
    /// Old tables that match no vemo table.
    QStringList unmatchedTables;
    /// Faults of the map: what it names that is not there. Nothing is imported while any remain.
    QStringList problems;
};

/// Matches the old file's tables and columns to the eleven tables: through the
/// map where it names them, else by name without regard to case.
ImportPlan planImport(const QVector<JetTable> &tables, const ImportMap &map);
