#pragma once

#include "data/connection/engineconnection.h"
#include "data/engine/sqlite/sqlitefileplace.h"

/// A connection's side on the embedded engine: the file the path stands for,
/// opened for writing or read-only, and which file and journal that was, so
/// that a file replaced or removed underneath is let go of by every
/// connection of this program to it and never written through.
class SqliteConnection : public EngineSession
{
public:
    using EngineSession::EngineSession;
    ~SqliteConnection() override;

    Result open(const QString &databasePath, EngineConnection::Missing missing,
                EngineConnection::Sharing sharing) override;
    Result openForReading(const QString &databasePath) override;
    Result checkInPlace(EngineConnection::Use use) const override;
    bool presentAtPath() const override;
    void leave() override;
    void close() override;

private:
    Result openFile(const QString &file, bool create);
    Result openFileForReading(const QString &file);
    /// Lets go of the file opened, keeping the journal at its name unless it is the one opened with it.
    void letGoOfFile();
    /// Before a file is opened, every connection to a file no longer at that path lets go of it;
    /// a failure while the old file's journal still lies there (another program holds the old file).
    static Result leaveFilesReplacedAt(const QString &file);
    /// Every connection open on a file for reading and writing is known, so that all can let go of it.
    static void track(SqliteConnection *connection);
    static void untrack(SqliteConnection *connection);
    /// Once a file is opened at the path, the journal there is its own, whatever file was there before.
    static void forgetLeftJournals(const QString &file);

    QString m_file;           // the file opened
    FilePlace m_filePlace;    // which file that was when it was opened
    FilePlace m_journalPlace; // and which file its write-ahead journal was
    bool m_leftFile = false;  // let go of the file opened, which is no longer at its path
};
