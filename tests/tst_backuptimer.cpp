#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

/// The daily backup's systemd units as the package installs them: systemd
/// takes them, and a run without its settings fails and names what is missing.
class BackupTimerTest : public QObject
{
    Q_OBJECT

private slots:
    void systemdTakesTheUnits();
    void runWithoutASettingFails_data();
    void runWithoutASettingFails();
};

namespace {

const QString kUnitFolder = QStringLiteral(VEMO_SOURCE_DIR "/system");

QString unitText(const QString &name)
{
    QFile file(kUnitFolder + QLatin1Char('/') + name);
    if (!file.open(QIODevice::ReadOnly))
        qFatal("cannot read %s", qPrintable(file.fileName()));
    return QString::fromUtf8(file.readAll());
}

/// The shell script the service's ExecStart runs, as systemd hands it to the shell ($$ is one $).
QString serviceScript()
{
    const QString text = unitText(QStringLiteral("vemo-backup.service"));
    const QString start = QStringLiteral("\nExecStart=/bin/sh -c '");
    const qsizetype from = text.indexOf(start);
    const qsizetype to = text.indexOf(QStringLiteral("'\n"), from);
    if (from < 0 || to < 0)
        qFatal("the service does not run a shell script");
    return text.mid(from + start.size(), to - from - start.size()).replace(QStringLiteral("$$"), QStringLiteral("$"));
}

} // namespace

void BackupTimerTest::systemdTakesTheUnits()
{
    const QString analyze = QStandardPaths::findExecutable(QStringLiteral("systemd-analyze"));
    if (analyze.isEmpty())
        QSKIP("systemd-analyze is not installed; runWithoutASettingFails reads the service's text");
    QProcess process;
    process.setProcessChannelMode(QProcess::MergedChannels);
    // The manual page named in Documentation= is installed only with the package.
    process.start(analyze, {QStringLiteral("verify"), QStringLiteral("--man=no"), kUnitFolder + QStringLiteral("/vemo-backup.service"),
                            kUnitFolder + QStringLiteral("/vemo-backup.timer")});
    QVERIFY(process.waitForFinished(60000));
    const QString output = QString::fromUtf8(process.readAll());
    QVERIFY2(process.exitCode() == 0 && output.isEmpty(), qPrintable(output));
}

void BackupTimerTest::runWithoutASettingFails_data()
{
    QTest::addColumn<QString>("settings");
    QTest::addColumn<QString>("missing");

    const QString all = QStringLiteral("VEMO_BACKUP_USER=office\nVEMO_BACKUP_DATABASE=/srv/vemo/vemo.sqlite\n"
                                       "VEMO_BACKUP_INTO=/srv/vemo-backups\nVEMO_BACKUP_KEEP=7\n");
    QTest::newRow("as installed") << unitText(QStringLiteral("vemo-backup.default")) << QStringLiteral("VEMO_BACKUP_USER");
    for (const char *name : {"VEMO_BACKUP_DATABASE", "VEMO_BACKUP_INTO", "VEMO_BACKUP_KEEP"}) {
        const QString variable = QString::fromLatin1(name);
        QString settings = all;
        settings.replace(QRegularExpression(QStringLiteral("^%1=.*$").arg(variable), QRegularExpression::MultilineOption),
                         variable + QLatin1Char('='));
        QTest::newRow(name) << settings << variable;
    }
}

void BackupTimerTest::runWithoutASettingFails()
{
    QFETCH(QString, settings);
    QFETCH(QString, missing);

    QTemporaryDir folder;
    QFile file(folder.filePath(QStringLiteral("vemo-backup")));
    QVERIFY(file.open(QIODevice::WriteOnly) && file.write(settings.toUtf8()) == settings.toUtf8().size());
    file.close();
    QProcess process;
    process.setProcessEnvironment(QProcessEnvironment()); // only what the settings file sets, as systemd gives it
    process.start(QStringLiteral("/bin/sh"),
                  {QStringLiteral("-c"), QStringLiteral("set -a; . '%1'; set +a; %2").arg(file.fileName(), serviceScript())});
    QVERIFY(process.waitForFinished(60000));
    QCOMPARE_NE(process.exitCode(), 0);
    const QString error = QString::fromUtf8(process.readAllStandardError());
    QVERIFY2(error.contains(missing + QStringLiteral(": 請在 /etc/default/vemo-backup 設定")), qPrintable(error));
}

QTEST_GUILESS_MAIN(BackupTimerTest)
#include "tst_backuptimer.moc"
