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

Result StockUpdateCommand::statement(const ScreenContext &screen, QString &statement) const
{
    int stockAfter = 0;
    if (Result computed = newStock(movement, screen.fieldValueText(stock.name), stock.caption,
                                   screen.fieldValueText(quantity.name), quantity.caption, stockAfter);
        !computed)
        return computed;
    statement = stockUpdateStatement(movement, stockAfter, screen.fieldValueText(materialList));
    return Result::success();
}

Result StockUpdateCommand::run(ScreenContext &screen) const
{
    QString update;
    if (Result built = statement(screen, update); !built)
        return built;
    if (Result executed = executeStockUpdate(movement, update, screen.fieldValueText(materialList),
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
