#include "data/databaselocation.h"

#include "data/serveraddress.h"

#include <QDir>
#include <QFileInfo>
#include <QSettings>
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

QString settingsFile()
{
    return vemoHome() + QStringLiteral("/vemo.conf");
}

QString configuredServer()
{
    const QString fromEnvironment = qEnvironmentVariable("VEMO_DATABASE");
    if (!fromEnvironment.isEmpty())
        return fromEnvironment;
    if (!QFileInfo::exists(settingsFile()))
        return QString();
    return QSettings(settingsFile(), QSettings::IniFormat).value(QStringLiteral("database")).toString();
}

QString serverFor(const QString &databasePath)
{
    if (ServerAddress::isServerAddress(databasePath))
        return databasePath;
    if (databasePath.compare(kDatabasePath, Qt::CaseInsensitive) == 0)
        return configuredServer();
    return QString();
}
