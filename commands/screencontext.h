#pragma once

#include <QString>

class Dialogs;
class DocumentField;
class RecordSource;

/// What a command may reach of the screen it runs on. Commands never touch
/// widgets or SQL: they talk to record sources, switch buttons, move the
/// focus, and talk to the user through the dialogs.
class ScreenContext
{
public:
    virtual ~ScreenContext() = default;

    /// The record source of that name; nullptr when the screen has none.
    virtual RecordSource *source(const QString &name) = 0;
    virtual DocumentField *documentField(const QString &name) = 0;
    virtual void setButtonEnabled(const QString &button, bool enabled) = 0;
    virtual void focus(const QString &control) = 0;
    /// The text a field shows as it stands, typed edits included; of a lookup
    /// list, the bound value it holds.
    virtual QString fieldValueText(const QString &control) const = 0;
    virtual Dialogs &dialogs() = 0;
    /// The screen instance's last search text; it outlives closing the window.
    virtual QString &lastSearchText() = 0;
};

/// The main record source of every screen.
inline const QString kMainSource = QStringLiteral("Data1");
