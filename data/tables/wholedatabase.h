#pragma once

#include "data/result.h"

#include <QFileDevice>
#include <QString>

#include <functional>
#include <memory>

class QSqlDatabase;

/// A vemo database taken whole by the tool, a file or a server alike: the
/// rows it holds, a backup of it, and a whole new content put in its place.
/// Each engine does each its own way; the tool never asks which it is.
class WholeDatabase
{
public:
    /// A job that writes a whole database: its name for files (import,
    /// restore, copy) and its word in messages (匯入, 還原, 複製).
    struct Job
    {
        QString name;
        QString word;
    };
    /// Writes a whole database into the one it is handed by name (a new empty
    /// file, or the server itself), failing when that one holds rows.
    using Writing = std::function<Result(const QString &target)>;
    /// Copies every table of one database into another, as the tool's copy does.
    using TableCopy = std::function<Result(const QString &from, const QString &to)>;
    /// Told the parts copied so far and the parts in all.
    using Copied = std::function<void(qint64 copied, qint64 total)>;

    /// The database that a file path or a server address names.
    static std::unique_ptr<WholeDatabase> named(const QString &database);
    virtual ~WholeDatabase() = default;

    /// Whether it is one file that can be read as a backup.
    virtual bool isOneFile() const = 0;
    /// Whether that file is where it is kept, so a backup is never restored onto itself.
    virtual bool isKeptIn(const QString &file) const = 0;

    /// The rows of every table it holds, the additive ones too; none when it
    /// is not made yet. Writes nothing; a failure says why it is no vemo database.
    virtual Result countRows(qint64 &rows) const = 0;
    /// Why the job is refused (or in a dry run would be) onto it while it
    /// holds rows, with or without --replace, and what to do; empty when it goes ahead.
    virtual QString refusal(qint64 rows, const Job &job, bool replaceRows, bool dryRun) const = 0;
    /// Puts a whole new content in its place through write, unless refusal()
    /// refuses. A file gets a new file written beside it and renamed over it
    /// once complete, the old one kept as "NAME.before-JOB-TIME" (named in
    /// kept) when it held rows; a server is written in place, in one
    /// transaction, only while it holds no row, as it keeps no backup. On any
    /// failure the database is as it was.
    virtual Result replaceWith(const Job &job, bool replaceRows, const Writing &write, QString &kept) const = 0;

    /// Why no backup of it can be made, or nothing when one can.
    virtual QString cannotBackUp() const = 0;
    /// The permissions its backup file gets: a file's own; a server's rows
    /// were behind its login, so their copy is for its maker alone.
    virtual QFileDevice::Permissions backupPermissions() const = 0;
    /// Writes one consistent state of it into file, an empty file, as a
    /// self-contained vemo file; copied is told the progress.
    virtual Result backUpInto(const QString &file, const TableCopy &copyTables, const Copied &copied) const = 0;
    /// Removes what ended runs of the tool left beside it.
    virtual void removeLeftovers() const = 0;
};

/// The file and the server.
std::unique_ptr<WholeDatabase> wholeFile(const QString &file);
std::unique_ptr<WholeDatabase> wholeServer(const QString &address);

/// Makes a vemo file whole in itself, ready to be renamed: its log merged
/// and no longer kept. Fails when another program has it open.
Result makeFileSelfContained(const QString &file);

/// The rows of the eleven tables and the ledger, of those the database has.
Result rowsInDatabase(QSqlDatabase &database, qint64 &rows);
