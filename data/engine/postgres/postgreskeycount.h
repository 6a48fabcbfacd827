#pragma once

#include "data/result.h"

#include <QStringList>

class Keyset;
class QSqlDatabase;

/// What lets the server know a table's row identities without reading its
/// rows: statement triggers in PL/pgSQL keep, for every schema table, the
/// number of its rows and the identities deleted from it, so the identities
/// are the run from the smallest to the largest with the deleted ones taken out.

/// The tables whose triggers are missing, among the stored schema tables.
Result uncountedServerTables(QSqlDatabase &database, QStringList &tables);

/// The statements that make the count tables and the trigger functions, and
/// those that count one table as it stands and keep its count from then on.
/// They run under the write lock, in the transaction that makes the tables.
QStringList serverKeyCountSql();
QStringList countServerTableSql(const QString &table);

/// Reads a table's identities from its count and deleted identities in one
/// snapshot; reads them as runs from the rows when the table has no count or
/// the count disagrees.
Result readServerKeys(QSqlDatabase &database, const QString &table, Keyset &keys);

/// The tables that hold the counts and the deleted identities.
QStringList serverKeyCountTables();

/// The statement that reads each counted table's name and kept row count.
QString serverKeptRowCountsStatement();
