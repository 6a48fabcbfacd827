#include "admin/codepage.h"
#include "admin/importer.h"
#include "admin/importplan.h"
#include "admin/importvalue.h"
#include "admin/progress.h"
#include "data/tables/leftovers.h"
#include "data/records/document.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>
#include <QtEndian>

#include <functional>
#include <memory>
#include <vector>

class AdminImportTest : public QObject
{
    Q_OBJECT

private slots:
    void datesAsTheOldScreensShowedThem_data();
    void datesAsTheOldScreensShowedThem();
    void wholeNumberColumns_data();
    void wholeNumberColumns();
    void textColumns_data();
    void textColumns();
    void objectsBecomeDocuments();
    void codePages_data();
    void codePages();
    void mapFaultsAreReported_data();
    void mapFaultsAreReported();
    void matchesByNameAndThroughTheMap();
    void damagedFilesAreRefusedWhole_data();
    void damagedFilesAreRefusedWhole();
    void earlierVersionsLeftoversGoOnceClosed_data();
    void earlierVersionsLeftoversGoOnceClosed();
    void progressTellsPercentageAndTimeLeft_data();
    void progressTellsPercentageAndTimeLeft();
};

namespace {

JetValue jetValue(JetValue::Kind kind, const QVariant &value)
{
    JetValue jet;
    jet.kind = kind;
    jet.value = value;
    return jet;
}

const TablePlan *planFor(const ImportPlan &plan, const QString &source)
{
    for (const TablePlan &table : plan.tables)
        if (table.source == source)
            return &table;
    return nullptr;
}

int columnIndex(const TablePlan &plan, const QString &column)
{
    return plan.target->columnNames().indexOf(column);
}

const QString kJet3 = QStringLiteral(VEMO_LEGACY_SAMPLES "/jet3-sample-with-pictures.mdb");
constexpr int kJet3PageSize = 2048;
constexpr int kJet3RowCountAt = 12;

/// The Jet 3 sample with the definition of its one table of rowCount rows
/// changed by damage, and its bytes from cutAt on gone when cutAt is not -1.
QString damagedSample(const QTemporaryDir &folder, quint32 rowCount, const std::function<void(char *)> &damage, qsizetype cutAt)
{
    QFile sample(kJet3);
    sample.open(QIODevice::ReadOnly);
    QByteArray bytes = sample.readAll();
    for (qsizetype at = 0; at + kJet3PageSize <= bytes.size(); at += kJet3PageSize) {
        char *page = bytes.data() + at;
        if (page[0] == 2 && page[1] == 1 && qFromLittleEndian<quint32>(page + kJet3RowCountAt) == rowCount)
            damage(page);
    }
    if (cutAt >= 0)
        bytes.truncate(cutAt);
    const QString path = folder.filePath(QStringLiteral("damaged.mdb"));
    QFile damaged(path);
    damaged.open(QIODevice::WriteOnly);
    damaged.write(bytes);
    return path;
}

} // namespace

void AdminImportTest::datesAsTheOldScreensShowedThem_data()
{
    QTest::addColumn<double>("dayNumber");
    QTest::addColumn<QString>("text");

    QTest::newRow("midnight has no time") << 46000.0 << "2025/12/9";
    QTest::newRow("afternoon") << 46000.75 << "2025/12/9 18:00:00";
    QTest::newRow("single-digit hour") << 46000.0 + (9 * 3600 + 5 * 60 + 7) / 86400.0 << "2025/12/9 9:05:07";
    QTest::newRow("a hair before midnight is the next day") << 46000.9999999 << "2025/12/10";
    QTest::newRow("the engine's day zero") << 0.0 << "1899/12/30";
    QTest::newRow("before day zero, time counted forward") << -1.25 << "1899/12/29 6:00:00";
    QTest::newRow("year 9999") << 2958465.0 << "9999/12/31";
}

void AdminImportTest::datesAsTheOldScreensShowedThem()
{
    QFETCH(double, dayNumber);
    QFETCH(QString, text);
    QCOMPARE(jetDateText(dayNumber), text);
    QCOMPARE(carryValue(jetValue(JetValue::Kind::DateTime, dayNumber), ColumnType::Text, QString()).stored.toString(), text);
}

void AdminImportTest::wholeNumberColumns_data()
{
    QTest::addColumn<int>("kind");
    QTest::addColumn<QVariant>("value");
    QTest::addColumn<QVariant>("stored");
    QTest::addColumn<bool>("reported");

    const int number = int(JetValue::Kind::Number);
    const int text = int(JetValue::Kind::Text);
    QTest::newRow("whole") << number << QVariant("12") << QVariant(12) << false;
    QTest::newRow("half to even, down") << number << QVariant("2.5") << QVariant(2) << true;
    QTest::newRow("half to even, up") << number << QVariant("7.5") << QVariant(8) << true;
    QTest::newRow("negative half") << number << QVariant("-2.5") << QVariant(-2) << true;
    QTest::newRow("just above half") << number << QVariant("2.5000001") << QVariant(3) << true;
    QTest::newRow("money with zero cents") << number << QVariant("18.00") << QVariant(18) << false;
    QTest::newRow("lowest") << number << QVariant("-32768") << QVariant(-32768) << false;
    QTest::newRow("highest") << number << QVariant("32767") << QVariant(32767) << false;
    QTest::newRow("above the range") << number << QVariant("32768") << QVariant() << true;
    QTest::newRow("rounds out of the range") << number << QVariant("32767.5") << QVariant() << true;
    QTest::newRow("far out of the range") << number << QVariant("1e9") << QVariant() << true;
    QTest::newRow("text digits") << text << QVariant(" 40 ") << QVariant(40) << false;
    QTest::newRow("full-width digits, as the screens refuse them") << text << QVariant("１２") << QVariant() << true;
    QTest::newRow("text that is no number") << text << QVariant("十二") << QVariant() << true;
    QTest::newRow("empty text") << text << QVariant("") << QVariant() << false;
    QTest::newRow("yes") << int(JetValue::Kind::Boolean) << QVariant(true) << QVariant(-1) << false;
    QTest::newRow("a date is no quantity") << int(JetValue::Kind::DateTime) << QVariant(46000.0) << QVariant() << true;
}

void AdminImportTest::wholeNumberColumns()
{
    QFETCH(int, kind);
    QFETCH(QVariant, value);
    QFETCH(QVariant, stored);
    QFETCH(bool, reported);

    const CarriedValue carried = carryValue(jetValue(JetValue::Kind(kind), value), ColumnType::WholeNumber, QString());
    QCOMPARE(carried.stored.isNull(), stored.isNull());
    if (!stored.isNull())
        QCOMPARE(carried.stored.toInt(), stored.toInt());
    QCOMPARE(!carried.problem.isEmpty(), reported);
}

void AdminImportTest::textColumns_data()
{
    QTest::addColumn<int>("kind");
    QTest::addColumn<QVariant>("value");
    QTest::addColumn<QVariant>("stored");

    QTest::newRow("text") << int(JetValue::Kind::Text) << QVariant("螺絲 M3, \"長\"") << QVariant("螺絲 M3, \"長\"");
    QTest::newRow("number") << int(JetValue::Kind::Number) << QVariant("18.25") << QVariant("18.25");
    QTest::newRow("yes") << int(JetValue::Kind::Boolean) << QVariant(true) << QVariant("True");
    QTest::newRow("no") << int(JetValue::Kind::Boolean) << QVariant(false) << QVariant("False");
    QTest::newRow("null stays null") << int(JetValue::Kind::Null) << QVariant() << QVariant();
    QTest::newRow("object is not text") << int(JetValue::Kind::Object) << QVariant(QByteArray("x")) << QVariant();
}

void AdminImportTest::textColumns()
{
    QFETCH(int, kind);
    QFETCH(QVariant, value);
    QFETCH(QVariant, stored);

    const CarriedValue carried = carryValue(jetValue(JetValue::Kind(kind), value), ColumnType::Text, QString());
    QCOMPARE(carried.stored.isNull(), stored.isNull());
    QCOMPARE(carried.stored.toString(), stored.toString());
    QCOMPARE(carried.problem.isEmpty(), kind != int(JetValue::Kind::Object));
}

void AdminImportTest::objectsBecomeDocuments()
{
    const QByteArray raw("not an OLE object");
    const CarriedValue carried = carryValue(jetValue(JetValue::Kind::Object, raw), ColumnType::Document, QStringLiteral("picture-5"));
    QVERIFY(carried.documentNotUnderstood);
    QVERIFY(!carried.problem.isEmpty());
    const Document document = Document::fromStored(carried.stored);
    QCOMPARE(document.kind(), Document::Kind::Embedded);
    QCOMPARE(document.bytes(), raw);
    QCOMPARE(document.mimeType(), QStringLiteral("application/octet-stream"));
    QCOMPARE(document.fileName(), QStringLiteral("picture-5.bin"));

    const CarriedValue text = carryValue(jetValue(JetValue::Kind::Text, QStringLiteral("a note")), ColumnType::Document, QString());
    QVERIFY(text.stored.isNull());
    QVERIFY(!text.problem.isEmpty());
}

void AdminImportTest::codePages_data()
{
    QTest::addColumn<QString>("codePage");
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("undecodable");

    QTest::newRow("Big5") << "CP950" << QByteArray::fromHex("A7F7AEC6AE77A673") << "材料庫存" << false;
    QTest::newRow("Big5 with ASCII") << "CP950" << QByteArray("M3 ") + QByteArray::fromHex("C1B3B5B7") << "M3 螺絲" << false;
    QTest::newRow("Big5 cut in a character") << "CP950" << QByteArray::fromHex("A7F7AE") << "材\uFFFD" << true;
    QTest::newRow("Big5 stray byte in the middle") << "CP950" << QByteArray::fromHex("A7F7FFAEC6") << "材\uFFFD料" << true;
    QTest::newRow("cp1252") << "CP1252" << QByteArray::fromHex("4BE4736520E9") << "Käse é" << false;
    QTest::newRow("cp1252 euro") << "CP1252" << QByteArray::fromHex("80") << "€" << false;
}

void AdminImportTest::codePages()
{
    QFETCH(QString, codePage);
    QFETCH(QByteArray, bytes);
    QFETCH(QString, text);
    QFETCH(bool, undecodable);

    CodePage decoder;
    QVERIFY(decoder.open(codePage));
    bool lost = false;
    QCOMPARE(decoder.decode(bytes, lost), text);
    QCOMPARE(lost, undecodable);
}

void AdminImportTest::mapFaultsAreReported_data()
{
    QTest::addColumn<QByteArray>("json");
    QTest::addColumn<QStringList>("problems");

    QTest::newRow("missing table") << QByteArray(R"({"tables": {"Staff": {"into": "EMPLOYEE", "columns": {}}}})")
                                   << QStringList{"對照檔的資料表 Staff 在舊資料庫裡找不到"};
    QTest::newRow("missing old column")
        << QByteArray(R"({"tables": {"Employees": {"into": "EMPLOYEE", "columns": {"Surname": "empname"}}}})")
        << QStringList{"對照檔的欄位 Employees.Surname 在舊資料庫裡找不到"};
    QTest::newRow("missing vemo column")
        << QByteArray(R"({"tables": {"Employees": {"into": "EMPLOYEE", "columns": {"LastName": "lastname"}}}})")
        << QStringList{"對照檔把 Employees.LastName 對到 EMPLOYEE.lastname,但 EMPLOYEE 沒有這個欄位"};
    QTest::newRow("missing vemo table") << QByteArray(R"({"tables": {"Employees": {"into": "STAFF", "columns": {}}}})")
                                        << QStringList{"對照檔把 Employees 對到 STAFF,但 vemo 沒有這個資料表"};
    QTest::newRow("two columns into one")
        << QByteArray(R"({"tables": {"Employees": {"into": "EMPLOYEE", "columns": {"LastName": "empname", "FirstName": "EMPNAME"}}}})")
        << QStringList{"對照檔把兩個欄位都對到 EMPLOYEE.empname"};
}

void AdminImportTest::mapFaultsAreReported()
{
    QFETCH(QByteArray, json);
    QFETCH(QStringList, problems);

    ImportMap map;
    const Result parsed = ImportMap::parse(json, map);
    QVERIFY2(parsed.ok(), qPrintable(parsed.message()));
    const JetTable employees{QStringLiteral("Employees"), {QStringLiteral("LastName"), QStringLiteral("FirstName")}, 3};
    QCOMPARE(planImport({employees}, map).problems, problems);
}

void AdminImportTest::matchesByNameAndThroughTheMap()
{
    ImportMap map;
    QVERIFY(ImportMap::parse(R"({"tables": {"Staff": {"into": "employee", "columns": {"Surname": "EMPNAME"}}}})", map).ok());
    const QVector<JetTable> tables = {
        {QStringLiteral("Staff"), {QStringLiteral("EmpNo"), QStringLiteral("Surname"), QStringLiteral("Shoe size")}, 4},
        {QStringLiteral("msf"), {QStringLiteral("MaterielNo"), QStringLiteral("Inventory")}, 2},
        {QStringLiteral("Orders"), {QStringLiteral("OrderID")}, 9},
    };
    const ImportPlan plan = planImport(tables, map);
    QVERIFY(plan.problems.isEmpty());
    QCOMPARE(plan.unmatchedTables, QStringList{QStringLiteral("Orders")});

    const TablePlan *staff = planFor(plan, QStringLiteral("Staff"));
    QVERIFY(staff);
    QCOMPARE(staff->target->name, QStringLiteral("EMPLOYEE"));
    QCOMPARE(staff->sourceColumnOf.at(columnIndex(*staff, QStringLiteral("empno"))), 0);
    QCOMPARE(staff->sourceColumnOf.at(columnIndex(*staff, QStringLiteral("empname"))), 1);
    QCOMPARE(staff->unmatchedColumns, QStringList{QStringLiteral("Shoe size")});
    QCOMPARE(staff->rowCount, 4);

    const TablePlan *stock = planFor(plan, QStringLiteral("msf"));
    QVERIFY(stock);
    QCOMPARE(stock->target->name, QStringLiteral("MSF"));
    QCOMPARE(stock->sourceColumnOf.at(columnIndex(*stock, QStringLiteral("inventory"))), 1);
    QVERIFY(stock->unmatchedColumns.isEmpty());
}

void AdminImportTest::damagedFilesAreRefusedWhole_data()
{
    QTest::addColumn<quint32>("statedRows");
    QTest::addColumn<qsizetype>("cutAt");
    QTest::addColumn<QString>("message");

    QTest::newRow("fewer rows than stated") << 92u << qsizetype(-1) << "資料表 Customers 記載有 92 筆資料,卻只讀出 91 筆。沒有匯入任何資料。";
    QTest::newRow("more rows than stated") << 90u << qsizetype(-1) << "資料表 Customers 記載有 90 筆資料,讀出的卻超過 90 筆。沒有匯入任何資料。";
    QTest::newRow("cut inside a page") << 91u << qsizetype(100 * kJet3PageSize + 1000)
                                       << "已損壞:檔案長 205800 位元組,不是整數個 2048 位元組的頁,檔尾被截掉了。";
}

void AdminImportTest::damagedFilesAreRefusedWhole()
{
    QFETCH(quint32, statedRows);
    QFETCH(qsizetype, cutAt);
    QFETCH(QString, message);

    QTemporaryDir folder;
    ImportOptions options;
    options.source = damagedSample(folder, 91, [&](char *page) { qToLittleEndian(statedRows, page + kJet3RowCountAt); }, cutAt);
    options.target = folder.filePath(QStringLiteral("vemo.sqlite"));
    QVERIFY(ImportMap::parse(R"({"tables": {"Customers": {"into": "CF", "columns": {"CustomerID": "customerno"}}}})", options.map).ok());
    for (const bool dryRun : {true, false}) {
        options.dryRun = dryRun;
        ImportReport report;
        const Result imported = importJetFile(options, report);
        QVERIFY(!imported);
        QVERIFY2(imported.message().endsWith(message), qPrintable(imported.message()));
        QVERIFY(!QFileInfo::exists(options.target));
        QCOMPARE(QDir(folder.path()).entryList(QDir::Files | QDir::Hidden), QStringList{QStringLiteral("damaged.mdb")});
    }
}

void AdminImportTest::earlierVersionsLeftoversGoOnceClosed_data()
{
    QTest::addColumn<QStringList>("names");
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<bool>("heldOpen");
    QTest::addColumn<bool>("removed");

    const QByteArray database("SQLite format 3\0", 16);
    const QStringList import = {".vemo.sqlite.import-a1B2c3", ".vemo.sqlite.import-a1B2c3-journal"};
    const QStringList backup = {"vemo.sqlite.partial-Zz9Yy8", "vemo.sqlite.partial-Zz9Yy8-wal", "vemo.sqlite.partial-Zz9Yy8-shm"};
    QTest::newRow("an import's, empty") << import << QByteArray() << false << true;
    QTest::newRow("a backup's, a database") << backup << database << false << true;
    QTest::newRow("a journal without its file") << QStringList{".vemo.sqlite.import-Qq1Ww2-journal"} << database << false << true;
    QTest::newRow("one still open") << import << database << true << false;
    QTest::newRow("not a database") << backup << QByteArray("notes") << false << false;
    QTest::newRow("another file's") << QStringList{".other.sqlite.import-a1B2c3"} << QByteArray() << false << false;
    QTest::newRow("not such a name") << QStringList{".vemo.sqlite.import-a1B2", "vemo.sqlite.partial-Zz9Yy8.txt"} << QByteArray() << false << false;
}

void AdminImportTest::earlierVersionsLeftoversGoOnceClosed()
{
    QFETCH(QStringList, names);
    QFETCH(QByteArray, content);
    QFETCH(bool, heldOpen);
    QFETCH(bool, removed);

    QTemporaryDir folder;
    std::vector<std::unique_ptr<QFile>> files;
    for (const QString &name : names) {
        files.push_back(std::make_unique<QFile>(folder.filePath(name)));
        QVERIFY(files.back()->open(QIODevice::WriteOnly));
        QCOMPARE(files.back()->write(content), content.size());
        files.back()->flush();
        if (!heldOpen)
            files.back()->close();
    }
    const QStringList before = QDir(folder.path()).entryList(QDir::Files | QDir::Hidden);

    removeLeftovers(folder.filePath(QStringLiteral("vemo.sqlite")));

    QCOMPARE(QDir(folder.path()).entryList(QDir::Files | QDir::Hidden), removed ? QStringList() : before);
}

void AdminImportTest::progressTellsPercentageAndTimeLeft_data()
{
    QTest::addColumn<qint64>("done");
    QTest::addColumn<qint64>("total");
    QTest::addColumn<qint64>("elapsed"); // milliseconds
    QTest::addColumn<QString>("counts");
    QTest::newRow("total not yet known") << 0ll << 0ll << 0ll << "準備中";
    QTest::newRow("started") << 0ll << 3300ll << 0ll << "0% 0 / 3300 頁";
    QTest::newRow("pace not yet known") << 1100ll << 3300ll << 900ll << "33% 1100 / 3300 頁";
    QTest::newRow("seconds left") << 1100ll << 3300ll << 6000ll << "33% 1100 / 3300 頁,還要約 12 秒";
    QTest::newRow("minutes left") << 1000ll << 4000ll << 50000ll << "25% 1000 / 4000 頁,還要約 2 分 30 秒";
    QTest::newRow("hours left") << 1ll << 100ll << 60000ll << "1% 1 / 100 頁,還要約 1 小時 39 分";
    QTest::newRow("done") << 3300ll << 3300ll << 9000ll << "100% 3300 / 3300 頁";
}

void AdminImportTest::progressTellsPercentageAndTimeLeft()
{
    QFETCH(qint64, done);
    QFETCH(qint64, total);
    QFETCH(qint64, elapsed);
    QTEST(progressCounts(done, total, QStringLiteral("頁"), elapsed), "counts");
}

QTEST_GUILESS_MAIN(AdminImportTest)
#include "tst_admin_import.moc"
