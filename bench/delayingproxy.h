#pragma once

#include <QString>

#include <memory>
#include <thread>

/// What went through the proxy from the program to the server, counted from
/// the PostgreSQL protocol's own message types.
struct ProtocolCounts
{
    /// Simple queries (Q) and executions of a prepared statement (E).
    long statements = 0;
    /// Statements prepared (P).
    long prepares = 0;
    /// How often the program sent after having heard from the server: each is
    /// a wait of one round trip.
    long roundTrips = 0;
    /// Connections accepted.
    long connections = 0;

    ProtocolCounts operator-(const ProtocolCounts &before) const
    {
        return {statements - before.statements, prepares - before.prepares, roundTrips - before.roundTrips,
                connections - before.connections};
    }
};

/// A TCP proxy on 127.0.0.1 in front of a PostgreSQL server (its local socket
/// or its TCP port) that holds back every piece of data, each way, for a set
/// delay, as a distant line does, and counts the program's messages.
class DelayingProxy
{
public:
    /// upstream is a local socket's path or host:port.
    explicit DelayingProxy(QString upstream);
    ~DelayingProxy();
    DelayingProxy(const DelayingProxy &) = delete;
    DelayingProxy &operator=(const DelayingProxy &) = delete;

    /// The port it listens on; 0 when it could not listen.
    int port() const { return m_port; }
    void setDelayMs(int ms);
    ProtocolCounts counts() const;

    struct Shared;

private:
    void acceptLoop();

    QString m_upstream;
    int m_listener = -1;
    int m_port = 0;
    std::shared_ptr<Shared> m_shared;
    std::thread m_acceptor;
};
