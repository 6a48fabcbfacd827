#include "bound/bounddocumentfield.h"
#include "commands/editcommands.h"
#include "commands/filechooser.h"
#include "data/records/document.h"
#include "data/records/recordsource.h"
#include "screens/screen.h"
#include "support/documentfixtures.h"
#include "support/scripteddialogs.h"
#include "support/testdatabase.h"
#include "support/userinput.h"

#include <QApplication>
#include <QDir>
#include <QMenu>
#include <QMimeDatabase>
#include <QPushButton>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <memory>

using namespace documentfixtures;
using namespace userinput;

class DocumentEditsTest : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void documentOfAnyRowIsInsertedReplacedAndRemoved_data();
    void documentOfAnyRowIsInsertedReplacedAndRemoved();
    void menuOffersTheDocumentCommands_data();
    void menuOffersTheDocumentCommands();
    void gridShowsEachRowsOwnDocumentDuringAnAdd();
    void newDocumentThatCannotBeOpenedIsKeptAndTold();
    void fileListsTellTypesByNameWithoutReadingFiles_data();
    void fileListsTellTypesByNameWithoutReadingFiles();

private:
    Screen &open(const QString &form);
    BoundDocumentField &field();
    RecordSource &source() { return *m_screen->source(kMainSource); }
    /// The document stored in the row with that key.
    Document stored(const QString &key);
    QString fileOf(const QString &name, const QByteArray &bytes);

    std::unique_ptr<TestDatabase> m_database;
    std::unique_ptr<QTemporaryDir> m_files;
    ScriptedDialogs m_dialogs;
    QString m_lastSearchText;
    std::unique_ptr<Screen> m_screen;
};

void DocumentEditsTest::init()
{
    m_database = std::make_unique<TestDatabase>();
    m_files = std::make_unique<QTemporaryDir>();
    m_dialogs = ScriptedDialogs();
}

void DocumentEditsTest::cleanup()
{
    m_screen.reset();
    const QStringList deviations = m_dialogs.deviations();
    m_files.reset();
    m_database.reset();
    QVERIFY2(deviations.isEmpty(), qPrintable(deviations.join(QStringLiteral("; "))));
}

Screen &DocumentEditsTest::open(const QString &form)
{
    m_screen = showScreen(declarationOf(form), m_dialogs, m_lastSearchText);
    return *m_screen;
}

BoundDocumentField &DocumentEditsTest::field()
{
    auto *found = qobject_cast<BoundDocumentField *>(control(*m_screen, documentFieldOf(m_screen->declaration()).name));
    if (!found)
        qFatal("the document field is not a bound document field");
    return *found;
}

Document DocumentEditsTest::stored(const QString &key)
{
    const ScreenDeclaration &screen = m_screen->declaration();
    return Document::fromStored(m_database->value(QStringLiteral("SELECT %1 FROM %2 WHERE %3 = '%4'")
                                                      .arg(documentFieldOf(screen).column, screen.sources.at(0).table,
                                                           screen.fields.at(0).column, key)));
}

QString DocumentEditsTest::fileOf(const QString &name, const QByteArray &bytes)
{
    return writeFile(QDir(m_files->path()).filePath(name), bytes);
}

void DocumentEditsTest::documentOfAnyRowIsInsertedReplacedAndRemoved_data()
{
    QTest::addColumn<QString>("form");
    QTest::addColumn<QByteArray>("first");
    QTest::addColumn<QByteArray>("second");
    QTest::newRow("Form5 contract") << "Form5" << pdfOf("first") << pdfOf("second");
    QTest::newRow("Form8 picture") << "Form8" << pngOf({40, 30}) << pngOf({30, 40});
}

void DocumentEditsTest::documentOfAnyRowIsInsertedReplacedAndRemoved()
{
    QFETCH(QString, form);
    QFETCH(QByteArray, first);
    QFETCH(QByteArray, second);
    const QString table = declarationOf(form).sources.at(0).table;
    m_database->insert(table, rowWithDocument(table, "K1"));
    m_database->insert(table, rowWithDocument(table, "K2"));
    Screen &screen = open(form);
    const QString documentClass = documentFieldOf(screen.declaration()).documentClass;
    QPushButton *connect = screen.button(buttonWith<ConnectCommand>(screen.declaration()).name);

    m_dialogs.chooseInsertObject({InsertObjectChoice::Action::FromFile, fileOf("一.bin", first), false});
    VERIFY_OK(field().insertObject());
    QCOMPARE(m_dialogs.takeCalls(), QVector<DialogCall>{DialogCall::insertObject(documentClass)});
    QCOMPARE(field().document().bytes(), first);
    QVERIFY(stored("K1").isEmpty());
    VERIFY_OK(source().moveNext());
    QCOMPARE(stored("K1").bytes(), first);

    VERIFY_OK(source().movePrevious());
    m_dialogs.chooseInsertObject({InsertObjectChoice::Action::FromFile, fileOf("二.bin", second), false});
    VERIFY_OK(field().insertObject());
    VERIFY_OK(source().moveNext());
    QCOMPARE(stored("K1").bytes(), second);
    QCOMPARE(stored("K1").fileName(), QStringLiteral("二.bin"));
    QVERIFY(stored("K2").isEmpty());

    VERIFY_OK(source().movePrevious());
    m_dialogs.takeCalls();
    m_dialogs.chooseAnswer(MessageAnswer::No);
    VERIFY_OK(field().removeDocument());
    QCOMPARE(field().document().bytes(), second);
    QVERIFY(!source().hasPendingEdits());
    m_dialogs.chooseAnswer(MessageAnswer::Yes);
    VERIFY_OK(field().removeDocument());
    const DialogCall question = DialogCall::asked(BoundDocumentField::removeQuestion, BoundDocumentField::removeTitle);
    QCOMPARE(m_dialogs.takeCalls(), (QVector<DialogCall>{question, question}));
    QVERIFY(field().document().isEmpty());
    QVERIFY(screen.close());
    QVERIFY(stored("K1").isEmpty());
    QVERIFY(!connect->isEnabled());
}

void DocumentEditsTest::menuOffersTheDocumentCommands_data()
{
    QTest::addColumn<int>("key");
    QTest::addColumn<int>("modifiers");
    QTest::addColumn<bool>("withDocument");
    QTest::newRow("Menu key, a document") << int(Qt::Key_Menu) << int(Qt::NoModifier) << true;
    QTest::newRow("Shift+F10, a document") << int(Qt::Key_F10) << int(Qt::ShiftModifier) << true;
    QTest::newRow("Shift+F10, no document") << int(Qt::Key_F10) << int(Qt::ShiftModifier) << false;
}

void DocumentEditsTest::menuOffersTheDocumentCommands()
{
    QFETCH(int, key);
    QFETCH(int, modifiers);
    QFETCH(bool, withDocument);
    QVariantList row = rowWithDocument("EMPLOYEE", "E01");
    if (withDocument)
        row.last() = Document::embedded("員工.png", pngOf({8, 8})).toStored();
    m_database->insert("EMPLOYEE", row);
    open("Form8");
    field().setFocus();
    QStringList offered;
    QTimer::singleShot(0, this, [&offered] {
        auto *menu = qobject_cast<QMenu *>(QApplication::activePopupWidget());
        if (!menu)
            return;
        for (const QAction *action : menu->actions()) {
            if (!action->isSeparator())
                offered << action->text() + (action->isEnabled() ? "" : " (disabled)");
        }
        menu->close();
    });
    QTest::keyClick(&field(), Qt::Key(key), Qt::KeyboardModifiers(modifiers));
    const QString unavailable = withDocument ? QString() : QStringLiteral(" (disabled)");
    QCOMPARE(offered, (QStringList{"開啟" + unavailable, "另存複本..." + unavailable, "插入物件...",
                                   "刪除文件" + unavailable}));
}

void DocumentEditsTest::gridShowsEachRowsOwnDocumentDuringAnAdd()
{
    m_database->insert("CC", rowWithDocument("CC", "K1"));
    Screen &screen = open("Form5");
    const int column = source().columnIndex("context");
    const QModelIndex cell = grid(screen)->model()->index(0, column);
    press(screen, buttonWith<IncreaseCommand>(screen.declaration()).name);
    m_dialogs.chooseInsertObject({InsertObjectChoice::Action::FromFile, fileOf("新合約.pdf", pdfOf("new")), false});
    press(screen, buttonWith<ConnectCommand>(screen.declaration()).name);
    QCOMPARE(field().document().fileName(), QStringLiteral("新合約.pdf"));
    QCOMPARE(cell.data().toString(), QString());
}

void DocumentEditsTest::newDocumentThatCannotBeOpenedIsKeptAndTold()
{
    m_database->insert("EMPLOYEE", {"E01", "王小明"});
    m_dialogs.setDesktopOpens(false);
    Screen &screen = open("Form9");
    press(screen, buttonWith<IncreaseCommand>(screen.declaration()).name);
    choose(screen, "DBCombo1", "王小明");
    m_dialogs.chooseInsertObject({InsertObjectChoice::Action::New, QString(), false});
    m_dialogs.pressOk();
    press(screen, buttonWith<ConnectCommand>(screen.declaration()).name);
    QCOMPARE(m_dialogs.takeCalls(),
             (QVector<DialogCall>{DialogCall::insertObject("Word.Document.8"),
                                  DialogCall::told("已新建「新文件.rtf」並放入這筆資料,會隨資料一起儲存。\n"
                                                   "沒有可以開啟「新文件.rtf」的應用程式。")}));
    QVERIFY(!screen.button(buttonWith<ConnectCommand>(screen.declaration()).name)->isEnabled());
    press(screen, buttonWith<SaveCommand>(screen.declaration()).name);
    QCOMPARE(stored("E01").mimeType(), QStringLiteral("application/rtf"));
}

void DocumentEditsTest::fileListsTellTypesByNameWithoutReadingFiles_data()
{
    QTest::addColumn<QString>("name");
    QTest::newRow("a database file") << "vemo.sqlite";
    QTest::newRow("its journal") << "vemo.sqlite-wal";
    QTest::newRow("no extension") << "vemo";
}

void DocumentEditsTest::fileListsTellTypesByNameWithoutReadingFiles()
{
    QFETCH(QString, name);
    const QFileInfo file(fileOf(name, pngOf({4, 4})));
    const QMimeDatabase types;
    QCOMPARE(types.mimeTypeForFile(file).name(), QStringLiteral("image/png"));
    const QString unreadable = QDir(m_files->path()).filePath(QStringLiteral("gone/") + name);
    QCOMPARE(NameOnlyIconProvider().type(file), types.mimeTypeForFile(unreadable).comment());
}

QTEST_MAIN(DocumentEditsTest)
#include "tst_documentedits.moc"
