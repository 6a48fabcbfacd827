#include "data/engine/sqlite/sqlitefileplace.h"

#include <QFile>

#include <sys/stat.h>

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
