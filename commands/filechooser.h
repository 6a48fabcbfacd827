#pragma once

#include <QAbstractFileIconProvider>
#include <QString>

class QWidget;

/// Icons and type names from a file's name alone. Listing a folder must never
/// open a file in it: closing any descriptor of the open database file drops
/// this process's SQLite locks on it, and another program's checkpoint could
/// then remove the journal this program is still writing to.
class NameOnlyIconProvider : public QAbstractFileIconProvider
{
public:
    QIcon icon(const QFileInfo &info) const override;
    QString type(const QFileInfo &info) const override;
};

/// The file dialogs of the program, built on NameOnlyIconProvider; empty when cancelled.
QString chooseFileToOpen(QWidget *parent, const QString &title, const QString &start);
QString chooseFileToSave(QWidget *parent, const QString &title, const QString &suggested);
