#pragma once

#include "app/screencatalog.h"
#include "screens/screen.h"

#include <QString>
#include <QStringList>

#include <map>
#include <memory>

class MainForm;
class RecordSource;

/// Rows in every table, a few hundred as in a small office.
constexpr int kRows = 300;
/// The row a find looks for, and the material a lending lends.
constexpr int kFoundRow = 250;
inline const QString kLentMaterial = QStringLiteral("materielno0007");
constexpr double kWritingSeconds = 5;

/// The screens that the menu shows, each with its declaration.
QVector<ScreenEntry> screenEntries();
/// Starts the program's main window as the program does; a message ends the bench.
std::unique_ptr<MainForm> startProgram();
/// Builds and shows a screen as the menu does; a failure ends the bench.
std::unique_ptr<Screen> openScreen(const ScreenDeclaration &declaration);
/// The record source that the screen's fields and grid follow.
RecordSource &mainSource(Screen &screen);
/// Finds the row of that number by the table's first searched column.
void findRow(RecordSource &source, int row);
/// Changes a column of the current row that no search compares, in the edit buffer.
void editRow(RecordSource &source, const QString &text);
/// The same, saved.
void saveEdit(RecordSource &source, const QString &text);

/// Makes the whole schema on the configured database (the server, else the
/// file in the vemo folder) and fills every table with kRows rows whose codes
/// name each other's rows: CSF's customerno N is CF's.
void fillDatabase(bool onServer);

struct ScreenTiming
{
    double openMs = 0;
    double tenMovesMs = 0;
};
using ScreenTimings = std::map<QString, ScreenTiming>;
/// Opens each screen, after one opening that pays for fonts, and makes ten moves on it.
ScreenTimings timeScreens(const QStringList &forms);
/// On a fresh file in a temporary vemo folder: prints "form openMs tenMovesMs" a line.
int printFileTimings(const QStringList &forms);

/// One writing program: says "ready", waits for "go", then saves its own row
/// for kWritingSeconds and prints how many saves it made. kind "source"
/// saves through a record source, "plain" with one prepared update.
int runWriter(const QString &kind, int writer);
