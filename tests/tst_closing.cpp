#include "app/mainform.h"
#include "data/records/recordsource.h"
#include "screens/form6.h"
#include "screens/screen.h"
#include "support/scripteddialogs.h"
#include "support/testdatabase.h"
#include "support/userinput.h"

#include <QAccessible>
#include <QAccessibleEditableTextInterface>
#include <QAction>
#include <QTest>

#include <memory>

/// Every window can be closed: edits that cannot be written are told, and
/// the user may give them up.
class ClosingTest : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void unwritableEditAsksBeforeClosing_data();
    void unwritableEditAsksBeforeClosing();
    void endingAsksOnceForAllScreens_data();
    void endingAsksOnceForAllScreens();
    void conflictOnCloseAsksWithTheCaption();
    void textSetThroughAccessibilityIsAnEdit();

private:
    std::unique_ptr<TestDatabase> m_database;
    ScriptedDialogs m_dialogs;
    QString m_lastSearch;
};

using namespace userinput;

namespace {

const DialogCall kGiveUp{DialogCall::Kind::Message, kGiveUpQuestion, kApplicationTitle,
                         MessageButtons::YesNo,      MessageIcon::None, MessageAnswer::No};

struct Fault
{
    QString field;
    QString typed;
    QString meanwhile;
    QString told;
};

} // namespace

Q_DECLARE_METATYPE(Fault)

void ClosingTest::init()
{
    m_database = std::make_unique<TestDatabase>();
    m_dialogs = ScriptedDialogs();
    m_database->insert("MSF", {"A01", "螺絲", "一號倉庫", 20, "5", "12", "0", "S01"});
    m_database->insert("MSF", {"A02", "電線", "二號倉庫", 7, "2", "80", "0", "S01"});
}

void ClosingTest::cleanup()
{
    const QStringList deviations = m_dialogs.deviations();
    m_database.reset();
    QVERIFY2(deviations.isEmpty(), qPrintable(deviations.join(QStringLiteral("; "))));
}

void ClosingTest::unwritableEditAsksBeforeClosing_data()
{
    QTest::addColumn<Fault>("fault");
    QTest::addColumn<bool>("giveUp");
    const Fault deleted{"Text2", "鐵釘", "DELETE FROM MSF WHERE materielno = 'A01'",
                        kCannotSave + "這筆資料已經被刪除(可能是別的使用者刪除的),修改沒有儲存。"};
    const Fault refused{"Text4", "abc", "", kCannotSave + "「Stock capacity」只能輸入數字,「abc」不是數字。"};
    const Fault readOnly{"Text3", "三號倉庫",
                         "CREATE TRIGGER readonly BEFORE UPDATE ON MSF BEGIN SELECT RAISE(ABORT, "
                         "'attempt to write a readonly database'); END",
                         kCannotSave + "attempt to write a readonly database"};
    for (bool giveUp : {true, false}) {
        const char *answer = giveUp ? ", Yes" : ", No";
        QTest::newRow(qPrintable(QStringLiteral("row deleted elsewhere") + answer)) << deleted << giveUp;
        QTest::newRow(qPrintable(QStringLiteral("refused value") + answer)) << refused << giveUp;
        QTest::newRow(qPrintable(QStringLiteral("file refuses writes") + answer)) << readOnly << giveUp;
    }
}

void ClosingTest::unwritableEditAsksBeforeClosing()
{
    QFETCH(Fault, fault);
    QFETCH(bool, giveUp);
    std::unique_ptr<Screen> screen = showScreen(form6Declaration(), m_dialogs, m_lastSearch);
    retype(*screen, fault.field, fault.typed);
    if (!fault.meanwhile.isEmpty())
        m_database->execute(fault.meanwhile);
    const auto before = m_database->tableRows(QStringLiteral("MSF"));

    m_dialogs.pressOk();
    m_dialogs.chooseAnswer(giveUp ? MessageAnswer::Yes : MessageAnswer::No);
    const bool closed = screen->close();

    QCOMPARE(closed, giveUp);
    QCOMPARE(m_dialogs.takeCalls(), (QVector<DialogCall>{DialogCall::told(fault.told), kGiveUp}));
    QCOMPARE(m_database->tableRows(QStringLiteral("MSF")), before);
    if (giveUp)
        return;
    QVERIFY(screen->isVisible());
    QCOMPARE(shown(*screen, fault.field), fault.typed);
    // Asked again on the next close, and Yes then closes.
    m_dialogs.pressOk();
    m_dialogs.chooseAnswer(MessageAnswer::Yes);
    QVERIFY(screen->close());
    QCOMPARE(m_dialogs.takeCalls(), (QVector<DialogCall>{DialogCall::told(fault.told), kGiveUp}));
    QCOMPARE(m_database->tableRows(QStringLiteral("MSF")), before);
}

void ClosingTest::endingAsksOnceForAllScreens_data()
{
    QTest::addColumn<bool>("giveUp");
    QTest::newRow("Yes ends") << true;
    QTest::newRow("No goes on") << false;
}

void ClosingTest::endingAsksOnceForAllScreens()
{
    QFETCH(bool, giveUp);
    MainForm mainForm(m_dialogs);
    bool ended = false;
    mainForm.setQuitHandler([&] { ended = true; });
    Screen *stock = mainForm.showScreen(QStringLiteral("Form6"));
    Screen *lending = mainForm.showScreen(QStringLiteral("Form7"));
    QVERIFY(stock && lending);
    retype(*stock, "Text4", QStringLiteral("40000"));
    retype(*lending, "Text7", QStringLiteral("x"));
    m_dialogs.pressOk();
    m_dialogs.pressOk();
    m_dialogs.chooseAnswer(giveUp ? MessageAnswer::Yes : MessageAnswer::No);

    mainForm.findChild<QAction *>(kEndEntryName)->trigger();

    const QString range = kCannotSave + "「Stock capacity」只能輸入 -32768 到 32767 之間的整數,「40000」超出範圍。";
    const QString letter = kCannotSave + "「Stoct capacity」只能輸入數字,「x」不是數字。";
    QVector<DialogCall> calls = m_dialogs.takeCalls();
    QCOMPARE(calls.size(), 3);
    QCOMPARE(calls.last(), kGiveUp);
    calls.removeLast();
    std::sort(calls.begin(), calls.end(), [](const DialogCall &a, const DialogCall &b) { return a.text < b.text; });
    QVector<DialogCall> told{DialogCall::told(range), DialogCall::told(letter)};
    std::sort(told.begin(), told.end(), [](const DialogCall &a, const DialogCall &b) { return a.text < b.text; });
    QCOMPARE(calls, told);
    QCOMPARE(ended, giveUp);
    QCOMPARE(mainForm.module1().connection.isOpen(), !giveUp);
    QCOMPARE(m_database->value("SELECT inventory FROM MSF WHERE materielno = 'A01'").toInt(), 20);
}

void ClosingTest::conflictOnCloseAsksWithTheCaption()
{
    std::unique_ptr<Screen> screen = showScreen(form6Declaration(), m_dialogs, m_lastSearch);
    retype(*screen, "Text4", QStringLiteral("25"));
    m_database->execute("UPDATE MSF SET inventory = 30 WHERE materielno = 'A01'");
    m_dialogs.chooseAnswer(MessageAnswer::Yes);

    QVERIFY(screen->close());

    const QString question =
        QStringLiteral("「Stock capacity」已經被改為 30(您讀到的是 20,輸入的是 25)。要用您輸入的內容覆蓋嗎?");
    QCOMPARE(m_dialogs.takeCalls(), (QVector<DialogCall>{{DialogCall::Kind::Message, question, kApplicationTitle,
                                                          MessageButtons::YesNo, MessageIcon::None,
                                                          MessageAnswer::No}}));
    QCOMPARE(m_database->value("SELECT inventory FROM MSF WHERE materielno = 'A01'").toInt(), 25);
}

void ClosingTest::textSetThroughAccessibilityIsAnEdit()
{
    std::unique_ptr<Screen> screen = showScreen(form6Declaration(), m_dialogs, m_lastSearch);
    QAccessibleInterface *field = QAccessible::queryAccessibleInterface(control(*screen, "Text2"));
    QVERIFY(field);
    field->setText(QAccessible::Value, QStringLiteral("鐵釘"));
    QVERIFY(screen->source("Data1")->hasPendingEdits());
    QVERIFY(screen->close());
    QCOMPARE(m_database->value("SELECT materiel FROM MSF WHERE materielno = 'A01'").toString(), QStringLiteral("鐵釘"));
}

QTEST_MAIN(ClosingTest)
#include "tst_closing.moc"
