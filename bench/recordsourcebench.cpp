// Times the record source against a fully fetched QSqlTableModel on material
// tables of growing size, and checks the figures against the goals.

#include "bench/benchsupport.h"
#include "bound/recordgridmodel.h"
#include "data/connection/databaselocation.h"
#include "data/connection/engineconnection.h"
#include "data/records/recordsource.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QSqlQuery>
#include <QSqlTableModel>
#include <QTemporaryDir>


#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

constexpr int kMoves = 5000;
constexpr int kScreenRows = 30;
constexpr double kConstantTolerance = 2.0; // 1M figure at most this many times the 10k one

struct Figures
{
    int rows = 0;
    double fileBytes = 0;
    double openMs = 0, moveFirstUs = 0, moveLastUs = 0, moveNextUs = 0, movePreviousUs = 0;
    double bookmarkUs = 0, findMs = 0, screenUs = 0, bytesPerRow = 0, usedBytesPerRow = 0;
    double baseOpenMs = 0, baseFindMs = 0, baseScreenUs = 0, baseBytesPerRow = 0;
};

void fillMaterials(int rows)
{
    static const QStringList names = {QStringLiteral("不鏽鋼螺絲 M4x12"), QStringLiteral("電源供應器 350W"),
                                      QStringLiteral("散熱風扇 12 公分"), QStringLiteral("網路線 Cat.6 3 米"),
                                      QStringLiteral("硬碟 1TB 7200 轉"), QStringLiteral("主機板 ATX"),
                                      QStringLiteral("印表機碳粉匣"), QStringLiteral("不斷電系統電池")};
    EngineConnection connection;
    require(connection.open(kDatabasePath, EngineConnection::Missing::Create));
    QSqlDatabase database = connection.database();
    require(database.transaction(), "begin");
    QSqlQuery insert(database);
    require(insert.prepare(QStringLiteral("INSERT INTO MSF (materielno, materiel, location, inventory, safestock, "
                                          "price, retire, supplierno) VALUES (?, ?, ?, ?, ?, ?, ?, ?)")),
            "prepare insert");
    for (int row = 0; row < rows; ++row) {
        insert.bindValue(0, materialNumber(row));
        insert.bindValue(1, names.at(row % names.size()));
        insert.bindValue(2, QStringLiteral("%1區-%2-%3")
                                .arg(QChar(u'A' + row % 6))
                                .arg(row % 40 + 1, 2, 10, QLatin1Char('0'))
                                .arg(row % 5 + 1));
        insert.bindValue(3, row % 500);
        insert.bindValue(4, QString::number(10 + row % 50));
        insert.bindValue(5, QString::number(50 + (row * 37) % 20000));
        insert.bindValue(6, QString::number(row % 7));
        insert.bindValue(7, QStringLiteral("S%1").arg(row % 300 + 1, 4, 10, QLatin1Char('0')));
        require(insert.exec(), "insert");
    }
    require(database.commit(), "commit");
}

double readScreen(const QAbstractItemModel &model, int firstRow)
{
    QElapsedTimer timer;
    timer.start();
    for (int row = firstRow; row < firstRow + kScreenRows; ++row) {
        for (int column = 0; column < model.columnCount(); ++column)
            model.data(model.index(row, column), Qt::DisplayRole);
    }
    const double us = timer.nsecsElapsed() / 1e3;
    require(model.data(model.index(firstRow, 0), Qt::DisplayRole) == materialNumber(firstRow), "grid row value");
    return us;
}

void measureRecordSource(Figures &figures)
{
    const int rows = figures.rows;
    const QString lastMaterial = QStringLiteral("[materielno] = '%1'").arg(materialNumber(rows - 1));

    const double before = residentBytes();
    QElapsedTimer timer;
    timer.start();
    RecordSource source(QStringLiteral("Data1"));
    require(source.open(kDatabasePath, QStringLiteral("MSF")));
    figures.openMs = elapsedMs(timer);
    figures.bytesPerRow = (residentBytes() - before) / rows;
    require(source.rowCount() == rows, "row count");

    figures.moveFirstUs = microsecondsEach(kMoves, [&](int) { require(source.moveFirst()); });
    figures.moveLastUs = microsecondsEach(kMoves, [&](int) { require(source.moveLast()); });
    require(source.moveFirst());
    figures.moveNextUs = microsecondsEach(kMoves, [&](int) { require(source.moveNext()); });
    require(source.moveLast());
    figures.movePreviousUs = microsecondsEach(kMoves, [&](int) { require(source.movePrevious()); });

    // Marks spread over the whole table, so each set lands far from the last.
    std::vector<QVariant> marks;
    for (int i = 0; i < kMoves; ++i) {
        require(source.moveTo(int(qint64(i) * rows / kMoves)));
        marks.push_back(source.bookmark());
    }
    figures.bookmarkUs = microsecondsEach(kMoves, [&](int i) { require(source.setBookmark(marks[i])); });

    require(source.moveFirst());
    timer.restart();
    require(source.findFirst(lastMaterial));
    figures.findMs = elapsedMs(timer);
    require(!source.noMatch() && source.currentIndex() == rows - 1, "find the last row");
    figures.usedBytesPerRow = (residentBytes() - before) / rows;

    RecordGridModel grid(source);
    figures.screenUs = readScreen(grid, rows * 9 / 10);
}

void measureBaseline(Figures &figures)
{
    const int rows = figures.rows;

    const double before = residentBytes();
    QElapsedTimer timer;
    timer.start();
    EngineConnection connection;
    require(connection.open(kDatabasePath));
    QSqlTableModel model(nullptr, connection.database());
    model.setTable(QStringLiteral("MSF"));
    require(model.select(), "select");
    while (model.canFetchMore())
        model.fetchMore();
    figures.baseOpenMs = elapsedMs(timer);
    figures.baseBytesPerRow = (residentBytes() - before) / rows;
    require(model.rowCount() == rows, "baseline row count");

    timer.restart();
    const QModelIndexList found = model.match(model.index(0, 0), Qt::DisplayRole, materialNumber(rows - 1), 1,
                                              Qt::MatchExactly);
    figures.baseFindMs = elapsedMs(timer);
    require(found.size() == 1 && found.first().row() == rows - 1, "baseline find the last row");

    figures.baseScreenUs = readScreen(model, rows * 9 / 10);
}

Figures measure(int rows)
{
    QTemporaryDir home;
    qputenv("VEMO_HOME", home.path().toUtf8());
    Figures figures;
    figures.rows = rows;
    fillMaterials(rows);
    figures.fileBytes = QFileInfo(mappedDatabaseFile(kDatabasePath)).size();
    measureRecordSource(figures);
    measureBaseline(figures);
    return figures;
}

void printRow(const char *what, double source, double baseline, const char *unit)
{
    if (baseline > 0)
        std::printf("  %-30s %12.2f %-5s %12.2f %-5s %9.1fx\n", what, source, unit, baseline, unit, baseline / source);
    else
        std::printf("  %-30s %12.2f %-5s\n", what, source, unit);
}

void print(const Figures &f)
{
    std::printf("\nMSF, %d rows (file %.1f MB)\n", f.rows, f.fileBytes / 1e6);
    std::printf("  %-30s %18s %18s %10s\n", "", "record source", "QSqlTableModel", "ratio");
    printRow("open", f.openMs, f.baseOpenMs, "ms");
    printRow("moveFirst", f.moveFirstUs, 0, "us");
    printRow("moveLast", f.moveLastUs, 0, "us");
    printRow("moveNext", f.moveNextUs, 0, "us");
    printRow("movePrevious", f.movePreviousUs, 0, "us");
    printRow("setBookmark", f.bookmarkUs, 0, "us");
    printRow("findFirst, only match at end", f.findMs, f.baseFindMs, "ms");
    const QByteArray screen = QStringLiteral("grid %1 rows at row %2").arg(kScreenRows).arg(f.rows * 9 / 10).toLatin1();
    printRow(screen.constData(), f.screenUs, f.baseScreenUs, "us");
    printRow("memory beyond the file", f.bytesPerRow, f.baseBytesPerRow, "B/row");
    printRow("  same after the moves and find", f.usedBytesPerRow, 0, "B/row");
}

bool goal(const char *what, bool holds)
{
    std::printf("  %-62s %s\n", what, holds ? "holds" : "FAILS");
    return holds;
}

bool constant(const char *what, double small, double large)
{
    const QByteArray line = QStringLiteral("%1 constant: %2 us at 10k, %3 us at 1M (%4x)")
                                .arg(QLatin1String(what)).arg(small, 0, 'f', 2).arg(large, 0, 'f', 2)
                                .arg(large / small, 0, 'f', 2).toLatin1();
    return goal(line.constData(), large / small <= kConstantTolerance);
}

bool printGoals(const Figures &small, const Figures &large)
{
    std::printf("\nGoals\n");
    bool all = true;
    const QByteArray open =
        QStringLiteral("open 1,000,000 rows under 0.5 s: %1 s").arg(large.openMs / 1e3, 0, 'f', 3).toLatin1();
    all &= goal(open.constData(), large.openMs < 500);
    const QByteArray faster = QStringLiteral("open at least 10x faster than QSqlTableModel: %1x")
                                  .arg(large.baseOpenMs / large.openMs, 0, 'f', 1).toLatin1();
    all &= goal(faster.constData(), large.baseOpenMs >= 10 * large.openMs);
    all &= constant("moveFirst", small.moveFirstUs, large.moveFirstUs);
    all &= constant("moveLast", small.moveLastUs, large.moveLastUs);
    all &= constant("moveNext", small.moveNextUs, large.moveNextUs);
    all &= constant("movePrevious", small.movePreviousUs, large.movePreviousUs);
    all &= constant("setBookmark", small.bookmarkUs, large.bookmarkUs);
    const QByteArray memory = QStringLiteral("memory under 32 bytes a row at 1M: %1 B/row, %2 after use")
                                  .arg(large.bytesPerRow, 0, 'f', 1).arg(large.usedBytesPerRow, 0, 'f', 1).toLatin1();
    all &= goal(memory.constData(), std::max(large.bytesPerRow, large.usedBytesPerRow) < 32);
    return all;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication application(argc, argv);
    std::vector<Figures> results;
    for (int rows : {10'000, 100'000, 1'000'000}) {
        results.push_back(measure(rows));
        print(results.back());
        std::fflush(stdout);
    }
    return printGoals(results.front(), results.back()) ? 0 : 1;
}
