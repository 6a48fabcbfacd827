#include "admin/deletedcommand.h"

#include "admin/console.h"
#include "admin/csv.h"
#include "admin/texttable.h"
#include "data/connection/engineconnection.h"
#include "data/enginetext.h"
#include "data/tables/history.h"

int DeletedCommand::run(const QStringList &arguments, const QString &database)
{
    QCommandLineParser parser;
    const QCommandLineOption csv(QStringLiteral("csv"), QStringLiteral("以 CSV 輸出。"));
    const QCommandLineOption exact = exactCsvOption();
    parser.addOptions({csv, exact});
    parser.addPositionalArgument(QStringLiteral("TABLE"), QStringLiteral("只列這個資料表刪除的資料。"), QStringLiteral("[TABLE]"));
    if (auto status = parse(parser, arguments, QStringLiteral("deleted [TABLE] [--csv [--exact]]")))
        return *status;
    const QStringList positional = parser.positionalArguments();
    if (positional.size() > 1) {
        console::message(QStringLiteral("vemo-admin deleted:最多指定一個資料表。"));
        return kExitUsage;
    }
    if (!positional.isEmpty() && !schemaTable(positional.constFirst())) {
        console::message(QStringLiteral("vemo-admin deleted:沒有資料表「%1」。").arg(positional.constFirst()));
        return kExitUsage;
    }
    EngineConnection connection;
    if (!openDatabaseWithHistory(connection, database, QStringLiteral("這個資料庫還沒有變更記錄;vemo 下次啟動時會加上,從那時起刪除的資料都能還原。")))
        return kExitFailed;
    QSqlDatabase db = connection.database();
    QVector<HistoryLine> deletes;
    if (Result read = readDeletedRows(db, positional.value(0), deletes); !read) {
        console::message(kCannotRead + read.message());
        return kExitFailed;
    }
    TextTable shown({QStringLiteral("刪除時間 (UTC)"), QStringLiteral("資料表"), QStringLiteral("鍵值"), QStringLiteral("使用者"),
                     QStringLiteral("程式")});
    for (const HistoryLine &line : std::as_const(deletes))
        shown.addRow({line.changedAt, line.table, line.key, shownWho(line), line.program});
    FormulaGuard formulas(parser.isSet(exact));
    console::dataBytes((parser.isSet(csv) ? shown.toCsv(formulas) : shown.toText()).toUtf8());
    if (formulas.defused() > 0)
        console::note(formulas.note());
    return kExitOk;
}
