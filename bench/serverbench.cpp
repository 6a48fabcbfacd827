// The program on a PostgreSQL server as an office sees it: per screen, the
// server connections held and the statements and round trips each action
// costs, counted from the protocol by a proxy; the service and lending screens
// opened and moved through that proxy delaying each way by 0, 10 and 30 ms,
// beside the same on the embedded file; and saves a second from 20 programs
// writing at once at 10 ms. The server is the empty database that
// VEMO_BENCH_POSTGRES (else VEMO_TEST_POSTGRES) names:
//   QT_QPA_PLATFORM=offscreen scripts/with-postgres build/bench/vemo_server_bench

#include "bench/benchsupport.h"
#include "bench/delayingproxy.h"
#include "bench/serverbenchparts.h"
#include "app/mainform.h"
#include "app/screencatalog.h"
#include "data/connection/engineconnection.h"
#include "data/records/recordsource.h"
#include "data/records/stockupdate.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QProcess>
#include <QRegularExpression>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QThread>
#include <QUrl>

#include <cstdio>
#include <memory>
#include <vector>

namespace {

constexpr int kDelaysMs[] = {0, 10, 30};
constexpr int kWriters = 20;
constexpr int kWritersDelayMs = 10;
constexpr double kWritersGoal = 80;
constexpr double kScreenGoalS = 0.5;
constexpr double kMoveGoalRoundTrips = 1.5;
constexpr int kWakingDelayMs = 30;
const QStringList kTimedScreens = {QStringLiteral("Form1"), QStringLiteral("Form7")};

/// The server's address taken apart, to reach it past the proxy.
struct ServerPlace
{
    QString user, host, database;
    int port = 5432;

    static ServerPlace parse(const QString &address)
    {
        static const QRegularExpression shape(QStringLiteral("^postgresql://([^@/]+)@([^/:]+)(?::(\\d+))?/([^?]+)"));
        const QRegularExpressionMatch match = shape.match(address);
        require(match.hasMatch(), "a postgresql://user@host:port/database address");
        ServerPlace place{match.captured(1), QUrl::fromPercentEncoding(match.captured(2).toUtf8()), match.captured(4)};
        if (!match.captured(3).isEmpty())
            place.port = match.captured(3).toInt();
        return place;
    }
    QString upstream() const
    {
        return host.startsWith(QLatin1Char('/')) ? QStringLiteral("%1/.s.PGSQL.%2").arg(host).arg(port)
                                                 : QStringLiteral("%1:%2").arg(host).arg(port);
    }
};

/// A connection straight to the server, beside the proxy, that watches what the program holds.
class Observer
{
public:
    explicit Observer(const ServerPlace &place)
    {
        m_database = QSqlDatabase::addDatabase(QStringLiteral("QPSQL"), QStringLiteral("observer"));
        m_database.setHostName(place.host);
        m_database.setPort(place.port);
        m_database.setUserName(place.user);
        m_database.setDatabaseName(place.database);
        require(m_database.open(), "observer connection");
    }
    int value(const QString &sql)
    {
        QSqlQuery query(m_database);
        require(query.exec(sql) && query.next(), qPrintable(sql));
        return query.value(0).toInt();
    }
    /// The program's connections: every one but this.
    int programConnections()
    {
        return value(QStringLiteral("SELECT count(*) FROM pg_stat_activity WHERE backend_type = 'client backend' "
                                    "AND datname = current_database() AND pid <> pg_backend_pid()"));
    }

private:
    QSqlDatabase m_database;
};

struct Cost
{
    ProtocolCounts counts;
    QString text() const
    {
        return QStringLiteral("%1/%2").arg(counts.statements).arg(counts.roundTrips)
            + (counts.prepares ? QStringLiteral(",%1p").arg(counts.prepares) : QString())
            + (counts.connections ? QStringLiteral("+%1c").arg(counts.connections) : QString());
    }
};

template <typename Action>
Cost costOf(DelayingProxy &proxy, Action action)
{
    const ProtocolCounts before = proxy.counts();
    action();
    QApplication::processEvents();
    return {proxy.counts() - before};
}

/// An action's cost the first time on the program's connection and once its statements are kept there.
struct FirstAndKept
{
    Cost first;
    Cost kept;
    QString text() const { return first.text() + QLatin1Char(' ') + kept.text(); }
};

template <typename Action>
FirstAndKept costsOf(DelayingProxy &proxy, Action action)
{
    const Cost first = costOf(proxy, action);
    return {first, costOf(proxy, action)};
}

const char *mark(bool met)
{
    return met ? "ok" : "MISSED";
}

void printActions(DelayingProxy &proxy, Observer &observer)
{
    std::printf("\nPer screen on the server: connections held; each action as statements/round trips, then\n"
                "statements prepared by the protocol's Parse (,Np) and connections opened (+Nc); an action's\n"
                "second cost is its next run, its statements kept by the connection. An edit is what the\n"
                "screen reads to show an edited value (a list's entry); the found row is deleted last. Goals:\n"
                "1 connection held, opening <= 2 round trips per record source, 1 round trip per move, find,\n"
                "save, delete and lending\n\n");
    std::printf("  %-7s %-9s %4s %7s %10s %6s %6s %10s %10s %10s %6s %10s\n", "screen", "table", "held", "sources",
                "open", "/ goal", "move", "find", "edit", "save", "delete", "lend");
    int edits = 0;
    for (const ScreenEntry &entry : screenEntries()) {
        const ScreenDeclaration declaration = entry.declaration();
        std::unique_ptr<Screen> screen;
        const Cost opened = costOf(proxy, [&] { screen = openScreen(declaration); });
        const int held = observer.programConnections();
        RecordSource &main = mainSource(*screen);
        const Cost moved = costOf(proxy, [&] { require(main.moveNext()); });
        const FirstAndKept found = costsOf(proxy, [&] { findRow(main, kFoundRow); });
        FirstAndKept edited;
        FirstAndKept saved;
        for (Cost *edit : {&edited.first, &edited.kept}) {
            *edit = costOf(proxy, [&] { editRow(main, QStringLiteral("bench %1").arg(++edits)); });
            (edit == &edited.first ? saved.first : saved.kept) = costOf(proxy, [&] { require(main.update()); });
        }
        const Cost deleted = costOf(proxy, [&] { require(main.deleteCurrent()); });
        QString lent = QStringLiteral("-");
        if (entry.form == QLatin1String("Form7")) {
            lent = costsOf(proxy, [&] {
                       const int stock = observer.value(
                           QStringLiteral("SELECT inventory FROM msf WHERE materielno = '%1'").arg(kLentMaterial));
                       require(executeStockUpdate(StockMovement::Lending, stock - 1, kLentMaterial, QString::number(stock)));
                   }).text();
        }
        const int sources = int(declaration.sources.size());
        std::printf("  %-7s %-9s %4d %7d %10s %5.2fx %6s %10s %10s %10s %6s %10s\n", qPrintable(entry.form),
                    qPrintable(entry.name), held, sources, qPrintable(opened.text()),
                    double(opened.counts.roundTrips) / (2 * sources), qPrintable(moved.text()),
                    qPrintable(found.text()), qPrintable(edited.text()), qPrintable(saved.text()),
                    qPrintable(deleted.text()), qPrintable(lent));
    }
    std::vector<std::unique_ptr<Screen>> all;
    for (const ScreenEntry &entry : screenEntries())
        all.push_back(openScreen(entry.declaration()));
    const int held = observer.programConnections();
    std::printf("\n  all ten screens open: %d server connections held (goal 1: %s)\n", held, mark(held <= 1));
}

/// The file's figures, from a program of their own so that nothing of the server's stays with them.
ScreenTimings fileTimings(const QString &self)
{
    QProcess child;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.remove(QStringLiteral("VEMO_DATABASE"));
    child.setProcessEnvironment(environment);
    child.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    child.start(self, {QStringLiteral("--file-timings")});
    require(child.waitForFinished(120'000) && child.exitCode() == 0, "file timings");
    ScreenTimings timings;
    for (const QByteArray &line : child.readAllStandardOutput().split('\n')) {
        const QList<QByteArray> fields = line.split(' ');
        if (fields.size() == 3)
            timings[QString::fromUtf8(fields[0])] = {fields[1].toDouble(), fields[2].toDouble()};
    }
    require(qsizetype(timings.size()) == kTimedScreens.size(), "file timings read");
    return timings;
}

void printTimings(DelayingProxy &proxy, const ScreenTimings &onFile)
{
    std::printf("\nThrough the delaying proxy, against the same on the file; goals at 30 ms each way: a screen\n"
                "opens within %.1f s of the file, a move within %.1f round trips (ten moves within 1 s of the file)\n\n",
                kScreenGoalS, kMoveGoalRoundTrips);
    std::printf("  %-7s %6s %12s %12s %10s %14s %14s %12s\n", "screen", "delay", "open (ms)", "file (ms)",
                "extra (s)", "10 moves (ms)", "file (ms)", "round trips");
    for (const int delay : kDelaysMs) {
        proxy.setDelayMs(delay);
        const ScreenTimings onServer = timeScreens(kTimedScreens);
        for (const QString &form : kTimedScreens) {
            const ScreenTiming &server = onServer.at(form);
            const ScreenTiming &file = onFile.at(form);
            const double extraS = (server.openMs - file.openMs) / 1e3;
            const double moveRoundTrips = delay ? server.tenMovesMs / 10 / (2.0 * delay) : 0;
            std::printf("  %-7s %4d ms %12.1f %12.1f %10.2f %14.1f %14.1f %12s", qPrintable(form), delay, server.openMs,
                        file.openMs, extraS, server.tenMovesMs, file.tenMovesMs,
                        delay ? qPrintable(QString::number(moveRoundTrips, 'f', 2)) : "-");
            if (delay == 30)
                std::printf("  open %s, move %s, ten moves %s", mark(extraS <= kScreenGoalS),
                            mark(moveRoundTrips <= kMoveGoalRoundTrips), mark(server.tenMovesMs - file.tenMovesMs <= 1000));
            std::printf("\n");
        }
    }
}

/// The program's start on a database already made, its main window on a connection of its own.
void printStart(DelayingProxy &proxy)
{
    proxy.setDelayMs(kWakingDelayMs);
    EngineConnection::restProgramConnections();
    QElapsedTimer timer;
    timer.start();
    std::unique_ptr<MainForm> program;
    const Cost started = costOf(proxy, [&] { program = startProgram(); });
    std::printf("\nThe program's start at %d ms each way: %s in %.0f ms\n", kWakingDelayMs, qPrintable(started.text()),
                elapsedMs(timer));
}

/// The first move after an idle program let go of its connection, which opens it again.
void printWaking(DelayingProxy &proxy, Observer &observer)
{
    proxy.setDelayMs(kWakingDelayMs);
    const ScreenEntry service = screenEntries().first();
    const std::unique_ptr<Screen> screen = openScreen(service.declaration());
    RecordSource &source = mainSource(*screen);
    QElapsedTimer resting;
    resting.start();
    const Cost rest = costOf(proxy, [] { EngineConnection::restProgramConnections(); });
    const double restMs = elapsedMs(resting);
    // The server's process ends a moment after the connection closes.
    int held = observer.programConnections();
    for (int wait = 0; held > 0 && wait < 100; ++wait) {
        QThread::msleep(10);
        held = observer.programConnections();
    }
    QElapsedTimer timer;
    timer.start();
    const Cost woken = costOf(proxy, [&] { require(source.moveNext()); });
    const double wakingMs = elapsedMs(timer);
    timer.restart();
    const Cost moved = costOf(proxy, [&] { require(source.moveNext()); });
    std::printf("\nAn idle program lets go of its connection (%s, %.0f ms; %d held while at rest); on %s at %d ms\n"
                "each way, its next move %s in %.0f ms, the move after %s in %.0f ms\n",
                qPrintable(rest.text()), restMs, held, qPrintable(service.form), kWakingDelayMs,
                qPrintable(woken.text()), wakingMs, qPrintable(moved.text()), elapsedMs(timer));
}

/// Saves a second of the writers together, each a program of its own saving rows no other one saves.
double savesPerSecond(const QString &self, const QString &address, const QString &kind)
{
    std::vector<std::unique_ptr<QProcess>> writers;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("VEMO_DATABASE"), address);
    for (int i = 0; i < kWriters; ++i) {
        auto writer = std::make_unique<QProcess>();
        writer->setProcessEnvironment(environment);
        writer->setProcessChannelMode(QProcess::ForwardedErrorChannel);
        writer->start(self, {QStringLiteral("--writer"), kind, QString::number(i)});
        writers.push_back(std::move(writer));
    }
    for (auto &writer : writers)
        require(writer->waitForReadyRead(60'000) && writer->readLine().trimmed() == "ready", "writer ready");
    // Written out at once, not when each writer's end is waited for: they must all start together.
    for (auto &writer : writers)
        require(writer->write("go\n") == 3 && writer->waitForBytesWritten(10'000), "go sent");
    long saves = 0;
    for (auto &writer : writers) {
        require(writer->waitForFinished(120'000) && writer->exitCode() == 0, "writer finished");
        saves += writer->readAllStandardOutput().trimmed().toLong();
    }
    return saves / kWritingSeconds;
}

void printWriters(DelayingProxy &proxy, const QString &self, const QString &address)
{
    proxy.setDelayMs(kWritersDelayMs);
    const double plain = savesPerSecond(self, address, QStringLiteral("plain"));
    const double screens = savesPerSecond(self, address, QStringLiteral("source"));
    std::printf("\n%d programs saving different rows at once, %d ms each way, for %.0f s:\n"
                "  record source saves %.1f/s (goal >= %.0f: %s); a plain one-statement update of the row, "
                "the baseline, %.1f/s (%.2fx)\n",
                kWriters, kWritersDelayMs, kWritingSeconds, screens, kWritersGoal, mark(screens >= kWritersGoal), plain,
                screens / plain);
}

int runBench(const QString &self)
{
    QString address = qEnvironmentVariable("VEMO_BENCH_POSTGRES");
    if (address.isEmpty())
        address = qEnvironmentVariable("VEMO_TEST_POSTGRES");
    require(!address.isEmpty(), "a server: run under scripts/with-postgres or set VEMO_BENCH_POSTGRES");
    const ServerPlace place = ServerPlace::parse(address);
    DelayingProxy proxy(place.upstream());
    require(proxy.port() != 0, "proxy listening");
    const QString proxied = QStringLiteral("postgresql://%1@127.0.0.1:%2/%3").arg(place.user).arg(proxy.port()).arg(place.database);
    QTemporaryDir home;
    qputenv("VEMO_HOME", home.path().toUtf8());
    qputenv("VEMO_DATABASE", proxied.toUtf8());
    std::printf("server %s through the proxy at %s; every table %d rows\n", qPrintable(address), qPrintable(proxied),
                kRows);
    QElapsedTimer timer;
    timer.start();
    const auto took = [&timer](const char *what) { std::fprintf(stderr, "(%s: %.0f s)\n", what, timer.restart() / 1e3); };
    fillDatabase(true);
    Observer observer(place);
    took("filled");
    printActions(proxy, observer);
    took("actions");
    const ScreenTimings onFile = fileTimings(self);
    took("file");
    printTimings(proxy, onFile);
    took("timings");
    printWaking(proxy, observer);
    took("waking");
    printStart(proxy);
    took("start");
    printWriters(proxy, self, proxied);
    took("writers");
    return 0;
}

} // namespace

int main(int argc, char *argv[])
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    std::setvbuf(stdout, nullptr, _IOLBF, 0);
    const QString mode = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QString();
    if (mode == QLatin1String("--writer")) {
        QCoreApplication application(argc, argv);
        return runWriter(application.arguments().value(2), application.arguments().value(3).toInt());
    }
    QApplication application(argc, argv);
    if (mode == QLatin1String("--file-timings"))
        return printFileTimings(kTimedScreens);
    return runBench(application.applicationFilePath());
}
