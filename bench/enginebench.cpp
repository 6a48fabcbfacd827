// The record source and the stock update on the embedded file and on a
// PostgreSQL server side by side, on material tables of 1,000 and 1,000,000
// rows. The server is the one VEMO_BENCH_POSTGRES (else VEMO_TEST_POSTGRES)
// names; scripts/with-postgres starts a throw-away one:
//   scripts/with-postgres build/bench/vemo_engine_bench

#include "bench/benchsupport.h"
#include "bound/recordgridmodel.h"
#include "data/connection/databaselocation.h"
#include "data/connection/engineconnection.h"
#include "data/records/recordsource.h"
#include "data/connection/serveraddress.h"
#include "data/records/stockupdate.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QSqlQuery>
#include <QSqlTableModel>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

constexpr int kMoves = 2000;
constexpr int kFinds = 50;
constexpr int kStockUpdates = 50;
constexpr int kScreenRows = 30;

/// The rows' values, as expressions of i = 1..rows, the same on both engines.
QString materialValues(const QString &number)
{
    return QStringLiteral("%1, 'material ' || i, 'shelf ' || (i % 40), i % 500, '10', '' || (50 + i % 20000), '0', "
                          "'S' || (i % 300)")
        .arg(number);
}

const QString kColumns = QStringLiteral("materielno, materiel, location, inventory, safestock, price, retire, supplierno");

/// Fills MSF in one statement; returns the statement's shape for the report.
QString fillMaterials(int rows, bool onServer)
{
    EngineConnection connection;
    require(connection.open(kDatabasePath, EngineConnection::Missing::Create));
    const QString count = QString::number(rows);
    const QString sql =
        onServer ? QStringLiteral("INSERT INTO msf (%1) SELECT %2 FROM generate_series(1, %3) AS i")
                       .arg(kColumns, materialValues(QStringLiteral("'M' || lpad(i::text, 7, '0')")), count)
                 : QStringLiteral("WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < %3) "
                                  "INSERT INTO MSF (%1) SELECT %2 FROM n")
                       .arg(kColumns, materialValues(QStringLiteral("printf('M%07d', i)")), count);
    require(connection.execute(sql));
    if (onServer)
        require(connection.execute(QStringLiteral("ANALYZE msf")));
    return onServer ? QStringLiteral("INSERT … SELECT … FROM generate_series(1, %1); ANALYZE").arg(count)
                    : QStringLiteral("WITH RECURSIVE n(i) … INSERT … SELECT … FROM n (%1 rows)").arg(count);
}

struct Figures
{
    QString fill;
    double fillS = 0, openMs = 0, moveFirstUs = 0, moveLastUs = 0, moveNextUs = 0, movePreviousUs = 0;
    double findMs = 0, gridPageUs = 0, stockUpdateMs = 0;
    // The baselines: a point read by row identity prepared once, and QSqlTableModel's page.
    double pointReadUs = 0, tableModelPageUs = 0;

    double slowestMoveUs() const { return std::max({moveFirstUs, moveLastUs, moveNextUs, movePreviousUs}); }
};

/// A prepared read of one whole row by its identity, executed again for each
/// row as a plain program would (pgbench -M prepared, sqlite3_reset and step).
double pointReadUs(const QSqlDatabase &database, const QString &identity, int rows)
{
    QSqlQuery query(database);
    query.setForwardOnly(true);
    require(query.prepare(QStringLiteral("SELECT %1 FROM msf WHERE %2 = ?").arg(kColumns, identity)), "prepare");
    return microsecondsEach(kMoves, [&](int i) {
        query.addBindValue(qint64(i) * 7919 % rows + 1);
        require(query.exec() && query.next(), "point read");
        query.finish();
    });
}

/// QSqlTableModel showing the same thirty rows at 90%, its select included as the grid's chunk read is.
double tableModelPageUs(const QSqlDatabase &database, const QString &identity, int first)
{
    QElapsedTimer timer;
    timer.start();
    QSqlTableModel model(nullptr, database);
    model.setTable(QStringLiteral("msf"));
    model.setFilter(QStringLiteral("%1 BETWEEN %2 AND %3").arg(identity).arg(first + 1).arg(first + kScreenRows));
    require(model.select(), "table model select");
    for (int row = 0; row < model.rowCount(); ++row) {
        for (int column = 0; column < model.columnCount(); ++column)
            model.data(model.index(row, column), Qt::DisplayRole);
    }
    return timer.nsecsElapsed() / 1e3;
}

void measureRecordSource(int rows, Figures &figures)
{
    QElapsedTimer timer;
    timer.start();
    RecordSource source(QStringLiteral("Data1"));
    require(source.open(kDatabasePath, QStringLiteral("MSF")));
    figures.openMs = elapsedMs(timer);
    require(source.rowCount() == rows, "row count");

    figures.moveFirstUs = microsecondsEach(kMoves, [&](int) { require(source.moveFirst()); });
    figures.moveLastUs = microsecondsEach(kMoves, [&](int) { require(source.moveLast()); });
    require(source.moveFirst());
    figures.moveNextUs = microsecondsEach(kMoves, [&](int) { require(source.moveNext()); });
    require(source.moveLast());
    figures.movePreviousUs = microsecondsEach(kMoves, [&](int) { require(source.movePrevious()); });

    // Finds spread over the table through the index of the material number.
    figures.findMs = microsecondsEach(kFinds, [&](int i) {
        const int row = int(qint64(i + 1) * (rows - 1) / kFinds);
        require(source.findFirst(QStringLiteral("[materielno] = '%1'").arg(materialNumber(row))));
        require(!source.noMatch() && source.currentIndex() == row, "find");
    }) / 1e3;

    RecordGridModel grid(source);
    const int first = rows * 9 / 10;
    timer.restart();
    for (int row = first; row < first + kScreenRows && row < rows; ++row) {
        for (int column = 0; column < grid.columnCount(); ++column)
            grid.data(grid.index(row, column), Qt::DisplayRole);
    }
    figures.gridPageUs = timer.nsecsElapsed() / 1e3;
    require(grid.data(grid.index(first, 0), Qt::DisplayRole) == materialNumber(first), "grid row value");

    const QString identity = source.database().driverName() == QLatin1String("QPSQL") ? QStringLiteral("vemo_rowid")
                                                                                      : QStringLiteral("rowid");
    figures.pointReadUs = pointReadUs(source.database(), identity, rows);
    figures.tableModelPageUs = tableModelPageUs(source.database(), identity, first + kScreenRows);
}

void measureStockUpdate(int rows, Figures &figures)
{
    // Each update lends one from a material whose stock the figure was computed from.
    figures.stockUpdateMs = microsecondsEach(kStockUpdates, [&](int i) {
        const int row = int(qint64(i) * (rows - 1) / kStockUpdates);
        const int stock = (row + 1) % 500;
        require(executeStockUpdate(StockMovement::Lending, stock - 1, materialNumber(row), QString::number(stock)));
    }) / 1e3;
}

Figures measure(int rows, const QString &server)
{
    QTemporaryDir home;
    qputenv("VEMO_HOME", home.path().toUtf8());
    QString schema;
    if (server.isEmpty()) {
        qunsetenv("VEMO_DATABASE");
    } else {
        schema = QStringLiteral("vemo_bench_%1_%2").arg(QCoreApplication::applicationPid()).arg(rows);
        EngineConnection administration;
        require(administration.open(server));
        // A role named like the schema finds it first through the default search path "$user".
        require(administration.execute(QStringLiteral("CREATE ROLE %1 LOGIN").arg(schema)));
        require(administration.execute(QStringLiteral("CREATE SCHEMA %1 AUTHORIZATION %1").arg(schema)));
        ServerAddress address;
        require(ServerAddress::parse(server, address));
        address.user = schema;
        qputenv("VEMO_DATABASE", address.text().toUtf8());
    }
    Figures figures;
    QElapsedTimer timer;
    timer.start();
    figures.fill = fillMaterials(rows, !server.isEmpty());
    figures.fillS = elapsedMs(timer) / 1e3;
    measureRecordSource(rows, figures);
    measureStockUpdate(rows, figures);
    if (!schema.isEmpty()) {
        EngineConnection administration;
        require(administration.open(server));
        require(administration.execute(QStringLiteral("SET client_min_messages = warning")));
        require(administration.execute(QStringLiteral("DROP SCHEMA %1 CASCADE").arg(schema)));
        require(administration.execute(QStringLiteral("DROP ROLE %1").arg(schema)));
    }
    qunsetenv("VEMO_DATABASE");
    return figures;
}

void printRow(const char *what, double file, double server, const char *unit)
{
    std::printf("  %-34s %12.2f %-3s %12.2f %-3s %9.1fx\n", what, file, unit, server, unit, server / file);
}

void print(int rows, const Figures &file, const Figures &server)
{
    std::printf("\nMSF, %d rows\n", rows);
    std::printf("  filled on the file:   %s\n", qPrintable(file.fill));
    std::printf("  filled on the server: %s\n", qPrintable(server.fill));
    std::printf("  %-34s %16s %16s %10s\n", "", "file (SQLite)", "server (PgSQL)", "server/file");
    printRow("fill", file.fillS, server.fillS, "s");
    printRow("open", file.openMs, server.openMs, "ms");
    printRow("moveFirst", file.moveFirstUs, server.moveFirstUs, "us");
    printRow("moveLast", file.moveLastUs, server.moveLastUs, "us");
    printRow("moveNext", file.moveNextUs, server.moveNextUs, "us");
    printRow("movePrevious", file.movePreviousUs, server.movePreviousUs, "us");
    printRow("findFirst by material number", file.findMs, server.findMs, "ms");
    const QByteArray page = QStringLiteral("grid page of %1 rows at 90%").arg(kScreenRows).toLatin1();
    printRow(page.constData(), file.gridPageUs, server.gridPageUs, "us");
    printRow("stock update (own connection)", file.stockUpdateMs, server.stockUpdateMs, "ms");
    printRow("baseline: prepared point read", file.pointReadUs, server.pointReadUs, "us");
    printRow("baseline: QSqlTableModel page", file.tableModelPageUs, server.tableModelPageUs, "us");
    std::fflush(stdout);
}

void printRatio(const char *what, double figure, double baseline, const char *unit, double limit)
{
    std::printf("  %-46s %9.2f %-2s against %9.2f %-2s %7.2fx  (goal <= %.0fx)\n", what, figure, unit, baseline, unit,
                figure / baseline, limit);
}

void printRatios(const Figures &file, const Figures &server, const Figures &smallServer)
{
    std::printf("  against the baselines measured in this run:\n");
    printRatio("slowest move on the file / prepared point read", file.slowestMoveUs(), file.pointReadUs, "us", 2);
    printRatio("slowest move on the server / prepared point read", server.slowestMoveUs(), server.pointReadUs, "us",
               2);
    printRatio("grid page on the file / QSqlTableModel", file.gridPageUs, file.tableModelPageUs, "us", 1);
    printRatio("grid page on the server / QSqlTableModel", server.gridPageUs, server.tableModelPageUs, "us", 1);
    const double extraS = (server.openMs - smallServer.openMs) / 1e3;
    std::printf("  %-46s %9.3f s  over the 1,000-row open (goal <= 0.03 s)\n", "server open", extraS);
    std::fflush(stdout);
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication application(argc, argv);
    const QString server = benchServer();
    if (server.isEmpty())
        return 2;
    std::printf("%d moves of each kind, %d finds, %d stock updates per figure; times are means\n", kMoves, kFinds,
                kStockUpdates);
    Figures smallServer;
    for (int rows : {1'000, 1'000'000}) {
        const Figures file = measure(rows, QString());
        const Figures onServer = measure(rows, server);
        if (rows == 1'000)
            smallServer = onServer;
        print(rows, file, onServer);
        printRatios(file, onServer, smallServer);
    }
    return 0;
}
