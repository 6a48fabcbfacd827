#include "commands/boundarycheck.h"
#include "commands/editcommands.h"
#include "commands/searchcommands.h"
#include "data/records/document.h"
#include "data/records/recordsource.h"
#include "screens/form1.h"
#include "screens/form2.h"
#include "screens/form3.h"
#include "screens/screen.h"
#include "support/scripteddialogs.h"
#include "support/testdatabase.h"
#include "support/userinput.h"

#include <QApplication>
#include <QComboBox>
#include <QPushButton>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>

#include <functional>
#include <map>
#include <memory>

using namespace userinput;

// The service record, maintenance record and technical paper screens, on
// their real declarations: what a test needs to know of a screen is read
// from its declaration, the rows it shows from the database.

namespace {

const std::map<QString, std::function<ScreenDeclaration()>> kScreens = {
    {"Form1", form1Declaration}, {"Form2", form2Declaration}, {"Form3", form3Declaration}};

/// Rows of the lists and of each screen's table, in their column order; the
/// document columns stay empty.
void insertRows(TestDatabase &database)
{
    database.insert("CF", {"C01", "台灣電力公司", "I02"});
    database.insert("CF", {"C02", "中華電信", "I01"});
    database.insert("CF", {"C03", "長榮海運", "I03"});
    database.insert("CC", {"K01", "年度保養合約", "2026/01/01", "2026/12/31"});
    database.insert("CC", {"K02", "空調維護合約", "2026/03/01", "2027/02/28"});
    database.insert("EMPLOYEE", {"E01", "王小明"});
    database.insert("EMPLOYEE", {"E02", "陳美玲"});
    database.insert("EMPLOYEE", {"E03", "林志豪"});
    database.insert("INDUSTRY", {"I01", "電信業"});
    database.insert("INDUSTRY", {"I02", "電力業"});
    database.insert("INDUSTRY", {"I03", "航運業"});

    database.insert("CSF", {"S001", "C01", "張三豐", "02-2345-6789", "E01", "I02", "A01", "2026/11/02", "2026/11/05",
                            "變壓器異音\n需更換風扇", QVariant(), "更換冷卻風扇", "yes"});
    database.insert("CSF", {"S002", "C02", "李四", "02-2344-1234", "E02", "I01", "B07", "2026/11/10", "",
                            "機房冷氣不冷", QVariant(), "", "no"});
    database.insert("CSF", {"S003", "C03", "張三豐", "03-312-3456", "E03", "I03", "A02", "2026/11/12", "2026/11/13",
                            "吊車控制盤故障", QVariant(), "更換繼電器", "yes"});
    database.insert("MTR", {"M001", "K01", "I02", "張三豐", "E01", "台北市中正區\n變電所二樓", "例行保養完成",
                            "2026/10/01", "2026/10/02"});
    database.insert("MTR", {"M002", "K02", "I01", "李四", "E02", "台北市信義區", "濾網更換", "2026/10/15", ""});
    database.insert("MTR", {"M003", "K01", "I03", "張三豐", "E03", "桃園市蘆竹區", "馬達軸承磨損", "2026/10/20",
                            "2026/10/21"});
    database.insert("TP", {"T001", "C01", "I02", "斷路器頻繁跳脫"});
    database.insert("TP", {"T002", "C02", "I01", "交換機過熱"});
    database.insert("TP", {"T003", "C03", "I03", "貨櫃吊車變頻器錯誤碼E07"});
}

QString tableOf(const ScreenDeclaration &declaration, const QString &source)
{
    for (const SourceDeclaration &declared : declaration.sources) {
        if (declared.name == source)
            return declared.table;
    }
    qFatal("%s has no record source %s", qPrintable(declaration.name), qPrintable(source));
}

const FieldDeclaration &fieldOf(const ScreenDeclaration &declaration, const QString &name)
{
    for (const FieldDeclaration &field : declaration.fields) {
        if (field.name == name)
            return field;
    }
    qFatal("%s has no field %s", qPrintable(declaration.name), qPrintable(name));
}

/// The fields that show text: every field but the document field.
QVector<FieldDeclaration> textFields(const ScreenDeclaration &declaration)
{
    QVector<FieldDeclaration> fields;
    for (const FieldDeclaration &field : declaration.fields) {
        if (field.kind != FieldKind::Document)
            fields << field;
    }
    return fields;
}

/// The declared button that runs a command of that kind.
template <typename Kind>
std::pair<QString, const Kind *> buttonRunning(const ScreenDeclaration &declaration)
{
    for (const FrameDeclaration &frame : declaration.frames) {
        for (const ButtonDeclaration &button : frame.buttons) {
            if (const auto *command = dynamic_cast<const Kind *>(button.command.get()))
                return {button.name, command};
        }
    }
    return {QString(), nullptr};
}

/// The controls in the order of their declared tab indexes.
QStringList declaredFocusOrder(const ScreenDeclaration &declaration)
{
    std::multimap<int, QString> order;
    for (const FieldDeclaration &field : declaration.fields)
        order.emplace(field.tabIndex, field.name);
    order.emplace(declaration.grid->tabIndex, kGridName);
    for (const FrameDeclaration &frame : declaration.frames) {
        for (const ButtonDeclaration &button : frame.buttons)
            order.emplace(button.tabIndex, button.name);
    }
    QStringList names;
    for (const auto &[index, name] : order)
        names << name;
    return names;
}

QStringList lookupNames(const ScreenDeclaration &declaration)
{
    QStringList names;
    for (const FieldDeclaration &field : declaration.fields) {
        if (field.kind == FieldKind::Lookup)
            names << field.name;
    }
    return names;
}

} // namespace

class RecordScreensTest : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void increaseClearsFocusesAndEnables_data();
    void increaseClearsFocusesAndEnables();
    void connectStoresTheChosenFileInItsColumn_data();
    void connectStoresTheChosenFileInItsColumn();
    void gridRowShowsInEveryField_data();
    void gridRowShowsInEveryField();
    void chosenEntryStoresItsCodeAndShowsItsName_data();
    void chosenEntryStoresItsCodeAndShowsItsName();
    void unmatchedCodeShowsAsItIsAndIsKept_data();
    void unmatchedCodeShowsAsItIsAndIsKept();
    void searchAndResearchWalkTheUsersMatches_data();
    void searchAndResearchWalkTheUsersMatches();
    void searchMissReturnsToTheEarlierRow_data();
    void searchMissReturnsToTheEarlierRow();
    void boundaryCheckKeepsMovesInside_data();
    void boundaryCheckKeepsMovesInside();
    void boundaryCheckOnAnEmptyTableShowsNothing_data();
    void boundaryCheckOnAnEmptyTableShowsNothing();
    void tabWalksTheDeclaredOrder_data();
    void tabWalksTheDeclaredOrder();

private:
    Screen &open(const QString &form);
    /// What the field should show for the row: the stored text, or for a
    /// lookup the name its list gives the stored code.
    QString expectedShown(const FieldDeclaration &field, const QString &key);
    QString stored(const FieldDeclaration &field, const QString &key);
    QString mainKey(int row);

    std::unique_ptr<TestDatabase> m_database;
    ScriptedDialogs m_dialogs;
    QString m_lastSearchText;
    ScreenDeclaration m_declaration;
    std::unique_ptr<Screen> m_screen;
};

void RecordScreensTest::init()
{
    m_database = std::make_unique<TestDatabase>();
    insertRows(*m_database);
    m_dialogs = ScriptedDialogs();
    m_lastSearchText.clear();
}

void RecordScreensTest::cleanup()
{
    m_screen.reset();
    const QStringList deviations = m_dialogs.deviations();
    m_database.reset();
    QVERIFY2(deviations.isEmpty(), qPrintable(deviations.join(QStringLiteral("; "))));
}

static void addFormRows()
{
    QTest::addColumn<QString>("form");
    for (const auto &[form, declaration] : kScreens)
        QTest::newRow(qPrintable(form)) << form;
}

Screen &RecordScreensTest::open(const QString &form)
{
    m_declaration = kScreens.at(form)();
    m_screen = showScreen(m_declaration, m_dialogs, m_lastSearchText);
    [&] { QCOMPARE(m_screen->buildFailures(), QStringList()); }();
    return *m_screen;
}

QString RecordScreensTest::mainKey(int row)
{
    const QString table = tableOf(m_declaration, kMainSource);
    const QString key = fieldOf(m_declaration, "Text1").column;
    return m_database->rows(QStringLiteral("SELECT %1 FROM %2 ORDER BY %3").arg(key, table, m_database->rowIdentity())).at(row).at(0).toString();
}

QString RecordScreensTest::stored(const FieldDeclaration &field, const QString &key)
{
    return m_database
        ->value(QStringLiteral("SELECT %1 FROM %2 WHERE %3 = '%4'")
                    .arg(field.column, tableOf(m_declaration, kMainSource), fieldOf(m_declaration, "Text1").column, key))
        .toString();
}

QString RecordScreensTest::expectedShown(const FieldDeclaration &field, const QString &key)
{
    const QString value = stored(field, key);
    if (field.kind != FieldKind::Lookup)
        return value;
    return m_database
        ->value(QStringLiteral("SELECT %1 FROM %2 WHERE %3 = '%4'")
                    .arg(field.lookup.shownColumn, tableOf(m_declaration, field.lookup.listSource),
                         field.lookup.boundColumn, value))
        .toString();
}

void RecordScreensTest::increaseClearsFocusesAndEnables_data()
{
    addFormRows();
}

void RecordScreensTest::increaseClearsFocusesAndEnables()
{
    QFETCH(QString, form);
    Screen &screen = open(form);
    const auto [increase, command] = buttonRunning<IncreaseCommand>(m_declaration);
    const auto [save, saveCommand] = buttonRunning<SaveCommand>(m_declaration);
    const auto [connect, connectCommand] = buttonRunning<ConnectCommand>(m_declaration);
    QVERIFY(command && saveCommand && connectCommand);
    QCOMPARE(command->enables, (QStringList{save, connect}));
    QVERIFY(!screen.button(save)->isEnabled());
    QVERIFY(!screen.button(connect)->isEnabled());
    control(screen, kGridName)->setFocus();

    press(screen, increase);

    for (const FieldDeclaration &field : textFields(m_declaration))
        QCOMPARE(shown(screen, field.name), QString());
    QCOMPARE(QApplication::focusWidget(), control(screen, "Text1"));
    QVERIFY(screen.button(save)->isEnabled());
    QVERIFY(screen.button(connect)->isEnabled());

    type(screen, "Text1", "N001");
    press(screen, save);
    QCOMPARE(stored(fieldOf(m_declaration, "Text1"), "N001"), QString("N001"));
    QVERIFY(!screen.button(save)->isEnabled());
    QVERIFY(screen.button(connect)->isEnabled());
    QCOMPARE(m_dialogs.calls().size(), 0);
}

void RecordScreensTest::connectStoresTheChosenFileInItsColumn_data()
{
    QTest::addColumn<QString>("form");
    QTest::addColumn<bool>("link");
    for (const auto &[form, declaration] : kScreens) {
        QTest::newRow(qPrintable(form + " embedded")) << form << false;
        QTest::newRow(qPrintable(form + " linked")) << form << true;
    }
}

void RecordScreensTest::connectStoresTheChosenFileInItsColumn()
{
    QFETCH(QString, form);
    QFETCH(bool, link);
    QTemporaryDir folder;
    const QString path = folder.filePath(QStringLiteral("設備清單.txt"));
    const QByteArray content = QStringLiteral("變壓器 2 台\n冷卻風扇 4 組\n").toUtf8();
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly) && file.write(content) == content.size());
    file.close();
    Screen &screen = open(form);
    const auto [connect, command] = buttonRunning<ConnectCommand>(m_declaration);
    const FieldDeclaration documentField = fieldOf(m_declaration, command->documentField);
    QCOMPARE(documentField.kind, FieldKind::Document);

    press(screen, buttonRunning<IncreaseCommand>(m_declaration).first);
    type(screen, "Text1", "N001");
    m_dialogs.chooseInsertObject({InsertObjectChoice::Action::FromFile, path, link});
    press(screen, connect);
    QCOMPARE(m_dialogs.takeCalls(), QVector<DialogCall>{DialogCall::insertObject(QString())});
    QVERIFY(!screen.button(connect)->isEnabled());
    press(screen, buttonRunning<SaveCommand>(m_declaration).first);

    const Document stored = Document::fromStored(m_database->value(
        QStringLiteral("SELECT %1 FROM %2 WHERE %3 = 'N001'")
            .arg(documentField.column, tableOf(m_declaration, kMainSource), fieldOf(m_declaration, "Text1").column)));
    QCOMPARE(stored.isLinked(), link);
    QCOMPARE(stored.fileName(), QStringLiteral("設備清單.txt"));
    QByteArray read;
    QVERIFY(stored.readContent(&read));
    QCOMPARE(read, content);
    // The other rows keep their empty document.
    QCOMPARE(m_database->value(QStringLiteral("SELECT count(*) FROM %1 WHERE %2 IS NOT NULL")
                                   .arg(tableOf(m_declaration, kMainSource), documentField.column))
                 .toInt(),
             1);
    QCOMPARE(m_dialogs.calls().size(), 0);
}

void RecordScreensTest::gridRowShowsInEveryField_data()
{
    addFormRows();
}

void RecordScreensTest::gridRowShowsInEveryField()
{
    QFETCH(QString, form);
    Screen &screen = open(form);
    for (int row : {2, 0, 1}) {
        clickGridRow(screen, row);
        const QString key = mainKey(row);
        for (const FieldDeclaration &field : textFields(m_declaration)) {
            const QString expected = expectedShown(field, key);
            if (field.kind == FieldKind::Lookup)
                QVERIFY2(!expected.isEmpty(), qPrintable(field.name));
            QCOMPARE(shown(screen, field.name), expected);
        }
    }
    QCOMPARE(m_dialogs.calls().size(), 0);
}

void RecordScreensTest::chosenEntryStoresItsCodeAndShowsItsName_data()
{
    QTest::addColumn<QString>("form");
    QTest::addColumn<QString>("lookup");
    for (const auto &[form, declaration] : kScreens) {
        for (const QString &lookup : lookupNames(declaration()))
            QTest::newRow(qPrintable(form + " " + lookup)) << form << lookup;
    }
}

void RecordScreensTest::chosenEntryStoresItsCodeAndShowsItsName()
{
    QFETCH(QString, form);
    QFETCH(QString, lookup);
    Screen &screen = open(form);
    const FieldDeclaration &field = fieldOf(m_declaration, lookup);
    const QString key = mainKey(0);
    // An entry other than the one the first row holds.
    const auto entries = m_database->rows(QStringLiteral("SELECT %1, %2 FROM %3 WHERE %2 <> '%4' ORDER BY %5")
                                              .arg(field.lookup.shownColumn, field.lookup.boundColumn,
                                                   tableOf(m_declaration, field.lookup.listSource),
                                                   stored(field, key), m_database->rowIdentity()));
    QVERIFY(!entries.isEmpty());
    const QString name = entries.last().at(0).toString();
    const QString code = entries.last().at(1).toString();

    choose(screen, lookup, name);
    clickGridRow(screen, 1);
    QCOMPARE(stored(field, key), code);
    QCOMPARE(shown(screen, lookup), expectedShown(field, mainKey(1)));

    clickGridRow(screen, 0);
    QCOMPARE(shown(screen, lookup), name);
    QCOMPARE(m_dialogs.calls().size(), 0);
}

void RecordScreensTest::unmatchedCodeShowsAsItIsAndIsKept_data()
{
    chosenEntryStoresItsCodeAndShowsItsName_data();
}

void RecordScreensTest::unmatchedCodeShowsAsItIsAndIsKept()
{
    QFETCH(QString, form);
    QFETCH(QString, lookup);
    m_declaration = kScreens.at(form)();
    const FieldDeclaration field = fieldOf(m_declaration, lookup);
    const FieldDeclaration first = fieldOf(m_declaration, "Text1");
    const QString key = mainKey(0);
    m_database->execute(QStringLiteral("UPDATE %1 SET %2 = 'X99' WHERE %3 = '%4'")
                            .arg(tableOf(m_declaration, kMainSource), field.column, first.column, key));
    Screen &screen = open(form);
    auto *list = qobject_cast<QComboBox *>(control(screen, lookup));

    // No entry is chosen; the stored code stands, greyed, in the list's place.
    QCOMPARE(list->currentIndex(), -1);
    QCOMPARE(list->placeholderText(), QString("X99"));
    QVERIFY(list->isEnabled());

    // Edited elsewhere and written, the row keeps its code.
    const FieldDeclaration &edited = fieldOf(m_declaration, lookup == "DBCombo1" ? "DBCombo2" : "DBCombo1");
    const auto other = m_database->rows(QStringLiteral("SELECT %1 FROM %2 ORDER BY %3")
                                            .arg(edited.lookup.shownColumn, tableOf(m_declaration, edited.lookup.listSource),
                                                 m_database->rowIdentity()));
    choose(screen, edited.name, other.last().at(0).toString());
    clickGridRow(screen, 1);
    QCOMPARE(list->placeholderText(), QString());
    QVERIFY(list->currentIndex() >= 0);
    clickGridRow(screen, 0);
    QCOMPARE(list->currentIndex(), -1);
    QCOMPARE(list->placeholderText(), QString("X99"));
    screen.close();
    QCOMPARE(stored(field, key), QString("X99"));
    QCOMPARE(stored(edited, key),
             m_database->value(QStringLiteral("SELECT %1 FROM %2 ORDER BY %3 DESC")
                                   .arg(edited.lookup.boundColumn, tableOf(m_declaration, edited.lookup.listSource),
                                        m_database->rowIdentity()))
                 .toString());
    QCOMPARE(m_dialogs.calls().size(), 0);
}

void RecordScreensTest::searchAndResearchWalkTheUsersMatches_data()
{
    QTest::addColumn<QString>("form");
    QTest::newRow("Form1") << "Form1";
    QTest::newRow("Form2") << "Form2";
}

void RecordScreensTest::searchAndResearchWalkTheUsersMatches()
{
    QFETCH(QString, form);
    Screen &screen = open(form);
    const auto [search, command] = buttonRunning<SearchCommand>(m_declaration);
    const auto [research, repeat] = buttonRunning<RepeatSearchCommand>(m_declaration);
    QVERIFY(command && repeat);
    const QString user = QStringLiteral("張三豐");
    const auto users = m_database->rows(
        QStringLiteral("SELECT users FROM %1 ORDER BY %2").arg(tableOf(m_declaration, kMainSource), m_database->rowIdentity()));
    QCOMPARE(users.at(0).at(0).toString(), user);
    QCOMPARE(users.at(2).at(0).toString(), user);
    clickGridRow(screen, 1);

    m_dialogs.typeAnswer(user + "  ");
    press(screen, search);
    QCOMPARE(m_dialogs.takeCalls(), QVector<DialogCall>{DialogCall::input(command->prompt, command->title)});
    QCOMPARE(shown(screen, "Text1"), mainKey(0));
    QVERIFY(!screen.button(search)->isEnabled());
    QVERIFY(screen.button(research)->isEnabled());

    press(screen, research);
    QCOMPARE(m_dialogs.calls().size(), 0);
    QCOMPARE(shown(screen, "Text1"), mainKey(2));
    QVERIFY(!screen.button(search)->isEnabled());

    m_dialogs.pressOk();
    press(screen, research);
    QCOMPARE(m_dialogs.takeCalls(), QVector<DialogCall>{DialogCall::told(
                                        RepeatSearchCommand::exhaustedMessage(user + "  "), repeat->title)});
    QVERIFY(screen.button(search)->isEnabled());
    QVERIFY(!screen.button(research)->isEnabled());
}

void RecordScreensTest::searchMissReturnsToTheEarlierRow_data()
{
    addFormRows();
}

void RecordScreensTest::searchMissReturnsToTheEarlierRow()
{
    QFETCH(QString, form);
    Screen &screen = open(form);
    const auto [search, command] = buttonRunning<SearchCommand>(m_declaration);
    const QString research = buttonRunning<RepeatSearchCommand>(m_declaration).first;
    clickGridRow(screen, 2);

    m_dialogs.typeAnswer(QStringLiteral("查無此人"));
    m_dialogs.pressOk();
    press(screen, search);

    QCOMPARE(m_dialogs.takeCalls(), (QVector<DialogCall>{DialogCall::input(command->prompt, command->title),
                                                         DialogCall::told(kNotFound)}));
    QCOMPARE(shown(screen, "Text1"), mainKey(2));
    QCOMPARE(grid(screen)->currentIndex().row(), 2);
    QVERIFY(screen.button(search)->isEnabled());
    if (!research.isEmpty())
        QVERIFY(!screen.button(research)->isEnabled());
}

void RecordScreensTest::boundaryCheckKeepsMovesInside_data()
{
    addFormRows();
}

void RecordScreensTest::boundaryCheckKeepsMovesInside()
{
    QFETCH(QString, form);
    Screen &screen = open(form);
    RecordSource &source = *screen.source(kMainSource);
    const auto warning = [](const QString &text) {
        return DialogCall{DialogCall::Kind::Message, text,          BoundaryCheck::title,
                          MessageButtons::Ok,        MessageIcon::Question, MessageAnswer::Ok};
    };
    m_dialogs.pressOk();
    m_dialogs.pressOk();

    QVERIFY(source.movePrevious());
    QCOMPARE(m_dialogs.takeCalls(), QVector<DialogCall>{warning(BoundaryCheck::firstRowMessage)});
    QCOMPARE(shown(screen, "Text1"), mainKey(0));

    QVERIFY(source.moveLast());
    QVERIFY(source.moveNext());
    QCOMPARE(m_dialogs.takeCalls(), QVector<DialogCall>{warning(BoundaryCheck::lastRowMessage)});
    QCOMPARE(shown(screen, "Text1"), mainKey(2));
    QCOMPARE(grid(screen)->currentIndex().row(), 2);
}

void RecordScreensTest::boundaryCheckOnAnEmptyTableShowsNothing_data()
{
    addFormRows();
}

void RecordScreensTest::boundaryCheckOnAnEmptyTableShowsNothing()
{
    QFETCH(QString, form);
    m_declaration = kScreens.at(form)();
    m_database->execute(QStringLiteral("DELETE FROM %1").arg(tableOf(m_declaration, kMainSource)));
    Screen &screen = open(form);
    RecordSource &source = *screen.source(kMainSource);
    int notifications = 0;
    connect(&source, &RecordSource::repositioned, this, [&] { ++notifications; });

    for (const Result &moved : {source.movePrevious(), source.moveNext(), source.moveFirst()})
        QVERIFY2(moved, qPrintable(moved.message()));

    QVERIFY(notifications <= 3);
    QCOMPARE(m_dialogs.calls().size(), 0);
    for (const FieldDeclaration &field : textFields(m_declaration))
        QCOMPARE(shown(screen, field.name), QString());
    QCOMPARE(grid(screen)->model()->rowCount(), 0);
}

void RecordScreensTest::tabWalksTheDeclaredOrder_data()
{
    addFormRows();
}

void RecordScreensTest::tabWalksTheDeclaredOrder()
{
    QFETCH(QString, form);
    Screen &screen = open(form);
    screen.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&screen));
    // Increase enables every button, so that Tab passes none by.
    press(screen, buttonRunning<IncreaseCommand>(m_declaration).first);
    const QStringList order = declaredFocusOrder(m_declaration);
    control(screen, order.first())->setFocus();

    QStringList visited{QApplication::focusWidget()->objectName()};
    for (int i = 1; i <= order.size(); ++i) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        visited << QApplication::focusWidget()->objectName();
    }
    QCOMPARE(visited, order + QStringList{order.first()});
}

QTEST_MAIN(RecordScreensTest)
#include "tst_recordscreens.moc"
