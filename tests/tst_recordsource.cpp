#include "data/records/criterion.h"
#include "data/connection/databaselocation.h"
#include "data/engine.h"
#include "data/connection/engineconnection.h"
#include "data/schema.h"
#include "data/records/recordsource.h"
#include "data/connection/serveraddress.h"
#include "support/everyrow.h"
#include "support/serverschema.h"
#include "support/testdatabase.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QSignalSpy>
#include <QTest>

#include <algorithm>
#include <cstdio>
#include <memory>

class RecordSourceTest : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void rightsTheServerRefusesAreToldFirst();
    void tablesTheRoleCannotMakeAreToldWithTheGrant();

    void openStandsOnTheFirstRow_data();
    void openStandsOnTheFirstRow();
    void moves_data();
    void moves();
    void bookmarkMakesTheRowCurrentAgain();
    void unknownBookmarkFailsAndKeepsThePosition_data();
    void unknownBookmarkFailsAndKeepsThePosition();

    void addNewGivesABlankPendingRow();
    void updateInsertsThePendingRow();
    void updateWithNothingToWriteFails_data();
    void updateWithNothingToWriteFails();
    void emptyPendingRowIsDroppedOnMove();
    void pendingRowWithValuesIsWrittenOnMove();

    void deleteLeavesThePlaceWithoutARow();
    void moveFromTheDeletedPlace_data();
    void moveFromTheDeletedPlace();

    void findFirstAndNext_data();
    void findFirstAndNext();
    void doubledQuoteStandsForOneQuote();
    void malformedCriterionIsRejected_data();
    void malformedCriterionIsRejected();
    void unknownColumnIsRejected_data();
    void unknownColumnIsRejected();
    void noMatchKeepsThePosition();
    void findSearchesTheEditsJustTyped();
    void findWithoutMatchDropsAnEmptyNewRow();
    void indexedAndScannedFindsGiveTheSameRows_data();
    void indexedAndScannedFindsGiveTheSameRows();

    void editsAreWrittenOnMove_data();
    void editsAreWrittenOnMove();
    void editsWriteOnlyTheirOwnColumns();
    void refusedWriteKeepsPositionAndTypedValue_data();
    void refusedWriteKeepsPositionAndTypedValue();
    void refusedNewRowStaysPending();
    void quantityTextIsStoredAsNumber_data();
    void quantityTextIsStoredAsNumber();

    void changeElsewhereShowsWhenTheRowIsReadAgain();
    void rowsInsertedElsewhereAreNotInTheKeyset();
    void findPassesManyRowsAddedElsewhereBeforeItsMatch();
    void editOfARowDeletedElsewhereIsNotLost();
    void fileReplacedUnderneathTakesNoWrite_data();
    void fileReplacedUnderneathTakesNoWrite();
    void programEndingOnAReplacedFileLeavesBothFilesWhole();
    void valueAtReadsAnyRow_data();
    void valueAtReadsAnyRow();
    void valueAtFollowsDeletesAndEdits();
    void shownDocumentsComeWhole_data();
    void shownDocumentsComeWhole();
    void keysetWithGapsOpensWhole_data();
    void keysetWithGapsOpensWhole();

private:
    /// CF rows C1..C4 with persons to contact amy, bob, Amy, carl.
    void insertCustomers();
    /// MSF rows M1 (bolt, 10) and M2 (nut, 20).
    void insertMaterials();

    std::unique_ptr<TestDatabase> m_database;
};

namespace {

Result moveBy(RecordSource &source, const QString &how)
{
    if (how == QLatin1String("first"))
        return source.moveFirst();
    if (how == QLatin1String("last"))
        return source.moveLast();
    if (how == QLatin1String("next"))
        return source.moveNext();
    if (how == QLatin1String("previous"))
        return source.movePrevious();
    qFatal("unknown move %s", qPrintable(how));
}

QString text(const RecordSource &source, const char *column)
{
    return source.value(QString::fromLatin1(column)).toString();
}

} // namespace

void RecordSourceTest::init()
{
    m_database = std::make_unique<TestDatabase>();
}

void RecordSourceTest::cleanup()
{
    m_database.reset();
}

void RecordSourceTest::rightsTheServerRefusesAreToldFirst()
{
    if (!TestDatabase::onServer())
        QSKIP("rights to a table are the server's");
    insertMaterials();
    m_database->execute(QStringLiteral("REVOKE DELETE ON MSF FROM CURRENT_USER"));
    RecordSource source(QStringLiteral("Data1"));
    VERIFY_OK(source.open(kDatabasePath, QStringLiteral("MSF")));

    const QString told = source.deleteCurrent().message();

    QVERIFY2(told.contains(QStringLiteral("資料庫伺服器不允許這個使用者這樣做,動作沒有完成;請資料庫管理員給予需要的權限。"
                                          "(permission denied for table msf")),
             qPrintable(told));
    QCOMPARE(m_database->tableRows(QStringLiteral("MSF")).size(), 2);
}

void RecordSourceTest::tablesTheRoleCannotMakeAreToldWithTheGrant()
{
    if (!TestDatabase::onServer())
        QSKIP("rights to make tables are the server's");
    ServerSchema empty;
    ServerAddress address;
    VERIFY_OK(ServerAddress::parse(empty.address(), address));
    {
        EngineConnection owner;
        VERIFY_OK(owner.open(empty.address()));
        VERIFY_OK(owner.execute(QStringLiteral("REVOKE CREATE ON SCHEMA %1 FROM CURRENT_USER").arg(address.user)));
    }

    EngineConnection firstStart;
    const QString made = firstStart.open(empty.address(), EngineConnection::Missing::Create).message();
    RecordSource screen(QStringLiteral("Data1"));
    const QString opened = screen.open(empty.address(), QStringLiteral("CF")).message();

    QCOMPARE(made, QStringLiteral("無法在資料庫伺服器上建立 vemo 的資料表:使用者 %1 沒有在結構描述 %1 建立資料表的權限。"
                                  "請資料庫管理員執行 GRANT CREATE ON SCHEMA %1 TO %1; 或把資料庫的擁有者改為 %1,再重新啟動程式。"
                                  "(permission denied for schema %1 (42501))")
                       .arg(address.user));
    QCOMPARE(opened, QStringLiteral("找不到資料表 'CF'。vemo 的資料表在程式啟動時建立;啟動時沒有建立成功,當時的訊息說明了原因。"));
}

void RecordSourceTest::insertCustomers()
{
    m_database->insert(QStringLiteral("CF"), {"C1", "Acme", "", "", "", "amy"});
    m_database->insert(QStringLiteral("CF"), {"C2", "Bolt", "", "", "", "bob"});
    m_database->insert(QStringLiteral("CF"), {"C3", "Crane", "", "", "", "Amy"});
    m_database->insert(QStringLiteral("CF"), {"C4", "Delta", "", "", "", "carl"});
}

void RecordSourceTest::insertMaterials()
{
    m_database->insert(QStringLiteral("MSF"), {"M1", "bolt", "A1", 10});
    m_database->insert(QStringLiteral("MSF"), {"M2", "nut", "A2", 20});
}

void RecordSourceTest::openStandsOnTheFirstRow_data()
{
    QTest::addColumn<int>("rows");
    QTest::newRow("empty table") << 0;
    QTest::newRow("one row") << 1;
    QTest::newRow("three rows") << 3;
}

void RecordSourceTest::openStandsOnTheFirstRow()
{
    QFETCH(int, rows);
    m_database->insertNumbered(QStringLiteral("CF"), QStringLiteral("C"), rows);
    RecordSource source(QStringLiteral("Data1"));
    VERIFY_OK(source.open(kDatabasePath, QStringLiteral("CF")));
    QCOMPARE(source.rowCount(), rows);
    QCOMPARE(source.isBeforeFirst(), rows == 0);
    QCOMPARE(source.isAfterLast(), rows == 0);
    QCOMPARE(source.hasCurrentRow(), rows > 0);
    QCOMPARE(source.currentIndex(), rows > 0 ? 0 : -1);
    QCOMPARE(text(source, "customerno"), rows > 0 ? QStringLiteral("C1") : QString());
}

void RecordSourceTest::moves_data()
{
    QTest::addColumn<QStringList>("before");
    QTest::addColumn<QString>("move");
    QTest::addColumn<int>("index"); // -1 before first, 3 after last
    QTest::newRow("previous from first") << QStringList() << "previous" << -1;
    QTest::newRow("next from last") << QStringList{"last"} << "next" << 3;
    QTest::newRow("next from before-first") << QStringList{"previous"} << "next" << 0;
    QTest::newRow("previous from after-last") << QStringList{"last", "next"} << "previous" << 2;
    QTest::newRow("next in the middle") << QStringList{"next"} << "next" << 2;
    QTest::newRow("previous in the middle") << QStringList{"last"} << "previous" << 1;
    QTest::newRow("first from after-last") << QStringList{"last", "next"} << "first" << 0;
    QTest::newRow("last from before-first") << QStringList{"previous"} << "last" << 2;
    QTest::newRow("last from the middle") << QStringList{"next"} << "last" << 2;
}

void RecordSourceTest::moves()
{
    QFETCH(QStringList, before);
    QFETCH(QString, move);
    QFETCH(int, index);
    m_database->insertNumbered(QStringLiteral("CF"), QStringLiteral("C"), 3);
    RecordSource source(QStringLiteral("Data1"));
    VERIFY_OK(source.open(kDatabasePath, QStringLiteral("CF")));
    for (const QString &step : before)
        VERIFY_OK(moveBy(source, step));

    QSignalSpy repositioned(&source, &RecordSource::repositioned);
    VERIFY_OK(moveBy(source, move));
    QCOMPARE(repositioned.count(), 1);
    QCOMPARE(source.isBeforeFirst(), index < 0);
    QCOMPARE(source.isAfterLast(), index >= 3);
    const bool onRow = index >= 0 && index < 3;
    QCOMPARE(source.currentIndex(), onRow ? index : -1);
    QCOMPARE(text(source, "customerno"), onRow ? QStringLiteral("C%1").arg(index + 1) : QString());
}

void RecordSourceTest::bookmarkMakesTheRowCurrentAgain()
{
    insertCustomers();
    RecordSource source(QStringLiteral("Data1"));
    VERIFY_OK(source.open(kDatabasePath, QStringLiteral("CF")));
    VERIFY_OK(source.moveNext());
    VERIFY_OK(source.moveNext());
    const QVariant mark = source.bookmark();
    QVERIFY(mark.isValid());
    VERIFY_OK(source.moveLast());
    VERIFY_OK(source.moveNext());

    QSignalSpy repositioned(&source, &RecordSource::repositioned);
    VERIFY_OK(source.setBookmark(mark));
    QCOMPARE(repositioned.count(), 1);
    QCOMPARE(source.currentIndex(), 2);
    QCOMPARE(text(source, "customerno"), QStringLiteral("C3"));
    QCOMPARE(source.bookmark(), mark);
}

void RecordSourceTest::unknownBookmarkFailsAndKeepsThePosition_data()
{
    QTest::addColumn<bool>("ofDeletedRow");
    QTest::newRow("no mark") << false;
    QTest::newRow("mark of a deleted row") << true;
}

void RecordSourceTest::unknownBookmarkFailsAndKeepsThePosition()
{
    QFETCH(bool, ofDeletedRow);
    insertCustomers();
    RecordSource source(QStringLiteral("Data1"));
    VERIFY_OK(source.open(kDatabasePath, QStringLiteral("CF")));
    QVariant mark;
    if (ofDeletedRow) {
        VERIFY_OK(source.moveLast());
        mark = source.bookmark();
        VERIFY_OK(source.deleteCurrent());
    }
    VERIFY_OK(source.moveFirst());
    VERIFY_OK(source.moveNext());

    QSignalSpy repositioned(&source, &RecordSource::repositioned);
    const Result set = source.setBookmark(mark);
    QVERIFY(!set.ok());
    QVERIFY(!set.message().isEmpty());
    QCOMPARE(repositioned.count(), 0);
    QCOMPARE(text(source, "customerno"), QStringLiteral("C2"));
}

void RecordSourceTest::addNewGivesABlankPendingRow()
{
    insertCustomers();
    RecordSource source(QStringLiteral("Data1"));
    VERIFY_OK(source.open(kDatabasePath, QStringLiteral("CF")));
    VERIFY_OK(source.moveNext());
    VERIFY_OK(source.addNew());
    QVERIFY(source.isAddingNew());
    QVERIFY(source.isEditable());
    QVERIFY(!source.isBeforeFirst());
    QVERIFY(!source.isAfterLast());
    for (int column = 0; column < source.columnNames().size(); ++column)
        QVERIFY2(source.value(column).isNull(), qPrintable(source.columnNames().at(column)));
    QCOMPARE(source.rowCount(), 4);
    QCOMPARE(m_database->value(QStringLiteral("SELECT count(*) FROM CF")).toInt(), 4);
}

void RecordSourceTest::updateInsertsThePendingRow()
{
    insertCustomers();
    RecordSource source(QStringLiteral("Data1"));
    VERIFY_OK(source.open(kDatabasePath, QStringLiteral("CF")));
    VERIFY_OK(source.addNew());
    QVERIFY(source.setValue(QStringLiteral("customerno"), QStringLiteral("C9")));
    QVERIFY(source.setValue(QStringLiteral("companyname"), QStringLiteral("新公司")));

    QSignalSpy inserted(&source, &RecordSource::rowInserted);
    QSignalSpy repositioned(&source, &RecordSource::repositioned);
    VERIFY_OK(source.update());
    QCOMPARE(m_database->value(QStringLiteral("SELECT companyname FROM CF WHERE customerno = 'C9'")).toString(),
             QStringLiteral("新公司"));
    QCOMPARE(source.rowCount(), 5);
    QCOMPARE(inserted.count(), 1);
    QCOMPARE(inserted.at(0).at(0).toInt(), 4);
    QCOMPARE(repositioned.count(), 1);
    QVERIFY(!source.isAddingNew());
    QVERIFY(!source.hasPendingEdits());
    QCOMPARE(source.currentIndex(), 4);
    QCOMPARE(text(source, "customerno"), QStringLiteral("C9"));
    QVERIFY(source.value(QStringLiteral("city")).isNull());

    VERIFY_OK(source.moveFirst());
    VERIFY_OK(source.moveLast());
    QCOMPARE(text(source, "companyname"), QStringLiteral("新公司"));
}

void RecordSourceTest::updateWithNothingToWriteFails_data()
{
    QTest::addColumn<bool>("adding");
    QTest::newRow("no add, no edit") << false;
}

void RecordSourceTest::updateWithNothingToWriteFails()
{
    QFETCH(bool, adding);
    insertCustomers();
    RecordSource source(QStringLiteral("Data1"));
    VERIFY_OK(source.open(kDatabasePath, QStringLiteral("CF")));
    if (adding)
        VERIFY_OK(source.addNew());
    const Result updated = source.update();
    QVERIFY(!updated.ok());
    QVERIFY(!updated.message().isEmpty());
    QCOMPARE(source.isAddingNew(), adding);
    QCOMPARE(source.rowCount(), 4);
    QCOMPARE(m_database->value(QStringLiteral("SELECT count(*) FROM CF")).toInt(), 4);
}

void RecordSourceTest::emptyPendingRowIsDroppedOnMove()
{
    insertCustomers();
    RecordSource source(QStringLiteral("Data1"));
    VERIFY_OK(source.open(kDatabasePath, QStringLiteral("CF")));
    VERIFY_OK(source.addNew());
    VERIFY_OK(source.moveLast());
    QVERIFY(!source.isAddingNew());
    QCOMPARE(source.rowCount(), 4);
    QCOMPARE(text(source, "customerno"), QStringLiteral("C4"));
    QCOMPARE(m_database->value(QStringLiteral("SELECT count(*) FROM CF")).toInt(), 4);
}

void RecordSourceTest::pendingRowWithValuesIsWrittenOnMove()
{
    insertCustomers();
    RecordSource source(QStringLiteral("Data1"));
    VERIFY_OK(source.open(kDatabasePath, QStringLiteral("CF")));
    VERIFY_OK(source.addNew());
    QVERIFY(source.setValue(QStringLiteral("customerno"), QStringLiteral("C9")));
    VERIFY_OK(source.moveFirst());
    QCOMPARE(text(source, "customerno"), QStringLiteral("C1"));
    QCOMPARE(source.rowCount(), 5);
    QCOMPARE(m_database->value(QStringLiteral("SELECT count(*) FROM CF WHERE customerno = 'C9'")).toInt(), 1);
}

void RecordSourceTest::deleteLeavesThePlaceWithoutARow()
{
    insertCustomers();
    RecordSource source(QStringLiteral("Data1"));
    VERIFY_OK(source.open(kDatabasePath, QStringLiteral("CF")));
    VERIFY_OK(source.moveNext());
    QVERIFY(source.setValue(QStringLiteral("city"), QStringLiteral("台北")));

    QSignalSpy repositioned(&source, &RecordSource::repositioned);
    QSignalSpy removed(&source, &RecordSource::rowRemoved);
    VERIFY_OK(source.deleteCurrent());
    QCOMPARE(repositioned.count(), 0);
    QCOMPARE(removed.count(), 1);
    QCOMPARE(removed.at(0).at(0).toInt(), 1);
    QCOMPARE(m_database->value(QStringLiteral("SELECT count(*) FROM CF WHERE customerno = 'C2'")).toInt(), 0);
    QCOMPARE(m_database->value(QStringLiteral("SELECT count(*) FROM CF")).toInt(), 3);
    QCOMPARE(source.rowCount(), 3);
    QVERIFY(!source.hasCurrentRow());
    QVERIFY(!source.isBeforeFirst());
    QVERIFY(!source.isAfterLast());
    QVERIFY(!source.hasPendingEdits());
    QVERIFY(!source.bookmark().isValid());
    for (int column = 0; column < source.columnNames().size(); ++column)
        QVERIFY(source.value(column).isNull());
    QVERIFY(!source.setValue(QStringLiteral("city"), QStringLiteral("x")));
    QVERIFY(!source.deleteCurrent().ok());
}

void RecordSourceTest::moveFromTheDeletedPlace_data()
{
    QTest::addColumn<int>("deleted");
    QTest::addColumn<QString>("move");
    QTest::addColumn<QString>("expected"); // customer number, or "BOF" / "EOF"
    QTest::newRow("next after a middle row") << 1 << "next" << "C3";
    QTest::newRow("previous after a middle row") << 1 << "previous" << "C1";
    QTest::newRow("next after the last row") << 3 << "next" << "EOF";
    QTest::newRow("previous after the last row") << 3 << "previous" << "C3";
    QTest::newRow("previous after the first row") << 0 << "previous" << "BOF";
    QTest::newRow("next after the first row") << 0 << "next" << "C2";
    QTest::newRow("first") << 0 << "first" << "C2";
    QTest::newRow("last") << 3 << "last" << "C3";
}

void RecordSourceTest::moveFromTheDeletedPlace()
{
    QFETCH(int, deleted);
    QFETCH(QString, move);
    QFETCH(QString, expected);
    insertCustomers();
    RecordSource source(QStringLiteral("Data1"));
    VERIFY_OK(source.open(kDatabasePath, QStringLiteral("CF")));
    VERIFY_OK(source.moveTo(deleted));
    VERIFY_OK(source.deleteCurrent());

    QSignalSpy repositioned(&source, &RecordSource::repositioned);
    VERIFY_OK(moveBy(source, move));
    QCOMPARE(repositioned.count(), 1);
    QCOMPARE(source.isBeforeFirst(), expected == QLatin1String("BOF"));
    QCOMPARE(source.isAfterLast(), expected == QLatin1String("EOF"));
    if (expected.startsWith(QLatin1Char('C')))
        QCOMPARE(text(source, "customerno"), expected);
    else
        QVERIFY(!source.hasCurrentRow());
}

void RecordSourceTest::findFirstAndNext_data()
{
    QTest::addColumn<QString>("criterion");
    QTest::newRow("bracketed, blank after the equals sign") << "[users]= 'amy'";
    QTest::newRow("plain with blanks") << "users = 'amy'";
    QTest::newRow("bracketed, blank before the equals sign") << "[users] ='amy'";
    QTest::newRow("bracketed with blanks") << "[users] = 'amy'";
    QTest::newRow("no blanks") << "users='amy'";
    QTest::newRow("value in other case") << "[users] = 'AMY'";
    QTest::newRow("column in other case") << "[USERS] = 'amy'";
}

void RecordSourceTest::findFirstAndNext()
{
    QFETCH(QString, criterion);
    insertCustomers();
    RecordSource source(QStringLiteral("Data1"));
    VERIFY_OK(source.open(kDatabasePath, QStringLiteral("CF")));
    VERIFY_OK(source.moveLast());

    QSignalSpy repositioned(&source, &RecordSource::repositioned);
    VERIFY_OK(source.findFirst(criterion));
    QVERIFY(!source.noMatch());
    QCOMPARE(text(source, "customerno"), QStringLiteral("C1"));
    VERIFY_OK(source.findNext(criterion));
    QVERIFY(!source.noMatch());
    QCOMPARE(text(source, "customerno"), QStringLiteral("C3"));
    QCOMPARE(repositioned.count(), 2);

    VERIFY_OK(source.findNext(criterion));
    QVERIFY(source.noMatch());
    QCOMPARE(text(source, "customerno"), QStringLiteral("C3"));
    QCOMPARE(repositioned.count(), 2);
}

void RecordSourceTest::indexedAndScannedFindsGiveTheSameRows_data()
{
    QTest::addColumn<QString>("criterion");
    QTest::newRow("many matches") << "[users] = 'amy'";
    QTest::newRow("other case") << "users = 'AMY'";
    QTest::newRow("doubled quote") << "users = 'O''Neil'";
    QTest::newRow("leading blank") << "users = ' amy'";
    QTest::newRow("trailing blank") << "users = 'amy '";
    QTest::newRow("empty value") << "users = ''";
    QTest::newRow("no match") << "users = 'nobody'";
    QTest::newRow("non-ASCII case kept") << "users = 'ÄMY'";
}

/// The customer numbers that a find first and then find next until no match
/// make current, from the last row.
static QStringList foundCustomers(const QString &criterion)
{
    RecordSource source(QStringLiteral("Data1"));
    if (!source.open(kDatabasePath, QStringLiteral("CF")) || !source.moveLast())
        return {QStringLiteral("open failed")};
    QStringList found;
    Result result = source.findFirst(criterion);
    while (result && !source.noMatch() && found.size() < 20) {
        found << source.value(QStringLiteral("customerno")).toString();
        result = source.findNext(criterion);
    }
    if (!result)
        found << result.message();
    return found;
}

void RecordSourceTest::indexedAndScannedFindsGiveTheSameRows()
{
    QFETCH(QString, criterion);
    const QStringList users = {"amy", "bob", "Amy", "O'Neil", " amy", "amy ", "", "AMY", "ämy", "ÄMY", "amy"};
    for (int i = 0; i < users.size(); ++i)
        m_database->insert(QStringLiteral("CF"), {QStringLiteral("C%1").arg(i + 1), "", "", "", "", users.at(i)});
    // Gaps in the identities, as deletes leave them.
    m_database->execute(QStringLiteral("DELETE FROM CF WHERE customerno IN ('C2', 'C8')"));
    const TableDefinition &customers = *std::find_if(schemaTables().begin(), schemaTables().end(),
                                                     [](const TableDefinition &table) { return table.name == "CF"; });
    const ColumnDefinition &usersColumn = customers.columns.at(customers.columnNames().indexOf("users"));
    EngineConnection connection;
    VERIFY_OK(connection.open(kDatabasePath));
    QSqlDatabase database = connection.database();
    const Engine &stored = engine(database);
    const QString index = stored.indexName(customers, usersColumn);
    QStringList indexes;
    VERIFY_OK(stored.storedIndexes(database, indexes));
    QVERIFY(indexes.contains(index));
    const QString dropIndex = QStringLiteral("DROP INDEX ") + stored.quotedName(index);
    connection.close();

    const QStringList indexed = foundCustomers(criterion);
    m_database->execute(dropIndex);
    const QStringList scanned = foundCustomers(criterion);
    QCOMPARE(indexed, scanned);
}

void RecordSourceTest::doubledQuoteStandsForOneQuote()
{
    insertCustomers();
    m_database->insert(QStringLiteral("CF"), {"C5", "Erin", "", "", "", "O'Neil"});
    RecordSource source(QStringLiteral("Data1"));
    VERIFY_OK(source.open(kDatabasePath, QStringLiteral("CF")));
    VERIFY_OK(source.findFirst(QStringLiteral("[users] = 'O''Neil'")));
    QVERIFY(!source.noMatch());
    QCOMPARE(text(source, "customerno"), QStringLiteral("C5"));

    VERIFY_OK(source.moveFirst());
    VERIFY_OK(source.findFirst(QStringLiteral("users = '") + quotedValueText(QStringLiteral("O'Neil")) + "'"));
    QCOMPARE(text(source, "customerno"), QStringLiteral("C5"));
}

void RecordSourceTest::malformedCriterionIsRejected_data()
{
    QTest::addColumn<QString>("criterion");
    QTest::addColumn<bool>("next");
    const QStringList criteria = {
        "[users] = 'amy",
        "[users] = amy'",
        "users 'amy'",
        "users == 'amy'",
        "[users = 'amy'",
        "users] = 'amy'",
        "[users] = 'amy' x",
        "[users] = 'x' OR '1'='1'",
        "users = 'amy' OR users = 'bob'",
        "users = 'x'; DROP TABLE CF; --'",
        "users = 'a'b'",
        "= 'amy'",
        "",
    };
    for (const QString &criterion : criteria) {
        QTest::addRow("first: %s", qPrintable(criterion)) << criterion << false;
        QTest::addRow("next: %s", qPrintable(criterion)) << criterion << true;
    }
}

void RecordSourceTest::malformedCriterionIsRejected()
{
    QFETCH(QString, criterion);
    QFETCH(bool, next);
    insertCustomers();
    RecordSource source(QStringLiteral("Data1"));
    VERIFY_OK(source.open(kDatabasePath, QStringLiteral("CF")));
    VERIFY_OK(source.moveNext());

    QSignalSpy repositioned(&source, &RecordSource::repositioned);
    const Result found = next ? source.findNext(criterion) : source.findFirst(criterion);
    QVERIFY(!found.ok());
    QVERIFY2(found.message().contains(criterion), qPrintable(found.message()));
    QVERIFY(found.message() != criterion);
    QCOMPARE(repositioned.count(), 0);
    QVERIFY(!source.noMatch());
    QCOMPARE(text(source, "customerno"), QStringLiteral("C2"));
    QCOMPARE(m_database->value(QStringLiteral("SELECT count(*) FROM CF")).toInt(), 4);
}

void RecordSourceTest::unknownColumnIsRejected_data()
{
    QTest::addColumn<QString>("start");
    QTest::addColumn<bool>("next");
    QTest::newRow("find first") << "first" << false;
    QTest::newRow("find next") << "first" << true;
    QTest::newRow("find next from the last row") << "last" << true;
}

void RecordSourceTest::unknownColumnIsRejected()
{
    QFETCH(QString, start);
    QFETCH(bool, next);
    insertCustomers();
    RecordSource source(QStringLiteral("Data1"));
    VERIFY_OK(source.open(kDatabasePath, QStringLiteral("CF")));
    VERIFY_OK(moveBy(source, start));
    const QString before = text(source, "customerno");

    const QString criterion = QStringLiteral("[nosuch] = 'amy'");
    const Result found = next ? source.findNext(criterion) : source.findFirst(criterion);
    QVERIFY(!found.ok());
    QVERIFY2(found.message().contains(QStringLiteral("nosuch")), qPrintable(found.message()));
    QVERIFY(!source.noMatch());
    QCOMPARE(text(source, "customerno"), before);
}

void RecordSourceTest::noMatchKeepsThePosition()
{
    insertCustomers();
    RecordSource source(QStringLiteral("Data1"));
    VERIFY_OK(source.open(kDatabasePath, QStringLiteral("CF")));
    VERIFY_OK(source.moveNext());

    QSignalSpy repositioned(&source, &RecordSource::repositioned);
    VERIFY_OK(source.findFirst(QStringLiteral("[users] = 'zed'")));
    QVERIFY(source.noMatch());
    QCOMPARE(repositioned.count(), 0);
    QCOMPARE(text(source, "customerno"), QStringLiteral("C2"));

    VERIFY_OK(source.findFirst(QStringLiteral("[users] = 'carl'")));
    QVERIFY(!source.noMatch());
    QCOMPARE(text(source, "customerno"), QStringLiteral("C4"));
}

void RecordSourceTest::findSearchesTheEditsJustTyped()
{
    insertCustomers();
    RecordSource source(QStringLiteral("Data1"));
    VERIFY_OK(source.open(kDatabasePath, QStringLiteral("CF")));
    QVERIFY(source.setValue(QStringLiteral("users"), QStringLiteral("zed")));
    VERIFY_OK(source.findFirst(QStringLiteral("[users] = 'amy'")));
    QCOMPARE(text(source, "customerno"), QStringLiteral("C3"));
    QCOMPARE(m_database->value(QStringLiteral("SELECT users FROM CF WHERE customerno = 'C1'")).toString(),
             QStringLiteral("zed"));

    VERIFY_OK(source.findFirst(QStringLiteral("[users] = 'zed'")));
    QVERIFY(!source.noMatch());
    QCOMPARE(text(source, "customerno"), QStringLiteral("C1"));
}

void RecordSourceTest::findWithoutMatchDropsAnEmptyNewRow()
{
    insertCustomers();
    RecordSource source(QStringLiteral("Data1"));
    VERIFY_OK(source.open(kDatabasePath, QStringLiteral("CF")));
    VERIFY_OK(source.moveNext());
    VERIFY_OK(source.addNew());

    QSignalSpy changed(&source, &RecordSource::currentChanged);
    QSignalSpy repositioned(&source, &RecordSource::repositioned);
    VERIFY_OK(source.findFirst(QStringLiteral("[users] = 'zed'")));
    QVERIFY(source.noMatch());
    QVERIFY(!source.isAddingNew());
    QCOMPARE(text(source, "customerno"), QStringLiteral("C2"));
    QVERIFY(changed.count() >= 1);
    QCOMPARE(repositioned.count(), 1);
    QCOMPARE(source.rowCount(), 4);
}

void RecordSourceTest::editsAreWrittenOnMove_data()
{
    QTest::addColumn<QString>("how");
    QTest::newRow("next") << "next";
    QTest::newRow("previous") << "previous";
    QTest::newRow("first") << "first";
    QTest::newRow("last") << "last";
    QTest::newRow("find first") << "find";
    QTest::newRow("bookmark") << "bookmark";
    QTest::newRow("written without a move") << "write";
}

void RecordSourceTest::editsAreWrittenOnMove()
{
    QFETCH(QString, how);
    insertCustomers();
    RecordSource source(QStringLiteral("Data1"));
    VERIFY_OK(source.open(kDatabasePath, QStringLiteral("CF")));
    const QVariant firstRow = source.bookmark();
    VERIFY_OK(source.moveNext());
    QVERIFY(source.setValue(QStringLiteral("companyname"), QStringLiteral("台灣機械")));
    QVERIFY(source.hasPendingEdits());
    QCOMPARE(m_database->value(QStringLiteral("SELECT companyname FROM CF WHERE customerno = 'C2'")).toString(),
             QStringLiteral("Bolt"));

    if (how == QLatin1String("find"))
        VERIFY_OK(source.findFirst(QStringLiteral("[users] = 'carl'")));
    else if (how == QLatin1String("bookmark"))
        VERIFY_OK(source.setBookmark(firstRow));
    else if (how == QLatin1String("write"))
        VERIFY_OK(source.writePendingEdits());
    else
        VERIFY_OK(moveBy(source, how));
    QVERIFY(!source.hasPendingEdits());
    QCOMPARE(m_database->value(QStringLiteral("SELECT companyname FROM CF WHERE customerno = 'C2'")).toString(),
             QStringLiteral("台灣機械"));
    QCOMPARE(source.valueAt(1, source.columnIndex(QStringLiteral("companyname"))).toString(),
             QStringLiteral("台灣機械"));
}

void RecordSourceTest::editsWriteOnlyTheirOwnColumns()
{
    insertMaterials();
    RecordSource source(QStringLiteral("Data1"));
    VERIFY_OK(source.open(kDatabasePath, QStringLiteral("MSF")));
    QCOMPARE(source.value(QStringLiteral("inventory")).toInt(), 10);
    m_database->execute(QStringLiteral("UPDATE MSF SET inventory = 7 WHERE materielno = 'M1'"));
    QVERIFY(source.setValue(QStringLiteral("materiel"), QStringLiteral("螺絲")));
    VERIFY_OK(source.moveNext());

    const QVector<QVariantList> row =
        m_database->rows(QStringLiteral("SELECT materiel, inventory FROM MSF WHERE materielno = 'M1'"));
    QCOMPARE(row.at(0).at(0).toString(), QStringLiteral("螺絲"));
    QCOMPARE(row.at(0).at(1).toInt(), 7);
}

void RecordSourceTest::refusedWriteKeepsPositionAndTypedValue_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("how");
    QTest::newRow("letters, next") << "abc" << "next";
    QTest::newRow("letters, last") << "abc" << "last";
    QTest::newRow("letters, find") << "abc" << "find";
    QTest::newRow("letters, update") << "abc" << "update";
    QTest::newRow("letters, write") << "abc" << "write";
    QTest::newRow("out of range, next") << "40000" << "next";
    QTest::newRow("beyond any whole number, next") << "99999999999999999999" << "next";
    QTest::newRow("beyond any whole number, find") << "99999999999999999999" << "find";
}

void RecordSourceTest::refusedWriteKeepsPositionAndTypedValue()
{
    QFETCH(QString, typed);
    QFETCH(QString, how);
    insertMaterials();
    RecordSource source(QStringLiteral("Data1"));
    VERIFY_OK(source.open(kDatabasePath, QStringLiteral("MSF")));
    QVERIFY(source.setValue(QStringLiteral("inventory"), typed));
    QVERIFY(source.setValue(QStringLiteral("location"), QStringLiteral("B9")));

    QSignalSpy repositioned(&source, &RecordSource::repositioned);
    Result written = Result::success();
    if (how == QLatin1String("find"))
        written = source.findFirst(QStringLiteral("[materielno] = 'M2'"));
    else if (how == QLatin1String("update"))
        written = source.update();
    else if (how == QLatin1String("write"))
        written = source.writePendingEdits();
    else
        written = moveBy(source, how);
    QVERIFY(!written.ok());
    QVERIFY(!written.message().isEmpty());
    QCOMPARE(repositioned.count(), 0);
    QCOMPARE(source.currentIndex(), 0);
    QCOMPARE(text(source, "materielno"), QStringLiteral("M1"));
    QCOMPARE(text(source, "inventory"), typed);
    QCOMPARE(text(source, "location"), QStringLiteral("B9"));
    QVERIFY(source.hasPendingEdits());
    const QVector<QVariantList> row =
        m_database->rows(QStringLiteral("SELECT inventory, location FROM MSF WHERE materielno = 'M1'"));
    QCOMPARE(row.at(0).at(0).toInt(), 10);
    QCOMPARE(row.at(0).at(1).toString(), QStringLiteral("A1"));

    QVERIFY(source.setValue(QStringLiteral("inventory"), QStringLiteral("11")));
    VERIFY_OK(source.moveNext());
    QCOMPARE(m_database->value(QStringLiteral("SELECT location FROM MSF WHERE materielno = 'M1'")).toString(),
             QStringLiteral("B9"));
}

void RecordSourceTest::refusedNewRowStaysPending()
{
    insertMaterials();
    RecordSource source(QStringLiteral("Data1"));
    VERIFY_OK(source.open(kDatabasePath, QStringLiteral("MSF")));
    VERIFY_OK(source.addNew());
    QVERIFY(source.setValue(QStringLiteral("materielno"), QStringLiteral("M3")));
    QVERIFY(source.setValue(QStringLiteral("inventory"), QStringLiteral("abc")));
    QVERIFY(!source.update().ok());
    QVERIFY(!source.moveLast().ok());
    QVERIFY(source.isAddingNew());
    QCOMPARE(text(source, "materielno"), QStringLiteral("M3"));
    QCOMPARE(text(source, "inventory"), QStringLiteral("abc"));
    QCOMPARE(source.rowCount(), 2);
    QCOMPARE(m_database->value(QStringLiteral("SELECT count(*) FROM MSF")).toInt(), 2);
}

void RecordSourceTest::quantityTextIsStoredAsNumber_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QVariant>("stored");
    QTest::newRow("whole number") << "15" << QVariant(15);
    QTest::newRow("negative") << "-3" << QVariant(-3);
    QTest::newRow("with blanks") << " 8 " << QVariant(8);
    QTest::newRow("cleared") << "" << QVariant();
    QTest::newRow("blanks only") << "  " << QVariant();
}

void RecordSourceTest::quantityTextIsStoredAsNumber()
{
    QFETCH(QString, typed);
    QFETCH(QVariant, stored);
    insertMaterials();
    RecordSource source(QStringLiteral("Data1"));
    VERIFY_OK(source.open(kDatabasePath, QStringLiteral("MSF")));
    QVERIFY(source.setValue(QStringLiteral("inventory"), typed));
    VERIFY_OK(source.moveNext());

    const QVector<QVariantList> row =
        m_database->rows(QStringLiteral("SELECT inventory, %1 FROM MSF WHERE materielno = 'M1'")
                             .arg(m_database->storedKind(QStringLiteral("inventory"))));
    QCOMPARE(row.at(0).at(1).toString(), stored.isNull() ? QStringLiteral("null") : QStringLiteral("integer"));
    QCOMPARE(row.at(0).at(0).toLongLong(), stored.toLongLong());
    VERIFY_OK(source.movePrevious());
    QCOMPARE(source.value(QStringLiteral("inventory")).isNull(), stored.isNull());
    QCOMPARE(source.value(QStringLiteral("inventory")).toLongLong(), stored.toLongLong());
}

void RecordSourceTest::changeElsewhereShowsWhenTheRowIsReadAgain()
{
    insertMaterials();
    RecordSource source(QStringLiteral("Data2"));
    VERIFY_OK(source.open(kDatabasePath, QStringLiteral("MSF")));
    m_database->execute(QStringLiteral("UPDATE msf SET inventory = 4 WHERE materielno = 'M1'"));
    VERIFY_OK(source.moveNext());
    VERIFY_OK(source.movePrevious());
    QCOMPARE(source.value(QStringLiteral("inventory")).toInt(), 4);
}

void RecordSourceTest::fileReplacedUnderneathTakesNoWrite_data()
{
    QTest::addColumn<QString>("change");
    QTest::addColumn<QString>("told");
    QTest::addColumn<QString>("toldAfterGivingUp");
    QTest::addColumn<QString>("nowReads");
    const QString nowShown = QStringLiteral(";畫面改為顯示目前這個檔案的資料,剛才的動作沒有執行。");
    const QString replaced = QStringLiteral("資料庫檔案 '%1' 已經被另一個檔案取代了(例如還原了備份)");
    QTest::newRow("another file moved over it") << "replaced" << replaced << replaced + nowShown << "nut";
    QTest::newRow("removed, then put back")
        << "removed" << "資料庫檔案 '%1' 已經被移走或刪除了"
        << kCannotRead + QStringLiteral("資料庫檔案 '%1' 已經被移走或刪除了;請把檔案放回原處,下一個動作就會讀取它。")
        << "nut";
    QTest::newRow("its journal removed by a program that saw no lock")
        << "journal removed" << "資料庫檔案 '%1' 的日誌檔案被別的程式移走或換掉了"
        << "資料庫檔案 '%1' 的日誌檔案被別的程式移走或換掉了" + nowShown << "later";
    QTest::newRow("another file moved over it while a program holds the old one")
        << "replaced, old file held" << replaced
        << kCannotOpen + QStringLiteral("資料庫檔案 '%1' 已經被另一個檔案取代了,但還有別的程式開著原來的檔案,"
                                        "它的日誌檔案 '%1-wal' 還在;請先關閉那些程式,再試一次。")
        << "nut";
}

void RecordSourceTest::fileReplacedUnderneathTakesNoWrite()
{
    QFETCH(QString, change);
    if (TestDatabase::onServer())
        QSKIP("a server has no file to move over");
    insertMaterials();
    const QString file = mappedDatabaseFile(kDatabasePath);
    const QString backup = file + QStringLiteral(".backup");
    m_database->execute(QStringLiteral("VACUUM INTO '%1'").arg(backup));
    m_database->execute(QStringLiteral("UPDATE MSF SET materiel = 'later' WHERE materielno = 'M2'"));
    RecordSource source(QStringLiteral("Data1"));
    VERIFY_OK(source.open(kDatabasePath, QStringLiteral("MSF")));
    // Another program, which this one cannot make let go of the old file.
    QProcess other;
    if (change.endsWith(QLatin1String("held"))) {
        other.start(QStringLiteral(VEMO_SAVER), {QStringLiteral("other"), QStringLiteral("1"), QStringLiteral("hold")});
        QByteArray said;
        while (!said.endsWith("holding\n") && other.waitForReadyRead(30000))
            said += other.readAllStandardOutput();
        QCOMPARE(said, QByteArray("other-1\nholding\n"));
    }
    QVERIFY(source.setValue(QStringLiteral("materiel"), QStringLiteral("washer")));
    const auto moveBackupOverFile = [&] {
        return std::rename(QFile::encodeName(backup).constData(), QFile::encodeName(file).constData()) == 0;
    };
    if (change.startsWith(QLatin1String("replaced")))
        QVERIFY(moveBackupOverFile());
    else
        QVERIFY(QFile::remove(change == QLatin1String("removed") ? file : file + QStringLiteral("-wal")));

    QFETCH(QString, told);
    const QString shown = QDir::toNativeSeparators(file);
    QCOMPARE(source.moveNext().message(), kCannotSave + told.arg(shown) + QStringLiteral(",修改沒有寫入任何檔案。"));
    QCOMPARE(text(source, "materiel"), QStringLiteral("washer"));

    source.discardEdits();
    QFETCH(QString, toldAfterGivingUp);
    QCOMPARE(source.moveNext().message(), toldAfterGivingUp.arg(shown));
    if (change == QLatin1String("removed"))
        QVERIFY(moveBackupOverFile());
    other.closeWriteChannel();
    QVERIFY(other.state() == QProcess::NotRunning || other.waitForFinished(30000));
    if (change == QLatin1String("removed") || change.endsWith(QLatin1String("held")))
        QVERIFY(!source.moveNext().ok());
    QCOMPARE(source.currentIndex(), 0);
    VERIFY_OK(source.moveNext());
    QFETCH(QString, nowReads);
    QCOMPARE(text(source, "materiel"), nowReads);
    QVERIFY(source.setValue(QStringLiteral("materiel"), QStringLiteral("washer")));
    VERIFY_OK(source.update());
    RecordSource reader(QStringLiteral("Data2"));
    VERIFY_OK(reader.open(kDatabasePath, QStringLiteral("MSF")));
    VERIFY_OK(reader.moveNext());
    QCOMPARE(text(reader, "materiel"), QStringLiteral("washer"));
}

void RecordSourceTest::programEndingOnAReplacedFileLeavesBothFilesWhole()
{
    if (TestDatabase::onServer())
        QSKIP("a server has no file to move over");
    const QString file = mappedDatabaseFile(kDatabasePath);
    const QString backup = file + QStringLiteral(".backup");
    m_database->execute(QStringLiteral("VACUUM INTO '%1'").arg(backup));
    m_database->disconnect();
    QProcess saver;
    saver.start(QStringLiteral(VEMO_SAVER), {QStringLiteral("T"), QStringLiteral("20"), QStringLiteral("hold")});
    QByteArray saved;
    while (!saved.endsWith("holding\n") && saver.waitForReadyRead(30000))
        saved += saver.readAllStandardOutput();
    QCOMPARE(saved.count('\n'), 21);
    // The saver's rows are in the journal still when the user moves the file aside and a backup in.
    QVERIFY(QFile::rename(file, file + QStringLiteral(".old")));
    QVERIFY(QFile::rename(backup, file));
    saver.closeWriteChannel();
    QVERIFY(saver.waitForFinished(30000));

    const auto customers = [](const QString &path) {
        const QVector<QVariantList> rows = everyRow(path);
        return std::count_if(rows.cbegin(), rows.cend(), [](const QVariantList &row) { return row.first() == "CF"; });
    };
    QCOMPARE(customers(file + QStringLiteral(".old")), 20);
    QCOMPARE(customers(file), 0);
    m_database->reconnect();
}

void RecordSourceTest::editOfARowDeletedElsewhereIsNotLost()
{
    insertMaterials();
    RecordSource source(QStringLiteral("Data1"));
    VERIFY_OK(source.open(kDatabasePath, QStringLiteral("MSF")));
    m_database->execute(QStringLiteral("DELETE FROM MSF WHERE materielno = 'M1'"));
    QVERIFY(source.setValue(QStringLiteral("materiel"), QStringLiteral("washer")));

    const Result moved = source.moveNext();
    QVERIFY(!moved.ok());
    QVERIFY2(moved.message().contains(QStringLiteral("已經被刪除")), qPrintable(moved.message()));
    QCOMPARE(source.currentIndex(), 0);
    QCOMPARE(text(source, "materiel"), QStringLiteral("washer"));
    const Result deleted = source.deleteCurrent();
    QVERIFY2(deleted.message().contains(QStringLiteral("已經被刪除")), qPrintable(deleted.message()));
    source.discardEdits();
    VERIFY_OK(source.moveNext());
    QCOMPARE(text(source, "materielno"), QStringLiteral("M2"));
}

void RecordSourceTest::rowsInsertedElsewhereAreNotInTheKeyset()
{
    insertCustomers();
    RecordSource source(QStringLiteral("Data1"));
    VERIFY_OK(source.open(kDatabasePath, QStringLiteral("CF")));
    m_database->insert(QStringLiteral("CF"), {"C5", "Echo", "", "", "", "amy"});
    m_database->insert(QStringLiteral("CF"), {"C6", "Fox", "", "", "", "dora"});
    QCOMPARE(source.rowCount(), 4);

    VERIFY_OK(source.moveLast());
    QCOMPARE(text(source, "customerno"), QStringLiteral("C4"));
    VERIFY_OK(source.findFirst(QStringLiteral("[users] = 'dora'")));
    QVERIFY(source.noMatch());
    VERIFY_OK(source.findFirst(QStringLiteral("[users] = 'amy'")));
    VERIFY_OK(source.findNext(QStringLiteral("[users] = 'amy'")));
    QCOMPARE(text(source, "customerno"), QStringLiteral("C3"));
    VERIFY_OK(source.findNext(QStringLiteral("[users] = 'amy'")));
    QVERIFY(source.noMatch());
    QCOMPARE(text(source, "customerno"), QStringLiteral("C3"));
}

void RecordSourceTest::findPassesManyRowsAddedElsewhereBeforeItsMatch()
{
    const QString id = m_database->rowIdentity();
    m_database->insertNumbered(QStringLiteral("CF"), QStringLiteral("N"), 40);
    m_database->insert(QStringLiteral("CF"), {"C1", "Alpha", "", "", "", "amy"});
    m_database->execute(QStringLiteral("DELETE FROM CF WHERE customerno <> 'C1'"));
    RecordSource source(QStringLiteral("Data1"));
    VERIFY_OK(source.open(kDatabasePath, QStringLiteral("CF")));
    // Another tool writes rows back under their old identities, before the one held: more than a page of matches.
    const QString chosenIdentity = TestDatabase::onServer() ? QStringLiteral(" OVERRIDING SYSTEM VALUE") : QString();
    for (int row = 1; row <= 40; ++row)
        m_database->execute(QStringLiteral("INSERT INTO CF (%1, customerno, users)%3 VALUES (%2, 'N%2', 'amy')")
                                .arg(id)
                                .arg(row)
                                .arg(chosenIdentity));

    VERIFY_OK(source.findFirst(QStringLiteral("[users] = 'amy'")));
    QVERIFY(!source.noMatch());
    QCOMPARE(text(source, "customerno"), QStringLiteral("C1"));
    VERIFY_OK(source.findNext(QStringLiteral("[users] = 'amy'")));
    QVERIFY(source.noMatch());
}

void RecordSourceTest::shownDocumentsComeWhole_data()
{
    QTest::addColumn<QStringList>("shown");
    QTest::newRow("shown by the screen") << QStringList{"PROCESS"};
    QTest::newRow("read when asked") << QStringList();
}

void RecordSourceTest::shownDocumentsComeWhole()
{
    QFETCH(QStringList, shown);
    const QByteArray first("first call's report");
    const QByteArray second(70000, 'x');
    m_database->insert(QStringLiteral("CSF"), {"S1", "C1", "amy", "", "", "", "", "", "", "", first, "fixed", "Y"});
    m_database->insert(QStringLiteral("CSF"), {"S2", "C2", "bob", "", "", "", "", "", "", "", second, "waiting", "N"});
    RecordSource source(QStringLiteral("Data1"));
    source.showDocuments(shown);
    VERIFY_OK(source.open(kDatabasePath, QStringLiteral("CSF")));
    const int process = source.columnIndex(QStringLiteral("process"));

    // The columns after the document stay in their places; other rows hold only its length.
    QCOMPARE(text(source, "solution"), QStringLiteral("fixed"));
    QCOMPARE(source.value(process).toByteArray(), first);
    QCOMPARE(source.valueAt(1, process).toLongLong(), qlonglong(second.size()));
    QCOMPARE(source.valueAt(1, source.columnIndex(QStringLiteral("close"))).toString(), QStringLiteral("N"));
    VERIFY_OK(source.moveNext());
    QCOMPARE(source.value(process).toByteArray(), second);
    QCOMPARE(source.valueAt(0, process).toLongLong(), qlonglong(first.size()));
    // Read whole, the document is what an edit of it is checked against.
    QVERIFY(source.setValue(process, QByteArray("replaced")));
    VERIFY_OK(source.update());
    QCOMPARE(m_database->value(QStringLiteral("SELECT process FROM CSF WHERE serviceno = 'S2'")).toByteArray(),
             QByteArray("replaced"));
}

void RecordSourceTest::keysetWithGapsOpensWhole_data()
{
    QTest::addColumn<int>("rows");
    QTest::addColumn<int>("deleteEvery");
    QTest::newRow("one run") << 50 << 0;
    QTest::newRow("every other row deleted: more runs than one page") << 25000 << 2;
    QTest::newRow("every third row deleted") << 31000 << 3;
    QTest::newRow("all but the first deleted") << 3 << 1;
}

void RecordSourceTest::keysetWithGapsOpensWhole()
{
    QFETCH(int, rows);
    QFETCH(int, deleteEvery);
    m_database->insertNumbered(QStringLiteral("CF"), QStringLiteral("C"), rows);
    const QString id = m_database->rowIdentity();
    if (deleteEvery > 0)
        m_database->execute(QStringLiteral("DELETE FROM CF WHERE %1 % %2 = 0 AND %1 > 1").arg(id).arg(deleteEvery));
    const int kept = m_database->value(QStringLiteral("SELECT count(*) FROM CF")).toInt();

    RecordSource source(QStringLiteral("Data1"));
    VERIFY_OK(source.open(kDatabasePath, QStringLiteral("CF")));

    QCOMPARE(source.rowCount(), kept);
    // Past gaps within the rows read with the identities, and beyond them.
    for (int index : {0, std::min(1, kept - 1), std::min(40, kept - 1), kept / 2, kept - 1}) {
        const QString expected =
            m_database->value(QStringLiteral("SELECT customerno FROM CF ORDER BY %1 LIMIT 1 OFFSET %2").arg(id).arg(index))
                .toString();
        QCOMPARE(source.valueAt(index, 0).toString(), expected);
    }
    VERIFY_OK(source.moveLast());
    QCOMPARE(source.currentIndex(), kept - 1);
}

void RecordSourceTest::valueAtReadsAnyRow_data()
{
    QTest::addColumn<int>("index");
    QTest::addColumn<QString>("expected");
    QTest::newRow("first") << 0 << "C1";
    QTest::newRow("last of the first chunk") << 63 << "C64";
    QTest::newRow("first of the second chunk") << 64 << "C65";
    QTest::newRow("middle") << 130 << "C131";
    QTest::newRow("last") << 199 << "C200";
    QTest::newRow("past the end") << 200 << "";
    QTest::newRow("before the start") << -1 << "";
}

void RecordSourceTest::valueAtReadsAnyRow()
{
    QFETCH(int, index);
    QFETCH(QString, expected);
    m_database->insertNumbered(QStringLiteral("CF"), QStringLiteral("C"), 200);
    RecordSource source(QStringLiteral("Data1"));
    VERIFY_OK(source.open(kDatabasePath, QStringLiteral("CF")));
    QCOMPARE(source.valueAt(index, 0).toString(), expected);
    QCOMPARE(source.valueAt(index, 0).isValid(), !expected.isEmpty());
    QCOMPARE(source.currentIndex(), 0);
}

void RecordSourceTest::valueAtFollowsDeletesAndEdits()
{
    m_database->insertNumbered(QStringLiteral("CF"), QStringLiteral("C"), 200);
    RecordSource source(QStringLiteral("Data1"));
    VERIFY_OK(source.open(kDatabasePath, QStringLiteral("CF")));
    QCOMPARE(source.valueAt(64, 0).toString(), QStringLiteral("C65"));
    VERIFY_OK(source.moveTo(63));
    VERIFY_OK(source.deleteCurrent());
    QCOMPARE(source.valueAt(63, 0).toString(), QStringLiteral("C65"));
    QCOMPARE(source.valueAt(62, 0).toString(), QStringLiteral("C63"));
    QCOMPARE(source.valueAt(198, 0).toString(), QStringLiteral("C200"));

    VERIFY_OK(source.moveTo(100));
    QVERIFY(source.setValue(0, QStringLiteral("edited")));
    QCOMPARE(source.valueAt(100, 0).toString(), QStringLiteral("edited"));
    QCOMPARE(source.valueAt(101, 0).toString(), QStringLiteral("C103"));
}

QTEST_GUILESS_MAIN(RecordSourceTest)
#include "tst_recordsource.moc"
