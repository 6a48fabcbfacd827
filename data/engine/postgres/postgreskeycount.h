#pragma once

#include "data/result.h"

#include <QStringList>
#include <QVariant>
#include <QVector>

class Keyset;
class QSqlDatabase;

/// What lets the server know a table's row identities without reading its
/// rows: statement triggers in PL/pgSQL keep, for every schema table, the
/// number of its rows and the identities deleted from it, so the identities
/// are the run from the smallest to the largest with the deleted ones taken out.

/// The select of the names of the triggers the schema holds.
QString serverTriggersSelect();
/// The schema's tables whose count triggers are not all among the triggers named.
QStringList uncountedAmong(const QStringList &triggers);

/// The statements that make the count tables and the trigger functions, and
/// those that count one table as it stands and keep its count from then on.
/// They run under the write lock, in the transaction that makes the tables.
QStringList serverKeyCountSql();
QStringList countServerTableSql(const QString &table);

/// Reads a table's identities from its count and deleted identities in one
/// snapshot; reads them as runs from the rows when the table has no count or
/// the count disagrees. With rowColumns (a select list over the table), the
/// kept count's statement also reads those of the first rows, at most rows
/// of them in identity order, each followed by the columns of firstRowOnly,
/// null but on the first row, into firstRows, left empty when the
/// identities were read from the rows.
Result readServerKeys(QSqlDatabase &database, const QString &table, const QString &rowColumns,
                      const QStringList &firstRowOnly, int rows, Keyset &keys,
                      QVector<QVector<QVariant>> &firstRows);

/// The tables that hold the counts and the deleted identities.
QStringList serverKeyCountTables();

/// The statement that reads each counted table's name and kept row count.
QString serverKeptRowCountsStatement();
