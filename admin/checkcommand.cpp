#include "admin/checkcommand.h"

#include "admin/console.h"
#include "data/tables/databasecheck.h"
#include "data/connection/engineconnection.h"
#include "data/connection/serveraddress.h"

int CheckCommand::run(const QStringList &arguments, const QString &database)
{
    QCommandLineParser parser;
    if (auto status = parse(parser, arguments, QStringLiteral("check")))
        return *status;
    if (!parser.positionalArguments().isEmpty()) {
        console::message(QStringLiteral("vemo-admin check:不需要引數。"));
        return kExitUsage;
    }
    EngineConnection connection;
    if (Result opened = connection.openForReading(database); !opened) {
        console::message(opened.message());
        return kExitFailed;
    }
    QSqlDatabase checked = connection.database();
    const QStringList problems = databaseProblems(checked);
    for (const QString &problem : problems)
        console::data(problem);
    const QString shown = ServerAddress::shown(database);
    if (!problems.isEmpty()) {
        console::message(QStringLiteral("檢查 %1:發現 %2 個問題。").arg(shown, QString::number(problems.size())));
        return kExitFailed;
    }
    console::note(QStringLiteral("檢查 %1:沒有發現問題。").arg(shown));
    return kExitOk;
}
