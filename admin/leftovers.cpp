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
