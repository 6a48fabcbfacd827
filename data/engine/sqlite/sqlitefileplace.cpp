#include "data/engine/sqlite/sqlitefileplace.h"

#include <QDir>
#include <QFile>

#include <sys/stat.h>
#include <unistd.h>

FilePlace filePlace(const QString &path)
{
    struct stat status;
    if (::stat(QFile::encodeName(path).constData(), &status) != 0)
        return FilePlace();
    return FilePlace{true, quint64(status.st_dev), quint64(status.st_ino)};
}

QString journalOf(const QString &databaseFile)
{
    return databaseFile + QStringLiteral("-wal");
}

bool openByAnotherProcess(const FilePlace &place)
{
    if (!place.exists)
        return false;
    const QDir processes(QStringLiteral("/proc"));
    if (!processes.exists(QStringLiteral("self/fd")))
        return true;
    const QString self = QString::number(::getpid());
    for (const QString &pid : processes.entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        bool isProcess = false;
        pid.toLongLong(&isProcess);
        if (!isProcess || pid == self)
            continue;
        // Another user's process shows no files: it cannot hold this user's database either.
        const QDir fds(processes.filePath(pid + QStringLiteral("/fd")));
        for (const QString &fd : fds.entryList(QDir::AllEntries | QDir::System | QDir::NoDotAndDotDot)) {
            if (filePlace(fds.filePath(fd)) == place)
                return true;
        }
    }
    return false;
}
