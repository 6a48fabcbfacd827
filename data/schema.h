#pragma once

#include "data/result.h"

#include <QSqlDatabase>
#include <QString>
#include <QStringList>
#include <QVector>

enum class ColumnType { Text, WholeNumber, Document };

struct ColumnDefinition
{
    QString name;
    ColumnType type;
};

struct TableDefinition
{
    QString name;
    QVector<ColumnDefinition> columns;

    QStringList columnNames() const;
};

/// The eleven tables of the database, columns in their stored order.
const QVector<TableDefinition> &schemaTables();

/// Creates every table in an empty database.
Result createSchema(QSqlDatabase &database);
