#include "commands/dialogs.h"

#include "data/records/recordsource.h"

void Dialogs::tell(const QString &text, const QString &title)
{
    show({text, title, MessageButtons::Ok, MessageIcon::None, MessageAnswer::Ok});
}

bool Dialogs::confirm(const QString &text, const QString &title)
{
    return show({text, title, MessageButtons::YesNo, MessageIcon::None, MessageAnswer::Yes}) == MessageAnswer::Yes;
}

bool Dialogs::confirmNoDefault(const QString &text)
{
    return show({text, kApplicationTitle, MessageButtons::YesNo, MessageIcon::None, MessageAnswer::No})
        == MessageAnswer::Yes;
}

void Dialogs::reportFailure(const Result &failure)
{
    tell(failure.message());
}

bool Dialogs::askOverwrite(const QVector<EditConflict> &conflicts)
{
    return confirmNoDefault(RecordSource::describeConflicts(conflicts) + kOverwriteQuestion);
}
