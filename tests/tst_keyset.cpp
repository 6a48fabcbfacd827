#include "data/connection/databaselocation.h"
#include "data/engine.h"
#include "data/records/keyset.h"
#include "data/records/recordsource.h"
#include "support/testdatabase.h"

#include <QRandomGenerator>
#include <QTest>

#include <algorithm>
#include <vector>

/// Checks every index and identity of the keyset against a plain sorted list.
static void compare(const Keyset &keys, const std::vector<qint64> &expected)
{
    QCOMPARE(keys.size(), int(expected.size()));
    for (int i = 0; i < int(expected.size()); ++i) {
        QCOMPARE(keys.at(i), expected.at(i));
        QCOMPARE(keys.indexOf(expected.at(i)), i);
    }
    const qint64 top = expected.empty() ? 2 : expected.back() + 2;
    for (qint64 key = 0; key < top; ++key) {
        const auto bound = std::lower_bound(expected.begin(), expected.end(), key);
        QCOMPARE(keys.lowerBound(key), int(bound - expected.begin()));
        if (bound == expected.end() || *bound != key)
            QCOMPARE(keys.indexOf(key), -1);
    }
}

class KeysetTest : public QObject
{
    Q_OBJECT

private slots:
    void runsFollowRemovesAndInserts_data()
    {
        QTest::addColumn<QList<qint64>>("removedIndexes");
        QTest::addColumn<QList<qint64>>("insertedKeys");
        QTest::addColumn<int>("runs");
        // Ten identities 1..10 in one run, then the removes, then the inserts.
        QTest::newRow("untouched") << QList<qint64>{} << QList<qint64>{} << 1;
        QTest::newRow("first removed") << QList<qint64>{0} << QList<qint64>{} << 1;
        QTest::newRow("last removed") << QList<qint64>{9} << QList<qint64>{} << 1;
        QTest::newRow("middle removed splits") << QList<qint64>{4} << QList<qint64>{} << 2;
        QTest::newRow("every other removed") << QList<qint64>{1, 2, 3, 4, 5} << QList<qint64>{} << 5;
        QTest::newRow("gap filled joins") << QList<qint64>{4} << QList<qint64>{5} << 1;
        QTest::newRow("added after the end") << QList<qint64>{} << QList<qint64>{11, 12} << 1;
        QTest::newRow("added past a gap") << QList<qint64>{} << QList<qint64>{20} << 2;
        QTest::newRow("added before the start") << QList<qint64>{0, 0} << QList<qint64>{2} << 1;
        QTest::newRow("all removed, one back") << QList<qint64>{0, 0, 0, 0, 0, 0, 0, 0, 0, 0} << QList<qint64>{7} << 1;
    }

    void runsFollowRemovesAndInserts()
    {
        QFETCH(QList<qint64>, removedIndexes);
        QFETCH(QList<qint64>, insertedKeys);
        QFETCH(int, runs);
        Keyset keys;
        keys.appendRun(1, 10);
        std::vector<qint64> expected{1, 2, 3, 4, 5, 6, 7, 8, 9, 10};
        for (qint64 index : removedIndexes) {
            keys.removeAt(int(index));
            expected.erase(expected.begin() + index);
        }
        for (qint64 key : insertedKeys) {
            const int index = keys.insert(key);
            const auto place = std::lower_bound(expected.begin(), expected.end(), key);
            QCOMPARE(index, int(place - expected.begin()));
            expected.insert(place, key);
        }
        compare(keys, expected);
        QCOMPARE(keys.runCount(), runs);
    }

    void randomChangesMatchASortedList()
    {
        QRandomGenerator random(13);
        Keyset keys;
        std::vector<qint64> expected;
        for (qint64 key = 1; key <= 300; ++key) {
            if (random.bounded(5) != 0) {
                keys.append(key);
                expected.push_back(key);
            }
        }
        for (int step = 0; step < 400; ++step) {
            if (random.bounded(2) == 0 && !expected.empty()) {
                const int index = int(random.bounded(int(expected.size())));
                keys.removeAt(index);
                expected.erase(expected.begin() + index);
            } else {
                const qint64 key = random.bounded(1, 330);
                if (std::binary_search(expected.begin(), expected.end(), key))
                    continue;
                keys.insert(key);
                expected.insert(std::lower_bound(expected.begin(), expected.end(), key), key);
            }
        }
        compare(keys, expected);
    }

    void copyKeepsItsIdentitiesWhenTheOriginalChanges()
    {
        Keyset keys;
        keys.appendRun(1, 5);
        const Keyset copy = keys;
        keys.removeAt(2);
        keys.insert(9);
        compare(copy, {1, 2, 3, 4, 5});
    }

    void tableKeysAgreeWithTheRowsStored_data()
    {
        QTest::addColumn<QStringList>("statements");
        QTest::addColumn<bool>("startAgain");
        // Twenty materials, identities 1..20, then the statements; "start again" is a program start.
        const bool server = TestDatabase::onServer();
        const QString id = server ? QStringLiteral("vemo_rowid") : QStringLiteral("rowid");
        const auto sql = [&id](const char *statement) { return QString::fromLatin1(statement).arg(id); };
        const QStringList dropTriggers =
            server ? QStringList{"DROP TRIGGER vemo_msf_added ON msf", "DROP TRIGGER vemo_msf_deleted ON msf"}
                   : QStringList{"DROP TRIGGER vemo_MSF_added", "DROP TRIGGER vemo_MSF_deleted"};
        const QString farInsert = server ? QStringLiteral("INSERT INTO msf (vemo_rowid, materielno) OVERRIDING SYSTEM "
                                                          "VALUE VALUES (40, 'far')")
                                         : QStringLiteral("INSERT INTO MSF (rowid, materielno) VALUES (40, 'far')");
        QTest::newRow("untouched") << QStringList{} << false;
        QTest::newRow("middle deleted") << QStringList{sql("DELETE FROM MSF WHERE %1 IN (3, 4, 9)")} << false;
        QTest::newRow("ends deleted") << QStringList{sql("DELETE FROM MSF WHERE %1 IN (1, 20)")} << false;
        QTest::newRow("last deleted, a row added")
            << QStringList{sql("DELETE FROM MSF WHERE %1 = 20"), "INSERT INTO MSF (materielno) VALUES ('again')"} << false;
        QTest::newRow("all deleted") << QStringList{"DELETE FROM MSF"} << false;
        QTest::newRow("all deleted, one added")
            << QStringList{"DELETE FROM MSF", "INSERT INTO MSF (materielno) VALUES ('one')"} << false;
        QTest::newRow("added with a number past a gap") << QStringList{farInsert} << false;
        QTest::newRow("deleted by a program that kept no count")
            << (dropTriggers + QStringList{sql("DELETE FROM MSF WHERE %1 IN (2, 7, 8)")}) << false;
        QTest::newRow("counted again at the next start")
            << (dropTriggers + QStringList{sql("DELETE FROM MSF WHERE %1 IN (2, 7, 8, 20)")}) << true;
        QTest::newRow("more gaps than rows, counted at start")
            << (dropTriggers + QStringList{sql("DELETE FROM MSF WHERE %1 BETWEEN 2 AND 19")}) << true;
        QTest::newRow("count lost") << QStringList{sql("DELETE FROM MSF WHERE %1 = 6"), "DELETE FROM vemo_rowcount"}
                                    << false;
        QTest::newRow("count that disagrees")
            << QStringList{sql("DELETE FROM MSF WHERE %1 = 6"), "UPDATE vemo_rowcount SET rows = rows + 1"} << false;
        if (server) {
            QTest::newRow("emptied at once") << QStringList{"TRUNCATE msf", "INSERT INTO msf (materielno) VALUES ('a')"}
                                             << false;
            QTest::newRow("renumbered") << QStringList{"UPDATE msf SET vemo_rowid = DEFAULT WHERE vemo_rowid = 5"}
                                        << false;
        } else {
            QTest::newRow("renumbered by a compaction")
                << QStringList{"DELETE FROM MSF WHERE rowid = 5", "UPDATE MSF SET rowid = 5 WHERE rowid = 20"} << false;
        }
    }

    void tableKeysAgreeWithTheRowsStored()
    {
        QFETCH(QStringList, statements);
        QFETCH(bool, startAgain);
        TestDatabase database;
        database.insertNumbered(QStringLiteral("MSF"), QStringLiteral("M"), 20);
        for (const QString &sql : std::as_const(statements))
            database.execute(sql);
        if (startAgain) {
            EngineConnection start;
            QVERIFY(start.open(kDatabasePath, EngineConnection::Missing::Create).ok());
        }
        std::vector<qint64> stored;
        for (const QVariantList &row : database.rows(QStringLiteral("SELECT %1 FROM MSF ORDER BY %1").arg(database.rowIdentity())))
            stored.push_back(row.at(0).toLongLong());

        EngineConnection reader;
        QVERIFY(reader.open(kDatabasePath).ok());
        QSqlDatabase connection = reader.database();
        Keyset keys;
        QVERIFY(engine(connection).readKeys(connection, QStringLiteral("MSF"), keys).ok());
        compare(keys, stored);
        // The count kept for the table follows every change, made here or by another connection.
        database.execute(QStringLiteral("INSERT INTO MSF (materielno) VALUES ('later')"));
        database.execute(QStringLiteral("DELETE FROM MSF WHERE %1 = (SELECT min(%1) FROM MSF)").arg(database.rowIdentity()));
        stored.clear();
        for (const QVariantList &row : database.rows(QStringLiteral("SELECT %1 FROM MSF ORDER BY %1").arg(database.rowIdentity())))
            stored.push_back(row.at(0).toLongLong());
        QVERIFY(engine(connection).readKeys(connection, QStringLiteral("MSF"), keys).ok());
        compare(keys, stored);
    }

    void identityGivenAgainIsNotTheRowRead_data()
    {
        QTest::addColumn<QStringList>("statements");
        QTest::newRow("file of this version") << QStringList{};
        QTest::newRow("counted before identities were told apart")
            << QStringList{"DROP TRIGGER vemo_MSF_added",
                           "CREATE TRIGGER vemo_MSF_added AFTER INSERT ON MSF BEGIN UPDATE vemo_rowcount SET rows = "
                           "rows + 1 WHERE tablename = 'MSF'; DELETE FROM vemo_deletedrow WHERE tablename = 'MSF' "
                           "AND id = NEW.rowid; END"};
        QTest::newRow("never counted") << QStringList{"DROP TRIGGER vemo_MSF_added", "DROP TRIGGER vemo_MSF_deleted"};
    }

    void identityGivenAgainIsNotTheRowRead()
    {
        QFETCH(QStringList, statements);
        if (TestDatabase::onServer())
            QSKIP("The server never gives a deleted row's identity again.");
        TestDatabase database;
        database.insertNumbered(QStringLiteral("MSF"), QStringLiteral("M"), 20);
        for (const QString &sql : std::as_const(statements))
            database.execute(sql);
        EngineConnection start;
        QVERIFY(start.open(kDatabasePath, EngineConnection::Missing::Create).ok());
        RecordSource source(QStringLiteral("Data1"));
        QVERIFY(source.open(kDatabasePath, QStringLiteral("MSF")).ok());
        QVERIFY(source.moveLast().ok());
        database.execute(QStringLiteral("DELETE FROM MSF WHERE rowid = 20"));
        database.execute(QStringLiteral("INSERT INTO MSF (materielno) VALUES ('again')"));
        QCOMPARE(database.value(QStringLiteral("SELECT rowid FROM MSF WHERE materielno = 'again'")).toInt(), 20);

        QVERIFY(source.setValue(QStringLiteral("materiel"), QStringLiteral("edited")));
        const Result written = source.writePendingEdits();
        QVERIFY2(written.message().contains(QStringLiteral("已經被刪除")), qPrintable(written.message()));
        const Result deleted = source.deleteCurrent();
        QVERIFY2(deleted.message().contains(QStringLiteral("已經被刪除")), qPrintable(deleted.message()));
        QCOMPARE(database.rows(QStringLiteral("SELECT materielno, materiel IS NULL FROM MSF WHERE rowid = 20")),
                 (QVector<QVariantList>{{"again", 1}}));
    }
};

QTEST_GUILESS_MAIN(KeysetTest)
#include "tst_keyset.moc"
