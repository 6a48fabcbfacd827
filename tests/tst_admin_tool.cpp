#include "admin/jetfile.h"
#include "data/records/document.h"
#include "data/connection/engineconnection.h"
#include "data/schema.h"
#include "data/records/stockupdate.h"
#include "support/testdatabase.h"
#include "support/toolrun.h"

#include <QCryptographicHash>
#include <QDir>
#include <QImage>
#include <QProcess>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QTest>

#include <atomic>
#include <thread>

class AdminToolTest : public QObject
{
    Q_OBJECT

private slots:
    void jet3SampleThroughAMap();
    void dryRunWritesNothing();
    void secondImportIsRefusedWithoutReplace();
    void replaceKeepsTheOldDatabase();
    void killedImportLeavesTheTargetAsItWas();
    void faultyMapImportsNothing();
    void exportRoundTripsEveryTable();
    void exportCarriesEveryRowOfALargeTable();
    void exportDefusesFormulas_data();
    void exportDefusesFormulas();
    void exportWritesDocumentFiles();
    void backupWhileAProgramWritesPassesCheck();
    void checkFindsProblems_data();
    void checkFindsProblems();
    void ledgerHasALineForALending();
    void ledgerEnabledOnAnExistingDatabase();
    void commandLineFaults_data();
    void commandLineFaults();
};

namespace {

const QString kJet3 = QStringLiteral(VEMO_LEGACY_SAMPLES "/jet3-sample-with-pictures.mdb");

QString writeMap(const QTemporaryDir &folder)
{
    const QString path = folder.filePath(QStringLiteral("map.json"));
    QFile file(path);
    file.open(QIODevice::WriteOnly);
    file.write(R"({"tables": {
        "Order Details": {"into": "MBBR", "columns": {"OrderID": "mbrrno", "ProductID": "materielno", "Quantity": "borrowqty"}},
        "Employees": {"into": "EMPLOYEE", "columns": {"EmployeeID": "empno", "LastName": "empname", "BirthDate": "birthday", "Photo": "picture"}},
        "Suppliers": {"into": "SUPPLIER", "columns": {"SupplierID": "supplierno", "CompanyName": "supplier", "ContactName": "contactman"}},
        "Products": {"into": "MSF", "columns": {"ProductID": "materielno", "ProductName": "materiel", "UnitsInStock": "inventory"}}
    }})");
    return path;
}

/// The number of rows of every table, in schema order.
QList<int> rowCounts(TestDatabase &database)
{
    QList<int> counts;
    for (const TableDefinition &table : schemaTables())
        counts << database.value(QStringLiteral("SELECT count(*) FROM \"%1\"").arg(table.name)).toInt();
    return counts;
}

QByteArray fileHash(const QString &path)
{
    QFile file(path);
    file.open(QIODevice::ReadOnly);
    return QCryptographicHash::hash(file.readAll(), QCryptographicHash::Sha256);
}

QVector<QStringList> readCsv(const QString &text)
{
    QVector<QStringList> records;
    QStringList record;
    QString field;
    bool quoted = false;
    for (int i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (quoted) {
            if (c == QLatin1Char('"') && i + 1 < text.size() && text.at(i + 1) == QLatin1Char('"'))
                field += text.at(++i);
            else if (c == QLatin1Char('"'))
                quoted = false;
            else
                field += c;
        } else if (c == QLatin1Char('"')) {
            quoted = true;
        } else if (c == QLatin1Char(',')) {
            record << field;
            field.clear();
        } else if (c == QLatin1Char('\r') && i + 1 < text.size() && text.at(i + 1) == QLatin1Char('\n')) {
            records << (record << field);
            record.clear();
            field.clear();
            ++i;
        } else {
            field += c;
        }
    }
    return records;
}

QVariantList sampleRow(const TableDefinition &table, int row)
{
    const QStringList texts = {QStringLiteral("逗點, 和 \"引號\""), QStringLiteral("兩行\r\n第二行"), QStringLiteral(" 前後空白 "),
                               QStringLiteral("單行\n換行"), QStringLiteral("材料庫存")};
    QVariantList values;
    for (int c = 0; c < table.columns.size(); ++c) {
        const ColumnType type = table.columns.at(c).type;
        if (type == ColumnType::WholeNumber)
            values << (row % 2 ? -32768 + c : 32767 - c);
        else if (type == ColumnType::Document)
            values << QVariant(QMetaType(QMetaType::QByteArray));
        else
            values << QStringLiteral("%1-%2 %3").arg(table.name).arg(row).arg(texts.at((row + c) % texts.size()));
    }
    return values;
}

} // namespace

void AdminToolTest::jet3SampleThroughAMap()
{
    QTemporaryDir folder;
    const QString target = folder.filePath(QStringLiteral("vemo.sqlite"));
    const ToolRun run = runTool({QStringLiteral("--database"), target, QStringLiteral("import"), QStringLiteral("--map"), writeMap(folder),
                             QStringLiteral("--code-page"), QStringLiteral("CP1252"), kJet3});
    QVERIFY2(run.exitCode == 0, qPrintable(run.messages()));
    QVERIFY(run.out.contains(QStringLiteral("Employees → EMPLOYEE:讀出 9 筆,寫入 9 筆")));
    QVERIFY(run.out.contains(QStringLiteral("欄位 Employees.FirstName 對不到 EMPLOYEE 的欄位,未匯入")));
    QVERIFY(run.out.contains(QStringLiteral("資料表 Orders 對不到 vemo 的資料表,未匯入")));

    JetFile jet;
    QVERIFY(jet.open(kJet3, QStringLiteral("CP1252")).ok());
    QVector<QByteArray> photos;
    QVERIFY(jet.readRows(QStringLiteral("Employees"), [&](const QVector<JetValue> &row) {
        photos << row.at(14).value.toByteArray();
        return true;
    }));

    EngineConnection connection;
    QVERIFY(connection.open(target).ok());
    QSqlQuery query(connection.database());
    QVERIFY(query.exec(QStringLiteral("SELECT empno, empname, birthday, picture FROM EMPLOYEE")));
    int employees = 0;
    while (query.next()) {
        const Document picture = Document::fromStored(query.value(3));
        QCOMPARE(picture.kind(), Document::Kind::Embedded);
        QCOMPARE(picture.mimeType(), QStringLiteral("image/bmp"));
        QCOMPARE(picture.fileName(), QStringLiteral("picture-%1.bmp").arg(query.value(0).toString()));
        const QByteArray &object = photos.at(employees);
        QVERIFY(object.indexOf(picture.bytes()) > 0);
        QVERIFY(!QImage::fromData(picture.bytes(), "BMP").isNull());
        ++employees;
    }
    QCOMPARE(employees, 9);
    QVERIFY(query.exec(QStringLiteral("SELECT empname, birthday FROM EMPLOYEE WHERE empno = '1'")) && query.next());
    QCOMPARE(query.value(0).toString(), QStringLiteral("Davolio"));
    QCOMPARE(query.value(1).toString(), QStringLiteral("1948/12/8"));

    QVERIFY(query.exec(QStringLiteral("SELECT supplier, contactman FROM SUPPLIER ORDER BY CAST(supplierno AS INTEGER)")));
    QStringList suppliers;
    while (query.next())
        suppliers << query.value(0).toString() + QLatin1Char('/') + query.value(1).toString();
    QCOMPARE(suppliers.size(), 29);
    QVERIFY(suppliers.contains(QStringLiteral("PB Knäckebröd AB/Lars Peterson")));
    QVERIFY(suppliers.contains(QStringLiteral("Svensk Sjöföda AB/Michael Björn")));
    QVERIFY(suppliers.contains(QStringLiteral("Forêts d'érables/Chantal Goulet")));
    QVERIFY(!suppliers.join(QString()).contains(QChar(0xFFFD)));
    QCOMPARE(QSqlQuery(QStringLiteral("SELECT count(*), sum(typeof(inventory) = 'integer') FROM MSF"), connection.database()).exec(), true);
}

void AdminToolTest::dryRunWritesNothing()
{
    QTemporaryDir folder;
    const QString target = folder.filePath(QStringLiteral("vemo.sqlite"));
    const ToolRun run = runTool({QStringLiteral("--database"), target, QStringLiteral("import"), QStringLiteral("--dry-run"),
                             QStringLiteral("--map"), writeMap(folder), kJet3});
    QVERIFY2(run.exitCode == 0, qPrintable(run.messages()));
    QVERIFY(run.out.contains(QStringLiteral("Order Details → MBBR:讀出 2155 筆,將寫入 2155 筆")));
    // Without --code-page the sample's Latin text is no Big5: every such value is listed.
    QVERIFY(run.out.contains(QStringLiteral("Suppliers 第 11 筆 CompanyName → SUPPLIER.supplier:")));
    QCOMPARE(QDir(folder.path()).entryList(QDir::Files | QDir::Hidden), QStringList{QStringLiteral("map.json")});
}

void AdminToolTest::secondImportIsRefusedWithoutReplace()
{
    QTemporaryDir folder;
    const QString target = folder.filePath(QStringLiteral("vemo.sqlite"));
    const QStringList import = {QStringLiteral("--database"), target, QStringLiteral("import"), QStringLiteral("--map"), writeMap(folder), kJet3};
    QCOMPARE(runTool(import).exitCode, 0);
    const QByteArray before = fileHash(target);
    const ToolRun second = runTool(import);
    QCOMPARE(second.exitCode, 1);
    QCOMPARE(second.messages(),
             QStringLiteral("目標資料庫 %1 已經有 2270 筆資料,沒有匯入。要以匯入的資料取代它,請加上 --replace(原來的檔案會留一份備份)。").arg(target));
    QCOMPARE(fileHash(target), before);
}

void AdminToolTest::replaceKeepsTheOldDatabase()
{
    if (TestDatabase::onServer())
        QSKIP("a file in use and the backup kept beside it are the embedded engine's; a server is never replaced");
    TestDatabase database;
    database.insert(QStringLiteral("CF"), {QStringLiteral("C01"), QStringLiteral("老客戶")});
    QTemporaryDir folder;
    const QStringList import = {QStringLiteral("--database"), database.file(), QStringLiteral("import"), QStringLiteral("--replace"),
                                QStringLiteral("--map"), writeMap(folder), kJet3};
    const ToolRun inUse = runTool(import);
    QCOMPARE(inUse.exitCode, 1);
    QCOMPARE(inUse.messages().section(QLatin1Char('\n'), -1), QStringLiteral("資料庫 %1 正由其他程式使用中(database is locked),請先關閉 vemo 再試一次。").arg(database.file()));
    QCOMPARE(database.value(QStringLiteral("SELECT count(*) FROM EMPLOYEE")).toInt(), 0);

    database.disconnect();
    const ToolRun run = runTool(import);
    database.reconnect();
    QVERIFY2(run.exitCode == 0, qPrintable(run.messages()));
    QCOMPARE(database.value(QStringLiteral("SELECT count(*) FROM EMPLOYEE")).toInt(), 9);
    QCOMPARE(database.value(QStringLiteral("SELECT count(*) FROM CF")).toInt(), 0);

    const QStringList backups = QDir(database.folder()).entryList({QStringLiteral("vemo.sqlite.before-import-*")});
    QCOMPARE(backups.size(), 1);
    EngineConnection old;
    QVERIFY(old.open(QDir(database.folder()).filePath(backups.constFirst())).ok());
    QSqlQuery query(QStringLiteral("SELECT companyname FROM CF"), old.database());
    QVERIFY(query.next());
    QCOMPARE(query.value(0).toString(), QStringLiteral("老客戶"));
}

void AdminToolTest::killedImportLeavesTheTargetAsItWas()
{
    if (TestDatabase::onServer())
        QSKIP("the import writes a file beside the target; the server is tested in the copy's tests");
    // Killed after its first table when it can be caught there; a fast machine may finish
    // the whole import first, so the later tries kill it sooner.
    const QList<QByteArray> killMarks = {QByteArray("→"), QByteArray()};
    QTemporaryDir folder;
    QList<int> completed;
    {
        TestDatabase database;
        database.insert(QStringLiteral("CF"), {QStringLiteral("C01"), QStringLiteral("老客戶")});
        database.disconnect();
        QCOMPARE(runTool({QStringLiteral("--database"), database.file(), QStringLiteral("import"),
                          QStringLiteral("--replace"), QStringLiteral("--map"), writeMap(folder), kJet3})
                     .exitCode,
                 0);
        database.reconnect();
        completed = rowCounts(database);
    }
    bool killedMidway = false;
    for (const QByteArray &killMark : killMarks) {
        TestDatabase database;
        database.insert(QStringLiteral("CF"), {QStringLiteral("C01"), QStringLiteral("老客戶")});
        database.disconnect();
        const QByteArray before = fileHash(database.file());

        QProcess process;
        process.start(QStringLiteral(VEMO_ADMIN), {QStringLiteral("--database"), database.file(), QStringLiteral("import"),
                                                   QStringLiteral("--replace"), QStringLiteral("--map"), writeMap(folder), kJet3});
        QVERIFY(process.waitForStarted());
        QByteArray messages;
        const auto markSeen = [&] {
            messages += process.readAllStandardError();
            return messages.contains(killMark) || process.state() == QProcess::NotRunning;
        };
        QTRY_VERIFY_WITH_TIMEOUT(markSeen(), 30000);
        process.kill();
        process.waitForFinished();
        if (process.exitStatus() != QProcess::CrashExit)
            continue;
        const QByteArray after = fileHash(database.file());
        database.reconnect();
        // Killed between its commit and its end: the whole import is there, as one.
        if (rowCounts(database) == completed)
            continue;
        killedMidway = true;

        QCOMPARE(after, before);
        QCOMPARE(database.value(QStringLiteral("SELECT companyname FROM CF")).toString(), QStringLiteral("老客戶"));
        QCOMPARE(database.value(QStringLiteral("SELECT count(*) FROM EMPLOYEE")).toInt(), 0);
        QVERIFY(QDir(database.folder()).entryList({QStringLiteral("vemo.sqlite.before-import-*")}).isEmpty());
        break;
    }
    QVERIFY2(killedMidway, "the import finished before it could be killed");
}

void AdminToolTest::faultyMapImportsNothing()
{
    QTemporaryDir folder;
    const QString map = folder.filePath(QStringLiteral("bad.json"));
    QFile file(map);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(R"({"tables": {"Staff": {"into": "EMPLOYEE"}, "Employees": {"into": "EMPLOYEE", "columns": {"Surname": "empname"}}}})");
    file.close();
    const QString target = folder.filePath(QStringLiteral("vemo.sqlite"));
    const ToolRun run = runTool({QStringLiteral("--database"), target, QStringLiteral("import"), QStringLiteral("--map"), map, kJet3});
    QCOMPARE(run.exitCode, 1);
    QVERIFY(run.messages().contains(QStringLiteral("對照檔的資料表 Staff 在舊資料庫裡找不到")));
    QVERIFY(run.messages().contains(QStringLiteral("對照檔的欄位 Employees.Surname 在舊資料庫裡找不到")));
    QVERIFY(!QFile::exists(target));
}

void AdminToolTest::exportRoundTripsEveryTable()
{
    TestDatabase database;
    for (const TableDefinition &table : schemaTables()) {
        for (int row = 0; row < 5; ++row)
            database.insert(table.name, sampleRow(table, row));

        const ToolRun run = runTool(databaseOption(database) + QStringList{QStringLiteral("export"), table.name.toLower()});
        QVERIFY2(run.exitCode == 0, qPrintable(run.messages()));
        const QVector<QStringList> records = readCsv(run.out);
        QCOMPARE(records.size(), 6);
        QCOMPARE(records.constFirst(), table.columnNames());
        for (int row = 0; row < 5; ++row) {
            const QVariantList expected = sampleRow(table, row);
            for (int c = 0; c < table.columns.size(); ++c)
                QCOMPARE(records.at(row + 1).at(c), expected.at(c).toString());
        }
    }
}

void AdminToolTest::exportCarriesEveryRowOfALargeTable()
{
    TestDatabase database;
    database.insertNumbered(QStringLiteral("MSF"), QStringLiteral("M"), 20000);

    const ToolRun run = runTool(databaseOption(database) + QStringList{QStringLiteral("export"), QStringLiteral("MSF")});
    QVERIFY2(run.exitCode == 0, qPrintable(run.messages()));
    const QVector<QStringList> records = readCsv(run.out);
    QCOMPARE(records.size(), 20001);
    for (int row = 1; row <= 20000; ++row) {
        const QStringList expected = QStringList{QStringLiteral("M%1").arg(row)} + QStringList(7, QString());
        QCOMPARE(records.at(row), expected);
    }
}

void AdminToolTest::exportDefusesFormulas_data()
{
    QTest::addColumn<QString>("stored");
    QTest::addColumn<QByteArray>("defused"); // the field's bytes as written by default; --exact writes the stored ones
    QTest::newRow("a live link") << R"x(=HYPERLINK("http://x.example","y"))x" << QByteArray(R"x("'=HYPERLINK(""http://x.example"",""y"")")x");
    QTest::newRow("a sum") << "=1+1" << QByteArray("'=1+1");
    QTest::newRow("a telephone with a plus") << "+886-2-2345" << QByteArray("'+886-2-2345");
    QTest::newRow("minus and more") << "-1+2" << QByteArray("'-1+2");
    QTest::newRow("at") << "@SUM(A1)" << QByteArray("'@SUM(A1)");
    QTest::newRow("tab") << "\tx" << QByteArray("'\tx");
    QTest::newRow("carriage return") << "\rx" << QByteArray("\"'\rx\"");
    QTest::newRow("a negative number") << "-5" << QByteArray("-5");
    QTest::newRow("a name") << "大同=五金" << QByteArray("大同=五金");
}

void AdminToolTest::exportDefusesFormulas()
{
    QFETCH(QString, stored);
    QFETCH(QByteArray, defused);
    TestDatabase database;
    database.insert(QStringLiteral("CF"), {QStringLiteral("C01"), stored});
    const QStringList exportCf = databaseOption(database) + QStringList{QStringLiteral("export"), QStringLiteral("CF")};

    const ToolRun safe = runTool(exportCf);
    const ToolRun exact = runTool(exportCf + QStringList{QStringLiteral("--exact")});

    QVERIFY2(safe.exitCode == 0 && exact.exitCode == 0, qPrintable(safe.messages() + exact.messages()));
    const QByteArray line = safe.outBytes.mid(safe.outBytes.indexOf("\r\n") + 2);
    QVERIFY2(line.startsWith("C01," + defused + ','), line.constData());
    const bool changed = defused != stored.toUtf8();
    QCOMPARE(safe.err.contains(QStringLiteral("有 1 個欄位以 =、+、-、@、Tab 或 CR 開頭")), changed);
    QCOMPARE(readCsv(exact.out).at(1).at(1), stored);
    QVERIFY(!exact.err.contains(QStringLiteral("單引號")));
}

void AdminToolTest::exportWritesDocumentFiles()
{
    TestDatabase database;
    const Document photo = Document::embedded(QStringLiteral("王小明.png"), QByteArray("\x89PNG\r\n\x1a\nbody", 12));
    database.insert(QStringLiteral("EMPLOYEE"), {QStringLiteral("E1"), QStringLiteral("王小明"), {}, {}, {}, {}, {}, {}, {}, {}, {}, {}, {},
                                                 photo.toStored()});
    database.insert(QStringLiteral("EMPLOYEE"), {QStringLiteral("E2"), QStringLiteral("同名"), {}, {}, {}, {}, {}, {}, {}, {}, {}, {}, {},
                                                 photo.toStored()});
    QTemporaryDir folder;
    const QString csv = folder.filePath(QStringLiteral("employees.csv"));

    const ToolRun described = runTool(databaseOption(database) + QStringList{QStringLiteral("export"), QStringLiteral("EMPLOYEE"), QStringLiteral("--bom")});
    QVERIFY(described.outBytes.startsWith("\xEF\xBB\xBF"));
    QCOMPARE(readCsv(described.out).at(1).constLast(), QStringLiteral("PNG 影像, 王小明.png, 12 位元組, 內嵌"));

    const ToolRun run = runTool(databaseOption(database) + QStringList{QStringLiteral("export"), QStringLiteral("EMPLOYEE"),
                             QStringLiteral("--output"), csv, QStringLiteral("--documents"), folder.filePath(QStringLiteral("docs"))});
    QVERIFY2(run.exitCode == 0, qPrintable(run.messages()));
    QVERIFY(run.out.isEmpty());
    QFile file(csv);
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QVector<QStringList> records = readCsv(QString::fromUtf8(file.readAll()));
    QCOMPARE(records.at(1).constLast(), QStringLiteral("王小明.png"));
    QCOMPARE(records.at(2).constLast(), QStringLiteral("王小明 (2).png"));
    for (const QString &name : {records.at(1).constLast(), records.at(2).constLast()}) {
        QFile saved(folder.filePath(QStringLiteral("docs/") + name));
        QVERIFY(saved.open(QIODevice::ReadOnly));
        QCOMPARE(saved.readAll(), photo.bytes());
    }
}

void AdminToolTest::backupWhileAProgramWritesPassesCheck()
{
    if (TestDatabase::onServer())
        QSKIP("the backup of a file being written is the embedded engine's; the server's backup is tested in the backup's tests");
    TestDatabase database;
    database.insert(QStringLiteral("MSF"), {QStringLiteral("COUNT"), QStringLiteral("rows of CF"), {}, 0});
    std::atomic<bool> stop{false};
    std::atomic<int> written{0};
    const QString file = database.file();
    std::thread writer([&] {
        EngineConnection connection;
        if (!connection.open(file).ok())
            return;
        QSqlDatabase db = connection.database();
        QSqlQuery query(db);
        // Each transaction adds a customer and counts it, so a consistent copy has both or neither.
        while (!stop) {
            db.transaction();
            query.exec(QStringLiteral("INSERT INTO CF (customerno, address) VALUES ('C', randomblob(3000))"));
            query.exec(QStringLiteral("UPDATE MSF SET inventory = (SELECT count(*) FROM CF) % 30000"));
            db.commit();
            ++written;
        }
    });
    QTRY_VERIFY(written > 50);
    QTemporaryDir folder;
    const QString copy = folder.filePath(QStringLiteral("copy.sqlite"));
    const ToolRun backup = runTool({QStringLiteral("--database"), file, QStringLiteral("backup"), copy});
    const int writtenDuringBackup = written;
    stop = true;
    writer.join();
    QVERIFY2(backup.exitCode == 0, qPrintable(backup.messages()));
    QVERIFY(writtenDuringBackup > 50);

    const ToolRun check = runTool({QStringLiteral("--database"), copy, QStringLiteral("check")});
    QVERIFY2(check.exitCode == 0, qPrintable(check.out + check.messages()));
    EngineConnection connection;
    QVERIFY(connection.open(copy).ok());
    QSqlQuery query(QStringLiteral("SELECT (SELECT count(*) FROM CF), inventory FROM MSF"), connection.database());
    QVERIFY(query.next());
    QVERIFY(query.value(0).toInt() > 0);
    QCOMPARE(query.value(0).toInt() % 30000, query.value(1).toInt());

    QCOMPARE(runTool({QStringLiteral("--database"), file, QStringLiteral("backup"), copy}).exitCode, 1);
}

void AdminToolTest::checkFindsProblems_data()
{
    QTest::addColumn<QString>("damage");
    QTest::addColumn<QString>("problem");

    QTest::newRow("sound") << "" << "";
    QTest::newRow("missing table") << "DROP TABLE INDUSTRY" << "缺少資料表 INDUSTRY";
    // The history's triggers, and the test connection's own, name every column, so a column goes only with them.
    QString dropColumn;
    for (const char *action : {"insert", "update", "delete"})
        dropColumn += QStringLiteral("DROP TRIGGER vemo_history_SUPPLIER_%1; DROP TRIGGER temp.vemo_writer_SUPPLIER_%1; ").arg(action);
    QTest::newRow("missing column") << dropColumn + "ALTER TABLE SUPPLIER DROP COLUMN payment"
                                    << "資料表 SUPPLIER 缺少欄位 payment";
    QTest::newRow("changes not recorded") << "DROP TRIGGER vemo_history_CF_delete"
                                          << "資料表 CF 的修改沒有記錄到變更記錄裡(缺少觸發程序)";
    QTest::newRow("damaged document") << "UPDATE EMPLOYEE SET picture = X'56454D4F444F4301450005'"
                                      << "EMPLOYEE 第 1 筆 (empno = E1) 的文件 picture 讀不出來:";
    QTest::newRow("linked file gone") << "linked" << "EMPLOYEE 第 1 筆 (empno = E1) 的文件 picture 讀不出來:";
    QTest::newRow("pages overwritten") << "pages" << "";
}

void AdminToolTest::checkFindsProblems()
{
    if (TestDatabase::onServer())
        QSKIP("the damage is done to the file and its pages");
    QFETCH(QString, damage);
    QFETCH(QString, problem);

    TestDatabase database;
    database.insert(QStringLiteral("EMPLOYEE"), {QStringLiteral("E1"), QStringLiteral("王小明"), {}, {}, {}, {}, {}, {}, {}, {}, {}, {}, {},
                                                 Document::embedded(QStringLiteral("a.txt"), "text").toStored()});
    database.insertNumbered(QStringLiteral("CF"), QStringLiteral("C"), 2000);
    if (damage == QLatin1String("linked")) {
        QTemporaryDir gone;
        QFile file(gone.filePath(QStringLiteral("manual.txt")));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.close();
        database.execute(QStringLiteral("UPDATE EMPLOYEE SET picture = X'%1'")
                             .arg(QString::fromLatin1(Document::linked(file.fileName()).toStored().toByteArray().toHex())));
    } else if (!damage.isEmpty() && damage != QLatin1String("pages")) {
        for (const QString &statement : damage.split(QStringLiteral("; ")))
            database.execute(statement);
    }
    database.execute(QStringLiteral("PRAGMA wal_checkpoint(TRUNCATE)"));
    if (damage == QLatin1String("pages")) {
        QFile file(database.file());
        QVERIFY(file.open(QIODevice::ReadWrite));
        QVERIFY(file.size() > 16 * 4096);
        file.seek(file.size() / 2);
        file.write(QByteArray(3 * 4096, '\x5A'));
    }

    const ToolRun run = runTool({QStringLiteral("--database"), database.file(), QStringLiteral("check")});
    QCOMPARE(run.exitCode, damage.isEmpty() ? 0 : 1);
    QCOMPARE(run.out.isEmpty(), damage.isEmpty());
    QVERIFY2(run.out.contains(problem), qPrintable(run.out));
}

void AdminToolTest::ledgerHasALineForALending()
{
    TestDatabase database;
    database.insert(QStringLiteral("MSF"), {QStringLiteral("A01"), QStringLiteral("螺絲"), {}, 20});
    database.insert(QStringLiteral("MSF"), {QStringLiteral("B02"), QStringLiteral("墊片"), {}, 7});
    QVERIFY(executeStockUpdate(StockMovement::Lending, 15, QStringLiteral("A01"), QStringLiteral("20")).ok());
    QVERIFY(executeStockUpdate(StockMovement::Returning, 18, QStringLiteral("A01"), QStringLiteral("15")).ok());
    QVERIFY(executeStockUpdate(StockMovement::Returning, 7, QStringLiteral("B02"), QStringLiteral("7")).ok());
    database.execute(QStringLiteral("UPDATE MSF SET materiel = '長螺絲' WHERE materielno = 'A01'"));

    const ToolRun run = runTool(databaseOption(database) + QStringList{QStringLiteral("ledger"), QStringLiteral("--csv")});
    QVERIFY2(run.exitCode == 0, qPrintable(run.messages()));
    const QVector<QStringList> lines = readCsv(run.out);
    QCOMPARE(lines.size(), 3);
    QCOMPARE(lines.at(1).mid(1), (QStringList{QStringLiteral("A01"), QStringLiteral("15"), QStringLiteral("18")}));
    QCOMPARE(lines.at(2).mid(1), (QStringList{QStringLiteral("A01"), QStringLiteral("20"), QStringLiteral("15")}));
    QVERIFY(QDateTime::fromString(lines.at(1).at(0), QStringLiteral("yyyy-MM-dd HH:mm:ss.zzz")).isValid());

    const ToolRun other = runTool(databaseOption(database) + QStringList{QStringLiteral("ledger"), QStringLiteral("B02")});
    QCOMPARE(other.exitCode, 0);
    QCOMPARE(other.out.count(QLatin1Char('\n')), 1);
}

void AdminToolTest::ledgerEnabledOnAnExistingDatabase()
{
    TestDatabase database;
    database.execute(QStringLiteral("DROP TABLE STOCKLEDGER"));
    database.insert(QStringLiteral("MSF"), {QStringLiteral("A01"), QStringLiteral("螺絲"), {}, 20});
    const QStringList ledger = databaseOption(database) + QStringList{QStringLiteral("ledger")};
    const ToolRun before = runTool(ledger);
    QCOMPARE(before.exitCode, 1);
    QCOMPARE(before.messages(), QStringLiteral("這個資料庫還沒有啟用庫存異動記錄,請先執行 vemo-admin ledger --enable。"));

    QCOMPARE(runTool(ledger + QStringList{QStringLiteral("--enable")}).exitCode, 0);
    QCOMPARE(database.value(QStringLiteral("SELECT inventory FROM MSF")).toInt(), 20);
    QVERIFY(executeStockUpdate(StockMovement::Lending, 12, QStringLiteral("A01"), QStringLiteral("20")).ok());
    QCOMPARE(runTool(ledger + QStringList{QStringLiteral("--enable")}).exitCode, 0);
    QCOMPARE(database.rows(QStringLiteral("SELECT materielno, oldinventory, newinventory FROM STOCKLEDGER")),
             (QVector<QVariantList>{{QStringLiteral("A01"), 20, 12}}));
}

void AdminToolTest::commandLineFaults_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QString>("message");

    QTest::newRow("no such command") << QStringList{"restor"} << 2 << "vemo-admin:沒有「restor」這個指令。可用的指令請看 vemo-admin --help。";
    QTest::newRow("unknown option before the command") << QStringList{"-x"} << 2
                                                       << "vemo-admin:不認得選項「-x」。可用的選項請看 vemo-admin --help。";
    QTest::newRow("export of no table") << QStringList{"export", "ORDERS"} << 2 << "vemo-admin export:沒有資料表「ORDERS」。";
    QTest::newRow("contracts without days") << QStringList{"report", "contracts"} << 2 << "vemo-admin report:";
    QTest::newRow("unknown option") << QStringList{"check", "--fast"} << 2 << "vemo-admin check:未知選項「fast」。";
    QTest::newRow("import of a missing file") << QStringList{"import", "/nonexistent/old.mdb"} << 1
                                              << "無法讀取 Jet 資料庫 /nonexistent/old.mdb:檔案不存在或不是 Jet (Access) 資料庫。";
    QTest::newRow("copy to nowhere") << QStringList{"copy"} << 2 << "vemo-admin copy:要指定 --to 或 --from 其中一個。";
    QTest::newRow("copy both ways") << QStringList{"copy", "--to", "postgresql://h/a", "--from", "postgresql://h/b"} << 2
                                    << "vemo-admin copy:要指定 --to 或 --from 其中一個。";
    QTest::newRow("copy to an address with a password")
        << QStringList{"copy", "--to", "postgresql://office:secret@h/vemo"} << 1
        << "複製失敗,目標資料庫沒有寫入任何資料:無法開啟目標資料庫 postgresql://…:資料庫伺服器位址不可包含密碼";
    QTest::newRow("unknown code page") << QStringList{"import", "--code-page", "KLINGON", "old.mdb"} << 1 << "不認得的字碼頁 KLINGON。";
}

void AdminToolTest::commandLineFaults()
{
    QFETCH(QStringList, arguments);
    QFETCH(int, exitCode);
    QFETCH(QString, message);

    TestDatabase database;
    const ToolRun run = runTool(databaseOption(database) + arguments);
    QCOMPARE(run.exitCode, exitCode);
    QVERIFY2(run.messages().startsWith(message), qPrintable(run.messages()));
    QVERIFY(run.out.isEmpty());
}

QTEST_MAIN(AdminToolTest)
#include "tst_admin_tool.moc"
