#include "app/screencatalog.h"
#include "commands/boundarycheck.h"
#include "commands/editcommands.h"
#include "commands/searchcommands.h"
#include "commands/documentfield.h"
#include "data/records/document.h"
#include "data/records/criterion.h"
#include "data/records/recordsource.h"
#include "data/schema.h"
#include "screens/declare.h"
#include "screens/screen.h"
#include "support/scripteddialogs.h"
#include "support/testdatabase.h"
#include "support/userinput.h"

#include <QPushButton>
#include <QTableView>
#include <QDir>
#include <QTest>

#include <memory>
#include <optional>

using namespace userinput;

namespace {

// The member tables of the shared commands: every screen's button that runs
// each of them, with the data it hands to the command.

struct IncreaseMember
{
    QString form;
    QString button;
    QString caption;
    QString focus;
    QString save;
    QString connect; // empty: the screen has no Connect button
    QStringList alsoEnabled;

    QStringList enables() const
    {
        QStringList buttons{save};
        if (!connect.isEmpty())
            buttons << connect;
        return buttons + alsoEnabled;
    }
};

const QVector<IncreaseMember> kIncreaseMembers = {
    {"Form1", "Command5", "Increase", "Text1", "Command7", "Command6", {}},
    {"Form2", "Command1", "Increase", "Text1", "Command2", "Command8", {}},
    {"Form3", "Command1", "increase", "Text1", "Command2", "Command8", {}},
    {"Form5", "Command1", "Increase", "Text1", "Command3", "Command5", {}},
    {"Form8", "Command5", "Increase", "Text1", "Command7", "Command8", {}},
    {"Form4", "Command2", "Increase", "Text1", "Command4", "", {}},
    {"Form6", "Command1", "Increase", "Text1", "Command3", "", {}},
    {"Form10", "Command1", "Increase", "Text1", "Command3", "", {}},
    {"Form9", "Command1", "Increase ", "DBCombo1", "Command3", "Command5", {}},
    {"Form7", "Command1", "Imcrease", "Text1", "Command3", "", {"Command5", "Command6"}},
};

struct ButtonMember
{
    QString form;
    QString button;
};

const QVector<ButtonMember> kSaveMembers = {
    {"Form1", "Command7"}, {"Form2", "Command2"}, {"Form3", "Command2"}, {"Form4", "Command4"},
    {"Form5", "Command3"}, {"Form6", "Command3"}, {"Form7", "Command3"}, {"Form8", "Command7"},
    {"Form9", "Command3"}, {"Form10", "Command3"},
};

const QVector<ButtonMember> kDeleteMembers = {
    {"Form1", "Command8"}, {"Form2", "Command3"}, {"Form3", "Command3"}, {"Form4", "Command3"},
    {"Form5", "Command2"}, {"Form6", "Command2"}, {"Form7", "Command2"}, {"Form8", "Command6"},
    {"Form9", "Command2"}, {"Form10", "Command2"},
};

struct ConnectMember
{
    QString form;
    QString button;
    QString caption;
    QString documentField;
    QString column;
};

const QVector<ConnectMember> kConnectMembers = {
    {"Form1", "Command6", "Connect", "OLE1", "process"},   {"Form2", "Command8", "connect", "OLE1", "equipment"},
    {"Form3", "Command8", "Connect", "OLE1", "solution"},  {"Form5", "Command5", "Connect", "OLE1", "context"},
    {"Form8", "Command8", "Connect", "OLE1", "picture"},   {"Form9", "Command5", "Connect", "OLE1", "schedule"},
};

struct MoveMember
{
    QString button;
    QString caption;
    MoveCommand::Move move;
};

const QVector<MoveMember> kMoveMembers = {
    {"Command1", "The first ", MoveCommand::Move::First},
    {"Command2", "formal", MoveCommand::Move::Next},
    {"Command3", "Next", MoveCommand::Move::Previous},
    {"Command4", "The last", MoveCommand::Move::Last},
};

enum class SearchVariant { Plain, Switching, Repeat };

struct SearchMember
{
    QString form;
    QString button;
    QString caption;
    SearchVariant variant;
    QString prompt;
    QString title;
    QString prefix;
    QString column;
};

const QString kCustomerPrompt = QStringLiteral("請輸入想要尋找的使用者");
const QString kCustomerTitle = QStringLiteral("搜尋客戶資料");

const QVector<SearchMember> kSearchMembers = {
    {"Form1", "Command9", "Search", SearchVariant::Switching, kCustomerPrompt, kCustomerTitle, "[users]= '", "users"},
    {"Form1", "Command10", "Research", SearchVariant::Repeat, "", kCustomerTitle, "[users] ='", "users"},
    {"Form2", "Command9", "search", SearchVariant::Switching, kCustomerPrompt, kCustomerTitle, "[users] = '", "users"},
    {"Form2", "Command10", "Research", SearchVariant::Repeat, "", kCustomerTitle, "[users] ='", "users"},
    {"Form3", "Command9", "Searc", SearchVariant::Plain, "請輸入想要尋找的技術文件編號", "搜尋技術文件資料",
     "[techno] ='", "techno"},
    {"Form4", "Command1", "Search", SearchVariant::Plain, "請輸入想要尋找的客戶連絡人", kCustomerTitle, "users = '",
     "users"},
    {"Form4", "Command5", "Research", SearchVariant::Plain, "請輸入想要尋找的客戶連絡人", kCustomerTitle,
     "companyname = '", "companyname"},
    {"Form5", "Command4", "Search", SearchVariant::Plain, "請輸入想要尋找的合約編號", "搜尋客戶合約資料",
     "contractno = '", "contractno"},
    {"Form6", "Command4", "Search", SearchVariant::Plain, "請輸入想要尋找的材料編號", "搜尋材料庫存資料",
     "[materielno] = '", "materielno"},
    {"Form7", "Command4", "Search", SearchVariant::Plain, "請輸入想要尋找的材料借還記錄編號", "搜尋材料借還記錄資料",
     "mbrrno = '", "mbrrno"},
    {"Form9", "Command4", "Search", SearchVariant::Plain, "請輸入想要尋找的員工識別碼", "搜尋工程師排程資料",
     "empno = '", "empno"},
    {"Form10", "Command4", "Search", SearchVariant::Plain, "請輸入想要尋找的供應商名稱", "搜尋供應商資料",
     "[supplier] = '", "supplier"},
};

const QStringList kBoundaryCheckedForms = {"Form1", "Form2", "Form3", "Form8"};

const QString &tableOf(const QString &form)
{
    static const QHash<QString, QString> tables = {
        {"Form1", "CSF"}, {"Form2", "MTR"}, {"Form3", "TP"},       {"Form4", "CF"},       {"Form5", "CC"},
        {"Form6", "MSF"}, {"Form7", "MBBR"}, {"Form8", "EMPLOYEE"}, {"Form9", "SCHEDULE"}, {"Form10", "SUPPLIER"},
    };
    return *tables.find(form);
}

const TableDefinition &definitionOf(const QString &table)
{
    return *schemaTable(table);
}

template <typename Member>
const Member *memberOf(const QVector<Member> &members, const QString &form, const QString &button = QString())
{
    for (const Member &member : members) {
        if (member.form == form && (button.isEmpty() || member.button == button))
            return &member;
    }
    return nullptr;
}

const SearchMember *searchMemberOf(const QString &form, SearchVariant variant)
{
    for (const SearchMember &member : kSearchMembers) {
        if (member.form == form && member.variant == variant)
            return &member;
    }
    return nullptr;
}

std::shared_ptr<const Command> increaseOf(const IncreaseMember &member)
{
    return std::make_shared<IncreaseCommand>(member.focus, member.enables());
}

std::shared_ptr<const Command> searchOf(const SearchMember &member)
{
    const SearchMember *repeat = searchMemberOf(member.form, SearchVariant::Repeat);
    switch (member.variant) {
    case SearchVariant::Plain:
        return std::make_shared<SearchCommand>(SearchCommand::Variant::Plain, member.prompt, member.title,
                                               member.prefix);
    case SearchVariant::Switching:
        return std::make_shared<SearchCommand>(SearchCommand::Variant::Switching, member.prompt, member.title,
                                               member.prefix, member.button, repeat->button);
    case SearchVariant::Repeat:
        return std::make_shared<RepeatSearchCommand>(member.title, member.prefix,
                                                     searchMemberOf(member.form, SearchVariant::Switching)->button,
                                                     member.button);
    }
    return nullptr;
}

/// Stands in for a button whose own command these tests leave alone.
class UntouchedCommand : public Command
{
public:
    Result run(ScreenContext &) const override { return Result::success(); }
};

/// A document field that keeps what it is given.
class ScriptedDocumentField : public DocumentField
{
public:
    QString documentClass() const override { return QString(); }
    Result setDocument(const Document &document) override
    {
        documents << document;
        return Result::success();
    }
    Result openDocument() override { return Result::success(); }

    QVector<Document> documents;
};

struct TestButton
{
    QString name;
    QString caption;
    std::shared_ptr<const Command> command;
    bool enabledAtStart = true;
};

/// A test screen of one form: Data1 on the form's table, a field per column
/// (Text1, Text2, ... or the employee lookup DBCombo1 first), a grid and the
/// buttons in one frame.
struct TestScreen
{
    TestScreen(QString form, QVector<TestButton> buttons, QStringList columns = {}, bool lookupFirst = false)
        : form(std::move(form)), buttons(std::move(buttons)), columns(std::move(columns)), lookupFirst(lookupFirst)
    {
    }

    QString form;
    QVector<TestButton> buttons;
    QStringList columns; // the table's first two text columns when empty
    bool lookupFirst = false;

    ScreenDeclaration declaration() const;
};

QStringList firstTextColumns(const QString &table, int count)
{
    QStringList columns;
    for (const ColumnDefinition &column : definitionOf(table).columns) {
        if (column.type == ColumnType::Text && columns.size() < count)
            columns << column.name;
    }
    return columns;
}

ScreenDeclaration TestScreen::declaration() const
{
    using namespace declare;
    ScreenDeclaration screen;
    screen.name = form;
    screen.caption = form + QStringLiteral(" commands");
    screen.clientWidth = 9000;
    screen.clientHeight = 5600;
    screen.sources = {{"Data1", tableOf(form)}, {"Data2", "EMPLOYEE"}};
    int tab = 1;
    if (lookupFirst)
        screen.fields << lookup("DBCombo1", "Label0", "Employee", "empno", {1500, 120, 1800, 312}, tab++,
                                {"Data2", "empname", "empno"});
    const QStringList fieldColumns = columns.isEmpty() ? firstTextColumns(tableOf(form), 2) : columns;
    for (int i = 0; i < fieldColumns.size(); ++i) {
        const QString number = QString::number(i + 1);
        screen.fields << text("Text" + number, "Label" + number, fieldColumns.at(i), fieldColumns.at(i),
                              {1500 + 3600 * (i % 2), 600 + 480 * (i / 2), 1800, 288}, tab++);
    }
    // The document field a Connect button needs; the test puts its own in its place.
    const bool connects = std::any_of(buttons.begin(), buttons.end(), [](const TestButton &each) {
        return dynamic_cast<const ConnectCommand *>(each.command.get()) != nullptr;
    });
    if (const ConnectMember *connect = memberOf(kConnectMembers, form); connects && connect)
        screen.fields << document(connect->documentField, "LabelDoc", connect->column, connect->column,
                                  {1500, 1500, 1800, 288}, tab++);
    screen.grid = GridDeclaration{"Data1", {240, 1800, 8500, 2400}, true, tab++};
    FrameDeclaration frame{"Frame1", kFunctionKeyCaption, {240, 4400, 8500, 900}, tab++, {}};
    for (int i = 0; i < buttons.size(); ++i) {
        const TestButton &each = buttons.at(i);
        frame.buttons << button(each.name, each.caption, {120 + 1050 * i, 240, 1000, 492}, tab++, each.command,
                                each.enabledAtStart);
    }
    screen.frames = {frame};
    screen.boundaryCheck = kBoundaryCheckedForms.contains(form);
    return screen;
}

/// The buttons Increase switches on, wired as on the form.
QVector<TestButton> increaseButtons(const IncreaseMember &member)
{
    QVector<TestButton> buttons{{member.button, member.caption, increaseOf(member)},
                                {member.save, "Save", std::make_shared<SaveCommand>(member.save), false}};
    if (!member.connect.isEmpty())
        buttons << TestButton{member.connect, "Connect", std::make_shared<ConnectCommand>("OLE1", member.connect),
                              false};
    for (const QString &other : member.alsoEnabled)
        buttons << TestButton{other, other, std::make_shared<UntouchedCommand>(), false};
    return buttons;
}

QVector<TestButton> moveMemberButtons()
{
    QVector<TestButton> buttons;
    for (const MoveMember &member : kMoveMembers)
        buttons << TestButton{member.button, member.caption, std::make_shared<MoveCommand>(member.move)};
    return buttons;
}

/// The member's button, with its partner when it is one of a Search/Research pair.
QVector<TestButton> searchButtons(const SearchMember &member)
{
    QVector<TestButton> buttons;
    for (const SearchMember &each : kSearchMembers) {
        const bool partner = each.form == member.form && each.variant != SearchVariant::Plain &&
                             member.variant != SearchVariant::Plain;
        if (&each == &member || partner)
            buttons << TestButton{each.button, each.caption, searchOf(each)};
    }
    return buttons;
}

/// Values in table order with the given column set, the others NULL.
QVariantList rowWith(const QString &table, const QString &column, const QVariant &value)
{
    const int index = definitionOf(table).columnNames().indexOf(column);
    QVariantList values(index + 1);
    values[index] = value;
    return values;
}

const ButtonDeclaration *declaredButton(const ScreenDeclaration &screen, const QString &name)
{
    for (const FrameDeclaration &frame : screen.frames) {
        for (const ButtonDeclaration &button : frame.buttons) {
            if (button.name == name)
                return &button;
        }
    }
    return nullptr;
}

std::optional<ScreenDeclaration> realDeclaration(const QString &form)
{
    for (const MenuGroup &group : menuGroups()) {
        for (const ScreenEntry &entry : group.entries) {
            if (entry.form == form && entry.declaration)
                return entry.declaration();
        }
    }
    return std::nullopt;
}

QStringList formsWithScreens()
{
    QStringList forms;
    for (const MenuGroup &group : menuGroups()) {
        for (const ScreenEntry &entry : group.entries) {
            if (entry.declaration)
                forms << entry.form;
        }
    }
    return forms;
}

/// Every button of the form that the member tables name, with its caption.
QVector<QPair<QString, QString>> tabledButtons(const QString &form)
{
    QVector<QPair<QString, QString>> buttons;
    if (const IncreaseMember *member = memberOf(kIncreaseMembers, form))
        buttons.append({member->button, member->caption});
    if (const ButtonMember *member = memberOf(kSaveMembers, form))
        buttons.append({member->button, "Save"});
    if (const ButtonMember *member = memberOf(kDeleteMembers, form))
        buttons.append({member->button, "Delete"});
    if (const ConnectMember *member = memberOf(kConnectMembers, form))
        buttons.append({member->button, member->caption});
    for (const SearchMember &member : kSearchMembers) {
        if (member.form == form)
            buttons.append({member.button, member.caption});
    }
    if (form == "Form8") {
        for (const MoveMember &member : kMoveMembers)
            buttons.append({member.button, member.caption});
    }
    return buttons;
}

const QStringList kSearchKeys = {"王小明", "O'Neil", "王小明", "李大華"};

} // namespace

class CommandsTest : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void screensHandTheTabledDataToTheirCommands_data();
    void screensHandTheTabledDataToTheirCommands();

    void increase_data();
    void increase();
    void save_data();
    void save();
    void saveWithNothingToWriteTellsWhy_data();
    void saveWithNothingToWriteTellsWhy();
    void refusedSaveKeepsTheRowToCorrect();
    void increaseSaveAndConnectSwitchTheButtons_data();
    void increaseSaveAndConnectSwitchTheButtons();
    void failedConnectKeepsItsButton();
    void deleteAsksFirst_data();
    void deleteAsksFirst();

    void moveButtons_data();
    void moveButtons();
    void boundaryCheckFollowsEveryMove_data();
    void boundaryCheckFollowsEveryMove();
    void gridMovesStayInsideWithoutMessages();
    void boundaryCheckOnAnEmptyTableShowsNothing();

    void searchCriterion_data();
    void searchCriterion();
    void search_data();
    void search();
    void searchAndResearchSwitchTheButtons_data();
    void searchAndResearchSwitchTheButtons();
    void researchBeforeAnySearch_data();
    void researchBeforeAnySearch();
    void lastSearchTextSurvivesReopening_data();
    void lastSearchTextSurvivesReopening();
    void searchWithNoCurrentRowTellsWhy_data();
    void searchWithNoCurrentRowTellsWhy();
    void searchOnAnEmptyTable();
    void failedFindIsReportedAndTheRowStays();

private:
    Screen &open(const TestScreen &screen);
    int currentRow();
    QVector<QVariantList> tableRows(const QString &form);
    QHash<QString, bool> buttonStates();

    std::unique_ptr<TestDatabase> m_database;
    ScriptedDialogs m_dialogs;
    ScriptedDocumentField m_document;
    QString m_lastSearchText;
    std::unique_ptr<Screen> m_screen;
};

void CommandsTest::init()
{
    m_database = std::make_unique<TestDatabase>();
    m_dialogs = ScriptedDialogs();
    m_document = ScriptedDocumentField();
    m_lastSearchText.clear();
}

void CommandsTest::cleanup()
{
    m_screen.reset();
    const QStringList deviations = m_dialogs.deviations();
    m_database.reset();
    QVERIFY2(deviations.isEmpty(), qPrintable(deviations.join(QStringLiteral("; "))));
}

Screen &CommandsTest::open(const TestScreen &screen)
{
    m_screen = showScreen(screen.declaration(), m_dialogs, m_lastSearchText);
    m_screen->attachDocumentField(QStringLiteral("OLE1"), m_document);
    return *m_screen;
}

int CommandsTest::currentRow()
{
    return m_screen->source(kMainSource)->currentIndex();
}

QVector<QVariantList> CommandsTest::tableRows(const QString &form)
{
    return m_database->tableRows(tableOf(form));
}

QHash<QString, bool> CommandsTest::buttonStates()
{
    QHash<QString, bool> states;
    for (QPushButton *button : m_screen->findChildren<QPushButton *>())
        states.insert(button->objectName(), button->isEnabled());
    return states;
}

void CommandsTest::screensHandTheTabledDataToTheirCommands_data()
{
    QTest::addColumn<QString>("form");
    for (const QString &form : formsWithScreens())
        QTest::newRow(qPrintable(form)) << form;
}

void CommandsTest::screensHandTheTabledDataToTheirCommands()
{
    QFETCH(QString, form);
    const ScreenDeclaration screen = *realDeclaration(form);
    QCOMPARE(screen.boundaryCheck, kBoundaryCheckedForms.contains(form));
    for (const auto &[button, caption] : tabledButtons(form)) {
        const ButtonDeclaration *declared = declaredButton(screen, button);
        QVERIFY2(declared, qPrintable(button));
        QCOMPARE(declared->caption, caption);
    }
    const auto commandOf = [&](const QString &button) { return declaredButton(screen, button)->command.get(); };

    QStringList disabledAtStart;
    if (const IncreaseMember *member = memberOf(kIncreaseMembers, form)) {
        const auto *command = dynamic_cast<const IncreaseCommand *>(commandOf(member->button));
        QVERIFY(command);
        QCOMPARE(command->focus, member->focus);
        QCOMPARE(command->enables, member->enables());
        disabledAtStart << member->enables();
    }
    if (const ButtonMember *member = memberOf(kSaveMembers, form)) {
        const auto *command = dynamic_cast<const SaveCommand *>(commandOf(member->button));
        QVERIFY(command);
        QCOMPARE(command->saveButton, member->button);
    }
    if (const ButtonMember *member = memberOf(kDeleteMembers, form))
        QVERIFY(dynamic_cast<const DeleteCommand *>(commandOf(member->button)));
    if (const ConnectMember *member = memberOf(kConnectMembers, form)) {
        const auto *command = dynamic_cast<const ConnectCommand *>(commandOf(member->button));
        QVERIFY(command);
        QCOMPARE(command->documentField, member->documentField);
        QCOMPARE(command->connectButton, member->button);
    }
    for (const SearchMember &member : kSearchMembers) {
        if (member.form != form)
            continue;
        if (member.variant == SearchVariant::Repeat) {
            const auto *repeat = dynamic_cast<const RepeatSearchCommand *>(commandOf(member.button));
            QVERIFY(repeat);
            QCOMPARE(repeat->title, member.title);
            QCOMPARE(repeat->prefix, member.prefix);
            continue;
        }
        const auto *search = dynamic_cast<const SearchCommand *>(commandOf(member.button));
        QVERIFY(search);
        QCOMPARE(search->variant == SearchCommand::Variant::Switching, member.variant == SearchVariant::Switching);
        QCOMPARE(search->prompt, member.prompt);
        QCOMPARE(search->title, member.title);
        QCOMPARE(search->prefix, member.prefix);
        QVERIFY(definitionOf(tableOf(form)).columnNames().contains(member.column));
    }
    if (form == "Form8") {
        for (const MoveMember &member : kMoveMembers) {
            const auto *command = dynamic_cast<const MoveCommand *>(commandOf(member.button));
            QVERIFY(command);
            QCOMPARE(command->move, member.move);
        }
    }
    for (const FrameDeclaration &frame : screen.frames) {
        for (const ButtonDeclaration &button : frame.buttons)
            QCOMPARE(button.enabledAtStart, !disabledAtStart.contains(button.name));
    }
}

void CommandsTest::increase_data()
{
    QTest::addColumn<int>("member");
    for (int i = 0; i < kIncreaseMembers.size(); ++i)
        QTest::newRow(qPrintable(kIncreaseMembers.at(i).form + " " + kIncreaseMembers.at(i).button)) << i;
}

void CommandsTest::increase()
{
    QFETCH(int, member);
    const IncreaseMember &increase = kIncreaseMembers.at(member);
    m_database->insert("EMPLOYEE", {"E01", "王小明"});
    m_database->insert(tableOf(increase.form), {"E01", "K1"});
    const bool lookupFirst = increase.focus == "DBCombo1";
    open({increase.form, increaseButtons(increase), {}, lookupFirst});
    const QStringList fields = lookupFirst ? QStringList{"DBCombo1", "Text1"} : QStringList{"Text1", "Text2"};
    QCOMPARE(shown(*m_screen, fields.at(0)), lookupFirst ? QString("王小明") : QString("E01"));
    for (const QString &button : increase.enables())
        QVERIFY2(!m_screen->button(button)->isEnabled(), qPrintable(button + " is enabled on a fresh load"));
    control(*m_screen, "DBGrid1")->setFocus();
    const auto rowsBefore = tableRows(increase.form);

    press(*m_screen, increase.button);

    QVERIFY(m_screen->source(kMainSource)->isAddingNew());
    for (const QString &field : fields)
        QCOMPARE(shown(*m_screen, field), QString());
    QCOMPARE(m_screen->focusWidget(), control(*m_screen, increase.focus));
    for (const QString &button : increase.enables())
        QVERIFY2(m_screen->button(button)->isEnabled(), qPrintable(button + " is still disabled"));
    QVERIFY(m_screen->button(increase.button)->isEnabled());
    QCOMPARE(tableRows(increase.form), rowsBefore);
    QCOMPARE(m_dialogs.calls().size(), 0);
}

void CommandsTest::save_data()
{
    QTest::addColumn<QString>("form");
    QTest::addColumn<QString>("button");
    for (const ButtonMember &member : kSaveMembers)
        QTest::newRow(qPrintable(member.form + " " + member.button)) << member.form << member.button;
}

void CommandsTest::save()
{
    QFETCH(QString, form);
    QFETCH(QString, button);
    const IncreaseMember &increase = *memberOf(kIncreaseMembers, form);
    QCOMPARE(increase.save, button);
    m_database->insert(tableOf(form), {"K1", "V1"});
    open({form, increaseButtons(increase), {}, increase.focus == "DBCombo1"});

    press(*m_screen, increase.button);
    type(*m_screen, "Text1", "K2");
    type(*m_screen, "Text2", "新的");
    press(*m_screen, button);

    QCOMPARE(m_dialogs.calls().size(), 0);
    const auto rows = tableRows(form);
    QCOMPARE(rows.size(), 2);
    QCOMPARE(rows.at(1).mid(0, 2), QVariantList({"K2", "新的"}));
    QVERIFY(!m_screen->button(button)->isEnabled());
    // The written row stays current and shown.
    QCOMPARE(currentRow(), 1);
    QCOMPARE(shown(*m_screen, "Text1"), QString("K2"));
    QCOMPARE(grid(*m_screen)->currentIndex().row(), 1);
}

void CommandsTest::saveWithNothingToWriteTellsWhy_data()
{
    QTest::addColumn<bool>("typeAndMoveOff");
    QTest::addColumn<QString>("message");
    QTest::addColumn<int>("rowsAfter");
    QTest::addColumn<bool>("saveEnabledAfter");
    QTest::newRow("row already written by moving off it") << true << "沒有新增或修改的資料需要儲存。" << 2 << false;
    QTest::newRow("nothing typed into the new row, saved blank") << false << QString() << 2 << false;
}

void CommandsTest::saveWithNothingToWriteTellsWhy()
{
    QFETCH(bool, typeAndMoveOff);
    QFETCH(QString, message);
    QFETCH(int, rowsAfter);
    QFETCH(bool, saveEnabledAfter);
    const IncreaseMember &increase = *memberOf(kIncreaseMembers, "Form1");
    m_database->insert("CSF", {"S01"});
    open({"Form1", increaseButtons(increase)});
    press(*m_screen, increase.button);
    if (typeAndMoveOff) {
        type(*m_screen, "Text1", "S02");
        clickGridRow(*m_screen, 0);
    }
    if (!message.isEmpty())
        m_dialogs.pressOk();

    press(*m_screen, increase.save);

    const auto calls = m_dialogs.takeCalls();
    QCOMPARE(calls, message.isEmpty() ? QVector<DialogCall>{} : QVector<DialogCall>{DialogCall::told(message)});
    QCOMPARE(tableRows("Form1").size(), rowsAfter);
    QCOMPARE(m_screen->button(increase.save)->isEnabled(), saveEnabledAfter);
}

void CommandsTest::refusedSaveKeepsTheRowToCorrect()
{
    const IncreaseMember &increase = *memberOf(kIncreaseMembers, "Form6");
    open({"Form6", increaseButtons(increase), {"materielno", "inventory"}});
    press(*m_screen, increase.button);
    type(*m_screen, "Text1", "A01");
    type(*m_screen, "Text2", "abc");
    m_dialogs.pressOk();

    press(*m_screen, increase.save);

    const auto calls = m_dialogs.takeCalls();
    QCOMPARE(calls.size(), 1);
    QCOMPARE(calls.at(0), DialogCall::told("資料無法儲存:「inventory」只能輸入數字,「abc」不是數字。", kApplicationTitle));
    QVERIFY(m_screen->button(increase.save)->isEnabled());
    QVERIFY(m_screen->source(kMainSource)->isAddingNew());
    QCOMPARE(shown(*m_screen, "Text1"), QString("A01"));
    QCOMPARE(shown(*m_screen, "Text2"), QString("abc"));
    QCOMPARE(tableRows("Form6").size(), 0);

    retype(*m_screen, "Text2", "12");
    press(*m_screen, increase.save);

    QCOMPARE(m_dialogs.calls().size(), 0);
    QVERIFY(!m_screen->button(increase.save)->isEnabled());
    QCOMPARE(m_database->rows(QStringLiteral("SELECT materielno, inventory, %1 FROM MSF").arg(m_database->storedKind("inventory"))),
             QVector<QVariantList>({{"A01", 12, "integer"}}));
}

void CommandsTest::increaseSaveAndConnectSwitchTheButtons_data()
{
    QTest::addColumn<QString>("form");
    QTest::addColumn<bool>("saveFirst");
    for (const ConnectMember &member : kConnectMembers) {
        QTest::newRow(qPrintable(member.form + " Save then Connect")) << member.form << true;
        QTest::newRow(qPrintable(member.form + " Connect then Save")) << member.form << false;
    }
}

void CommandsTest::increaseSaveAndConnectSwitchTheButtons()
{
    QFETCH(QString, form);
    QFETCH(bool, saveFirst);
    const ConnectMember &connect = *memberOf(kConnectMembers, form);
    const IncreaseMember &increase = *memberOf(kIncreaseMembers, form);
    QCOMPARE(increase.connect, connect.button);
    const auto column = std::find_if(definitionOf(tableOf(form)).columns.begin(),
                                     definitionOf(tableOf(form)).columns.end(),
                                     [&](const ColumnDefinition &each) { return each.name == connect.column; });
    QVERIFY(column != definitionOf(tableOf(form)).columns.end());
    QCOMPARE(column->type, ColumnType::Document);
    const bool lookupFirst = increase.focus == "DBCombo1";
    open({form, increaseButtons(increase), {}, lookupFirst});
    const auto states = [&] {
        return QPair<bool, bool>(m_screen->button(increase.save)->isEnabled(),
                                 m_screen->button(connect.button)->isEnabled());
    };
    QCOMPARE(states(), qMakePair(false, false));

    press(*m_screen, increase.button);
    QCOMPARE(states(), qMakePair(true, true));
    type(*m_screen, "Text1", "K1");

    // Cancel inserts nothing, and Connect is spent all the same.
    m_dialogs.chooseInsertObject({});
    press(*m_screen, saveFirst ? increase.save : connect.button);
    QCOMPARE(states(), saveFirst ? qMakePair(false, true) : qMakePair(true, false));
    press(*m_screen, saveFirst ? connect.button : increase.save);
    QCOMPARE(states(), qMakePair(false, false));

    QCOMPARE(m_dialogs.calls(), QVector<DialogCall>{DialogCall::insertObject(QString())});
    QVERIFY(m_document.documents.isEmpty());
    QCOMPARE(tableRows(form).size(), 1);
}

void CommandsTest::failedConnectKeepsItsButton()
{
    const IncreaseMember &increase = *memberOf(kIncreaseMembers, "Form5");
    open({"Form5", increaseButtons(increase)});
    const QString missing = QDir(QDir::tempPath()).filePath("no such folder/合約.doc");
    m_dialogs.chooseInsertObject({InsertObjectChoice::Action::FromFile, missing, false});
    m_dialogs.pressOk();
    press(*m_screen, increase.button);

    press(*m_screen, increase.connect);

    const auto calls = m_dialogs.takeCalls();
    QCOMPARE(calls.size(), 2);
    QCOMPARE(calls.at(1), DialogCall::told(QStringLiteral("找不到檔案「%1」。").arg(QDir::toNativeSeparators(missing))));
    QVERIFY(m_document.documents.isEmpty());
    QVERIFY(m_screen->button(increase.connect)->isEnabled());
    QVERIFY(m_screen->source(kMainSource)->isAddingNew());
}

void CommandsTest::deleteAsksFirst_data()
{
    QTest::addColumn<QString>("form");
    QTest::addColumn<QString>("button");
    QTest::addColumn<bool>("yes");
    for (const ButtonMember &member : kDeleteMembers) {
        QTest::newRow(qPrintable(member.form + " " + member.button + " Yes")) << member.form << member.button << true;
        QTest::newRow(qPrintable(member.form + " " + member.button + " No")) << member.form << member.button << false;
    }
}

void CommandsTest::deleteAsksFirst()
{
    QFETCH(QString, form);
    QFETCH(QString, button);
    QFETCH(bool, yes);
    for (const QString key : {"K1", "K2", "K3"})
        m_database->insert(tableOf(form), {key});
    const auto moveNext = std::make_shared<MoveCommand>(MoveCommand::Move::Next);
    open({form, {{button, "Delete", std::make_shared<DeleteCommand>()}, {"Command20", "Next", moveNext}}});
    clickGridRow(*m_screen, 1);
    const auto rowsBefore = tableRows(form);
    const auto statesBefore = buttonStates();
    m_dialogs.chooseAnswer(yes ? MessageAnswer::Yes : MessageAnswer::No);

    press(*m_screen, button);

    const auto calls = m_dialogs.takeCalls();
    QCOMPARE(calls.size(), 1);
    QCOMPARE(calls.at(0), DialogCall::asked("你確定要刪除這筆資料嗎?", "刪除資料"));
    QCOMPARE(buttonStates(), statesBefore);
    if (!yes) {
        QCOMPARE(tableRows(form), rowsBefore);
        QCOMPARE(currentRow(), 1);
        QCOMPARE(shown(*m_screen, "Text1"), QString("K2"));
        return;
    }
    QCOMPARE(tableRows(form), QVector<QVariantList>({rowsBefore.at(0), rowsBefore.at(2)}));
    // The deleted row's place stays current, empty, until the user moves.
    QVERIFY(!m_screen->source(kMainSource)->hasCurrentRow());
    QVERIFY(!m_screen->source(kMainSource)->isBeforeFirst());
    QVERIFY(!m_screen->source(kMainSource)->isAfterLast());
    QCOMPARE(shown(*m_screen, "Text1"), QString());

    m_dialogs.pressOk();
    press(*m_screen, button);
    const auto noRow = m_dialogs.takeCalls();
    QCOMPARE(noRow.size(), 1);
    QCOMPARE(noRow.at(0), DialogCall::told("目前沒有資料可以刪除。", kApplicationTitle));
    QCOMPARE(tableRows(form).size(), 2);

    press(*m_screen, "Command20");
    QCOMPARE(shown(*m_screen, "Text1"), QString("K3"));
}

void CommandsTest::moveButtons_data()
{
    QTest::addColumn<int>("startRow");
    QTest::addColumn<QString>("button");
    QTest::addColumn<int>("endRow");
    QTest::addColumn<QString>("message");
    QTest::newRow("formal on the first row goes forward") << 0 << "Command2" << 1 << "";
    QTest::newRow("formal on the last row runs off the end") << 2 << "Command2" << 2 << "已經是最後一筆資料了!";
    QTest::newRow("Next on the last row goes back") << 2 << "Command3" << 1 << "";
    QTest::newRow("Next on the first row runs off the start") << 0 << "Command3" << 0 << "已經是第一筆資料了!";
    QTest::newRow("The first") << 1 << "Command1" << 0 << "";
    QTest::newRow("The first on the first row") << 0 << "Command1" << 0 << "";
    QTest::newRow("The last") << 1 << "Command4" << 2 << "";
    QTest::newRow("The last on the last row") << 2 << "Command4" << 2 << "";
}

void CommandsTest::moveButtons()
{
    QFETCH(int, startRow);
    QFETCH(QString, button);
    QFETCH(int, endRow);
    QFETCH(QString, message);
    for (const QString key : {"E01", "E02", "E03"})
        m_database->insert("EMPLOYEE", {key});
    open({"Form8", moveMemberButtons()});
    for (const MoveMember &member : kMoveMembers)
        QCOMPARE(m_screen->button(member.button)->text(), member.caption);
    clickGridRow(*m_screen, startRow);
    QCOMPARE(currentRow(), startRow);
    if (!message.isEmpty())
        m_dialogs.pressOk();

    press(*m_screen, button);

    const auto calls = m_dialogs.takeCalls();
    QCOMPARE(calls.size(), message.isEmpty() ? 0 : 1);
    if (!message.isEmpty()) {
        QCOMPARE(calls.at(0), DialogCall::told(message, QStringLiteral("注意!"), MessageIcon::Question));
    }
    QCOMPARE(currentRow(), endRow);
    QCOMPARE(shown(*m_screen, "Text1"), QString("E0%1").arg(endRow + 1));
    QCOMPARE(grid(*m_screen)->currentIndex().row(), endRow);
}

void CommandsTest::boundaryCheckFollowsEveryMove_data()
{
    QTest::addColumn<QString>("form");
    QTest::addColumn<int>("deletedRow");
    QTest::addColumn<int>("move");
    QTest::addColumn<int>("endRow");
    QTest::addColumn<QString>("message");
    const int next = int(MoveCommand::Move::Next);
    const int previous = int(MoveCommand::Move::Previous);
    for (const QString &form : kBoundaryCheckedForms) {
        QTest::newRow(qPrintable(form + " past the last")) << form << -1 << next << 2 << "已經是最後一筆資料了!";
        QTest::newRow(qPrintable(form + " before the first")) << form << -1 << previous << 0 << "已經是第一筆資料了!";
    }
    QTest::newRow("forward from a deleted last row") << "Form8" << 2 << next << 1 << "已經是最後一筆資料了!";
    QTest::newRow("back from a deleted first row") << "Form8" << 0 << previous << 0 << "已經是第一筆資料了!";
    QTest::newRow("forward from a deleted middle row") << "Form8" << 1 << next << 1 << "";
}

void CommandsTest::boundaryCheckFollowsEveryMove()
{
    QFETCH(QString, form);
    QFETCH(int, deletedRow);
    QFETCH(int, move);
    QFETCH(int, endRow);
    QFETCH(QString, message);
    for (const QString key : {"K1", "K2", "K3"})
        m_database->insert(tableOf(form), {key});
    open({form, {{"Command21", "Delete", std::make_shared<DeleteCommand>()}}});
    const int startRow = deletedRow >= 0 ? deletedRow : (move == int(MoveCommand::Move::Next) ? 2 : 0);
    clickGridRow(*m_screen, startRow);
    if (deletedRow >= 0) {
        m_dialogs.chooseAnswer(MessageAnswer::Yes);
        press(*m_screen, "Command21");
        m_dialogs.takeCalls();
    }
    if (!message.isEmpty())
        m_dialogs.pressOk();

    m_screen->run(MoveCommand(MoveCommand::Move(move)));

    const auto calls = m_dialogs.takeCalls();
    QCOMPARE(calls.size(), message.isEmpty() ? 0 : 1);
    if (!message.isEmpty())
        QCOMPARE(calls.at(0), DialogCall::told(message, QStringLiteral("注意!"), MessageIcon::Question));
    QCOMPARE(currentRow(), endRow);
    QVERIFY(m_screen->source(kMainSource)->hasCurrentRow());
}

void CommandsTest::gridMovesStayInsideWithoutMessages()
{
    for (const QString key : {"E01", "E02", "E03"})
        m_database->insert("EMPLOYEE", {key});
    open({"Form8", moveMemberButtons()});
    for (const int row : {2, 0, 1})
        clickGridRow(*m_screen, row);
    QTableView *view = grid(*m_screen);
    view->setFocus();
    QTest::keyClick(view, Qt::Key_Up);
    QTest::keyClick(view, Qt::Key_Up);
    QCOMPARE(currentRow(), 0);
    for (int i = 0; i < 3; ++i)
        QTest::keyClick(view, Qt::Key_Down);
    QCOMPARE(currentRow(), 2);
    QCOMPARE(shown(*m_screen, "Text1"), QString("E03"));
    QCOMPARE(m_dialogs.calls().size(), 0);

    m_dialogs.pressOk();
    press(*m_screen, "Command2");
    QCOMPARE(m_dialogs.messageTexts(), QStringList{"已經是最後一筆資料了!"});
    QCOMPARE(view->currentIndex().row(), 2);
}

void CommandsTest::boundaryCheckOnAnEmptyTableShowsNothing()
{
    open({"Form8", moveMemberButtons()});
    for (const MoveMember &member : kMoveMembers)
        press(*m_screen, member.button);

    QCOMPARE(m_dialogs.calls().size(), 0);
    QVERIFY(m_screen->source(kMainSource)->isBeforeFirst());
    QVERIFY(m_screen->source(kMainSource)->isAfterLast());
    QCOMPARE(shown(*m_screen, "Text1"), QString());
}

void CommandsTest::searchCriterion_data()
{
    QTest::addColumn<QString>("prefix");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("criterion");
    QTest::addColumn<QString>("value");
    QTest::newRow("as typed") << "[users]= '" << "王小明" << "[users]= '王小明'" << "王小明";
    QTest::newRow("trailing blanks dropped") << "[users] ='" << "王小明   " << "[users] ='王小明'" << "王小明";
    QTest::newRow("leading blanks kept") << "users = '" << "  王小明" << "users = '  王小明'" << "  王小明";
    QTest::newRow("blanks only") << "[supplier] = '" << "   " << "[supplier] = ''" << "";
    QTest::newRow("empty") << "mbrrno = '" << "" << "mbrrno = ''" << "";
    QTest::newRow("a quote") << "[materielno] = '" << "O'Neil" << "[materielno] = 'O''Neil'" << "O'Neil";
    QTest::newRow("quotes cannot widen the search")
        << "empno = '" << "x' OR 'a'='a" << "empno = 'x'' OR ''a''=''a'" << "x' OR 'a'='a";
}

void CommandsTest::searchCriterion()
{
    QFETCH(QString, prefix);
    QFETCH(QString, text);
    QFETCH(QString, criterion);
    QFETCH(QString, value);
    QCOMPARE(::searchCriterion(prefix, text), criterion);
    Criterion parsed;
    QVERIFY(Criterion::parse(criterion, parsed));
    QCOMPARE(parsed.value, value);
}

void CommandsTest::search_data()
{
    QTest::addColumn<int>("member");
    QTest::addColumn<int>("startRow");
    QTest::addColumn<QString>("answer"); // null: Cancel
    QTest::addColumn<int>("endRow");
    QTest::addColumn<bool>("notFound");
    struct Case
    {
        const char *name;
        int startRow;
        QString answer;
        int endRow;
        bool notFound;
    };
    const QVector<Case> cases = {
        {"finds the first match", 3, "王小明", 0, false},
        {"without trailing blanks", 0, "李大華  ", 3, false},
        {"leading blanks kept", 1, "  李大華", 1, true},
        {"a quote in the text", 3, "O'Neil", 1, false},
        {"blanks only", 2, "   ", 2, true},
        {"Cancel", 2, QString(), 2, false},
        {"not found", 1, "林志玲", 1, true},
    };
    for (int i = 0; i < kSearchMembers.size(); ++i) {
        const SearchMember &member = kSearchMembers.at(i);
        if (member.variant == SearchVariant::Repeat)
            continue;
        for (const Case &each : cases) {
            QTest::newRow(qPrintable(member.form + " " + member.button + " " + each.name))
                << i << each.startRow << each.answer << each.endRow << each.notFound;
        }
    }
}

void CommandsTest::search()
{
    QFETCH(int, member);
    QFETCH(int, startRow);
    QFETCH(QString, answer);
    QFETCH(int, endRow);
    QFETCH(bool, notFound);
    const SearchMember &search = kSearchMembers.at(member);
    const QString table = tableOf(search.form);
    for (const QString &key : kSearchKeys)
        m_database->insert(table, rowWith(table, search.column, key));
    open({search.form, searchButtons(search), {search.column}});
    clickGridRow(*m_screen, startRow);
    const auto statesBefore = buttonStates();
    const auto rowsBefore = tableRows(search.form);
    m_lastSearchText = QStringLiteral("before");
    if (answer.isNull())
        m_dialogs.cancelAnswer();
    else
        m_dialogs.typeAnswer(answer);
    if (notFound)
        m_dialogs.pressOk();

    press(*m_screen, search.button);

    const auto calls = m_dialogs.takeCalls();
    QCOMPARE(calls.size(), notFound ? 2 : 1);
    QCOMPARE(calls.at(0), DialogCall::input(search.prompt, search.title));
    if (notFound)
        QCOMPARE(calls.at(1), DialogCall::told("找不到", "vemo"));
    QCOMPARE(currentRow(), endRow);
    QCOMPARE(shown(*m_screen, "Text1"), kSearchKeys.at(endRow));
    QCOMPARE(grid(*m_screen)->currentIndex().row(), endRow);
    QCOMPARE(tableRows(search.form), rowsBefore);

    auto expectedStates = statesBefore;
    if (search.variant == SearchVariant::Switching) {
        QCOMPARE(m_lastSearchText, answer.isNull() ? QString() : answer);
        const QString research = searchMemberOf(search.form, SearchVariant::Repeat)->button;
        if (!notFound && !answer.isNull()) {
            expectedStates[search.button] = false;
            expectedStates[research] = true;
        } else if (notFound) {
            expectedStates[search.button] = true;
            expectedStates[research] = false;
        }
    } else {
        QCOMPARE(m_lastSearchText, QStringLiteral("before"));
    }
    QCOMPARE(buttonStates(), expectedStates);
}

void CommandsTest::searchAndResearchSwitchTheButtons_data()
{
    QTest::addColumn<QString>("form");
    QTest::newRow("Form1") << "Form1";
    QTest::newRow("Form2") << "Form2";
}

void CommandsTest::searchAndResearchSwitchTheButtons()
{
    QFETCH(QString, form);
    const SearchMember &search = *searchMemberOf(form, SearchVariant::Switching);
    const SearchMember &research = *searchMemberOf(form, SearchVariant::Repeat);
    for (const QString &key : kSearchKeys)
        m_database->insert(tableOf(form), rowWith(tableOf(form), "users", key));
    open({form, searchButtons(search), {"users"}});
    clickGridRow(*m_screen, 1);

    struct Step
    {
        const char *what;
        const SearchMember &button;
        QString answer; // null: Cancel; unused by Research
        int endRow;
        QStringList messages; // text, title
        bool searchEnabled;
        bool researchEnabled;
    };
    const QString exhausted = QStringLiteral("已經沒有'王小明 '使用者的資料!");
    const QVector<Step> steps = {
        {"search finds", search, "王小明 ", 0, {}, false, true},
        {"research finds the next", research, {}, 2, {}, false, true},
        {"research runs out", research, {}, 2, {exhausted, research.title}, true, false},
        {"research pressed while disabled", research, {}, 2, {}, true, false},
        {"search finds nothing", search, "林志玲", 2, {"找不到", "vemo"}, true, false},
        {"search cancelled", search, QString(), 2, {}, true, false},
        {"search finds again", search, "O'Neil", 1, {}, false, true},
        {"research runs out at once", research, {}, 1, {"已經沒有'O'Neil'使用者的資料!", research.title}, true, false},
    };
    for (const Step &step : steps) {
        const bool asks = &step.button == &search;
        if (asks && step.answer.isNull())
            m_dialogs.cancelAnswer();
        else if (asks)
            m_dialogs.typeAnswer(step.answer);
        if (!step.messages.isEmpty())
            m_dialogs.pressOk();

        press(*m_screen, step.button.button);

        auto calls = m_dialogs.takeCalls();
        if (asks && !calls.isEmpty())
            QCOMPARE(calls.takeFirst(), DialogCall::input(search.prompt, search.title));
        QVERIFY2(calls.size() == step.messages.size() / 2, step.what);
        if (!step.messages.isEmpty())
            QCOMPARE(calls.at(0), DialogCall::told(step.messages.at(0), step.messages.at(1)));
        QVERIFY2(currentRow() == step.endRow, step.what);
        QVERIFY2(m_screen->button(search.button)->isEnabled() == step.searchEnabled, step.what);
        QVERIFY2(m_screen->button(research.button)->isEnabled() == step.researchEnabled, step.what);
    }
}

void CommandsTest::researchBeforeAnySearch_data()
{
    QTest::addColumn<QString>("form");
    QTest::addColumn<QStringList>("keys");
    QTest::addColumn<int>("endRow");
    QTest::addColumn<bool>("exhausted");
    for (const QString form : {"Form1", "Form2"}) {
        QTest::newRow(qPrintable(form + " no empty key")) << form << kSearchKeys << 0 << true;
        QTest::newRow(qPrintable(form + " an empty key further on"))
            << form << QStringList{"王小明", "李大華", "", "O'Neil"} << 2 << false;
    }
}

void CommandsTest::researchBeforeAnySearch()
{
    QFETCH(QString, form);
    QFETCH(QStringList, keys);
    QFETCH(int, endRow);
    QFETCH(bool, exhausted);
    const SearchMember &research = *searchMemberOf(form, SearchVariant::Repeat);
    for (const QString &key : keys)
        m_database->insert(tableOf(form), rowWith(tableOf(form), "users", key));
    open({form, searchButtons(research), {"users"}});
    if (exhausted)
        m_dialogs.pressOk();

    press(*m_screen, research.button);

    const auto calls = m_dialogs.takeCalls();
    QCOMPARE(calls.size(), exhausted ? 1 : 0);
    if (exhausted)
        QCOMPARE(calls.at(0), DialogCall::told("已經沒有''使用者的資料!", "搜尋客戶資料"));
    QCOMPARE(currentRow(), endRow);
    QCOMPARE(m_screen->button(searchMemberOf(form, SearchVariant::Switching)->button)->isEnabled(), exhausted);
    QCOMPARE(m_screen->button(research.button)->isEnabled(), !exhausted);
}

void CommandsTest::lastSearchTextSurvivesReopening_data()
{
    searchAndResearchSwitchTheButtons_data();
}

void CommandsTest::lastSearchTextSurvivesReopening()
{
    QFETCH(QString, form);
    const SearchMember &search = *searchMemberOf(form, SearchVariant::Switching);
    const SearchMember &research = *searchMemberOf(form, SearchVariant::Repeat);
    for (const QString &key : kSearchKeys)
        m_database->insert(tableOf(form), rowWith(tableOf(form), "users", key));
    const TestScreen screen{form, searchButtons(search), {"users"}};
    open(screen);
    m_dialogs.typeAnswer("王小明 ");
    press(*m_screen, search.button);
    QVERIFY(!m_screen->button(search.button)->isEnabled());
    QVERIFY(m_screen->close());

    open(screen);

    QVERIFY(m_screen->button(search.button)->isEnabled());
    QVERIFY(m_screen->button(research.button)->isEnabled());
    QCOMPARE(m_lastSearchText, QStringLiteral("王小明 "));
    press(*m_screen, research.button);
    QCOMPARE(currentRow(), 2);
    m_dialogs.pressOk();
    press(*m_screen, research.button);
    const auto calls = m_dialogs.takeCalls();
    QCOMPARE(calls.size(), 2);
    QCOMPARE(calls.at(1), DialogCall::told("已經沒有'王小明 '使用者的資料!", "搜尋客戶資料"));
}

void CommandsTest::searchWithNoCurrentRowTellsWhy_data()
{
    QTest::addColumn<QString>("form");
    QTest::addColumn<QString>("button");
    QTest::newRow("plain") << "Form6" << "Command4";
    QTest::newRow("switching") << "Form1" << "Command9";
}

void CommandsTest::searchWithNoCurrentRowTellsWhy()
{
    QFETCH(QString, form);
    QFETCH(QString, button);
    const SearchMember &search = *memberOf(kSearchMembers, form, button);
    for (const QString &key : kSearchKeys)
        m_database->insert(tableOf(form), rowWith(tableOf(form), search.column, key));
    auto buttons = searchButtons(search);
    buttons << TestButton{"Command21", "Delete", std::make_shared<DeleteCommand>()};
    open({form, buttons, {search.column}});
    clickGridRow(*m_screen, 1);
    m_dialogs.chooseAnswer(MessageAnswer::Yes);
    press(*m_screen, "Command21");
    m_dialogs.takeCalls();
    const auto statesBefore = buttonStates();
    m_dialogs.pressOk();

    press(*m_screen, button);

    const auto calls = m_dialogs.takeCalls();
    QCOMPARE(calls.size(), 1);
    QCOMPARE(calls.at(0), DialogCall::told("目前沒有選定的資料,請先在清單中選一筆資料再搜尋。", kApplicationTitle));
    QCOMPARE(buttonStates(), statesBefore);
    QVERIFY(!m_screen->source(kMainSource)->hasCurrentRow());
}

void CommandsTest::searchOnAnEmptyTable()
{
    const SearchMember &search = *memberOf(kSearchMembers, "Form10");
    open({"Form10", searchButtons(search), {search.column}});
    m_dialogs.typeAnswer("永豐電料");
    m_dialogs.pressOk();

    press(*m_screen, search.button);

    const auto calls = m_dialogs.takeCalls();
    QCOMPARE(calls.size(), 2);
    QCOMPARE(calls.at(0), DialogCall::input(search.prompt, search.title));
    QCOMPARE(calls.at(1), DialogCall::told("找不到", "vemo"));
    QVERIFY(m_screen->source(kMainSource)->isBeforeFirst());
    QVERIFY(m_screen->source(kMainSource)->isAfterLast());
}

void CommandsTest::failedFindIsReportedAndTheRowStays()
{
    for (const QString &key : kSearchKeys)
        m_database->insert("MSF", {key});
    const auto wrongColumn =
        std::make_shared<SearchCommand>(SearchCommand::Variant::Plain, "請輸入顏色", "搜尋", "[colour] = '");
    open({"Form6", {{"Command4", "Search", wrongColumn}}});
    clickGridRow(*m_screen, 1);
    m_dialogs.typeAnswer("紅");
    m_dialogs.pressOk();

    press(*m_screen, "Command4");

    const auto calls = m_dialogs.takeCalls();
    QCOMPARE(calls.size(), 2);
    QCOMPARE(calls.at(1), DialogCall::told("無法讀取資料:資料表 'MSF' 沒有欄位 'colour'。", kApplicationTitle));
    QCOMPARE(currentRow(), 1);
    QCOMPARE(shown(*m_screen, "Text1"), QString("O'Neil"));
}

QTEST_MAIN(CommandsTest)
#include "tst_commands.moc"
