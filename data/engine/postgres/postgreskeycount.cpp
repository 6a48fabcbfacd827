#include "data/engine/postgres/postgreskeycount.h"

#include "data/engine.h"
#include "data/enginetext.h"
#include "data/records/keyset.h"
#include "data/schema.h"
#include "data/tables/transaction.h"

#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>

namespace {

const QString kCountTable = QStringLiteral("vemo_rowcount");
const QString kDeletedTable = QStringLiteral("vemo_deletedrow");
// Runs of row identities fetched from the server at a time.
constexpr int kKeyPageRuns = 10000;

const QStringList &triggerKinds()
{
    static const QStringList kinds{QStringLiteral("added"), QStringLiteral("deleted"), QStringLiteral("emptied")};
    return kinds;
}

QString triggerName(const QString &table, const QString &kind)
{
    return QStringLiteral("vemo_%1_%2").arg(table.toLower(), kind);
}

QString quoted(const QString &name)
{
    return postgresEngine().quotedName(name);
}

QString literal(const QString &text)
{
    return QLatin1Char('\'') + QString(text).replace(QLatin1Char('\''), QStringLiteral("''")) + QLatin1Char('\'');
}

Result failure(const QSqlQuery &query, const QString &sql)
{
    return Result::failure(engineText(query.lastError()), sql);
}

QString triggerFunctionSql(const QString &kind, const QString &body)
{
    return QStringLiteral("CREATE OR REPLACE FUNCTION vemo_rows_%1() RETURNS trigger LANGUAGE plpgsql AS $body$ "
                          "BEGIN %2 RETURN NULL; END $body$")
        .arg(kind, body);
}

/// The runs of identities read from the rows themselves, through a cursor a
/// page at a time, so a table riddled with gaps never arrives as one result.
Result readRuns(QSqlQuery &query, const QString &table, Keyset &keys)
{
    const QString declare = QStringLiteral("DECLARE vemo_keys NO SCROLL CURSOR FOR SELECT min(id), count(*) FROM "
                                           "(SELECT vemo_rowid AS id, vemo_rowid - row_number() OVER (ORDER BY "
                                           "vemo_rowid) AS run FROM %1) AS numbered GROUP BY run ORDER BY 1")
                                .arg(quoted(table));
    if (!query.exec(declare))
        return failure(query, declare);
    const QString fetch = QStringLiteral("FETCH FORWARD %1 FROM vemo_keys").arg(kKeyPageRuns);
    for (int fetched = kKeyPageRuns; fetched == kKeyPageRuns;) {
        if (!query.exec(fetch))
            return failure(query, fetch);
        for (fetched = 0; query.next(); ++fetched)
            keys.appendRun(query.value(0).toLongLong(), query.value(1).toLongLong());
    }
    return Result::success();
}

/// A key column's expression, read with the first row only: the rows read ahead repeat nothing.
QString onFirstRowOnly(const QString &expression)
{
    return QStringLiteral("CASE WHEN vemo_ahead.vemo_n IS NULL OR vemo_ahead.vemo_n = 1 THEN %1 END").arg(expression);
}

/// The columns of the rows read ahead, the first row's own last.
QString aheadColumns(const QString &rowColumns, const QStringList &firstRowOnly)
{
    QStringList columns{rowColumns};
    for (const QString &column : firstRowOnly)
        columns << QStringLiteral("CASE WHEN vemo_rowid = bounds.vemo_first THEN %1 END").arg(column);
    return columns.join(QStringLiteral(", "));
}

/// The kept count, the smallest and largest identity and the deleted identities between them, read by
/// one statement and so from one state of the table; then the row columns of the first rows, if any.
QString keptKeysSql(const QString &table, const QString &rowColumns, const QStringList &firstRowOnly, int rows)
{
    // The count is trusted only while all three triggers keep it.
    const QString count = QStringLiteral("CASE WHEN (SELECT count(*) FROM pg_trigger WHERE tgrelid = to_regclass(%1) "
                                         "AND tgname IN (%2) AND tgenabled <> 'D') = %3 THEN "
                                         "(SELECT rows FROM %4 WHERE tablename = %5) END")
                              .arg(literal(quoted(table)),
                                   QStringList{literal(triggerName(table, triggerKinds().at(0))),
                                               literal(triggerName(table, triggerKinds().at(1))),
                                               literal(triggerName(table, triggerKinds().at(2)))}
                                       .join(QStringLiteral(", ")))
                              .arg(triggerKinds().size())
                              .arg(kCountTable, literal(table.toLower()));
    const QString gaps = QStringLiteral("(SELECT string_agg(id::text, ',' ORDER BY id) FROM %1 WHERE tablename = %2 "
                                        "AND id BETWEEN bounds.vemo_first AND bounds.vemo_last)")
                             .arg(kDeletedTable, literal(table.toLower()));
    const QString bounds =
        QStringLiteral("(SELECT min(vemo_rowid) AS vemo_first, max(vemo_rowid) AS vemo_last FROM %1) AS bounds")
            .arg(quoted(table));
    if (rowColumns.isEmpty() || rows < 1)
        return QStringLiteral("SELECT %1, bounds.vemo_first, bounds.vemo_last, %2 FROM %3").arg(count, gaps, bounds);
    return QStringLiteral("SELECT %1, bounds.vemo_first, bounds.vemo_last, %2, vemo_ahead.* FROM %3 "
                          "LEFT JOIN LATERAL (SELECT %4, row_number() OVER (ORDER BY vemo_rowid) AS vemo_n FROM %5 "
                          "WHERE vemo_rowid >= bounds.vemo_first ORDER BY vemo_rowid LIMIT %6) AS vemo_ahead ON true "
                          "ORDER BY vemo_ahead.vemo_n")
        .arg(onFirstRowOnly(count), onFirstRowOnly(gaps), bounds, aheadColumns(rowColumns, firstRowOnly), quoted(table))
        .arg(rows);
}

/// Reads the identities from the kept count; false in kept when the count cannot be trusted.
Result readKeptKeys(QSqlQuery &query, const QString &table, const QString &rowColumns, const QStringList &firstRowOnly,
                    int rows, Keyset &keys, QVector<QVector<QVariant>> &firstRows, bool &kept)
{
    const QString sql = keptKeysSql(table, rowColumns, firstRowOnly, rows);
    if (!query.exec(sql) || !query.next())
        return failure(query, sql);
    constexpr int kKeyColumns = 4;
    const QVariant count = query.value(0);
    const QVariant smallest = query.value(1);
    qint64 first = smallest.toLongLong();
    const qint64 last = query.value(2).toLongLong();
    const QStringList gaps = query.value(3).toString().split(QLatin1Char(','), Qt::SkipEmptyParts);
    firstRows.clear();
    // The row's number closes each row read ahead and is not one of its columns.
    const int rowEnd = query.record().count() - 1;
    if (!rowColumns.isEmpty() && !smallest.isNull()) {
        do {
            QVector<QVariant> row;
            for (int column = kKeyColumns; column < rowEnd; ++column)
                row << query.value(column);
            firstRows << row;
        } while (query.next());
    }
    query.finish();
    kept = true;
    if (smallest.isNull())
        return Result::success();
    // The gaps are read even when the count fills the span: a count too high would hide them.
    kept = !count.isNull() && last - first + 1 - gaps.size() == count.toLongLong();
    if (!kept) {
        firstRows.clear();
        return Result::success();
    }
    for (const QString &gap : gaps) {
        const qint64 deleted = gap.toLongLong();
        keys.appendRun(first, deleted - first);
        first = deleted + 1;
    }
    keys.appendRun(first, last - first + 1);
    return Result::success();
}

} // namespace

QString serverTriggersSelect()
{
    return QStringLiteral("SELECT t.tgname::text FROM pg_trigger t JOIN pg_class c ON c.oid = t.tgrelid "
                          "JOIN pg_namespace n ON n.oid = c.relnamespace "
                          "WHERE n.nspname = current_schema() AND NOT t.tgisinternal");
}

QStringList uncountedAmong(const QStringList &triggers)
{
    QStringList tables;
    for (const TableDefinition &table : schemaTables()) {
        for (const QString &kind : triggerKinds()) {
            if (!triggers.contains(triggerName(table.name, kind))) {
                tables << table.name;
                break;
            }
        }
    }
    return tables;
}

QStringList serverKeyCountSql()
{
    return {
        QStringLiteral("CREATE TABLE IF NOT EXISTS %1 (tablename text PRIMARY KEY, rows bigint NOT NULL)").arg(kCountTable),
        QStringLiteral("CREATE TABLE IF NOT EXISTS %1 (tablename text, id bigint, PRIMARY KEY (tablename, id))")
            .arg(kDeletedTable),
        triggerFunctionSql(triggerKinds().at(0),
                           QStringLiteral("UPDATE %1 SET rows = rows + (SELECT count(*) FROM added) "
                                          "WHERE tablename = TG_TABLE_NAME; "
                                          "IF EXISTS (SELECT 1 FROM %2 WHERE tablename = TG_TABLE_NAME) THEN "
                                          "DELETE FROM %2 d USING added a WHERE d.tablename = TG_TABLE_NAME "
                                          "AND d.id = a.vemo_rowid; END IF;")
                               .arg(kCountTable, kDeletedTable)),
        triggerFunctionSql(triggerKinds().at(1),
                           QStringLiteral("UPDATE %1 SET rows = rows - (SELECT count(*) FROM removed) "
                                          "WHERE tablename = TG_TABLE_NAME; "
                                          "INSERT INTO %2 SELECT TG_TABLE_NAME, vemo_rowid FROM removed "
                                          "ON CONFLICT DO NOTHING;")
                               .arg(kCountTable, kDeletedTable)),
        triggerFunctionSql(triggerKinds().at(2),
                           QStringLiteral("UPDATE %1 SET rows = 0 WHERE tablename = TG_TABLE_NAME; "
                                          "DELETE FROM %2 WHERE tablename = TG_TABLE_NAME;")
                               .arg(kCountTable, kDeletedTable)),
    };
}

QStringList countServerTableSql(const QString &table)
{
    const QString name = literal(table.toLower());
    const QString rows = quoted(table);
    // Taken first, the trigger's lock keeps other writers out until the count is made.
    return {
        QStringLiteral("CREATE OR REPLACE TRIGGER %1 AFTER INSERT ON %2 REFERENCING NEW TABLE AS added "
                       "FOR EACH STATEMENT EXECUTE FUNCTION vemo_rows_added()")
            .arg(triggerName(table, triggerKinds().at(0)), rows),
        QStringLiteral("CREATE OR REPLACE TRIGGER %1 AFTER DELETE ON %2 REFERENCING OLD TABLE AS removed "
                       "FOR EACH STATEMENT EXECUTE FUNCTION vemo_rows_deleted()")
            .arg(triggerName(table, triggerKinds().at(1)), rows),
        QStringLiteral("CREATE OR REPLACE TRIGGER %1 AFTER TRUNCATE ON %2 "
                       "FOR EACH STATEMENT EXECUTE FUNCTION vemo_rows_emptied()")
            .arg(triggerName(table, triggerKinds().at(2)), rows),
        QStringLiteral("DELETE FROM %1 WHERE tablename = %2").arg(kDeletedTable, name),
        QStringLiteral("INSERT INTO %1 SELECT %2, count(*) FROM %3 ON CONFLICT (tablename) "
                       "DO UPDATE SET rows = excluded.rows")
            .arg(kCountTable, name, rows),
        // The gaps are kept only while they are fewer than the rows; past that the rows are read as runs.
        QStringLiteral("INSERT INTO %1 SELECT %2, gap FROM (SELECT vemo_rowid AS id, lead(vemo_rowid) OVER "
                       "(ORDER BY vemo_rowid) AS next FROM %3) AS pairs, generate_series(id + 1, next - 1) AS gap "
                       "WHERE next > id + 1 AND (SELECT max(vemo_rowid) - min(vemo_rowid) + 1 - 2 * count(*) FROM %3) <= 0")
            .arg(kDeletedTable, name, rows),
    };
}

Result readServerKeys(QSqlDatabase &database, const QString &table, const QString &rowColumns,
                      const QStringList &firstRowOnly, int rows, Keyset &keys,
                      QVector<QVector<QVariant>> &firstRows)
{
    QSqlQuery query(database);
    query.setForwardOnly(true);
    Keyset read;
    bool kept = false;
    if (Result counted = readKeptKeys(query, table, rowColumns, firstRowOnly, rows, read, firstRows, kept); !counted || kept) {
        if (counted)
            keys = read;
        return counted;
    }
    // Without a count to trust the identities are read from the rows, a page at a time in one snapshot.
    Transaction transaction(database);
    if (Result begun = transaction.begin(Transaction::Kind::Snapshot); !begun)
        return begun;
    read = Keyset();
    const Result result = transaction.end(readRuns(query, table, read));
    if (result)
        keys = read;
    return result;
}

QString serverKeptRowCountsStatement()
{
    return QStringLiteral("SELECT tablename, rows FROM %1").arg(kCountTable);
}

QStringList serverKeyCountTables()
{
    return {kCountTable, kDeletedTable};
}
