#include "app/idlerest.h"
#include "app/mainform.h"
#include "app/screencatalog.h"
#include "data/connection/databaselocation.h"
#include "data/connection/serveraddress.h"
#include "data/records/recordsource.h"
#include "data/tables/transaction.h"
#include "screens/screen.h"
#include "support/scripteddialogs.h"
#include "support/testdatabase.h"
#include "support/userinput.h"

#include <QAction>
#include <QComboBox>
#include <QDialog>
#include <QFile>
#include <QRegularExpression>
#include <QSet>
#include <QTest>

#include <memory>

using namespace userinput;

namespace {

/// The server's log of the statements this test's role sends from connections opened from now on.
class ServerLog
{
public:
    explicit ServerLog(TestDatabase &database) : m_role(database.value(QStringLiteral("SELECT current_user")).toString())
    {
        ServerAddress address;
        if (ServerAddress::parse(qEnvironmentVariable("VEMO_TEST_POSTGRES"), address))
            m_file = address.host + QStringLiteral("/server.log");
        asSuperuser(QStringLiteral("ALTER ROLE %1 SET log_statement = 'all'").arg(m_role));
        mark();
    }
    /// Runs a statement as the cluster's superuser.
    static void asSuperuser(const QString &statement)
    {
        EngineConnection superuser;
        QVERIFY(superuser.open(qEnvironmentVariable("VEMO_TEST_POSTGRES")));
        QVERIFY(superuser.execute(statement));
    }
    void mark() { m_from = QFile(m_file).size(); }
    /// The statements logged since the mark, each with the process that sent it.
    QVector<QPair<QString, QString>> statements() const
    {
        QFile log(m_file);
        QVector<QPair<QString, QString>> found;
        if (!log.open(QIODevice::ReadOnly) || !log.seek(m_from))
            return found;
        static const QRegularExpression line(QStringLiteral("\\[(\\d+)\\] LOG:  statement: (.*)"));
        for (const QByteArray &text : log.readAll().split('\n')) {
            const QRegularExpressionMatch match = line.match(QString::fromUtf8(text));
            if (match.hasMatch())
                found.append({match.captured(1), match.captured(2)});
        }
        return found;
    }
    int count() const { return int(statements().size()); }
    QSet<QString> senders() const
    {
        QSet<QString> pids;
        for (const auto &statement : statements())
            pids.insert(statement.first);
        return pids;
    }

private:
    QString m_role;
    QString m_file;
    qint64 m_from = 0;
};

const QVector<QVariantList> kEmployees = {{"E01", "王小明"}, {"E02", "李大華"}, {"E03", "張三"}};

} // namespace

class ServerConnectionTest : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void everyScreenSharesOneConnectionAndALendingOpensNone();
    void aSaveWaitsOnlyForItsOwnRow_data();
    void aSaveWaitsOnlyForItsOwnRow();
    void aFullServerIsToldOnceAndTheNextActionConnects();
    void aRestartIsSurvivedByEveryScreenAtTheNextAction();
    void tablesTheRoleMayNotReadAreToldInOneBox();
    void anIdleProgramHoldsNoConnectionAndItsNextActionOpensOne();
    void aServerFullWhenAnIdleProgramWakesKeepsTheEditForTheNextTry();

private:
    /// The server processes of this program's connections, the test's own left out.
    QSet<QString> programPids();
    int programConnections();
    Screen *open(MainForm &mainForm, const QString &entry, const QString &form);

    std::unique_ptr<TestDatabase> m_database;
    ScriptedDialogs m_dialogs;
};

void ServerConnectionTest::init()
{
    if (!TestDatabase::onServer())
        QSKIP("a program's connections to a server are counted on the server only");
    m_database = std::make_unique<TestDatabase>();
    m_dialogs = ScriptedDialogs();
    for (const QVariantList &employee : kEmployees)
        m_database->insert("EMPLOYEE", employee);
    m_database->insert("MSF", {"A01", "螺絲", "一號倉庫", 20, "5", "12", "0", "S01"});
    m_database->insert("CF", {"C01", "台灣電力公司"});
}

void ServerConnectionTest::cleanup()
{
    const QStringList deviations = m_dialogs.deviations();
    m_database.reset();
    QVERIFY2(deviations.isEmpty(), qPrintable(deviations.join(QStringLiteral("; "))));
}

QSet<QString> ServerConnectionTest::programPids()
{
    QSet<QString> pids;
    for (const QVariantList &row : m_database->rows(QStringLiteral(
             "SELECT pid FROM pg_stat_activity WHERE usename = current_user AND pid <> pg_backend_pid()")))
        pids.insert(row.value(0).toString());
    return pids;
}

int ServerConnectionTest::programConnections()
{
    return int(programPids().size());
}

Screen *ServerConnectionTest::open(MainForm &mainForm, const QString &entry, const QString &form)
{
    mainForm.findChild<QAction *>(entry)->trigger();
    return mainForm.openScreen(form);
}

void ServerConnectionTest::everyScreenSharesOneConnectionAndALendingOpensNone()
{
    m_database->insert("MBBR", {"L001", "E01", "A01", "C01", "陳先生", 3, 0, "2024/01/05", ""});
    m_database->insert("MBBR", {"L002", "E02", "Z99", "C01", "張小姐", 1, 0, "2024/02/10", ""});
    ServerLog log(*m_database);
    MainForm mainForm(m_dialogs);
    // Qt's five for a new connection, then the schema's state read in one statement and its history's in two.
    qInfo("starting: %d statements", log.count());
    QVERIFY2(log.count() <= 8, qPrintable(QString::number(log.count())));
    int schemaReads = 1;
    for (const MenuGroup &group : menuGroups()) {
        for (const ScreenEntry &entry : group.entries) {
            log.mark();
            QVERIFY(open(mainForm, entry.name, entry.form));
            qInfo("opening %s: %d statements", qPrintable(entry.form), log.count());
            // A statement a source, its first rows and shown documents with it: grids, lists and document
            // fields read nothing more; the schema is read once for the connection.
            const int sources = int(entry.declaration().sources.size());
            QVERIFY2(log.count() <= sources + schemaReads, qPrintable(QString::number(log.count())));
            schemaReads = 0;
        }
    }
    QCOMPARE(m_dialogs.calls().size(), 0);
    QCOMPARE(programConnections(), 1);

    Screen &employees = *mainForm.openScreen(QStringLiteral("Form8"));
    log.mark();
    for (int move = 0; move < 20; ++move)
        QVERIFY(employees.source(QStringLiteral("Data1"))->moveTo(move % kEmployees.size()));
    // A move reads its row and the picture the screen shows in one statement.
    QVERIFY2(log.count() <= 20, qPrintable(QString::number(log.count())));
    for (const auto &statement : log.statements())
        QVERIFY2(!statement.second.startsWith(QLatin1String("PREPARE"))
                     && !statement.second.startsWith(QLatin1String("DEALLOCATE")),
                 qPrintable(statement.second));
    RecordSource &employee = *employees.source(QStringLiteral("Data1"));
    log.mark();
    VERIFY_OK(employee.findFirst(QStringLiteral("empno = 'E02'")));
    qInfo("a find on Form8: %d statements", log.count());
    QVERIFY(employee.setValue(QStringLiteral("empname"), QStringLiteral("李小華")));
    log.mark();
    VERIFY_OK(employee.update());
    qInfo("a save on Form8: %d statements", log.count());

    Screen &lending = *mainForm.openScreen(QStringLiteral("Form7"));
    // A move reads its row with what its lists show, a material no list holds too, in one statement.
    RecordSource &lendings = *lending.source(QStringLiteral("Data1"));
    const QComboBox &materials = *lending.findChild<QComboBox *>(QStringLiteral("DBCombo1"));
    log.mark();
    for (int move = 0; move < 4; ++move) {
        VERIFY_OK(lendings.moveTo(move % 2));
        QCOMPARE(materials.currentIndex() >= 0, move % 2 == 0);
    }
    QVERIFY2(log.count() <= 4, qPrintable(QString::number(log.count())));
    const auto fillLending = [this, &lending](const QString &number) {
        press(lending, QStringLiteral("Command1"));
        type(lending, QStringLiteral("Text1"), number);
        choose(lending, QStringLiteral("DBCombo1"), QStringLiteral("A01"));
        type(lending, QStringLiteral("Text3"), QStringLiteral("5"));
        m_dialogs.typeAnswer(QStringLiteral("A01"));
        press(lending, QStringLiteral("Command7"));
    };
    fillLending(QStringLiteral("L100"));
    const QSet<QString> program = programPids();
    log.mark();
    press(lending, QStringLiteral("Command5"));
    qInfo("a lending: %d statements", log.count());
    QCOMPARE(m_database->value(QStringLiteral("SELECT inventory FROM MSF WHERE materielno = 'A01'")).toInt(), 15);
    QVERIFY(!log.senders().isEmpty());
    QVERIFY(program.contains(log.senders()));
    // Once its statement is prepared, a lending checks and changes the stock in one statement.
    fillLending(QStringLiteral("L101"));
    log.mark();
    press(lending, QStringLiteral("Command5"));
    QCOMPARE(m_database->value(QStringLiteral("SELECT inventory FROM MSF WHERE materielno = 'A01'")).toInt(), 10);
    QCOMPARE(log.count(), 1);
    // After an idle rest the lending opens the program's one connection again, and no other.
    EngineConnection::restProgramConnections();
    fillLending(QStringLiteral("L102"));
    press(lending, QStringLiteral("Command5"));
    QCOMPARE(m_database->value(QStringLiteral("SELECT inventory FROM MSF WHERE materielno = 'A01'")).toInt(), 5);
    QCOMPARE(programConnections(), 1);
}

void ServerConnectionTest::aSaveWaitsOnlyForItsOwnRow_data()
{
    QTest::addColumn<QString>("heldByAnother");
    QTest::addColumn<bool>("saved");
    QTest::newRow("another row held") << "E02" << true;
    QTest::newRow("this row held") << "E01" << false;
}

void ServerConnectionTest::aSaveWaitsOnlyForItsOwnRow()
{
    QFETCH(QString, heldByAnother);
    QFETCH(bool, saved);
    RecordSource employees(QStringLiteral("Data1"));
    VERIFY_OK(employees.open(kDatabasePath, QStringLiteral("EMPLOYEE")));
    QVERIFY(employees.setValue(QStringLiteral("empname"), QStringLiteral("王大明")));

    EngineConnection another;
    VERIFY_OK(another.open(kDatabasePath));
    Transaction holding(another.database());
    VERIFY_OK(holding.begin(Transaction::Kind::Writing));
    VERIFY_OK(another.execute(QStringLiteral("UPDATE employee SET empname = empname WHERE empno = ?"), {heldByAnother}));

    const Result save = employees.update();
    QCOMPARE(bool(save), saved);
    if (!saved) {
        QVERIFY2(save.message().startsWith(kCannotSave + QStringLiteral("別的使用者正在修改這筆資料")),
                 qPrintable(save.message()));
        QCOMPARE(employees.value(QStringLiteral("empname")).toString(), QStringLiteral("王大明"));
        holding.rollBack();
        VERIFY_OK(employees.update());
    }
    QCOMPARE(m_database->value(QStringLiteral("SELECT empname FROM EMPLOYEE WHERE empno = 'E01'")).toString(),
             QStringLiteral("王大明"));
}

void ServerConnectionTest::aFullServerIsToldOnceAndTheNextActionConnects()
{
    const QString role = m_database->value(QStringLiteral("SELECT current_user")).toString();
    ServerLog::asSuperuser(QStringLiteral("ALTER ROLE %1 CONNECTION LIMIT 0").arg(role));
    m_dialogs.pressOk();
    MainForm mainForm(m_dialogs);
    m_dialogs.takeCalls();

    m_dialogs.pressOk();
    Screen *service = open(mainForm, QStringLiteral("CSF"), QStringLiteral("Form1"));
    const QStringList told = m_dialogs.messageTexts();
    QCOMPARE(told.size(), 1);
    QVERIFY2(told.first().startsWith(kCannotOpen + QStringLiteral("連不上資料庫伺服器")), qPrintable(told.first()));
    QVERIFY2(told.first().contains(QStringLiteral("too many connections")), qPrintable(told.first()));
    QVERIFY(service);
    m_dialogs.takeCalls();

    ServerLog::asSuperuser(QStringLiteral("ALTER ROLE %1 CONNECTION LIMIT -1").arg(role));
    Screen *customers = open(mainForm, QStringLiteral("CF"), QStringLiteral("Form4"));
    QCOMPARE(m_dialogs.calls().size(), 0);
    QCOMPARE(customers->source(QStringLiteral("Data1"))->value(QStringLiteral("customerno")).toString(),
             QStringLiteral("C01"));
}

void ServerConnectionTest::aRestartIsSurvivedByEveryScreenAtTheNextAction()
{
    MainForm mainForm(m_dialogs);
    RecordSource *employees = open(mainForm, QStringLiteral("EMP"), QStringLiteral("Form8"))->source("Data1");
    RecordSource *customers = open(mainForm, QStringLiteral("CF"), QStringLiteral("Form4"))->source("Data1");
    m_database->dropConnections();

    const Result lost = employees->moveLast();
    QVERIFY2(!lost && lost.message().contains(QStringLiteral("連線中斷")), qPrintable(lost.message()));
    VERIFY_OK(employees->moveLast());
    QCOMPARE(employees->value(QStringLiteral("empno")).toString(), QStringLiteral("E03"));
    VERIFY_OK(customers->moveFirst());
    QCOMPARE(customers->value(QStringLiteral("customerno")).toString(), QStringLiteral("C01"));
    QCOMPARE(programConnections(), 1);
}

void ServerConnectionTest::tablesTheRoleMayNotReadAreToldInOneBox()
{
    m_database->execute(QStringLiteral("REVOKE SELECT ON CSF, CF, INDUSTRY FROM CURRENT_USER"));
    MainForm mainForm(m_dialogs);
    m_dialogs.takeCalls();

    m_dialogs.pressOk();
    QVERIFY(open(mainForm, QStringLiteral("CSF"), QStringLiteral("Form1")));
    const QStringList told = m_dialogs.messageTexts();
    QCOMPARE(told.size(), 1);
    const QStringList lines = told.first().split(QLatin1Char('\n'));
    QCOMPARE(lines.size(), 3);
    for (const char *table : {"csf", "cf", "industry"})
        QVERIFY2(told.first().contains(QStringLiteral("權限。(permission denied for table %1 ").arg(table)),
                 qPrintable(told.first()));
    // The employees the role may read are there.
    QCOMPARE(mainForm.openScreen(QStringLiteral("Form1"))->source(QStringLiteral("Data3"))->rowCount(), kEmployees.size());
}

void ServerConnectionTest::anIdleProgramHoldsNoConnectionAndItsNextActionOpensOne()
{
    ServerLog log(*m_database);
    MainForm mainForm(m_dialogs);
    Screen &employees = *open(mainForm, QStringLiteral("EMP"), QStringLiteral("Form8"));
    RecordSource &employee = *employees.source(QStringLiteral("Data1"));
    VERIFY_OK(employee.findFirst(QStringLiteral("empno = 'E02'")));
    VERIFY_OK(employee.moveFirst());
    QVERIFY(employee.setValue(QStringLiteral("empname"), QStringLiteral("王大明")));
    log.mark();
    // A dialog waiting for an answer is an action not over: the connection stays.
    QDialog asking;
    asking.setWindowModality(Qt::ApplicationModal);
    asking.show();
    IdleRest rest(std::chrono::milliseconds(20));
    QTest::qWait(200);
    QCOMPARE(programConnections(), 1);
    asking.close();

    QTRY_COMPARE(programConnections(), 0);
    // The statements kept go with the connection, not each dropped by a round trip of its own.
    QCOMPARE(log.count(), 0);
    // The edit typed before the rest is saved by the next action, which opens the connection again.
    VERIFY_OK(employee.moveLast());
    QCOMPARE(employee.value(QStringLiteral("empno")).toString(), QStringLiteral("E03"));
    QCOMPARE(m_database->value(QStringLiteral("SELECT empname FROM EMPLOYEE WHERE empno = 'E01'")).toString(),
             QStringLiteral("王大明"));
    QCOMPARE(programConnections(), 1);
    EngineConnection::restProgramConnections();
    Screen &customers = *open(mainForm, QStringLiteral("CF"), QStringLiteral("Form4"));
    QCOMPARE(customers.source(QStringLiteral("Data1"))->value(QStringLiteral("customerno")).toString(),
             QStringLiteral("C01"));
    QCOMPARE(programConnections(), 1);
    QCOMPARE(m_dialogs.calls().size(), 0);
}

void ServerConnectionTest::aServerFullWhenAnIdleProgramWakesKeepsTheEditForTheNextTry()
{
    MainForm mainForm(m_dialogs);
    RecordSource &employee = *open(mainForm, QStringLiteral("EMP"), QStringLiteral("Form8"))->source("Data1");
    QVERIFY(employee.setValue(QStringLiteral("empname"), QStringLiteral("王大明")));
    EngineConnection::restProgramConnections();
    const QString role = m_database->value(QStringLiteral("SELECT current_user")).toString();
    ServerLog::asSuperuser(QStringLiteral("ALTER ROLE %1 CONNECTION LIMIT 0").arg(role));

    const Result refused = employee.moveNext();
    ServerLog::asSuperuser(QStringLiteral("ALTER ROLE %1 CONNECTION LIMIT -1").arg(role));
    QVERIFY2(!refused && refused.message().startsWith(kCannotOpen), qPrintable(refused.message()));
    QVERIFY(employee.hasPendingEdits());
    QCOMPARE(employee.currentIndex(), 0);
    VERIFY_OK(employee.moveNext());
    QCOMPARE(m_database->value(QStringLiteral("SELECT empname FROM EMPLOYEE WHERE empno = 'E01'")).toString(),
             QStringLiteral("王大明"));
    QCOMPARE(employee.value(QStringLiteral("empno")).toString(), QStringLiteral("E02"));
}

QTEST_MAIN(ServerConnectionTest)
#include "tst_serverconnection.moc"
