#pragma once

#include "data/result.h"

#include <QString>

/// What a document field needs of the user and the desktop; the screen
/// passes these on to its dialogs.
class DocumentDesk
{
public:
    virtual ~DocumentDesk() = default;

    /// A save-file dialog starting at suggestedName; empty on Cancel.
    virtual QString saveFileName(const QString &suggestedName) = 0;
    /// False when the desktop has no application for the file's type.
    virtual bool openWithDesktop(const QString &path) = 0;
    virtual void report(const Result &failure) = 0;
};
