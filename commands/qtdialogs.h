#pragma once

#include "commands/dialogs.h"

/// The dialogs as the user sees them: QInputDialog, QMessageBox, the insert-object
/// dialog and the file dialog, over the
/// window that is active.
class QtDialogs : public Dialogs
{
public:
    QString ask(const QString &prompt, const QString &title) override;
    MessageAnswer show(const Message &message) override;
    InsertObjectChoice insertObject(const QString &documentClass) override;
    QString saveFileName(const QString &suggestedName) override;
    bool openWithDesktop(const QString &path) override;
};
