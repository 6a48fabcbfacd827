#include "admin/filereplacement.h"

#include "admin/console.h"
#include "admin/databasecopy.h"
#include "admin/leftovers.h"
#include "data/engine/sqlite/sqlitefile.h"
#include "data/connection/serveraddress.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <filesystem>

namespace {

QString backupName(const QString &target, const QString &job)
{
    return target + QStringLiteral(".before-") + job + QLatin1Char('-')
         + QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMdd-HHmmss"));
}

/// Puts the new file in the target's place; an old target stays as backup.
Result moveIntoPlace(const QString &newFile, const QString &target, const QString &backup)
{
    std::error_code error;
    const std::filesystem::path targetPath = QFile::encodeName(target).toStdString();
    if (!backup.isEmpty()) {
        std::filesystem::create_hard_link(targetPath, QFile::encodeName(backup).toStdString(), error);
        if (error)
            return Result::failure(QStringLiteral("無法保留原來的資料庫為 %1:%2").arg(backup, QString::fromStdString(error.message())));
    }
    std::filesystem::rename(QFile::encodeName(newFile).toStdString(), targetPath, error);
    if (error) {
        if (!backup.isEmpty())
            QFile::remove(backup);
        return Result::failure(QStringLiteral("無法把新的資料庫改名為 %1:%2").arg(target, QString::fromStdString(error.message())));
    }
    return Result::success();
}

} // namespace

Result rowsInFile(const QString &file, qint64 &rows)
{
    rows = 0;
    if (QFileInfo(file).size() == 0)
        return Result::success();
    if (Result counted = sqlitefile::countEveryRow(file, rows); !counted)
        return Result::failure(QStringLiteral("目標檔案 %1 無法當作 vemo 資料庫開啟:%2").arg(file, counted.message()));
    return Result::success();
}

QString replaceRefusal(const QString &file, qint64 rows, const QString &job, bool dryRun)
{
    return QStringLiteral("目標資料庫 %1 已經有 %2 筆資料,%3。要以%4的資料取代它,請加上 --replace(原來的檔案會留一份備份)。")
        .arg(file, QString::number(rows), dryRun ? QStringLiteral("實際%1時會拒絕").arg(job) : QStringLiteral("沒有") + job, job);
}

Result replaceFile(const QString &target, const QString &job, bool keepOld,
                   const std::function<Result(const QString &newFile)> &write, QString &backup)
{
    const QFileInfo place(target);
    if (!QDir().mkpath(place.absolutePath()))
        return Result::failure(QStringLiteral("無法建立資料夾 %1。").arg(place.absolutePath()));
    removeLeftovers(target);
    const bool targetExists = place.exists();
    TemporaryDatabase newFile(target, job);
    // The new file takes the old one's permissions, or the usual ones, not a temporary file's.
    if (Result made = newFile.create(targetExists ? QFile::permissions(target)
                                                  : QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup | QFile::ReadOther);
        !made)
        return made;
    if (Result written = write(newFile.fileName()); !written)
        return written;
    if (Result whole = sqlitefile::makeSelfContained(newFile.fileName()); !whole)
        return whole;
    if (targetExists)
        if (Result free = sqlitefile::makeSelfContained(target); !free)
            return free;
    const QString kept = keepOld ? backupName(target, job) : QString();
    if (Result moved = moveIntoPlace(newFile.fileName(), target, kept); !moved)
        return moved;
    newFile.keep();
    backup = kept;
    return Result::success();
}

Result copyReplacing(const QString &source, const QString &target, bool replace, const WholeDatabaseJob &job,
                     CopyReport &report, QString &backup)
{
    const bool progress = console::messagesGoToTerminal();
    if (ServerAddress::isServerAddress(target)) {
        if (replace)
            return Result::failure(QStringLiteral("%1到資料庫伺服器時不能用 --replace:伺服器上的資料不會留下備份。請%1到空的資料庫。").arg(job.word));
        return copyDatabase(source, target, progress, report);
    }
    qint64 rows = 0;
    if (Result counted = rowsInFile(target, rows); !counted)
        return counted;
    if (rows > 0 && !replace)
        return Result::failure(replaceRefusal(target, rows, job.word));
    const auto write = [&](const QString &file) { return copyDatabase(source, file, progress, report); };
    return replaceFile(target, job.name, rows > 0, write, backup);
}
