#include "admin/admintool.h"

#include <QCoreApplication>

int main(int argc, char *argv[])
{
    QCoreApplication application(argc, argv);
    return runAdminTool(application.arguments().mid(1));
}
