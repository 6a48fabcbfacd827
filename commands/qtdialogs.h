#pragma once

#include "commands/dialogs.h"

/// The dialogs as the user sees them: QInputDialog and QMessageBox over the
/// window that is active.
class QtDialogs : public Dialogs
{
public:
    QString ask(const QString &prompt, const QString &title) override;
    MessageAnswer show(const Message &message) override;
};
