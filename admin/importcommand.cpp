#include "admin/importcommand.h"

#include "admin/console.h"
#include "admin/importer.h"

#include <QFile>

QString ImportCommand::helpNotes() const
{
    return QStringLiteral(
        "\n對照檔 (--map):資料表與欄位名稱不同時,指出舊的對到 vemo 的哪一個;名稱相同 (不分大小寫) 的不必寫。\n"
        "  {\"tables\": {\"舊資料表\": {\"into\": \"vemo 資料表\", \"columns\": {\"舊欄位\": \"vemo 欄位\"}}}}\n"
        "例如:\n"
        "  {\"tables\": {\"Suppliers\": {\"into\": \"SUPPLIER\",\n"
        "      \"columns\": {\"SupplierID\": \"supplierno\", \"CompanyName\": \"supplier\", \"Phone\": \"phoneno\"}}}}\n"
        "舊資料庫的資料表與欄位:vemo-admin tables FILE.mdb;vemo 的:vemo-admin schema。\n"
        "對照檔寫到不存在的資料表或欄位、或把兩個欄位對到同一個欄位時,整個匯入不寫任何資料。\n"
        "沒有任何一筆資料可寫入時,匯入 (包括 --dry-run) 以結束碼 1 結束並說明原因。\n"
        "詳細說明與完整範例:" VEMO_DOC_DIR "/import-map.md (原始碼裡的 docs/import-map.md)。\n");
}

int ImportCommand::run(const QStringList &arguments, const QString &database)
{
    QCommandLineParser parser;
    const QCommandLineOption map(QStringLiteral("map"), QStringLiteral("資料表與欄位對照檔 (JSON),給改過名字的資料表或欄位用。"),
                                 QStringLiteral("MAP.json"));
    const QCommandLineOption codePage(QStringLiteral("code-page"),
                                      QStringLiteral("Jet 3 檔案文字的字碼頁,iconv 的名稱 (預設 CP950,即 Big5;例如 CP1252)。"),
                                      QStringLiteral("NAME"), QStringLiteral("CP950"));
    const QCommandLineOption dryRun(QStringLiteral("dry-run"), QStringLiteral("只讀不寫:印出每個資料表讀出與將寫入的筆數,以及每個無法原樣帶入的值。"));
    const QCommandLineOption replace(QStringLiteral("replace"), QStringLiteral("目標資料庫已有資料時仍以匯入的資料取代它;原檔留在旁邊當備份。"));
    parser.addOptions({map, codePage, dryRun, replace});
    parser.addPositionalArgument(QStringLiteral("FILE.mdb"), QStringLiteral("舊程式的資料庫 (Jet 3、Jet 4 或 .accdb)。"));
    if (auto status = parse(parser, arguments, QStringLiteral("import FILE.mdb [--map MAP.json] [--code-page NAME] [--dry-run] [--replace]")))
        return *status;
    if (parser.positionalArguments().size() != 1) {
        console::message(QStringLiteral("vemo-admin import:要指定一個舊資料庫檔案。"));
        return kExitUsage;
    }

    ImportOptions options;
    options.source = parser.positionalArguments().constFirst();
    options.target = database;
    options.codePage = parser.value(codePage);
    options.dryRun = parser.isSet(dryRun);
    options.replace = parser.isSet(replace);
    options.terminal = console::messagesGoToTerminal();
    if (parser.isSet(map)) {
        QFile file(parser.value(map));
        if (!file.open(QIODevice::ReadOnly)) {
            console::message(QStringLiteral("無法讀取對照檔 %1:%2").arg(file.fileName(), file.errorString()));
            return kExitFailed;
        }
        if (Result parsed = ImportMap::parse(file.readAll(), options.map); !parsed) {
            console::message(parsed.message());
            return kExitFailed;
        }
    }

    ImportReport report;
    const Result imported = importJetFile(options, report);
    // A dry run's account is what was asked for, a failed run's tells why; a run's is left out under --quiet.
    for (const QString &line : report.lines())
        options.dryRun || !imported ? console::data(line) : console::summary(line);
    if (!report.libraryWarnings.isEmpty())
        console::message(report.libraryWarnings);
    if (!imported) {
        console::message(imported.message());
        return kExitFailed;
    }
    qint64 rows = 0;
    for (const ImportReport::Table &table : report.tables)
        rows += table.read;
    if (options.dryRun)
        console::note(QStringLiteral("試算完成,沒有寫入任何資料:讀出 %1 筆,費時 %2 秒。").arg(rows).arg(report.seconds, 0, 'f', 2));
    else
        console::note(QStringLiteral("匯入完成:%1 筆資料寫入 %2,費時 %3 秒。")
                             .arg(QString::number(rows), database, QString::number(report.seconds, 'f', 2)));
    if (!report.backup.isEmpty())
        console::note(QStringLiteral("原來的資料庫留作備份:%1").arg(report.backup));
    return kExitOk;
}
