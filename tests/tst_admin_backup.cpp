#include "data/connection/engineconnection.h"
#include "data/schema.h"
#include "data/tables/stockledger.h"
#include "support/serverschema.h"
#include "support/testdatabase.h"
#include "support/toolrun.h"

#include <QCryptographicHash>
#include <QDir>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <sys/stat.h>
#include <unistd.h>

/// vemo-admin backup and restore on the engine under test, and the --replace
/// guard and the temporary files of every command that writes a whole file.
class AdminBackupTest : public QObject
{
    Q_OBJECT

private slots:
    void backupRestoresRowForRowAndByteForByte_data();
    void backupRestoresRowForRowAndByteForByte();
    void unusableBackupNamesAreTold_data();
    void unusableBackupNamesAreTold();
    void fileWithAnyRowIsReplacedOnlyWithReplace_data();
    void fileWithAnyRowIsReplacedOnlyWithReplace();
    void serverWithRowsIsNeverRestoredOnto();
    void backupIsReadOnlyOnce();
    void leftoversOfEndedRunsAreRemoved_data();
    void leftoversOfEndedRunsAreRemoved();
    void failedBackupLeavesNothing();
};

namespace {

const QString kJet3 = QStringLiteral(VEMO_LEGACY_SAMPLES "/jet3-sample-with-pictures.mdb");

/// The tool told to say nothing but its failures.
ToolRun runQuietly(const QStringList &arguments)
{
    return runTool(QStringList{QStringLiteral("--quiet")} + arguments);
}

/// The database the test's engine holds: the file, or the server schema.
QString testedDatabase(const TestDatabase &database)
{
    return TestDatabase::onServer() ? qEnvironmentVariable("VEMO_DATABASE") : database.file();
}

/// Rows in several tables, ledger lines, and documents whose bytes look like escapes.
void fill(TestDatabase &database)
{
    EngineConnection connection;
    QVERIFY(connection.open(testedDatabase(database)).ok());
    QSqlDatabase db = connection.database();
    QVERIFY(enableStockLedger(db).ok());
    database.insert(QStringLiteral("CF"), {QStringLiteral("C01"), QStringLiteral("「客戶」' \"x\"\r\n第二行 😀")});
    database.insert(QStringLiteral("MSF"), {QStringLiteral("A01"), QStringLiteral("螺絲"), QVariant(), 5});
    database.execute(QStringLiteral("UPDATE MSF SET inventory = 3"));
    const QByteArray png = QByteArray::fromHex("89504e470d0a1a0a0000000d49484452") + QByteArray("\x00\\\t\n\r", 5);
    const QVariantList documents{QByteArray("\\x4142"), QByteArray("C:\\101\\102 doc"), png};
    for (int i = 0; i < documents.size(); ++i) {
        QVariantList row(schemaTable(QStringLiteral("EMPLOYEE"))->columns.size());
        row.first() = QStringLiteral("E%1").arg(i);
        row.last() = documents.at(i);
        database.insert(QStringLiteral("EMPLOYEE"), row);
    }
}

QString writeMap(const QTemporaryDir &folder)
{
    const QString path = folder.filePath(QStringLiteral("map.json"));
    QFile file(path);
    file.open(QIODevice::WriteOnly);
    file.write(R"({"tables": {"Products": {"into": "MSF", "columns": {"ProductID": "materielno", "UnitsInStock": "inventory"}}}})");
    return path;
}

QByteArray fileHash(const QString &path)
{
    QFile file(path);
    file.open(QIODevice::ReadOnly);
    return QCryptographicHash::hash(file.readAll(), QCryptographicHash::Sha256);
}

QStringList filesIn(const QString &folder)
{
    return QDir(folder).entryList(QDir::Files | QDir::Hidden | QDir::System, QDir::Name);
}

/// The number of a process that has ended.
qint64 endedProcess()
{
    QProcess process;
    process.start(QStringLiteral(VEMO_ADMIN), {QStringLiteral("--version")});
    process.waitForStarted();
    const qint64 id = process.processId();
    process.waitForFinished();
    return id;
}

} // namespace

void AdminBackupTest::backupRestoresRowForRowAndByteForByte_data()
{
    QTest::addColumn<bool>("withRows");
    QTest::newRow("empty database: backed up, not restored") << false;
    QTest::newRow("rows, ledger lines and documents of escape-like bytes") << true;
}

void AdminBackupTest::backupRestoresRowForRowAndByteForByte()
{
    QFETCH(bool, withRows);
    TestDatabase database;
    if (withRows)
        fill(database);
    if (!TestDatabase::onServer())
        QVERIFY(QFile::setPermissions(database.file(), QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup));
    const QVector<QVariantList> original = everyRow(testedDatabase(database));
    QTemporaryDir folder;
    const QString backup = folder.filePath(QStringLiteral("backup.sqlite"));

    const ToolRun backedUp = runQuietly({"--database", testedDatabase(database), "backup", backup});

    QVERIFY2(backedUp.exitCode == 0, qPrintable(backedUp.messages()));
    QCOMPARE(filesIn(folder.path()), QStringList{QStringLiteral("backup.sqlite")});
    // Owner, group and others; the user's flags depend on who runs the test.
    const int kept = 0x7077;
    QCOMPARE(QFile::permissions(backup) & kept,
             (TestDatabase::onServer() ? QFile::ReadOwner | QFile::WriteOwner : QFile::permissions(database.file())) & kept);
    const QByteArray backupBytes = fileHash(backup);
    QCOMPARE(everyRow(backup), original);
    ServerSchema emptyServer;
    for (const QString &target : {folder.filePath(QStringLiteral("restored.sqlite")), emptyServer.address()}) {
        const ToolRun restored = runQuietly({"--database", target, "restore", backup});
        if (!withRows) {
            QCOMPARE(restored.exitCode, 1);
            QCOMPARE(restored.messages(), QStringLiteral("還原失敗,資料庫沒有寫入任何資料:備份檔 %1 裡沒有任何一筆資料,沒有東西可以還原。").arg(backup));
            continue;
        }
        QVERIFY2(restored.exitCode == 0, qPrintable(restored.messages()));
        QCOMPARE(everyRow(target), original);
    }
    QCOMPARE(fileHash(backup), backupBytes);
}

void AdminBackupTest::unusableBackupNamesAreTold_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("message");
    QTest::newRow("empty") << "" << "沒有指定備份檔的名稱;請給一個新檔案的路徑,例如 vemo-備份.sqlite。";
    QTest::newRow("a file there") << "taken.sqlite" << "檔案 %1 已經存在,備份不會蓋過它;請指定新的檔名。";
    QTest::newRow("a folder") << "sub" << "%1 是資料夾的名稱,不是檔名;請指定資料夾裡一個新檔案的名稱。";
    QTest::newRow("a folder's name") << "new/" << "%1 是資料夾的名稱,不是檔名;請指定資料夾裡一個新檔案的名稱。";
    QTest::newRow("in a missing folder") << "missing/backup.sqlite"
                                         << "資料夾 %2/missing 不存在;請先建立它,或指定已經存在的資料夾。";
}

void AdminBackupTest::unusableBackupNamesAreTold()
{
    QFETCH(QString, name);
    QFETCH(QString, message);
    TestDatabase database;
    QTemporaryDir folder;
    QVERIFY(QDir(folder.path()).mkdir(QStringLiteral("sub")));
    QFile taken(folder.filePath(QStringLiteral("taken.sqlite")));
    QVERIFY(taken.open(QIODevice::WriteOnly) && taken.write("not mine") == 8);
    taken.close();
    const QString destination = name.isEmpty() ? name : folder.filePath(name);

    const ToolRun run = runQuietly({"--database", testedDatabase(database), "backup", destination});

    QCOMPARE(run.exitCode, 1);
    QCOMPARE(run.messages(), QStringLiteral("備份失敗:") + QString(message).replace(QStringLiteral("%1"), destination).replace(QStringLiteral("%2"), folder.path()));
    QCOMPARE(filesIn(folder.path()), QStringList{QStringLiteral("taken.sqlite")});
    QCOMPARE(fileHash(taken.fileName()), QCryptographicHash::hash("not mine", QCryptographicHash::Sha256));
}

void AdminBackupTest::fileWithAnyRowIsReplacedOnlyWithReplace_data()
{
    QTest::addColumn<QString>("job");
    QTest::addColumn<QString>("word");
    QTest::addColumn<bool>("onlyLedgerLines");
    for (const auto &[job, word] : {std::pair{"import", "匯入"}, std::pair{"restore", "還原"}, std::pair{"copy", "複製"}}) {
        QTest::addRow("%s onto a customer", job) << job << word << false;
        QTest::addRow("%s onto ledger lines alone", job) << job << word << true;
    }
}

void AdminBackupTest::fileWithAnyRowIsReplacedOnlyWithReplace()
{
    QFETCH(QString, job);
    QFETCH(QString, word);
    QFETCH(bool, onlyLedgerLines);
    TestDatabase source;
    fill(source);
    QTemporaryDir folder;
    const QString target = folder.filePath(QStringLiteral("target.sqlite"));
    {
        EngineConnection connection;
        QVERIFY(connection.open(target, EngineConnection::Missing::Create).ok());
        QVERIFY(connection.execute(QStringLiteral("INSERT INTO MSF (materielno, inventory) VALUES ('B01', 1)")).ok());
        QVERIFY(connection.execute(QStringLiteral("UPDATE MSF SET inventory = 2")).ok());
        if (onlyLedgerLines)
            QVERIFY(connection.execute(QStringLiteral("DELETE FROM MSF")).ok());
    }
    const QVector<QVariantList> before = everyRow(target);
    const QString backup = folder.filePath(QStringLiteral("backup.sqlite"));
    QCOMPARE(runQuietly({"--database", testedDatabase(source), "backup", backup}).exitCode, 0);
    QTemporaryDir mapFolder;
    const QStringList command = job == QLatin1String("import") ? QStringList{"import", "--map", writeMap(mapFolder), kJet3}
                              : job == QLatin1String("restore") ? QStringList{"restore", backup}
                                                                : QStringList{"copy", "--from", testedDatabase(source)};
    const QByteArray bytes = fileHash(target);

    const ToolRun refused = runQuietly(QStringList{"--database", target} + command);

    QCOMPARE(refused.exitCode, 1);
    QVERIFY2(refused.messages().endsWith(QStringLiteral("目標資料庫 %1 已經有 %2 筆資料,沒有%3。要以%3的資料取代它,請加上 --replace(原來的檔案會留一份備份)。")
                                      .arg(target, QString::number(before.size()), word)),
             qPrintable(refused.messages()));
    QCOMPARE(fileHash(target), bytes);
    QCOMPARE(filesIn(folder.path()), (QStringList{QStringLiteral("backup.sqlite"), QStringLiteral("target.sqlite")}));

    const ToolRun replaced = runQuietly(QStringList{"--database", target} + command + QStringList{"--replace"});

    QVERIFY2(replaced.exitCode == 0, qPrintable(replaced.messages()));
    const QStringList kept = QDir(folder.path()).entryList({QStringLiteral("target.sqlite.before-%1-*").arg(job)});
    QCOMPARE(kept.size(), 1);
    QCOMPARE(everyRow(folder.filePath(kept.constFirst())), before);
    QCOMPARE(filesIn(folder.path()), (QStringList{QStringLiteral("backup.sqlite"), QStringLiteral("target.sqlite"), kept.constFirst()}));
    if (job != QLatin1String("import"))
        QCOMPARE(everyRow(target), everyRow(testedDatabase(source)));
}

void AdminBackupTest::serverWithRowsIsNeverRestoredOnto()
{
    TestDatabase source;
    fill(source);
    QTemporaryDir folder;
    const QString backup = folder.filePath(QStringLiteral("backup.sqlite"));
    QCOMPARE(runQuietly({"--database", testedDatabase(source), "backup", backup}).exitCode, 0);
    ServerSchema server;
    EngineConnection connection;
    QVERIFY(connection.open(server.address(), EngineConnection::Missing::Create).ok());
    QVERIFY(connection.execute(QStringLiteral("INSERT INTO cf (customerno) VALUES ('S01')")).ok());
    const QVector<QVariantList> before = everyRow(server.address());

    const ToolRun plain = runQuietly({"--database", server.address(), "restore", backup});
    const ToolRun replacing = runQuietly({"--database", server.address(), "restore", "--replace", backup});

    QCOMPARE(plain.exitCode, 1);
    QVERIFY2(plain.messages().endsWith(QStringLiteral("已經有 1 筆資料;只能寫入空的資料庫,資料庫裡的資料不會被取代。")), qPrintable(plain.messages()));
    QCOMPARE(replacing.exitCode, 1);
    QCOMPARE(replacing.messages(), QStringLiteral("還原失敗,資料庫沒有寫入任何資料:還原到資料庫伺服器時不能用 --replace:"
                                           "伺服器上的資料不會留下備份。請還原到空的資料庫。"));
    QCOMPARE(everyRow(server.address()), before);
}

void AdminBackupTest::backupIsReadOnlyOnce()
{
    // A pipe gives its bytes once: a restore that checked one file and then opened another by the name would find nothing.
    TestDatabase database;
    fill(database);
    QTemporaryDir folder;
    const QString backup = folder.filePath(QStringLiteral("backup.sqlite"));
    QCOMPARE(runQuietly({"--database", testedDatabase(database), "backup", backup}).exitCode, 0);
    const QString pipe = folder.filePath(QStringLiteral("pipe"));
    QCOMPARE(::mkfifo(QFile::encodeName(pipe).constData(), 0600), 0);
    QProcess writer;
    writer.start(QStringLiteral("sh"), {QStringLiteral("-c"), QStringLiteral("cat \"$0\" > \"$1\""), backup, pipe});
    ServerSchema emptyServer;
    const QString target = TestDatabase::onServer() ? emptyServer.address() : folder.filePath(QStringLiteral("restored.sqlite"));

    const ToolRun restored = runQuietly({"--database", target, "restore", pipe});

    QVERIFY2(restored.exitCode == 0, qPrintable(restored.messages()));
    QVERIFY2(restored.out.isEmpty() && restored.err.isEmpty(), qPrintable(restored.out + restored.err));
    QVERIFY(writer.waitForFinished());
    QCOMPARE(everyRow(target), everyRow(backup));
}

void AdminBackupTest::leftoversOfEndedRunsAreRemoved_data()
{
    QTest::addColumn<bool>("besideTheDatabase");
    QTest::newRow("beside the database file") << true;
    QTest::newRow("beside a backup") << false;
}

void AdminBackupTest::leftoversOfEndedRunsAreRemoved()
{
    QFETCH(bool, besideTheDatabase);
    if (besideTheDatabase && TestDatabase::onServer())
        QSKIP("a server database has nothing beside it");
    TestDatabase database;
    QTemporaryDir backups;
    const QString folder = besideTheDatabase ? database.folder() : backups.path();
    const QString ended = QString::number(endedProcess());
    const QString living = QString::number(QCoreApplication::applicationPid());
    const QStringList left = {".vemo.sqlite.vemo-admin-import-" + ended + "-a1B2c3", ".vemo.sqlite.vemo-admin-import-" + ended + "-a1B2c3-wal",
                              ".b.sqlite.vemo-admin-backup-" + ended + "-Zz9Yy8-journal"};
    const QString another = ".b.sqlite.vemo-admin-backup-" + living + "-Qq1Ww2";
    for (const QString &name : left + QStringList{another}) {
        QFile file(QDir(folder).filePath(name));
        QVERIFY(file.open(QIODevice::WriteOnly));
    }
    // Someone's own files under names of the same pattern are not the tool's to remove.
    for (const QString &name : {".notes.vemo-admin-backup-" + ended + "-abc", ".notes.vemo-admin-backup-" + ended + "-Ab12Cd",
                                ".notes.vemo-admin-backup-" + ended + "-Ab12Cd-wal"}) {
        QFile file(QDir(folder).filePath(name));
        QVERIFY(file.open(QIODevice::WriteOnly) && file.write("my notes\n") == 9);
    }
    // An empty file of the exact name, but another user's, when the test may give it away.
    const QString othersFile = QDir(folder).filePath(".c.sqlite.vemo-admin-backup-" + ended + "-Ee5Ff6");
    QVERIFY(QFile(othersFile).open(QIODevice::WriteOnly));
    if (::geteuid() == 0)
        QCOMPARE(::chown(QFile::encodeName(othersFile).constData(), 65534, 65534), 0);
    else
        QFile::remove(othersFile);
    const QStringList before = filesIn(folder);

    const ToolRun run = runQuietly({"--database", testedDatabase(database), "backup", backups.filePath(QStringLiteral("new.sqlite"))});

    QVERIFY2(run.exitCode == 0, qPrintable(run.messages()));
    QStringList expected = before;
    for (const QString &name : left)
        expected.removeOne(name);
    if (!besideTheDatabase)
        expected << QStringLiteral("new.sqlite");
    expected.sort();
    QCOMPARE(filesIn(folder), expected);
}

void AdminBackupTest::failedBackupLeavesNothing()
{
    TestDatabase database;
    QTemporaryDir folder;
    QString source = testedDatabase(database);
    if (TestDatabase::onServer()) {
        database.execute(QStringLiteral("DROP TABLE industry"));
    } else {
        source = folder.filePath(QStringLiteral("damaged.sqlite"));
        QFile damaged(source);
        QVERIFY(damaged.open(QIODevice::WriteOnly) && damaged.write(QByteArray(8192, 'x')) == 8192);
    }
    const QStringList before = filesIn(folder.path());

    const ToolRun run = runQuietly({"--database", source, "backup", folder.filePath(QStringLiteral("backup.sqlite"))});

    QCOMPARE(run.exitCode, 1);
    QVERIFY2(run.messages().startsWith(QStringLiteral("備份失敗:")), qPrintable(run.messages()));
    QCOMPARE(filesIn(folder.path()), before);
}

QTEST_GUILESS_MAIN(AdminBackupTest)
#include "tst_admin_backup.moc"
