#include "commands/command.h"

#include "commands/screencontext.h"

#include <stdexcept>

RecordSource &requireSource(ScreenContext &screen, const QString &name)
{
    RecordSource *source = screen.source(name);
    if (!source)
        throw std::logic_error("the screen declares no record source " + name.toStdString());
    return *source;
}
