#include "admin/copycommand.h"

#include "admin/console.h"
#include "admin/databasecopy.h"
#include "data/connection/serveraddress.h"

int CopyCommand::run(const QStringList &arguments, const QString &database)
{
    QCommandLineParser parser;
    const QCommandLineOption to(QStringLiteral("to"), QStringLiteral("複製到這個資料庫 (postgresql://使用者@主機:連接埠/資料庫,或檔案路徑)。"),
                                QStringLiteral("DATABASE"));
    const QCommandLineOption from(QStringLiteral("from"), QStringLiteral("從這個資料庫複製到 --database 的資料庫。"),
                                  QStringLiteral("DATABASE"));
    const QCommandLineOption replace(QStringLiteral("replace"),
                                     QStringLiteral("目標是已有資料的檔案時仍以複製的資料取代它;原檔留在旁邊當備份。"));
    parser.addOptions({to, from, replace});
    if (auto status = parse(parser, arguments, QStringLiteral("copy --to DATABASE | --from DATABASE [--replace]")))
        return *status;
    if (parser.isSet(to) == parser.isSet(from) || !parser.positionalArguments().isEmpty()) {
        console::message(QStringLiteral("vemo-admin copy:要指定 --to 或 --from 其中一個。"));
        return kExitUsage;
    }
    const QString source = parser.isSet(from) ? parser.value(from) : database;
    const QString target = parser.isSet(to) ? parser.value(to) : database;

    CopyReport report;
    QString backup;
    const WholeDatabase::Job job{QStringLiteral("copy"), QStringLiteral("複製")};
    if (Result copied = copyReplacing(source, target, parser.isSet(replace), job, report, backup); !copied) {
        console::message(QStringLiteral("複製失敗,目標資料庫沒有寫入任何資料:%1").arg(copied.message()));
        return kExitFailed;
    }
    for (const CopyReport::Table &table : std::as_const(report.tables))
        console::summary(QStringLiteral("%1:%2 筆").arg(table.name).arg(table.rows));
    console::note(QStringLiteral("複製完成:%1 筆資料從 %2 複製到 %3,費時 %4 秒。")
                         .arg(QString::number(report.rows()), ServerAddress::shown(source), ServerAddress::shown(target),
                              QString::number(report.seconds, 'f', 2)));
    if (!backup.isEmpty())
        console::note(QStringLiteral("原來的資料庫留作備份:%1").arg(backup));
    return kExitOk;
}
