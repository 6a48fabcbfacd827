// vemo-admin beside the plain tools doing the same job on the same data, on
// material tables of 1,000 and 1,000,000 rows: export against sqlite3 -csv,
// copy --to a server against sqlite3 -csv piped into psql's \copy, copy
// --from against psql's \copy piped into sqlite3's .import, and the import of
// the Jet 3 sample against mdb-export piped into sqlite3's .import. Each
// figure is the best of three; the server is the one VEMO_BENCH_POSTGRES
// (else VEMO_TEST_POSTGRES) names:
//   scripts/with-postgres build/bench/vemo_tool_bench

#include "bench/benchsupport.h"
#include "data/connection/engineconnection.h"
#include "data/connection/serveraddress.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>

namespace {

constexpr int kTrials = 3;
const QString kColumns = QStringLiteral("materielno, materiel, location, inventory, safestock, price, retire, supplierno");

// The Jet 3 sample's tables that have a vemo table to go into.
const char *const kSampleMap = R"({"tables": {
  "Customers": {"into": "CF", "columns": {"CustomerID": "customerno", "CompanyName": "companyname",
                "Address": "address", "City": "city", "Phone": "telphoneno", "Fax": "faxno"}},
  "Suppliers": {"into": "SUPPLIER", "columns": {"SupplierID": "supplierno", "CompanyName": "supplier",
                "ContactName": "contactman", "Address": "address", "Phone": "phoneno", "Fax": "faxno"}},
  "Products": {"into": "MSF", "columns": {"ProductID": "materielno", "ProductName": "materiel",
               "UnitsInStock": "inventory", "ReorderLevel": "safestock", "UnitPrice": "price",
               "Discontinued": "retire", "SupplierID": "supplierno"}},
  "Employees": {"into": "EMPLOYEE", "columns": {"EmployeeID": "empno", "LastName": "empname",
                "Title": "title", "BirthDate": "birthday", "Address": "address", "HomePhone": "phoneno",
                "HireDate": "postingdate", "Photo": "picture"}}
}})";

QString g_admin;

/// Runs a shell command line, failing the bench when it fails; returns
/// seconds. What it tells on standard error is shown only when it fails.
double run(const QString &commandLine)
{
    QProcess process;
    process.setStandardOutputFile(QProcess::nullDevice());
    QElapsedTimer timer;
    timer.start();
    process.start(QStringLiteral("bash"), {QStringLiteral("-c"), commandLine});
    const bool finished = process.waitForFinished(-1);
    const double seconds = timer.nsecsElapsed() / 1e9;
    if (!finished || process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0) {
        std::fprintf(stderr, "failed: %s\n%s", qPrintable(commandLine), process.readAllStandardError().constData());
        require(false, "command");
    }
    return seconds;
}

QString quoted(const QString &text)
{
    return QLatin1Char('\'') + QString(text).replace(QLatin1Char('\''), QStringLiteral("'\\''")) + QLatin1Char('\'');
}

/// The best of the trials, each after its own preparation (not timed).
template <typename Prepare, typename Step>
double best(Prepare prepare, Step step)
{
    double fastest = 1e300;
    for (int trial = 0; trial < kTrials; ++trial) {
        prepare(trial);
        fastest = std::min(fastest, step(trial));
    }
    return fastest;
}

void fillMaterials(const QString &file, int rows)
{
    EngineConnection connection;
    require(connection.open(file, EngineConnection::Missing::Create));
    require(connection.execute(
        QStringLiteral("WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < %1) "
                       "INSERT INTO MSF (%2) SELECT printf('M%07d', i), 'material ' || i, 'shelf ' || (i % 40), "
                       "i % 500, '10', '' || (50 + i % 20000), '0', 'S' || (i % 300) FROM n")
            .arg(rows)
            .arg(kColumns)));
}

/// A fresh schema on the server, and the address that works in it.
QString serverSchema(const QString &server, const QString &name)
{
    EngineConnection administration;
    require(administration.open(server));
    require(administration.execute(QStringLiteral("SET client_min_messages = warning")));
    require(administration.execute(QStringLiteral("DROP SCHEMA IF EXISTS %1 CASCADE").arg(name)));
    require(administration.execute(QStringLiteral("DROP ROLE IF EXISTS %1").arg(name)));
    require(administration.execute(QStringLiteral("CREATE ROLE %1 LOGIN").arg(name)));
    require(administration.execute(QStringLiteral("CREATE SCHEMA %1 AUTHORIZATION %1").arg(name)));
    ServerAddress address;
    require(ServerAddress::parse(server, address));
    // A role named like its schema finds the schema first through the default search path "$user".
    address.user = name;
    return address.text();
}

void dropSchema(const QString &server, const QString &name)
{
    EngineConnection administration;
    require(administration.open(server));
    require(administration.execute(QStringLiteral("SET client_min_messages = warning")));
    require(administration.execute(QStringLiteral("DROP SCHEMA IF EXISTS %1 CASCADE").arg(name)));
    require(administration.execute(QStringLiteral("DROP ROLE IF EXISTS %1").arg(name)));
}

void printRatio(const char *what, double figure, double baseline, const char *tool, double goal)
{
    std::printf("  %-24s %9.3f s against %9.3f s (%s) %6.2fx  (goal <= %.1fx)\n", what, figure, baseline, tool,
                figure / baseline, goal);
    std::fflush(stdout);
}

void compareOn(int rows, const QString &server)
{
    QTemporaryDir folder;
    const QDir dir(folder.path());
    const QString file = dir.filePath(QStringLiteral("vemo.sqlite"));
    fillMaterials(file, rows);
    std::printf("\nMSF, %d rows\n", rows);
    const QString admin = quoted(g_admin) + QStringLiteral(" --quiet --database ");
    const QString csv = quoted(dir.filePath(QStringLiteral("out.csv")));

    const double exportS = best([](int) {}, [&](int) { return run(admin + quoted(file) + " export MSF --output " + csv); });
    const double sqliteS = best([](int) {}, [&](int) {
        return run(QStringLiteral("sqlite3 -csv -header %1 'SELECT %2 FROM MSF' > %3").arg(quoted(file), kColumns, csv));
    });
    printRatio("export", exportS, sqliteS, "sqlite3 -csv -header", 1.2);

    const QString schema = QStringLiteral("vemo_tool_bench_%1").arg(QCoreApplication::applicationPid());
    QString address;
    const double copyToS = best([&](int) { address = serverSchema(server, schema); },
                                [&](int) { return run(admin + quoted(file) + " copy --to " + quoted(address)); });
    const double psqlInS = best([&](int) { run(QStringLiteral("psql -q %1 -c 'TRUNCATE msf'").arg(quoted(address))); },
                                [&](int) {
                                    return run(QStringLiteral("sqlite3 -csv %1 'SELECT %2 FROM MSF' | psql -q %3 -c "
                                                              "'\\copy msf (%2) from stdin csv'")
                                                   .arg(quoted(file), kColumns, quoted(address)));
                                });
    printRatio("copy --to the server", copyToS, psqlInS, "sqlite3 -csv | psql \\copy", 1.5);

    const QString back = dir.filePath(QStringLiteral("back.sqlite"));
    const double copyFromS = best([&](int) { QFile::remove(back); },
                                  [&](int) { return run(admin + quoted(back) + " copy --from " + quoted(address)); });
    const double psqlOutS = best([&](int) { run(QStringLiteral("sqlite3 %1 'DELETE FROM MSF'").arg(quoted(back))); },
                                 [&](int) {
                                     return run(QStringLiteral("psql -q %1 -c '\\copy msf (%2) to stdout csv' | sqlite3 "
                                                               "%3 '.import --csv /dev/stdin MSF'")
                                                    .arg(quoted(address), kColumns, quoted(back)));
                                 });
    printRatio("copy --from the server", copyFromS, psqlOutS, "psql \\copy | sqlite3 .import", 1.5);
    dropSchema(server, schema);
}

void compareImport(const QString &sample)
{
    QTemporaryDir folder;
    const QDir dir(folder.path());
    const QString map = dir.filePath(QStringLiteral("map.json"));
    QFile mapFile(map);
    require(mapFile.open(QIODevice::WriteOnly) && mapFile.write(kSampleMap) > 0, "map file");
    mapFile.close();
    const QString target = dir.filePath(QStringLiteral("imported.sqlite"));
    std::printf("\nimport of %s (Customers, Suppliers, Products, Employees)\n", qPrintable(QFileInfo(sample).fileName()));
    const double importS = best([&](int) { QFile::remove(target); }, [&](int) {
        return run(quoted(g_admin) + " --quiet --database " + quoted(target) + " import " + quoted(sample) + " --map "
                   + quoted(map));
    });
    QString plain;
    for (const char *table : {"Customers", "Suppliers", "Products", "Employees"})
        plain += QStringLiteral("mdb-export %1 %2 | sqlite3 %3 '.import --csv /dev/stdin %2'; ")
                     .arg(quoted(sample), QString::fromLatin1(table), quoted(dir.filePath(QStringLiteral("plain.sqlite"))));
    const double plainS =
        best([&](int) { QFile::remove(dir.filePath(QStringLiteral("plain.sqlite"))); }, [&](int) { return run(plain); });
    printRatio("import", importS, plainS, "mdb-export | sqlite3 .import", 1.2);
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication application(argc, argv);
    std::setvbuf(stdout, nullptr, _IOLBF, 0);
    QString server = qEnvironmentVariable("VEMO_BENCH_POSTGRES");
    if (server.isEmpty())
        server = qEnvironmentVariable("VEMO_TEST_POSTGRES");
    g_admin = QDir(QCoreApplication::applicationDirPath()).filePath(QStringLiteral("../vemo-admin"));
    for (const char *tool : {"sqlite3", "psql", "mdb-export"}) {
        if (QStandardPaths::findExecutable(QString::fromLatin1(tool)).isEmpty()) {
            std::fprintf(stderr, "%s is not installed: it is the baseline\n", tool);
            return 2;
        }
    }
    if (server.isEmpty() || !QFileInfo::exists(g_admin)) {
        std::fprintf(stderr, "no server (run under scripts/with-postgres) or no vemo-admin beside the bench\n");
        return 2;
    }
    std::printf("best of %d; each ratio against the plain tools run on the same data in this run\n", kTrials);
    compareImport(QStringLiteral(VEMO_SOURCE_DIR "/tests/data/legacy/jet3-sample-with-pictures.mdb"));
    for (int rows : {1'000, 1'000'000})
        compareOn(rows, server);
    return 0;
}
