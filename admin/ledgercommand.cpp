#include "admin/ledgercommand.h"

#include "admin/console.h"
#include "admin/texttable.h"
#include "data/connection/engineconnection.h"
#include "data/tables/stockledger.h"


int LedgerCommand::run(const QStringList &arguments, const QString &database)
{
    QCommandLineParser parser;
    const QCommandLineOption enable(QStringLiteral("enable"), QStringLiteral("在這個資料庫開始記錄庫存異動 (新增一個資料表與觸發程序,不動原有資料)。"));
    const QCommandLineOption csv(QStringLiteral("csv"), QStringLiteral("以 CSV 輸出。"));
    const QCommandLineOption exact = exactCsvOption();
    parser.addOptions({enable, csv, exact});
    parser.addPositionalArgument(QStringLiteral("MATERIAL"), QStringLiteral("只列這個材料編號的異動。"), QStringLiteral("[MATERIAL]"));
    if (auto status = parse(parser, arguments, QStringLiteral("ledger [MATERIAL] [--csv [--exact]] | ledger --enable")))
        return *status;
    const QStringList material = parser.positionalArguments();
    if (material.size() > 1 || (parser.isSet(enable) && !material.isEmpty())) {
        console::message(QStringLiteral("vemo-admin ledger:最多指定一個材料編號;--enable 不帶材料編號。"));
        return kExitUsage;
    }

    EngineConnection connection;
    if (!openDatabase(connection, database))
        return kExitFailed;
    QSqlDatabase db = connection.database();
    if (parser.isSet(enable)) {
        const bool already = stockLedgerEnabled(db);
        if (Result enabled = enableStockLedger(db); !enabled) {
            console::message(QStringLiteral("無法啟用庫存異動記錄:%1").arg(enabled.message()));
            return kExitFailed;
        }
        console::note(already ? QStringLiteral("庫存異動記錄早已啟用。") : QStringLiteral("已啟用庫存異動記錄,從現在起每次庫存變更都會留下一筆。"));
        return kExitOk;
    }
    if (!stockLedgerEnabled(db)) {
        console::message(QStringLiteral("這個資料庫還沒有啟用庫存異動記錄,請先執行 vemo-admin ledger --enable。"));
        return kExitFailed;
    }
    QVector<QVariantList> lines;
    if (Result read = readStockLedger(db, material.value(0), lines); !read) {
        console::message(kCannotRead + read.message());
        return kExitFailed;
    }
    TextTable table({QStringLiteral("時間"), QStringLiteral("材料編號"), QStringLiteral("原庫存"), QStringLiteral("新庫存")});
    for (const QVariantList &line : std::as_const(lines))
        table.addRow({line.at(0).toString(), line.at(1).toString(), line.at(2).toString(), line.at(3).toString()});
    FormulaGuard formulas(parser.isSet(exact));
    console::dataBytes((parser.isSet(csv) ? table.toCsv(formulas) : table.toText()).toUtf8());
    if (formulas.defused() > 0)
        console::note(formulas.note());
    return kExitOk;
}
