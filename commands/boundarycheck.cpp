#include "commands/boundarycheck.h"

#include "commands/dialogs.h"
#include "commands/screencontext.h"
#include "data/records/recordsource.h"

namespace {

void warn(ScreenContext &screen, const QString &text)
{
    screen.dialogs().show({text, BoundaryCheck::title, MessageButtons::Ok, MessageIcon::Question, MessageAnswer::Ok});
}

} // namespace

Result BoundaryCheck::run(ScreenContext &screen) const
{
    RecordSource &source = requireSource(screen, kMainSource);
    if (source.rowCount() == 0)
        return Result::success();
    if (source.isBeforeFirst()) {
        if (Result moved = source.moveFirst(); !moved)
            return moved;
        warn(screen, firstRowMessage);
    }
    if (source.isAfterLast()) {
        if (Result moved = source.moveLast(); !moved)
            return moved;
        warn(screen, lastRowMessage);
    }
    return Result::success();
}
