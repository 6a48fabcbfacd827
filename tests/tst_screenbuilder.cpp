#include "app/screencatalog.h"
#include "commands/command.h"
#include "commands/editcommands.h"
#include "commands/searchcommands.h"
#include "bound/boundtextedit.h"
#include "data/records/recordsource.h"
#include "screens/declare.h"
#include "screens/screen.h"
#include "support/scripteddialogs.h"
#include "support/testdatabase.h"

#include <QAccessible>
#include <QApplication>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QTest>
#include <QTextBlock>
#include <QTextLayout>
#include <QWindow>

#include <functional>
#include <map>
#include <memory>

/// A button's command that counts its runs and does what the test tells it.
class TestCommand : public Command
{
public:
    explicit TestCommand(std::function<Result(ScreenContext &)> action = {}) : m_action(std::move(action)) {}

    Result run(ScreenContext &screen) const override
    {
        ++m_runs;
        m_lastScreen = &screen;
        return m_action ? m_action(screen) : Result::success();
    }

    int runs() const { return m_runs; }
    ScreenContext *lastScreen() const { return m_lastScreen; }

private:
    std::function<Result(ScreenContext &)> m_action;
    mutable int m_runs = 0;
    mutable ScreenContext *m_lastScreen = nullptr;
};

class ScreenBuilderTest : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void controlsCarryTheirDeclaredNames_data();
    void controlsCarryTheirDeclaredNames();
    void windowHasItsCaptionAndFixedSize();
    void controlsStandWhereDeclared();
    void labelsNameTheirFields();
    void labelsStandLeftOfTheirFieldsAndShowTheirCaptions_data();
    void labelsStandLeftOfTheirFieldsAndShowTheirCaptions();
    void captionsAreRedOnDarkBlue();
    void ruleIsDrawnAcrossTheWindow();
    void captionsAndButtonsUseTheScreenFont();
    void tabFollowsTheTabIndexes();
    void buttonsTakeTheirStartingStates();
    void clickingAButtonRunsItsCommand();
    void commandFailureIsReportedAndTheScreenGoesOn_data();
    void commandFailureIsReportedAndTheScreenGoesOn();
    void buildFailuresNameWhatIsMissing_data();
    void buildFailuresNameWhatIsMissing();
    void closingWritesTheEditsInProgress();
    void refusedWriteKeepsTheScreenOpen();
    void everyDeclarationOfTheProgramBuilds_data();
    void everyDeclarationOfTheProgramBuilds();
    void namingWhatTheScreenLacksFailsWithTheName_data();
    void namingWhatTheScreenLacksFailsWithTheName();
    void focusOrderMustNameEveryControlOnce_data();
    void focusOrderMustNameEveryControlOnce();
    void everyLabelShowsItsWholeCaption_data();
    void everyLabelShowsItsWholeCaption();
    void multiLineFieldsScrollAsDeclared_data();
    void multiLineFieldsScrollAsDeclared();

private:
    std::unique_ptr<Screen> build(const ScreenDeclaration &declaration);
    int pixels(int twips) const;
    QRect pixels(const Twips &twips) const;

    std::unique_ptr<TestDatabase> m_database;
    ScriptedDialogs m_dialogs;
    QString m_lastSearchText;
    std::shared_ptr<TestCommand> m_run;
    std::shared_ptr<TestCommand> m_fail;
    std::shared_ptr<TestCommand> m_save;
};

namespace {

const QString kCaption = QStringLiteral("  Stock  test  ");
const QString kRefusedStock = QStringLiteral("資料無法儲存:「Stock capacity」只能輸入數字,「abc」不是數字。");
const QColor kRuleColour(255, 255, 128);

ScreenDeclaration testDeclaration(std::shared_ptr<const Command> run, std::shared_ptr<const Command> fail,
                                  std::shared_ptr<const Command> save)
{
    using namespace declare;
    ScreenDeclaration screen;
    screen.name = QStringLiteral("TestForm");
    screen.caption = kCaption;
    screen.clientWidth = 9000;
    screen.clientHeight = 5600;
    screen.sources = {{"Data1", "MSF"}, {"Data2", "SUPPLIER"}};
    screen.fields = {
        text("Text1", "Label1", "Material No.", "materielno", {2100, 240, 1500, 288}, 3),
        text("Text4", "Label4", "Stock capacity", "inventory", {6000, 240, 1200, 288}, 2),
        multiLine("Text2", "Label2", "Name of material", "materiel", {2100, 720, 1800, 600}, 1, ScrollBars::Vertical),
        text("Text3", "Label3", "Location of material", "location", {5100, 840, 1500, 288}, 4),
        lookup("DBCombo1", "Label8", "Suppluer", "supplierno", {3000, 1560, 1800, 312}, 5,
               {"Data2", "supplier", "supplierno"}),
        text("Text6", "Label6", "Unit price", "price", {780, 1560, 900, 288}, 6),
    };
    screen.grid = GridDeclaration{"Data1", {240, 2160, 8500, 2000}, true, 7};
    screen.lines = {{{0, 2000, 9000, 0}, kRuleColour, 3}};
    screen.frames = {{"Frame1", kFunctionKeyCaption, {240, 4400, 5000, 1000}, 8,
                      {
                          button("Command2", "Fail", {360, 240, 852, 492}, 9, std::move(fail)),
                          button("Command1", "Run", {1320, 240, 852, 492}, 10, std::move(run)),
                          button("Command3", "Save", {2280, 240, 855, 492}, 11, std::move(save), false),
                      }}};
    return screen;
}

const FieldDeclaration &declaredField(const ScreenDeclaration &declaration, const QString &name)
{
    return *std::find_if(declaration.fields.cbegin(), declaration.fields.cend(),
                         [&](const FieldDeclaration &field) { return field.name == name; });
}

bool isCaptionRed(QRgb pixel)
{
    return qRed(pixel) > 200 && qGreen(pixel) < 80 && qBlue(pixel) < 80;
}

/// How many pixels of the widget as drawn are caption red, and how many the
/// screen's dark blue.
std::pair<int, int> redAndBluePixels(QWidget *widget, const QRect &area)
{
    const QImage image = widget->grab(area).toImage();
    int red = 0;
    int blue = 0;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            const QRgb pixel = image.pixel(x, y);
            red += isCaptionRed(pixel);
            blue += QColor(pixel) == kScreenBackground;
        }
    }
    return {red, blue};
}

QRect rectOf(const Twips &twips, const std::function<int(int)> &pixels)
{
    return QRect(pixels(twips.left), pixels(twips.top), pixels(twips.width), pixels(twips.height));
}

/// Every screen of the menu, by its form's name.
std::map<QString, std::function<ScreenDeclaration()>> programDeclarations()
{
    std::map<QString, std::function<ScreenDeclaration()>> declarations;
    for (const MenuGroup &group : menuGroups()) {
        for (const ScreenEntry &entry : group.entries) {
            if (entry.declaration)
                declarations.emplace(entry.form, entry.declaration);
        }
    }
    return declarations;
}

ButtonDeclaration &buttonOf(ScreenDeclaration &declaration, const std::function<bool(const Command *)> &runs)
{
    for (FrameDeclaration &frame : declaration.frames) {
        for (ButtonDeclaration &button : frame.buttons) {
            if (runs(button.command.get()))
                return button;
        }
    }
    qFatal("%s has no such button", qPrintable(declaration.name));
}

template <typename Kind>
QString nameOfButtonRunning(const ScreenDeclaration &declaration)
{
    for (const FrameDeclaration &frame : declaration.frames) {
        for (const ButtonDeclaration &button : frame.buttons) {
            if (dynamic_cast<const Kind *>(button.command.get()))
                return button.name;
        }
    }
    return QString();
}

template <typename Kind>
ButtonDeclaration &buttonRunning(ScreenDeclaration &declaration)
{
    return buttonOf(declaration, [](const Command *command) { return dynamic_cast<const Kind *>(command); });
}

FieldDeclaration &fieldOf(ScreenDeclaration &declaration, FieldKind kind)
{
    for (FieldDeclaration &field : declaration.fields) {
        if (field.kind == kind)
            return field;
    }
    qFatal("%s has no such field", qPrintable(declaration.name));
}

using Typo = std::function<void(ScreenDeclaration &)>;

} // namespace

Q_DECLARE_METATYPE(Typo)

void ScreenBuilderTest::init()
{
    m_database = std::make_unique<TestDatabase>();
    m_database->insert("MSF", {"M1", "Bolt", "Shelf A", 40, "5", "12", "no", "S1"});
    m_database->insert("MSF", {"M2", "Nut", "Shelf B", 25, "5", "3", "no", "s2"});
    m_database->insert("SUPPLIER", {"S1", "Taipei Tools"});
    m_database->insert("SUPPLIER", {"S2", "Kaohsiung Metals"});
    m_dialogs = ScriptedDialogs();
    m_lastSearchText.clear();
    m_run = std::make_shared<TestCommand>();
    m_fail = std::make_shared<TestCommand>();
    m_save = std::make_shared<TestCommand>();
}

void ScreenBuilderTest::cleanup()
{
    const QStringList deviations = m_dialogs.deviations();
    m_database.reset();
    QVERIFY2(deviations.isEmpty(), qPrintable(deviations.join(QStringLiteral("; "))));
}

std::unique_ptr<Screen> ScreenBuilderTest::build(const ScreenDeclaration &declaration)
{
    return std::make_unique<Screen>(declaration, m_dialogs, m_lastSearchText);
}

int ScreenBuilderTest::pixels(int twips) const
{
    const int dpi = qRound(QApplication::primaryScreen()->logicalDotsPerInchX());
    return qRound(double(twips) * dpi / 1440);
}

QRect ScreenBuilderTest::pixels(const Twips &twips) const
{
    return rectOf(twips, [this](int value) { return pixels(value); });
}

void ScreenBuilderTest::controlsCarryTheirDeclaredNames_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QByteArray>("kind");
    QTest::newRow("Text1") << "Text1" << QByteArray("BoundLineEdit");
    QTest::newRow("Text2") << "Text2" << QByteArray("BoundTextEdit");
    QTest::newRow("DBCombo1") << "DBCombo1" << QByteArray("LookupList");
    QTest::newRow("Label1") << "Label1" << QByteArray("QLabel");
    QTest::newRow("Label8") << "Label8" << QByteArray("QLabel");
    QTest::newRow("DBGrid1") << "DBGrid1" << QByteArray("RecordGrid");
    QTest::newRow("Frame1") << "Frame1" << QByteArray("QGroupBox");
    QTest::newRow("Command1") << "Command1" << QByteArray("QPushButton");
    QTest::newRow("Command3") << "Command3" << QByteArray("QPushButton");
}

void ScreenBuilderTest::controlsCarryTheirDeclaredNames()
{
    QFETCH(QString, name);
    QFETCH(QByteArray, kind);
    auto screen = build(testDeclaration(m_run, m_fail, m_save));
    QCOMPARE(screen->objectName(), QString("TestForm"));
    QVERIFY(screen->buildFailures().isEmpty());
    const QList<QWidget *> found = screen->findChildren<QWidget *>(name);
    QCOMPARE(found.size(), 1);
    QCOMPARE(QByteArray(found.first()->metaObject()->className()), kind);
}

void ScreenBuilderTest::windowHasItsCaptionAndFixedSize()
{
    auto screen = build(testDeclaration(m_run, m_fail, m_save));
    screen->show();
    QVERIFY(QTest::qWaitForWindowExposed(screen.get()));

    QCOMPARE(screen->windowTitle(), kCaption);
    QCOMPARE(screen->windowHandle()->title(), kCaption);
    const QSize client(pixels(9000), pixels(5600));
    QCOMPARE(screen->size(), client);
    QCOMPARE(screen->minimumSize(), client);
    QCOMPARE(screen->maximumSize(), client);
}

void ScreenBuilderTest::controlsStandWhereDeclared()
{
    const ScreenDeclaration declaration = testDeclaration(m_run, m_fail, m_save);
    auto screen = build(declaration);

    for (const FieldDeclaration &field : declaration.fields)
        QCOMPARE(screen->findChild<QWidget *>(field.name)->geometry(), pixels(field.geometry));
    QCOMPARE(screen->findChild<QWidget *>("DBGrid1")->geometry(), pixels(declaration.grid->geometry));
    const FrameDeclaration &frame = declaration.frames.first();
    auto *box = screen->findChild<QGroupBox *>("Frame1");
    QCOMPARE(box->geometry(), pixels(frame.geometry));
    for (const ButtonDeclaration &button : frame.buttons) {
        QPushButton *widget = screen->button(button.name);
        QCOMPARE(widget->parentWidget(), box);
        QCOMPARE(widget->geometry(), pixels(button.geometry));
    }
}

void ScreenBuilderTest::labelsNameTheirFields()
{
    const ScreenDeclaration declaration = testDeclaration(m_run, m_fail, m_save);
    auto screen = build(declaration);
    for (const FieldDeclaration &field : declaration.fields) {
        auto *label = screen->findChild<QLabel *>(field.labelName);
        auto *widget = screen->findChild<QWidget *>(field.name);
        QCOMPARE(label->text(), field.caption);
        QCOMPARE(label->buddy(), widget);
        QCOMPARE(widget->accessibleName(), field.caption);
        QAccessibleInterface *accessible = QAccessible::queryAccessibleInterface(widget);
        const auto labelledBy = accessible->relations(QAccessible::Label);
        QCOMPARE(labelledBy.size(), 1);
        QCOMPARE(labelledBy.first().first->text(QAccessible::Name), field.caption);
    }
    QAccessibleInterface *grid = QAccessible::queryAccessibleInterface(screen->findChild<QWidget *>(kGridName));
    QCOMPARE(grid->text(QAccessible::Name), QStringLiteral("資料列表"));
}

void ScreenBuilderTest::labelsStandLeftOfTheirFieldsAndShowTheirCaptions_data()
{
    QTest::addColumn<QString>("field");
    QTest::addColumn<bool>("wraps");
    QTest::newRow("room to spare") << "Text4" << false;
    QTest::newRow("room from the window edge") << "Text1" << false;
    QTest::newRow("multi-line field") << "Text2" << false;
    QTest::newRow("lookup list") << "DBCombo1" << false;
    QTest::newRow("narrow room after a field") << "Text3" << true;
    QTest::newRow("narrow room from the window edge") << "Text6" << true;
}

void ScreenBuilderTest::labelsStandLeftOfTheirFieldsAndShowTheirCaptions()
{
    QFETCH(QString, field);
    QFETCH(bool, wraps);
    const ScreenDeclaration declaration = testDeclaration(m_run, m_fail, m_save);
    auto screen = build(declaration);
    const FieldDeclaration &declared = declaredField(declaration, field);
    auto *label = screen->findChild<QLabel *>(declared.labelName);
    const QRect box = label->geometry();
    const QRect fieldBox = screen->findChild<QWidget *>(field)->geometry();

    QVERIFY2(box.left() >= 0 && box.right() < fieldBox.left(), qPrintable(QString("label at %1").arg(box.x())));
    QVERIFY(box.top() < fieldBox.bottom() && fieldBox.top() < box.bottom());
    QList<QRect> others{screen->findChild<QWidget *>("DBGrid1")->geometry()};
    for (const FieldDeclaration &other : declaration.fields)
        others << screen->findChild<QWidget *>(other.name)->geometry();
    for (const QRect &other : std::as_const(others))
        QVERIFY2(!box.intersects(other), qPrintable(QString("%1 overlaps a control").arg(declared.labelName)));

    QCOMPARE(label->wordWrap(), wraps);
    const QFontMetrics metrics(label->font());
    if (wraps) {
        QVERIFY(box.height() >= 2 * metrics.height());
        QVERIFY(label->heightForWidth(box.width()) <= box.height());
        for (const QString &word : declared.caption.split(' ', Qt::SkipEmptyParts))
            QVERIFY2(metrics.horizontalAdvance(word) <= box.width(), qPrintable(word));
        QVERIFY(qAbs(box.center().y() - fieldBox.center().y()) <= 1);
    } else {
        QVERIFY(metrics.horizontalAdvance(declared.caption) <= box.width());
        QVERIFY(box.height() >= metrics.height());
    }
}

void ScreenBuilderTest::captionsAreRedOnDarkBlue()
{
    auto screen = build(testDeclaration(m_run, m_fail, m_save));
    screen->show();
    QVERIFY(QTest::qWaitForWindowExposed(screen.get()));
    QCOMPARE(screen->palette().color(QPalette::Window), kScreenBackground);
    QVERIFY(screen->autoFillBackground());

    auto *label = screen->findChild<QLabel *>("Label1");
    QCOMPARE(label->palette().color(QPalette::WindowText), kCaptionColour);
    const auto [labelRed, labelBlue] = redAndBluePixels(screen.get(), label->geometry());
    QVERIFY2(labelRed > 0 && labelBlue > labelRed, qPrintable(QString("%1 red, %2 blue").arg(labelRed).arg(labelBlue)));

    auto *frame = screen->findChild<QGroupBox *>("Frame1");
    const QRect title(frame->x(), frame->y(), frame->width(), frame->fontMetrics().height());
    const auto [frameRed, frameBlue] = redAndBluePixels(screen.get(), title);
    QVERIFY2(frameRed > 0 && frameBlue > frameRed, qPrintable(QString("%1 red, %2 blue").arg(frameRed).arg(frameBlue)));
}

void ScreenBuilderTest::ruleIsDrawnAcrossTheWindow()
{
    auto screen = build(testDeclaration(m_run, m_fail, m_save));
    screen->show();
    QVERIFY(QTest::qWaitForWindowExposed(screen.get()));
    const QImage image = screen->grab().toImage();
    const int top = pixels(2000);
    for (int x : {0, image.width() / 2, image.width() - 1}) {
        for (int y = top; y < top + 3; ++y)
            QCOMPARE(QColor(image.pixel(x, y)), kRuleColour);
        QCOMPARE(QColor(image.pixel(x, top + 3)), kScreenBackground);
    }
}

void ScreenBuilderTest::captionsAndButtonsUseTheScreenFont()
{
    auto screen = build(testDeclaration(m_run, m_fail, m_save));
    QList<QWidget *> captioned{screen->findChild<QGroupBox *>("Frame1")};
    for (QLabel *label : screen->findChildren<QLabel *>())
        captioned << label;
    for (QPushButton *button : screen->findChildren<QPushButton *>())
        captioned << button;
    QCOMPARE(captioned.size(), 1 + 6 + 3);
    for (QWidget *widget : std::as_const(captioned)) {
        QCOMPARE(widget->font().family(), QString("新細明體"));
        QCOMPARE(widget->font().pointSizeF(), 9.0);
        QVERIFY(widget->font().bold());
    }
    const QFont field = screen->findChild<QWidget *>("Text1")->font();
    QCOMPARE(field.family(), QApplication::font().family());
    QVERIFY(!field.bold());
}

void ScreenBuilderTest::tabFollowsTheTabIndexes()
{
    auto screen = build(testDeclaration(m_run, m_fail, m_save));
    screen->show();
    screen->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(screen.get()));
    screen->findChild<QWidget *>("Text2")->setFocus();

    QStringList visited;
    for (int i = 0; i < 8; ++i) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        visited << QApplication::focusWidget()->objectName();
    }
    // Command3 starts disabled, so Tab passes it by.
    QCOMPARE(visited, (QStringList{"Text4", "Text1", "Text3", "DBCombo1", "Text6", "DBGrid1", "Command2", "Command1"}));
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    QCOMPARE(QApplication::focusWidget()->objectName(), QString("Text2"));
}

void ScreenBuilderTest::buttonsTakeTheirStartingStates()
{
    auto screen = build(testDeclaration(m_run, m_fail, m_save));
    QVERIFY(screen->button("Command1")->isEnabled());
    QVERIFY(screen->button("Command2")->isEnabled());
    QVERIFY(!screen->button("Command3")->isEnabled());
    screen->setButtonEnabled("Command3", true);
    QVERIFY(screen->button("Command3")->isEnabled());
}

void ScreenBuilderTest::clickingAButtonRunsItsCommand()
{
    auto screen = build(testDeclaration(m_run, m_fail, m_save));
    screen->show();
    QVERIFY(QTest::qWaitForWindowExposed(screen.get()));

    QTest::mouseClick(screen->button("Command1"), Qt::LeftButton);
    QCOMPARE(m_run->runs(), 1);
    QCOMPARE(m_run->lastScreen(), static_cast<ScreenContext *>(screen.get()));
    QCOMPARE(m_fail->runs(), 0);
    QTest::mouseClick(screen->button("Command3"), Qt::LeftButton);
    QCOMPARE(m_save->runs(), 0);
    QVERIFY(m_dialogs.calls().isEmpty());
}

void ScreenBuilderTest::commandFailureIsReportedAndTheScreenGoesOn_data()
{
    QTest::addColumn<bool>("throws");
    QTest::addColumn<QString>("report");
    QTest::newRow("engine refuses") << false << kRefusedStock;
    QTest::newRow("programming error")
        << true << QString("程式發生錯誤:畫面沒有宣告資料來源 Data9。");
}

void ScreenBuilderTest::commandFailureIsReportedAndTheScreenGoesOn()
{
    QFETCH(bool, throws);
    QFETCH(QString, report);
    m_fail = std::make_shared<TestCommand>([throws](ScreenContext &context) {
        return throws ? requireSource(context, "Data9").moveNext() : requireSource(context, "Data1").moveNext();
    });
    auto screen = build(testDeclaration(m_run, m_fail, m_save));
    screen->show();
    QVERIFY(QTest::qWaitForWindowExposed(screen.get()));
    auto *stock = screen->findChild<QLineEdit *>("Text4");
    stock->selectAll();
    QTest::keyClicks(stock, "abc");
    m_dialogs.pressOk();

    QTest::mouseClick(screen->button("Command2"), Qt::LeftButton);
    const QVector<DialogCall> calls = m_dialogs.takeCalls();
    QCOMPARE(calls.size(), 1);
    QCOMPARE(calls.first().text, report);
    QCOMPARE(calls.first().title, QString("vemo"));
    QCOMPARE(calls.first().buttons, MessageButtons::Ok);
    QCOMPARE(calls.first().icon, MessageIcon::None);

    QVERIFY(screen->isVisible());
    QCOMPARE(stock->text(), QString("abc"));
    QCOMPARE(screen->source("Data1")->currentIndex(), 0);
    QTest::mouseClick(screen->button("Command1"), Qt::LeftButton);
    QCOMPARE(m_run->runs(), 1);
    QVERIFY(m_dialogs.calls().isEmpty());
}

void ScreenBuilderTest::buildFailuresNameWhatIsMissing_data()
{
    QTest::addColumn<QString>("mainTable");
    QTest::addColumn<QString>("listTable");
    QTest::addColumn<QString>("textColumn");
    QTest::addColumn<QString>("shownColumn");
    QTest::addColumn<QStringList>("failures");

    QTest::newRow("column missing") << "MSF" << "SUPPLIER" << "colour" << "supplier"
                                    << QStringList{"資料表 'MSF' 沒有欄位 'colour'。"};
    QTest::newRow("list column missing") << "MSF" << "SUPPLIER" << "location" << "suppliername"
                                         << QStringList{"資料表 'SUPPLIER' 沒有欄位 'suppliername' 或 'supplierno'。"};
    QTest::newRow("list table missing") << "MSF" << "SUPPLIERS" << "location" << "supplier"
                                        << QStringList{"找不到資料表 'SUPPLIERS'。"};
    QTest::newRow("main table missing") << "STOCK" << "SUPPLIER" << "location" << "supplier"
                                        << QStringList{"找不到資料表 'STOCK'。"};
}

void ScreenBuilderTest::buildFailuresNameWhatIsMissing()
{
    QFETCH(QString, mainTable);
    QFETCH(QString, listTable);
    QFETCH(QString, textColumn);
    QFETCH(QString, shownColumn);
    QFETCH(QStringList, failures);
    ScreenDeclaration declaration = testDeclaration(m_run, m_fail, m_save);
    declaration.sources = {{"Data1", mainTable}, {"Data2", listTable}};
    for (FieldDeclaration &field : declaration.fields) {
        if (field.name == "Text3")
            field.column = textColumn;
        field.lookup.shownColumn = shownColumn;
    }

    auto screen = build(declaration);
    QCOMPARE(screen->buildFailures(), failures);
    QCOMPARE(screen->findChildren<QWidget *>("Text3").size(), 1);
    QCOMPARE(screen->findChild<QLabel *>("Label3")->buddy(), screen->findChild<QWidget *>("Text3"));
    QTest::mouseClick(screen->button("Command1"), Qt::LeftButton);
    QCOMPARE(m_run->runs(), 1);
    QVERIFY(m_dialogs.calls().isEmpty());
}

void ScreenBuilderTest::closingWritesTheEditsInProgress()
{
    auto screen = build(testDeclaration(m_run, m_fail, m_save));
    screen->show();
    QVERIFY(QTest::qWaitForWindowExposed(screen.get()));
    auto *name = screen->findChild<BoundTextEdit *>("Text2");
    name->moveCursor(QTextCursor::End);
    QTest::keyClick(name, Qt::Key_Return);
    QTest::keyClicks(name, "M8 zinc");

    QVERIFY(screen->close());
    QVERIFY(!screen->isVisible());
    QCOMPARE(m_database->value("SELECT materiel FROM MSF WHERE materielno = 'M1'").toString(),
             QString("Bolt\nM8 zinc"));
    QVERIFY(m_dialogs.calls().isEmpty());
}

void ScreenBuilderTest::refusedWriteKeepsTheScreenOpen()
{
    auto screen = build(testDeclaration(m_run, m_fail, m_save));
    screen->show();
    QVERIFY(QTest::qWaitForWindowExposed(screen.get()));
    auto *stock = screen->findChild<QLineEdit *>("Text4");
    stock->selectAll();
    QTest::keyClicks(stock, "abc");

    m_dialogs.pressOk();
    m_dialogs.chooseAnswer(MessageAnswer::No);
    QVERIFY(!screen->close());
    QVERIFY(screen->isVisible());
    QCOMPARE(stock->text(), QString("abc"));
    QCOMPARE(m_dialogs.messageTexts(), (QStringList{kRefusedStock, kGiveUpQuestion}));
    QCOMPARE(m_database->value("SELECT inventory FROM MSF WHERE materielno = 'M1'").toInt(), 40);

    m_dialogs.takeCalls();
    stock->selectAll();
    QTest::keyClicks(stock, "38");
    QVERIFY(screen->close());
    QCOMPARE(m_database->value("SELECT inventory FROM MSF WHERE materielno = 'M1'").toInt(), 38);
    QVERIFY(m_dialogs.calls().isEmpty());
}

void ScreenBuilderTest::everyDeclarationOfTheProgramBuilds_data()
{
    QTest::addColumn<QString>("form");
    for (const auto &[form, declaration] : programDeclarations())
        QTest::newRow(qPrintable(form)) << form;
}

void ScreenBuilderTest::everyDeclarationOfTheProgramBuilds()
{
    QFETCH(QString, form);
    const ScreenDeclaration declaration = programDeclarations().at(form)();
    std::unique_ptr<Screen> screen;
    try {
        screen = build(declaration);
    } catch (const std::logic_error &error) {
        QFAIL(error.what());
    }
    QCOMPARE(screen->objectName(), form);
    QCOMPARE(screen->buildFailures(), QStringList());
    for (const FieldDeclaration &field : declaration.fields)
        QCOMPARE(screen->findChildren<QWidget *>(field.name).size(), 1);
    QVERIFY(m_dialogs.calls().isEmpty());
}

void ScreenBuilderTest::namingWhatTheScreenLacksFailsWithTheName_data()
{
    QTest::addColumn<QString>("form");
    QTest::addColumn<Typo>("typo");
    QTest::addColumn<QString>("named");
    QTest::addColumn<QString>("by");

    const Typo focusTarget = [](ScreenDeclaration &screen) {
        ButtonDeclaration &increase = buttonRunning<IncreaseCommand>(screen);
        const auto &command = dynamic_cast<const IncreaseCommand &>(*increase.command);
        increase.command = std::make_shared<IncreaseCommand>("Txet1", command.enables);
    };
    const Typo enabledButton = [](ScreenDeclaration &screen) {
        ButtonDeclaration &increase = buttonRunning<IncreaseCommand>(screen);
        const auto &command = dynamic_cast<const IncreaseCommand &>(*increase.command);
        increase.command = std::make_shared<IncreaseCommand>(command.focus, command.enables + QStringList{"Comand6"});
    };
    const Typo researchPartner = [](ScreenDeclaration &screen) {
        ButtonDeclaration &search = buttonRunning<SearchCommand>(screen);
        const auto &command = dynamic_cast<const SearchCommand &>(*search.command);
        search.command = std::make_shared<SearchCommand>(command.variant, command.prompt, command.title, command.prefix,
                                                         command.searchButton, "Command11");
    };
    const Typo savedButton = [](ScreenDeclaration &screen) {
        buttonRunning<SaveCommand>(screen).command = std::make_shared<SaveCommand>("Commmand2");
    };
    const Typo listSource = [](ScreenDeclaration &screen) {
        fieldOf(screen, FieldKind::Lookup).lookup.listSource = "Data9";
    };
    const Typo fieldSource = [](ScreenDeclaration &screen) { fieldOf(screen, FieldKind::Text).source = "Dta1"; };
    const Typo gridSource = [](ScreenDeclaration &screen) { screen.grid->source = "Data0"; };

    for (const auto &[form, declare] : programDeclarations()) {
        ScreenDeclaration screen = declare();
        const auto row = [&](const char *what, const Typo &typo, const QString &named, const QString &by) {
            QTest::newRow(qPrintable(form + " " + what)) << form << typo << named << by;
        };
        if (const QString increase = nameOfButtonRunning<IncreaseCommand>(screen); !increase.isEmpty()) {
            row("focus target", focusTarget, "Txet1", increase);
            row("enabled button", enabledButton, "Comand6", increase);
        }
        if (const QString save = nameOfButtonRunning<SaveCommand>(screen); !save.isEmpty())
            row("saved button", savedButton, "Commmand2", save);
        if (const QString search = nameOfButtonRunning<SearchCommand>(screen);
            !search.isEmpty() && !nameOfButtonRunning<RepeatSearchCommand>(screen).isEmpty())
            row("research partner", researchPartner, "Command11", search);
        for (const FieldDeclaration &field : screen.fields) {
            if (field.kind == FieldKind::Text) {
                row("field source", fieldSource, "Dta1", field.name);
                break;
            }
        }
        for (const FieldDeclaration &field : screen.fields) {
            if (field.kind == FieldKind::Lookup) {
                row("list source", listSource, "Data9", field.name);
                break;
            }
        }
        if (screen.grid)
            row("grid source", gridSource, "Data0", kGridName);
    }
}

void ScreenBuilderTest::namingWhatTheScreenLacksFailsWithTheName()
{
    QFETCH(QString, form);
    QFETCH(Typo, typo);
    QFETCH(QString, named);
    QFETCH(QString, by);
    ScreenDeclaration declaration = programDeclarations().at(form)();
    typo(declaration);

    QString failure;
    try {
        build(declaration);
    } catch (const std::logic_error &error) {
        failure = QString::fromUtf8(error.what());
    }
    QVERIFY2(failure.startsWith(form + " "), qPrintable(failure));
    QVERIFY2(failure.contains(QStringLiteral("「%1」").arg(named)), qPrintable(failure));
    QVERIFY2(failure.contains(" " + by), qPrintable(failure));
    QVERIFY(m_dialogs.calls().isEmpty());
}

void ScreenBuilderTest::focusOrderMustNameEveryControlOnce_data()
{
    QTest::addColumn<QStringList>("order");
    QTest::addColumn<QString>("wrong");
    QTest::newRow("as declared") << QStringList{"Text1", "Text2", "DBGrid1", "Command1", "Command2"} << QString();
    QTest::newRow("reversed") << QStringList{"Command2", "Command1", "DBGrid1", "Text2", "Text1"} << QString();
    QTest::newRow("misspelt") << QStringList{"Text1", "Txet2", "DBGrid1", "Command1", "Command2"} << "Text2 Txet2";
    QTest::newRow("left out") << QStringList{"Text1", "Text2", "Command1", "Command2"} << "DBGrid1";
    QTest::newRow("twice") << QStringList{"Text1", "Text2", "DBGrid1", "Command1", "Command2", "Text1"} << "Text1";
}

void ScreenBuilderTest::focusOrderMustNameEveryControlOnce()
{
    QFETCH(QStringList, order);
    QFETCH(QString, wrong);
    using namespace declare;
    ScreenDeclaration screen;
    screen.name = QStringLiteral("TestForm");
    screen.sources = {{"Data1", "MSF"}};
    screen.fields = {text("Text1", "Label1", "Material No.", "materielno", {2100, 240, 1500, 288}, kInFocusOrder),
                     text("Text2", "Label2", "Name of material", "materiel", {2100, 720, 1500, 288}, kInFocusOrder)};
    screen.grid = GridDeclaration{"Data1", {240, 2160, 8500, 2000}, false, kInFocusOrder};
    screen.frames = {{"Frame1", kFunctionKeyCaption, {240, 4400, 5000, 1000}, kInFocusOrder,
                      {button("Command1", "Run", {360, 240, 852, 492}, kInFocusOrder, m_run),
                       button("Command2", "Fail", {1320, 240, 852, 492}, kInFocusOrder, m_fail)}}};

    QString failure;
    try {
        focusOrder(screen, order);
    } catch (const std::logic_error &error) {
        failure = QString::fromUtf8(error.what());
    }
    if (!wrong.isEmpty()) {
        QVERIFY2(failure.startsWith("TestForm ") && failure.contains(wrong), qPrintable(failure));
        return;
    }
    QCOMPARE(failure, QString());
    const QList<int> indexes{screen.fields.at(0).tabIndex, screen.fields.at(1).tabIndex, screen.grid->tabIndex,
                             screen.frames.at(0).buttons.at(0).tabIndex, screen.frames.at(0).buttons.at(1).tabIndex};
    const QStringList names{"Text1", "Text2", "DBGrid1", "Command1", "Command2"};
    for (int i = 0; i < names.size(); ++i)
        QCOMPARE(indexes.at(i), order.indexOf(names.at(i)) + 1);
}

void ScreenBuilderTest::everyLabelShowsItsWholeCaption_data()
{
    QTest::addColumn<QString>("form");
    for (const auto &[form, declaration] : programDeclarations())
        QTest::newRow(qPrintable(form)) << form;
}

void ScreenBuilderTest::everyLabelShowsItsWholeCaption()
{
    QFETCH(QString, form);
    const ScreenDeclaration declaration = programDeclarations().at(form)();
    auto screen = build(declaration);
    QList<QRect> controls;
    for (const FieldDeclaration &field : declaration.fields)
        controls << screen->findChild<QWidget *>(field.name)->geometry();
    if (declaration.grid)
        controls << screen->findChild<QWidget *>(kGridName)->geometry();

    for (const FieldDeclaration &field : declaration.fields) {
        auto *label = screen->findChild<QLabel *>(field.labelName);
        const QRect box = label->geometry();
        const QFontMetrics metrics(label->font());
        QVERIFY2(screen->rect().contains(box), qPrintable(field.caption));
        for (const QString &word : field.caption.split(' ', Qt::SkipEmptyParts))
            QVERIFY2(metrics.horizontalAdvance(word) <= box.width(), qPrintable(field.caption));
        if (label->wordWrap())
            QVERIFY2(label->heightForWidth(box.width()) <= box.height(), qPrintable(field.caption));
        else
            QVERIFY2(metrics.horizontalAdvance(field.caption) <= box.width(), qPrintable(field.caption));
        for (const QRect &control : std::as_const(controls))
            QVERIFY2(!box.intersects(control), qPrintable(field.caption));
    }
}

void ScreenBuilderTest::multiLineFieldsScrollAsDeclared_data()
{
    QTest::addColumn<QString>("form");
    QTest::addColumn<QString>("field");
    for (const auto &[form, declaration] : programDeclarations()) {
        for (const FieldDeclaration &field : declaration().fields) {
            if (field.kind == FieldKind::MultiLineText)
                QTest::newRow(qPrintable(form + " " + field.name)) << form << field.name;
        }
    }
}

void ScreenBuilderTest::multiLineFieldsScrollAsDeclared()
{
    QFETCH(QString, form);
    QFETCH(QString, field);
    const ScreenDeclaration declaration = programDeclarations().at(form)();
    const ScrollBars bars = std::find_if(declaration.fields.begin(), declaration.fields.end(), [&](const auto &each) {
                                return each.name == field;
                            })->scrollBars;
    const bool horizontal = bars == ScrollBars::Horizontal || bars == ScrollBars::Both;
    const bool vertical = bars == ScrollBars::Vertical || bars == ScrollBars::Both;
    auto screen = build(declaration);
    screen->show();
    QVERIFY(QTest::qWaitForWindowExposed(screen.get()));
    auto *edit = screen->findChild<BoundTextEdit *>(field);
    QVERIFY(edit);

    const QString longLine = QString(60, QChar(0x6A5F));
    edit->setPlainText(longLine + QString("\nB").repeated(12));
    QCoreApplication::processEvents();

    const int linesOfTheFirst = edit->document()->firstBlock().layout()->lineCount();
    QVERIFY2(horizontal ? linesOfTheFirst == 1 : linesOfTheFirst > 1, qPrintable(QString::number(linesOfTheFirst)));
    QCOMPARE(edit->horizontalScrollBar()->isVisible(), horizontal);
    if (vertical || horizontal)
        QCOMPARE(edit->verticalScrollBar()->isVisible(), vertical);
    QCOMPARE(edit->toPlainText(), longLine + QString("\nB").repeated(12));
}

QTEST_MAIN(ScreenBuilderTest)
#include "tst_screenbuilder.moc"
