#include "data/records/document.h"
#include "data/schema.h"
#include "data/tables/history.h"
#include "data/connection/engineconnection.h"
#include "support/serverschema.h"
#include "support/testdatabase.h"
#include "support/toolrun.h"

#include <QCryptographicHash>
#include <QDir>
#include <QTemporaryDir>
#include <QTest>

/// vemo-admin history, deleted, undelete, backup --into and restore --list
/// on the engine under test.
class AdminHistoryTest : public QObject
{
    Q_OBJECT

private slots:
    void init() { m_database = std::make_unique<TestDatabase>(); }
    void cleanup() { m_database.reset(); }
    void historyListsTheChangesAsked_data();
    void historyListsTheChangesAsked();
    void undeleteWritesTheRowBackOnlyWhereItsKeyIsFree_data();
    void undeleteWritesTheRowBackOnlyWhereItsKeyIsFree();
    void pruneRemovesOnlyOlderLinesWhenAgreed_data();
    void pruneRemovesOnlyOlderLinesWhenAgreed();
    void backupIntoKeepsTheNewestCheckedBackups();
    void failedCheckLeavesTheOlderBackups();
    void copiedHistoryIsNumberedOn();

private:
    QString testedDatabase() const
    {
        return TestDatabase::onServer() ? qEnvironmentVariable("VEMO_DATABASE") : m_database->file();
    }
    ToolRun tool(const QStringList &arguments, const QByteArray &input = {}) const
    {
        return runTool(QStringList{QStringLiteral("--quiet"), QStringLiteral("--database"), testedDatabase()} + arguments, input);
    }
    /// An employee with a picture, inserted, edited and deleted by this program.
    void employeeDeleted(const QByteArray &picture);

    std::unique_ptr<TestDatabase> m_database;
};

void AdminHistoryTest::employeeDeleted(const QByteArray &picture)
{
    QVariantList row(schemaTable(QStringLiteral("EMPLOYEE"))->columns.size());
    row[0] = QStringLiteral("E01");
    row[1] = QStringLiteral("王小明");
    row.last() = picture;
    m_database->insert(QStringLiteral("EMPLOYEE"), row);
    m_database->execute(QStringLiteral("UPDATE EMPLOYEE SET address = '台北市' WHERE empno = 'E01'"));
    m_database->execute(QStringLiteral("DELETE FROM EMPLOYEE WHERE empno = 'E01'"));
}

void AdminHistoryTest::historyListsTheChangesAsked_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QStringList>("expected"); // the CSV records after the header
    const QString changed = QStringLiteral("CF,C1,修改,address,台北市,高雄市");
    const QString added = QStringLiteral("CF,C1,新增,customerno,,C1");
    const QString other = QStringLiteral("CF,C2,新增,customerno,,C2");
    QTest::newRow("one key, newest first") << QStringList{"CF", "c1"} << QStringList{changed, added, "CF,C1,新增,address,,台北市"};
    QTest::newRow("one table") << QStringList{"CF"} << QStringList{other, changed, added, "CF,C1,新增,address,,台北市"};
    QTest::newRow("this user") << QStringList{"--user", HistoryWriter::ofThisProgram().user, "CF", "C2"} << QStringList{other};
    QTest::newRow("another user") << QStringList{"--user", "nobody-else"} << QStringList();
    QTest::newRow("since tomorrow") << QStringList{"--since", QDate::currentDate().addDays(2).toString(Qt::ISODate)}
                                    << QStringList();
}

void AdminHistoryTest::historyListsTheChangesAsked()
{
    QFETCH(QStringList, arguments);
    QFETCH(QStringList, expected);
    m_database->insert(QStringLiteral("CF"), {QStringLiteral("C1"), QVariant(), QVariant(), QStringLiteral("台北市")});
    m_database->execute(QStringLiteral("UPDATE CF SET address = '高雄市' WHERE customerno = 'C1'"));
    m_database->insert(QStringLiteral("CF"), {QStringLiteral("C2")});

    const ToolRun run = tool(QStringList{QStringLiteral("history"), QStringLiteral("--csv")} + arguments);

    QVERIFY2(run.exitCode == 0, qPrintable(run.messages()));
    QStringList records = run.out.split(QStringLiteral("\r\n"), Qt::SkipEmptyParts);
    QVERIFY(records.size() == expected.size() + 1);
    const QString who = HistoryWriter::ofThisProgram().user + QLatin1Char('@') + HistoryWriter::ofThisProgram().host;
    for (int i = 0; i < expected.size(); ++i) {
        const QString record = records.at(i + 1);
        QVERIFY2(record.endsWith(expected.at(i)), qPrintable(record));
        QVERIFY2(record.contains(who) && record.contains(QStringLiteral(",tst_admin_history,CF,")), qPrintable(record));
    }
}

void AdminHistoryTest::undeleteWritesTheRowBackOnlyWhereItsKeyIsFree_data()
{
    QTest::addColumn<bool>("keyTaken");
    QTest::newRow("key free: the row comes back byte for byte") << false;
    QTest::newRow("key taken: refused, nothing written") << true;
}

void AdminHistoryTest::undeleteWritesTheRowBackOnlyWhereItsKeyIsFree()
{
    QFETCH(bool, keyTaken);
    const QByteArray picture = QByteArray::fromHex("89504e470d0a1a0a") + QByteArray("\x00\\x41\r\n", 7) + QByteArray(70000, '\xff');
    employeeDeleted(picture);
    const QVector<QVariantList> before = m_database->tableRows(QStringLiteral("EMPLOYEE"));
    const ToolRun listed = tool({"deleted", "--csv"});
    QVERIFY2(listed.out.contains(QStringLiteral(",EMPLOYEE,E01,")), qPrintable(listed.out + listed.messages()));
    if (keyTaken)
        m_database->insert(QStringLiteral("EMPLOYEE"), {QStringLiteral("e01"), QStringLiteral("新來的")});

    const ToolRun run = tool({"undelete", "employee", "E01"});

    const QVector<QVariantList> rows = m_database->tableRows(QStringLiteral("EMPLOYEE"));
    if (keyTaken) {
        QCOMPARE(run.exitCode, 1);
        QCOMPARE(run.messages(), QStringLiteral("無法還原:資料表 EMPLOYEE 現在已經有鍵值「E01」的資料,刪除的那一筆沒有還原;"
                                                "要還原它,請先把現有那筆改用別的鍵值或刪除。"));
        QCOMPARE(rows.size(), before.size() + 1);
        return;
    }
    QVERIFY2(run.exitCode == 0, qPrintable(run.messages()));
    QCOMPARE(rows.size(), 1);
    QCOMPARE(rows.constFirst().at(1).toString(), QStringLiteral("王小明"));
    QCOMPARE(rows.constFirst().at(8).toString(), QStringLiteral("台北市"));
    QCOMPARE(rows.constFirst().last().toByteArray(), picture);
    QVERIFY(tool({"deleted", "EMPLOYEE", "--csv"}).out.count(QStringLiteral("\r\n")) == 1);
    const ToolRun history = tool({"history", "EMPLOYEE", "E01", "--csv"});
    QVERIFY2(history.out.section(QStringLiteral("\r\n"), 1, 1).contains(QStringLiteral(",vemo-admin,EMPLOYEE,E01,新增,empno,,E01")),
             qPrintable(history.out));
    const QString document = QStringLiteral("%1 位元組,SHA-256 %2")
                                 .arg(QString::number(picture.size()),
                                      QString::fromLatin1(QCryptographicHash::hash(picture, QCryptographicHash::Sha256).toHex()));
    QVERIFY2(history.out.contains(document), qPrintable(history.out));
}

void AdminHistoryTest::pruneRemovesOnlyOlderLinesWhenAgreed_data()
{
    QTest::addColumn<int>("daysAhead");
    QTest::addColumn<QStringList>("options");
    QTest::addColumn<QByteArray>("answer");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<int>("linesLeft");
    QTest::addColumn<QString>("message"); // %1 the date, %2 the lines
    QTest::newRow("older lines, --yes") << 1 << QStringList{"--yes"} << QByteArray() << 0 << 0
                                        << "已刪除 %1 以前的 %2 筆變更記錄。";
    QTest::newRow("older lines, answered y") << 1 << QStringList() << QByteArray("y\n") << 0 << 0
                                             << "%1 以前有 %2 筆變更記錄,刪除後無法復原;確定要刪除嗎?(y/N) "
                                                "已刪除 %1 以前的 %2 筆變更記錄。";
    QTest::newRow("older lines, no answer") << 1 << QStringList() << QByteArray() << 1 << 2
                                            << "%1 以前有 %2 筆變更記錄,刪除後無法復原;確定要刪除嗎?(y/N) 沒有刪除任何變更記錄。";
    QTest::newRow("none older") << 0 << QStringList{"--yes"} << QByteArray() << 0 << 2
                                << "%1 以前沒有變更記錄,沒有刪除任何一筆。";
}

void AdminHistoryTest::pruneRemovesOnlyOlderLinesWhenAgreed()
{
    QFETCH(int, daysAhead);
    QFETCH(QStringList, options);
    QFETCH(QByteArray, answer);
    QFETCH(int, exitCode);
    QFETCH(int, linesLeft);
    QFETCH(QString, message);
    m_database->insert(QStringLiteral("CF"), {QStringLiteral("C1")});
    m_database->execute(QStringLiteral("DELETE FROM CF"));
    const QString date = QDateTime::currentDateTimeUtc().date().addDays(daysAhead).toString(Qt::ISODate);

    const ToolRun run = runTool(QStringList{"--database", testedDatabase(), "history", "--prune-before", date} + options, answer);

    QCOMPARE(run.exitCode, exitCode);
    QCOMPARE(run.messages(), message.arg(date, QStringLiteral("2")));
    QCOMPARE(m_database->value(QStringLiteral("SELECT count(*) FROM HISTORY")).toInt(), linesLeft);
    QCOMPARE(m_database->value(QStringLiteral("SELECT count(*) FROM HISTORYVALUE")).toInt(), linesLeft);
}

void AdminHistoryTest::backupIntoKeepsTheNewestCheckedBackups()
{
    m_database->insert(QStringLiteral("CF"), {QStringLiteral("C1")});
    QTemporaryDir folder;
    QFile other(folder.filePath(QStringLiteral("vemo-20000101-0000.sqlite")));
    QVERIFY(other.open(QIODevice::WriteOnly) && other.write("not written by backup") > 0);
    other.close();
    QStringList written;
    for (int run = 0; run < 5; ++run) {
        const QStringList before = QDir(folder.path()).entryList(QDir::Files);
        const ToolRun backup = tool({"backup", "--into", folder.path(), "--keep", "3"});
        QVERIFY2(backup.exitCode == 0, qPrintable(backup.messages()));
        for (const QString &name : QDir(folder.path()).entryList(QDir::Files))
            if (!before.contains(name))
                written << name;
    }
    QCOMPARE(written.size(), 5);
    QStringList expected = written.mid(2);
    expected << other.fileName().section(QLatin1Char('/'), -1);
    expected.sort();
    QCOMPARE(QDir(folder.path()).entryList(QDir::Files), expected);
    for (const QString &name : written.mid(2)) {
        const ToolRun check = runTool({"--database", folder.filePath(name), "check"});
        QVERIFY2(check.exitCode == 0, qPrintable(check.out + check.messages()));
    }
    const ToolRun listed = runTool({"restore", "--list", folder.path()});
    QCOMPARE(listed.exitCode, 1); // the file it did not write is no database
    for (const QString &name : written.mid(2))
        QVERIFY2(listed.out.contains(QRegularExpression(QRegularExpression::escape(name) + QStringLiteral(" +\\S+ \\S+ +1 +1\\b"))),
                 qPrintable(listed.out));
    const QString restored = folder.filePath(QStringLiteral("restored.sqlite"));
    QCOMPARE(runTool({"--database", restored, "restore", folder.filePath(written.last())}).exitCode, 0);
    const ToolRun restoredHistory = runTool({"--database", restored, "history", "--csv"});
    QCOMPARE(restoredHistory.out, tool({"history", "--csv"}).out);
}

void AdminHistoryTest::failedCheckLeavesTheOlderBackups()
{
    QTemporaryDir folder;
    const QString linkedFile = folder.filePath(QStringLiteral("picture.png"));
    QFile picture(linkedFile);
    QVERIFY(picture.open(QIODevice::WriteOnly) && picture.write(QByteArray::fromHex("89504e470d0a1a0a")) > 0);
    picture.close();
    QVariantList row(schemaTable(QStringLiteral("EMPLOYEE"))->columns.size());
    row[0] = QStringLiteral("E01");
    row.last() = Document::linked(linkedFile).toStored();
    m_database->insert(QStringLiteral("EMPLOYEE"), row);
    const QString backups = folder.filePath(QStringLiteral("backups"));
    QVERIFY(QDir().mkpath(backups));
    for (int run = 0; run < 2; ++run)
        QCOMPARE(tool({"backup", "--into", backups, "--keep", "1"}).exitCode, 0);
    const QStringList older = QDir(backups).entryList(QDir::Files);
    QVERIFY(QFile::remove(linkedFile));

    const ToolRun failed = tool({"backup", "--into", backups, "--keep", "1"});

    QCOMPARE(failed.exitCode, 1);
    QVERIFY2(failed.messages().contains(QStringLiteral("沒有通過檢查,較舊的備份都留著")), qPrintable(failed.messages()));
    for (const QString &name : older)
        QVERIFY(QFileInfo::exists(QDir(backups).filePath(name)));
}

/// A copy carries the history with its own numbers; the next change there is numbered after them.
void AdminHistoryTest::copiedHistoryIsNumberedOn()
{
    m_database->insert(QStringLiteral("CF"), {QStringLiteral("C1")});
    m_database->execute(QStringLiteral("UPDATE CF SET address = '台北' WHERE customerno = 'C1'"));
    QTemporaryDir folder;
    std::unique_ptr<ServerSchema> schema;
    QString target = folder.filePath(QStringLiteral("copy.sqlite"));
    if (TestDatabase::onServer()) {
        schema = std::make_unique<ServerSchema>();
        target = schema->address();
    }
    const ToolRun copied = tool({"copy", "--to", target});
    QVERIFY2(copied.exitCode == 0, qPrintable(copied.messages()));
    {
        EngineConnection connection;
        QVERIFY(connection.open(target).ok());
        const Result added = connection.execute(QStringLiteral("INSERT INTO CF (customerno) VALUES ('C2')"));
        QVERIFY2(added.ok(), qPrintable(added.message()));
    }
    const ToolRun listed = runTool({"--database", target, "history", "CF", "--csv"});
    QVERIFY2(listed.exitCode == 0, qPrintable(listed.messages()));
    for (const QString &expected : {QStringLiteral(",CF,C2,新增,customerno,,C2"), QStringLiteral(",CF,C1,修改,address,,台北"),
                                    QStringLiteral(",CF,C1,新增,customerno,,C1")})
        QVERIFY2(listed.out.contains(expected), qPrintable(listed.out));
}

QTEST_GUILESS_MAIN(AdminHistoryTest)
#include "tst_admin_history.moc"
