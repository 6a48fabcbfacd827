// Times the contract screen on a table whose rows each hold a 1 MB document
// against the same table without documents: opening, moving, grid scrolling.

#include "bench/benchsupport.h"
#include "commands/dialogs.h"
#include "bound/recordgridmodel.h"
#include "data/connection/databaselocation.h"
#include "data/records/document.h"
#include "data/connection/engineconnection.h"
#include "data/records/recordsource.h"
#include "screens/form5.h"
#include "screens/screen.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QSqlQuery>
#include <QTemporaryDir>

#include <cstdio>
#include <cstdlib>

namespace {

constexpr int kRows = 300;
constexpr int kDocumentBytes = 1 << 20;
constexpr int kScreenRows = 30;
constexpr int kRepeats = 3;

/// Answers nothing: the bench never asks the user.
class SilentDialogs : public Dialogs
{
public:
    QString ask(const QString &, const QString &) override { return QString(); }
    MessageAnswer show(const Message &message) override
    {
        std::fprintf(stderr, "unexpected message: %s\n", qPrintable(message.text));
        std::exit(1);
    }
    InsertObjectChoice insertObject(const QString &) override { return {}; }
    QString saveFileName(const QString &) override { return QString(); }
    bool openWithDesktop(const QString &) override { return false; }
};

struct Figures
{
    double fileMb = 0;
    double openSourceMs = 0, openScreenMs = 0;
    double moveNextUs = 0, moveShownUs = 0;
    double scrollUs = 0;
};

void fillContracts(bool withDocuments)
{
    QByteArray bytes(kDocumentBytes, Qt::Uninitialized);
    QRandomGenerator random(11);
    random.fillRange(reinterpret_cast<quint32 *>(bytes.data()), kDocumentBytes / 4);
    const QVariant document =
        withDocuments ? Document::embedded(QStringLiteral("合約.pdf"), "%PDF-1.4\n" + bytes).toStored() : QVariant();
    EngineConnection connection;
    require(connection.open(kDatabasePath, EngineConnection::Missing::Create).ok(), "open");
    QSqlDatabase database = connection.database();
    require(database.transaction(), "begin");
    QSqlQuery insert(database);
    require(insert.prepare(QStringLiteral(
                "INSERT INTO CC (contractno, contractname, startdate, enddate, context) VALUES (?, ?, ?, ?, ?)")),
            "prepare");
    for (int row = 0; row < kRows; ++row) {
        insert.bindValue(0, QStringLiteral("K%1").arg(row, 5, 10, QLatin1Char('0')));
        insert.bindValue(1, QStringLiteral("保養合約 %1").arg(row));
        insert.bindValue(2, QStringLiteral("2024/01/01"));
        insert.bindValue(3, QStringLiteral("2025/12/31"));
        insert.bindValue(4, document);
        require(insert.exec(), "insert");
    }
    require(database.commit(), "commit");
}

template <typename Step>
double best(Step step)
{
    double fastest = 1e300;
    for (int i = 0; i < kRepeats; ++i) {
        QElapsedTimer timer;
        timer.start();
        step();
        fastest = std::min(fastest, timer.nsecsElapsed() / 1e3);
    }
    return fastest;
}

Figures measure(bool withDocuments)
{
    QTemporaryDir home;
    qputenv("VEMO_HOME", home.path().toUtf8());
    fillContracts(withDocuments);
    Figures figures;
    figures.fileMb = QFileInfo(mappedDatabaseFile(kDatabasePath)).size() / 1e6;

    figures.openSourceMs = best([] {
        RecordSource source(QStringLiteral("Data1"));
        require(source.open(kDatabasePath, QStringLiteral("CC")).ok(), "open source");
    }) / 1e3;

    {
        RecordSource source(QStringLiteral("Data1"));
        require(source.open(kDatabasePath, QStringLiteral("CC")).ok(), "open source");
        figures.moveNextUs = best([&] {
            require(source.moveFirst().ok(), "first");
            for (int row = 1; row < kRows; ++row)
                require(source.moveNext().ok(), "next");
        }) / kRows;
        RecordGridModel grid(source);
        // Scrolling the grid top to bottom, one screen of rows at a time, every cell read.
        figures.scrollUs = best([&] {
            for (int first = 0; first + kScreenRows <= kRows; first += kScreenRows) {
                for (int row = first; row < first + kScreenRows; ++row) {
                    for (int column = 0; column < grid.columnCount(); ++column)
                        grid.data(grid.index(row, column), Qt::DisplayRole);
                }
            }
        }) / (kRows / kScreenRows);
    }

    SilentDialogs dialogs;
    QString lastSearch;
    figures.openScreenMs = best([&] {
        Screen screen(form5Declaration(), dialogs, lastSearch);
        screen.show();
        QApplication::processEvents();
    }) / 1e3;

    Screen screen(form5Declaration(), dialogs, lastSearch);
    screen.show();
    RecordSource &shown = *screen.source(QStringLiteral("Data1"));
    figures.moveShownUs = best([&] {
        require(shown.moveFirst().ok(), "first");
        for (int row = 1; row < kRows; ++row) {
            require(shown.moveNext().ok(), "next");
            QApplication::processEvents();
        }
    }) / kRows;
    return figures;
}

void printRow(const char *what, double without, double with, const char *unit)
{
    std::printf("  %-44s %10.2f %-3s %10.2f %-3s %8.2fx\n", what, without, unit, with, unit, with / without);
}

/// The first screen of a run loads fonts and styles; neither side should pay for it.
void warmUp()
{
    QTemporaryDir home;
    qputenv("VEMO_HOME", home.path().toUtf8());
    SilentDialogs dialogs;
    QString lastSearch;
    Screen screen(form5Declaration(), dialogs, lastSearch);
    screen.show();
    QApplication::processEvents();
}

} // namespace

int main(int argc, char *argv[])
{
    QApplication application(argc, argv);
    warmUp();
    const Figures without = measure(false);
    const Figures with = measure(true);
    std::printf("\nCC, %d contracts: without documents (file %.1f MB) | each with a 1 MB document (file %.1f MB)\n",
                kRows, without.fileMb, with.fileMb);
    std::printf("  %-44s %14s %14s %9s\n", "", "without", "with 1 MB", "ratio");
    printRow("open the record source", without.openSourceMs, with.openSourceMs, "ms");
    printRow("open the Form5 screen (built and shown)", without.openScreenMs, with.openScreenMs, "ms");
    printRow("moveNext, record source alone", without.moveNextUs, with.moveNextUs, "us");
    printRow("moveNext, screen shown (field reads the row)", without.moveShownUs, with.moveShownUs, "us");
    const QByteArray scroll = QStringLiteral("grid scroll, each screen of %1 rows").arg(kScreenRows).toLatin1();
    printRow(scroll.constData(), without.scrollUs, with.scrollUs, "us");
    return 0;
}
