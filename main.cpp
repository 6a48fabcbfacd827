#include "app/fonts.h"
#include "app/mainform.h"
#include "commands/qtdialogs.h"

#include <QApplication>
#include <QIcon>

int main(int argc, char *argv[])
{
    QApplication application(argc, argv);
    installFontSubstitutes();
    // Outside a desktop session no icon theme is set; documents still show their type's icon.
    QIcon::setFallbackThemeName(QStringLiteral("Adwaita"));
    QtDialogs dialogs;
    MainForm mainForm(dialogs);
    mainForm.show();
    return application.exec();
}
