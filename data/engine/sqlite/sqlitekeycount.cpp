#include "data/engine/sqlite/sqlitekeycount.h"

#include "data/engine.h"
#include "data/enginetext.h"
#include "data/records/keyset.h"
#include "data/schema.h"
#include "data/tables/transaction.h"

#include <QHash>
#include <QSqlError>
#include <QSqlQuery>
#include <QStringList>

namespace {

const QString kCountTable = QStringLiteral("vemo_rowcount");
const QString kDeletedTable = QStringLiteral("vemo_deletedrow");
const QString kReusedTable = QStringLiteral("vemo_reusedrow");

QString insertTrigger(const QString &table)
{
    return QStringLiteral("vemo_%1_added").arg(table);
}

QString deleteTrigger(const QString &table)
{
    return QStringLiteral("vemo_%1_deleted").arg(table);
}

Result failure(const QSqlQuery &query, const QString &sql)
{
    return Result::failure(engineText(query.lastError()), sql);
}

Result exec(QSqlQuery &query, const QString &sql)
{
    return query.exec(sql) ? Result::success() : failure(query, sql);
}

/// The file's triggers by lower-case name, each with its statement.
using Triggers = QHash<QString, QString>;

Result readTriggers(QSqlDatabase &database, Triggers &triggers)
{
    const QString sql = QStringLiteral("SELECT name, sql FROM sqlite_master WHERE type = 'trigger'");
    QSqlQuery query(database);
    query.setForwardOnly(true);
    if (!query.exec(sql))
        return failure(query, sql);
    triggers.clear();
    while (query.next())
        triggers.insert(query.value(0).toString().toLower(), query.value(1).toString());
    return Result::success();
}

bool isCounted(const Triggers &triggers, const QString &table)
{
    return triggers.contains(insertTrigger(table).toLower()) && triggers.contains(deleteTrigger(table).toLower());
}

/// Files counted before identities were told apart keep an insert trigger that forgets a deleted identity reused.
bool keepsGenerations(const Triggers &triggers, const QString &table)
{
    return isCounted(triggers, table) && triggers.value(insertTrigger(table).toLower()).contains(kReusedTable);
}

QStringList tablesLackingCounts(const Triggers &triggers)
{
    QStringList tables;
    for (const TableDefinition &table : schemaTables()) {
        if (!keepsGenerations(triggers, table.name))
            tables << table.name;
    }
    return tables;
}

/// Counts a row added; an identity given again after its row was deleted starts a new generation of it.
QString insertTriggerSql(const QString &table)
{
    const QString name = QStringLiteral("'%1'").arg(table);
    return QStringLiteral("CREATE TRIGGER %1 AFTER INSERT ON %2 BEGIN "
                          "UPDATE %3 SET rows = rows + 1 WHERE tablename = %4; "
                          "INSERT OR REPLACE INTO %6 SELECT tablename, id, 1 + coalesce((SELECT generation FROM %6 "
                          "WHERE tablename = %4 AND id = NEW.rowid), 0) FROM %5 WHERE tablename = %4 AND id = NEW.rowid; "
                          "DELETE FROM %5 WHERE tablename = %4 AND id = NEW.rowid; END")
        .arg(sqliteEngine().quotedName(insertTrigger(table)), sqliteEngine().quotedName(table), kCountTable, name,
             kDeletedTable, kReusedTable);
}

/// Records the identities missing between the smallest and the largest, unless
/// they outnumber the rows: such a table is read one identity at a time anyway.
Result recordGaps(QSqlDatabase &database, const QString &table)
{
    QSqlQuery query(database);
    const QString quoted = sqliteEngine().quotedName(table);
    const QString boundsSql = QStringLiteral("SELECT (SELECT count(*) FROM %1), (SELECT min(rowid) FROM %1), "
                                             "(SELECT max(rowid) FROM %1)")
                                  .arg(quoted);
    if (!query.exec(boundsSql) || !query.next())
        return failure(query, boundsSql);
    const qint64 count = query.value(0).toLongLong();
    const qint64 missing = query.value(2).toLongLong() - query.value(1).toLongLong() + 1 - count;
    query.finish();
    if (count == 0 || missing == 0 || missing > count)
        return Result::success();
    QSqlQuery keys(database);
    keys.setForwardOnly(true);
    const QString keysSql = QStringLiteral("SELECT rowid FROM %1 ORDER BY rowid").arg(quoted);
    if (!keys.exec(keysSql) || !keys.next())
        return failure(keys, keysSql);
    const QString insertSql = QStringLiteral("INSERT INTO %1 VALUES (?, ?)").arg(kDeletedTable);
    if (!query.prepare(insertSql))
        return failure(query, insertSql);
    for (qint64 previous = keys.value(0).toLongLong(); keys.next(); previous = keys.value(0).toLongLong()) {
        for (qint64 gap = previous + 1; gap < keys.value(0).toLongLong(); ++gap) {
            query.addBindValue(table);
            query.addBindValue(gap);
            if (!query.exec())
                return failure(query, insertSql);
        }
    }
    return Result::success();
}

Result countTable(QSqlDatabase &database, const QString &table)
{
    QSqlQuery query(database);
    const QString quoted = sqliteEngine().quotedName(table);
    const QString name = QStringLiteral("'%1'").arg(table);
    const QStringList statements{
        QStringLiteral("DELETE FROM %1 WHERE tablename = %2").arg(kDeletedTable, name),
        QStringLiteral("INSERT OR REPLACE INTO %1 VALUES (%2, (SELECT count(*) FROM %3))").arg(kCountTable, name, quoted),
        QStringLiteral("DROP TRIGGER IF EXISTS %1").arg(sqliteEngine().quotedName(insertTrigger(table))),
        insertTriggerSql(table),
        QStringLiteral("CREATE TRIGGER IF NOT EXISTS %1 AFTER DELETE ON %2 BEGIN "
                       "UPDATE %3 SET rows = rows - 1 WHERE tablename = %4; "
                       "INSERT OR IGNORE INTO %5 VALUES (%4, OLD.rowid); END")
            .arg(sqliteEngine().quotedName(deleteTrigger(table)), quoted, kCountTable, name, kDeletedTable),
    };
    for (const QString &sql : statements) {
        if (Result done = exec(query, sql); !done)
            return done;
    }
    return recordGaps(database, table);
}

/// A counted table's count and deleted identities stay: only its insert trigger is made anew.
Result keepGenerations(QSqlDatabase &database, const QString &table)
{
    QSqlQuery query(database);
    if (Result dropped = exec(query, QStringLiteral("DROP TRIGGER %1").arg(sqliteEngine().quotedName(insertTrigger(table))));
        !dropped)
        return dropped;
    return exec(query, insertTriggerSql(table));
}

Result countTables(QSqlDatabase &database)
{
    QSqlQuery query(database);
    const QStringList statements{
        QStringLiteral("CREATE TABLE IF NOT EXISTS %1 (tablename TEXT PRIMARY KEY, rows INTEGER NOT NULL) WITHOUT ROWID")
            .arg(kCountTable),
        QStringLiteral("CREATE TABLE IF NOT EXISTS %1 (tablename TEXT, id INTEGER, PRIMARY KEY (tablename, id)) "
                       "WITHOUT ROWID")
            .arg(kDeletedTable),
        QStringLiteral("CREATE TABLE IF NOT EXISTS %1 (tablename TEXT, id INTEGER, generation INTEGER NOT NULL, "
                       "PRIMARY KEY (tablename, id)) WITHOUT ROWID")
            .arg(kReusedTable),
    };
    for (const QString &sql : statements) {
        if (Result done = exec(query, sql); !done)
            return done;
    }
    // Read again under the write lock: another program may have counted meanwhile.
    Triggers triggers;
    if (Result read = readTriggers(database, triggers); !read)
        return read;
    for (const QString &table : tablesLackingCounts(triggers)) {
        const Result counted = isCounted(triggers, table) ? keepGenerations(database, table) : countTable(database, table);
        if (!counted)
            return counted;
    }
    return Result::success();
}

Result readKeysOneByOne(QSqlQuery &query, const QString &table, Keyset &keys)
{
    const QString sql = QStringLiteral("SELECT rowid FROM %1 ORDER BY rowid").arg(sqliteEngine().quotedName(table));
    if (!query.exec(sql))
        return failure(query, sql);
    while (query.next())
        keys.append(query.value(0).toLongLong());
    return Result::success();
}

/// The deleted identities between first and last, ascending.
Result readGaps(QSqlQuery &query, const QString &table, qint64 first, qint64 last, QList<qint64> &gaps)
{
    const QString sql =
        QStringLiteral("SELECT id FROM %1 WHERE tablename = ? AND id BETWEEN ? AND ? ORDER BY id").arg(kDeletedTable);
    if (!query.prepare(sql))
        return failure(query, sql);
    query.addBindValue(table);
    query.addBindValue(first);
    query.addBindValue(last);
    if (!query.exec())
        return failure(query, sql);
    while (query.next())
        gaps << query.value(0).toLongLong();
    return Result::success();
}

Result readKeysInSnapshot(QSqlDatabase &database, const QString &table, Keyset &keys)
{
    Triggers triggers;
    if (Result read = readTriggers(database, triggers); !read)
        return read;
    const bool counted = isCounted(triggers, table);
    const QString quoted = sqliteEngine().quotedName(table);
    // Without a kept count, counting reads the b-tree's page headers, not its rows.
    const QString rows = counted ? QStringLiteral("(SELECT rows FROM %1 WHERE tablename = ?)").arg(kCountTable)
                                 : QStringLiteral("(SELECT count(*) FROM %1)").arg(quoted);
    const QString boundsSql =
        QStringLiteral("SELECT %1, (SELECT min(rowid) FROM %2), (SELECT max(rowid) FROM %2)").arg(rows, quoted);
    QSqlQuery query(database);
    query.setForwardOnly(true);
    if (!query.prepare(boundsSql))
        return failure(query, boundsSql);
    if (counted)
        query.addBindValue(table);
    if (!query.exec() || !query.next())
        return failure(query, boundsSql);
    const QVariant count = query.value(0);
    const QVariant smallest = query.value(1);
    qint64 first = smallest.toLongLong();
    const qint64 last = query.value(2).toLongLong();
    query.finish();
    if (smallest.isNull())
        return Result::success();
    if (count.isNull())
        return readKeysOneByOne(query, table, keys);
    QList<qint64> gaps;
    // The gaps are read even when the count fills the span: a count too high would hide them.
    if (counted) {
        if (Result read = readGaps(query, table, first, last, gaps); !read)
            return read;
    }
    if (last - first + 1 - gaps.size() == count.toLongLong()) {
        for (qint64 gap : std::as_const(gaps)) {
            keys.appendRun(first, gap - first);
            first = gap + 1;
        }
        keys.appendRun(first, last - first + 1);
        return Result::success();
    }
    return readKeysOneByOne(query, table, keys);
}

} // namespace

Result addKeyCounts(QSqlDatabase &database)
{
    Triggers triggers;
    if (Result read = readTriggers(database, triggers); !read)
        return read;
    if (tablesLackingCounts(triggers).isEmpty())
        return Result::success();
    Transaction transaction(database);
    if (Result begun = transaction.begin(Transaction::Kind::Writing); !begun)
        return begun;
    return transaction.end(countTables(database));
}

Result readCountedKeys(QSqlDatabase &database, const QString &table, Keyset &keys)
{
    Transaction transaction(database);
    if (Result begun = transaction.begin(Transaction::Kind::Snapshot); !begun)
        return begun;
    Keyset read;
    const Result result = transaction.end(readKeysInSnapshot(database, table, read));
    if (result)
        keys = read;
    return result;
}

QString keptRowCountsStatement()
{
    return QStringLiteral("SELECT tablename, rows FROM %1").arg(kCountTable);
}

QStringList keyCountTables()
{
    return {kCountTable, kDeletedTable, kReusedTable};
}

Result rowGeneration(QSqlDatabase &database, const QString &table, QString &expression)
{
    Triggers triggers;
    if (Result read = readTriggers(database, triggers); !read)
        return read;
    expression = QStringLiteral("0");
    if (keepsGenerations(triggers, table))
        expression = QStringLiteral("coalesce((SELECT generation FROM %1 WHERE tablename = '%2' AND id = %3.rowid), 0)")
                         .arg(kReusedTable, table, sqliteEngine().quotedName(table));
    return Result::success();
}
