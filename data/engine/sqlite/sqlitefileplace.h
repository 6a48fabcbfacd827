#pragma once

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

/// Whether another process of this user holds the file open (/proc tells,
/// by device and inode, also for a file removed or renamed since); true
/// when that cannot be told at all.
bool openByAnotherProcess(const FilePlace &place);
