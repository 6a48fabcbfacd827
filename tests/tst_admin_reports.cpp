#include "admin/contractdate.h"
#include "admin/reports.h"
#include "data/connection/engineconnection.h"
#include "data/connection/databaselocation.h"
#include "support/testdatabase.h"

#include <QTest>

class AdminReportsTest : public QObject
{
    Q_OBJECT

private slots:
    void contractDates_data();
    void contractDates();
    void lowStock();
    void contractsDue();
};

namespace {

QStringList firstColumn(const QString &text)
{
    QStringList cells;
    const QStringList lines = text.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    for (const QString &line : lines.mid(1))
        cells << line.section(QLatin1Char(' '), 0, 0);
    return cells;
}

} // namespace

void AdminReportsTest::contractDates_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QDate>("date");

    QTest::newRow("slashes") << "2026/12/31" << QDate(2026, 12, 31);
    QTest::newRow("short month and day") << "2027/1/5" << QDate(2027, 1, 5);
    QTest::newRow("dashes") << "2027-01-05" << QDate(2027, 1, 5);
    QTest::newRow("dots") << "2027.01.05" << QDate(2027, 1, 5);
    QTest::newRow("republic year") << "115/12/31" << QDate(2026, 12, 31);
    QTest::newRow("republic year, two digits") << "99/1/1" << QDate(2010, 1, 1);
    QTest::newRow("republic year in words") << "民國115年2月3日" << QDate(2026, 2, 3);
    QTest::newRow("year in words") << "2026年2月3日" << QDate(2026, 2, 3);
    QTest::newRow("with a time") << "2026/12/31 0:00:00" << QDate(2026, 12, 31);
    QTest::newRow("blanks around") << "  2026/12/31 " << QDate(2026, 12, 31);
    QTest::newRow("full-width digits") << "２０２６/１２/３１" << QDate(2026, 12, 31);
    QTest::newRow("no such day") << "2026/2/30" << QDate();
    QTest::newRow("month 13") << "2026/13/1" << QDate();
    QTest::newRow("mixed separators") << "2026/12-31" << QDate();
    QTest::newRow("day first") << "31/12/2026" << QDate();
    QTest::newRow("words") << "明年年底" << QDate();
    QTest::newRow("empty") << "" << QDate();
}

void AdminReportsTest::contractDates()
{
    QFETCH(QString, text);
    QFETCH(QDate, date);
    QCOMPARE(readContractDate(text), date);
}

void AdminReportsTest::lowStock()
{
    TestDatabase database;
    database.insert(QStringLiteral("SUPPLIER"), {QStringLiteral("S1"), QStringLiteral("大同五金"), {}, {}, QStringLiteral("02-2345-6789")});
    const QVector<QVariantList> materials = {
        {QStringLiteral("LOW"), QStringLiteral("螺絲"), {}, 3, QStringLiteral("5"), {}, {}, QStringLiteral("s1")},
        {QStringLiteral("EQUAL"), {}, {}, 5, QStringLiteral("5"), {}, {}, QStringLiteral("S1")},
        {QStringLiteral("FRACTION"), {}, {}, 5, QStringLiteral("5.5"), {}, {}, QStringLiteral("S9")},
        {QStringLiteral("WIDE"), {}, {}, 4, QStringLiteral("１０"), {}, {}, {}},
        {QStringLiteral("NEGATIVE"), {}, {}, -2, QStringLiteral(" 0 "), {}, {}, {}},
        {QStringLiteral("WORDS"), {}, {}, 1, QStringLiteral("十個"), {}, {}, {}},
        {QStringLiteral("NOSTOCK"), {}, {}, {}, QStringLiteral("4"), {}, {}, {}},
        {QStringLiteral("NOSAFE"), {}, {}, 1, {}, {}, {}, {}},
    };
    for (const QVariantList &material : materials)
        database.insert(QStringLiteral("MSF"), material);

    EngineConnection connection;
    QVERIFY(connection.open(kDatabasePath).ok());
    TextTable report({});
    QVERIFY(lowStockReport(connection.database(), report).ok());
    QCOMPARE(firstColumn(report.toText()), (QStringList{"LOW", "FRACTION", "WIDE", "NEGATIVE", "WORDS", "NOSTOCK", "NOSAFE"}));
    FormulaGuard formulas;
    QVERIFY(report.toCsv(formulas).contains(QStringLiteral("LOW,螺絲,3,5,低於安全存量,大同五金,02-2345-6789\r\n")));
    QVERIFY(report.toCsv(formulas).contains(QStringLiteral("FRACTION,,5,5.5,低於安全存量,,\r\n")));
    QVERIFY(report.toCsv(formulas).contains(QStringLiteral("WORDS,,1,十個,庫存或安全存量不是數字,,\r\n")));
}

void AdminReportsTest::contractsDue()
{
    TestDatabase database;
    const QVector<QStringList> contracts = {
        {"LATER", "2027/1/7"},  {"TODAY", "2026-12-07"}, {"LAST", "2027.01.06"}, {"ROC", "115/12/20"},
        {"PAST", "2026/12/4"},  {"BAD", "2026/2/30"},     {"EMPTY", ""},         {"TEXT", "待定"},
        {"SOON", "2026/12/8 0:00:00"}, {"LONG AGO", "2026/11/6"}, {"MONTH AGO", "2026/11/7"},
    };
    for (const QStringList &contract : contracts)
        database.insert(QStringLiteral("CC"), {contract.at(0), QStringLiteral("保養合約"), {}, contract.at(1)});

    EngineConnection connection;
    QVERIFY(connection.open(kDatabasePath).ok());
    TextTable report({});
    QVERIFY(contractsReport(connection.database(), QDate(2026, 12, 7), 30, report).ok());
    QCOMPARE(firstColumn(report.toText()), (QStringList{"MONTH", "PAST", "TODAY", "SOON", "ROC", "LAST", "BAD", "TEXT"}));
    FormulaGuard formulas;
    const QString csv = report.toCsv(formulas);
    QVERIFY(csv.startsWith(QStringLiteral("合約編號,合約名稱,結束日期,狀態,天數\r\n")));
    QVERIFY(csv.contains(QStringLiteral("MONTH AGO,保養合約,2026/11/7,已結束,30\r\n")));
    QVERIFY(csv.contains(QStringLiteral("PAST,保養合約,2026/12/4,已結束,3\r\n")));
    QVERIFY(csv.contains(QStringLiteral("ROC,保養合約,115/12/20,將到期,13\r\n")));
    QVERIFY(csv.contains(QStringLiteral("BAD,保養合約,2026/2/30,結束日期讀不出,\r\n")));
    QCOMPARE(csv.count(QStringLiteral("\r\n")), 9);

    QVERIFY(contractsReport(connection.database(), QDate(2026, 12, 7), 0, report).ok());
    QCOMPARE(firstColumn(report.toText()), (QStringList{"TODAY", "BAD", "TEXT"}));
}

QTEST_GUILESS_MAIN(AdminReportsTest)
#include "tst_admin_reports.moc"
