#include "app/mainform.h"
#include "data/records/recordsource.h"
#include "screens/screen.h"
#include "support/scripteddialogs.h"
#include "support/testdatabase.h"

#include <QAction>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QTest>
#include <QWindow>

#include <memory>

class MainFormTest : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void firstStartCreatesTheDatabase();
    void unusableFileIsReportedOnceAndTheMenuStillWorks();
    void readOnlyDatabaseIsToldAtStart_data();
    void readOnlyDatabaseIsToldAtStart();
    void menuIsExactlyAsDesigned();
    void captionsReachTheWindowSystemUnchanged();
    void everyMenuEntryOpensItsScreen_data();
    void everyMenuEntryOpensItsScreen();
    void sameEntryTwiceYieldsOneWindow();
    void closedScreenIsLoadedAfresh();
    void lastSearchTextOutlivesTheWindow();
    void endingWritesEditsClosesTheConnectionAndEndsAtOnce();

private:
    std::unique_ptr<TestDatabase> m_database;
    ScriptedDialogs m_dialogs;
};

namespace {

struct MenuRow
{
    QString group;
    QString groupCaption;
    QString entry;
    QString entryCaption;
};

QVector<MenuRow> menuRows(QMenuBar *bar)
{
    QVector<MenuRow> rows;
    for (QAction *top : bar->actions()) {
        if (!top->menu()) {
            rows.append({top->objectName(), top->text(), QString(), QString()});
            continue;
        }
        for (QAction *entry : top->menu()->actions())
            rows.append({top->menu()->objectName(), top->text(), entry->objectName(), entry->text()});
    }
    return rows;
}

} // namespace

void MainFormTest::init()
{
    m_database = std::make_unique<TestDatabase>();
    m_dialogs = ScriptedDialogs();
}

void MainFormTest::cleanup()
{
    const QStringList deviations = m_dialogs.deviations();
    m_database.reset();
    QVERIFY2(deviations.isEmpty(), qPrintable(deviations.join(QStringLiteral("; "))));
}

void MainFormTest::firstStartCreatesTheDatabase()
{
    m_database.reset();
    QTemporaryDir parent;
    const QString home = parent.path() + QStringLiteral("/vemo");
    qputenv("VEMO_HOME", home.toUtf8());

    MainForm mainForm(m_dialogs);
    QVERIFY(mainForm.module1().connection.isOpen());
    QVERIFY(QFile::exists(home + QStringLiteral("/vemo.sqlite")));
    QCOMPARE(m_dialogs.calls().size(), 0);
    qunsetenv("VEMO_HOME");
}

void MainFormTest::unusableFileIsReportedOnceAndTheMenuStillWorks()
{
    m_database.reset();
    QTemporaryDir home;
    QFile garbage(home.path() + QStringLiteral("/vemo.sqlite"));
    QVERIFY(garbage.open(QIODevice::WriteOnly));
    garbage.write(QByteArray(8192, 'x'));
    garbage.close();
    qputenv("VEMO_HOME", home.path().toUtf8());
    m_dialogs.pressOk();

    MainForm mainForm(m_dialogs);
    const auto calls = m_dialogs.calls();
    QCOMPARE(calls.size(), 1);
    const QString file = QDir::toNativeSeparators(garbage.fileName());
    QCOMPARE(calls.at(0), DialogCall::told(kCannotOpen + QStringLiteral("資料庫檔案 '%1' 讀不出來(file is not a database)").arg(file), QString()));
    QVERIFY(!mainForm.module1().connection.isOpen());
    QCOMPARE(menuRows(mainForm.menuBar()).size(), 11);
    for (QAction *top : mainForm.menuBar()->actions())
        QVERIFY(top->isEnabled() && top->isVisible());
    qunsetenv("VEMO_HOME");
}

void MainFormTest::readOnlyDatabaseIsToldAtStart_data()
{
    QTest::addColumn<QString>("marked"); // what is made read-only: the vemo folder or the file in it
    QTest::addColumn<QString>("told");
    const QString consequence = QStringLiteral("資料可以查看,但任何修改都無法儲存;請管理員讓這個使用者可以寫入它。");
    QTest::newRow("folder") << "." << "vemo 的資料夾 '%1' 不能寫入(資料庫的日誌檔案要建在這裡):" + consequence;
    QTest::newRow("file") << "vemo.sqlite" << "資料庫檔案 '%1' 是唯讀的:" + consequence;
}

void MainFormTest::readOnlyDatabaseIsToldAtStart()
{
    QFETCH(QString, marked);
    QFETCH(QString, told);
    m_database.reset();
    QTemporaryDir home;
    qputenv("VEMO_HOME", home.path().toUtf8());
    delete new MainForm(m_dialogs);
    QCOMPARE(m_dialogs.calls().size(), 0);
    const QString path = QDir(home.path()).filePath(marked);
    QVERIFY(QFile::setPermissions(path, QFile::ReadOwner | QFile::ExeOwner | QFile::ReadGroup | QFile::ExeGroup));
    m_dialogs.pressOk();

    {
        MainForm mainForm(m_dialogs);
        QVERIFY(mainForm.module1().connection.isOpen());
    }

    QVERIFY(QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));
    qunsetenv("VEMO_HOME");
    const QString shown = QDir::toNativeSeparators(marked == QLatin1String(".") ? QDir(home.path()).absolutePath()
                                                                                : QDir(home.path()).absoluteFilePath(marked));
    QCOMPARE(m_dialogs.calls(), QVector<DialogCall>{DialogCall::told(told.arg(shown), QString())});
}

void MainFormTest::menuIsExactlyAsDesigned()
{
    MainForm mainForm(m_dialogs);
    const QVector<MenuRow> expected = {
        {"CS", "Management of  maintenance", "CSF", "Customer"},
        {"CS", "Management of  maintenance", "MTR", "Maintenance record"},
        {"CS", "Management of  maintenance", "TP", "Data documents"},
        {"CM", "Customer management", "CF", "Documents datz"},
        {"CM", "Customer management", "CC", "Data of contact"},
        {"MSM", "Manage of material", "MSF", "Data of material stock"},
        {"MSM", "Manage of material", "MER", "Material to place"},
        {"MSM", "Manage of material", "supplier", "Data of suppliers"},
        {"EM", "Engineer 's  management", "EMP", "Employee's  basic data"},
        {"EM", "Engineer 's  management", "ESR", "Record of engineer's works"},
        {"END", "Ending system", "", ""},
    };
    const QVector<MenuRow> actual = menuRows(mainForm.menuBar());
    QCOMPARE(actual.size(), expected.size());
    for (int i = 0; i < expected.size(); ++i) {
        QCOMPARE(actual.at(i).group, expected.at(i).group);
        QCOMPARE(actual.at(i).groupCaption, expected.at(i).groupCaption);
        QCOMPARE(actual.at(i).entry, expected.at(i).entry);
        QCOMPARE(actual.at(i).entryCaption, expected.at(i).entryCaption);
    }
    for (QAction *action : mainForm.findChildren<QAction *>()) {
        QVERIFY2(action->shortcut().isEmpty(), qPrintable(action->text()));
        QVERIFY2(!action->text().contains(QLatin1Char('&')), qPrintable(action->text()));
    }
}

void MainFormTest::captionsReachTheWindowSystemUnchanged()
{
    MainForm mainForm(m_dialogs);
    mainForm.show();
    QVERIFY(QTest::qWaitForWindowExposed(&mainForm));
    QCOMPARE(mainForm.objectName(), QStringLiteral("MainForm"));
    QCOMPARE(mainForm.windowHandle()->title(), QStringLiteral("Management information system"));
    const QVector<QPair<QString, QString>> screens = {
        {"Form4", "Customer basic data"},
        {"Form6", "Dada of material stock"},
        {"Form7", " material to borrow a place"},
        {"Form10", "Data of suppliers "},
    };
    for (const auto &[form, caption] : screens) {
        Screen *screen = mainForm.showScreen(form);
        QVERIFY(screen);
        QVERIFY(QTest::qWaitForWindowExposed(screen));
        QCOMPARE(screen->objectName(), form);
        QCOMPARE(screen->windowHandle()->title(), caption);
    }
}

void MainFormTest::everyMenuEntryOpensItsScreen_data()
{
    QTest::addColumn<QString>("entry");
    QTest::addColumn<QString>("form");
    for (const MenuGroup &group : menuGroups()) {
        for (const ScreenEntry &entry : group.entries)
            QTest::newRow(qPrintable(entry.name)) << entry.name << entry.form;
    }
}

void MainFormTest::everyMenuEntryOpensItsScreen()
{
    QFETCH(QString, entry);
    QFETCH(QString, form);
    MainForm mainForm(m_dialogs);
    mainForm.findChild<QAction *>(entry)->trigger();
    Screen *screen = mainForm.openScreen(form);
    QVERIFY(screen);
    QVERIFY(screen->isVisible());
    QCOMPARE(screen->objectName(), form);
    QCOMPARE(m_dialogs.calls().size(), 0);
}

void MainFormTest::sameEntryTwiceYieldsOneWindow()
{
    MainForm mainForm(m_dialogs);
    mainForm.findChild<QAction *>(QStringLiteral("CF"))->trigger();
    Screen *first = mainForm.openScreen(QStringLiteral("Form4"));
    QVERIFY(first && first->isVisible());
    mainForm.findChild<QAction *>(QStringLiteral("CF"))->trigger();
    QCOMPARE(mainForm.openScreen(QStringLiteral("Form4")), first);
    int windows = 0;
    for (QWidget *widget : QApplication::topLevelWidgets())
        windows += widget->objectName() == QStringLiteral("Form4") ? 1 : 0;
    QCOMPARE(windows, 1);
}

void MainFormTest::closedScreenIsLoadedAfresh()
{
    m_database->insert("SUPPLIER", {"S1", "甲廠"});
    m_database->insert("SUPPLIER", {"S2", "乙廠"});
    MainForm mainForm(m_dialogs);
    QPointer<Screen> screen = mainForm.showScreen(QStringLiteral("Form10"));
    QVERIFY(screen->source("Data1")->moveLast());
    QCOMPARE(screen->source("Data1")->value("supplierno").toString(), QStringLiteral("S2"));
    screen->close();
    QTRY_VERIFY(screen.isNull());
    QCOMPARE(mainForm.openScreen(QStringLiteral("Form10")), nullptr);

    Screen *again = mainForm.showScreen(QStringLiteral("Form10"));
    QCOMPARE(again->source("Data1")->value("supplierno").toString(), QStringLiteral("S1"));
    QCOMPARE(again->findChild<QLineEdit *>("Text2")->text(), QStringLiteral("甲廠"));
}

void MainFormTest::lastSearchTextOutlivesTheWindow()
{
    MainForm mainForm(m_dialogs);
    QPointer<Screen> screen = mainForm.showScreen(QStringLiteral("Form4"));
    screen->lastSearchText() = QStringLiteral("王小明 ");
    screen->close();
    QTRY_VERIFY(screen.isNull());
    QCOMPARE(mainForm.showScreen(QStringLiteral("Form4"))->lastSearchText(), QStringLiteral("王小明 "));
}

void MainFormTest::endingWritesEditsClosesTheConnectionAndEndsAtOnce()
{
    m_database->insert("CF", {"C1", "舊公司"});
    MainForm mainForm(m_dialogs);
    bool ended = false;
    mainForm.setQuitHandler([&] { ended = true; });
    Screen *customers = mainForm.showScreen(QStringLiteral("Form4"));
    mainForm.showScreen(QStringLiteral("Form10"));
    QVERIFY(customers->source("Data1")->setValue("companyname", QStringLiteral("新公司")));

    mainForm.findChild<QAction *>(kEndEntryName)->trigger();

    QVERIFY(ended);
    QVERIFY(!mainForm.module1().connection.isOpen());
    QCOMPARE(m_dialogs.calls().size(), 0);
    QCOMPARE(m_database->value("SELECT companyname FROM CF").toString(), QStringLiteral("新公司"));
}

QTEST_MAIN(MainFormTest)
#include "tst_mainform.moc"
