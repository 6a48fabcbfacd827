#pragma once

#include "data/connection/engineconnection.h"

/// A connection's side on the server: the address the path stands for, the
/// connection set up and the schema made there, and the program's one shared
/// connection to each server, opened by the first that asks and kept until
/// the program ends.
class PostgresConnection : public EngineSession
{
public:
    using EngineSession::EngineSession;

    Result open(const QString &databasePath, EngineConnection::Missing missing,
                EngineConnection::Sharing sharing) override;
    /// A server is read through a connection opened as for writing; nothing is made.
    Result openForReading(const QString &databasePath) override;
    Result checkInPlace(EngineConnection::Use use) const override;
    bool presentAtPath() const override { return true; }
    void leave() override {}
    void close() override {}

private:
    Result openServer(const QString &server, EngineConnection::Missing missing);
    Result openProgramConnection(const QString &server, EngineConnection::Missing missing);
};
