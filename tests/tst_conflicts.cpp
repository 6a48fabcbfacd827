#include "data/records/criterion.h"
#include "data/records/recordsource.h"
#include "support/testdatabase.h"

#include <QTest>

#include <memory>

/// What the record source writes when another connection changed the row,
/// what it takes into a quantity, and what a find matches.
class ConflictsTest : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void changeMadeMeanwhileIsAsked_data();
    void changeMadeMeanwhileIsAsked();
    void changeMadeMeanwhileWithoutResolverWritesNothing();
    void editsOfDifferentColumnsAreBothKept();
    void editEqualToWhatWasReadWritesNothing();
    void rowDeletedElsewhereIsNotBroughtBack();
    void quantityText_data();
    void quantityText();
    void blankNewRowIsSaved();
    void findMatchesOnlyTheVeryText_data();
    void findMatchesOnlyTheVeryText();
    void textTheEngineCannotHold_data();
    void textTheEngineCannotHold();
    void megabyteSearchTextFindsNothing();
    void longMalformedCriterionIsQuotedShort();

private:
    std::unique_ptr<RecordSource> openOn(const QString &table);

    std::unique_ptr<TestDatabase> m_database;
};

namespace {

QVariant companyOf(TestDatabase &database, const QString &customer)
{
    return database.value(QStringLiteral("SELECT companyname FROM CF WHERE customerno = '%1'").arg(customer));
}

} // namespace

void ConflictsTest::init()
{
    m_database = std::make_unique<TestDatabase>();
    m_database->insert("CF", {"C01", "台灣電力公司", "I01", "台北市", "台北", "陳先生"});
    m_database->insert("CF", {"C02", "中華電信", "I02", "新竹市", "新竹", "張小姐"});
}

void ConflictsTest::cleanup()
{
    m_database.reset();
}

std::unique_ptr<RecordSource> ConflictsTest::openOn(const QString &table)
{
    auto source = std::make_unique<RecordSource>(QStringLiteral("Data1"));
    const Result opened = source->open(QStringLiteral("C:\\vemo\\vemo.mdb"), table);
    return opened ? std::move(source) : nullptr;
}

void ConflictsTest::changeMadeMeanwhileIsAsked_data()
{
    QTest::addColumn<bool>("overwrite");
    QTest::addColumn<QString>("stored");
    QTest::newRow("Yes writes the typed value over") << true << "台電新竹處";
    QTest::newRow("No keeps the file's value") << false << "台電總公司";
}

void ConflictsTest::changeMadeMeanwhileIsAsked()
{
    QFETCH(bool, overwrite);
    QFETCH(QString, stored);
    auto source = openOn("CF");
    QVERIFY(source);
    const int company = source->columnIndex("companyname");
    source->setColumnCaption(company, QStringLiteral("Name of  company"));
    QVector<QVector<EditConflict>> asked;
    source->setConflictResolver([&](const QVector<EditConflict> &conflicts) {
        asked << conflicts;
        return overwrite;
    });

    m_database->execute("UPDATE CF SET companyname = '台電總公司' WHERE customerno = 'C01'");
    QVERIFY(source->setValue(company, QStringLiteral("台電新竹處")));
    const Result written = source->writePendingEdits();

    QVERIFY2(written.ok(), qPrintable(written.message()));
    QCOMPARE(asked.size(), 1);
    QCOMPARE(RecordSource::describeConflicts(asked.at(0)),
             QStringLiteral("「Name of  company」已經被改為 台電總公司(您讀到的是 台灣電力公司,輸入的是 台電新竹處)。"));
    QCOMPARE(companyOf(*m_database, "C01").toString(), stored);
    QCOMPARE(source->value(company).toString(), stored);
    QVERIFY(!source->hasPendingEdits());
}

void ConflictsTest::changeMadeMeanwhileWithoutResolverWritesNothing()
{
    auto source = openOn("CF");
    QVERIFY(source);
    m_database->execute("UPDATE CF SET companyname = '台電總公司' WHERE customerno = 'C01'");
    source->setValue("companyname", QStringLiteral("台電新竹處"));
    source->setValue("city", QStringLiteral("新竹"));
    const Result moved = source->moveNext();
    QCOMPARE(moved.message(),
             kCannotSave
                 + QStringLiteral("「companyname」已經被改為 台電總公司(您讀到的是 台灣電力公司,輸入的是 台電新竹處)。"));
    QCOMPARE(companyOf(*m_database, "C01").toString(), QStringLiteral("台電總公司"));
    QCOMPARE(m_database->value("SELECT city FROM CF WHERE customerno = 'C01'").toString(), QStringLiteral("台北"));
    QCOMPARE(source->currentIndex(), 0);
    QVERIFY(source->hasPendingEdits());
}

void ConflictsTest::editsOfDifferentColumnsAreBothKept()
{
    auto first = openOn("CF");
    auto second = openOn("CF");
    QVERIFY(first && second);
    int asked = 0;
    const auto count = [&asked](const QVector<EditConflict> &) { return ++asked, false; };
    first->setConflictResolver(count);
    second->setConflictResolver(count);
    first->setValue("city", QStringLiteral("高雄"));
    second->setValue("users", QStringLiteral("林先生"));
    QVERIFY(first->writePendingEdits().ok());
    QVERIFY(second->writePendingEdits().ok());
    QCOMPARE(asked, 0);
    QCOMPARE(m_database->rows("SELECT city, users FROM CF WHERE customerno = 'C01'").at(0),
             (QVariantList{"高雄", "林先生"}));
}

void ConflictsTest::editEqualToWhatWasReadWritesNothing()
{
    auto source = openOn("CF");
    QVERIFY(source);
    m_database->refuseUpdates("CF", "city", "frozen");
    source->setValue("city", QStringLiteral("台北"));
    const Result written = source->writePendingEdits();
    QVERIFY2(written.ok(), qPrintable(written.message()));
    source->setValue("city", QStringLiteral("台中"));
    QCOMPARE(source->writePendingEdits().message(), kCannotSave + QStringLiteral("frozen"));
}

void ConflictsTest::rowDeletedElsewhereIsNotBroughtBack()
{
    auto source = openOn("CF");
    QVERIFY(source);
    m_database->execute("DELETE FROM CF WHERE customerno = 'C01'");
    source->setValue("city", QStringLiteral("高雄"));
    const Result written = source->writePendingEdits();
    QCOMPARE(written.message(), kCannotSave + QStringLiteral("這筆資料已經被刪除(可能是別的使用者刪除的),修改沒有儲存。"));
    QCOMPARE(m_database->value("SELECT count(*) FROM CF").toInt(), 1);
    source->discardEdits();
    QVERIFY(!source->hasPendingEdits());
    QVERIFY(source->moveNext().ok());
    QCOMPARE(m_database->value("SELECT count(*) FROM CF").toInt(), 1);
}

void ConflictsTest::quantityText_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QVariant>("stored");
    QTest::addColumn<QString>("refusal");
    const QString range = kCannotSave + QStringLiteral("「Lending amount」只能輸入 -32768 到 32767 之間的整數,「%1」超出範圍。");
    QTest::newRow("whole") << "12" << QVariant(12) << QString();
    QTest::newRow("blanks around") << "  7 " << QVariant(7) << QString();
    QTest::newRow("2.5 to even 2") << "2.5" << QVariant(2) << QString();
    QTest::newRow("3.5 to even 4") << "3.5" << QVariant(4) << QString();
    QTest::newRow("-2.5 to even -2") << "-2.5" << QVariant(-2) << QString();
    QTest::newRow("lowest") << "-32768" << QVariant(-32768) << QString();
    QTest::newRow("highest with leading zeros") << "0032767.4" << QVariant(32767) << QString();
    QTest::newRow("cleared") << "  " << QVariant() << QString();
    QTest::newRow("40000") << "40000" << QVariant() << range.arg("40000");
    QTest::newRow("32767.5 rounds out") << "32767.5" << QVariant() << range.arg("32767.5");
    QTest::newRow("-32769") << "-32769" << QVariant() << range.arg("-32769");
    QTest::newRow("19 digits") << "1234567890123456789" << QVariant() << range.arg("1234567890123456789");
    QTest::newRow("not a number") << "2,5" << QVariant()
                                  << kCannotSave + QStringLiteral("「Lending amount」只能輸入數字,「2,5」不是數字。");
    QTest::newRow("exponent") << "1e3" << QVariant()
                              << kCannotSave + QStringLiteral("「Lending amount」只能輸入數字,「1e3」不是數字。");
}

void ConflictsTest::quantityText()
{
    QFETCH(QString, typed);
    QFETCH(QVariant, stored);
    QFETCH(QString, refusal);
    m_database->insert("MBBR", {"L001", "E01", "A01", "C01", "陳先生", 3});
    auto source = openOn("MBBR");
    QVERIFY(source);
    const int quantity = source->columnIndex("borrowqty");
    source->setColumnCaption(quantity, QStringLiteral("Lending amount"));
    source->setValue(quantity, typed);
    const Result written = source->writePendingEdits();
    QCOMPARE(written.message(), refusal);
    const QVariant inFile = m_database->value("SELECT borrowqty FROM MBBR");
    if (refusal.isEmpty())
        QCOMPARE(inFile.isNull() ? QVariant() : QVariant(inFile.toInt()), stored);
    else
        QCOMPARE(inFile.toInt(), 3);
}

void ConflictsTest::blankNewRowIsSaved()
{
    auto source = openOn("CF");
    QVERIFY(source);
    QVERIFY(source->addNew().ok());
    const Result saved = source->update();
    QVERIFY2(saved.ok(), qPrintable(saved.message()));
    QCOMPARE(m_database->value("SELECT count(*) FROM CF WHERE customerno IS NULL AND companyname IS NULL").toInt(), 1);
    QCOMPARE(source->rowCount(), 3);
}

void ConflictsTest::findMatchesOnlyTheVeryText_data()
{
    QTest::addColumn<QString>("stored");
    QTest::addColumn<QString>("searched");
    QTest::addColumn<bool>("found");
    QTest::newRow("case ignored") << "Lin" << "LIN" << true;
    QTest::newRow("NUL, same text") << QStringLiteral("A") + QChar(0) + "B" << QStringLiteral("a") + QChar(0) + "b"
                                    << true;
    QTest::newRow("NUL, other text after it") << QStringLiteral("A") + QChar(0) + "B"
                                              << QStringLiteral("A") + QChar(0) + "C" << false;
    QTest::newRow("NUL searched, none stored") << "AB" << QStringLiteral("A") + QChar(0) + "B" << false;
    QTest::newRow("lone surrogate against another") << QStringLiteral("K") + QChar(0xD800)
                                                    << QStringLiteral("K") + QChar(0xDBFF) << false;
    QTest::newRow("lone surrogate against a letter") << QStringLiteral("K?") << QStringLiteral("K") + QChar(0xD800)
                                                     << false;
    QTest::newRow("lone surrogate against the replacement") << QStringLiteral("K") + QChar(0xFFFD)
                                                            << QStringLiteral("K") + QChar(0xDC00) << false;
}

void ConflictsTest::findMatchesOnlyTheVeryText()
{
    QFETCH(QString, stored);
    QFETCH(QString, searched);
    QFETCH(bool, found);
    if (TestDatabase::onServer() && stored.contains(QChar(0)))
        QSKIP("the server's texts hold no NUL");
    m_database->insert("CF", {"C03", "其他", "I01", "", "", stored});
    auto source = openOn("CF");
    QVERIFY(source);
    const Result searchedResult = source->findFirst(QStringLiteral("users = '") + quotedValueText(searched) + "'");
    QVERIFY2(searchedResult.ok(), qPrintable(searchedResult.message()));
    QCOMPARE(!source->noMatch(), found);
    QCOMPARE(source->currentIndex(), found ? 2 : 0);
}

void ConflictsTest::textTheEngineCannotHold_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<bool>("held");
    QTest::newRow("NUL") << QStringLiteral("A") + QChar(0) + "B" << false;
    QTest::newRow("NUL alone") << QString(QChar(0)) << false;
    QTest::newRow("lone surrogate") << QStringLiteral("K") + QChar(0xD800) << false;
    QTest::newRow("surrogates swapped") << QStringLiteral("K") + QChar(0xDC00) + QChar(0xD800) << false;
    QTest::newRow("surrogate pair") << QStringLiteral("K") + QString::fromUcs4(U"\U0001F600") << true;
}

void ConflictsTest::textTheEngineCannotHold()
{
    QFETCH(QString, typed);
    QFETCH(bool, held);
    auto source = openOn("CF");
    QVERIFY(source);
    const int city = source->columnIndex("city");
    source->setColumnCaption(city, QStringLiteral("City"));
    source->setValue(city, typed);
    const Result written = source->writePendingEdits();
    const QString inFile = m_database->value("SELECT city FROM CF WHERE customerno = 'C01'").toString();
    if (held) {
        QVERIFY2(written.ok(), qPrintable(written.message()));
        QCOMPARE(inFile, typed);
        return;
    }
    QCOMPARE(written.message(),
             kCannotSave + QStringLiteral("「City」含有資料庫無法儲存的字元(NUL 或不成對的代理字元),請刪除後再試一次。"));
    QCOMPARE(inFile, QStringLiteral("台北"));
    QCOMPARE(source->value(city).toString(), typed);
}

void ConflictsTest::megabyteSearchTextFindsNothing()
{
    auto source = openOn("CF");
    QVERIFY(source);
    const QString text = QString(1 << 20, QLatin1Char('x')) + QStringLiteral("'") + QChar(0xD800);
    const Result searched = source->findFirst(QStringLiteral("[users] = '") + quotedValueText(text) + "'");
    QVERIFY2(searched.ok(), qPrintable(searched.message().left(300)));
    QVERIFY(source->noMatch());
    QCOMPARE(source->currentIndex(), 0);
}

void ConflictsTest::longMalformedCriterionIsQuotedShort()
{
    auto source = openOn("CF");
    QVERIFY(source);
    const QString criterion = QStringLiteral("users = '") + QString(100000, QLatin1Char('y'));
    const Result searched = source->findFirst(criterion);
    QCOMPARE(searched.message(),
             kCannotRead + QStringLiteral("搜尋準則的語法錯誤: ") + criterion.left(200) + QStringLiteral("…"));
}

QTEST_GUILESS_MAIN(ConflictsTest)
#include "tst_conflicts.moc"
