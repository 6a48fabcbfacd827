#pragma once

#include "data/result.h"

#include <QSqlDatabase>

struct sqlite3;

/// SQLite's own handle behind a connection; null when the connection is not SQLite's.
sqlite3 *sqliteHandleOf(const QSqlDatabase &database);

/// The handle's last failure as the engine's text says it, led as
/// engineText leads it (a damaged or read-only file told so first).
Result sqliteFailure(sqlite3 *connection, const QString &statement = QString());

/// Merges the write-ahead journal into the file the connection holds and
/// empties it, as far as no other reader stops it; for a file about to be
/// let go of, whose journal may stay behind at its name.
void mergeJournal(const QSqlDatabase &database);

/// Closing the connection then leaves the write-ahead journal at its name:
/// for a file replaced underneath, the journal there may be the new file's.
void keepJournalWhenClosing(const QSqlDatabase &database);
