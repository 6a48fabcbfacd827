#include "commands/filechooser.h"

#include <QFileDialog>
#include <QFileInfo>
#include <QMimeDatabase>

namespace {

QMimeType mimeTypeByName(const QFileInfo &info)
{
    return QMimeDatabase().mimeTypeForFile(info, QMimeDatabase::MatchExtension);
}

QString chosenFile(QFileDialog &dialog)
{
    NameOnlyIconProvider icons;
    dialog.setIconProvider(&icons);
    // A desktop's own dialog would read the files to tell their types.
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return QString();
    return dialog.selectedFiles().constFirst();
}

} // namespace

QIcon NameOnlyIconProvider::icon(const QFileInfo &info) const
{
    if (info.isDir())
        return QAbstractFileIconProvider::icon(QAbstractFileIconProvider::Folder);
    const QMimeType type = mimeTypeByName(info);
    return QIcon::fromTheme(type.iconName(), QIcon::fromTheme(type.genericIconName(),
                                                              QAbstractFileIconProvider::icon(QAbstractFileIconProvider::File)));
}

QString NameOnlyIconProvider::type(const QFileInfo &info) const
{
    if (info.isDir())
        return QStringLiteral("資料夾");
    return mimeTypeByName(info).comment();
}

QString chooseFileToOpen(QWidget *parent, const QString &title, const QString &start)
{
    QFileDialog dialog(parent, title, start);
    dialog.setFileMode(QFileDialog::ExistingFile);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    return chosenFile(dialog);
}

QString chooseFileToSave(QWidget *parent, const QString &title, const QString &suggested)
{
    QFileDialog dialog(parent, title);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.selectFile(suggested);
    return chosenFile(dialog);
}
