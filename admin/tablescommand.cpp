#include "admin/tablescommand.h"

#include "admin/console.h"
#include "admin/jetfile.h"
#include "admin/texttable.h"

int TablesCommand::run(const QStringList &arguments, const QString &database)
{
    Q_UNUSED(database)
    QCommandLineParser parser;
    const QCommandLineOption codePage(QStringLiteral("code-page"),
                                      QStringLiteral("Jet 3 檔案名稱的字碼頁,iconv 的名稱 (預設 CP950,即 Big5)。"),
                                      QStringLiteral("NAME"), QStringLiteral("CP950"));
    const QCommandLineOption csv(QStringLiteral("csv"), QStringLiteral("以 CSV 輸出,不排成文字表格。"));
    const QCommandLineOption exact = exactCsvOption();
    parser.addOptions({codePage, csv, exact});
    parser.addPositionalArgument(QStringLiteral("FILE.mdb"), QStringLiteral("舊程式的資料庫 (Jet 3、Jet 4 或 .accdb)。"));
    if (auto status = parse(parser, arguments, QStringLiteral("tables FILE.mdb [--code-page NAME] [--csv [--exact]]")))
        return *status;
    if (parser.positionalArguments().size() != 1) {
        console::message(QStringLiteral("vemo-admin tables:要指定一個舊資料庫檔案。"));
        return kExitUsage;
    }
    JetFile jet;
    if (Result opened = jet.open(parser.positionalArguments().constFirst(), parser.value(codePage)); !opened) {
        console::message(opened.message());
        return kExitFailed;
    }
    TextTable listing({QStringLiteral("資料表"), QStringLiteral("筆數"), QStringLiteral("欄位"), QStringLiteral("型別")});
    for (const JetTable &table : jet.tables())
        for (int c = 0; c < table.columns.size(); ++c)
            listing.addRow({table.name, QString::number(table.rowCount), table.columns.at(c), table.columnTypes.value(c)});
    FormulaGuard formulas(parser.isSet(exact));
    console::dataBytes((parser.isSet(csv) ? listing.toCsv(formulas) : listing.toText()).toUtf8());
    if (formulas.defused() > 0)
        console::note(formulas.note());
    if (!jet.warnings().isEmpty())
        console::message(jet.warnings());
    return kExitOk;
}
