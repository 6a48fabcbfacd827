#include "bench/delayingproxy.h"

#include <arpa/inet.h>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstring>
#include <deque>
#include <mutex>
#include <string>

using Clock = std::chrono::steady_clock;

struct DelayingProxy::Shared
{
    std::atomic<long> statements{0};
    std::atomic<long> prepares{0};
    std::atomic<long> roundTrips{0};
    std::atomic<long> connections{0};
    std::atomic<bool> stopping{false};
    std::atomic<int> delayMs{0};
};

namespace {

void setNoDelay(int socket)
{
    const int on = 1;
    setsockopt(socket, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
}

bool writeAll(int socket, const char *data, size_t size)
{
    while (size > 0) {
        const ssize_t written = ::send(socket, data, size, MSG_NOSIGNAL);
        if (written <= 0)
            return false;
        data += written;
        size -= size_t(written);
    }
    return true;
}

int connectUpstream(const QString &upstream)
{
    if (upstream.startsWith(QLatin1Char('/'))) {
        const int socket = ::socket(AF_UNIX, SOCK_STREAM, 0);
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        std::strncpy(address.sun_path, upstream.toLocal8Bit().constData(), sizeof address.sun_path - 1);
        if (::connect(socket, reinterpret_cast<sockaddr *>(&address), sizeof address) == 0)
            return socket;
        ::close(socket);
        return -1;
    }
    const int colon = upstream.lastIndexOf(QLatin1Char(':'));
    addrinfo hints{};
    hints.ai_socktype = SOCK_STREAM;
    addrinfo *found = nullptr;
    if (getaddrinfo(upstream.left(colon).toLocal8Bit().constData(), upstream.mid(colon + 1).toLocal8Bit().constData(),
                    &hints, &found) != 0)
        return -1;
    int socket = ::socket(found->ai_family, SOCK_STREAM, 0);
    if (::connect(socket, found->ai_addr, found->ai_addrlen) != 0) {
        ::close(socket);
        socket = -1;
    } else {
        setNoDelay(socket);
    }
    freeaddrinfo(found);
    return socket;
}

/// Follows the program's side of the protocol across the pieces it arrives
/// in: untyped messages until the start-up one, then a type byte and a length each.
class MessageCounter
{
public:
    explicit MessageCounter(DelayingProxy::Shared &shared) : m_shared(shared) {}

    void take(const char *data, size_t size)
    {
        while (size > 0) {
            if (m_bodyLeft > 0) {
                const size_t skipped = std::min<size_t>(size, size_t(m_bodyLeft));
                m_bodyLeft -= long(skipped);
                data += skipped;
                size -= skipped;
                continue;
            }
            const size_t wanted = m_startingUp ? 8 : 5;
            const size_t copied = std::min(size, wanted - m_headerHave);
            std::memcpy(m_header + m_headerHave, data, copied);
            m_headerHave += copied;
            data += copied;
            size -= copied;
            if (m_headerHave == wanted)
                headerRead();
        }
    }

private:
    static long bigEndian(const unsigned char *bytes)
    {
        return long(bytes[0]) << 24 | long(bytes[1]) << 16 | long(bytes[2]) << 8 | long(bytes[3]);
    }

    void headerRead()
    {
        m_headerHave = 0;
        if (m_startingUp) {
            // SSL, GSS and cancel requests come before the start-up message, untyped as it is.
            const long code = bigEndian(m_header + 4);
            m_startingUp = code == 80877103 || code == 80877104 || code == 80877102;
            m_bodyLeft = bigEndian(m_header) - 8;
            return;
        }
        m_bodyLeft = bigEndian(m_header + 1) - 4;
        switch (m_header[0]) {
        case 'Q':
        case 'E':
            ++m_shared.statements;
            break;
        case 'P':
            ++m_shared.prepares;
            break;
        default:
            break;
        }
    }

    DelayingProxy::Shared &m_shared;
    bool m_startingUp = true;
    unsigned char m_header[8] = {};
    size_t m_headerHave = 0;
    long m_bodyLeft = 0;
};

/// One direction of one connection: a reader stamps each piece with when it
/// may leave, a sender hands it on no earlier.
class DelayedPipe
{
public:
    DelayedPipe(int from, int to, const std::atomic<int> &delayMs) : m_from(from), m_to(to), m_delayMs(delayMs) {}

    /// Reads until the sending side closes; onPiece sees each piece as it arrives.
    template <typename OnPiece>
    void run(OnPiece onPiece)
    {
        std::thread sender([this] { send(); });
        char buffer[65536];
        for (;;) {
            const ssize_t got = ::recv(m_from, buffer, sizeof buffer, 0);
            if (got <= 0)
                break;
            onPiece(buffer, size_t(got));
            std::lock_guard<std::mutex> lock(m_mutex);
            m_pieces.push_back({Clock::now() + std::chrono::milliseconds(m_delayMs.load()),
                                std::string(buffer, size_t(got))});
            m_ready.notify_one();
        }
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            m_ended = true;
            m_ready.notify_one();
        }
        sender.join();
        ::shutdown(m_to, SHUT_WR);
    }

private:
    struct Piece
    {
        Clock::time_point due;
        std::string bytes;
    };

    void send()
    {
        std::unique_lock<std::mutex> lock(m_mutex);
        for (;;) {
            m_ready.wait(lock, [this] { return m_ended || !m_pieces.empty(); });
            if (m_pieces.empty())
                return;
            Piece piece = std::move(m_pieces.front());
            m_pieces.pop_front();
            lock.unlock();
            std::this_thread::sleep_until(piece.due);
            const bool sent = writeAll(m_to, piece.bytes.data(), piece.bytes.size());
            lock.lock();
            if (!sent) {
                ::shutdown(m_from, SHUT_RD);
                return;
            }
        }
    }

    int m_from;
    int m_to;
    const std::atomic<int> &m_delayMs;
    std::mutex m_mutex;
    std::condition_variable m_ready;
    std::deque<Piece> m_pieces;
    bool m_ended = false;
};

void relay(int client, int server, const std::atomic<int> &delayMs, DelayingProxy::Shared &shared)
{
    auto heardFromServer = std::make_shared<std::atomic<bool>>(true);
    DelayedPipe toServer(client, server, delayMs);
    DelayedPipe toClient(server, client, delayMs);
    std::thread back([&] { toClient.run([&](const char *, size_t) { *heardFromServer = true; }); });
    MessageCounter counter(shared);
    toServer.run([&](const char *data, size_t size) {
        if (heardFromServer->exchange(false))
            ++shared.roundTrips;
        counter.take(data, size);
    });
    back.join();
    ::close(client);
    ::close(server);
}

} // namespace

DelayingProxy::DelayingProxy(QString upstream)
    : m_upstream(std::move(upstream)), m_shared(std::make_shared<Shared>())
{
    m_listener = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    if (::bind(m_listener, reinterpret_cast<sockaddr *>(&address), sizeof address) != 0
        || ::listen(m_listener, 64) != 0
        || ::getsockname(m_listener, reinterpret_cast<sockaddr *>(&address), &length) != 0)
        return;
    m_port = ntohs(address.sin_port);
    m_acceptor = std::thread([this] { acceptLoop(); });
}

DelayingProxy::~DelayingProxy()
{
    m_shared->stopping = true;
    ::shutdown(m_listener, SHUT_RDWR);
    if (m_acceptor.joinable())
        m_acceptor.join();
    ::close(m_listener);
}

void DelayingProxy::setDelayMs(int ms)
{
    m_shared->delayMs = ms;
}

ProtocolCounts DelayingProxy::counts() const
{
    return {m_shared->statements.load(), m_shared->prepares.load(), m_shared->roundTrips.load(),
            m_shared->connections.load()};
}

void DelayingProxy::acceptLoop()
{
    while (!m_shared->stopping) {
        const int client = ::accept(m_listener, nullptr, nullptr);
        if (client < 0)
            return;
        const int server = connectUpstream(m_upstream);
        if (server < 0) {
            ::close(client);
            continue;
        }
        setNoDelay(client);
        ++m_shared->connections;
        // Each connection relays until either end closes; the program ends them all before the proxy goes.
        std::thread([client, server, shared = m_shared] { relay(client, server, shared->delayMs, *shared); }).detach();
    }
}
