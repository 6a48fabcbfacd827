#include "data/connection/databaselocation.h"

#include "data/connection/serveraddress.h"

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

namespace {

bool isSystemPath(const QString &databasePath)
{
    return databasePath.compare(kDatabasePath, Qt::CaseInsensitive) == 0;
}

// Any scheme counts as an address, so a mistyped one is refused instead of becoming a new file of that name.
bool namesServer(const QString &configured)
{
    return configured.contains(QLatin1String("://"));
}

} // namespace

QString mappedDatabaseFile(const QString &databasePath)
{
    if (!isSystemPath(databasePath))
        return databasePath;
    const QString configured = configuredDatabase();
    if (!configured.isEmpty() && !namesServer(configured) && !isSystemPath(configured))
        return configured;
    return vemoHome() + QStringLiteral("/vemo.sqlite");
}

QString settingsFile()
{
    return vemoHome() + QStringLiteral("/vemo.conf");
}

QString configuredDatabase()
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
    if (!isSystemPath(databasePath))
        return QString();
    const QString configured = configuredDatabase();
    return namesServer(configured) ? configured : QString();
}

QString resolvedDatabase(const QString &given)
{
    if (!given.isEmpty() && !isSystemPath(given))
        return given;
    const QString server = serverFor(kDatabasePath);
    return server.isEmpty() ? mappedDatabaseFile(kDatabasePath) : server;
}
