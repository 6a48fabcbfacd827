#include "lending/stockcommands.h"

#include "commands/screencontext.h"
#include "commands/searchcommands.h"
#include "commands/dialogs.h"

Result StockCheckCommand::run(ScreenContext &screen) const
{
    RecordSource &source = requireSource(screen, stockSource);
    const QString text = screen.dialogs().ask(prompt, title);
    bool found = false;
    const Result searched = findOrReturn(screen, source, prefix, text, found);
    screen.setButtonEnabled(enables, true);
    return searched;
}

CommandTargets StockCheckCommand::targets() const
{
    return {{stockSource}, {}, {enables}, {}};
}

Result StockUpdateCommand::stockAfter(const ScreenContext &screen, int &after) const
{
    return newStock(movement, screen.fieldValueText(stock.name), stock.caption, screen.fieldValueText(quantity.name),
                    quantity.caption, after);
}

Result StockUpdateCommand::statement(const ScreenContext &screen, QString &statement) const
{
    int after = 0;
    if (Result computed = stockAfter(screen, after); !computed)
        return computed;
    statement = stockUpdateStatement(movement, after, screen.fieldValueText(materialList));
    return Result::success();
}

Result StockUpdateCommand::run(ScreenContext &screen) const
{
    int after = 0;
    if (Result computed = stockAfter(screen, after); !computed)
        return computed;
    if (Result executed = executeStockUpdate(movement, after, screen.fieldValueText(materialList),
                                             screen.fieldValueText(stock.name));
        !executed)
        return executed;
    screen.setButtonEnabled(button, false);
    return Result::success();
}

CommandTargets StockUpdateCommand::targets() const
{
    return {{}, {quantity.name, stock.name, materialList}, {button}, {}};
}
