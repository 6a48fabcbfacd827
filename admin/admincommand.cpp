#include "admin/admincommand.h"

#include "admin/console.h"
#include "data/connection/engineconnection.h"
#include "data/connection/serveraddress.h"
#include "data/tables/history.h"

#include <QRegularExpression>

namespace {
QString g_announced;
} // namespace

void AdminCommand::announce(const QString &database)
{
    g_announced = database;
}

std::optional<int> AdminCommand::parse(QCommandLineParser &parser, const QStringList &arguments, const QString &usage) const
{
    const QCommandLineOption help(QStringList{QStringLiteral("h"), QStringLiteral("help")}, QStringLiteral("顯示這段說明。"));
    parser.addOption(help);
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    const bool parsed = parser.parse(QStringList{QStringLiteral("vemo-admin ") + name()} + arguments);
    if (parsed && parser.isSet(help)) {
        QString text = parser.helpText();
        // The parser's headings come in the language of Qt's loaded translation.
        text.replace(QRegularExpression(QStringLiteral("^[^\n]*")), QStringLiteral("用法:vemo-admin [--database PATH] [--quiet] ") + usage);
        text.replace(QLatin1Char('\n') + QCommandLineParser::tr("Options:") + QLatin1Char('\n'),
                     QStringLiteral("\n") + summary() + QStringLiteral("\n\n選項:\n"));
        text.replace(QLatin1Char('\n') + QCommandLineParser::tr("Arguments:") + QLatin1Char('\n'), QStringLiteral("\n引數:\n"));
        console::dataBytes((text + helpNotes()).toUtf8());
        return kExitOk;
    }
    if (!parsed) {
        console::message(QStringLiteral("vemo-admin %1:%2").arg(name(), parser.errorText()));
        console::message(QStringLiteral("用法:vemo-admin [--database PATH] [--quiet] %1(說明請加 --help)").arg(usage));
        return kExitUsage;
    }
    if (!g_announced.isEmpty())
        console::note(QStringLiteral("資料庫:%1").arg(ServerAddress::shown(g_announced)));
    return std::nullopt;
}

bool AdminCommand::openDatabase(EngineConnection &connection, const QString &database)
{
    const Result opened = connection.open(database);
    if (!opened)
        console::message(opened.message());
    return opened.ok();
}

bool AdminCommand::openDatabaseWithHistory(EngineConnection &connection, const QString &database, const QString &noHistory)
{
    if (!openDatabase(connection, database))
        return false;
    QSqlDatabase opened = connection.database();
    if (historyEnabled(opened))
        return true;
    console::message(noHistory);
    return false;
}
