#include "commands/boundarycheck.h"
#include "commands/insertobjectdialog.h"
#include "commands/editcommands.h"
#include "commands/searchcommands.h"
#include "bound/bounddocumentfield.h"
#include "data/records/document.h"
#include "data/records/recordsource.h"
#include "screens/screen.h"
#include "support/documentfixtures.h"
#include "support/scripteddialogs.h"
#include "support/testdatabase.h"
#include "support/userinput.h"

#include <QApplication>
#include <QCheckBox>
#include <QDialogButtonBox>
#include <QLineEdit>
#include <QRadioButton>
#include <QDir>
#include <QFile>
#include <QPushButton>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

using namespace documentfixtures;
using namespace userinput;

namespace {

const ButtonDeclaration &moveButton(const ScreenDeclaration &screen, MoveCommand::Move move)
{
    return buttonWith<MoveCommand>(screen, [move](const MoveCommand &command) { return command.move == move; });
}

QString tableOf(const ScreenDeclaration &screen)
{
    return screen.sources.at(0).table;
}

} // namespace

class DocumentScreensTest : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void connectStoresTheFileWithTheRow_data();
    void connectStoresTheFileWithTheRow();
    void newDocumentOfTheFieldsClassOpensAndIsStored();
    void savedChangeOfTheOpenedCopyComesBackAsAnEdit_data();
    void savedChangeOfTheOpenedCopyComesBackAsAnEdit();
    void savedChangeAfterTheRowWasLeftIsKeptAndTold();
    void fieldShowsWhatTheColumnHolds_data();
    void fieldShowsWhatTheColumnHolds();
    void openingWithoutAnApplicationIsTold();
    void linkedDocumentOpensTheLinkedFileItself();
    void insertObjectDialogGivesWhatTheUserChose_data();
    void insertObjectDialogGivesWhatTheUserChose();
    void saveCopyWritesTheDocument();
    void gridShowsDocumentsWithoutReadingThem();
    void employeeMovesStopAtBothEnds_data();
    void employeeMovesStopAtBothEnds();
    void scheduleSearchFindsByEmployeeNumber_data();
    void scheduleSearchFindsByEmployeeNumber();
    void scheduleIncreasePutsTheFocusInTheEmployeeList();

private:
    /// Two employees, for the employee lists and the moves.
    void addEmployees();
    /// Shows the screen of that form on the test database.
    Screen &open(const QString &form);
    BoundDocumentField *fieldOf(Screen &screen);
    /// Starts a row and fills in its key as a user would.
    void startRow(Screen &screen, const QString &key);
    /// The document stored in the table's document column of the row with that key.
    Document stored(const ScreenDeclaration &screen, const QString &key);

    std::unique_ptr<TestDatabase> m_database;
    std::unique_ptr<QTemporaryDir> m_files;
    ScriptedDialogs m_dialogs;
    QString m_lastSearchText;
    std::unique_ptr<Screen> m_screen;
};

void DocumentScreensTest::init()
{
    m_database = std::make_unique<TestDatabase>();
    m_files = std::make_unique<QTemporaryDir>();
    m_dialogs = ScriptedDialogs();
    m_lastSearchText.clear();
}

void DocumentScreensTest::addEmployees()
{
    m_database->insert("EMPLOYEE", {"E01", "王小明"});
    m_database->insert("EMPLOYEE", {"E02", "李大華"});
}

void DocumentScreensTest::cleanup()
{
    m_screen.reset();
    const QStringList deviations = m_dialogs.deviations();
    m_files.reset();
    m_database.reset();
    QVERIFY2(deviations.isEmpty(), qPrintable(deviations.join(QStringLiteral("; "))));
}

Screen &DocumentScreensTest::open(const QString &form)
{
    m_screen = showScreen(declarationOf(form), m_dialogs, m_lastSearchText);
    return *m_screen;
}

BoundDocumentField *DocumentScreensTest::fieldOf(Screen &screen)
{
    auto *field = qobject_cast<BoundDocumentField *>(control(screen, documentFieldOf(screen.declaration()).name));
    if (!field)
        qFatal("the document field is not a bound document field");
    return field;
}

void DocumentScreensTest::startRow(Screen &screen, const QString &key)
{
    const ScreenDeclaration &declaration = screen.declaration();
    press(screen, buttonWith<IncreaseCommand>(declaration).name);
    const FieldDeclaration &first = declaration.fields.at(0);
    if (first.kind == FieldKind::Lookup)
        choose(screen, first.name, m_database->value(QStringLiteral("SELECT empname FROM EMPLOYEE WHERE empno = '%1'").arg(key)).toString());
    else
        type(screen, first.name, key);
}

Document DocumentScreensTest::stored(const ScreenDeclaration &screen, const QString &key)
{
    const QString column = documentFieldOf(screen).column;
    const QString keyColumn = screen.fields.at(0).column;
    return Document::fromStored(m_database->value(
        QStringLiteral("SELECT %1 FROM %2 WHERE %3 = '%4'").arg(column, tableOf(screen), keyColumn, key)));
}

void DocumentScreensTest::connectStoresTheFileWithTheRow_data()
{
    QTest::addColumn<QString>("form");
    QTest::addColumn<bool>("link");
    for (const char *form : {"Form5", "Form8", "Form9"}) {
        QTest::addRow("%s embedded", form) << form << false;
        QTest::addRow("%s linked", form) << form << true;
    }
}

void DocumentScreensTest::connectStoresTheFileWithTheRow()
{
    QFETCH(QString, form);
    QFETCH(bool, link);
    const QByteArray picture = pngOf({40, 30});
    const QString path = writeFile(QDir(m_files->path()).filePath("檔案 1.png"), picture);
    if (form == "Form9")
        addEmployees();
    Screen &screen = open(form);
    const ScreenDeclaration declaration = screen.declaration();
    const QString connect = buttonWith<ConnectCommand>(declaration).name;
    const QString save = buttonWith<SaveCommand>(declaration).name;
    const auto states = [&] { return qMakePair(screen.button(save)->isEnabled(), screen.button(connect)->isEnabled()); };
    QCOMPARE(states(), qMakePair(false, false));

    startRow(screen, "E01");
    QCOMPARE(states(), qMakePair(true, true));
    m_dialogs.chooseInsertObject({InsertObjectChoice::Action::FromFile, path, link});
    press(screen, connect);
    QCOMPARE(m_dialogs.takeCalls(),
             QVector<DialogCall>{DialogCall::insertObject(documentFieldOf(declaration).documentClass)});
    QCOMPARE(states(), qMakePair(true, false));
    QCOMPARE(fieldOf(screen)->document().fileName(), QStringLiteral("檔案 1.png"));
    QVERIFY(stored(declaration, "E01").isEmpty());

    press(screen, save);
    QCOMPARE(states(), qMakePair(false, false));
    const Document written = stored(declaration, "E01");
    QCOMPARE(written.kind(), link ? Document::Kind::Linked : Document::Kind::Embedded);
    QCOMPARE(written.bytes(), link ? QByteArray() : picture);
    QCOMPARE(written.linkedPath(), link ? path : QString());

    // Loaded afresh, the screen shows the row's picture again.
    m_screen.reset();
    Screen &again = open(form);
    QCOMPARE(fieldOf(again)->document(), written);
    QCOMPARE(fieldOf(again)->picture().size(), QSize(40, 30));
    QCOMPARE(m_dialogs.calls().size(), 0);
}

void DocumentScreensTest::newDocumentOfTheFieldsClassOpensAndIsStored()
{
    addEmployees();
    Screen &screen = open("Form9");
    const ScreenDeclaration declaration = screen.declaration();
    startRow(screen, "E02");
    m_dialogs.chooseInsertObject({InsertObjectChoice::Action::New, QString(), false});
    press(screen, buttonWith<ConnectCommand>(declaration).name);
    press(screen, buttonWith<SaveCommand>(declaration).name);

    const Document written = stored(declaration, "E02");
    QCOMPARE(written.mimeType(), QStringLiteral("application/rtf"));
    QVERIFY(written.bytes().startsWith("{\\rtf1"));
    QCOMPARE(m_dialogs.openedFiles().size(), 1);
    const QString opened = m_dialogs.openedFiles().at(0);
    QVERIFY(opened.endsWith(".rtf"));
    QCOMPARE(readFile(opened), written.bytes());
    QVERIFY(!opened.startsWith(m_database->folder()));
}

void DocumentScreensTest::savedChangeOfTheOpenedCopyComesBackAsAnEdit_data()
{
    QTest::addColumn<QString>("form");
    QTest::addColumn<bool>("replaceFile");
    for (const char *form : {"Form5", "Form8", "Form9"}) {
        QTest::addRow("%s written in place", form) << form << false;
        QTest::addRow("%s saved by replacing the file", form) << form << true;
    }
}

void DocumentScreensTest::savedChangeOfTheOpenedCopyComesBackAsAnEdit()
{
    QFETCH(QString, form);
    QFETCH(bool, replaceFile);
    const ScreenDeclaration declaration = declarationOf(form);
    const Document original = Document::embedded("工作.txt", "first version\n");
    m_database->insert(tableOf(declaration), rowWithDocument(tableOf(declaration), "E01", original.toStored()));
    Screen &screen = open(form);
    BoundDocumentField *field = fieldOf(screen);
    field->setFocus();
    QTest::keyClick(field, Qt::Key_Return);
    QCOMPARE(m_dialogs.openedFiles().size(), 1);
    const QString copy = m_dialogs.openedFiles().at(0);
    QCOMPARE(readFile(copy), original.bytes());

    if (replaceFile) {
        writeFile(copy, "second version\n");
    } else {
        QFile file(copy);
        QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write("second version\n");
    }
    QTRY_COMPARE(field->document().bytes(), QByteArray("second version\n"));
    QCOMPARE(field->document().fileName(), original.fileName());
    QCOMPARE(stored(declaration, "E01"), original);

    // Written with the row, like any edit, when the screen closes.
    QVERIFY(screen.close());
    QCOMPARE(stored(declaration, "E01").bytes(), QByteArray("second version\n"));
    QCOMPARE(m_dialogs.calls().size(), 0);
}

void DocumentScreensTest::savedChangeAfterTheRowWasLeftIsKeptAndTold()
{
    const Document original = Document::embedded("合約.txt", "contract one\n");
    m_database->insert("CC", rowWithDocument("CC", "K1", original.toStored()));
    m_database->insert("CC", rowWithDocument("CC", "K2", QVariant()));
    Screen &screen = open("Form5");
    VERIFY_OK(fieldOf(screen)->openDocument());
    const QString copy = m_dialogs.openedFiles().at(0);
    clickGridRow(screen, 1);
    QVERIFY(fieldOf(screen)->document().isEmpty());
    m_dialogs.pressOk();

    writeFile(copy, "changed elsewhere\n");
    QTRY_COMPARE(m_dialogs.calls().size(), 1);
    QCOMPARE(m_dialogs.calls().at(0).text,
             QStringLiteral("「合約.txt」在外部程式中已儲存,但它所屬的資料已不是目前的資料,變更沒有存入資料庫。"
                            "儲存的檔案留在「%1」。")
                 .arg(QDir::toNativeSeparators(copy)));
    m_dialogs.takeCalls();
    QVERIFY(fieldOf(screen)->document().isEmpty());
    QVERIFY(screen.close());
    QCOMPARE(stored(screen.declaration(), "K1"), original);
    QVERIFY(stored(screen.declaration(), "K2").isEmpty());
    m_screen.reset();
    QCOMPARE(readFile(copy), QByteArray("changed elsewhere\n"));
    QVERIFY(QDir(QFileInfo(copy).path() + "/..").removeRecursively());
}

void DocumentScreensTest::fieldShowsWhatTheColumnHolds_data()
{
    QTest::addColumn<QVariant>("value");
    QTest::addColumn<QSize>("picture");
    QTest::addColumn<QString>("description");
    const QString gone = QDir(QDir::tempPath()).filePath("no such folder/照片.png");
    QTest::newRow("empty") << QVariant() << QSize() << "沒有文件";
    QTest::newRow("embedded picture") << Document::embedded("照片.png", pngOf({300, 100})).toStored()
                                      << QSize(300, 100) << "照片.png";
    QTest::newRow("foreign picture") << QVariant(pngOf({20, 20})) << QSize(20, 20) << "內嵌";
    QTest::newRow("word processor document")
        << Document::embedded("工作.rtf", "{\\rtf1 x}", "application/rtf").toStored() << QSize() << "工作.rtf";
    QTest::newRow("link to a file gone") << Document::linked(gone, "image/png").toStored() << QSize()
                                         << "找不到連結的檔案 " + QDir::toNativeSeparators(gone);
    QTest::newRow("garbage") << QVariant(Document::kSignature + "garbage") << QSize() << "無法讀取的文件";
}

void DocumentScreensTest::fieldShowsWhatTheColumnHolds()
{
    QFETCH(QVariant, value);
    QFETCH(QSize, picture);
    QFETCH(QString, description);
    m_database->insert("EMPLOYEE", rowWithDocument("EMPLOYEE", "E03", value));
    Screen &screen = open("Form8");
    press(screen, moveButton(screen.declaration(), MoveCommand::Move::Last).name);
    BoundDocumentField *field = fieldOf(screen);
    QCOMPARE(field->accessibleName(), documentFieldOf(screen.declaration()).caption);
    QVERIFY2(field->accessibleDescription().contains(description), qPrintable(field->accessibleDescription()));
    QCOMPARE(field->picture().size(), picture.isValid() ? picture : QSize(0, 0));
    // Whatever it holds, the field paints without failing and keeps the value as it was.
    QVERIFY(!field->grab().isNull());
    QVERIFY(screen.close());
    const QVariant kept = m_database->value("SELECT picture FROM EMPLOYEE WHERE empno = 'E03'");
    QCOMPARE(kept.isNull(), value.isNull());
    QCOMPARE(kept.toByteArray(), value.toByteArray());
}

void DocumentScreensTest::openingWithoutAnApplicationIsTold()
{
    m_database->insert("CC", rowWithDocument("CC", "K1", Document::embedded("合約.xyz", "?", "application/x-vemo-test").toStored()));
    m_dialogs.setDesktopOpens(false);
    m_dialogs.pressOk();
    Screen &screen = open("Form5");
    BoundDocumentField *field = fieldOf(screen);
    QTest::mouseDClick(field, Qt::LeftButton);
    QCOMPARE(m_dialogs.takeCalls(), QVector<DialogCall>{DialogCall::told("沒有可以開啟「合約.xyz」的應用程式。")});
}

void DocumentScreensTest::linkedDocumentOpensTheLinkedFileItself()
{
    const QString path = writeFile(QDir(m_files->path()).filePath("合約.txt"), "linked");
    m_database->insert("CC", rowWithDocument("CC", "K1", Document::linked(path).toStored()));
    Screen &screen = open("Form5");
    VERIFY_OK(fieldOf(screen)->openDocument());
    QCOMPARE(m_dialogs.openedFiles(), QStringList{path});
    QVERIFY(QFile::remove(path));
    const Result gone = fieldOf(screen)->openDocument();
    QCOMPARE(gone.message(), QStringLiteral("找不到連結的檔案「%1」。").arg(QDir::toNativeSeparators(path)));
    QCOMPARE(m_dialogs.openedFiles().size(), 1);
}

void DocumentScreensTest::insertObjectDialogGivesWhatTheUserChose_data()
{
    QTest::addColumn<QString>("documentClass");
    QTest::addColumn<QString>("path");
    QTest::addColumn<bool>("link");
    QTest::addColumn<bool>("chooseNew");
    QTest::addColumn<bool>("accept");
    QTest::addColumn<int>("action");
    using Action = InsertObjectChoice::Action;
    QTest::newRow("file embedded") << QString() << "/x/a.doc" << false << false << true << int(Action::FromFile);
    QTest::newRow("file linked") << "Word.Document.8" << "/x/a.doc" << true << false << true << int(Action::FromFile);
    QTest::newRow("new") << "Word.Document.8" << QString() << false << true << true << int(Action::New);
    QTest::newRow("cancel") << "Word.Document.8" << "/x/a.doc" << false << false << false << int(Action::Cancel);
}

void DocumentScreensTest::insertObjectDialogGivesWhatTheUserChose()
{
    QFETCH(QString, documentClass);
    QFETCH(QString, path);
    QFETCH(bool, link);
    QFETCH(bool, chooseNew);
    QFETCH(bool, accept);
    QFETCH(int, action);
    InsertObjectDialog dialog(documentClass);
    dialog.show();
    QCOMPARE(dialog.windowTitle(), kInsertObjectTitle);
    QRadioButton *newDocument = nullptr;
    for (QRadioButton *choice : dialog.findChildren<QRadioButton *>()) {
        if (choice->text() == QStringLiteral("新建"))
            newDocument = choice;
    }
    QVERIFY(newDocument);
    QCOMPARE(newDocument->isVisible(), !documentClass.isEmpty());
    QPushButton *ok = dialog.findChild<QDialogButtonBox *>()->button(QDialogButtonBox::Ok);
    QVERIFY(!ok->isEnabled());
    QTest::keyClicks(dialog.findChild<QLineEdit *>(), path);
    if (link)
        dialog.findChild<QCheckBox *>()->setChecked(true);
    if (chooseNew)
        newDocument->setChecked(true);
    QVERIFY(ok->isEnabled());
    QTest::mouseClick(accept ? ok : dialog.findChild<QDialogButtonBox *>()->button(QDialogButtonBox::Cancel),
                      Qt::LeftButton);
    const InsertObjectChoice choice = dialog.choice();
    QCOMPARE(int(choice.action), action);
    if (choice.action == InsertObjectChoice::Action::FromFile) {
        QCOMPARE(choice.path, path);
        QCOMPARE(choice.link, link);
    }
}

void DocumentScreensTest::saveCopyWritesTheDocument()
{
    const QByteArray photo = pngOf({10, 10});
    m_database->insert("EMPLOYEE", rowWithDocument("EMPLOYEE", "E03", Document::embedded("員工.png", photo).toStored()));
    Screen &screen = open("Form8");
    press(screen, moveButton(screen.declaration(), MoveCommand::Move::Last).name);
    const QString target = QDir(m_files->path()).filePath("copy.png");
    m_dialogs.chooseSaveFile(target);
    VERIFY_OK(fieldOf(screen)->saveCopy());
    QCOMPARE(m_dialogs.takeCalls().at(0).text, QStringLiteral("員工.png"));
    QCOMPARE(readFile(target), photo);
}

void DocumentScreensTest::gridShowsDocumentsWithoutReadingThem()
{
    const QByteArray big(300 * 1024, 'x');
    for (const char *key : {"K1", "K2", "K3"})
        m_database->insert("CC", rowWithDocument("CC", key, Document::embedded("合約.txt", big, "text/plain").toStored()));
    Screen &screen = open("Form5");
    QTableView *view = grid(screen);
    RecordSource &source = *screen.source(kMainSource);
    const int column = source.columnIndex(documentFieldOf(screen.declaration()).column);
    // Rows that are not current come from chunks that hold only the document's length.
    for (int row = 1; row < 3; ++row) {
        QCOMPARE(source.valueAt(row, column).toLongLong(), qlonglong(Document::embedded("合約.txt", big, "text/plain").toStored().toByteArray().size()));
        QCOMPARE(view->model()->index(row, column).data().toString(), QStringLiteral("文件, 300.0 KB"));
    }
    QCOMPARE(view->model()->index(0, column).data().toString(), fieldOf(screen)->document().description());
    QVERIFY(!(view->model()->flags(view->model()->index(1, column)) & Qt::ItemIsEditable));
    clickGridRow(screen, 2);
    QCOMPARE(fieldOf(screen)->document().bytes(), big);
    // Left, the row that was current holds the length again, not the document's bytes.
    QCOMPARE(source.valueAt(0, column).toLongLong(), source.valueAt(1, column).toLongLong());
}

void DocumentScreensTest::employeeMovesStopAtBothEnds_data()
{
    QTest::addColumn<MoveCommand::Move>("from");
    QTest::addColumn<MoveCommand::Move>("move");
    QTest::addColumn<QString>("stays");
    QTest::addColumn<QString>("message");
    using Move = MoveCommand::Move;
    QTest::newRow("back from the first") << Move::First << Move::Previous << "E01" << BoundaryCheck::firstRowMessage;
    QTest::newRow("forward from the last") << Move::Last << Move::Next << "E02" << BoundaryCheck::lastRowMessage;
    QTest::newRow("first") << Move::Last << Move::First << "E01" << QString();
    QTest::newRow("last") << Move::First << Move::Last << "E02" << QString();
    QTest::newRow("forward") << Move::First << Move::Next << "E02" << QString();
    QTest::newRow("back") << Move::Last << Move::Previous << "E01" << QString();
}

void DocumentScreensTest::employeeMovesStopAtBothEnds()
{
    QFETCH(MoveCommand::Move, from);
    QFETCH(MoveCommand::Move, move);
    QFETCH(QString, stays);
    QFETCH(QString, message);
    addEmployees();
    Screen &screen = open("Form8");
    const ScreenDeclaration &declaration = screen.declaration();
    press(screen, moveButton(declaration, from).name);
    if (!message.isEmpty())
        m_dialogs.pressOk();
    press(screen, moveButton(declaration, move).name);
    QCOMPARE(shown(screen, declaration.fields.at(0).name), stays);
    QVector<DialogCall> expected;
    if (!message.isEmpty())
        expected << DialogCall::told(message, BoundaryCheck::title, MessageIcon::Question);
    QCOMPARE(m_dialogs.takeCalls(), expected);
    QVERIFY(screen.source(kMainSource)->hasCurrentRow());
}

void DocumentScreensTest::scheduleSearchFindsByEmployeeNumber_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("year");
    QTest::addColumn<bool>("found");
    QTest::newRow("found, its first record") << "E02" << "2023" << true;
    QTest::newRow("trailing blanks dropped") << "E02  " << "2023" << true;
    QTest::newRow("name instead of number") << "李大華" << "2021" << false;
    QTest::newRow("no such employee") << "E09" << "2021" << false;
}

void DocumentScreensTest::scheduleSearchFindsByEmployeeNumber()
{
    QFETCH(QString, typed);
    QFETCH(QString, year);
    QFETCH(bool, found);
    m_database->insert("SCHEDULE", {"E01", "2021", "0101"});
    m_database->insert("SCHEDULE", {"E01", "2022", "0202"});
    m_database->insert("SCHEDULE", {"E02", "2023", "0303"});
    m_database->insert("SCHEDULE", {"E02", "2024", "0404"});
    Screen &screen = open("Form9");
    const auto &search = buttonWith<SearchCommand>(screen.declaration());
    const auto *command = static_cast<const SearchCommand *>(search.command.get());
    m_dialogs.typeAnswer(typed);
    if (!found)
        m_dialogs.pressOk();
    press(screen, search.name);
    QVector<DialogCall> expected{DialogCall::input(command->prompt, command->title)};
    if (!found)
        expected << DialogCall::told("找不到");
    QCOMPARE(m_dialogs.takeCalls(), expected);
    QCOMPARE(shown(screen, "Text2"), year);
}

void DocumentScreensTest::scheduleIncreasePutsTheFocusInTheEmployeeList()
{
    Screen &screen = open("Form9");
    screen.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&screen));
    const auto &increase = buttonWith<IncreaseCommand>(screen.declaration());
    press(screen, increase.name);
    const auto *command = static_cast<const IncreaseCommand *>(increase.command.get());
    QCOMPARE(screen.declaration().fields.at(0).name, command->focus);
    QTRY_COMPARE(QApplication::focusWidget(), control(screen, command->focus));
}

QTEST_MAIN(DocumentScreensTest)
#include "tst_documentscreens.moc"
