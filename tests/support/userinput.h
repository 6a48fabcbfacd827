#pragma once

#include "screens/screendeclaration.h"

#include <QString>

#include <memory>

class Dialogs;
class QTableView;
class QWidget;
class Screen;

/// What a user does on a screen, done the way a user does it.
namespace userinput {

/// The screen built from the declaration and shown, as the menu shows it;
/// what failed to build is warned about, for the test's checks to explain.
std::unique_ptr<Screen> showScreen(const ScreenDeclaration &declaration, Dialogs &dialogs, QString &lastSearchText);

/// The screen's control of that name; a missing one ends the test run.
QWidget *control(Screen &screen, const QString &name);
/// The text a field, multi-line field or lookup list shows.
QString shown(Screen &screen, const QString &name);
void press(Screen &screen, const QString &button);
/// Types Latin characters key by key, Chinese ones through the input method.
void type(Screen &screen, const QString &name, const QString &text);
/// Replaces what the field holds by typing.
void retype(Screen &screen, const QString &name, const QString &text);
/// Opens the list and presses Return on the entry.
void choose(Screen &screen, const QString &name, const QString &entry);
QTableView *grid(Screen &screen);
void clickGridRow(Screen &screen, int row);

} // namespace userinput
