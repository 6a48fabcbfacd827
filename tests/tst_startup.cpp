#include "data/connection/databaselocation.h"
#include "data/engine.h"
#include "data/connection/engineconnection.h"
#include "data/schema.h"

#include <QDir>
#include <QElapsedTimer>
#include <QProcess>
#include <QSet>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

#include <unistd.h>

/// Several programs on one file, and programs killed while they save: the
/// file stays whole and every save that returned success is in it.
class StartupTest : public QObject
{
    Q_OBJECT

private slots:
    void twoProgramsStartedTogetherOnAnEmptyFolder();
    void killedWhileSavingLosesNoSavedRow_data();
    void killedWhileSavingLosesNoSavedRow();
    void unwritableFolderIsNamed();
    void informationOptionsNeedNoDisplay_data();
    void informationOptionsNeedNoDisplay();

private:
    /// A saving program on the folder; it prints the key of every row saved.
    std::unique_ptr<QProcess> startSaver(const QString &home, const QString &tag, int count);
};

namespace {

QStringList printedKeys(QProcess &process)
{
    return QString::fromLocal8Bit(process.readAllStandardOutput()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
}

/// What the file holds, read as a fresh program would: integrity check,
/// tables, and the customer keys.
struct FileState
{
    QString integrity;
    int tables = 0;
    QSet<QString> keys;
};

FileState readFile(const QString &home)
{
    qputenv("VEMO_HOME", home.toUtf8());
    FileState state;
    EngineConnection connection;
    if (Result opened = connection.open(kDatabasePath); !opened) {
        state.integrity = opened.message();
        return state;
    }
    QSqlQuery query(connection.database());
    if (query.exec(QStringLiteral("PRAGMA integrity_check")) && query.next())
        state.integrity = query.value(0).toString();
    if (query.exec(QStringLiteral("SELECT count(*) FROM sqlite_master WHERE type = 'table'")) && query.next())
        state.tables = query.value(0).toInt();
    if (query.exec(QStringLiteral("SELECT customerno FROM CF"))) {
        while (query.next())
            state.keys.insert(query.value(0).toString());
    }
    return state;
}

} // namespace

std::unique_ptr<QProcess> StartupTest::startSaver(const QString &home, const QString &tag, int count)
{
    auto process = std::make_unique<QProcess>();
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("VEMO_HOME"), home);
    process->setProcessEnvironment(environment);
    process->start(QStringLiteral(VEMO_SAVER), {tag, QString::number(count)});
    return process;
}

void StartupTest::twoProgramsStartedTogetherOnAnEmptyFolder()
{
    constexpr int kRounds = 20;
    constexpr int kRowsEach = 15;
    for (int round = 0; round < kRounds; ++round) {
        QTemporaryDir parent;
        const QString home = parent.path() + QStringLiteral("/vemo");
        auto first = startSaver(home, QStringLiteral("A"), kRowsEach);
        auto second = startSaver(home, QStringLiteral("B"), kRowsEach);
        QSet<QString> saved;
        int succeeded = 0;
        for (QProcess *process : {first.get(), second.get()}) {
            QVERIFY(process->waitForFinished(60000));
            const QString errors = QString::fromLocal8Bit(process->readAllStandardError());
            // A program may be refused while the other holds the file, but only that way.
            QVERIFY2(process->exitCode() == 0 || errors.contains(QStringLiteral("database is locked")),
                     qPrintable(QStringLiteral("round %1: %2").arg(round).arg(errors)));
            succeeded += process->exitCode() == 0 ? 1 : 0;
            for (const QString &key : printedKeys(*process))
                saved.insert(key);
        }
        QVERIFY(succeeded > 0);
        const FileState state = readFile(home);
        QCOMPARE(state.integrity, QStringLiteral("ok"));
        // The eleven, and the stock ledger, the history's two and the engine's own tables that a new database gets beside them.
        QCOMPARE(state.tables, int(schemaTables().size() + 3 + sqliteEngine().ownTables().size()));
        QCOMPARE(state.keys, saved);
    }
}

void StartupTest::killedWhileSavingLosesNoSavedRow_data()
{
    QTest::addColumn<int>("rowsBeforeKill");
    QTest::newRow("during the first saves") << 1;
    QTest::newRow("after a few hundred") << 300;
    QTest::newRow("two programs, one killed") << -300;
}

void StartupTest::killedWhileSavingLosesNoSavedRow()
{
    QFETCH(int, rowsBeforeKill);
    QTemporaryDir home;
    const bool alongside = rowsBeforeKill < 0;
    auto killed = startSaver(home.path(), QStringLiteral("K"), 0);
    auto other = alongside ? startSaver(home.path(), QStringLiteral("O"), 200) : nullptr;
    QByteArray printed;
    QElapsedTimer waited;
    waited.start();
    while (printed.count('\n') < std::abs(rowsBeforeKill) && waited.elapsed() < 60000) {
        killed->waitForReadyRead(100);
        printed += killed->readAllStandardOutput();
    }
    killed->kill();
    QVERIFY(killed->waitForFinished(10000));
    printed += killed->readAllStandardOutput();
    QSet<QString> saved;
    for (const QString &key : QString::fromLocal8Bit(printed).split(QLatin1Char('\n'), Qt::SkipEmptyParts))
        saved.insert(key);
    QVERIFY(!saved.isEmpty());
    if (other) {
        QVERIFY(other->waitForFinished(60000));
        QCOMPARE(other->exitCode(), 0);
        for (const QString &key : printedKeys(*other))
            saved.insert(key);
    }

    const FileState state = readFile(home.path());
    QCOMPARE(state.integrity, QStringLiteral("ok"));
    QVERIFY2(state.keys.contains(saved), qPrintable(QStringLiteral("%1 rows saved, %2 in the file")
                                                        .arg(saved.size())
                                                        .arg(state.keys.size())));
    // The one row being saved when the kill came may be in the file, no more.
    QVERIFY(state.keys.size() <= saved.size() + 1);
}

void StartupTest::unwritableFolderIsNamed()
{
    if (geteuid() == 0)
        QSKIP("every folder is writable for root");
    QTemporaryDir home;
    qputenv("VEMO_HOME", home.path().toUtf8());
    {
        EngineConnection creating;
        QVERIFY(creating.open(kDatabasePath, EngineConnection::Missing::Create).ok());
    }
    QVERIFY(QFile::setPermissions(home.path(), QFile::ReadOwner | QFile::ExeOwner));
    EngineConnection connection;
    const Result opened = connection.open(kDatabasePath);
    QFile::setPermissions(home.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    QVERIFY(!opened.ok());
    QVERIFY2(opened.message().startsWith(kCannotOpen
                                         + QStringLiteral("資料夾 '%1' 不能寫入").arg(QDir::toNativeSeparators(home.path()))),
             qPrintable(opened.message()));
}

void StartupTest::informationOptionsNeedNoDisplay_data()
{
    QTest::addColumn<QString>("option");
    QTest::addColumn<QString>("printed");

    QTest::newRow("version") << QStringLiteral("--version") << QStringLiteral("vemo " VEMO_VERSION "\n");
    QTest::newRow("help") << QStringLiteral("--help") << QStringLiteral("資料庫的位置與設定請看 man vemo。");
}

void StartupTest::informationOptionsNeedNoDisplay()
{
    QFETCH(QString, option);
    QFETCH(QString, printed);

    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.remove(QStringLiteral("DISPLAY"));
    environment.remove(QStringLiteral("WAYLAND_DISPLAY"));
    // A window system that cannot start here: making the application object would end the program.
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
    QProcess program;
    program.setProcessEnvironment(environment);
    program.start(QStringLiteral(VEMO_PROGRAM), {option});
    QVERIFY(program.waitForFinished(60000));
    const QString out = QString::fromUtf8(program.readAllStandardOutput());
    QVERIFY2(program.exitStatus() == QProcess::NormalExit && program.exitCode() == 0, program.readAllStandardError().constData());
    QVERIFY2(out.contains(printed), qPrintable(out));
}

QTEST_GUILESS_MAIN(StartupTest)
#include "tst_startup.moc"
