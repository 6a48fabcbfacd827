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

QSet<qint64> processesHolding(const FilePlace &place)
{
    QSet<qint64> holders;
    if (!place.exists)
        return holders;
    const QDir processes(QStringLiteral("/proc"));
    if (!processes.exists(QStringLiteral("self/fd")))
        return {-1};
    const qint64 self = ::getpid();
    for (const QString &entry : processes.entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        bool isProcess = false;
        const qint64 pid = entry.toLongLong(&isProcess);
        if (!isProcess || pid == self)
            continue;
        // Another user's process shows no files: it cannot hold this user's database either.
        const QDir fds(processes.filePath(entry + QStringLiteral("/fd")));
        for (const QString &fd : fds.entryList(QDir::AllEntries | QDir::System | QDir::NoDotAndDotDot)) {
            if (filePlace(fds.filePath(fd)) == place) {
                holders.insert(pid);
                break;
            }
        }
    }
    return holders;
}
