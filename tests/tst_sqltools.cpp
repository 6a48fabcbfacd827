#include "data/connection/databaselocation.h"
#include "data/connection/engineconnection.h"
#include "data/tables/databasecheck.h"
#include "support/testdatabase.h"

#include <QTest>

#include <memory>

/// What an office's own reports, written in another SQL tool, get from
/// vemo's tables: text compared without regard to case, as the screens do.
class SqlToolsTest : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void plainStatementsOverTextColumns_data();
    void plainStatementsOverTextColumns();
    void olderServerDatabaseIsBroughtOverAtItsNextStart();

private:
    QStringList firstColumn(const QString &sql);

    std::unique_ptr<TestDatabase> m_database;
};

void SqlToolsTest::init()
{
    m_database = std::make_unique<TestDatabase>();
    m_database->insert(QStringLiteral("CF"), {"C1", "Acme"});
    m_database->insert(QStringLiteral("CF"), {"c2", "beta"});
    m_database->insert(QStringLiteral("CF"), {"C3", "ALPHA"});
    m_database->insert(QStringLiteral("CSF"), {"S1", "c1", "amy"});
    m_database->insert(QStringLiteral("CSF"), {"S2", "C2", "bob"});
}

void SqlToolsTest::cleanup()
{
    m_database.reset();
}

QStringList SqlToolsTest::firstColumn(const QString &sql)
{
    QStringList values;
    for (const QVariantList &row : m_database->rows(sql))
        values << row.value(0).toString();
    return values;
}

void SqlToolsTest::plainStatementsOverTextColumns_data()
{
    QTest::addColumn<QString>("sql");
    QTest::addColumn<QStringList>("expected");
    QTest::newRow("LIKE") << "SELECT companyname FROM CF WHERE companyname LIKE 'a%' ORDER BY customerno"
                          << QStringList{"Acme", "ALPHA"};
    QTest::newRow("equals in other case") << "SELECT companyname FROM CF WHERE customerno = 'C2'" << QStringList{"beta"};
    QTest::newRow("ORDER BY") << "SELECT companyname FROM CF ORDER BY companyname"
                              << QStringList{"Acme", "ALPHA", "beta"};
    QTest::newRow("join on a code") << "SELECT CF.companyname FROM CSF JOIN CF ON CSF.customerno = CF.customerno "
                                       "ORDER BY CSF.serviceno"
                                    << QStringList{"Acme", "beta"};
    QTest::newRow("GROUP BY") << "SELECT lower(c.customerno) FROM CSF s JOIN CF c ON s.customerno = c.customerno "
                                 "GROUP BY c.customerno ORDER BY c.customerno"
                              << QStringList{"c1", "c2"};
    if (TestDatabase::onServer())
        QTest::newRow("ILIKE") << "SELECT companyname FROM CF WHERE companyname ILIKE '%L%' ORDER BY customerno"
                               << QStringList{"ALPHA"};
}

void SqlToolsTest::plainStatementsOverTextColumns()
{
    QFETCH(QString, sql);
    QFETCH(QStringList, expected);
    QCOMPARE(firstColumn(sql), expected);
}

void SqlToolsTest::olderServerDatabaseIsBroughtOverAtItsNextStart()
{
    if (!TestDatabase::onServer())
        QSKIP("a file's columns never had a collation that LIKE refuses");
    // The way an older vemo made the columns: a collation that ignores case and that LIKE refuses.
    m_database->execute(QStringLiteral("CREATE COLLATION vemo_nocase (provider = icu, locale = 'und-u-ks-level2', "
                                       "deterministic = false)"));
    m_database->execute(QStringLiteral("ALTER TABLE cf ALTER COLUMN customerno TYPE text COLLATE vemo_nocase, "
                                       "ALTER COLUMN companyname TYPE text COLLATE vemo_nocase"));
    const QVector<QVariantList> before = m_database->tableRows(QStringLiteral("CF"));
    EngineConnection reading;
    VERIFY_OK(reading.openForReading(kDatabasePath));
    QSqlDatabase database = reading.database();
    QCOMPARE(databaseProblems(database).filter(QStringLiteral("CF")).size(), 2);

    EngineConnection program;
    VERIFY_OK(program.open(kDatabasePath, EngineConnection::Missing::Create));

    QCOMPARE(databaseProblems(database), QStringList());
    QCOMPARE(m_database->tableRows(QStringLiteral("CF")), before);
    QCOMPARE(firstColumn(QStringLiteral("SELECT customerno FROM CF WHERE companyname LIKE 'A%' AND customerno = 'c3'")),
             QStringList{"C3"});
}

QTEST_GUILESS_MAIN(SqlToolsTest)
#include "tst_sqltools.moc"
