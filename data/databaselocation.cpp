#include "data/databaselocation.h"

#include <QDir>
#include <QStandardPaths>

QString vemoHome()
{
    const QString fromEnvironment = qEnvironmentVariable("VEMO_HOME");
    if (!fromEnvironment.isEmpty())
        return QDir::cleanPath(fromEnvironment);
#ifdef Q_OS_WIN
    return QStringLiteral("C:/vemo");
#else
    return QDir::cleanPath(QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation)
                           + QStringLiteral("/vemo"));
#endif
}

QString mappedDatabaseFile(const QString &databasePath)
{
    if (databasePath.compare(kDatabasePath, Qt::CaseInsensitive) == 0)
        return vemoHome() + QStringLiteral("/vemo.sqlite");
    return databasePath;
}
