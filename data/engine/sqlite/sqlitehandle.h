#pragma once

#include <QSqlDatabase>

struct sqlite3;

/// SQLite's own handle behind a connection; null when the connection is not SQLite's.
sqlite3 *sqliteHandleOf(const QSqlDatabase &database);

/// Merges the write-ahead journal into the file the connection holds and
/// empties it, as far as no other reader stops it; for a file about to be
/// let go of, whose journal may stay behind at its name.
void mergeJournal(const QSqlDatabase &database);

/// Closing the connection then leaves the write-ahead journal at its name:
/// for a file replaced underneath, the journal there may be the new file's.
void keepJournalWhenClosing(const QSqlDatabase &database);
