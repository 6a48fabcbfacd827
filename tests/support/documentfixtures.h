#pragma once

#include "screens/screendeclaration.h"

#include <QByteArray>
#include <QSize>
#include <QString>
#include <QVariant>

#include <functional>

/// What the tests of the screens with documents (Form5, Form8, Form9) build them from.
namespace documentfixtures {

/// The declaration of Form5, Form8 or Form9.
ScreenDeclaration declarationOf(const QString &form);
const FieldDeclaration &documentFieldOf(const ScreenDeclaration &screen);

/// The button whose command is of type T (and meets the condition); a missing one ends the test run.
template <typename T>
const ButtonDeclaration &buttonWith(const ScreenDeclaration &screen,
                                    const std::function<bool(const T &)> &meets = [](const T &) { return true; })
{
    for (const FrameDeclaration &frame : screen.frames) {
        for (const ButtonDeclaration &button : frame.buttons) {
            if (const auto *command = dynamic_cast<const T *>(button.command.get()); command && meets(*command))
                return button;
        }
    }
    qFatal("%s has no such button", qPrintable(screen.name));
}

/// A picture of one colour in PNG, its bytes differing with its size.
QByteArray pngOf(const QSize &size);
QByteArray pdfOf(const QByteArray &text);
/// Writes the file whole or ends the test run; returns the path.
QString writeFile(const QString &path, const QByteArray &bytes);
/// The file's bytes, empty when it cannot be read.
QByteArray readFile(const QString &path);
/// A row of the table with its key and its document, every other column empty.
QVariantList rowWithDocument(const QString &table, const QString &key, const QVariant &document = QVariant());

} // namespace documentfixtures
