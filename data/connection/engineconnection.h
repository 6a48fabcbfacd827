#pragma once

#include "data/engine/sqlite/sqlitefileplace.h"
#include "data/result.h"

#include <QSqlDatabase>
#include <QString>
#include <QVariantList>

/// One connection to the database: the embedded file, or the PostgreSQL
/// server that the vemo folder's settings name. Every record source, the
/// shared connection and the stock update each hold their own.
class EngineConnection
{
public:
    enum class Missing { Fail, Create };

    EngineConnection();
    ~EngineConnection();
    EngineConnection(const EngineConnection &) = delete;
    EngineConnection &operator=(const EngineConnection &) = delete;

    /// Opens the file that stands for the system's database path, or the
    /// server when one is configured or the path is a server address. With
    /// Missing::Create a missing file is made with the whole schema (on a
    /// server, the tables it lacks); with Missing::Fail it is a failure. A
    /// file that is not a database fails.
    Result open(const QString &databasePath, Missing missing = Missing::Fail);

    /// Opens the database only to read it: a file read-only, its journal
    /// mode and every byte of it and beside it left as they are, also on a
    /// read-only folder or medium; a server as open() does. Nothing is made.
    Result openForReading(const QString &databasePath);

    /// Opens by an OLE DB style connection string: its Provider must name
    /// the Jet engine (which the embedded engine stands in for), its Data
    /// Source is the database path. A missing file is created.
    Result openConnectionString(const QString &connectionString, const QString &user,
                                const QString &password);

    /// Runs one statement, outside any transaction; the values stand for its
    /// "?" placeholders in order.
    Result execute(const QString &statement, const QVariantList &values = {});

    /// Opens the connection again as it was opened when the database no
    /// longer answers on it (a server restarted); fails when it cannot, and
    /// when the file at the path is no longer the file opened: rows read
    /// from one file are never written to another.
    Result reopenIfLost();

    enum class Use { Writing, Reading };
    /// Whether the file opened is still the file at its path (always so on a
    /// server); a failure naming the path, led for a save or a read, when
    /// another file was put there or none is there any more. Asked before
    /// every write. The file put there is not read through this program's
    /// connections: the old file's journal, kept by name, would mix into it.
    Result checkFileInPlace(Use use) const;
    /// Lets go of a file replaced or removed underneath, on every connection
    /// of this program to it, so that its journal goes with it and the next
    /// open() reads the file now at the path; nothing is read or written
    /// through them any more.
    void leaveFile();
    /// The path or address it was opened by.
    QString openedPath() const { return m_openedPath; }

    void close();
    bool isOpen() const;
    QSqlDatabase database() const;

private:
    Result openFile(const QString &file, bool create);
    Result openFileForReading(const QString &file);
    Result openServer(const QString &server, Missing missing);
    /// Lets go of the file opened, keeping the journal at its name unless it is the one opened with it.
    void letGoOfFile();
    /// Before a file is opened, every connection to a file no longer at that path lets go of it;
    /// a failure while the old file's journal still lies there (another program holds the old file).
    static Result leaveFilesReplacedAt(const QString &file);
    /// Every connection open on a file for reading and writing is known, so that all can let go of it.
    static void track(EngineConnection *connection);
    static void untrack(EngineConnection *connection);
    /// Once a file is opened at the path, the journal there is its own, whatever file was there before.
    static void forgetLeftJournals(const QString &file);

    QString m_name;
    QString m_openedPath;
    QString m_file;        // the file opened; empty on a server
    FilePlace m_filePlace; // which file that was when it was opened
    FilePlace m_journalPlace; // and which file its write-ahead journal was
    bool m_leftFile = false;  // let go of the file opened, which is no longer at its path
};

