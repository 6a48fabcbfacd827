#include "data/engine/postgres/postgreshistory.h"

#include "data/schema.h"
#include "data/tables/history.h"

#include <QUrl>

namespace {

/// A column's value as the history keeps it, compared byte for byte: a change of case counts.
QString storedText(const QString &row, const ColumnDefinition &column)
{
    if (column.type == ColumnType::Document)
        return QStringLiteral("vemo_document_text(%1.%2) COLLATE \"C\"").arg(row, column.name.toLower());
    return QStringLiteral("CAST(%1.%2 AS text) COLLATE \"C\"").arg(row, column.name.toLower());
}

QString changedCondition(const TableDefinition &table)
{
    QStringList changed;
    for (const ColumnDefinition &column : table.columns)
        changed << (column.type == ColumnType::Document
                        ? QStringLiteral("OLD.%1 IS DISTINCT FROM NEW.%1").arg(column.name.toLower())
                        : QStringLiteral("%1 IS DISTINCT FROM %2").arg(storedText(QStringLiteral("OLD"), column),
                                                                    storedText(QStringLiteral("NEW"), column)));
    return changed.join(QStringLiteral(" OR "));
}

QString valuesSql(const TableDefinition &table, const QString &action, const QString &lineSql)
{
    QStringList rows;
    for (const ColumnDefinition &column : table.columns) {
        const QString name = column.name.toLower();
        const QString place = QString::number(rows.size());
        const QString oldText = storedText(QStringLiteral("OLD"), column);
        const QString newText = storedText(QStringLiteral("NEW"), column);
        const bool document = column.type == ColumnType::Document;
        if (action == QLatin1String("insert"))
            rows << QStringLiteral("('%1', %2, NULL, %3, NULL::bytea)").arg(name, place, newText);
        else if (action == QLatin1String("update") && document)
            // A document's size and hash are worked out only when it changed.
            rows << QStringLiteral("('%1', %4, CASE WHEN OLD.%1 IS DISTINCT FROM NEW.%1 THEN %2 END, "
                                   "CASE WHEN OLD.%1 IS DISTINCT FROM NEW.%1 THEN %3 END, NULL::bytea)")
                        .arg(name, oldText, newText, place);
        else if (action == QLatin1String("update"))
            rows << QStringLiteral("('%1', %2, %3, %4, NULL::bytea)").arg(name, place, oldText, newText);
        else
            rows << QStringLiteral("('%1', %2, %3, NULL, %4)")
                        .arg(name, place, oldText, document ? QStringLiteral("OLD.") + name : QStringLiteral("NULL::bytea"));
    }
    const QString kept = action == QLatin1String("insert")   ? QStringLiteral("v.n IS NOT NULL")
                       : action == QLatin1String("update") ? QStringLiteral("v.o IS DISTINCT FROM v.n")
                                                            : QStringLiteral("v.o IS NOT NULL");
    // One statement writes the change's line and its values.
    return QStringLiteral("WITH next AS (SELECT nextval('history_changeno') AS change), line AS (%3) "
                          "INSERT INTO historyvalue (changeno, columnname, columnno, oldvalue, newvalue, document) "
                          "SELECT next.change, v.c, v.p, v.o, v.n, v.d FROM next, (VALUES %1) AS v(c, p, o, n, d) WHERE %2;")
        .arg(rows.join(QStringLiteral(", ")), kept, lineSql);
}

QString functionSql(const TableDefinition &table)
{
    const QString key = table.columns.constFirst().name.toLower();
    const QString line =
        QStringLiteral("INSERT INTO history (changeno, changedat, loginrole, username, hostname, program, tablename, rowkey, action) "
                       "SELECT change, to_char(clock_timestamp() AT TIME ZONE 'UTC', 'YYYY-MM-DD HH24:MI:SS.MS'), session_user, "
                       "nullif(current_setting('vemo.username', true), ''), nullif(current_setting('vemo.hostname', true), ''), "
                       "nullif(current_setting('vemo.program', true), ''), '%1', "
                       "CASE TG_OP WHEN 'DELETE' THEN OLD.%2 ELSE NEW.%2 END, lower(TG_OP) FROM next")
            .arg(table.name, key);
    return QStringLiteral(
               "CREATE OR REPLACE FUNCTION vemo_history_%1() RETURNS trigger LANGUAGE plpgsql AS $$ "
               "BEGIN "
               "IF TG_OP = 'UPDATE' AND NOT (%2) THEN RETURN NULL; END IF; "
               "IF TG_OP = 'INSERT' THEN %3 ELSIF TG_OP = 'UPDATE' THEN %4 ELSE %5 END IF; "
               "RETURN NULL; END $$")
        .arg(table.name.toLower(), changedCondition(table), valuesSql(table, QStringLiteral("insert"), line),
             valuesSql(table, QStringLiteral("update"), line), valuesSql(table, QStringLiteral("delete"), line));
}

/// A setting's value as the server's startup options take it: no blank, quote or backslash.
QString optionValue(const QString &text)
{
    return QString::fromLatin1(QUrl::toPercentEncoding(text, "@.-_"));
}

} // namespace

QStringList postgresHistorySql(const QString &caselessType, const QString &rowIdentity, const QVector<TableDefinition> &tables)
{
    QStringList statements{
        // The identity, which the copy reads rows in order of, is the change's number.
        QStringLiteral("CREATE TABLE IF NOT EXISTS history (changeno bigint PRIMARY KEY, changedat text, loginrole text, "
                       "username %1, hostname text, program text, tablename %1, "
                       "rowkey %1, action text, %2 bigint GENERATED ALWAYS AS (changeno) STORED)")
            .arg(caselessType, rowIdentity),
        QStringLiteral("CREATE INDEX IF NOT EXISTS history_row ON history (tablename, rowkey, changeno)"),
        // Changes are numbered by a sequence, so writers of different rows never wait for each other.
        QStringLiteral("CREATE SEQUENCE IF NOT EXISTS history_changeno"),
        QStringLiteral("CREATE TABLE IF NOT EXISTS historyvalue (changeno bigint, columnname text, columnno smallint, "
                       "oldvalue text, newvalue text, document bytea, "
                       "%1 bigint GENERATED ALWAYS AS (changeno * 64 + columnno) STORED)")
            .arg(rowIdentity),
        QStringLiteral("CREATE INDEX IF NOT EXISTS historyvalue_change ON historyvalue (changeno)"),
        QStringLiteral("CREATE OR REPLACE FUNCTION vemo_document_text(document bytea) RETURNS text LANGUAGE sql IMMUTABLE "
                       "AS $$ SELECT octet_length(document) || ' 位元組,SHA-256 ' || encode(sha256(document), 'hex') $$"),
    };
    for (const TableDefinition &table : tables) {
        statements << functionSql(table);
        statements << QStringLiteral("CREATE OR REPLACE TRIGGER %1 AFTER INSERT OR UPDATE OR DELETE ON %2 FOR EACH ROW "
                                     "EXECUTE FUNCTION vemo_history_%2()")
                          .arg(postgresHistoryTriggerName(table), table.name.toLower());
    }
    return statements;
}

QStringList postgresDropHistoryTriggersSql()
{
    QStringList statements;
    for (const TableDefinition &table : schemaTables())
        statements << QStringLiteral("DROP TRIGGER IF EXISTS %1 ON %2").arg(postgresHistoryTriggerName(table), table.name.toLower());
    return statements;
}

QString postgresHistoryTriggerName(const TableDefinition &table)
{
    return QStringLiteral("vemo_history_%1").arg(table.name.toLower());
}

QString postgresHistoryWriterSettings()
{
    const HistoryWriter &writer = HistoryWriter::ofThisProgram();
    return QStringLiteral("-c vemo.username=%1 -c vemo.hostname=%2 -c vemo.program=%3")
        .arg(optionValue(writer.user), optionValue(writer.host), optionValue(writer.program));
}

QString postgresHistoryNumbersAfterCopySql()
{
    return QStringLiteral("SELECT setval('history_changeno', greatest(max(changeno), 1), max(changeno) IS NOT NULL) FROM history");
}
