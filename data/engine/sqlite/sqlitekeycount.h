#pragma once

#include "data/result.h"

#include <QStringList>

class Keyset;
class QSqlDatabase;

/// What lets the embedded engine know a table's row identities without
/// reading its rows: triggers keep, for every schema table, the number of its
/// rows and the identities deleted from it, so the identities are the run from
/// the smallest to the largest with the deleted ones taken out.

/// Adds the counts and triggers to every schema table that lacks them, in one
/// transaction that holds the write lock, counting the rows it finds there.
Result addKeyCounts(QSqlDatabase &database);

/// Reads a table's identities from its count and deleted identities; reads
/// them one by one when the table has no count or the count disagrees (a
/// file changed by a program that did not keep it). Runs in one snapshot.
Result readCountedKeys(QSqlDatabase &database, const QString &table, Keyset &keys);

/// The tables that hold the counts and the deleted identities.
QStringList keyCountTables();
