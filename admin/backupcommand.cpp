#include "admin/backupcommand.h"

#include "admin/console.h"
#include "admin/databasecopy.h"
#include "data/tables/leftovers.h"
#include "admin/progress.h"
#include "data/connection/engineconnection.h"
#include "data/tables/databasecheck.h"
#include "data/tables/history.h"
#include "data/tables/tablereading.h"

#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSaveFile>

#include <optional>

namespace {

/// Why no backup can be written under the name, or nothing when one can.
QString unusableName(const QString &destination)
{
    if (destination.trimmed().isEmpty())
        return QStringLiteral("沒有指定備份檔的名稱;請給一個新檔案的路徑,例如 vemo-備份.sqlite。");
    const QFileInfo place(destination);
    if (place.isDir() || place.fileName().isEmpty())
        return QStringLiteral("%1 是資料夾的名稱,不是檔名;請指定資料夾裡一個新檔案的名稱。").arg(destination);
    if (place.exists() || place.isSymLink())
        return QStringLiteral("檔案 %1 已經存在,備份不會蓋過它;請指定新的檔名。").arg(destination);
    const QFileInfo folder(place.absolutePath());
    if (!folder.isDir())
        return QStringLiteral("資料夾 %1 不存在;請先建立它,或指定已經存在的資料夾。").arg(QDir::toNativeSeparators(folder.filePath()));
    if (!folder.isWritable())
        return QStringLiteral("資料夾 %1 不能寫入;請指定可以寫入的資料夾。").arg(QDir::toNativeSeparators(folder.filePath()));
    return {};
}

Result writeBackup(const QString &database, const QString &destination)
{
    if (const QString problem = unusableName(destination); !problem.isEmpty())
        return Result::failure(problem);
    removeLeftovers(destination);
    const auto source = WholeDatabase::named(database);
    if (const QString problem = source->cannotBackUp(); !problem.isEmpty())
        return Result::failure(problem);
    TemporaryDatabase copy(destination, QStringLiteral("backup"));
    if (Result made = copy.create(source->backupPermissions()); !made)
        return made;
    const bool terminal = console::messagesGoToTerminal();
    const auto copyTables = [terminal](const QString &from, const QString &to) {
        CopyReport report;
        return copyDatabase(from, to, terminal, report);
    };
    // A bar counting the pages, for a backup copied page by page.
    std::optional<Progress> pages;
    const auto pagesCopied = [&](qint64 copied, qint64 total) {
        if (!pages)
            pages.emplace(0, terminal, QStringLiteral("頁"));
        pages->setDone(copied, total);
    };
    if (Result copied = source->backUpInto(copy.fileName(), copyTables, pagesCopied); !copied)
        return copied;
    pages.reset();
    return copy.moveTo(destination);
}

/// The list, in a backup folder, of the backups that backup --into wrote there, oldest first:
/// only these are ever removed to keep the newest.
const QString kWrittenList = QStringLiteral(".vemo-backups");

QStringList writtenBackups(const QDir &folder)
{
    QFile list(folder.filePath(kWrittenList));
    if (!list.open(QIODevice::ReadOnly))
        return {};
    const QRegularExpression backupName(QStringLiteral("^vemo-\\d{8}-\\d{4}(-\\d+)?\\.sqlite$"));
    QStringList names;
    for (const QByteArray &line : list.readAll().split('\n')) {
        const QString name = QString::fromUtf8(line).trimmed();
        if (backupName.match(name).hasMatch() && !names.contains(name))
            names << name;
    }
    return names;
}

Result writeWrittenBackups(const QDir &folder, const QStringList &names)
{
    QSaveFile list(folder.filePath(kWrittenList));
    if (!list.open(QIODevice::WriteOnly) || list.write((names.join(QLatin1Char('\n')) + QLatin1Char('\n')).toUtf8()) < 0
        || !list.commit())
        return Result::failure(QStringLiteral("無法寫入備份清單 %1:%2").arg(list.fileName(), list.errorString()));
    return Result::success();
}

/// A name for this minute's backup that no file in the folder has.
QString newBackupName(const QDir &folder)
{
    const QString stamp = QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMdd-HHmm"));
    QString name = QStringLiteral("vemo-%1.sqlite").arg(stamp);
    for (int run = 2; QFileInfo::exists(folder.filePath(name)) || QFileInfo(folder.filePath(name)).isSymLink(); ++run)
        name = QStringLiteral("vemo-%1-%2.sqlite").arg(stamp).arg(run);
    return name;
}

/// The backup's own check: the engine's and the schema's, the history's
/// triggers, and every table counted through.
Result checkBackup(const QString &backup, qint64 &rows)
{
    EngineConnection connection;
    if (Result opened = connection.openForReading(backup); !opened)
        return opened;
    QSqlDatabase database = connection.database();
    if (const QStringList problems = databaseProblems(database); !problems.isEmpty())
        return Result::failure(problems.join(QStringLiteral(";")));
    rows = 0;
    for (const TableDefinition &table : schemaTables() + QVector<TableDefinition>{historyTable(), historyValueTable()}) {
        qint64 inTable = 0;
        if (Result counted = countTableRows(database, table.name, inTable); !counted)
            return Result::failure(QStringLiteral("資料表 %1 數不完:%2").arg(table.name, counted.message()));
        if (table.name != kHistoryValueTable && table.name != kHistoryTable)
            rows += inTable;
    }
    return Result::success();
}

/// Removes the oldest backups this command wrote in the folder beyond the newest keep.
void removeOldBackups(const QDir &folder, QStringList &written, int keep)
{
    while (written.size() > keep) {
        const QString oldest = written.takeFirst();
        if (QFile::remove(folder.filePath(oldest)) || !QFileInfo::exists(folder.filePath(oldest)))
            console::note(QStringLiteral("已移除較舊的備份 %1。").arg(QDir::toNativeSeparators(folder.filePath(oldest))));
        else
            console::message(QStringLiteral("無法移除較舊的備份 %1。").arg(QDir::toNativeSeparators(folder.filePath(oldest))));
    }
}

int backupInto(const QString &database, const QString &into, int keep)
{
    const QDir folder(into);
    const QString backup = folder.filePath(newBackupName(folder));
    if (Result written = writeBackup(database, backup); !written) {
        console::message(QStringLiteral("備份失敗:%1").arg(written.message()));
        return kExitFailed;
    }
    qint64 rows = 0;
    if (Result checked = checkBackup(backup, rows); !checked) {
        console::message(QStringLiteral("備份 %1 沒有通過檢查,較舊的備份都留著:%2")
                             .arg(QDir::toNativeSeparators(backup), checked.message()));
        return kExitFailed;
    }
    QStringList written = writtenBackups(folder);
    written << QFileInfo(backup).fileName();
    if (Result listed = writeWrittenBackups(folder, keep > 0 ? written.mid(qMax(0, written.size() - keep)) : written); !listed) {
        console::message(QStringLiteral("備份 %1 已寫好並檢查無誤,但%2;較舊的備份都留著。").arg(QDir::toNativeSeparators(backup), listed.message()));
        return kExitFailed;
    }
    console::note(QStringLiteral("已備份到 %1,檢查無誤(%2 筆資料)。").arg(QDir::toNativeSeparators(backup)).arg(rows));
    if (keep > 0)
        removeOldBackups(folder, written, keep);
    return kExitOk;
}

} // namespace

int BackupCommand::run(const QStringList &arguments, const QString &database)
{
    QCommandLineParser parser;
    const QCommandLineOption into(QStringLiteral("into"), QStringLiteral("在這個資料夾寫一個以日期時間為名的備份 (例如 vemo-20261208-0300.sqlite),檢查後才算完成。"), QStringLiteral("DIR"));
    const QCommandLineOption keep(QStringLiteral("keep"), QStringLiteral("和 --into 並用:只留最新的 N 個由 --into 寫的備份,較舊的移除 (資料夾裡的其他檔案不動)。"), QStringLiteral("N"));
    parser.addOptions({into, keep});
    parser.addPositionalArgument(QStringLiteral("DEST"), QStringLiteral("備份檔的路徑;不能是已經存在的檔案。"), QStringLiteral("[DEST]"));
    if (auto status = parse(parser, arguments, QStringLiteral("backup DEST | backup --into DIR [--keep N]")))
        return *status;
    if (parser.isSet(into) || parser.isSet(keep)) {
        bool whole = false;
        const int kept = parser.isSet(keep) ? parser.value(keep).toInt(&whole) : 0;
        if (!parser.positionalArguments().isEmpty() || !parser.isSet(into) || (parser.isSet(keep) && (!whole || kept < 1))) {
            console::message(QStringLiteral("vemo-admin backup:--into 指定資料夾時不再給備份檔的路徑;--keep 要和 --into 並用,是 1 以上的整數。"));
            return kExitUsage;
        }
        return backupInto(database, parser.value(into), kept);
    }
    if (parser.positionalArguments().size() != 1) {
        console::message(QStringLiteral("vemo-admin backup:要指定一個備份檔的路徑。"));
        return kExitUsage;
    }
    const QString destination = parser.positionalArguments().constFirst();
    if (Result written = writeBackup(database, destination); !written) {
        console::message(QStringLiteral("備份失敗:%1").arg(written.message()));
        return kExitFailed;
    }
    console::note(QStringLiteral("已備份到 %1。").arg(destination));
    return kExitOk;
}
