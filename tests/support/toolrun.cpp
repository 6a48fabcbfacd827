#include "support/toolrun.h"

#include "support/testdatabase.h"

#include <QProcess>

QString ToolRun::messages() const
{
    const QString messages = err.startsWith(QStringLiteral("資料庫:")) ? err.section(QLatin1Char('\n'), 1) : err;
    return messages.trimmed();
}

ToolRun runTool(const QStringList &arguments, const QByteArray &input)
{
    QProcess process;
    process.start(QStringLiteral(VEMO_ADMIN), arguments);
    process.write(input);
    process.closeWriteChannel();
    process.waitForFinished(120000);
    const QByteArray out = process.readAllStandardOutput();
    const bool ended = process.state() == QProcess::NotRunning && process.exitStatus() == QProcess::NormalExit;
    return {ended ? process.exitCode() : -1, out, QString::fromUtf8(out), QString::fromUtf8(process.readAllStandardError())};
}

QStringList databaseOption(const TestDatabase &database)
{
    return TestDatabase::onServer() ? QStringList{} : QStringList{QStringLiteral("--database"), database.file()};
}
