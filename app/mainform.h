#pragma once

#include "app/idlerest.h"
#include "app/module1.h"
#include "app/screencatalog.h"
#include "app/windowplaces.h"

#include <QMainWindow>
#include <QPointer>

#include <functional>
#include <map>
#include <optional>

class Dialogs;
class Screen;

/// The main window: opens the shared connection as it loads, and its menu is
/// the only way to the screens and to the end of the system.
class MainForm : public QMainWindow
{
    Q_OBJECT

public:
    explicit MainForm(Dialogs &dialogs, QWidget *parent = nullptr);
    ~MainForm() override;

    /// Shows the screen of a menu entry: created on first use, brought to the
    /// front while open, loaded afresh after the user closed it.
    Screen *showScreen(const QString &form);
    /// The screen's window while it is open; nullptr otherwise.
    Screen *openScreen(const QString &form) const;

    /// "Ending system": writes the open screens' edits in progress (when some
    /// cannot be written, asks once whether to give them up and ends only on
    /// Yes), closes
    /// the shared connection and ends the run at once.
    void endSystem();
    /// What ends the run; tests replace it.
    void setQuitHandler(std::function<void()> quit) { m_quit = std::move(quit); }

    const Module1 &module1() const { return m_module1; }

    /// Keeps the main window's and the screens' places in the settings file:
    /// the main window goes back to its place now, each screen as it opens.
    void rememberPlacesIn(const QString &settingsFile);

protected:
    void closeEvent(QCloseEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    struct ScreenSlot
    {
        ScreenEntry entry;
        QString lastSearchText;
        QPointer<Screen> window;
    };

    void buildContents();
    void buildMenu();
    void openSharedConnection();
    void saveOpenPlaces() const;

    Dialogs &m_dialogs;
    Module1 m_module1;
    std::map<QString, ScreenSlot> m_screens;
    std::function<void()> m_quit;
    std::optional<WindowPlaces> m_places;
    IdleRest m_idleRest;
};
