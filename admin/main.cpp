#include "admin/admintool.h"
#include "program/programsetup.h"

#include <QCoreApplication>

int main(int argc, char *argv[])
{
    QCoreApplication application(argc, argv);
    setUpProgram(application);
    return runAdminTool(application.arguments().mid(1));
}
