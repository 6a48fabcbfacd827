#include "app/mainform.h"
#include "data/records/recordsource.h"
#include "screens/form10.h"
#include "screens/form4.h"
#include "screens/form6.h"
#include "screens/screen.h"
#include "support/scripteddialogs.h"
#include "support/testdatabase.h"
#include "support/userinput.h"

#include <QAbstractItemView>
#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QGroupBox>
#include <QHeaderView>
#include <QInputMethodEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTableView>
#include <QTest>

#include <functional>
#include <memory>

using namespace userinput;

namespace {

/// A field of a screen: its control, label caption, column, and what a user
/// types (or, for a lookup, chooses) into it for a new row.
struct FieldCase
{
    QString name;
    QString caption;
    QString column;
    QString typed;
};

/// What the customer, material stock and supplier screens have in common,
/// with the rows each one is opened on.
struct ScreenCase
{
    QString form;
    QString menuEntry;
    QString caption;
    std::function<ScreenDeclaration()> declaration;
    QString table;
    QStringList columns;
    QVector<QVariantList> rows;
    QVector<FieldCase> fields;
    QString lookup;                     // its field name; empty when the screen has none
    QHash<QString, QString> lookupNames; // bound value -> shown name
    QString increase;
    QString save;
    QString remove;
    QStringList buttons; // in the order they stand: name, caption, enabled at start
    QStringList tabOrder; // from Text1 on, with every button enabled
};

const QVector<ScreenCase> &screenCases()
{
    static const QVector<ScreenCase> cases = {
        {"Form4",
         "CF",
         "Customer basic data",
         form4Declaration,
         "CF",
         {"customerno", "companyname", "industryno", "address", "city", "users", "telphoneno", "faxno", "emails"},
         {{"C01", "台灣電力公司", "I02", "台北市中正區羅斯福路一段1號", "台北市", "王小明", "02-2341-0001",
           "02-2341-0002", "wang@power.example"},
          {"C02", "中華電信", "I01", "台北市信義路一段21號", "台北市", "李大華", "02-2344-1234", "02-2344-1235",
           "li@tel.example"},
          {"C03", "長榮海運", "I03", "桃園市蘆竹區新南路一段163號", "桃園市", "王小明", "03-312-3456",
           "03-312-3457", "wang@sea.example"}},
         {{"Text1", "Customer No.", "customerno", "C04"},
          {"Text3", "Name of  company", "companyname", "統一企業"},
          {"Text4", "Customer Address", "address", "台南市永康區中正路301號"},
          {"Text5", "City", "city", "台南市"},
          {"Text6", "Person to contact", "users", "林志明"},
          {"Text7", "Telephone No.", "telphoneno", "06-253-1234"},
          {"Text8", "Fax No.", "faxno", "06-253-1235"},
          {"Text9", "E-mail", "emails", "lin@food.example"},
          {"DBCombo1", "Trade code", "industryno", "航運業"}},
         "DBCombo1",
         {{"I01", "電信業"}, {"I02", "電力業"}, {"I03", "航運業"}},
         "Command2",
         "Command4",
         "Command3",
         {"Command2 Increase on", "Command3 Delete on", "Command1 Search on", "Command5 Research on",
          "Command4 Save off"},
         {"Text3", "Text4", "Text5", "Text6", "Text7", "Text8", "Text9", "DBGrid1", "DBCombo1", "Command2",
          "Command3", "Command4", "Command1", "Command5", "Text1"}},
        {"Form6",
         "MSF",
         "Dada of material stock",
         form6Declaration,
         "MSF",
         {"materielno", "materiel", "location", "inventory", "safestock", "price", "retire", "supplierno"},
         {{"A01", "螺絲", "一號倉庫", 20, "5", "12", "0", "S02"},
          {"A02", "電線", "二號倉庫", 7, "2", "80", "0", "S01"},
          {"B01", "保險絲", "三號倉庫", 30, "10", "3", "1", "S03"}},
         {{"Text1", "Material No.", "materielno", "C01"},
          {"Text2", "Name of material", "materiel", "變壓器"},
          {"Text3", "Location of material", "location", "五號倉庫"},
          {"Text4", "Stock capacity", "inventory", "12"},
          {"DBCombo1", "Suppluer", "supplierno", "大同五金行"},
          {"Text5", "Amount of safe stock", "safestock", "3"},
          {"Text6", "Unit price", "price", "4500"},
          {"Text7", "Idle", "retire", "0"}},
         "DBCombo1",
         {{"S01", "大同五金行"}, {"S02", "永豐電料"}, {"S03", "東元電機"}},
         "Command1",
         "Command3",
         "Command2",
         {"Command1 Increase on", "Command2 Delete on", "Command3 Save off", "Command4 Search on"},
         {"Text2", "Text3", "Text4", "DBCombo1", "Text5", "Text6", "Text7", "DBGrid1", "Command1", "Command2",
          "Command3", "Command4", "Text1"}},
        {"Form10",
         "supplier",
         "Data of suppliers ",
         form10Declaration,
         "SUPPLIER",
         {"supplierno", "supplier", "contactman", "address", "phoneno", "faxno", "payment", "email"},
         {{"S01", "大同五金行", "張先生", "新北市三重區重新路五段", "02-2999-0001", "02-2999-0002", "月結30天",
           "chang@hardware.example"},
          {"S02", "永豐電料", "陳小姐", "台中市西屯區台灣大道三段", "04-2255-0001", "04-2255-0002", "現金",
           "chen@wire.example"},
          {"S03", "東元電機", "黃先生", "台北市中山區松江路156號", "02-2555-0001", "02-2555-0002", "貨到付款",
           "huang@motor.example"}},
         {{"Text1", "Factory No.", "supplierno", "S04"},
          {"Text2", "Factory name", "supplier", "士林電機"},
          {"Text3", "Person to contact", "contactman", "吳先生"},
          {"Text4", "Address", "address", "台北市士林區中正路"},
          {"Text5", "Liaison Telephone No.", "phoneno", "02-2881-0001"},
          {"Text6", "Fax NO.", "faxno", "02-2881-0002"},
          {"Text7", "Payment", "payment", "月結60天"},
          {"Text8", "E-mail", "email", "wu@electric.example"}},
         QString(),
         {},
         "Command1",
         "Command3",
         "Command2",
         {"Command1 Increase on", "Command2 Delete on", "Command3 Save off", "Command4 Search on"},
         {"Text2", "Text3", "Text4", "Text5", "Text6", "Text7", "Text8", "Command1", "Command2", "Command3",
          "Command4", "DBGrid1", "Text1"}},
    };
    return cases;
}

const ScreenCase &screenCase(const QString &form)
{
    for (const ScreenCase &candidate : screenCases()) {
        if (candidate.form == form)
            return candidate;
    }
    qFatal("no screen case %s", qPrintable(form));
}

/// What the fields of the screen show for a row of the fixture.
QStringList expectedFields(const ScreenCase &screen, int row)
{
    QStringList values;
    for (const FieldCase &field : screen.fields) {
        const QString stored = screen.rows.at(row).at(screen.columns.indexOf(field.column)).toString();
        values << (field.name == screen.lookup ? screen.lookupNames.value(stored) : stored);
    }
    return values;
}



QStringList shownFields(Screen &screen, const ScreenCase &screenCase)
{
    QStringList values;
    for (const FieldCase &field : screenCase.fields)
        values << shown(screen, field.name);
    return values;
}







QStringList asTexts(const QVariantList &values)
{
    QStringList texts;
    for (const QVariant &value : values)
        texts << value.toString();
    return texts;
}

} // namespace

class ScreensTest : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void opensFromTheMenuOnTheFirstRow_data();
    void opensFromTheMenuOnTheFirstRow();
    void captionsAndButtonsStandAsDesigned_data();
    void captionsAndButtonsStandAsDesigned();
    void tabRunsInTheScreensOrder_data();
    void tabRunsInTheScreensOrder();
    void increaseThenSaveWritesTheTypedRow_data();
    void increaseThenSaveWritesTheTypedRow();
    void editsAreWrittenOnMovingThroughTheGridAndOnClosing_data();
    void editsAreWrittenOnMovingThroughTheGridAndOnClosing();
    void choosingAGridRowShowsItInEveryField_data();
    void choosingAGridRowShowsItInEveryField();
    void search_data();
    void search();
    void deleteAsksFirst_data();
    void deleteAsksFirst();
    void textAsStockIsRefusedAndStaysOnTheScreen();

private:
    std::unique_ptr<TestDatabase> m_database;
    ScriptedDialogs m_dialogs;
    QString m_lastSearch;
    std::unique_ptr<Screen> m_screen;
};

void ScreensTest::init()
{
    m_database = std::make_unique<TestDatabase>();
    m_dialogs = ScriptedDialogs();
    m_lastSearch.clear();
    for (const ScreenCase &screenCase : screenCases()) {
        for (const QVariantList &row : screenCase.rows)
            m_database->insert(screenCase.table, row);
    }
    m_database->insert("INDUSTRY", {"I01", "電信業"});
    m_database->insert("INDUSTRY", {"I02", "電力業"});
    m_database->insert("INDUSTRY", {"I03", "航運業"});
}

void ScreensTest::cleanup()
{
    m_screen.reset();
    const QStringList deviations = m_dialogs.deviations();
    m_database.reset();
    QVERIFY2(deviations.isEmpty(), qPrintable(deviations.join(QStringLiteral("; "))));
}

static void addScreenRows()
{
    QTest::addColumn<QString>("form");
    for (const ScreenCase &screenCase : screenCases())
        QTest::newRow(qPrintable(screenCase.form)) << screenCase.form;
}

void ScreensTest::opensFromTheMenuOnTheFirstRow_data()
{
    addScreenRows();
}

void ScreensTest::opensFromTheMenuOnTheFirstRow()
{
    QFETCH(QString, form);
    const ScreenCase &expected = screenCase(form);
    MainForm mainForm(m_dialogs);
    mainForm.findChild<QAction *>(expected.menuEntry)->trigger();
    Screen *screen = mainForm.openScreen(form);
    QVERIFY(screen && screen->isVisible());
    QCOMPARE(screen->buildFailures(), QStringList());

    QCOMPARE(shownFields(*screen, expected), expectedFields(expected, 0));
    QTableView *view = grid(*screen);
    QCOMPARE(view->model()->rowCount(), 3);
    QCOMPARE(view->model()->columnCount(), expected.columns.size());
    QCOMPARE(view->currentIndex().row(), 0);
    QCOMPARE(view->model()->data(view->model()->index(0, 1)).toString(), expected.rows.at(0).at(1).toString());
    QCOMPARE(view->model()->headerData(0, Qt::Horizontal).toString(), expected.columns.at(0));
    QVERIFY(view->horizontalHeader()->isVisible());
    QVERIFY(view->verticalHeader()->isVisible());
    QVERIFY(!screen->button(expected.save)->isEnabled());
    if (!expected.lookup.isEmpty()) {
        auto *list = qobject_cast<QComboBox *>(control(*screen, expected.lookup));
        QCOMPARE(list->count(), expected.lookupNames.size());
    }
    QCOMPARE(m_dialogs.calls().size(), 0);
    screen->close();
}

void ScreensTest::captionsAndButtonsStandAsDesigned_data()
{
    addScreenRows();
}

void ScreensTest::captionsAndButtonsStandAsDesigned()
{
    QFETCH(QString, form);
    const ScreenCase &expected = screenCase(form);
    m_screen = showScreen(expected.declaration(), m_dialogs, m_lastSearch);
    QCOMPARE(m_screen->objectName(), form);
    QCOMPARE(m_screen->windowTitle(), expected.caption);

    for (const FieldCase &field : expected.fields) {
        QWidget *widget = control(*m_screen, field.name);
        QLabel *label = nullptr;
        for (QLabel *candidate : m_screen->findChildren<QLabel *>()) {
            if (candidate->buddy() == widget)
                label = candidate;
        }
        QVERIFY2(label, qPrintable(field.name));
        QCOMPARE(label->text(), field.caption);
        QVERIFY2(label->geometry().right() < widget->x(), qPrintable(field.caption));
        QVERIFY(widget->isEnabled());
    }

    auto *frame = m_screen->findChild<QGroupBox *>(QStringLiteral("Frame1"));
    QCOMPARE(frame->title(), QStringLiteral("A function key"));
    QList<QPushButton *> buttons = frame->findChildren<QPushButton *>();
    std::sort(buttons.begin(), buttons.end(), [](QPushButton *a, QPushButton *b) {
        return a->y() != b->y() ? a->y() < b->y() : a->x() < b->x();
    });
    QStringList order;
    for (QPushButton *button : buttons)
        order << button->objectName() + QLatin1Char(' ') + button->text() + (button->isEnabled() ? " on" : " off");
    QCOMPARE(order, expected.buttons);
}

void ScreensTest::tabRunsInTheScreensOrder_data()
{
    addScreenRows();
}

void ScreensTest::tabRunsInTheScreensOrder()
{
    QFETCH(QString, form);
    const ScreenCase &expected = screenCase(form);
    m_screen = showScreen(expected.declaration(), m_dialogs, m_lastSearch);
    m_screen->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(m_screen.get()));
    press(*m_screen, expected.increase);
    QCOMPARE(QApplication::focusWidget(), control(*m_screen, "Text1"));

    QStringList visited;
    for (int i = 0; i < expected.tabOrder.size(); ++i) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        visited << QApplication::focusWidget()->objectName();
    }
    QCOMPARE(visited, expected.tabOrder);
}

void ScreensTest::increaseThenSaveWritesTheTypedRow_data()
{
    addScreenRows();
}

void ScreensTest::increaseThenSaveWritesTheTypedRow()
{
    QFETCH(QString, form);
    const ScreenCase &expected = screenCase(form);
    m_screen = showScreen(expected.declaration(), m_dialogs, m_lastSearch);

    press(*m_screen, expected.increase);
    QCOMPARE(shownFields(*m_screen, expected), QStringList(expected.fields.size(), QString()));
    QCOMPARE(m_screen->focusWidget(), control(*m_screen, "Text1"));
    QVERIFY(m_screen->button(expected.save)->isEnabled());

    QStringList stored;
    for (const FieldCase &field : expected.fields) {
        if (field.name == expected.lookup) {
            choose(*m_screen, field.name, field.typed);
            stored << expected.lookupNames.key(field.typed);
        } else {
            type(*m_screen, field.name, field.typed);
            stored << field.typed;
        }
    }
    press(*m_screen, expected.save);

    QStringList columns;
    for (const FieldCase &field : expected.fields)
        columns << field.column;
    const auto rows = m_database->rows(QStringLiteral("SELECT %1 FROM %2 WHERE %3 = '%4'")
                                           .arg(columns.join(','), expected.table, columns.at(0),
                                                expected.fields.at(0).typed));
    QCOMPARE(rows.size(), 1);
    QCOMPARE(asTexts(rows.at(0)), stored);
    QVERIFY(!m_screen->button(expected.save)->isEnabled());
    QCOMPARE(grid(*m_screen)->model()->rowCount(), 4);
    QCOMPARE(m_dialogs.calls().size(), 0);
}

void ScreensTest::editsAreWrittenOnMovingThroughTheGridAndOnClosing_data()
{
    addScreenRows();
}

void ScreensTest::editsAreWrittenOnMovingThroughTheGridAndOnClosing()
{
    QFETCH(QString, form);
    const ScreenCase &expected = screenCase(form);
    m_screen = showScreen(expected.declaration(), m_dialogs, m_lastSearch);
    const FieldCase &second = expected.fields.at(1);
    const auto isText = [&](const FieldCase &field) { return field.name != expected.lookup; };
    const FieldCase &last = *std::find_if(expected.fields.rbegin(), expected.fields.rend(), isText);
    const auto lookupField = std::find_if_not(expected.fields.begin(), expected.fields.end(), isText);
    const auto storedOf = [&](const QString &column, int row) {
        return m_database->value(QStringLiteral("SELECT %1 FROM %2 WHERE %3 = '%4'")
                                     .arg(column, expected.table, expected.columns.at(0),
                                          expected.rows.at(row).at(0).toString()))
            .toString();
    };

    retype(*m_screen, second.name, QStringLiteral("改過的名稱"));
    QString chosenCode;
    if (lookupField != expected.fields.end()) {
        // The code the second row holds, so the first row gets another trade or supplier.
        chosenCode = expected.rows.at(1).at(expected.columns.indexOf(lookupField->column)).toString();
        QVERIFY(chosenCode != storedOf(lookupField->column, 0));
        choose(*m_screen, expected.lookup, expected.lookupNames.value(chosenCode));
    }
    QCOMPARE(storedOf(second.column, 0), expected.rows.at(0).at(1).toString());

    clickGridRow(*m_screen, 1);

    QCOMPARE(shownFields(*m_screen, expected), expectedFields(expected, 1));
    QCOMPARE(storedOf(second.column, 0), QStringLiteral("改過的名稱"));
    if (lookupField != expected.fields.end())
        QCOMPARE(storedOf(lookupField->column, 0), chosenCode);

    retype(*m_screen, last.name, QStringLiteral("closing@edit.example"));
    m_screen->close();
    QVERIFY(!m_screen->isVisible());
    QCOMPARE(storedOf(last.column, 1), QStringLiteral("closing@edit.example"));
    QCOMPARE(m_dialogs.calls().size(), 0);
}

void ScreensTest::choosingAGridRowShowsItInEveryField_data()
{
    addScreenRows();
}

void ScreensTest::choosingAGridRowShowsItInEveryField()
{
    QFETCH(QString, form);
    const ScreenCase &expected = screenCase(form);
    m_screen = showScreen(expected.declaration(), m_dialogs, m_lastSearch);
    clickGridRow(*m_screen, 2);
    QCOMPARE(shownFields(*m_screen, expected), expectedFields(expected, 2));
    QCOMPARE(grid(*m_screen)->currentIndex().row(), 2);
    clickGridRow(*m_screen, 0);
    QCOMPARE(shownFields(*m_screen, expected), expectedFields(expected, 0));
    QVERIFY(!m_screen->button(expected.save)->isEnabled());
}

void ScreensTest::search_data()
{
    QTest::addColumn<QString>("form");
    QTest::addColumn<QString>("button");
    QTest::addColumn<QString>("prompt");
    QTest::addColumn<QString>("title");
    QTest::addColumn<int>("startRow");
    QTest::addColumn<QString>("answer");
    QTest::addColumn<int>("foundRow");
    QTest::addColumn<bool>("notFound");

    const QString customerPrompt = QStringLiteral("請輸入想要尋找的客戶連絡人");
    const QString customerTitle = QStringLiteral("搜尋客戶資料");
    const QString materialPrompt = QStringLiteral("請輸入想要尋找的材料編號");
    const QString materialTitle = QStringLiteral("搜尋材料庫存資料");
    const QString supplierPrompt = QStringLiteral("請輸入想要尋找的供應商名稱");
    const QString supplierTitle = QStringLiteral("搜尋供應商資料");

    QTest::newRow("Form4 Search finds the first contact")
        << "Form4" << "Command1" << customerPrompt << customerTitle << 2 << "王小明" << 0 << false;
    QTest::newRow("Form4 Search without trailing spaces")
        << "Form4" << "Command1" << customerPrompt << customerTitle << 0 << "李大華  " << 1 << false;
    QTest::newRow("Form4 Search not found")
        << "Form4" << "Command1" << customerPrompt << customerTitle << 1 << "林志玲" << 1 << true;
    QTest::newRow("Form4 Search is not on company names")
        << "Form4" << "Command1" << customerPrompt << customerTitle << 2 << "中華電信" << 2 << true;
    QTest::newRow("Form4 Research finds a company")
        << "Form4" << "Command5" << customerPrompt << customerTitle << 0 << "長榮海運" << 2 << false;
    QTest::newRow("Form4 Research not found")
        << "Form4" << "Command5" << customerPrompt << customerTitle << 1 << "王小明" << 1 << true;
    QTest::newRow("Form6 Search found")
        << "Form6" << "Command4" << materialPrompt << materialTitle << 0 << "B01" << 2 << false;
    QTest::newRow("Form6 Search not found")
        << "Form6" << "Command4" << materialPrompt << materialTitle << 1 << "Z99" << 1 << true;
    QTest::newRow("Form6 Search is not on names")
        << "Form6" << "Command4" << materialPrompt << materialTitle << 0 << "電線" << 0 << true;
    QTest::newRow("Form10 Search finds a name")
        << "Form10" << "Command4" << supplierPrompt << supplierTitle << 0 << "永豐電料" << 1 << false;
    QTest::newRow("Form10 Search is not on numbers")
        << "Form10" << "Command4" << supplierPrompt << supplierTitle << 2 << "S02" << 2 << true;
    QTest::newRow("Form10 spaces only not found")
        << "Form10" << "Command4" << supplierPrompt << supplierTitle << 1 << "  " << 1 << true;
}

void ScreensTest::search()
{
    QFETCH(QString, form);
    QFETCH(QString, button);
    QFETCH(QString, prompt);
    QFETCH(QString, title);
    QFETCH(int, startRow);
    QFETCH(QString, answer);
    QFETCH(int, foundRow);
    QFETCH(bool, notFound);
    const ScreenCase &expected = screenCase(form);
    m_screen = showScreen(expected.declaration(), m_dialogs, m_lastSearch);
    clickGridRow(*m_screen, startRow);
    m_dialogs.typeAnswer(answer);
    if (notFound)
        m_dialogs.pressOk();

    press(*m_screen, button);

    const auto calls = m_dialogs.takeCalls();
    QCOMPARE(calls.size(), notFound ? 2 : 1);
    QCOMPARE(calls.at(0), DialogCall::input(prompt, title));
    if (notFound)
        QCOMPARE(calls.at(1), DialogCall::told("找不到", "vemo"));
    QCOMPARE(shownFields(*m_screen, expected), expectedFields(expected, foundRow));
    QCOMPARE(grid(*m_screen)->currentIndex().row(), foundRow);
    for (QPushButton *each : m_screen->findChildren<QPushButton *>())
        QCOMPARE(each->isEnabled(), each->objectName() != expected.save);
}

void ScreensTest::deleteAsksFirst_data()
{
    QTest::addColumn<QString>("form");
    QTest::addColumn<bool>("yes");
    for (const ScreenCase &screenCase : screenCases()) {
        QTest::newRow(qPrintable(screenCase.form + " Yes")) << screenCase.form << true;
        QTest::newRow(qPrintable(screenCase.form + " No")) << screenCase.form << false;
    }
}

void ScreensTest::deleteAsksFirst()
{
    QFETCH(QString, form);
    QFETCH(bool, yes);
    const ScreenCase &expected = screenCase(form);
    m_screen = showScreen(expected.declaration(), m_dialogs, m_lastSearch);
    clickGridRow(*m_screen, 1);
    m_dialogs.chooseAnswer(yes ? MessageAnswer::Yes : MessageAnswer::No);

    press(*m_screen, expected.remove);

    const auto calls = m_dialogs.takeCalls();
    QCOMPARE(calls.size(), 1);
    QCOMPARE(calls.at(0), DialogCall::asked("你確定要刪除這筆資料嗎?", "刪除資料"));
    QStringList keys;
    for (const QVariantList &row : m_database->rows(
             QStringLiteral("SELECT %1 FROM %2 ORDER BY %3").arg(expected.columns.at(0), expected.table, m_database->rowIdentity())))
        keys << row.at(0).toString();
    const QString deleted = expected.rows.at(1).at(0).toString();
    QCOMPARE(keys.contains(deleted), !yes);
    QCOMPARE(keys.size(), yes ? 2 : 3);
    QCOMPARE(grid(*m_screen)->model()->rowCount(), keys.size());
    // No move follows a deletion: the deleted row's place stays current, with nothing in it.
    QCOMPARE(shownFields(*m_screen, expected),
             yes ? QStringList(expected.fields.size(), QString()) : expectedFields(expected, 1));
    QVERIFY(!m_screen->button(expected.save)->isEnabled());
}

void ScreensTest::textAsStockIsRefusedAndStaysOnTheScreen()
{
    const ScreenCase &expected = screenCase("Form6");
    m_screen = showScreen(expected.declaration(), m_dialogs, m_lastSearch);
    retype(*m_screen, "Text4", QStringLiteral("abc"));
    const QString refused = QStringLiteral("資料無法儲存:「Stock capacity」只能輸入數字,「abc」不是數字。");
    m_dialogs.pressOk();

    clickGridRow(*m_screen, 1);

    QCOMPARE(m_dialogs.messageTexts(), QStringList{refused});
    QCOMPARE(m_dialogs.takeCalls().at(0).title, QStringLiteral("vemo"));
    QCOMPARE(shown(*m_screen, "Text1"), QStringLiteral("A01"));
    QCOMPARE(shown(*m_screen, "Text4"), QStringLiteral("abc"));
    QCOMPARE(grid(*m_screen)->currentIndex().row(), 0);
    QCOMPARE(m_database->value("SELECT inventory FROM MSF WHERE materielno = 'A01'").toInt(), 20);

    m_dialogs.pressOk();
    m_dialogs.chooseAnswer(MessageAnswer::No);
    m_screen->close();
    QVERIFY(m_screen->isVisible());
    QCOMPARE(m_dialogs.messageTexts(), (QStringList{refused, kGiveUpQuestion}));
    m_dialogs.takeCalls();

    retype(*m_screen, "Text4", QStringLiteral("25"));
    clickGridRow(*m_screen, 1);
    QCOMPARE(shown(*m_screen, "Text1"), QStringLiteral("A02"));
    QCOMPARE(m_database->value("SELECT inventory FROM MSF WHERE materielno = 'A01'").toInt(), 25);
    QCOMPARE(m_dialogs.calls().size(), 0);
}

QTEST_MAIN(ScreensTest)
#include "tst_screens.moc"
