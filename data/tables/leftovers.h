#pragma once

#include "data/result.h"

#include <QFileDevice>
#include <QString>
#include <QTemporaryFile>

/// The tool's temporary files: each is named for its maker and its process,
/// so that one a killed or failed run left behind is known and removed.

/// A QTemporaryFile template beside file, hidden, naming the job and this
/// process: ".vemo.sqlite.vemo-admin-backup-4242-XXXXXX".
QString temporaryBeside(const QString &file, const QString &job);

/// Removes what runs of the tool that have ended left beside the file
/// (their temporary files with their -wal, -shm and -journal).
void removeLeftovers(const QString &file);

/// A new database file written beside the place it is meant for, under a
/// name from temporaryBeside. Unless it was moved into place, it goes with
/// its -wal, -shm and -journal when this object does.
class TemporaryDatabase
{
public:
    TemporaryDatabase(const QString &beside, const QString &job);
    ~TemporaryDatabase();
    TemporaryDatabase(const TemporaryDatabase &) = delete;
    TemporaryDatabase &operator=(const TemporaryDatabase &) = delete;

    /// Makes the empty file with the permissions given.
    Result create(QFileDevice::Permissions permissions);
    QString fileName() const { return m_file.fileName(); }
    /// Renames the file to destination, failing rather than replacing a file there.
    Result moveTo(const QString &destination);
    /// Leaves the file where it now is.
    void keep();

private:
    QTemporaryFile m_file;
    bool m_kept = false;
};
