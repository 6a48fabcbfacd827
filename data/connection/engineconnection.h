#pragma once

#include "data/result.h"

#include <QSqlDatabase>
#include <QSqlQuery>
#include <QString>
#include <QVariantList>

#include <memory>

class EngineSession;

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
    /// Lets go, for now, of the program's shared connections to servers, as a
    /// program nobody has used for a while does, so that an office's idle
    /// workstations hold none of the server's connection slots. Each still
    /// counts as open and is opened again by the first use of any holder.
    /// Only between actions: nothing is left open across one.
    static void restProgramConnections();
    /// Opens the shared connection it stands on again when it was let go of
    /// for rest; a failure, led as a failed opening, when it cannot be.
    Result wakeIfResting();
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
    /// Whether a file stands now at the path it was opened by (a server is always there).
    bool databaseAtOpenedPath() const;
    /// The path or address it was opened by.
    QString openedPath() const { return m_openedPath; }

    void close();
    bool isOpen() const;
    QSqlDatabase database() const;

private:
    friend class EngineSession;

    /// Closes and forgets the database behind the current name, also a shared one.
    void dropDatabase();
    /// Whether the connection's handle is open, not only resting.
    bool isAwake() const;
    bool isResting() const;
    /// An opening of a shared connection wakes it for every holder.
    void stopResting();
    /// Stands on the program's named shared connection from now on.
    void shareConnection(const QString &name);
    /// Drops the statements kept on the named connection.
    static void forgetKeptStatementsOf(const QString &name);
    /// Drops the statements kept on the connection it stands on.
    void forgetKeptStatements();
    /// Counts one more opening of the named connection.
    static void countOpening(const QString &name);

    QString m_ownName;
    QString m_name;            // the own name, or the program connection's while shared
    Sharing m_sharing = Sharing::Own;
    QString m_openedPath;
    std::unique_ptr<EngineSession> m_session; // the engine's side, while open
};

/// What one engine does for a connection: how it is opened, for writing or
/// only for reading, whether what it was opened on is still there, and how it
/// lets go of it. Each engine has its own; the connection holds one while open.
class EngineSession
{
public:
    explicit EngineSession(EngineConnection &connection) : m_connection(connection) {}
    virtual ~EngineSession() = default;
    EngineSession(const EngineSession &) = delete;
    EngineSession &operator=(const EngineSession &) = delete;

    /// Opens the database the path stands for as EngineConnection::open()
    /// describes; on failure the connection's database is gone again.
    virtual Result open(const QString &databasePath, EngineConnection::Missing missing,
                        EngineConnection::Sharing sharing) = 0;
    /// Opens it only to read it, as EngineConnection::openForReading() describes.
    virtual Result openForReading(const QString &databasePath) = 0;
    /// Whether what was opened is still what the path stands for.
    virtual Result checkInPlace(EngineConnection::Use use) const = 0;
    /// Whether a database stands now at the path it was opened by.
    virtual bool presentAtPath() const = 0;
    /// Lets go of what was opened, replaced or removed underneath.
    virtual void leave() = 0;
    /// Done before the connection's database is closed.
    virtual void close() = 0;

    /// The session for the engine that the path or address names.
    static std::unique_ptr<EngineSession> forPath(EngineConnection &connection, const QString &databasePath);

protected:
    QString connectionName() const { return m_connection.m_name; }
    /// Stands from now on on the named connection that the whole program shares.
    void shareConnection(const QString &name) { m_connection.shareConnection(name); }
    QSqlDatabase database() const { return m_connection.database(); }
    /// Whether the handle is open: a shared connection at rest is not.
    bool isOpen() const { return m_connection.isAwake(); }
    void dropDatabase() { m_connection.dropDatabase(); }
    void forgetKeptStatements() { m_connection.forgetKeptStatements(); }
    void countOpening() { EngineConnection::countOpening(m_connection.m_name); }
    /// An older database gets the history at its next start, where the engine lets it (not on a
    /// read-only file); the connection then tells it who writes.
    static Result startHistory(QSqlDatabase &database, bool create);

private:
    EngineConnection &m_connection;
};
