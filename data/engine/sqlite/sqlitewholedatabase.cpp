#include "data/tables/wholedatabase.h"

#include "data/engine/sqlite/sqlitefile.h"
#include "data/tables/leftovers.h"

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

/// The embedded file: written anew beside itself and renamed into place, backed up page by page.
class WholeFile : public WholeDatabase
{
public:
    explicit WholeFile(QString file) : m_file(std::move(file)) {}

    bool isOneFile() const override { return true; }
    bool isKeptIn(const QString &file) const override
    {
        return QFileInfo(file).canonicalFilePath() == QFileInfo(m_file).canonicalFilePath();
    }

    Result countRows(qint64 &rows) const override
    {
        rows = 0;
        if (QFileInfo(m_file).size() == 0)
            return Result::success();
        return sqlitefile::countEveryRow(m_file, rows);
    }

    QString refusal(qint64 rows, const Job &job, bool replaceRows, bool dryRun) const override
    {
        if (rows == 0 || replaceRows)
            return {};
        return QStringLiteral("目標資料庫 %1 已經有 %2 筆資料,%3。要以%4的資料取代它,請加上 --replace(原來的檔案會留一份備份)。")
            .arg(m_file, QString::number(rows), dryRun ? QStringLiteral("實際%1時會拒絕").arg(job.word) : QStringLiteral("沒有") + job.word,
                 job.word);
    }

    Result replaceWith(const Job &job, bool replaceRows, const Writing &write, QString &kept) const override
    {
        const QFileInfo place(m_file);
        if (!QDir().mkpath(place.absolutePath()))
            return Result::failure(QStringLiteral("無法建立資料夾 %1。").arg(place.absolutePath()));
        ::removeLeftovers(m_file);
        qint64 rows = 0;
        if (Result counted = countRows(rows); !counted)
            return Result::failure(QStringLiteral("目標檔案 %1 無法當作 vemo 資料庫開啟:%2").arg(m_file, counted.message()));
        if (const QString refused = refusal(rows, job, replaceRows, false); !refused.isEmpty())
            return Result::failure(refused);
        const bool exists = place.exists();
        TemporaryDatabase newFile(m_file, job.name);
        // The new file takes the old one's permissions, or the usual ones, not a temporary file's.
        if (Result made = newFile.create(exists ? QFile::permissions(m_file)
                                                : QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup | QFile::ReadOther);
            !made)
            return made;
        if (Result written = write(newFile.fileName()); !written)
            return written;
        if (Result whole = sqlitefile::makeSelfContained(newFile.fileName()); !whole)
            return whole;
        if (exists)
            if (Result free = sqlitefile::makeSelfContained(m_file); !free)
                return free;
        const QString backup = rows > 0 ? backupName(m_file, job.name) : QString();
        if (Result moved = moveIntoPlace(newFile.fileName(), m_file, backup); !moved)
            return moved;
        newFile.keep();
        kept = backup;
        return Result::success();
    }

    QString cannotBackUp() const override
    {
        return QFileInfo(m_file).isFile() ? QString() : QStringLiteral("找不到資料庫檔案 %1。").arg(m_file);
    }
    QFileDevice::Permissions backupPermissions() const override { return QFile::permissions(m_file); }
    Result backUpInto(const QString &file, const TableCopy &, const Copied &copied) const override
    {
        return sqlitefile::snapshot(m_file, file, copied);
    }
    void removeLeftovers() const override { ::removeLeftovers(m_file); }

private:
    QString m_file;
};

} // namespace

Result makeFileSelfContained(const QString &file)
{
    return sqlitefile::makeSelfContained(file);
}

std::unique_ptr<WholeDatabase> wholeFile(const QString &file)
{
    return std::make_unique<WholeFile>(file);
}
