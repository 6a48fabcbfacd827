#pragma once

#include "data/result.h"

struct CopyReport;

#include <QString>

#include <functional>

/// How import, restore and copy put a whole new database file where a file
/// may already be: the new file is written beside it and renamed into place
/// only once it is complete, and a file that held rows goes only with
/// --replace and stays beside it as a backup.

/// The rows of every table the file holds, the additive ones included; none
/// when there is no file or it is empty. Writes nothing to the file.
Result rowsInFile(const QString &file, qint64 &rows);

/// Why a job (匯入, 還原, 複製) was not done, or in a dry run would not be,
/// onto a file that holds rows, and how to replace it all the same.
QString replaceRefusal(const QString &file, qint64 rows, const QString &job, bool dryRun = false);

/// Writes a new database file for the job (import, restore, copy) beside
/// target with write, which is handed the new file's name (an empty file),
/// then puts it in target's place, taking its permissions. With keepOld the old target stays as
/// "target.before-<job>-<time>", named in backup. Fails when a program has
/// the target open; on any failure the target is as it was and the new file
/// is gone.
Result replaceFile(const QString &target, const QString &job, bool keepOld,
                   const std::function<Result(const QString &newFile)> &write, QString &backup);

/// A job that writes a whole database: its name for files (import, restore,
/// copy) and its word in messages (匯入, 還原, 複製).
struct WholeDatabaseJob
{
    QString name;
    QString word;
};

/// Copies source into target as copyDatabase does. A file target is written
/// anew and put in place as replaceFile does, only with replace when it holds
/// rows; a server target must hold no row, and replace is refused there as
/// the server keeps no backup.
Result copyReplacing(const QString &source, const QString &target, bool replace, const WholeDatabaseJob &job,
                     CopyReport &report, QString &backup);
