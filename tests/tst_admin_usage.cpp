#include "support/testdatabase.h"
#include "support/toolrun.h"

#include <QDir>
#include <QRegularExpression>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

class AdminUsageTest : public QObject
{
    Q_OBJECT

private slots:
    void importThatWritesNoRowFails_data();
    void importThatWritesNoRowFails();
    void quietKeepsOnlyFailures_data();
    void quietKeepsOnlyFailures();
    void dryRunShowsHowTextDecodes_data();
    void dryRunShowsHowTextDecodes();
    void listings_data();
    void listings();
    void schemaBeforeTheFirstStart();
    void newerColumnTypeIsNamedNotCalledDamaged();
};

namespace {

const QString kJet3 = QStringLiteral(VEMO_LEGACY_SAMPLES "/jet3-sample-with-pictures.mdb");
const QString kJet4 = QStringLiteral(VEMO_LEGACY_SAMPLES "/jet4-sample-dates.mdb");

} // namespace

void AdminUsageTest::importThatWritesNoRowFails_data()
{
    QTest::addColumn<QStringList>("options");
    QTest::addColumn<QString>("message");

    const QString noMatch = QStringLiteral("%1 的資料表都對不到 vemo 的資料表,%2。名稱不同的資料表請用 --map 對照");
    QTest::newRow("no table matches") << QStringList{} << noMatch.arg(kJet3, QStringLiteral("沒有匯入任何資料"));
    QTest::newRow("dry run, no table matches") << QStringList{QStringLiteral("--dry-run")}
                                               << noMatch.arg(kJet3, QStringLiteral("實際匯入時不會寫入任何資料"));
}

void AdminUsageTest::importThatWritesNoRowFails()
{
    QFETCH(QStringList, options);
    QFETCH(QString, message);

    QTemporaryDir folder;
    const QString target = folder.filePath(QStringLiteral("vemo.sqlite"));
    const ToolRun run = runTool(QStringList{QStringLiteral("--database"), target, QStringLiteral("import")} + options + QStringList{kJet3});
    QCOMPARE(run.exitCode, 1);
    QVERIFY2(run.err.contains(message), qPrintable(run.err));
    QVERIFY(run.out.contains(QStringLiteral("資料表 Employees 對不到 vemo 的資料表,未匯入")));
    QVERIFY(QDir(folder.path()).isEmpty(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot));
}

void AdminUsageTest::quietKeepsOnlyFailures_data()
{
    // MAP stands for a map of the Jet 3 sample's products, NEW for a new file.
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QString>("err");
    QTest::addColumn<bool>("data"); // whether the command's data still reach standard output

    QTest::newRow("check") << QStringList{QStringLiteral("check")} << 0 << QString() << false;
    QTest::newRow("export") << QStringList{QStringLiteral("export"), QStringLiteral("CF")} << 0 << QString() << true;
    QTest::newRow("contracts") << QStringList{QStringLiteral("report"), QStringLiteral("contracts"), QStringLiteral("--days"), QStringLiteral("3")}
                               << 0 << QString() << true;
    QTest::newRow("import") << QStringList{QStringLiteral("import"), QStringLiteral("--map"), QStringLiteral("MAP"), kJet3,
                                           QStringLiteral("--database"), QStringLiteral("NEW")}
                            << 0 << QString() << false;
    QTest::newRow("failure") << QStringList{QStringLiteral("import"), QStringLiteral("/nonexistent/old.mdb")} << 1
                             << QStringLiteral("無法讀取 Jet 資料庫 /nonexistent/old.mdb:檔案不存在或不是 Jet (Access) 資料庫。\n") << false;
}

void AdminUsageTest::quietKeepsOnlyFailures()
{
    QFETCH(QStringList, arguments);
    QFETCH(int, exitCode);
    QFETCH(QString, err);
    QFETCH(bool, data);
    QTemporaryDir folder;
    const QString map = folder.filePath(QStringLiteral("map.json"));
    QFile mapFile(map);
    QVERIFY(mapFile.open(QIODevice::WriteOnly));
    mapFile.write(R"({"tables": {"Products": {"into": "MSF", "columns": {"ProductID": "materielno", "UnitsInStock": "inventory"}}}})");
    mapFile.close();
    arguments.replaceInStrings(QRegularExpression(QStringLiteral("^MAP$")), map);
    arguments.replaceInStrings(QRegularExpression(QStringLiteral("^NEW$")), folder.filePath(QStringLiteral("new.sqlite")));

    // A global option is taken after the command too.
    TestDatabase database;
    const ToolRun run = runTool(databaseOption(database) + arguments + QStringList{QStringLiteral("--quiet")});
    QVERIFY2(run.exitCode == exitCode, qPrintable(run.err + run.out));
    QCOMPARE(run.err, err);
    QCOMPARE(!run.out.isEmpty(), data);
}

void AdminUsageTest::dryRunShowsHowTextDecodes_data()
{
    QTest::addColumn<QString>("codePage");
    QTest::addColumn<QString>("doubtful");

    QTest::newRow("Big5") << "CP950" << "  Suppliers.CompanyName → SUPPLIER.supplier:6 個值看來不是 CP950 的文字,例如「PB Kn踄kebr鐰 AB」";
    QTest::newRow("Western") << "CP1252" << QString();
}

void AdminUsageTest::dryRunShowsHowTextDecodes()
{
    QFETCH(QString, codePage);
    QFETCH(QString, doubtful);

    QTemporaryDir folder;
    const QString map = folder.filePath(QStringLiteral("map.json"));
    QFile mapFile(map);
    QVERIFY(mapFile.open(QIODevice::WriteOnly));
    mapFile.write(R"({"tables": {"Suppliers": {"into": "SUPPLIER", "columns": {"SupplierID": "supplierno", "CompanyName": "supplier"}}}})");
    mapFile.close();
    const ToolRun run = runTool({QStringLiteral("--database"), folder.filePath(QStringLiteral("vemo.sqlite")), QStringLiteral("import"),
                             QStringLiteral("--dry-run"), QStringLiteral("--code-page"), codePage, QStringLiteral("--map"), map, kJet3});
    QVERIFY2(run.exitCode == 0, qPrintable(run.err));
    QVERIFY(run.out.contains(QStringLiteral("\n  Suppliers.CompanyName → SUPPLIER.supplier:「Exotic Liquids」、「New Orleans Cajun Delights」、「Grandma Kelly's Homestead」\n")));
    QCOMPARE(run.out.contains(QStringLiteral("可能用錯字碼頁")), !doubtful.isEmpty());
    QVERIFY2(run.out.contains(doubtful), qPrintable(run.out));
}

void AdminUsageTest::listings_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QStringList>("records");

    const QString wholeNumber = TestDatabase::onServer() ? QStringLiteral("smallint") : QStringLiteral("INTEGER");
    QTest::newRow("schema") << QStringList{QStringLiteral("schema"), QStringLiteral("--csv")}
                            << QStringList{QStringLiteral("資料表,欄位,型別,vemo 的用途"), QStringLiteral("MSF,inventory,%1,整數").arg(wholeNumber),
                                           QStringLiteral("CF,customerno,%1,文字").arg(TestDatabase::onServer() ? QStringLiteral("citext") : QStringLiteral("TEXT"))};
    QTest::newRow("Jet 4 tables") << QStringList{QStringLiteral("tables"), QStringLiteral("--csv"), kJet4}
                                  << QStringList{QStringLiteral("資料表,筆數,欄位,型別"), QStringLiteral("DateTest,6,DateCol,日期/時間"),
                                                 QStringLiteral("DateTest,6,ShortTextCol,文字 (510)")};
    QTest::newRow("Jet 3 tables") << QStringList{QStringLiteral("tables"), QStringLiteral("--csv"), kJet3}
                                  << QStringList{QStringLiteral("Employees,9,Photo,OLE 物件"), QStringLiteral("Order Details,2155,Quantity,整數")};
}

void AdminUsageTest::listings()
{
    QFETCH(QStringList, arguments);
    QFETCH(QStringList, records);

    TestDatabase database;
    const ToolRun run = runTool(databaseOption(database) + arguments);
    QVERIFY2(run.exitCode == 0, qPrintable(run.err));
    const QStringList lines = run.out.split(QStringLiteral("\r\n"));
    for (const QString &record : records)
        QVERIFY2(lines.contains(record), qPrintable(record));
}

void AdminUsageTest::schemaBeforeTheFirstStart()
{
    QTemporaryDir folder;
    const QString never = folder.filePath(QStringLiteral("vemo.sqlite"));
    const ToolRun run = runTool({QStringLiteral("--database"), never, QStringLiteral("schema"), QStringLiteral("--csv")});
    QVERIFY2(run.exitCode == 0, qPrintable(run.err));
    QVERIFY2(run.out.split(QStringLiteral("\r\n")).contains(QStringLiteral("CF,customerno,TEXT,文字")), qPrintable(run.out));
    QVERIFY(run.err.contains(QStringLiteral("資料庫 %1 還不存在").arg(never)));
    QVERIFY(QDir(folder.path()).isEmpty(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot));
}

void AdminUsageTest::newerColumnTypeIsNamedNotCalledDamaged()
{
    // The sample's DateTimeCol, the second column definition of its table's page, made Access's extended date and time.
    constexpr qint64 typeByte = 18 * 4096 + 63 + 25;
    QTemporaryDir folder;
    const QString newer = folder.filePath(QStringLiteral("newer.accdb"));
    QVERIFY(QFile::copy(kJet4, newer));
    QFile file(newer);
    QVERIFY(file.open(QIODevice::ReadWrite) && file.seek(typeByte));
    QCOMPARE(file.read(1), QByteArray("\x08"));
    QVERIFY(file.seek(typeByte) && file.putChar(20));
    file.close();
    const QString map = folder.filePath(QStringLiteral("map.json"));
    QFile mapFile(map);
    QVERIFY(mapFile.open(QIODevice::WriteOnly));
    mapFile.write(R"({"tables": {"DateTest": {"into": "CC", "columns": {"ShortTextCol": "contractno"}}}})");
    mapFile.close();

    const ToolRun listed = runTool({QStringLiteral("tables"), QStringLiteral("--csv"), newer});
    const ToolRun imported = runTool({QStringLiteral("--database"), folder.filePath(QStringLiteral("vemo.sqlite")), QStringLiteral("import"),
                                      QStringLiteral("--map"), map, newer});

    QVERIFY2(listed.exitCode == 0, qPrintable(listed.err));
    QVERIFY(listed.out.contains(QStringLiteral("DateTest,6,DateTimeCol,擴充日期/時間 (型別 20)\r\n")));
    QCOMPARE(imported.exitCode, 1);
    QVERIFY2(imported.err.contains(QStringLiteral("Jet 資料庫 %1 的資料表 DateTest 有 vemo 讀不了的欄位型別:DateTimeCol (擴充日期/時間 (型別 20))。"
                                                  "這些是較新版 Access 的型別,不表示檔案損壞,檔案本身可能完好").arg(newer)),
             qPrintable(imported.err));
    QVERIFY(!imported.err.contains(QStringLiteral("已損壞")));
}

QTEST_GUILESS_MAIN(AdminUsageTest)
#include "tst_admin_usage.moc"
