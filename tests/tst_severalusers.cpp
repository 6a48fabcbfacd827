#include "commands/dialogs.h"
#include "data/records/stockupdate.h"
#include "screens/form6.h"
#include "screens/screen.h"
#include "support/everyrow.h"
#include "support/scripteddialogs.h"
#include "support/testdatabase.h"
#include "support/userinput.h"

#include <QDir>
#include <QFile>
#include <QTest>

#include <memory>

using namespace userinput;

/// Two programs on one database, each a stock screen of its own with its own
/// connection and its own dialogs: what one user does never loses the other's work.
class SeveralUsersTest : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void editsOfDifferentColumnsOfOneRowAreBothKept_data();
    void editsOfDifferentColumnsOfOneRowAreBothKept();
    void editOfTheSameColumnIsAsked_data();
    void editOfTheSameColumnIsAsked();
    void lendingBesideAnEditOfTheMaterial_data();
    void lendingBesideAnEditOfTheMaterial();
    void lendingAfterAStockEditIsRefused();
    void rowDeletedByOneUserIsToldToTheOther();
    void rowAddedUnderADeletedRowsNumberIsLeftAlone_data();
    void rowAddedUnderADeletedRowsNumberIsLeftAlone();
    void fileReplacedUnderTwoWindows();
    void serverRestartedBetweenTwoCommands_data();
    void serverRestartedBetweenTwoCommands();

private:
    struct User
    {
        ScriptedDialogs dialogs;
        QString lastSearch;
        std::unique_ptr<Screen> screen;
    };

    void openStockScreens();
    QString stored(const QString &field, const QString &material);

    std::unique_ptr<TestDatabase> m_database;
    User m_one;
    User m_other;
};

namespace {

const FieldDeclaration &fieldOf(const QString &name)
{
    static const ScreenDeclaration declaration = form6Declaration();
    for (const FieldDeclaration &field : declaration.fields) {
        if (field.name == name)
            return field;
    }
    qFatal("Form6 has no field %s", qPrintable(name));
}

QString question(const QString &field, const QString &now, const QString &read, const QString &typed)
{
    return QStringLiteral("「%1」已經被改為 %2(您讀到的是 %3,輸入的是 %4)。")
               .arg(fieldOf(field).caption, now, read, typed)
         + kOverwriteQuestion;
}

DialogCall askedWithoutDefault(const QString &text)
{
    return {DialogCall::Kind::Message, text, kApplicationTitle, MessageButtons::YesNo, MessageIcon::None,
            MessageAnswer::No};
}

const DialogCall kGiveUp = askedWithoutDefault(kGiveUpQuestion);

} // namespace

void SeveralUsersTest::init()
{
    m_database = std::make_unique<TestDatabase>();
    m_database->insert(QStringLiteral("MSF"), {"A01", "螺絲", "一號倉庫", 20, "5", "12", "0", "S01"});
    m_database->insert(QStringLiteral("MSF"), {"A02", "電線", "二號倉庫", 7, "2", "80", "0", "S01"});
    m_database->insert(QStringLiteral("MSF"), {"B01", "保險絲", "三號倉庫", 30, "10", "3", "1", "S02"});
    m_database->insert(QStringLiteral("SUPPLIER"), {"S01", "大同五金"});
    m_database->insert(QStringLiteral("SUPPLIER"), {"S02", "永豐電料"});
}

void SeveralUsersTest::cleanup()
{
    QStringList deviations;
    for (User *user : {&m_one, &m_other}) {
        user->screen.reset();
        deviations << user->dialogs.deviations();
        user->dialogs = ScriptedDialogs();
    }
    m_database.reset();
    QVERIFY2(deviations.isEmpty(), qPrintable(deviations.join(QStringLiteral("; "))));
}

void SeveralUsersTest::openStockScreens()
{
    for (User *user : {&m_one, &m_other}) {
        user->screen = showScreen(form6Declaration(), user->dialogs, user->lastSearch);
        QVERIFY(user->screen);
    }
}

QString SeveralUsersTest::stored(const QString &field, const QString &material)
{
    return m_database
        ->value(QStringLiteral("SELECT %1 FROM MSF WHERE materielno = '%2'").arg(fieldOf(field).column, material))
        .toString();
}

void SeveralUsersTest::editsOfDifferentColumnsOfOneRowAreBothKept_data()
{
    QTest::addColumn<QString>("first");
    QTest::addColumn<QString>("firstValue");
    QTest::addColumn<QString>("second");
    QTest::addColumn<QString>("secondValue");
    QTest::newRow("two texts") << "Text2" << "六角螺絲" << "Text3" << "四號倉庫";
    QTest::newRow("a text and a quantity") << "Text6" << "15" << "Text4" << "18";
    QTest::newRow("a quantity and a text") << "Text4" << "-2" << "Text7" << "1";
}

void SeveralUsersTest::editsOfDifferentColumnsOfOneRowAreBothKept()
{
    QFETCH(QString, first);
    QFETCH(QString, firstValue);
    QFETCH(QString, second);
    QFETCH(QString, secondValue);
    openStockScreens();
    retype(*m_one.screen, first, firstValue);
    retype(*m_other.screen, second, secondValue);

    clickGridRow(*m_one.screen, 1);
    clickGridRow(*m_other.screen, 1);

    QCOMPARE(stored(first, "A01"), firstValue);
    QCOMPARE(stored(second, "A01"), secondValue);
    QCOMPARE(stored("Text1", "A01"), QStringLiteral("A01"));
    QVERIFY(m_one.dialogs.takeCalls().isEmpty());
    QVERIFY(m_other.dialogs.takeCalls().isEmpty());
    // Each user sees the other's change on coming back to the row.
    clickGridRow(*m_one.screen, 0);
    QCOMPARE(shown(*m_one.screen, second), secondValue);
}

void SeveralUsersTest::editOfTheSameColumnIsAsked_data()
{
    QTest::addColumn<MessageAnswer>("answer");
    QTest::addColumn<QString>("kept");
    QTest::newRow("Yes writes the second user's value") << MessageAnswer::Yes << "六號倉庫";
    QTest::newRow("No keeps the first user's value") << MessageAnswer::No << "五號倉庫";
}

void SeveralUsersTest::editOfTheSameColumnIsAsked()
{
    QFETCH(MessageAnswer, answer);
    QFETCH(QString, kept);
    openStockScreens();
    retype(*m_one.screen, "Text3", QStringLiteral("五號倉庫"));
    retype(*m_other.screen, "Text3", QStringLiteral("六號倉庫"));
    clickGridRow(*m_one.screen, 1);
    m_other.dialogs.chooseAnswer(answer);

    clickGridRow(*m_other.screen, 1);

    QCOMPARE(m_other.dialogs.takeCalls(),
             (QVector<DialogCall>{askedWithoutDefault(question("Text3", "五號倉庫", "一號倉庫", "六號倉庫"))}));
    QCOMPARE(stored("Text3", "A01"), kept);
    QVERIFY(m_one.dialogs.takeCalls().isEmpty());
}

void SeveralUsersTest::lendingBesideAnEditOfTheMaterial_data()
{
    QTest::addColumn<QString>("field");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<MessageAnswer>("answer");
    QTest::addColumn<QString>("stockKept");
    QTest::newRow("location edited: both kept, nothing asked") << "Text3" << "五號倉庫" << MessageAnswer::Ok << "15";
    QTest::newRow("stock edited, Yes: the edit written over the lending")
        << "Text4" << "30" << MessageAnswer::Yes << "30";
    QTest::newRow("stock edited, No: the lending kept") << "Text4" << "30" << MessageAnswer::No << "15";
}

void SeveralUsersTest::lendingBesideAnEditOfTheMaterial()
{
    QFETCH(QString, field);
    QFETCH(QString, typed);
    QFETCH(MessageAnswer, answer);
    QFETCH(QString, stockKept);
    openStockScreens();
    retype(*m_one.screen, field, typed);
    const QString before = shown(*m_other.screen, field);

    const Result lent = executeStockUpdate(StockMovement::Lending, 15, QStringLiteral("A01"), QStringLiteral("20"));
    QVERIFY2(lent.ok(), qPrintable(lent.message()));
    if (answer != MessageAnswer::Ok)
        m_one.dialogs.chooseAnswer(answer);
    clickGridRow(*m_one.screen, 1);

    const QVector<DialogCall> asked = m_one.dialogs.takeCalls();
    if (answer == MessageAnswer::Ok) {
        QVERIFY(asked.isEmpty());
        QCOMPARE(stored(field, "A01"), typed);
    } else {
        QCOMPARE(asked, (QVector<DialogCall>{askedWithoutDefault(question(field, "15", before, typed))}));
    }
    QCOMPARE(stored("Text4", "A01"), stockKept);
    QCOMPARE(stored("Text4", "A02"), QStringLiteral("7"));
}

void SeveralUsersTest::lendingAfterAStockEditIsRefused()
{
    openStockScreens();
    retype(*m_one.screen, "Text4", QStringLiteral("30"));
    clickGridRow(*m_one.screen, 1);

    const Result lent = executeStockUpdate(StockMovement::Lending, 15, QStringLiteral("A01"), QStringLiteral("20"));

    QCOMPARE(lent.message(), QStringLiteral("庫存已經變更為 30,請按 Stock capacity 重新查詢後再借出。"));
    QCOMPARE(stored("Text4", "A01"), QStringLiteral("30"));
}

void SeveralUsersTest::rowDeletedByOneUserIsToldToTheOther()
{
    openStockScreens();
    retype(*m_other.screen, "Text6", QStringLiteral("99"));
    m_one.dialogs.chooseAnswer(MessageAnswer::Yes);
    press(*m_one.screen, "Command2");
    QCOMPARE(m_database->value(QStringLiteral("SELECT count(*) FROM MSF")).toInt(), 2);
    m_one.dialogs.takeCalls();

    m_other.dialogs.pressOk();
    m_other.dialogs.chooseAnswer(MessageAnswer::No);
    QVERIFY(!m_other.screen->close());

    QCOMPARE(m_other.dialogs.takeCalls(),
             (QVector<DialogCall>{
                 DialogCall::told(kCannotSave + QStringLiteral("這筆資料已經被刪除(可能是別的使用者刪除的),修改沒有儲存。")),
                 kGiveUp}));
    QCOMPARE(shown(*m_other.screen, "Text6"), QStringLiteral("99"));
    QCOMPARE(m_database->value(QStringLiteral("SELECT count(*) FROM MSF")).toInt(), 2);
    m_other.dialogs.pressOk();
    m_other.dialogs.chooseAnswer(MessageAnswer::Yes);
    QVERIFY(m_other.screen->close());
    m_other.dialogs.takeCalls();
}

void SeveralUsersTest::rowAddedUnderADeletedRowsNumberIsLeftAlone_data()
{
    QTest::addColumn<bool>("deleting");
    QTest::newRow("edit") << false;
    QTest::newRow("Delete") << true;
}

void SeveralUsersTest::rowAddedUnderADeletedRowsNumberIsLeftAlone()
{
    QFETCH(bool, deleting);
    openStockScreens();
    clickGridRow(*m_one.screen, 2);
    clickGridRow(*m_other.screen, 2);
    m_one.dialogs.chooseAnswer(MessageAnswer::Yes);
    press(*m_one.screen, "Command2");
    m_one.dialogs.takeCalls();
    m_database->insert(QStringLiteral("MSF"), {"NEW1", "新材料", "四號倉庫", 5, "1", "9", "0", "S01"});
    if (!TestDatabase::onServer())
        QCOMPARE(m_database->value(QStringLiteral("SELECT rowid FROM MSF WHERE materielno = 'NEW1'")).toInt(), 3);

    const DialogCall told =
        DialogCall::told(kCannotSave + QStringLiteral("這筆資料已經被刪除(可能是別的使用者刪除的),修改沒有儲存。"));
    if (deleting) {
        m_other.dialogs.chooseAnswer(MessageAnswer::Yes);
        m_other.dialogs.pressOk();
        press(*m_other.screen, "Command2");
        QCOMPARE(m_other.dialogs.takeCalls().value(1), told);
    } else {
        retype(*m_other.screen, "Text6", QStringLiteral("99"));
        m_other.dialogs.pressOk();
        m_other.dialogs.chooseAnswer(MessageAnswer::No);
        QVERIFY(!m_other.screen->close());
        QCOMPARE(m_other.dialogs.takeCalls(), (QVector<DialogCall>{told, kGiveUp}));
        m_other.dialogs.pressOk();
        m_other.dialogs.chooseAnswer(MessageAnswer::Yes);
        QVERIFY(m_other.screen->close());
        m_other.dialogs.takeCalls();
    }
    QCOMPARE(m_database->rows(QStringLiteral("SELECT materielno, price FROM MSF ORDER BY materielno")),
             (QVector<QVariantList>{{"A01", "12"}, {"A02", "80"}, {"NEW1", "9"}}));
}

void SeveralUsersTest::fileReplacedUnderTwoWindows()
{
    if (TestDatabase::onServer())
        QSKIP("a server has no file to move over");
    const QString file = m_database->file();
    const QString backup = file + QStringLiteral(".backup");
    m_database->execute(QStringLiteral("VACUUM INTO '%1'").arg(backup));
    m_database->execute(QStringLiteral("UPDATE MSF SET materiel = '六角螺絲' WHERE materielno = 'A01'"));
    m_database->execute(QStringLiteral("UPDATE SUPPLIER SET supplier = '大同五金行' WHERE supplierno = 'S01'"));
    openStockScreens();
    QCOMPARE(shown(*m_one.screen, "DBCombo1"), QStringLiteral("大同五金行"));
    retype(*m_one.screen, "Text2", QStringLiteral("一字螺絲"));
    // A user restores a backup while both windows are open.
    QVERIFY(QFile::rename(file, file + QStringLiteral(".old")));
    QVERIFY(QFile::rename(backup, file));

    m_other.dialogs.pressOk();
    clickGridRow(*m_other.screen, 2);
    const QString replaced =
        QStringLiteral("資料庫檔案 '%1' 已經被另一個檔案取代了(例如還原了備份)").arg(QDir::toNativeSeparators(file));
    QCOMPARE(m_other.dialogs.takeCalls(),
             QVector<DialogCall>{DialogCall::told(replaced + QStringLiteral(";畫面改為顯示目前這個檔案的資料,剛才的動作沒有執行。"))});
    QCoreApplication::processEvents();
    QCOMPARE(shown(*m_other.screen, "Text2"), QStringLiteral("螺絲"));
    QCOMPARE(shown(*m_other.screen, "DBCombo1"), QStringLiteral("大同五金"));

    m_one.dialogs.pressOk();
    m_one.dialogs.chooseAnswer(MessageAnswer::No);
    QVERIFY(!m_one.screen->close());
    QCOMPARE(m_one.dialogs.takeCalls(),
             (QVector<DialogCall>{DialogCall::told(kCannotSave + replaced + QStringLiteral(",修改沒有寫入任何檔案。")), kGiveUp}));
    QCOMPARE(shown(*m_one.screen, "Text2"), QStringLiteral("一字螺絲"));
    m_one.dialogs.pressOk();
    m_one.dialogs.chooseAnswer(MessageAnswer::Yes);
    QVERIFY(m_one.screen->close());
    m_one.dialogs.takeCalls();

    retype(*m_other.screen, "Text2", QStringLiteral("方頭螺絲"));
    QVERIFY(m_other.screen->close());
    const auto materialNames = [](const QString &path) {
        QStringList names;
        for (const QVariantList &row : everyRow(path)) {
            if (row.first() == "MSF")
                names << row.at(2).toString();
        }
        return names;
    };
    QCOMPARE(materialNames(file), (QStringList{"方頭螺絲", "電線", "保險絲"}));
    // The old file keeps what was written to it before, its journal merged in.
    QCOMPARE(materialNames(file + QStringLiteral(".old")), (QStringList{"六角螺絲", "電線", "保險絲"}));
}

void SeveralUsersTest::serverRestartedBetweenTwoCommands_data()
{
    QTest::addColumn<QString>("typed");
    QTest::newRow("a value typed") << "六角螺絲";
    QTest::newRow("nothing typed") << "";
}

void SeveralUsersTest::serverRestartedBetweenTwoCommands()
{
    if (!TestDatabase::onServer())
        QSKIP("an embedded file has no server to restart");
    QFETCH(QString, typed);
    const QString kLost = QStringLiteral("與資料庫伺服器的連線中斷了(伺服器可能重新啟動了),下一個動作會重新連線。(");
    openStockScreens();
    if (!typed.isEmpty())
        retype(*m_one.screen, "Text2", typed);

    m_database->dropConnections();
    if (!typed.isEmpty()) {
        m_one.dialogs.pressOk();
        m_one.dialogs.chooseAnswer(MessageAnswer::No);
    }
    const bool closed = m_one.screen->close();

    const QVector<DialogCall> told = m_one.dialogs.takeCalls();
    if (typed.isEmpty()) {
        // Nothing to write: closing needs no server.
        QVERIFY(closed);
        QVERIFY(told.isEmpty());
    } else {
        QVERIFY(!closed);
        QCOMPARE(told.size(), 2);
        QVERIFY2(told.at(0).text.startsWith(kCannotSave + kLost), qPrintable(told.at(0).text));
        QCOMPARE(told.at(1), kGiveUp);
        QCOMPARE(shown(*m_one.screen, "Text2"), typed);
        QCOMPARE(stored("Text2", "A01"), QStringLiteral("螺絲"));
        // The next command opens the connection again and writes.
        QVERIFY(m_one.screen->close());
        QVERIFY(m_one.dialogs.takeCalls().isEmpty());
        QCOMPARE(stored("Text2", "A01"), typed);
    }
    // Both windows are of one program and share its connection: once the first has opened it again the
    // other's move reads at once; else the other's move finds it gone and is told, and the next reads again.
    if (typed.isEmpty()) {
        m_other.dialogs.pressOk();
        clickGridRow(*m_other.screen, 2);
        const QVector<DialogCall> otherTold = m_other.dialogs.takeCalls();
        QCOMPARE(otherTold.size(), 1);
        QVERIFY2(otherTold.at(0).text.startsWith(kCannotRead + kLost), qPrintable(otherTold.at(0).text));
        QCOMPARE(shown(*m_other.screen, "Text1"), QStringLiteral("A01"));
    }
    clickGridRow(*m_other.screen, 2);
    QVERIFY(m_other.dialogs.takeCalls().isEmpty());
    QCOMPARE(shown(*m_other.screen, "Text1"), QStringLiteral("B01"));
    // The supplier list reads through the same connection, opened again for it too.
    QCOMPARE(shown(*m_other.screen, "DBCombo1"), QStringLiteral("永豐電料"));
    const Result returned =
        executeStockUpdate(StockMovement::Returning, 25, QStringLiteral("A01"), QStringLiteral("20"));
    QVERIFY2(returned.ok(), qPrintable(returned.message()));
    QCOMPARE(stored("Text4", "A01"), QStringLiteral("25"));
}

QTEST_MAIN(SeveralUsersTest)
#include "tst_severalusers.moc"
