// What the history of every change costs: a save through a record source on a
// database with the history beside the same save on one without it, and
// history TABLE KEY on 1,000,000 history lines beside reading the row itself
// by its key, on the file and on the server that VEMO_BENCH_POSTGRES (else
// VEMO_TEST_POSTGRES) names.

#include "bench/benchsupport.h"
#include "data/connection/engineconnection.h"
#include "data/connection/serveraddress.h"
#include "data/records/recordsource.h"
#include "data/tables/history.h"
#include "data/tables/transaction.h"

#include <QCoreApplication>
#include <QSqlQuery>
#include <QTemporaryDir>

#include <cstdio>

namespace {

constexpr int kSaves = 600;
constexpr int kSavesATurn = 20;
constexpr int kReads = 200;
constexpr int kHistoryLines = 1'000'000;
constexpr int kKeys = 100'000;

/// A fresh database: a file in the folder, or a schema of its own on the server.
class BenchDatabase
{
public:
    BenchDatabase(const QString &server, const QTemporaryDir &folder, const QString &name) : m_server(server)
    {
        if (server.isEmpty()) {
            m_path = folder.filePath(name + QStringLiteral(".sqlite"));
        } else {
            m_schema = QStringLiteral("vemo_history_bench_%1_%2").arg(QCoreApplication::applicationPid()).arg(name);
            EngineConnection administration;
            require(administration.open(server));
            // The bench's roles own no database: the caseless text type is added once, where every role finds it.
            require(administration.execute(QStringLiteral("CREATE EXTENSION IF NOT EXISTS citext SCHEMA public")));
            require(administration.execute(QStringLiteral("CREATE ROLE %1 LOGIN").arg(m_schema)));
            require(administration.execute(QStringLiteral("CREATE SCHEMA %1 AUTHORIZATION %1").arg(m_schema)));
            ServerAddress address;
            require(ServerAddress::parse(server, address));
            address.user = m_schema;
            m_path = address.text();
        }
        require(m_connection.open(m_path, EngineConnection::Missing::Create));
    }
    ~BenchDatabase()
    {
        m_connection.close();
        if (m_schema.isEmpty())
            return;
        EngineConnection administration;
        require(administration.open(m_server));
        require(administration.execute(QStringLiteral("SET client_min_messages = warning")));
        require(administration.execute(QStringLiteral("DROP SCHEMA %1 CASCADE").arg(m_schema)));
        require(administration.execute(QStringLiteral("DROP ROLE %1").arg(m_schema)));
    }
    QString path() const { return m_path; }
    bool onServer() const { return !m_schema.isEmpty(); }
    EngineConnection &connection() { return m_connection; }

private:
    QString m_server;
    QString m_schema;
    QString m_path;
    EngineConnection m_connection;
};

void withoutHistory(BenchDatabase &database)
{
    QSqlDatabase connection = database.connection().database();
    Transaction transaction(connection);
    require(transaction.begin(Transaction::Kind::Writing));
    require(transaction.end(suspendHistory(connection)));
}

/// A customer on a screen whose address is saved again and again.
class Saving
{
public:
    explicit Saving(BenchDatabase &database) : m_source(QStringLiteral("Data1"))
    {
        require(database.connection().execute(
            QStringLiteral("INSERT INTO CF (customerno, companyname, address) VALUES ('C1', '甲公司', '台北市')")));
        require(m_source.open(database.path(), QStringLiteral("CF")));
    }
    /// The time of saves, in microseconds, added up.
    void save(int saves)
    {
        m_microseconds += microsecondsEach(saves, [&](int) {
            require(m_source.setValue(QStringLiteral("address"), QStringLiteral("台北市中山路 %1 號").arg(++m_saves)),
                    "set the address");
            require(m_source.update());
        }) * saves;
    }
    double mean() const { return m_microseconds / m_saves; }

private:
    RecordSource m_source;
    int m_saves = 0;
    double m_microseconds = 0;
};

/// Adds kKeys customers, whose inserts the history records, and then a million
/// lines of changes to them, ten a customer, each with one changed column.
void fillHistory(BenchDatabase &database)
{
    const QString numbers = database.onServer()
                              ? QStringLiteral("SELECT i FROM generate_series(1, %1) AS i").arg(kHistoryLines)
                              : QStringLiteral("WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < %1) "
                                               "SELECT i FROM n").arg(kHistoryLines);
    const QString key = QStringLiteral("'C' || (i % %1)").arg(kKeys);
    require(database.connection().execute(
        QStringLiteral("INSERT INTO CF (customerno, address) SELECT %1, 'x' FROM (%2) AS n WHERE i <= %3")
            .arg(key, numbers, QString::number(kKeys))));
    require(database.connection().execute(
        QStringLiteral("INSERT INTO HISTORY (changeno, changedat, username, hostname, program, tablename, rowkey, action) "
                       "SELECT i + 10000000, '2026-01-01 00:00:00.000', 'office', 'desk1', 'vemo', 'CF', %1, 'update' FROM (%2) AS n")
            .arg(key, numbers)));
    require(database.connection().execute(
        QStringLiteral("INSERT INTO HISTORYVALUE (changeno, columnname, columnno, oldvalue, newvalue) "
                       "SELECT i + 10000000, 'address', 3, 'old ' || i, 'new ' || i FROM (%1) AS n").arg(numbers)));
    if (database.onServer())
        for (const char *table : {"cf", "history", "historyvalue"})
            require(database.connection().execute(QStringLiteral("ANALYZE %1").arg(QLatin1String(table))));
}

double historyReadMs(BenchDatabase &database)
{
    QVector<HistoryLine> lines;
    return microsecondsEach(kReads, [&](int read) {
        require(readHistory(database.connection().database(),
                            {QStringLiteral("CF"), QStringLiteral("C%1").arg(read * 397 % kKeys), {}, {}}, lines));
        // Ten updates of one column each, and the insert of the key and the address.
        require(lines.size() == kHistoryLines / kKeys + 2, "twelve lines a customer");
    }) / 1e3;
}

double rowReadMs(BenchDatabase &database)
{
    QSqlQuery query(database.connection().database());
    require(query.prepare(QStringLiteral("SELECT * FROM CF WHERE customerno = ?")), "prepare the row's read");
    return microsecondsEach(kReads, [&](int read) {
        query.addBindValue(QStringLiteral("C%1").arg(read * 397 % kKeys));
        require(query.exec() && query.next(), "read the row");
    }) / 1e3;
}

void measure(const char *engine, const QString &server)
{
    QTemporaryDir folder;
    double without = 0;
    double with = 0;
    {
        BenchDatabase plain(server, folder, QStringLiteral("without"));
        withoutHistory(plain);
        BenchDatabase recorded(server, folder, QStringLiteral("with"));
        Saving savingPlain(plain);
        Saving savingRecorded(recorded);
        // Turns of a few saves each, so that what else the machine does weighs on both alike.
        for (int turn = 0; turn < kSaves / kSavesATurn; ++turn) {
            savingPlain.save(kSavesATurn);
            savingRecorded.save(kSavesATurn);
        }
        without = savingPlain.mean();
        with = savingRecorded.mean();
    }
    std::printf("\n%s\n", engine);
    std::printf("  %-46s %10.0f µs without history %10.0f µs with %6.2fx (goal 1.2x)\n", "a save through a record source",
                without, with, with / without);
    std::fflush(stdout);
    BenchDatabase database(server, folder, QStringLiteral("lines"));
    fillHistory(database);
    const double row = rowReadMs(database);
    const double history = historyReadMs(database);
    std::printf("  %-46s %10.3f ms the row by its key  %10.3f ms history (goal 10 ms)\n",
                "history CF KEY on 1,000,000 lines", row, history);
    std::fflush(stdout);
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication application(argc, argv);
    const QString server = benchServer();
    if (server.isEmpty())
        return 2;
    std::printf("%d saves and %d reads per figure; times are means\n", kSaves, kReads);
    measure("file (SQLite)", QString());
    measure("server (PostgreSQL)", server);
    return 0;
}
