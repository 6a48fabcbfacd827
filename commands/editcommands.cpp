#include "commands/editcommands.h"

#include "commands/dialogs.h"
#include "bound/documentinsert.h"
#include "commands/screencontext.h"
#include "commands/documentfield.h"
#include "data/records/recordsource.h"

#include <stdexcept>

Result IncreaseCommand::run(ScreenContext &screen) const
{
    if (Result added = requireSource(screen, kMainSource).addNew(); !added)
        return added;
    screen.focus(focus);
    for (const QString &button : enables)
        screen.setButtonEnabled(button, true);
    return Result::success();
}

CommandTargets IncreaseCommand::targets() const
{
    return {{kMainSource}, {focus}, enables, {}};
}

Result SaveCommand::run(ScreenContext &screen) const
{
    RecordSource &source = requireSource(screen, kMainSource);
    Result written = source.update();
    // Typed values that were not written stay, and so does the button to save them once corrected.
    if (!written && (source.isAddingNew() || source.hasPendingEdits()))
        return written;
    screen.setButtonEnabled(saveButton, false);
    return written;
}

CommandTargets SaveCommand::targets() const
{
    return {{kMainSource}, {}, {saveButton}, {}};
}

Result DeleteCommand::run(ScreenContext &screen) const
{
    RecordSource &source = requireSource(screen, kMainSource);
    if (!source.hasCurrentRow() && !source.isAddingNew()) {
        screen.dialogs().tell(QStringLiteral("目前沒有資料可以刪除。"));
        return Result::success();
    }
    if (!screen.dialogs().confirm(question, title))
        return Result::success();
    return source.deleteCurrent();
}

CommandTargets DeleteCommand::targets() const
{
    return {{kMainSource}, {}, {}, {}};
}

Result ConnectCommand::run(ScreenContext &screen) const
{
    DocumentField *field = screen.documentField(documentField);
    if (!field)
        throw std::logic_error(QStringLiteral("畫面沒有宣告文件欄位 %1。").arg(documentField).toStdString());
    const InsertObjectChoice choice = screen.dialogs().insertObject(field->documentClass());
    const DocumentInsert insert = insertChosenDocument(choice, *field);
    // A file that could not be taken leaves Connect for another try; Cancel and any insert use it up.
    if (insert.inserted || choice.action == InsertObjectChoice::Action::Cancel)
        screen.setButtonEnabled(connectButton, false);
    return insert.outcome;
}

CommandTargets ConnectCommand::targets() const
{
    return {{}, {}, {connectButton}, {documentField}};
}

Result MoveCommand::run(ScreenContext &screen) const
{
    RecordSource &source = requireSource(screen, kMainSource);
    switch (move) {
    case Move::First:
        return source.moveFirst();
    case Move::Next:
        return source.moveNext();
    case Move::Previous:
        return source.movePrevious();
    case Move::Last:
        return source.moveLast();
    }
    return Result::success();
}

CommandTargets MoveCommand::targets() const
{
    return {{kMainSource}, {}, {}, {}};
}
