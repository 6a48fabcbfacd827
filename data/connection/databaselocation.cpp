#include "data/connection/databaselocation.h"

#include "data/connection/serveraddress.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QStorageInfo>

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

QString readOnlyReason(const QString &databasePath)
{
    if (!serverFor(databasePath).isEmpty())
        return {};
    const QFileInfo file(mappedDatabaseFile(databasePath));
    const QFileInfo folder(file.absolutePath());
    // For root every file is writable, yet one marked read-only for everyone is meant to stay as it is.
    const auto readOnly = [](const QFileInfo &entry) {
        return !entry.isWritable() || (entry.permissions() & (QFile::WriteOwner | QFile::WriteGroup | QFile::WriteOther)) == 0;
    };
    const QString consequence = QStringLiteral("資料可以查看,但任何修改都無法儲存;請管理員讓這個使用者可以寫入它。");
    if (QStorageInfo(folder.absoluteFilePath()).isReadOnly())
        return QStringLiteral("資料庫檔案 '%1' 所在的磁碟是唯讀的:").arg(QDir::toNativeSeparators(file.absoluteFilePath())) + consequence;
    if (readOnly(folder))
        return QStringLiteral("vemo 的資料夾 '%1' 不能寫入(資料庫的日誌檔案要建在這裡):").arg(QDir::toNativeSeparators(folder.absoluteFilePath()))
             + consequence;
    if (file.exists() && readOnly(file))
        return QStringLiteral("資料庫檔案 '%1' 是唯讀的:").arg(QDir::toNativeSeparators(file.absoluteFilePath())) + consequence;
    return {};
}
