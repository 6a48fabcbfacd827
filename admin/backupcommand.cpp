#include "admin/backupcommand.h"

#include "admin/console.h"
#include "data/engine/sqlite/sqlitefile.h"

int BackupCommand::run(const QStringList &arguments, const QString &database)
{
    QCommandLineParser parser;
    parser.addPositionalArgument(QStringLiteral("DEST"), QStringLiteral("備份檔的路徑;不能是已經存在的檔案。"));
    if (auto status = parse(parser, arguments, QStringLiteral("backup DEST")))
        return *status;
    if (parser.positionalArguments().size() != 1) {
        console::message(QStringLiteral("vemo-admin backup:要指定一個備份檔的路徑。"));
        return kExitUsage;
    }
    const QString destination = parser.positionalArguments().constFirst();
    if (Result copied = sqlitefile::backup(database, destination); !copied) {
        console::message(QStringLiteral("備份失敗:%1").arg(copied.message()));
        return kExitFailed;
    }
    console::note(QStringLiteral("已備份到 %1。").arg(destination));
    return kExitOk;
}
