#pragma once

#include "data/result.h"

#include <QSqlDatabase>
#include <QString>

/// One connection of the embedded engine to the database file. Every record
/// source, the shared connection and the stock update each hold their own.
class EngineConnection
{
public:
    enum class Missing { Fail, Create };

    EngineConnection();
    ~EngineConnection();
    EngineConnection(const EngineConnection &) = delete;
    EngineConnection &operator=(const EngineConnection &) = delete;

    /// Opens the file that stands for the system's database path. With
    /// Missing::Create a missing file is made with the whole schema; with
    /// Missing::Fail it is a failure. A file that is not a database fails.
    Result open(const QString &databasePath, Missing missing = Missing::Fail);

    /// Opens by an OLE DB style connection string: its Provider must name
    /// the Jet engine (which the embedded engine stands in for), its Data
    /// Source is the database path. A missing file is created.
    Result openConnectionString(const QString &connectionString, const QString &user,
                                const QString &password);

    /// Runs one statement, outside any transaction.
    Result execute(const QString &statement);

    void close();
    bool isOpen() const;
    QSqlDatabase database() const;

private:
    Result openFile(const QString &file, bool create);

    QString m_name;
};

/// The engine's own text of an error.
QString engineText(const class QSqlError &error);
