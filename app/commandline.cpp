#include "app/commandline.h"

#include "program/programsetup.h"

#include <QCommandLineParser>
#include <QCoreApplication>

#include <cstdio>
#include <cstdlib>

namespace {

void describeOptions(QCommandLineParser &parser)
{
    parser.setApplicationDescription(
        QStringLiteral("設備維護公司的管理資訊系統:客戶、合約、維修與保養記錄、技術文件、庫存與借料、供應商、員工與工程師工作記錄。\n"
                       "資料庫的位置與設定請看 man vemo。"));
    parser.addHelpOption();
    parser.addVersionOption();
}

void print(const QString &text)
{
    std::fputs(text.toUtf8().constData(), stdout);
}

} // namespace

std::optional<int> answerInformationOptions(int argc, char *argv[])
{
    QCoreApplication application(argc, argv);
    setUpProgram(application);
    QCommandLineParser parser;
    describeOptions(parser);
    // Qt's own window-system options are still in the list here; errors wait for refuseUnknownOptions.
    parser.parse(QCoreApplication::arguments());
    if (parser.isSet(QStringLiteral("help"))) {
        print(parser.helpText());
        return EXIT_SUCCESS;
    }
    if (parser.isSet(QStringLiteral("version"))) {
        print(QStringLiteral("%1 %2\n").arg(QCoreApplication::applicationName(), QCoreApplication::applicationVersion()));
        return EXIT_SUCCESS;
    }
    return std::nullopt;
}

void refuseUnknownOptions(const QCoreApplication &application)
{
    QCommandLineParser parser;
    describeOptions(parser);
    parser.process(application);
}
