#include "admin/checkcommand.h"

#include "admin/console.h"
#include "admin/databasecheck.h"

int CheckCommand::run(const QStringList &arguments, const QString &database)
{
    QCommandLineParser parser;
    if (auto status = parse(parser, arguments, QStringLiteral("check")))
        return *status;
    if (!parser.positionalArguments().isEmpty()) {
        console::message(QStringLiteral("vemo-admin check:不需要引數。"));
        return kExitUsage;
    }
    const QStringList problems = databaseProblems(database);
    for (const QString &problem : problems)
        console::data(problem);
    if (!problems.isEmpty()) {
        console::message(QStringLiteral("檢查 %1:發現 %2 個問題。").arg(database).arg(problems.size()));
        return kExitFailed;
    }
    console::note(QStringLiteral("檢查 %1:沒有發現問題。").arg(database));
    return kExitOk;
}
