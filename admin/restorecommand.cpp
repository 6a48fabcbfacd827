#include "admin/restorecommand.h"

#include "admin/console.h"
#include "admin/databasecopy.h"
#include "admin/texttable.h"
#include "data/connection/engineconnection.h"
#include "data/tables/history.h"
#include "data/tables/tablereading.h"
#include "data/connection/serveraddress.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

namespace {

/// Why the backup cannot be restored into the database, or nothing when it can.
QString unusableName(const QString &backup, const QString &database)
{
    if (backup.trimmed().isEmpty())
        return QStringLiteral("沒有指定備份檔的名稱。");
    const auto backupFile = WholeDatabase::named(backup);
    if (!backupFile->isOneFile())
        return QStringLiteral("還原只讀 vemo-admin backup 寫的備份檔;要從伺服器複製資料,請用 vemo-admin copy --from。");
    const QFileInfo file(backup);
    if (!file.exists() || file.isDir())
        return QStringLiteral("找不到備份檔 %1。").arg(backup);
    if (WholeDatabase::named(database)->isKeptIn(backup))
        return QStringLiteral("備份檔 %1 就是要還原的資料庫本身。").arg(backup);
    return {};
}

/// Copies the backup's bytes, each file opened once, into a folder only this
/// user can enter, so that what is checked is what is restored even if the
/// backup is replaced meanwhile; a pipe (restore <(zcat …)) works alike.
Result copyPrivately(const QString &backup, const QTemporaryDir &folder, QString &copy)
{
    if (!folder.isValid())
        return Result::failure(QStringLiteral("無法建立暫存資料夾來檢查備份檔:%1").arg(folder.errorString()));
    copy = folder.filePath(QStringLiteral("backup.sqlite"));
    for (const QString &suffix : {QString(), QStringLiteral("-wal")}) {
        QFile from(backup + suffix);
        if (!suffix.isEmpty() && !from.exists())
            continue;
        QFile to(copy + suffix);
        if (!from.open(QIODevice::ReadOnly))
            return Result::failure(QStringLiteral("無法讀取備份檔 %1:%2").arg(from.fileName(), from.errorString()));
        if (!to.open(QIODevice::WriteOnly))
            return Result::failure(QStringLiteral("無法複製備份檔 %1 來檢查:%2").arg(from.fileName(), to.errorString()));
        QByteArray block;
        while (!(block = from.read(1 << 20)).isEmpty())
            if (to.write(block) != block.size())
                return Result::failure(QStringLiteral("無法複製備份檔 %1 來檢查:%2").arg(from.fileName(), to.errorString()));
        if (from.error() != QFileDevice::NoError || !to.flush())
            return Result::failure(QStringLiteral("無法讀取備份檔 %1:%2").arg(from.fileName(), from.errorString()));
    }
    return Result::success();
}

/// Why the private copy of backup holds nothing to restore, or nothing when it does.
QString unusableCopy(const QString &copy, const QString &backup)
{
    qint64 rows = 0;
    if (Result counted = WholeDatabase::named(copy)->countRows(rows); !counted)
        return QStringLiteral("備份檔 %1 無法當作 vemo 資料庫開啟:%2").arg(backup, counted.message());
    if (rows == 0)
        return QStringLiteral("備份檔 %1 裡沒有任何一筆資料,沒有東西可以還原。").arg(backup);
    return {};
}

/// Checks the backup and copies it into the database, both from one private copy of its bytes.
Result restoreBackup(const QString &backup, const QString &database, bool replace, CopyReport &report, QString &kept)
{
    if (const QString problem = unusableName(backup, database); !problem.isEmpty())
        return Result::failure(problem);
    const QTemporaryDir folder;
    QString copy;
    if (Result copied = copyPrivately(backup, folder, copy); !copied)
        return copied;
    if (const QString problem = unusableCopy(copy, backup); !problem.isEmpty())
        return Result::failure(problem);
    const WholeDatabase::Job job{QStringLiteral("restore"), QStringLiteral("還原")};
    return copyReplacing(copy, database, replace, job, report, kept);
}

/// The rows of a backup's eleven tables and ledger, and its history's changes.
Result countBackup(const QString &backup, qint64 &rows, qint64 &changes)
{
    EngineConnection connection;
    if (Result opened = connection.openForReading(backup); !opened)
        return opened;
    QSqlDatabase database = connection.database();
    if (Result counted = rowsInDatabase(database, rows); !counted)
        return counted;
    changes = 0;
    return historyEnabled(database) ? countTableRows(database, kHistoryTable, changes) : Result::success();
}

/// Every backup file in the folder, oldest first, with when it was written and what it holds.
int listBackups(const QString &folderPath)
{
    const QDir folder(folderPath);
    if (!folder.exists()) {
        console::message(QStringLiteral("找不到資料夾 %1。").arg(QDir::toNativeSeparators(folderPath)));
        return kExitFailed;
    }
    const QFileInfoList files = folder.entryInfoList({QStringLiteral("*.sqlite")}, QDir::Files, QDir::Time | QDir::Reversed);
    TextTable table({QStringLiteral("備份檔"), QStringLiteral("時間"), QStringLiteral("資料筆數"), QStringLiteral("變更記錄")});
    bool unreadable = false;
    for (const QFileInfo &file : files) {
        qint64 rows = 0;
        qint64 changes = 0;
        const Result counted = countBackup(file.filePath(), rows, changes);
        unreadable = unreadable || !counted;
        table.addRow({file.fileName(), file.lastModified().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")),
                      counted ? QString::number(rows) : QStringLiteral("讀不出來:") + counted.message(),
                      counted ? QString::number(changes) : QString()});
    }
    console::dataBytes(table.toText().toUtf8());
    console::note(QStringLiteral("%1 裡有 %2 個備份檔。").arg(QDir::toNativeSeparators(folderPath)).arg(files.size()));
    return unreadable ? kExitFailed : kExitOk;
}

} // namespace

int RestoreCommand::run(const QStringList &arguments, const QString &database)
{
    QCommandLineParser parser;
    const QCommandLineOption replace(QStringLiteral("replace"),
                                     QStringLiteral("資料庫檔案已有資料時仍以備份取代它;原檔留在旁邊當備份。伺服器上的資料不會被取代。"));
    const QCommandLineOption list(QStringLiteral("list"), QStringLiteral("列出資料夾裡的備份檔、寫入的時間與資料筆數,不還原。"), QStringLiteral("DIR"));
    parser.addOptions({replace, list});
    parser.addPositionalArgument(QStringLiteral("BACKUP"), QStringLiteral("vemo-admin backup 寫的備份檔。"));
    if (auto status = parse(parser, arguments, QStringLiteral("restore BACKUP [--replace] | restore --list DIR")))
        return *status;
    if (parser.isSet(list) && (!parser.positionalArguments().isEmpty() || parser.isSet(replace))) {
        console::message(QStringLiteral("vemo-admin restore:--list 只列出備份檔,不和備份檔的名稱或 --replace 並用。"));
        return kExitUsage;
    }
    if (parser.isSet(list))
        return listBackups(parser.value(list));
    if (parser.positionalArguments().size() != 1) {
        console::message(QStringLiteral("vemo-admin restore:要指定一個備份檔。"));
        return kExitUsage;
    }
    const QString backup = parser.positionalArguments().constFirst();
    CopyReport report;
    QString kept;
    const Result restored = restoreBackup(backup, database, parser.isSet(replace), report, kept);
    if (!restored) {
        console::message(QStringLiteral("還原失敗,資料庫沒有寫入任何資料:%1").arg(restored.message()));
        return kExitFailed;
    }
    for (const CopyReport::Table &table : std::as_const(report.tables))
        console::summary(QStringLiteral("%1:%2 筆").arg(table.name).arg(table.rows));
    console::note(QStringLiteral("還原完成:%1 筆資料從 %2 還原到 %3,費時 %4 秒。")
                      .arg(QString::number(report.rows()), backup, ServerAddress::shown(database),
                           QString::number(report.seconds, 'f', 2)));
    if (!kept.isEmpty())
        console::note(QStringLiteral("原來的資料庫留作備份:%1").arg(kept));
    return kExitOk;
}
