#pragma once

#include "commands/command.h"
#include "commands/screencontext.h"

#include <QString>

/// Runs on every repositioned notification of Data1 on the screens that have
/// it: a source standing before its first or after its last row is moved
/// back onto the end row, and the user is told. Its own move notifies again;
/// that run finds a valid row and does nothing. An empty source has no row
/// to move to: nothing is done and nothing shown.
class BoundaryCheck : public Command
{
public:
    Result run(ScreenContext &screen) const override;
    CommandTargets targets() const override { return {{kMainSource}, {}, {}, {}}; }

    static inline const QString firstRowMessage = QStringLiteral("已經是第一筆資料了!");
    static inline const QString lastRowMessage = QStringLiteral("已經是最後一筆資料了!");
    static inline const QString title = QStringLiteral("注意!");
};
