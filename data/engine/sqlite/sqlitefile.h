#pragma once

#include "data/result.h"

#include <QString>
#include <QStringList>

#include <functional>

/// The steps that only the embedded SQLite engine has, kept in one place so
/// that a server engine can offer its own: page-level copies and checks of
/// the file, and handing a file over whole.
namespace sqlitefile {

/// Told the pages copied so far and the pages in all.
using PagesCopied = std::function<void(qint64 copied, qint64 total)>;

/// Copies the database with SQLite's online backup into destination, an
/// empty file, and leaves the copy needing no journal beside it. One read
/// transaction spans the copy, so it is one consistent state even while
/// other programs write (they go on writing to the write-ahead log meanwhile).
Result snapshot(const QString &source, const QString &destination, const PagesCopied &pagesCopied = {});

/// Counts the rows of every table the file holds but the engine's own and the history's,
/// changing none of its data, nor its journal mode. A
/// failure says why it is no database.
Result countEveryRow(const QString &file, qint64 &rows);

/// Makes the file whole in itself, ready to be renamed: merges its
/// write-ahead log and switches journaling off the log, which the engine
/// allows only when no other program has the file open. A failure says
/// the file is in use (or cannot be opened).
Result makeSelfContained(const QString &file);

} // namespace sqlitefile
