#include "admin/admintool.h"

#include "admin/backupcommand.h"
#include "admin/checkcommand.h"
#include "admin/console.h"
#include "admin/copycommand.h"
#include "admin/deletedcommand.h"
#include "admin/exportcommand.h"
#include "admin/historycommand.h"
#include "admin/importcommand.h"
#include "admin/ledgercommand.h"
#include "data/tables/wholedatabase.h"
#include "admin/reportcommand.h"
#include "admin/restorecommand.h"
#include "admin/schemacommand.h"
#include "admin/tablescommand.h"
#include "admin/undeletecommand.h"
#include "data/connection/databaselocation.h"

#include <QCoreApplication>

#include <memory>
#include <optional>
#include <vector>

namespace {

std::vector<std::unique_ptr<AdminCommand>> allCommands()
{
    std::vector<std::unique_ptr<AdminCommand>> commands;
    commands.push_back(std::make_unique<ImportCommand>());
    commands.push_back(std::make_unique<ExportCommand>());
    commands.push_back(std::make_unique<CopyCommand>());
    commands.push_back(std::make_unique<BackupCommand>());
    commands.push_back(std::make_unique<RestoreCommand>());
    commands.push_back(std::make_unique<CheckCommand>());
    commands.push_back(std::make_unique<ReportCommand>());
    commands.push_back(std::make_unique<LedgerCommand>());
    commands.push_back(std::make_unique<HistoryCommand>());
    commands.push_back(std::make_unique<DeletedCommand>());
    commands.push_back(std::make_unique<UndeleteCommand>());
    commands.push_back(std::make_unique<SchemaCommand>());
    commands.push_back(std::make_unique<TablesCommand>());
    return commands;
}

QString toolHelp(const std::vector<std::unique_ptr<AdminCommand>> &commands)
{
    QString text = QStringLiteral("用法:vemo-admin [--database PATH] [--quiet] COMMAND ARGUMENTS…\n\n"
                                  "vemo 的管理工具:帶入舊資料、匯出、複製到資料庫伺服器、備份與還原、檢查、報表與庫存異動記錄。\n"
                                  "沒有 --database 時,用 vemo 程式自己的資料庫:環境變數 VEMO_DATABASE,或 vemo.conf 的 database=,"
                                  "都沒有時是 %1;PATH 也可以是 postgresql://使用者@主機:連接埠/資料庫。\n"
                                  "--quiet 只留失敗的訊息。--database 與 --quiet 放在指令的前面或後面都可以。\n"
                                  "資料寫到標準輸出,訊息寫到標準錯誤;結束碼 0 是成功,1 是失敗或發現問題,2 是指令寫錯。\n\n"
                                  "指令:\n")
                       .arg(mappedDatabaseFile(kDatabasePath));
    for (const auto &command : commands)
        text += QStringLiteral("  %1  %2\n").arg(command->name(), -8).arg(command->summary());
    text += QStringLiteral("\n各指令的說明:vemo-admin help COMMAND 或 vemo-admin COMMAND --help;版本:vemo-admin --version\n");
    return text;
}

/// The options every command takes, --database PATH and --quiet, read
/// wherever they stand before a "--"; the rest is the command and its own.
struct GlobalOptions
{
    QString database;
    QStringList commandLine;
};

std::optional<GlobalOptions> readGlobalOptions(const QStringList &arguments)
{
    GlobalOptions options;
    for (int at = 0; at < arguments.size(); ++at) {
        const QString &argument = arguments.at(at);
        if (argument == QLatin1String("--")) {
            options.commandLine += arguments.mid(at);
            break;
        }
        if (argument == QLatin1String("--quiet") || argument == QLatin1String("-q")) {
            console::setQuiet(true);
        } else if (argument.startsWith(QLatin1String("--database="))) {
            options.database = argument.section(QLatin1Char('='), 1);
        } else if (argument == QLatin1String("--database")) {
            if (++at >= arguments.size()) {
                console::message(QStringLiteral("vemo-admin:--database 後面要有資料庫檔案的路徑或伺服器位址。"));
                return std::nullopt;
            }
            options.database = arguments.at(at);
        } else {
            options.commandLine << argument;
        }
    }
    return options;
}

AdminCommand *commandNamed(const std::vector<std::unique_ptr<AdminCommand>> &commands, const QString &name)
{
    for (const auto &command : commands)
        if (command->name() == name)
            return command.get();
    console::message(QStringLiteral("vemo-admin:沒有「%1」這個指令。可用的指令請看 vemo-admin --help。").arg(name));
    return nullptr;
}

} // namespace

int runAdminTool(const QStringList &arguments)
{
    const auto commands = allCommands();
    const std::optional<GlobalOptions> options = readGlobalOptions(arguments);
    if (!options)
        return kExitUsage;
    if (options->commandLine.isEmpty()) {
        console::messagePart(toolHelp(commands));
        return kExitUsage;
    }
    const QString name = options->commandLine.constFirst();
    const QStringList rest = options->commandLine.mid(1);
    const bool askedForHelp = name == QLatin1String("--help") || name == QLatin1String("-h") || name == QLatin1String("help");
    if (askedForHelp && rest.isEmpty()) {
        console::dataBytes(toolHelp(commands).toUtf8());
        return kExitOk;
    }
    if (name == QLatin1String("--version") || name == QLatin1String("-v")) {
        console::dataBytes(QStringLiteral("vemo-admin %1\n").arg(QCoreApplication::applicationVersion()).toUtf8());
        return kExitOk;
    }
    if (name.startsWith(QLatin1Char('-'))) {
        console::message(QStringLiteral("vemo-admin:不認得選項「%1」。可用的選項請看 vemo-admin --help。").arg(name));
        return kExitUsage;
    }
    AdminCommand *command = commandNamed(commands, askedForHelp ? rest.constFirst() : name);
    if (!command)
        return kExitUsage;
    if (askedForHelp || rest.contains(QLatin1String("--help")) || rest.contains(QLatin1String("-h")))
        return command->run({QStringLiteral("--help")}, QString());
    if (!command->usesDatabase())
        return command->run(rest, QString());
    const QString database = resolvedDatabase(options->database);
    AdminCommand::announce(database);
    WholeDatabase::named(database)->removeLeftovers();
    return command->run(rest, database);
}
