#pragma once

#include "commands/command.h"
#include "data/records/stockupdate.h"

#include <QString>

/// "Stock capacity": finds a material in the stock record source so that the
/// stock field shows its quantity; on a miss "找不到" and back to the material
/// shown before. Whatever the outcome, the return button is enabled.
class StockCheckCommand : public Command
{
public:
    StockCheckCommand(QString prompt, QString title, QString prefix, QString stockSource, QString enables)
        : prompt(std::move(prompt)), title(std::move(title)), prefix(std::move(prefix)),
          stockSource(std::move(stockSource)), enables(std::move(enables))
    {
    }
    Result run(ScreenContext &screen) const override;
    CommandTargets targets() const override;

    const QString prompt;
    const QString title;
    const QString prefix;
    const QString stockSource;
    const QString enables;
};

/// "Lending" / "Returing": writes the stock field's quantity minus / plus the
/// screen's quantity into the stock of the material the list holds, over a
/// connection of its own, then disables its button. The screen's record
/// sources are not told. Unreadable input changes nothing and keeps the
/// button enabled.
class StockUpdateCommand : public Command
{
public:
    struct Field
    {
        QString name;
        QString caption;
    };

    StockUpdateCommand(StockMovement movement, Field quantity, Field stock, QString materialList, QString button)
        : movement(movement), quantity(std::move(quantity)), stock(std::move(stock)),
          materialList(std::move(materialList)), button(std::move(button))
    {
    }
    Result run(ScreenContext &screen) const override;
    CommandTargets targets() const override;
    /// The statement that run() executes, from the screen as it stands.
    Result statement(const ScreenContext &screen, QString &statement) const;

    const StockMovement movement;
    const Field quantity;
    const Field stock;
    const QString materialList;
    const QString button;

private:
    Result stockAfter(const ScreenContext &screen, int &after) const;
};
