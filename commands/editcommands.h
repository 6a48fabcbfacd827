#pragma once

#include "commands/command.h"
#include "commands/dialogs.h"

#include <QString>
#include <QStringList>

/// Increase: a blank pending row in Data1, the focus to the first field, and
/// the buttons that only make sense for a new row enabled, in this order.
class IncreaseCommand : public Command
{
public:
    IncreaseCommand(QString focus, QStringList enables) : focus(std::move(focus)), enables(std::move(enables)) {}
    Result run(ScreenContext &screen) const override;
    CommandTargets targets() const override;

    const QString focus;
    const QStringList enables;
};

/// Save: writes the pending row of Data1, then disables the Save button.
/// A refused write keeps the button enabled and the typed values; with
/// nothing to write the user is told so and the button is disabled.
class SaveCommand : public Command
{
public:
    explicit SaveCommand(QString saveButton) : saveButton(std::move(saveButton)) {}
    Result run(ScreenContext &screen) const override;
    CommandTargets targets() const override;

    const QString saveButton;
};

/// Delete: asks, and on Yes removes the current row of Data1 without moving.
class DeleteCommand : public Command
{
public:
    Result run(ScreenContext &screen) const override;
    CommandTargets targets() const override;

    static inline const QString question = QStringLiteral("你確定要刪除這筆資料嗎?");
    static inline const QString title = QStringLiteral("刪除資料");
};

/// Connect: the insert-object dialog of the document field, the chosen file
/// embedded or linked, or a new document made and opened; then the Connect
/// button disabled, also on Cancel and when only the opening of the new
/// document failed. A file that cannot be taken is reported and keeps the
/// button enabled, nothing stored lost.
class ConnectCommand : public Command
{
public:
    ConnectCommand(QString documentField, QString connectButton)
        : documentField(std::move(documentField)), connectButton(std::move(connectButton))
    {
    }
    Result run(ScreenContext &screen) const override;
    CommandTargets targets() const override;

    const QString documentField;
    const QString connectButton;
};

/// One move of Data1; running off an end is left to the boundary check.
class MoveCommand : public Command
{
public:
    enum class Move { First, Next, Previous, Last };
    explicit MoveCommand(Move move) : move(move) {}
    Result run(ScreenContext &screen) const override;
    CommandTargets targets() const override;

    const Move move;
};
