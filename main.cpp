#include "app/fonts.h"
#include "app/mainform.h"
#include "commands/qtdialogs.h"

#include <QApplication>

int main(int argc, char *argv[])
{
    QApplication application(argc, argv);
    installFontSubstitutes();
    QtDialogs dialogs;
    MainForm mainForm(dialogs);
    mainForm.show();
    return application.exec();
}
