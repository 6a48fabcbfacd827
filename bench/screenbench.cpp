// Opens every built screen through the real builder, offscreen, on tables of
// 1,000 and of 1,000,000 rows, and prints what the larger tables add to the
// opening time and to memory; then times finds with the only match at the
// end. With --ten-million or --hundred-million it also opens the material
// stock screen on 10,000,000 or 100,000,000 rows (several GB of disk).

#include "bench/benchsupport.h"
#include "app/screencatalog.h"
#include "commands/qtdialogs.h"
#include "data/connection/databaselocation.h"
#include "data/connection/engineconnection.h"
#include "data/records/recordsource.h"
#include "data/schema.h"
#include "screens/screen.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QSqlQuery>
#include <QTemporaryDir>


#include <cstdio>
#include <map>
#include <memory>

namespace {

constexpr int kSmallRows = 1'000;
constexpr int kLargeRows = 1'000'000;
constexpr int kTenMillionRows = 10'000'000;
constexpr int kHundredMillionRows = 100'000'000;
// What a screen on a large table may add over the same screen on a small one.
constexpr double kExtraOpeningGoalS = 0.03;
constexpr double kBytesPerRowGoal = 1;
constexpr int kIndexedFinds = 200;
constexpr int kScannedFinds = 3;

/// Every column of a row holds the column's name and the row's number, so the
/// codes of one table name the rows of another: CSF's customerno N is CF's.
QString generatedValue(const ColumnDefinition &column)
{
    switch (column.type) {
    case ColumnType::WholeNumber:
        return QStringLiteral("i % 500");
    case ColumnType::Document:
        return QStringLiteral("NULL");
    case ColumnType::Text:
        break;
    }
    return QStringLiteral("printf('%1%08d', i)").arg(column.name);
}

/// In one statement, as a row at a time would take hours for a hundred million.
void fill(QSqlDatabase database, const TableDefinition &table, int rows)
{
    QStringList values;
    for (const ColumnDefinition &column : table.columns)
        values << generatedValue(column);
    QSqlQuery insert(database);
    require(insert.exec(QStringLiteral("WITH RECURSIVE n(i) AS (SELECT 0 WHERE %1 > 0 UNION ALL SELECT i + 1 FROM n "
                                       "WHERE i + 1 < %1) INSERT INTO \"%2\" SELECT %3 FROM n")
                            .arg(rows)
                            .arg(table.name, values.join(QStringLiteral(", ")))),
            "fill");
}

/// A fresh database whose tables hold the given number of rows each.
std::unique_ptr<QTemporaryDir> makeDatabase(const std::map<QString, int> &rowsByTable, int otherRows)
{
    auto home = std::make_unique<QTemporaryDir>();
    require(home->isValid(), "temporary folder");
    qputenv("VEMO_HOME", home->path().toUtf8());
    EngineConnection connection;
    require(connection.open(kDatabasePath, EngineConnection::Missing::Create));
    // No journal while filling: the log of a hundred million rows in one statement would outgrow the disk.
    QSqlQuery pragma(connection.database());
    require(pragma.exec(QStringLiteral("PRAGMA journal_mode = OFF")) && pragma.exec(QStringLiteral("PRAGMA synchronous = OFF")),
            "journal off");
    for (const TableDefinition &table : schemaTables()) {
        const auto found = rowsByTable.find(table.name);
        fill(connection.database(), table, found == rowsByTable.end() ? otherRows : found->second);
    }
    require(pragma.exec(QStringLiteral("PRAGMA journal_mode = WAL")), "journal back");
    return home;
}

struct Opening
{
    double ms = 0;
    double bytes = 0;
};

Opening openScreen(const ScreenEntry &entry)
{
    QtDialogs dialogs;
    QString lastSearchText;
    const double before = residentBytes();
    QElapsedTimer timer;
    timer.start();
    Screen screen(entry.declaration(), dialogs, lastSearchText);
    screen.show();
    QApplication::processEvents();
    Opening opening{timer.nsecsElapsed() / 1e6, residentBytes() - before};
    require(screen.buildFailures().isEmpty(), "screen built without failures");
    return opening;
}

std::map<QString, Opening> openEveryScreen()
{
    std::map<QString, Opening> openings;
    for (const MenuGroup &group : menuGroups()) {
        for (const ScreenEntry &entry : group.entries) {
            if (!entry.declaration)
                continue;
            openScreen(entry); // the first opening pays for fonts and the engine's start
            openings[entry.form] = openScreen(entry);
        }
    }
    return openings;
}

double findMs(RecordSource &source, const QString &criterion, int finds)
{
    QElapsedTimer timer;
    timer.start();
    for (int i = 0; i < finds; ++i) {
        require(source.moveFirst());
        require(source.findFirst(criterion));
    }
    require(!source.noMatch() && source.currentIndex() == source.rowCount() - 1, "find the last row");
    return timer.nsecsElapsed() / 1e6 / finds;
}

void printFinds(int rows)
{
    RecordSource source(QStringLiteral("Data1"));
    require(source.open(kDatabasePath, QStringLiteral("MSF")));
    const int last = rows - 1;
    const double indexed = findMs(source, QStringLiteral("[materielno] = 'materielno%1'").arg(last, 8, 10, QLatin1Char('0')),
                                  kIndexedFinds);
    // materiel is compared by no search or lookup, so its find scans.
    const double scanned =
        findMs(source, QStringLiteral("[materiel] = 'materiel%1'").arg(last, 8, 10, QLatin1Char('0')), kScannedFinds);
    std::printf("  find first on MSF, only match at the end of %d rows: materielno %.3f ms, materiel (no index) %.3f ms (%.0fx)\n",
                rows, indexed, scanned, scanned / indexed);
}

void compareScreens()
{
    std::map<QString, Opening> small, large;
    {
        const auto home = makeDatabase({}, kSmallRows);
        small = openEveryScreen();
        printFinds(kSmallRows);
    }
    {
        QElapsedTimer filling;
        filling.start();
        const auto home = makeDatabase({}, kLargeRows);
        std::printf("  (filled every table with %d rows in %.0f s)\n", kLargeRows, filling.elapsed() / 1e3);
        large = openEveryScreen();
        printFinds(kLargeRows);
    }
    std::printf("\n  the same screen on 1k rows is the baseline; goals: extra <= %.2f s, extra <= %.0f B/row\n",
                kExtraOpeningGoalS, kBytesPerRowGoal);
    std::printf("  %-7s %14s %14s %14s %12s %18s %12s\n", "screen", "open 1k (ms)", "open 1M (ms)", "extra (s)",
                "/ goal", "extra (B/row)", "/ goal");
    for (const auto &[form, opening] : large) {
        const Opening &base = small.at(form);
        const double extraS = (opening.ms - base.ms) / 1e3;
        const double bytesPerRow = (opening.bytes - base.bytes) / (kLargeRows - kSmallRows);
        std::printf("  %-7s %14.1f %14.1f %14.3f %11.2fx %18.1f %11.2fx\n", qPrintable(form), base.ms, opening.ms,
                    extraS, extraS / kExtraOpeningGoalS, bytesPerRow, bytesPerRow / kBytesPerRowGoal);
    }
}

void openHugeStock(int rows)
{
    const ScreenEntry *form6 = nullptr;
    for (const MenuGroup &group : menuGroups()) {
        for (const ScreenEntry &entry : group.entries) {
            if (entry.form == QStringLiteral("Form6"))
                form6 = &entry;
        }
    }
    require(form6 && form6->declaration, "Form6 declared");
    QElapsedTimer filling;
    filling.start();
    const auto home = makeDatabase({{QStringLiteral("MSF"), rows}}, kSmallRows);
    std::printf("\n  (filled MSF with %d rows in %.0f s; the file is %.1f GB)\n", rows, filling.elapsed() / 1e3,
                QFileInfo(mappedDatabaseFile(kDatabasePath)).size() / 1e9);
    openScreen(*form6);
    const Opening opening = openScreen(*form6);
    std::printf("\n  Form6 on %d rows: open %.3f s (goal < 1 s), %.2f B/row (goal < %.0f)\n", rows, opening.ms / 1e3,
                opening.bytes / rows, kBytesPerRowGoal);
    printFinds(rows);
}

} // namespace

int main(int argc, char *argv[])
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    std::setvbuf(stdout, nullptr, _IOLBF, 0);
    QApplication application(argc, argv);
    compareScreens();
    if (application.arguments().contains(QStringLiteral("--ten-million")))
        openHugeStock(kTenMillionRows);
    if (application.arguments().contains(QStringLiteral("--hundred-million")))
        openHugeStock(kHundredMillionRows);
    return 0;
}
