#include "admin/leftovers.h"

#include "data/serveraddress.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>

#include <cerrno>
#include <csignal>

namespace {

const QString kMaker = QStringLiteral(".vemo-admin-");
const QStringList kJournals = {QStringLiteral("-wal"), QStringLiteral("-shm"), QStringLiteral("-journal")};

bool processIsGone(qint64 pid)
{
#ifdef Q_OS_UNIX
    return pid > 0 && ::kill(pid_t(pid), 0) != 0 && errno == ESRCH;
#else
    Q_UNUSED(pid)
    return false;
#endif
}

} // namespace

QString temporaryBeside(const QString &file, const QString &job)
{
    const QFileInfo info(file);
    return info.absolutePath() + QStringLiteral("/.") + info.fileName() + kMaker + job + QLatin1Char('-')
         + QString::number(QCoreApplication::applicationPid()) + QStringLiteral("-XXXXXX");
}

void removeLeftovers(const QString &database)
{
    if (database.isEmpty() || ServerAddress::isServerAddress(database))
        return;
    static const QRegularExpression leftover(QStringLiteral(R"(^\..+\.vemo-admin-[a-z]+-(\d+)-[^.-]+(-wal|-shm|-journal)?$)"));
    const QDir folder = QFileInfo(database).absoluteDir();
    const QStringList names = folder.entryList({QStringLiteral(".*") + kMaker + QStringLiteral("*")},
                                               QDir::Files | QDir::Hidden | QDir::System);
    for (const QString &name : names) {
        const QRegularExpressionMatch match = leftover.match(name);
        if (match.hasMatch() && processIsGone(match.captured(1).toLongLong()))
            QFile::remove(folder.filePath(name));
    }
}

TemporaryDatabase::TemporaryDatabase(const QString &beside, const QString &job) : m_file(temporaryBeside(beside, job)) {}

TemporaryDatabase::~TemporaryDatabase()
{
    if (m_kept || m_file.fileName().isEmpty())
        return;
    for (const QString &journal : kJournals)
        QFile::remove(m_file.fileName() + journal);
    m_file.remove();
}

Result TemporaryDatabase::create(QFileDevice::Permissions permissions)
{
    if (!m_file.open())
        return Result::failure(QStringLiteral("無法在資料夾 %1 建立新檔:%2")
                                   .arg(QFileInfo(m_file.fileTemplate()).absolutePath(), m_file.errorString()));
    m_file.close();
    if (!m_file.setPermissions(permissions))
        return Result::failure(QStringLiteral("無法設定新檔 %1 的權限:%2").arg(m_file.fileName(), m_file.errorString()));
    return Result::success();
}

Result TemporaryDatabase::moveTo(const QString &destination)
{
    // Qt renames without replacing what is there, so a file made meanwhile at destination stays.
    if (!m_file.rename(destination))
        return Result::failure(QStringLiteral("無法把新檔 %1 改名為 %2:%3").arg(m_file.fileName(), destination, m_file.errorString()));
    keep();
    return Result::success();
}

void TemporaryDatabase::keep()
{
    m_file.setAutoRemove(false);
    m_kept = true;
}
