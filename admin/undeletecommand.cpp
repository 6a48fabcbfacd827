#include "admin/undeletecommand.h"

#include "admin/console.h"
#include "data/connection/engineconnection.h"
#include "data/tables/history.h"

int UndeleteCommand::run(const QStringList &arguments, const QString &database)
{
    QCommandLineParser parser;
    parser.addPositionalArgument(QStringLiteral("TABLE"), QStringLiteral("資料表,例如 EMPLOYEE。"));
    parser.addPositionalArgument(QStringLiteral("KEY"), QStringLiteral("刪除的那筆資料的鍵值 (第一個欄位)。"));
    if (auto status = parse(parser, arguments, QStringLiteral("undelete TABLE KEY")))
        return *status;
    const QStringList positional = parser.positionalArguments();
    if (positional.size() != 2) {
        console::message(QStringLiteral("vemo-admin undelete:要指定資料表與鍵值,例如 vemo-admin undelete EMPLOYEE E001。"));
        return kExitUsage;
    }
    const TableDefinition *table = schemaTable(positional.constFirst());
    if (!table) {
        console::message(QStringLiteral("vemo-admin undelete:沒有資料表「%1」。").arg(positional.constFirst()));
        return kExitUsage;
    }
    EngineConnection connection;
    if (!openDatabaseWithHistory(connection, database, QStringLiteral("這個資料庫還沒有變更記錄,刪除的資料無法還原。")))
        return kExitFailed;
    QSqlDatabase db = connection.database();
    HistoryLine deleted;
    if (Result restored = undeleteRow(db, *table, positional.at(1), deleted); !restored) {
        console::message(QStringLiteral("無法還原:%1").arg(restored.message()));
        return kExitFailed;
    }
    console::note(QStringLiteral("已還原資料表 %1 鍵值「%2」的資料,是 %3 (UTC) 由 %4 刪除前的樣子。")
                      .arg(table->name, deleted.key, deleted.changedAt, shownWho(deleted)));
    return kExitOk;
}
