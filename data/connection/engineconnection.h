#pragma once

#include "data/engine/sqlite/sqlitefileplace.h"
#include "data/result.h"

#include <QSqlDatabase>
#include <QSqlQuery>
#include <QString>
#include <QVariantList>

/// One connection to the database: the embedded file, or the PostgreSQL
/// server that the vemo folder's settings name. On the file every record
/// source and the stock update hold their own; on a server those opened for
/// the program share one, so that a program takes one of the server's slots.
class EngineConnection
{
public:
    enum class Missing { Fail, Create };
    /// Own: a connection of its own. Program: on a server, the one connection
    /// of the whole program to that server, opened by the first and kept
    /// until the program ends; on the file, a connection of its own.
    enum class Sharing { Own, Program };

    EngineConnection();
    ~EngineConnection();
    EngineConnection(const EngineConnection &) = delete;
    EngineConnection &operator=(const EngineConnection &) = delete;

    /// Opens the file that stands for the system's database path, or the
    /// server when one is configured or the path is a server address. With
    /// Missing::Create a missing file is made with the whole schema (on a
    /// server, the tables it lacks); with Missing::Fail it is a failure. A
    /// file that is not a database fails.
    Result open(const QString &databasePath, Missing missing = Missing::Fail, Sharing sharing = Sharing::Own);

    /// Opens the database only to read it: a file read-only, its journal
    /// mode and every byte of it and beside it left as they are, also on a
    /// read-only folder or medium; a server as open() does. Nothing is made.
    Result openForReading(const QString &databasePath);

    /// Opens by an OLE DB style connection string: its Provider must name
    /// the Jet engine (which the embedded engine stands in for), its Data
    /// Source is the database path. A missing file is created. On a server it
    /// is the program's shared connection.
    Result openConnectionString(const QString &connectionString, const QString &user,
                                const QString &password);

    /// Runs one statement, outside any transaction; the values stand for its
    /// "?" placeholders in order.
    Result execute(const QString &statement, const QVariantList &values = {});

    /// Opens the connection again as it was opened when the database no
    /// longer answers on it (a server restarted); fails when it cannot, and
    /// when the file at the path is no longer the file opened: rows read
    /// from one file are never written to another. A shared connection is
    /// opened again once for all that hold it.
    Result reopenIfLost();
    /// Counts the openings of the connection it stands on: statements
    /// prepared on it before the count changed are gone.
    int openings() const;
    /// A statement prepared once on the connection it stands on and kept
    /// while that stays open, for every holder of a shared one; the
    /// connection owns it, the caller binds, runs and finishes it before the
    /// next use of the same text. A failure when it cannot be prepared.
    Result keptStatement(const QString &sql, QSqlQuery *&query);
    /// Whether it stands on the program's shared connection.
    bool isShared() const { return m_name != m_ownName; }

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
    Result openProgramConnection(const QString &server, Missing missing);
    /// Closes and forgets the database behind the current name, also a shared one.
    void dropDatabase();
    /// Drops the statements kept on the connection it stands on.
    void forgetKeptStatements();
    /// Counts one more opening of the named connection.
    static void countOpening(const QString &name);
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

    QString m_ownName;
    QString m_name;            // the own name, or the program connection's while shared
    Sharing m_sharing = Sharing::Own;
    QString m_openedPath;
    QString m_file;        // the file opened; empty on a server
    FilePlace m_filePlace; // which file that was when it was opened
    FilePlace m_journalPlace; // and which file its write-ahead journal was
    bool m_leftFile = false;  // let go of the file opened, which is no longer at its path
};

