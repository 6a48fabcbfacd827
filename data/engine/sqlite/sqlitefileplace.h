#pragma once

#include <QSet>
#include <QString>

/// Which file a path names: its device and inode. A file put at the path
/// (a backup moved over it) or the path emptied tells a connection that the
/// file it holds open is no longer the database the path stands for.
struct FilePlace
{
    bool exists = false;
    quint64 device = 0;
    quint64 inode = 0;

    bool operator==(const FilePlace &other) const
    {
        return exists == other.exists && device == other.device && inode == other.inode;
    }
    bool operator!=(const FilePlace &other) const { return !(*this == other); }
};

/// The file at the path now; one that does not exist when the path names none.
FilePlace filePlace(const QString &path);

/// The write-ahead journal SQLite keeps beside a database file.
QString journalOf(const QString &databaseFile);

/// The other processes of this user that hold the file open (/proc tells,
/// by device and inode); -1 among them when that cannot be told.
QSet<qint64> processesHolding(const FilePlace &place);
