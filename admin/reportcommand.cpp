#include "admin/reportcommand.h"

#include "admin/console.h"
#include "admin/reports.h"
#include "data/connection/engineconnection.h"

int ReportCommand::run(const QStringList &arguments, const QString &database)
{
    QCommandLineParser parser;
    const QCommandLineOption csv(QStringLiteral("csv"), QStringLiteral("以 CSV 輸出,不排成文字表格。"));
    const QCommandLineOption exact = exactCsvOption();
    const QCommandLineOption days(QStringLiteral("days"), QStringLiteral("contracts:列出今天起 N 天內到期與過去 N 天內已結束的合約。"), QStringLiteral("N"));
    parser.addOptions({csv, days, exact});
    parser.addPositionalArgument(QStringLiteral("REPORT"), QStringLiteral("low-stock 或 contracts。"));
    const QString usage = QStringLiteral("report low-stock [--csv [--exact]] | report contracts --days N [--csv [--exact]]");
    if (auto status = parse(parser, arguments, usage))
        return *status;
    const QStringList names = parser.positionalArguments();
    const bool lowStock = names == QStringList{QStringLiteral("low-stock")};
    const bool contracts = names == QStringList{QStringLiteral("contracts")};
    bool daysOk = false;
    const int dayCount = parser.value(days).toInt(&daysOk);
    if ((!lowStock && !contracts) || (contracts && (!daysOk || dayCount < 0)) || (lowStock && parser.isSet(days))) {
        console::message(QStringLiteral("vemo-admin report:用法 %1(N 是 0 或更大的整數)").arg(usage));
        return kExitUsage;
    }

    EngineConnection connection;
    if (!openDatabase(connection, database))
        return kExitFailed;
    TextTable report({});
    const Result made = lowStock ? lowStockReport(connection.database(), report)
                                 : contractsReport(connection.database(), QDate::currentDate(), dayCount, report);
    if (!made) {
        console::message(QStringLiteral("報表無法產生:%1").arg(made.message()));
        return kExitFailed;
    }
    FormulaGuard formulas(parser.isSet(exact));
    console::dataBytes((parser.isSet(csv) ? report.toCsv(formulas) : report.toText()).toUtf8());
    if (formulas.defused() > 0)
        console::note(formulas.note());
    return kExitOk;
}
