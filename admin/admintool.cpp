#include "admin/admintool.h"

#include "admin/backupcommand.h"
#include "admin/checkcommand.h"
#include "admin/console.h"
#include "admin/copycommand.h"
#include "admin/exportcommand.h"
#include "admin/importcommand.h"
#include "admin/ledgercommand.h"
#include "admin/reportcommand.h"
#include "data/databaselocation.h"

#include <QCoreApplication>

#include <memory>
#include <vector>

namespace {

std::vector<std::unique_ptr<AdminCommand>> allCommands()
{
    std::vector<std::unique_ptr<AdminCommand>> commands;
    commands.push_back(std::make_unique<ImportCommand>());
    commands.push_back(std::make_unique<ExportCommand>());
    commands.push_back(std::make_unique<CopyCommand>());
    commands.push_back(std::make_unique<BackupCommand>());
    commands.push_back(std::make_unique<CheckCommand>());
    commands.push_back(std::make_unique<ReportCommand>());
    commands.push_back(std::make_unique<LedgerCommand>());
    return commands;
}

QString toolHelp(const std::vector<std::unique_ptr<AdminCommand>> &commands)
{
    QString text = QStringLiteral("用法:vemo-admin [--database PATH] COMMAND ARGUMENTS…\n\n"
                                  "vemo 的管理工具:帶入舊資料、匯出、複製到資料庫伺服器、備份、檢查、報表與庫存異動記錄。\n"
                                  "沒有 --database 時,用 vemo 程式自己的資料庫 (%1);PATH 也可以是 postgresql://使用者@主機:連接埠/資料庫。\n"
                                  "資料寫到標準輸出,訊息寫到標準錯誤;結束碼 0 是成功,1 是失敗或發現問題,2 是指令寫錯。\n\n"
                                  "指令:\n")
                       .arg(mappedDatabaseFile(kDatabasePath));
    for (const auto &command : commands)
        text += QStringLiteral("  %1  %2\n").arg(command->name(), -8).arg(command->summary());
    text += QStringLiteral("\n各指令的說明:vemo-admin COMMAND --help;版本:vemo-admin --version\n");
    return text;
}

} // namespace

int runAdminTool(const QStringList &arguments)
{
    const auto commands = allCommands();
    QString database = mappedDatabaseFile(kDatabasePath);
    int at = 0;
    if (at < arguments.size() && (arguments.at(at) == QLatin1String("--database") || arguments.at(at).startsWith(QLatin1String("--database=")))) {
        if (arguments.at(at).contains(QLatin1Char('='))) {
            database = arguments.at(at).section(QLatin1Char('='), 1);
        } else if (at + 1 < arguments.size()) {
            database = arguments.at(++at);
        } else {
            console::message(QStringLiteral("vemo-admin:--database 後面要有資料庫檔案的路徑。"));
            return kExitUsage;
        }
        ++at;
    }
    if (at >= arguments.size()) {
        console::messagePart(toolHelp(commands));
        return kExitUsage;
    }
    const QString name = arguments.at(at);
    if (name == QLatin1String("--help") || name == QLatin1String("-h") || name == QLatin1String("help")) {
        console::dataBytes(toolHelp(commands).toUtf8());
        return kExitOk;
    }
    if (name == QLatin1String("--version") || name == QLatin1String("-v")) {
        console::dataBytes(QStringLiteral("vemo-admin %1\n").arg(QCoreApplication::applicationVersion()).toUtf8());
        return kExitOk;
    }
    for (const auto &command : commands)
        if (command->name() == name)
            return command->run(arguments.mid(at + 1), database);
    console::message(QStringLiteral("vemo-admin:沒有「%1」這個指令。可用的指令請看 vemo-admin --help。").arg(name));
    return kExitUsage;
}
