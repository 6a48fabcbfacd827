#pragma once

#include "data/result.h"

#include <QStringList>

class Keyset;
class QSqlDatabase;

/// What lets the embedded engine know a table's row identities without
/// reading its rows: triggers keep, for every schema table, the number of its
/// rows and the identities deleted from it, so the identities are the run from
/// the smallest to the largest with the deleted ones taken out; and, as SQLite
/// gives a deleted last row's identity to the next row added, how often each
/// identity was given again.

/// Adds the counts and triggers to every schema table that lacks them, in one
/// transaction that holds the write lock, counting the rows it finds there.
Result addKeyCounts(QSqlDatabase &database);

/// Reads a table's identities from its count and deleted identities; reads
/// them one by one when the table has no count or the count disagrees (a
/// file changed by a program that did not keep it). Runs in one snapshot.
Result readCountedKeys(QSqlDatabase &database, const QString &table, Keyset &keys);

/// The tables that hold the counts and the deleted identities.
QStringList keyCountTables();

/// The statement that reads each counted table's name and kept row count.
QString keptRowCountsStatement();

/// The expression that tells apart the rows that held one identity in turn,
/// "0" on a table whose triggers do not keep it (a file that could not take them).
Result rowGeneration(QSqlDatabase &database, const QString &table, QString &expression);
