#include "data/connection/databaselocation.h"
#include "data/engine.h"
#include "data/connection/engineconnection.h"
#include "data/enginetext.h"
#include "data/records/recordsource.h"
#include "data/schema.h"
#include "data/tables/history.h"
#include "data/tables/stockledger.h"
#include "support/testdatabase.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSqlError>
#include <QSqlQuery>
#include <QTest>

#include <algorithm>
#include <memory>

#define VERIFY_OK(call)                                                                                      \
    do {                                                                                                     \
        const Result result_ = (call);                                                                       \
        QVERIFY2(result_.ok(), qPrintable(result_.message()));                                              \
    } while (false)

class SchemaTest : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void firstOpenCreatesExactlyTheElevenTables();
    void tableHasItsColumnsInOrder_data();
    void tableHasItsColumnsInOrder();
    void textColumnsCompareWithoutCase_data();
    void textColumnsCompareWithoutCase();
    void numberColumnsTakeOnlyWholeNumbers_data();
    void numberColumnsTakeOnlyWholeNumbers();
    void documentColumnsHoldBytes_data();
    void documentColumnsHoldBytes();
    void fileThatIsNoDatabaseFailsWithTheEngineText_data();
    void fileThatIsNoDatabaseFailsWithTheEngineText();
    void missingFileFailsWhenNotToBeCreated();
    void engineTextTellsWhatHappenedFirst_data();
    void engineTextTellsWhatHappenedFirst();
    void readingLeavesAFileMarkedReadOnlyAsItIs_data();
    void readingLeavesAFileMarkedReadOnlyAsItIs();
    void fileWithoutTheTablesGetsTheSchema_data();
    void fileWithoutTheTablesGetsTheSchema();
    void fileWithSomeTablesGetsOnlyTheMissingOnes();
    void screenOnAFileWithoutTablesSaysSo();
    void existingFileGetsTheMissingIndexesOnOpen();
    void connectionString_data();
    void connectionString();
    void systemPathMapsIntoTheVemoFolder_data();
    void systemPathMapsIntoTheVemoFolder();
    void recordSourceOnMissingTableNamesIt_data();
    void recordSourceOnMissingTableNamesIt();

private:
    /// Points VEMO_HOME at a folder that does not exist yet; the test database
    /// puts the old value back when it goes.
    QString useFreshHome();

    std::unique_ptr<TestDatabase> m_database;
};

namespace {

struct TableColumns
{
    const char *table;
    QStringList columns;
    QStringList numbers;
    QStringList documents;
};

const QVector<TableColumns> &expectedTables()
{
    static const QVector<TableColumns> tables = {
        {"CF",
         {"customerno", "companyname", "industryno", "address", "city", "users", "telphoneno", "faxno", "emails"},
         {},
         {}},
        {"CC", {"contractno", "contractname", "startdate", "enddate", "context"}, {}, {"context"}},
        {"CSF",
         {"serviceno", "customerno", "users", "userphone", "empno", "industryno", "materielno", "startdate",
          "finishdate", "description", "process", "solution", "close"},
         {},
         {"process"}},
        {"MTR",
         {"maintainno", "contractno", "industryno", "users", "empno", "site", "process", "startdate", "finishdate",
          "equipment"},
         {},
         {"equipment"}},
        {"TP", {"techno", "customerno", "industryno", "description", "solution"}, {}, {"solution"}},
        {"MSF",
         {"materielno", "materiel", "location", "inventory", "safestock", "price", "retire", "supplierno"},
         {"inventory"},
         {}},
        {"MBBR",
         {"mbrrno", "empno", "materielno", "customerno", "users", "borrowqty", "returnqty", "borrowdate",
          "returndate"},
         {"borrowqty", "returnqty"},
         {}},
        {"EMPLOYEE",
         {"empno", "empname", "socialid", "birthday", "title", "department", "email", "callpager", "address",
          "phoneno", "postingdate", "emergencyphone", "emergencyperson", "picture"},
         {},
         {"picture"}},
        {"SCHEDULE", {"empno", "year", "mouthday", "schedule"}, {}, {"schedule"}},
        {"SUPPLIER",
         {"supplierno", "supplier", "contactman", "address", "phoneno", "faxno", "payment", "email"},
         {},
         {}},
        {"INDUSTRY", {"industryno", "industryname"}, {}, {}},
    };
    return tables;
}

const char *const kConnectionString =
    R"(Provider=Microsoft.Jet.OLEDB.3.51;Persist Security Info=False;Data Source=C:\vemo\vemo.mdb)";

QStringList storedTables(QSqlDatabase database)
{
    QSqlQuery query(database);
    query.exec(QStringLiteral("SELECT name FROM sqlite_master WHERE type = 'table' ORDER BY name"));
    QStringList names;
    while (query.next())
        names << query.value(0).toString();
    return names;
}

QStringList sortedExpectedTables()
{
    QStringList names;
    for (const TableColumns &table : expectedTables())
        names << QString::fromLatin1(table.table);
    // A new database gets the stock ledger, the history and the engine's own tables beside the eleven.
    names << kStockLedgerTable << kHistoryTable << kHistoryValueTable << sqliteEngine().ownTables();
    names.sort();
    return names;
}

} // namespace

void SchemaTest::init()
{
    m_database = std::make_unique<TestDatabase>();
}

void SchemaTest::cleanup()
{
    m_database.reset();
}

QString SchemaTest::useFreshHome()
{
    const QString home = m_database->folder() + QStringLiteral("/fresh");
    qputenv("VEMO_HOME", home.toUtf8());
    return home;
}

void SchemaTest::firstOpenCreatesExactlyTheElevenTables()
{
    const QString home = useFreshHome();
    EngineConnection connection;
    VERIFY_OK(connection.open(kDatabasePath, EngineConnection::Missing::Create));
    QVERIFY(QFileInfo::exists(home + QStringLiteral("/vemo.sqlite")));
    QCOMPARE(storedTables(connection.database()), sortedExpectedTables());

    QSqlQuery journal(connection.database());
    QVERIFY(journal.exec(QStringLiteral("PRAGMA journal_mode")) && journal.next());
    QCOMPARE(journal.value(0).toString(), QStringLiteral("wal"));
}

void SchemaTest::existingFileGetsTheMissingIndexesOnOpen()
{
    QStringList expected;
    for (const TableDefinition &table : schemaTables()) {
        for (const ColumnDefinition &column : table.columns) {
            if (column.indexed)
                expected << sqliteEngine().indexName(table, column);
        }
    }
    QVERIFY(!expected.isEmpty());
    m_database->insert(QStringLiteral("CF"), {"C1", "Acme"});
    for (const QString &index : std::as_const(expected))
        m_database->execute(QStringLiteral("DROP INDEX ") + sqliteEngine().quotedName(index));

    EngineConnection connection;
    VERIFY_OK(connection.open(kDatabasePath, EngineConnection::Missing::Create));
    QSqlDatabase database = connection.database();
    QStringList stored;
    VERIFY_OK(sqliteEngine().storedIndexes(database, stored));
    for (const QString &index : std::as_const(expected))
        QVERIFY2(stored.contains(index), qPrintable(index));
    QCOMPARE(m_database->value(QStringLiteral("SELECT count(*) FROM CF")).toInt(), 1);
}

void SchemaTest::tableHasItsColumnsInOrder_data()
{
    QTest::addColumn<QString>("table");
    QTest::addColumn<QStringList>("columns");
    for (const TableColumns &table : expectedTables())
        QTest::newRow(table.table) << QString::fromLatin1(table.table) << table.columns;
}

void SchemaTest::tableHasItsColumnsInOrder()
{
    QFETCH(QString, table);
    QFETCH(QStringList, columns);
    const QVector<QVariantList> info = m_database->rows(QStringLiteral("PRAGMA table_info(\"%1\")").arg(table));
    QStringList stored;
    for (const QVariantList &column : info)
        stored << column.at(1).toString();
    QCOMPARE(stored, columns);
}

void SchemaTest::textColumnsCompareWithoutCase_data()
{
    QTest::addColumn<QString>("table");
    QTest::addColumn<QString>("column");
    for (const TableColumns &table : expectedTables()) {
        for (const QString &column : table.columns) {
            if (table.numbers.contains(column) || table.documents.contains(column))
                continue;
            QTest::addRow("%s.%s", table.table, qPrintable(column)) << QString::fromLatin1(table.table) << column;
        }
    }
}

void SchemaTest::textColumnsCompareWithoutCase()
{
    QFETCH(QString, table);
    QFETCH(QString, column);
    m_database->execute(QStringLiteral("INSERT INTO \"%1\" (\"%2\") VALUES ('MiXed Case')").arg(table, column));
    const QString count = QStringLiteral("SELECT count(*) FROM \"%1\" WHERE \"%2\" = '%3'").arg(table, column);
    QCOMPARE(m_database->value(count.arg(QStringLiteral("mixed CASE"))).toInt(), 1);
    QCOMPARE(m_database->value(count.arg(QStringLiteral("mixed case "))).toInt(), 0);
}

void SchemaTest::numberColumnsTakeOnlyWholeNumbers_data()
{
    QTest::addColumn<QString>("table");
    QTest::addColumn<QString>("column");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<bool>("accepted");
    QTest::addColumn<QVariant>("stored");

    const QVector<QPair<const char *, const char *>> columns = {
        {"MSF", "inventory"}, {"MBBR", "borrowqty"}, {"MBBR", "returnqty"}};
    for (const auto &[table, column] : columns) {
        const auto row = [&](const char *name, const char *typed, bool accepted, const QVariant &stored) {
            QTest::addRow("%s %s", column, name)
                << QString::fromLatin1(table) << QString::fromLatin1(column) << QString::fromUtf8(typed) << accepted
                << stored;
        };
        row("letters", "abc", false, QVariant());
        row("fraction", "3.5", false, QVariant());
        row("empty text", "", false, QVariant());
        row("whole", "12", true, QVariant(12));
        row("negative", "-32768", true, QVariant(-32768));
        row("zero", "0", true, QVariant(0));
    }
}

void SchemaTest::numberColumnsTakeOnlyWholeNumbers()
{
    QFETCH(QString, table);
    QFETCH(QString, column);
    QFETCH(QString, typed);
    QFETCH(bool, accepted);
    QFETCH(QVariant, stored);

    EngineConnection connection;
    VERIFY_OK(connection.open(kDatabasePath));
    QSqlQuery insert(connection.database());
    QVERIFY(insert.prepare(QStringLiteral("INSERT INTO \"%1\" (\"%2\") VALUES (?)").arg(table, column)));
    insert.addBindValue(typed);
    QCOMPARE(insert.exec(), accepted);
    if (!accepted) {
        QVERIFY2(engineText(insert.lastError()).contains(QStringLiteral("CHECK constraint failed")),
                 qPrintable(engineText(insert.lastError())));
        QCOMPARE(m_database->value(QStringLiteral("SELECT count(*) FROM \"%1\"").arg(table)).toInt(), 0);
        return;
    }
    const QVector<QVariantList> rows =
        m_database->rows(QStringLiteral("SELECT \"%2\", typeof(\"%2\") FROM \"%1\"").arg(table, column));
    QCOMPARE(rows.size(), 1);
    QCOMPARE(rows.at(0).at(0).toLongLong(), stored.toLongLong());
    QCOMPARE(rows.at(0).at(1).toString(), QStringLiteral("integer"));
}

void SchemaTest::documentColumnsHoldBytes_data()
{
    QTest::addColumn<QString>("table");
    QTest::addColumn<QString>("column");
    for (const TableColumns &table : expectedTables()) {
        for (const QString &column : table.documents)
            QTest::addRow("%s.%s", table.table, qPrintable(column)) << QString::fromLatin1(table.table) << column;
    }
}

void SchemaTest::documentColumnsHoldBytes()
{
    QFETCH(QString, table);
    QFETCH(QString, column);
    const QVector<QVariantList> info = m_database->rows(QStringLiteral("PRAGMA table_info(\"%1\")").arg(table));
    const auto declared = std::find_if(info.begin(), info.end(), [&](const QVariantList &c) { return c.at(1) == column; });
    QVERIFY(declared != info.end());
    QCOMPARE(declared->at(2).toString(), QStringLiteral("BLOB"));

    const QByteArray document("\xD0\xCF\x11\xE0\x00\x01\xFF" "document", 15);
    EngineConnection connection;
    VERIFY_OK(connection.open(kDatabasePath));
    QSqlQuery insert(connection.database());
    QVERIFY(insert.prepare(QStringLiteral("INSERT INTO \"%1\" (\"%2\") VALUES (?)").arg(table, column)));
    insert.addBindValue(document);
    QVERIFY(insert.exec());
    const QVector<QVariantList> rows =
        m_database->rows(QStringLiteral("SELECT \"%2\", typeof(\"%2\") FROM \"%1\"").arg(table, column));
    QCOMPARE(rows.at(0).at(0).toByteArray(), document);
    QCOMPARE(rows.at(0).at(1).toString(), QStringLiteral("blob"));
}

void SchemaTest::fileThatIsNoDatabaseFailsWithTheEngineText_data()
{
    QTest::addColumn<bool>("create");
    QTest::newRow("must exist") << false;
    QTest::newRow("create when missing") << true;
}

void SchemaTest::fileThatIsNoDatabaseFailsWithTheEngineText()
{
    QFETCH(bool, create);
    const QString home = useFreshHome();
    QVERIFY(QDir().mkpath(home));
    const QString file = home + QStringLiteral("/vemo.sqlite");
    const QByteArray garbage(4096, 'x');
    {
        QFile out(file);
        QVERIFY(out.open(QIODevice::WriteOnly));
        out.write(garbage);
    }

    EngineConnection connection;
    const Result opened =
        connection.open(kDatabasePath, create ? EngineConnection::Missing::Create : EngineConnection::Missing::Fail);
    QVERIFY(!opened.ok());
    QCOMPARE(opened.message(),
             kCannotOpen + QStringLiteral("資料庫檔案 '%1' 讀不出來(file is not a database)").arg(QDir::toNativeSeparators(file)));
    QVERIFY(!connection.isOpen());
    QFile in(file);
    QVERIFY(in.open(QIODevice::ReadOnly));
    QCOMPARE(in.readAll(), garbage);
}

void SchemaTest::missingFileFailsWhenNotToBeCreated()
{
    const QString home = useFreshHome();
    const QString file = home + QStringLiteral("/vemo.sqlite");
    EngineConnection connection;
    const Result opened = connection.open(kDatabasePath, EngineConnection::Missing::Fail);
    QVERIFY(!opened.ok());
    QVERIFY2(opened.message().contains(QDir::toNativeSeparators(file)), qPrintable(opened.message()));
    QVERIFY(!connection.isOpen());
    QVERIFY(!QFileInfo::exists(file));
}

void SchemaTest::engineTextTellsWhatHappenedFirst_data()
{
    QTest::addColumn<QString>("code");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("told");

    const QString full = QStringLiteral("磁碟已滿,這次的寫入沒有完成;請騰出磁碟空間後再試一次。");
    const QString lost = QStringLiteral("與資料庫伺服器的連線中斷了(伺服器可能重新啟動了),下一個動作會重新連線。");
    QTest::newRow("file's disk full") << "13" << "database or disk is full" << full + "(database or disk is full)";
    QTest::newRow("server's disk full") << "53100" << "ERROR:  could not extend file" << full + "(could not extend file)";
    QTest::newRow("server restarted") << "57P01" << "FATAL:  terminating connection due to administrator command"
                                      << lost + "(terminating connection due to administrator command)";
    QTest::newRow("connection gone under a statement")
        << "" << "server closed the connection unexpectedly\n\tThis probably means the server terminated abnormally\n"
        << lost + "(server closed the connection unexpectedly This probably means the server terminated abnormally)";
    QTest::newRow("server's permission denied") << "42501" << "ERROR:  permission denied for table cf"
                                                << "資料庫伺服器不允許這個使用者這樣做,動作沒有完成;請資料庫管理員給予需要的權限。"
                                                   "(permission denied for table cf)";
    QTest::newRow("file gone read-only") << "8" << "attempt to write a readonly database"
                                         << "資料庫檔案現在是唯讀的(磁碟或資料夾可能變成唯讀了),修改沒有寫入。"
                                            "(attempt to write a readonly database)";
    QTest::newRow("damaged file") << "11" << "database disk image is malformed"
                                  << "資料庫檔案已損壞;請用 vemo-admin check 檢查,必要時從備份還原。"
                                     "(database disk image is malformed)";
    QTest::newRow("anything else") << "23514" << "ERROR:  new row violates check constraint" << "new row violates check constraint";
}

void SchemaTest::engineTextTellsWhatHappenedFirst()
{
    QFETCH(QString, code);
    QFETCH(QString, text);
    QFETCH(QString, told);
    QCOMPARE(engineText(QSqlError(QString(), text, QSqlError::StatementError, code)), told);
    // As read straight from the server's library by the bulk copy.
    QCOMPARE(engineText(code, text), told);
}

void SchemaTest::readingLeavesAFileMarkedReadOnlyAsItIs_data()
{
    QTest::addColumn<bool>("folderMarked");
    QTest::newRow("the file marked read-only") << false;
    QTest::newRow("its folder marked read-only") << true;
}

void SchemaTest::readingLeavesAFileMarkedReadOnlyAsItIs()
{
    QFETCH(bool, folderMarked);
    if (TestDatabase::onServer())
        QSKIP("a server database has no file");
    const QString home = useFreshHome();
    QVERIFY(QDir().mkpath(home));
    const QString file = home + QStringLiteral("/vemo.sqlite");
    {
        EngineConnection made;
        VERIFY_OK(made.open(file, EngineConnection::Missing::Create));
        QVERIFY(QSqlQuery(made.database()).exec(QStringLiteral("PRAGMA journal_mode=WAL")));
    }
    QFile stored(file);
    QVERIFY(stored.open(QIODevice::ReadOnly));
    const QByteArray bytes = stored.readAll();
    stored.close();
    const QString marked = folderMarked ? home : file;
    const QFile::Permissions permissions = QFile::permissions(marked);
    QVERIFY(QFile::setPermissions(marked, QFile::ReadOwner | QFile::ExeOwner | QFile::ReadGroup | QFile::ReadOther));
    const QStringList before = QDir(home).entryList(QDir::Files | QDir::Hidden);
    {
        EngineConnection reading;
        VERIFY_OK(reading.openForReading(kDatabasePath));
        QSqlQuery count(reading.database());
        QVERIFY2(count.exec(QStringLiteral("SELECT count(*) FROM MSF")) && count.next(), qPrintable(count.lastError().text()));
    }
    const QStringList after = QDir(home).entryList(QDir::Files | QDir::Hidden);
    QVERIFY(QFile::setPermissions(marked, permissions));
    QCOMPARE(after, before);
    QVERIFY(stored.open(QIODevice::ReadOnly));
    QCOMPARE(stored.readAll(), bytes);
}

void SchemaTest::fileWithoutTheTablesGetsTheSchema_data()
{
    QTest::addColumn<QStringList>("before");
    QTest::newRow("empty file") << QStringList();
    QTest::newRow("first page only, journal switched") << QStringList{"PRAGMA journal_mode=WAL"};
    QTest::newRow("first page only, rollback journal") << QStringList{"PRAGMA user_version = 7"};
    QTest::newRow("a start stopped before its tables")
        << QStringList{"PRAGMA journal_mode=WAL", "BEGIN", "CREATE TABLE half (x)", "ROLLBACK"};
}

void SchemaTest::fileWithoutTheTablesGetsTheSchema()
{
    QFETCH(QStringList, before);
    const QString home = useFreshHome();
    QVERIFY(QDir().mkpath(home));
    const QString file = home + QStringLiteral("/vemo.sqlite");
    QFile(file).open(QIODevice::WriteOnly);
    {
        QSqlDatabase raw = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("raw"));
        raw.setDatabaseName(file);
        QVERIFY(raw.open());
        QSqlQuery query(raw);
        for (const QString &sql : before)
            QVERIFY2(query.exec(sql), qPrintable(query.lastError().text()));
        raw.close();
    }
    QSqlDatabase::removeDatabase(QStringLiteral("raw"));

    for (int start = 0; start < 2; ++start) {
        EngineConnection connection;
        VERIFY_OK(connection.open(kDatabasePath, EngineConnection::Missing::Create));
        QCOMPARE(storedTables(connection.database()), sortedExpectedTables());
    }
    RecordSource source(QStringLiteral("Data1"));
    VERIFY_OK(source.open(kDatabasePath, QStringLiteral("CF")));
}

void SchemaTest::fileWithSomeTablesGetsOnlyTheMissingOnes()
{
    const QString home = useFreshHome();
    QVERIFY(QDir().mkpath(home));
    {
        QSqlDatabase raw = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("raw"));
        raw.setDatabaseName(home + QStringLiteral("/vemo.sqlite"));
        QVERIFY(raw.open());
        QSqlQuery query(raw);
        QVERIFY(query.exec(QStringLiteral("CREATE TABLE cf (customerno, remark)")));
        QVERIFY(query.exec(QStringLiteral("INSERT INTO cf VALUES ('C1', 'kept')")));
        raw.close();
    }
    QSqlDatabase::removeDatabase(QStringLiteral("raw"));

    EngineConnection connection;
    VERIFY_OK(connection.open(kDatabasePath, EngineConnection::Missing::Create));
    QStringList expected = sortedExpectedTables();
    expected.replace(expected.indexOf(QStringLiteral("CF")), QStringLiteral("cf"));
    // A file that held tables already is no new database: the ledger waits until asked for.
    expected.removeOne(kStockLedgerTable);
    std::sort(expected.begin(), expected.end());
    QCOMPARE(storedTables(connection.database()), expected);
    QSqlQuery query(connection.database());
    QVERIFY(query.exec(QStringLiteral("SELECT sql FROM sqlite_master WHERE name = 'cf'")) && query.next());
    QCOMPARE(query.value(0).toString(), QStringLiteral("CREATE TABLE cf (customerno, remark)"));
    QVERIFY(query.exec(QStringLiteral("SELECT customerno, remark FROM cf")) && query.next());
    QCOMPARE(query.value(1).toString(), QStringLiteral("kept"));
}

void SchemaTest::screenOnAFileWithoutTablesSaysSo()
{
    const QString home = useFreshHome();
    QVERIFY(QDir().mkpath(home));
    const QString file = home + QStringLiteral("/vemo.sqlite");
    QVERIFY(QFile(file).open(QIODevice::WriteOnly));

    RecordSource source(QStringLiteral("Data1"));
    const Result opened = source.open(kDatabasePath, QStringLiteral("CF"));
    QCOMPARE(opened.message(),
             kCannotOpen
                 + QStringLiteral("資料庫檔案 '%1' 是空的,還沒有任何資料表;請重新啟動程式,由主畫面建立資料表。")
                       .arg(QDir::toNativeSeparators(file)));
    QCOMPARE(QFileInfo(file).size(), 0);
}

void SchemaTest::connectionString_data()
{
    QTest::addColumn<QString>("connectionString");
    QTest::addColumn<bool>("opens");
    QTest::newRow("shared connection") << QString::fromLatin1(kConnectionString) << true;
    QTest::newRow("other provider")
        << QStringLiteral(R"(Provider=SQLOLEDB;Persist Security Info=False;Data Source=C:\vemo\vemo.mdb)") << false;
    QTest::newRow("no provider") << QStringLiteral(R"(Persist Security Info=False;Data Source=C:\vemo\vemo.mdb)")
                                 << false;
    QTest::newRow("no data source") << QStringLiteral("Provider=Microsoft.Jet.OLEDB.3.51;Persist Security Info=False")
                                    << false;
}

void SchemaTest::connectionString()
{
    QFETCH(QString, connectionString);
    QFETCH(bool, opens);
    const QString file = useFreshHome() + QStringLiteral("/vemo.sqlite");
    EngineConnection connection;
    const Result opened = connection.openConnectionString(connectionString, QString(), QString());
    QVERIFY2(opened.ok() == opens, qPrintable(opened.message()));
    QCOMPARE(connection.isOpen(), opens);
    QCOMPARE(QFileInfo::exists(file), opens);
    if (opens) {
        QCOMPARE(QFileInfo(connection.database().databaseName()).canonicalFilePath(),
                 QFileInfo(file).canonicalFilePath());
        QCOMPARE(storedTables(connection.database()), sortedExpectedTables());
    } else {
        QVERIFY(!opened.message().isEmpty());
    }
}

void SchemaTest::systemPathMapsIntoTheVemoFolder_data()
{
    QTest::addColumn<QString>("path");
    QTest::newRow("as written") << QStringLiteral(R"(C:\vemo\vemo.mdb)");
    QTest::newRow("mixed case") << QStringLiteral(R"(c:\VEMO\vemo.MDB)");
    QTest::newRow("lower case") << QStringLiteral(R"(c:\vemo\vemo.mdb)");
}

void SchemaTest::systemPathMapsIntoTheVemoFolder()
{
    QFETCH(QString, path);
    QCOMPARE(mappedDatabaseFile(path), m_database->folder() + QStringLiteral("/vemo.sqlite"));
}

void SchemaTest::recordSourceOnMissingTableNamesIt_data()
{
    QTest::addColumn<QString>("table");
    QTest::addColumn<bool>("dropFirst");
    QTest::newRow("never existed") << QStringLiteral("NOSUCH") << false;
    QTest::newRow("dropped from the file") << QStringLiteral("CF") << true;
}

void SchemaTest::recordSourceOnMissingTableNamesIt()
{
    QFETCH(QString, table);
    QFETCH(bool, dropFirst);
    if (dropFirst)
        m_database->execute(QStringLiteral("DROP TABLE \"%1\"").arg(table));
    RecordSource source(QStringLiteral("Data1"));
    const Result opened = source.open(kDatabasePath, table);
    QVERIFY(!opened.ok());
    QVERIFY2(opened.message().contains(table), qPrintable(opened.message()));
    QVERIFY(!source.isOpen());
}

QTEST_GUILESS_MAIN(SchemaTest)
#include "tst_schema.moc"
