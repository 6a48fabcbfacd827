#include "data/records/stockupdate.h"

#include <QTest>

Q_DECLARE_METATYPE(StockMovement)

class StockUpdateTest : public QObject
{
    Q_OBJECT

private slots:
    void statementText_data();
    void statementText();
    void newStockFromTheTwoTexts_data();
    void newStockFromTheTwoTexts();
    void unreadableTextNamesItsField_data();
    void unreadableTextNamesItsField();
    void resultOutsideSixteenBitsIsRefused_data();
    void resultOutsideSixteenBitsIsRefused();
};

namespace {

const QString kStock = QStringLiteral("Stoct capacity");
const QString kQuantity = QStringLiteral("Lending amount");

} // namespace

void StockUpdateTest::statementText_data()
{
    QTest::addColumn<StockMovement>("movement");
    QTest::addColumn<int>("stock");
    QTest::addColumn<QString>("material");
    QTest::addColumn<QString>("statement");

    QTest::newRow("lending") << StockMovement::Lending << 15 << "A01"
                             << "update [msf] set [inventory] = 15 where [materielno] = 'A01';";
    QTest::newRow("returning, no blank after =") << StockMovement::Returning << 20 << "A01"
                                                 << "update [msf] set [inventory] = 20 where [materielno] ='A01';";
    QTest::newRow("negative") << StockMovement::Lending << -3 << "A01"
                              << "update [msf] set [inventory] = -3 where [materielno] = 'A01';";
    QTest::newRow("zero") << StockMovement::Returning << 0 << "B7"
                          << "update [msf] set [inventory] = 0 where [materielno] ='B7';";
    QTest::newRow("lowest") << StockMovement::Lending << -32768 << "A01"
                            << "update [msf] set [inventory] = -32768 where [materielno] = 'A01';";
    QTest::newRow("highest") << StockMovement::Returning << 32767 << "A01"
                             << "update [msf] set [inventory] = 32767 where [materielno] ='A01';";
    QTest::newRow("empty material") << StockMovement::Lending << 1 << ""
                                    << "update [msf] set [inventory] = 1 where [materielno] = '';";
    QTest::newRow("blanks kept") << StockMovement::Lending << 1 << " A01 "
                                 << "update [msf] set [inventory] = 1 where [materielno] = ' A01 ';";
    QTest::newRow("quote doubled") << StockMovement::Lending << 4 << "A'1"
                                   << "update [msf] set [inventory] = 4 where [materielno] = 'A''1';";
    QTest::newRow("injection stays a value")
        << StockMovement::Returning << 4 << "x' or '1'='1"
        << "update [msf] set [inventory] = 4 where [materielno] ='x'' or ''1''=''1';";
    QTest::newRow("chinese material") << StockMovement::Lending << 9 << "螺絲-01"
                                      << "update [msf] set [inventory] = 9 where [materielno] = '螺絲-01';";
}

void StockUpdateTest::statementText()
{
    QFETCH(StockMovement, movement);
    QFETCH(int, stock);
    QFETCH(QString, material);
    QFETCH(QString, statement);
    QCOMPARE(stockUpdateStatement(movement, stock, material), statement);
}

void StockUpdateTest::newStockFromTheTwoTexts_data()
{
    QTest::addColumn<StockMovement>("movement");
    QTest::addColumn<QString>("stock");
    QTest::addColumn<QString>("quantity");
    QTest::addColumn<int>("expected");

    const auto lend = StockMovement::Lending;
    const auto give = StockMovement::Returning;
    QTest::newRow("20-5") << lend << "20" << "5" << 15;
    QTest::newRow("15+5 is a sum, not 155") << give << "15" << "5" << 20;
    QTest::newRow("5-8 below zero") << lend << "5" << "8" << -3;
    QTest::newRow("10-2.5 = 7.5 to even 8") << lend << "10" << "2.5" << 8;
    QTest::newRow("10-1.5 = 8.5 to even 8") << lend << "10" << "1.5" << 8;
    QTest::newRow("0+0.5 to even 0") << give << "0" << "0.5" << 0;
    QTest::newRow("0+1.5 to even 2") << give << "0" << "1.5" << 2;
    QTest::newRow("0-0.5 to even 0") << lend << "0" << "0.5" << 0;
    QTest::newRow("0-2.5 to even -2") << lend << "0" << "2.5" << -2;
    QTest::newRow("0-3.5 to even -4") << lend << "0" << "3.5" << -4;
    QTest::newRow("below half rounds down") << give << "10.49" << "0" << 10;
    QTest::newRow("above half rounds up") << give << "10.51" << "0" << 11;
    QTest::newRow("negative above half") << lend << "-10.51" << "0" << -11;
    QTest::newRow("exact in decimal") << give << "0.1" << "0.4" << 0;
    QTest::newRow("halves summed exactly") << give << "0.25" << "0.25" << 0;
    QTest::newRow("trailing zeros 2.50") << lend << "10" << "2.50" << 8;
    QTest::newRow("leading zeros") << give << "007" << "0003" << 10;
    QTest::newRow("more leading zeros than digits a number may have")
        << lend << "0000000000000000000000020" << "5" << 15;
    QTest::newRow("zeros only") << lend << "000" << "0.000" << 0;
    QTest::newRow("no whole part") << give << "1" << ".5" << 2;
    QTest::newRow("no fraction digits") << give << "5." << "1" << 6;
    QTest::newRow("blanks around") << lend << "  20 " << " 5" << 15;
    QTest::newRow("plus signs") << lend << "+20" << "+5" << 15;
    QTest::newRow("more decimals than 64 bits hold, just over a half")
        << give << "10" << "2.50000000000000000000000001" << 13;
    QTest::newRow("more decimals than 64 bits hold, just under a half")
        << lend << "10" << "2.49999999999999999999999999" << 8;
    QTest::newRow("negative stock returned") << give << "-20" << "+5" << -15;
    QTest::newRow("tiny fraction") << give << "0.0000000000000004" << "0" << 0;
    QTest::newRow("highest") << give << "32767" << "0" << 32767;
    QTest::newRow("just under the highest half") << give << "32767.4" << "0" << 32767;
    QTest::newRow("lowest") << lend << "0" << "32768" << -32768;
    QTest::newRow("lowest half goes to even -32768") << lend << "-32768" << "0.5" << -32768;
}

void StockUpdateTest::newStockFromTheTwoTexts()
{
    QFETCH(StockMovement, movement);
    QFETCH(QString, stock);
    QFETCH(QString, quantity);
    QFETCH(int, expected);
    int result = 12345;
    const Result computed = newStock(movement, stock, kStock, quantity, kQuantity, result);
    QVERIFY2(computed.ok(), qPrintable(computed.message()));
    QCOMPARE(result, expected);
}

void StockUpdateTest::unreadableTextNamesItsField_data()
{
    QTest::addColumn<QString>("stock");
    QTest::addColumn<QString>("quantity");
    QTest::addColumn<QString>("message");

    const QString emptyQuantity = QStringLiteral("「Lending amount」沒有數量,請輸入數字後再試一次。");
    QTest::newRow("empty quantity") << "20" << "" << emptyQuantity;
    QTest::newRow("blank quantity") << "20" << "   " << emptyQuantity;
    QTest::newRow("empty stock") << "" << "5" << "「Stoct capacity」沒有數量,請輸入數字後再試一次。";
    QTest::newRow("abc stock") << "abc" << "5" << "「Stoct capacity」的內容「abc」不是數字,請改正後再試一次。";
    QTest::newRow("12x quantity") << "20" << "12x" << "「Lending amount」的內容「12x」不是數字,請改正後再試一次。";
    QTest::newRow("sign alone") << "20" << "+" << "「Lending amount」的內容「+」不是數字,請改正後再試一次。";
    QTest::newRow("point alone") << "20" << "." << "「Lending amount」的內容「.」不是數字,請改正後再試一次。";
    QTest::newRow("two points") << "1.2.3" << "5" << "「Stoct capacity」的內容「1.2.3」不是數字,請改正後再試一次。";
    QTest::newRow("exponent") << "20" << "1e3" << "「Lending amount」的內容「1e3」不是數字,請改正後再試一次。";
    QTest::newRow("thousands separator") << "1,000" << "5"
                                         << "「Stoct capacity」的內容「1,000」不是數字,請改正後再試一次。";
    QTest::newRow("exponent") << "20" << "1e2" << "「Lending amount」的內容「1e2」不是數字,請改正後再試一次。";
    QTest::newRow("blank inside") << "20" << "1 5" << "「Lending amount」的內容「1 5」不是數字,請改正後再試一次。";
    QTest::newRow("stock is read first") << "abc" << "" << "「Stoct capacity」的內容「abc」不是數字,請改正後再試一次。";
}

void StockUpdateTest::unreadableTextNamesItsField()
{
    QFETCH(QString, stock);
    QFETCH(QString, quantity);
    QFETCH(QString, message);
    for (const StockMovement movement : {StockMovement::Lending, StockMovement::Returning}) {
        int result = 12345;
        const Result computed = newStock(movement, stock, kStock, quantity, kQuantity, result);
        QVERIFY(!computed.ok());
        QCOMPARE(computed.message(), message);
        QCOMPARE(result, 12345);
    }
}

void StockUpdateTest::resultOutsideSixteenBitsIsRefused_data()
{
    QTest::addColumn<StockMovement>("movement");
    QTest::addColumn<QString>("stock");
    QTest::addColumn<QString>("quantity");

    QTest::newRow("32767+1") << StockMovement::Returning << "32767" << "1";
    QTest::newRow("32767.5 rounds to 32768") << StockMovement::Returning << "32767.5" << "0";
    QTest::newRow("0-32769") << StockMovement::Lending << "0" << "32769";
    QTest::newRow("-32768.51") << StockMovement::Lending << "-32768" << "0.51";
    QTest::newRow("-32769.5 rounds to -32770") << StockMovement::Lending << "-32769" << "0.5";
    QTest::newRow("very large") << StockMovement::Returning << "999999999999999999" << "999999999999999999";
}

void StockUpdateTest::resultOutsideSixteenBitsIsRefused()
{
    QFETCH(StockMovement, movement);
    QFETCH(QString, stock);
    QFETCH(QString, quantity);
    int result = 12345;
    const Result computed = newStock(movement, stock, kStock, quantity, kQuantity, result);
    QVERIFY(!computed.ok());
    QCOMPARE(computed.message(), QStringLiteral("計算出的庫存數量超出 -32768 到 32767 的範圍,庫存沒有變更。"));
    QCOMPARE(result, 12345);
}

QTEST_GUILESS_MAIN(StockUpdateTest)
#include "tst_stockupdate.moc"
