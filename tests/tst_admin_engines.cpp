#include "data/records/document.h"
#include "data/connection/engineconnection.h"
#include "support/serverschema.h"
#include "support/toolrun.h"

#include <QDate>
#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

// The same commands on a file and on a server give the same output.

using Steps = QVector<QStringList>;

class AdminEnginesTest : public QObject
{
    Q_OBJECT

private slots:
    void sameOutputOnBothEngines_data();
    void sameOutputOnBothEngines();
    void exportCarriesTheStoredText_data();
    void exportCarriesTheStoredText();
    void exportWritesEveryDocumentByte_data();
    void exportWritesEveryDocumentByte();
};

namespace {

// A step that changes a stock, as a lending does, instead of running the tool.
const QString kLendOne = QStringLiteral("lend one");

struct Outcome
{
    int exitCode = -1;
    QString out;
    bool operator==(const Outcome &other) const { return exitCode == other.exitCode && out == other.out; }
};

char *toString(const Outcome &outcome)
{
    return QTest::toString(QStringLiteral("exit %1:\n%2").arg(QString::number(outcome.exitCode), outcome.out));
}

void fill(EngineConnection &connection)
{
    const QString soon = QDate::currentDate().addDays(3).toString(QStringLiteral("yyyy/M/d"));
    const QStringList statements{
        QStringLiteral("INSERT INTO SUPPLIER (supplierno, supplier, phoneno) VALUES ('S1', '大同五金', '02-2345-6789')"),
        QStringLiteral("INSERT INTO MSF (materielno, materiel, inventory, safestock, supplierno) VALUES ('M1', '螺絲', 3, '5', 's1')"),
        QStringLiteral("INSERT INTO MSF (materielno, materiel, inventory, safestock) VALUES ('M2', '墊片', 9, '十個')"),
        QStringLiteral("INSERT INTO CC (contractno, contractname, enddate) VALUES ('K1', '保養合約', '%1')").arg(soon),
        QStringLiteral("INSERT INTO CC (contractno, contractname, enddate) VALUES ('K2', '年約', '待定')"),
        QStringLiteral("INSERT INTO CF (customerno, companyname) VALUES ('C1', 'a,\"b\"')"),
    };
    for (const QString &statement : statements)
        QVERIFY2(connection.execute(statement).ok(), qPrintable(statement));
}

/// Each step's exit status and output; the ledger's times, which differ from run to run, are left out.
QVector<Outcome> runSteps(const QString &database, const Steps &steps)
{
    EngineConnection connection;
    if (!connection.open(database, EngineConnection::Missing::Create).ok())
        return {};
    fill(connection);
    // Files a step writes, named in the steps by their placeholders, new for each database.
    QTemporaryDir written;
    QVector<Outcome> outcomes;
    for (QStringList step : steps) {
        step.replaceInStrings(QStringLiteral("{backup}"), written.filePath(QStringLiteral("backup.sqlite")));
        step.replaceInStrings(QStringLiteral("{copy}"), written.filePath(QStringLiteral("copy.sqlite")));
        if (step == QStringList{kLendOne}) {
            const Result lent = connection.execute(QStringLiteral("UPDATE MSF SET inventory = inventory - 1 WHERE materielno = 'M1'"));
            outcomes << Outcome{lent.ok() ? 0 : 1, QString()};
            continue;
        }
        // A step may name the database it reads, such as a backup just written.
        const QStringList where = step.constFirst() == QLatin1String("--database")
                                      ? QStringList{}
                                      : QStringList{QStringLiteral("--database"), database};
        const ToolRun run = runTool(QStringList{QStringLiteral("--quiet")} + where + step);
        QString out = run.out;
        if (step.constFirst() == QLatin1String("ledger") || step.contains(QLatin1String("STOCKLEDGER")))
            out.replace(QRegularExpression(QStringLiteral("^[0-9-]+ [0-9:.]+,"), QRegularExpression::MultilineOption), QString());
        outcomes << Outcome{run.exitCode, out};
    }
    return outcomes;
}

ToolRun exportOf(const QString &database, const QString &table)
{
    return runTool({QStringLiteral("--quiet"), QStringLiteral("--database"), database, QStringLiteral("export"), table});
}

/// A file in the folder, and a schema on the test server when there is one and the case holds there.
QStringList testDatabases(const QTemporaryDir &folder, bool onServer, std::unique_ptr<ServerSchema> &server)
{
    QStringList databases{folder.filePath(QStringLiteral("vemo.sqlite"))};
    if (onServer && !qEnvironmentVariableIsEmpty("VEMO_TEST_POSTGRES")) {
        server = std::make_unique<ServerSchema>();
        databases << server->address();
    }
    return databases;
}

} // namespace

void AdminEnginesTest::sameOutputOnBothEngines_data()
{
    QTest::addColumn<Steps>("steps");

    QTest::newRow("export") << Steps{{"export", "CF"}, {"export", "msf"}, {"export", "CC", "--bom"}};
    QTest::newRow("low stock") << Steps{{"report", "low-stock"}, {"report", "low-stock", "--csv"}};
    QTest::newRow("contracts") << Steps{{"report", "contracts", "--days", "30"}, {"report", "contracts", "--days", "0", "--csv"}};
    QTest::newRow("check") << Steps{{"check"}};
    QTest::newRow("ledger") << Steps{{"ledger", "--enable"}, {kLendOne}, {kLendOne}, {"ledger", "--csv"},
                                     {"ledger", "m1", "--csv"}, {"export", "STOCKLEDGER"}};
    QTest::newRow("backup read back") << Steps{{"backup", "{backup}"}, {"--database", "{backup}", "export", "CF"},
                                               {"--database", "{backup}", "check"}};
    QTest::newRow("copy to a file read back") << Steps{{"copy", "--to", "{copy}"}, {"--database", "{copy}", "export", "MSF"},
                                                       {"--database", "{copy}", "report", "low-stock"}};
    QTest::newRow("ledger kept from the start") << Steps{{kLendOne}, {"ledger", "m1", "--csv"}};
}

void AdminEnginesTest::sameOutputOnBothEngines()
{
    QFETCH(Steps, steps);
    if (qEnvironmentVariableIsEmpty("VEMO_TEST_POSTGRES"))
        QSKIP("no test server: run the test under scripts/with-postgres");
    QTemporaryDir folder;
    qputenv("VEMO_HOME", folder.path().toUtf8());
    const ServerSchema server;
    const QVector<Outcome> onFile = runSteps(folder.filePath(QStringLiteral("vemo.sqlite")), steps);
    const QVector<Outcome> onServer = runSteps(server.address(), steps);
    QCOMPARE(onFile.size(), steps.size());
    QCOMPARE(onServer.size(), steps.size());
    for (int i = 0; i < steps.size(); ++i) {
        QVERIFY2(onFile.at(i).exitCode == 0, qPrintable(steps.at(i).join(' ')));
        QCOMPARE(onServer.at(i), onFile.at(i));
    }
}

void AdminEnginesTest::exportCarriesTheStoredText_data()
{
    QTest::addColumn<QVariant>("stored");
    QTest::addColumn<bool>("serverHoldsIt");
    QTest::addColumn<QByteArray>("field");
    QTest::addColumn<QString>("refusal");

    QTest::newRow("plain") << QVariant(QStringLiteral("大同五金")) << true << QByteArray("大同五金") << QString();
    QTest::newRow("quotes and commas") << QVariant(QStringLiteral("a,\"b\"")) << true << QByteArray("\"a,\"\"b\"\"\"") << QString();
    QTest::newRow("line breaks") << QVariant(QStringLiteral("一\r\n二\n三\r")) << true << QByteArray("\"一\r\n二\n三\r\"")
                                 << QString();
    QTest::newRow("spaces around") << QVariant(QStringLiteral("  前後 ")) << true << QByteArray("  前後 ") << QString();
    QTest::newRow("backslashes and tabs") << QVariant(QStringLiteral("\\x4142\t\\N\\")) << true
                                          << QByteArray("\\x4142\t\\N\\") << QString();
    QTest::newRow("a NUL") << QVariant(QStringLiteral("a") + QChar(0) + QStringLiteral("b")) << false << QByteArray()
                           << QStringLiteral("資料表 CF 第 1 筆資料的欄位 companyname 含有 NUL 字元,無法匯出。");
    QTest::newRow("invalid UTF-8") << QVariant(QByteArray("A\xC3(")) << false << QByteArray()
                                   << QStringLiteral("資料表 CF 第 1 筆資料的欄位 companyname 不是有效的 UTF-8 文字,無法匯出。");
}

void AdminEnginesTest::exportCarriesTheStoredText()
{
    QFETCH(QVariant, stored);
    QFETCH(bool, serverHoldsIt);
    QFETCH(QByteArray, field);
    QFETCH(QString, refusal);
    QTemporaryDir folder;
    qputenv("VEMO_HOME", folder.path().toUtf8());
    std::unique_ptr<ServerSchema> server;
    for (const QString &database : testDatabases(folder, serverHoldsIt, server)) {
        EngineConnection connection;
        QVERIFY(connection.open(database, EngineConnection::Missing::Create).ok());
        QVERIFY(connection.execute(QStringLiteral("INSERT INTO CF (customerno, companyname) VALUES ('C1', ?)"), {stored}).ok());
        const ToolRun run = exportOf(database, QStringLiteral("CF"));
        if (refusal.isEmpty()) {
            QVERIFY2(run.exitCode == 0, qPrintable(run.err));
            QCOMPARE(run.outBytes.mid(run.outBytes.indexOf("\r\n") + 2), "C1," + field + ",,,,,,,\r\n");
        } else {
            QCOMPARE(run.exitCode, 1);
            QVERIFY2(run.err.contains(refusal), qPrintable(run.err));
            QVERIFY(run.outBytes.isEmpty());
        }
    }
}

void AdminEnginesTest::exportWritesEveryDocumentByte_data()
{
    QTest::addColumn<QByteArray>("bytes");

    QByteArray everyByte;
    for (int byte = 0; byte < 256; ++byte)
        everyByte += char(byte);
    QTest::newRow("every byte") << everyByte;
    QTest::newRow("escapes of the server's text format") << QByteArray("\\x41\t\\N\n\\\\");
}

void AdminEnginesTest::exportWritesEveryDocumentByte()
{
    QFETCH(QByteArray, bytes);
    QTemporaryDir folder;
    qputenv("VEMO_HOME", folder.path().toUtf8());
    std::unique_ptr<ServerSchema> server;
    for (const QString &database : testDatabases(folder, true, server)) {
        EngineConnection connection;
        QVERIFY(connection.open(database, EngineConnection::Missing::Create).ok());
        const QVariant stored = Document::embedded(QStringLiteral("圖.bin"), bytes).toStored();
        QVERIFY(connection.execute(QStringLiteral("INSERT INTO EMPLOYEE (empno, picture) VALUES ('E1', ?)"), {stored}).ok());
        const QString documents = folder.filePath(QStringLiteral("docs-%1").arg(qHash(database)));
        const ToolRun run = runTool({QStringLiteral("--quiet"), QStringLiteral("--database"), database, QStringLiteral("export"),
                                     QStringLiteral("EMPLOYEE"), QStringLiteral("--documents"), documents});
        QCOMPARE(run.exitCode, 0);
        QVERIFY(run.outBytes.endsWith(",圖.bin\r\n"));
        QFile saved(documents + QStringLiteral("/圖.bin"));
        QVERIFY(saved.open(QIODevice::ReadOnly));
        QCOMPARE(saved.readAll(), bytes);
    }
}

QTEST_GUILESS_MAIN(AdminEnginesTest)
#include "tst_admin_engines.moc"
