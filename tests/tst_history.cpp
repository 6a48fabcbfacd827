#include "data/records/recordsource.h"
#include "data/connection/databaselocation.h"
#include "data/tables/history.h"
#include "support/testdatabase.h"

#include <QSqlQuery>
#include <QTest>

/// Every change through a record source leaves its lines in the history,
/// with this program's user, host and name, on the engine under test.
class HistoryTest : public QObject
{
    Q_OBJECT

private slots:
    void init() { m_database = std::make_unique<TestDatabase>(); }
    void cleanup() { m_database.reset(); }
    void recordSourceChangesAreRecorded_data();
    void recordSourceChangesAreRecorded();
    void outsideClientIsRecordedWithoutUser();

private:
    std::unique_ptr<TestDatabase> m_database;
};

namespace {

/// Each line as "action column old new", newest first.
QStringList historyOf(const QString &key, QVector<HistoryLine> *lines = nullptr)
{
    EngineConnection connection;
    if (!connection.open(kDatabasePath))
        return {QStringLiteral("cannot open")};
    QVector<HistoryLine> read;
    if (!readHistory(connection.database(), {QStringLiteral("CF"), key, {}, {}}, read))
        return {QStringLiteral("cannot read")};
    QStringList shown;
    for (const HistoryLine &line : std::as_const(read))
        shown << QStringList{line.action, line.column, line.oldValue, line.newValue}.join(QLatin1Char(' '));
    if (lines)
        *lines = read;
    return shown;
}

} // namespace

void HistoryTest::recordSourceChangesAreRecorded_data()
{
    QTest::addColumn<QString>("change");
    QTest::addColumn<QStringList>("expected");
    QTest::newRow("insert") << "insert" << QStringList{"insert customerno  C9", "insert address  台北市"};
    QTest::newRow("edit") << "edit"
                          << QStringList{"update address 台北市 高雄市 2 樓", "insert customerno  C9", "insert address  台北市"};
    QTest::newRow("edit of case only") << "case"
                                       << QStringList{"update customerno C9 c9", "insert customerno  C9", "insert address  台北市"};
    QTest::newRow("delete") << "delete"
                            << QStringList{"delete customerno C9 ", "delete address 台北市 ", "insert customerno  C9",
                                           "insert address  台北市"};
}

void HistoryTest::recordSourceChangesAreRecorded()
{
    QFETCH(QString, change);
    QFETCH(QStringList, expected);
    RecordSource source(QStringLiteral("Data1"));
    VERIFY_OK(source.open(kDatabasePath, QStringLiteral("CF")));
    VERIFY_OK(source.addNew());
    source.setValue(QStringLiteral("customerno"), QStringLiteral("C9"));
    source.setValue(QStringLiteral("address"), QStringLiteral("台北市"));
    VERIFY_OK(source.update());
    if (change == QLatin1String("edit") || change == QLatin1String("case")) {
        if (change == QLatin1String("edit"))
            source.setValue(QStringLiteral("address"), QStringLiteral("高雄市 2 樓"));
        else
            source.setValue(QStringLiteral("customerno"), QStringLiteral("c9"));
        VERIFY_OK(source.update());
    } else if (change == QLatin1String("delete")) {
        VERIFY_OK(source.deleteCurrent());
    }
    QVector<HistoryLine> lines;
    QCOMPARE(historyOf(QStringLiteral("C9"), &lines), expected);
    for (const HistoryLine &line : std::as_const(lines)) {
        QCOMPARE(line.user, HistoryWriter::ofThisProgram().user);
        QCOMPARE(line.host, HistoryWriter::ofThisProgram().host);
        QCOMPARE(line.program, QStringLiteral("tst_history"));
        QCOMPARE(line.loginRole.isEmpty(), !TestDatabase::onServer());
        QVERIFY2(line.changedAt.startsWith(QDateTime::currentDateTimeUtc().toString(QStringLiteral("yyyy-MM-dd"))),
                 qPrintable(line.changedAt));
    }
}

void HistoryTest::outsideClientIsRecordedWithoutUser()
{
    // The test's own connection stands for another client: on the file it tells no writer.
    m_database->disconnect();
    {
        QSqlDatabase outside = QSqlDatabase::addDatabase(TestDatabase::onServer() ? "QPSQL" : "QSQLITE", "outside");
        if (TestDatabase::onServer()) {
            m_database->reconnect();
            m_database->execute(QStringLiteral("SET vemo.username = ''"));
            m_database->insert(QStringLiteral("CF"), {QStringLiteral("C9")});
        } else {
            outside.setDatabaseName(m_database->file());
            QVERIFY(outside.open());
            QSqlQuery query(outside);
            QVERIFY(query.exec(QStringLiteral("INSERT INTO CF (customerno) VALUES ('C9')")));
        }
    }
    QSqlDatabase::removeDatabase("outside");
    QVector<HistoryLine> lines;
    QCOMPARE(historyOf(QStringLiteral("C9"), &lines), QStringList{"insert customerno  C9"});
    QCOMPARE(lines.constFirst().user, QString());
    QCOMPARE(shownWho(lines.constFirst()).contains(QStringLiteral("(不明)")), true);
}

QTEST_GUILESS_MAIN(HistoryTest)
#include "tst_history.moc"
