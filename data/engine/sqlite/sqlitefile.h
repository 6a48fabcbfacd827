#pragma once

#include "data/result.h"

#include <QString>
#include <QStringList>

/// The steps that only the embedded SQLite engine has, kept in one place so
/// that a server engine can offer its own: page-level copies and counts of
/// the file, and handing a file over whole.
namespace sqlitefile {

/// Copies the database with SQLite's online backup into a new file beside
/// destination, then renames it into place. One read transaction spans the
/// copy, so it is one consistent state even while other programs write
/// (they go on writing to the write-ahead log meanwhile).
Result backup(const QString &source, const QString &destination);

/// Counts the rows of the named tables without writing anything to the
/// file, not even its journal mode. A failure says why it is no database.
Result countRows(const QString &file, const QStringList &tables, qint64 &rows);

/// Makes the file whole in itself, ready to be renamed: merges its
/// write-ahead log and switches journaling off the log, which the engine
/// allows only when no other program has the file open. A failure says
/// the file is in use (or cannot be opened).
Result makeSelfContained(const QString &file);

} // namespace sqlitefile
