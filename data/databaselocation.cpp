#include "data/databaselocation.h"

#include "data/serveraddress.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>
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
    QFile settings(settingsFile());
    if (!settings.open(QIODevice::ReadOnly | QIODevice::Text))
        return QString();
    // Read as written: an address may hold commas and percent signs that an INI reader would take apart.
    static const QRegularExpression setting(QStringLiteral("^\\s*database\\s*=\\s*(.*?)\\s*$"));
    while (!settings.atEnd()) {
        const QRegularExpressionMatch match = setting.match(QString::fromUtf8(settings.readLine()));
        if (match.hasMatch())
            return match.captured(1);
    }
    return QString();
}

QString serverFor(const QString &databasePath)
{
    if (ServerAddress::isServerAddress(databasePath))
        return databasePath;
    if (databasePath.compare(kDatabasePath, Qt::CaseInsensitive) == 0)
        return configuredServer();
    return QString();
}

QString resolvedDatabase(const QString &given)
{
    if (!given.isEmpty() && given.compare(kDatabasePath, Qt::CaseInsensitive) != 0)
        return given;
    const QString server = configuredServer();
    return server.isEmpty() ? mappedDatabaseFile(kDatabasePath) : server;
}
