#include "admin/historycommand.h"

#include "admin/console.h"
#include "admin/csv.h"
#include "admin/texttable.h"
#include "data/connection/engineconnection.h"
#include "data/enginetext.h"
#include "data/tables/history.h"

#include <QDate>
#include <QTextStream>

namespace {

/// A date as YYYY-MM-DD, optionally with a time after it, as the history's UTC times start.
bool isDate(const QString &text)
{
    return text.size() >= 10 && QDate::fromString(text.left(10), Qt::ISODate).isValid()
        && (text.size() == 10 || text.at(10) == QLatin1Char(' ') || text.at(10) == QLatin1Char('T'));
}

QString historyTime(const QString &date)
{
    QString time = date;
    return time.replace(QLatin1Char('T'), QLatin1Char(' '));
}

bool userAgrees(const QString &question)
{
    console::messagePart(question);
    const QString answer = QTextStream(stdin).readLine().trimmed();
    return answer.compare(QLatin1String("y"), Qt::CaseInsensitive) == 0
        || answer.compare(QLatin1String("yes"), Qt::CaseInsensitive) == 0 || answer == QStringLiteral("是");
}

int prune(QSqlDatabase &database, const QString &before, bool yes)
{
    qint64 changes = 0;
    if (Result counted = countHistoryBefore(database, before, changes); !counted) {
        console::message(kCannotRead + counted.message());
        return kExitFailed;
    }
    if (changes == 0) {
        console::note(QStringLiteral("%1 以前沒有變更記錄,沒有刪除任何一筆。").arg(before));
        return kExitOk;
    }
    if (!yes && !userAgrees(QStringLiteral("%1 以前有 %2 筆變更記錄,刪除後無法復原;確定要刪除嗎?(y/N) ")
                                .arg(before, QString::number(changes)))) {
        console::message(QStringLiteral("沒有刪除任何變更記錄。"));
        return kExitFailed;
    }
    qint64 removed = 0;
    if (Result pruned = pruneHistory(database, before, removed); !pruned) {
        console::message(QStringLiteral("無法刪除變更記錄:%1").arg(pruned.message()));
        return kExitFailed;
    }
    console::note(QStringLiteral("已刪除 %1 以前的 %2 筆變更記錄。").arg(before, QString::number(removed)));
    return kExitOk;
}

} // namespace

int HistoryCommand::run(const QStringList &arguments, const QString &database)
{
    QCommandLineParser parser;
    const QCommandLineOption since(QStringLiteral("since"), QStringLiteral("只列這一天 (UTC) 以後的變更。"), QStringLiteral("DATE"));
    const QCommandLineOption user(QStringLiteral("user"), QStringLiteral("只列這個使用者 (或伺服器登入角色) 做的變更。"), QStringLiteral("NAME"));
    const QCommandLineOption csv(QStringLiteral("csv"), QStringLiteral("以 CSV 輸出。"));
    const QCommandLineOption pruneBefore(QStringLiteral("prune-before"), QStringLiteral("刪除這一天 (UTC) 以前的變更記錄。"), QStringLiteral("DATE"));
    const QCommandLineOption yes(QStringLiteral("yes"), QStringLiteral("刪除前不再詢問。"));
    const QCommandLineOption exact = exactCsvOption();
    parser.addOptions({since, user, csv, exact, pruneBefore, yes});
    parser.addPositionalArgument(QStringLiteral("TABLE"), QStringLiteral("只列這個資料表的變更。"), QStringLiteral("[TABLE"));
    parser.addPositionalArgument(QStringLiteral("KEY"), QStringLiteral("只列這個鍵值那筆資料的變更。"), QStringLiteral("[KEY]]"));
    const QString usage = QStringLiteral("history [TABLE [KEY]] [--since DATE] [--user NAME] [--csv [--exact]] | history --prune-before DATE [--yes]");
    if (auto status = parse(parser, arguments, usage))
        return *status;
    const QStringList positional = parser.positionalArguments();
    const bool pruning = parser.isSet(pruneBefore);
    if (positional.size() > 2 || (pruning && (!positional.isEmpty() || parser.isSet(since) || parser.isSet(user)))) {
        console::message(QStringLiteral("vemo-admin history:最多指定資料表與鍵值;--prune-before 不與其他條件並用。"));
        return kExitUsage;
    }
    for (const QString &date : {parser.value(since), parser.value(pruneBefore)}) {
        if (!date.isEmpty() && !isDate(date)) {
            console::message(QStringLiteral("vemo-admin history:日期「%1」要寫成 YYYY-MM-DD,例如 2026-12-08。").arg(date));
            return kExitUsage;
        }
    }
    const TableDefinition *table = positional.isEmpty() ? nullptr : schemaTable(positional.constFirst());
    if (!positional.isEmpty() && !table) {
        console::message(QStringLiteral("vemo-admin history:沒有資料表「%1」。").arg(positional.constFirst()));
        return kExitUsage;
    }

    EngineConnection connection;
    if (!openDatabaseWithHistory(connection, database, QStringLiteral("這個資料庫還沒有變更記錄;vemo 下次啟動時會加上,從那時起記錄每一筆變更。")))
        return kExitFailed;
    QSqlDatabase db = connection.database();
    if (pruning)
        return prune(db, historyTime(parser.value(pruneBefore)), parser.isSet(yes));
    QVector<HistoryLine> lines;
    const HistoryFilter filter{table ? table->name : QString(), positional.value(1), historyTime(parser.value(since)),
                               parser.value(user)};
    if (Result read = readHistory(db, filter, lines); !read) {
        console::message(kCannotRead + read.message());
        return kExitFailed;
    }
    TextTable shown({QStringLiteral("時間 (UTC)"), QStringLiteral("使用者"), QStringLiteral("程式"), QStringLiteral("資料表"),
                     QStringLiteral("鍵值"), QStringLiteral("動作"), QStringLiteral("欄位"), QStringLiteral("原值"),
                     QStringLiteral("新值")});
    for (const HistoryLine &line : std::as_const(lines))
        shown.addRow({line.changedAt, shownWho(line), line.program, line.table, line.key, shownAction(line.action),
                      line.column, line.oldValue, line.newValue});
    FormulaGuard formulas(parser.isSet(exact));
    console::dataBytes((parser.isSet(csv) ? shown.toCsv(formulas) : shown.toText()).toUtf8());
    if (formulas.defused() > 0)
        console::note(formulas.note());
    return kExitOk;
}
