#include "commands/command.h"

#include "commands/screencontext.h"

#include <stdexcept>

RecordSource &requireSource(ScreenContext &screen, const QString &name)
{
    RecordSource *source = screen.source(name);
    if (!source)
        throw std::logic_error(QStringLiteral("畫面沒有宣告資料來源 %1。").arg(name).toStdString());
    return *source;
}
