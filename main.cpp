#include "app/commandline.h"
#include "app/fonts.h"
#include "app/mainform.h"
#include "app/moleculepicture.h"
#include "app/windowplaces.h"
#include "commands/qtdialogs.h"
#include "program/programsetup.h"

#include <QApplication>
#include <QIcon>

int main(int argc, char *argv[])
{
    if (const std::optional<int> answered = answerInformationOptions(argc, argv))
        return *answered;
    QApplication application(argc, argv);
    setUpProgram(application);
    refuseUnknownOptions(application);
    installFontSubstitutes();
    QApplication::setWindowIcon(moleculeIcon());
    // Outside a desktop session no icon theme is set; documents still show their type's icon.
    QIcon::setFallbackThemeName(QStringLiteral("Adwaita"));
    QtDialogs dialogs;
    MainForm mainForm(dialogs);
    mainForm.rememberPlacesIn(WindowPlaces::userFile());
    mainForm.show();
    return application.exec();
}
