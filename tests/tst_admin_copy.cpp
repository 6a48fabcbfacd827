#include "data/connection/engineconnection.h"
#include "data/schema.h"
#include "data/connection/serveraddress.h"
#include "data/tables/history.h"
#include "data/tables/stockledger.h"
#include "support/serverschema.h"
#include "support/testdatabase.h"
#include "support/toolrun.h"

#include <QTemporaryDir>
#include <QTest>

#include <algorithm>

/// vemo-admin copy between the file and a server, and import straight into a server.
class AdminCopyTest : public QObject
{
    Q_OBJECT

private slots:
    void roundTripKeepsEveryRowAndDocument_data();
    void roundTripKeepsEveryRowAndDocument();
    void storedBytesAndLedgerArriveExactly();
    void textTheEnginesCannotHoldStopsTheCopy_data();
    void textTheEnginesCannotHoldStopsTheCopy();
    void targetWithRowsIsRefused_data();
    void targetWithRowsIsRefused();
    void failureMidwayWritesNothing();
    void importGoesStraightToTheServer();
    void importDryRunMakesNothingOnTheServer();
};

namespace {

const QString kJet3 = QStringLiteral(VEMO_LEGACY_SAMPLES "/jet3-sample-with-pictures.mdb");

qint64 rowCount(const QString &database)
{
    return everyRow(database).size();
}

QVariantList rowOf(const TableDefinition &table, int row, int documentBytes)
{
    QVariantList values;
    for (int c = 0; c < table.columns.size(); ++c) {
        switch (table.columns.at(c).type) {
        case ColumnType::WholeNumber:
            values << (row % 3 == 2 ? QVariant() : QVariant(row % 2 ? -32768 + c : 32767 - c));
            break;
        case ColumnType::Document: {
            QByteArray bytes(documentBytes, '\0');
            for (int i = 0; i < bytes.size(); ++i)
                bytes[i] = char((i * 7 + row) % 256);
            values << (documentBytes < 0 ? QVariant(QMetaType(QMetaType::QByteArray)) : QVariant(bytes));
            break;
        }
        case ColumnType::Text:
            values << (row % 3 == 1 ? QVariant() : QVariant(QStringLiteral("%1-%2 「引號」' \"x\"\r\n第二行 Ünïcode 😀").arg(table.name).arg(row)));
            break;
        }
    }
    return values;
}

} // namespace

void AdminCopyTest::roundTripKeepsEveryRowAndDocument_data()
{
    QTest::addColumn<int>("rowsPerTable");
    QTest::addColumn<int>("documentBytes");
    QTest::addColumn<bool>("withGaps");
    QTest::newRow("empty database") << 0 << -1 << false;
    QTest::newRow("rows without documents") << 4 << -1 << false;
    QTest::newRow("empty documents") << 3 << 0 << false;
    QTest::newRow("documents of every byte, rows deleted between") << 7 << 3000 << true;
    QTest::newRow("more rows than a page, a megabyte document") << 1200 << -1 << false;
}

void AdminCopyTest::roundTripKeepsEveryRowAndDocument()
{
    QFETCH(int, rowsPerTable);
    QFETCH(int, documentBytes);
    QFETCH(bool, withGaps);
    TestDatabase file;
    for (const TableDefinition &table : schemaTables()) {
        for (int row = 0; row < rowsPerTable; ++row)
            file.insert(table.name, rowOf(table, row, documentBytes));
        if (withGaps)
            file.execute(QStringLiteral("DELETE FROM %1 WHERE rowid % 3 = 0").arg(table.name));
    }
    if (rowsPerTable > 1000)
        file.execute(QStringLiteral("UPDATE EMPLOYEE SET picture = zeroblob(1048576) WHERE rowid = 1000"));
    const QVector<QVariantList> original = everyRow(file.file());
    ServerSchema server;

    const ToolRun there = runTool({"--database", file.file(), "copy", "--to", server.address()});
    QVERIFY2(there.exitCode == 0, qPrintable(there.messages()));
    QString perTable;
    for (const TableDefinition &table : schemaTables() + QVector<TableDefinition>{stockLedgerTable()})
        perTable += QStringLiteral("%1:%2 筆\n").arg(table.name).arg(std::count_if(
            original.begin(), original.end(), [&](const QVariantList &row) { return row.constFirst() == table.name; }));
    for (const QString &history : {kHistoryTable, kHistoryValueTable})
        perTable += QStringLiteral("%1:%2 筆\n").arg(history, file.value(QStringLiteral("SELECT count(*) FROM ") + history).toString());
    QCOMPARE(there.out, perTable);
    QVERIFY2(there.messages().startsWith(QStringLiteral("複製完成:%1 筆資料從 ").arg(original.size())), qPrintable(there.messages()));
    QCOMPARE(everyRow(server.address()), original);

    QTemporaryDir folder;
    const QString back = folder.filePath(QStringLiteral("back.sqlite"));
    const ToolRun home = runTool({"--database", back, "copy", "--from", server.address()});
    QVERIFY2(home.exitCode == 0, qPrintable(home.messages()));
    QCOMPARE(everyRow(back), original);
}

void AdminCopyTest::storedBytesAndLedgerArriveExactly()
{
    TestDatabase file;
    file.insert(QStringLiteral("MSF"), {QStringLiteral("A01"), QStringLiteral("螺絲\\N\t\\x4142\\"), QVariant(), 5});
    file.execute(QStringLiteral("UPDATE MSF SET inventory = 3"));
    file.execute(QStringLiteral("UPDATE MSF SET inventory = 9"));
    const QByteArray png = QByteArray::fromHex("89504e470d0a1a0a0000000d49484452") + QByteArray("\x00\\\t\n\r", 5);
    const QVariantList documents{QStringLiteral("\\x4142"), QStringLiteral("C:\\101\\102 doc"), png};
    for (int i = 0; i < documents.size(); ++i) {
        QVariantList row = rowOf(*schemaTable(QStringLiteral("EMPLOYEE")), i, -1);
        row.last() = documents.at(i);
        file.insert(QStringLiteral("EMPLOYEE"), row);
    }
    const QVector<QVariantList> original = everyRow(file.file());
    QCOMPARE(original.last().mid(2), (QVariantList{QStringLiteral("A01"), QStringLiteral("3"), QStringLiteral("9")}));
    ServerSchema server;
    QTemporaryDir folder;
    const QString back = folder.filePath(QStringLiteral("back.sqlite"));

    const ToolRun there = runTool({"--database", file.file(), "copy", "--to", server.address()});
    const ToolRun home = runTool({"--database", back, "copy", "--from", server.address()});

    QVERIFY2(there.exitCode == 0 && home.exitCode == 0, qPrintable(there.messages() + home.messages()));
    QCOMPARE(everyRow(server.address()), original);
    QCOMPARE(everyRow(back), original);
}

void AdminCopyTest::textTheEnginesCannotHoldStopsTheCopy_data()
{
    QTest::addColumn<QString>("stored");
    QTest::addColumn<QVariant>("key");
    QTest::addColumn<QString>("problem");
    QTest::newRow("a NUL") << QStringLiteral("'a' || char(0) || 'b'") << QVariant(QStringLiteral("C02"))
                           << QStringLiteral("鍵值「C02」那筆資料的欄位 city 含有 NUL 字元");
    QTest::newRow("invalid UTF-8") << QStringLiteral("CAST(X'41C328' AS TEXT)") << QVariant(QStringLiteral("C02"))
                                   << QStringLiteral("鍵值「C02」那筆資料的欄位 city 不是有效的 UTF-8 文字");
    QTest::newRow("a NUL in a row without a key") << QStringLiteral("char(0)") << QVariant()
                                                  << QStringLiteral("鍵值「(無鍵值,第 2 筆)」那筆資料的欄位 city 含有 NUL 字元");
}

void AdminCopyTest::textTheEnginesCannotHoldStopsTheCopy()
{
    QFETCH(QString, stored);
    QFETCH(QVariant, key);
    QFETCH(QString, problem);
    TestDatabase file;
    for (const TableDefinition &table : schemaTables())
        file.insert(table.name, rowOf(table, 0, 10));
    file.insert(QStringLiteral("CF"), {key, QStringLiteral("公司")});
    file.execute(QStringLiteral("UPDATE CF SET city = %1 WHERE companyname = '公司'").arg(stored));
    ServerSchema server;

    const ToolRun run = runTool({"--database", file.file(), "copy", "--to", server.address()});

    QCOMPARE(run.exitCode, 1);
    QCOMPARE(run.messages(), QStringLiteral("複製失敗,目標資料庫沒有寫入任何資料:資料表 CF %1,"
                                               "無法存入資料庫;沒有複製任何資料。").arg(problem));
    QCOMPARE(rowCount(server.address()), 0);
}

void AdminCopyTest::targetWithRowsIsRefused_data()
{
    QTest::addColumn<bool>("toServer");
    QTest::newRow("a server with a row") << true;
    QTest::newRow("a file with a row") << false;
}

void AdminCopyTest::targetWithRowsIsRefused()
{
    QFETCH(bool, toServer);
    TestDatabase file;
    file.insert(QStringLiteral("CF"), {QStringLiteral("C01"), QStringLiteral("檔案的客戶")});
    ServerSchema server;
    EngineConnection connection;
    QVERIFY(connection.open(server.address(), EngineConnection::Missing::Create).ok());
    QVERIFY(connection.execute(QStringLiteral("INSERT INTO msf (materielno) VALUES ('A01')")).ok());
    const QString target = toServer ? server.address() : file.file();
    const QVector<QVariantList> before = everyRow(target);

    const ToolRun run = runTool({"--database", file.file(), "copy", toServer ? "--to" : "--from", server.address()});

    QCOMPARE(run.exitCode, 1);
    const QString refusal = toServer ? QStringLiteral("目標資料庫 %1 已經有 1 筆資料;只能寫入空的資料庫,資料庫裡的資料不會被取代。")
                                     : QStringLiteral("目標資料庫 %1 已經有 1 筆資料,沒有複製。要以複製的資料取代它,請加上 --replace(原來的檔案會留一份備份)。");
    QCOMPARE(run.messages(), QStringLiteral("複製失敗,目標資料庫沒有寫入任何資料:") + refusal.arg(ServerAddress::shown(target)));
    QVERIFY(run.out.isEmpty());
    QCOMPARE(everyRow(target), before);
}

void AdminCopyTest::failureMidwayWritesNothing()
{
    TestDatabase file;
    for (const TableDefinition &table : schemaTables())
        file.insert(table.name, rowOf(table, 0, 10));
    ServerSchema server;
    EngineConnection connection;
    QVERIFY(connection.open(server.address(), EngineConnection::Missing::Create).ok());
    // The last table refuses its rows: every table before it was written in the same transaction.
    const QString last = schemaTables().constLast().name.toLower();
    QVERIFY(connection.execute(QStringLiteral("CREATE FUNCTION refuse() RETURNS trigger LANGUAGE plpgsql AS "
                                              "$$ BEGIN RAISE EXCEPTION 'disk full'; END $$")).ok());
    QVERIFY(connection.execute(QStringLiteral("CREATE TRIGGER refuse BEFORE INSERT ON %1 FOR EACH ROW EXECUTE FUNCTION refuse()")
                                   .arg(last)).ok());

    const ToolRun run = runTool({"--database", file.file(), "copy", "--to", server.address()});

    QCOMPARE(run.exitCode, 1);
    QVERIFY2(run.messages().startsWith(QStringLiteral("複製失敗,目標資料庫沒有寫入任何資料:disk full")), qPrintable(run.messages()));
    QCOMPARE(rowCount(server.address()), 0);
}

void AdminCopyTest::importGoesStraightToTheServer()
{
    QTemporaryDir folder;
    const QString map = folder.filePath(QStringLiteral("map.json"));
    QFile mapFile(map);
    QVERIFY(mapFile.open(QIODevice::WriteOnly));
    mapFile.write(R"({"tables": {
        "Employees": {"into": "EMPLOYEE", "columns": {"EmployeeID": "empno", "LastName": "empname", "Photo": "picture"}},
        "Products": {"into": "MSF", "columns": {"ProductID": "materielno", "ProductName": "materiel", "UnitsInStock": "inventory"}}
    }})");
    mapFile.close();
    const QStringList import = {"import", "--map", map, "--code-page", "CP1252", kJet3};
    const QString file = folder.filePath(QStringLiteral("vemo.sqlite"));
    QCOMPARE(runTool(QStringList{"--database", file} + import).exitCode, 0);
    ServerSchema server;

    const ToolRun run = runTool(QStringList{"--database", server.address()} + import);

    QVERIFY2(run.exitCode == 0, qPrintable(run.messages()));
    QVERIFY(run.out.contains(QStringLiteral("Employees → EMPLOYEE:讀出 9 筆,寫入 9 筆")));
    QCOMPARE(everyRow(server.address()), everyRow(file));
    const ToolRun again = runTool(QStringList{"--database", server.address()} + import);
    QCOMPARE(again.exitCode, 1);
    QVERIFY2(again.messages().contains(QStringLiteral("已經有 %1 筆資料,沒有匯入。請匯入到空的資料庫。").arg(rowCount(file))),
             qPrintable(again.messages()));
    const ToolRun replacing = runTool(QStringList{"--database", server.address(), "import", "--replace", "--map", map, kJet3});
    QCOMPARE(replacing.exitCode, 1);
    QCOMPARE(replacing.messages(),
             QStringLiteral("匯入到資料庫伺服器時不能用 --replace:伺服器上的資料不會留下備份。請匯入到空的資料庫。"));
    QCOMPARE(everyRow(server.address()), everyRow(file));
}

void AdminCopyTest::importDryRunMakesNothingOnTheServer()
{
    QTemporaryDir folder;
    const QString map = folder.filePath(QStringLiteral("map.json"));
    QFile mapFile(map);
    QVERIFY(mapFile.open(QIODevice::WriteOnly));
    mapFile.write(R"({"tables": {"Suppliers": {"into": "SUPPLIER", "columns": {"SupplierID": "supplierno"}}}})");
    mapFile.close();
    ServerSchema server;
    const ToolRun run = runTool({"--database", server.address(), "import", "--dry-run", "--map", map, kJet3});
    QVERIFY2(run.exitCode == 0, qPrintable(run.messages()));
    EngineConnection connection;
    QVERIFY(connection.open(server.address()).ok());
    QSqlDatabase database = connection.database();
    QStringList stored;
    QVERIFY(storedSchemaTables(database, stored).ok());
    QCOMPARE(stored, QStringList());
}

QTEST_GUILESS_MAIN(AdminCopyTest)
#include "tst_admin_copy.moc"
