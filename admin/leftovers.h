#pragma once

#include <QString>

/// The tool's temporary files: each is named for its maker and its process,
/// so that one a killed or failed run left behind is known and removed.

/// A QTemporaryFile template beside file, hidden, naming the job and this
/// process: ".vemo.sqlite.vemo-admin-backup-4242-XXXXXX".
QString temporaryBeside(const QString &file, const QString &job);

/// Removes what runs of the tool that have ended left beside the file
/// (their temporary files with their -wal, -shm and -journal); a server
/// address has nothing beside it.
void removeLeftovers(const QString &database);
