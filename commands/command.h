#pragma once

#include "data/result.h"

#include <QStringList>

class ScreenContext;

/// The names a command reaches on its screen, by kind.
struct CommandTargets
{
    QStringList sources;
    QStringList controls;
    QStringList buttons;
    QStringList documentFields;
};

/// One shared behaviour of the screens' buttons. A button is a member of a
/// command through the data it is built with; the behaviour exists once.
class Command
{
public:
    virtual ~Command() = default;

    /// Runs on the screen; a failure of the record source is returned, for
    /// the screen to report in its one place.
    virtual Result run(ScreenContext &screen) const = 0;

    /// Every record source, control, button and document field that run()
    /// names; a screen is built only when it has all of them.
    virtual CommandTargets targets() const { return {}; }
};

class RecordSource;
class QString;

/// The named record source of the screen; a declaration without it is a
/// programming error (std::logic_error).
RecordSource &requireSource(ScreenContext &screen, const QString &name);
