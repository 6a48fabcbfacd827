#include "app/windowplaces.h"

#include <QTest>

class TestWindowPlaces : public QObject
{
    Q_OBJECT

private slots:
    void fittedPlace_data();
    void fittedPlace();
};

void TestWindowPlaces::fittedPlace_data()
{
    QTest::addColumn<QRect>("saved");
    QTest::addColumn<bool>("fixedSize");
    QTest::addColumn<QRect>("expected");
    // Two screens side by side: 1920 x 1050 available beside 1280 x 1024.
    const QRect none;
    QTest::newRow("fits as saved") << QRect(40, 60, 1000, 700) << false << QRect(40, 60, 1000, 700);
    QTest::newRow("on the second screen") << QRect(2000, 100, 800, 600) << false << QRect(2000, 100, 800, 600);
    QTest::newRow("hangs off the right edge") << QRect(1200, 60, 1000, 700) << false << QRect(920, 60, 1000, 700);
    QTest::newRow("mostly on the second screen") << QRect(1800, 500, 1000, 700) << false << QRect(1920, 324, 1000, 700);
    QTest::newRow("above the top") << QRect(40, -300, 1000, 700) << false << QRect(40, 0, 1000, 700);
    QTest::newRow("larger than its screen") << QRect(100, 100, 2500, 1200) << false << QRect(0, 0, 1920, 1050);
    QTest::newRow("fixed size larger than its screen") << QRect(100, 100, 2500, 1200) << true
                                                       << QRect(0, 0, 2500, 1200);
    QTest::newRow("fixed size moved inside") << QRect(1700, 900, 400, 300) << true << QRect(1520, 750, 400, 300);
    QTest::newRow("on a screen gone") << QRect(5000, 100, 800, 600) << false << none;
    QTest::newRow("never saved") << QRect() << false << none;
}

void TestWindowPlaces::fittedPlace()
{
    QFETCH(QRect, saved);
    QFETCH(bool, fixedSize);
    QFETCH(QRect, expected);
    const QVector<QRect> screens{QRect(0, 0, 1920, 1050), QRect(1920, 0, 1280, 1024)};
    const std::optional<QRect> place = ::fittedPlace(saved, screens, fixedSize);
    QCOMPARE(place.value_or(QRect()), expected);
}

QTEST_GUILESS_MAIN(TestWindowPlaces)
#include "tst_windowplaces.moc"
