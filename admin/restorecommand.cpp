#include "admin/restorecommand.h"

#include "admin/console.h"
#include "admin/databasecopy.h"
#include "data/connection/serveraddress.h"

#include <QFileInfo>

namespace {

/// Why the backup cannot be restored into the database, or nothing when it can.
QString unusableBackup(const QString &backup, const QString &database)
{
    if (backup.trimmed().isEmpty())
        return QStringLiteral("沒有指定備份檔的名稱。");
    const auto backupFile = WholeDatabase::named(backup);
    if (!backupFile->isOneFile())
        return QStringLiteral("還原只讀 vemo-admin backup 寫的備份檔;要從伺服器複製資料,請用 vemo-admin copy --from。");
    if (!QFileInfo(backup).isFile())
        return QStringLiteral("找不到備份檔 %1。").arg(backup);
    if (WholeDatabase::named(database)->isKeptIn(backup))
        return QStringLiteral("備份檔 %1 就是要還原的資料庫本身。").arg(backup);
    qint64 rows = 0;
    if (Result counted = backupFile->countRows(rows); !counted)
        return QStringLiteral("備份檔 %1 無法當作 vemo 資料庫開啟:%2").arg(backup, counted.message());
    if (rows == 0)
        return QStringLiteral("備份檔 %1 裡沒有任何一筆資料,沒有東西可以還原。").arg(backup);
    return {};
}

} // namespace

int RestoreCommand::run(const QStringList &arguments, const QString &database)
{
    QCommandLineParser parser;
    const QCommandLineOption replace(QStringLiteral("replace"),
                                     QStringLiteral("資料庫檔案已有資料時仍以備份取代它;原檔留在旁邊當備份。伺服器上的資料不會被取代。"));
    parser.addOption(replace);
    parser.addPositionalArgument(QStringLiteral("BACKUP"), QStringLiteral("vemo-admin backup 寫的備份檔。"));
    if (auto status = parse(parser, arguments, QStringLiteral("restore BACKUP [--replace]")))
        return *status;
    if (parser.positionalArguments().size() != 1) {
        console::message(QStringLiteral("vemo-admin restore:要指定一個備份檔。"));
        return kExitUsage;
    }
    const QString backup = parser.positionalArguments().constFirst();
    CopyReport report;
    QString kept;
    const WholeDatabase::Job job{QStringLiteral("restore"), QStringLiteral("還原")};
    const QString problem = unusableBackup(backup, database);
    const Result restored = problem.isEmpty() ? copyReplacing(backup, database, parser.isSet(replace), job, report, kept)
                                              : Result::failure(problem);
    if (!restored) {
        console::message(QStringLiteral("還原失敗,資料庫沒有寫入任何資料:%1").arg(restored.message()));
        return kExitFailed;
    }
    for (const CopyReport::Table &table : std::as_const(report.tables))
        console::data(QStringLiteral("%1:%2 筆").arg(table.name).arg(table.rows));
    console::note(QStringLiteral("還原完成:%1 筆資料從 %2 還原到 %3,費時 %4 秒。")
                      .arg(QString::number(report.rows()), backup, ServerAddress::shown(database),
                           QString::number(report.seconds, 'f', 2)));
    if (!kept.isEmpty())
        console::note(QStringLiteral("原來的資料庫留作備份:%1").arg(kept));
    return kExitOk;
}
