#include "commands/qtdialogs.h"

#include "commands/filechooser.h"
#include "commands/insertobjectdialog.h"

#include <QApplication>
#include <QDesktopServices>
#include <QUrl>
#include <QInputDialog>
#include <QMessageBox>

namespace {

QMessageBox::StandardButton standardButton(MessageAnswer answer)
{
    switch (answer) {
    case MessageAnswer::Yes:
        return QMessageBox::Yes;
    case MessageAnswer::No:
        return QMessageBox::No;
    case MessageAnswer::Ok:
        break;
    }
    return QMessageBox::Ok;
}

// A box goes over the window that raised it, even when the window system has not made it active yet.
QWidget *raisingWindow()
{
    if (QWidget *active = QApplication::activeWindow())
        return active;
    if (QWidget *focused = QApplication::focusWidget())
        return focused->window();
    const QWidgetList windows = QApplication::topLevelWidgets();
    for (QWidget *window : windows) {
        if (window->isVisible() && window->isWindow() && window->windowType() != Qt::Popup)
            return window;
    }
    return nullptr;
}

} // namespace

QString QtDialogs::ask(const QString &prompt, const QString &title)
{
    QInputDialog dialog(raisingWindow());
    dialog.setWindowTitle(title);
    dialog.setLabelText(prompt);
    dialog.setTextValue(QString());
    if (dialog.exec() != QDialog::Accepted)
        return QString();
    return dialog.textValue();
}

MessageAnswer QtDialogs::show(const Message &message)
{
    QMessageBox box(raisingWindow());
    // The window system puts the program's name in an empty title bar; a
    // zero-width space keeps a title that is meant to be empty empty.
    box.setWindowTitle(message.title.isEmpty() ? QStringLiteral("\u200B") : message.title);
    box.setText(message.text);
    box.setIcon(message.icon == MessageIcon::Question ? QMessageBox::Question : QMessageBox::NoIcon);
    if (message.buttons == MessageButtons::YesNo)
        box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
    else
        box.setStandardButtons(QMessageBox::Ok);
    box.setDefaultButton(standardButton(message.defaultButton));
    switch (box.exec()) {
    case QMessageBox::Yes:
        return MessageAnswer::Yes;
    case QMessageBox::No:
        return MessageAnswer::No;
    default:
        return MessageAnswer::Ok;
    }
}

InsertObjectChoice QtDialogs::insertObject(const QString &documentClass)
{
    InsertObjectDialog dialog(documentClass, raisingWindow());
    dialog.exec();
    return dialog.choice();
}

QString QtDialogs::saveFileName(const QString &suggestedName)
{
    return chooseFileToSave(raisingWindow(), QStringLiteral("另存複本"), suggestedName);
}

bool QtDialogs::openWithDesktop(const QString &path)
{
    return QDesktopServices::openUrl(QUrl::fromLocalFile(path));
}
