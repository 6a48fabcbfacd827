#include "admin/databasecopy.h"

#include "data/engine.h"
#include "data/engineconnection.h"
#include "data/enginetext.h"
#include "data/schema.h"
#include "data/serveraddress.h"

#include <QElapsedTimer>
#include <QSqlError>
#include <QSqlQuery>

#include <limits>
#include <numeric>

namespace {

// Rows read from the source at a time: memory stays small whatever the table's size.
constexpr int kPageRows = 500;

Result queryFailure(const QSqlQuery &query)
{
    return Result::failure(engineText(query.lastError()), query.lastQuery());
}

QString quotedColumns(const Engine &db, const TableDefinition &table)
{
    QStringList quoted;
    for (const QString &column : table.columnNames())
        quoted << db.quotedName(column);
    return quoted.join(QStringLiteral(", "));
}

Result countRows(QSqlDatabase &database, const QString &table, qint64 &rows)
{
    QSqlQuery query(database);
    if (!query.exec(QStringLiteral("SELECT count(*) FROM %1").arg(engine(database).quotedName(table))) || !query.next())
        return queryFailure(query);
    rows = query.value(0).toLongLong();
    return Result::success();
}

/// The value to write for one read: an empty document stays empty, not none.
QVariant written(const QVariant &read)
{
    if (read.typeId() == QMetaType::QByteArray && !read.isNull() && read.toByteArray().isNull())
        return QByteArray("", 0);
    return read;
}

void rollBack(QSqlDatabase &database)
{
    QSqlQuery(database).exec(QStringLiteral("ROLLBACK"));
}

/// Ends a transaction: commits a success, rolls a failure back.
Result finish(QSqlDatabase &database, const Result &outcome)
{
    QSqlQuery query(database);
    if (outcome && query.exec(QStringLiteral("COMMIT")))
        return outcome;
    const Result failed = outcome ? queryFailure(query) : outcome;
    rollBack(database);
    return failed;
}

/// One copy from a source read as one snapshot into a target written in one
/// transaction. Its statements live until both transactions have ended, as
/// a server can free a statement only outside a failed transaction.
class Copy
{
public:
    Copy(QSqlDatabase &source, QSqlDatabase &target) : m_source(source), m_target(target), m_read(source), m_insert(target)
    {
        m_read.setForwardOnly(true);
    }

    Result run(const QString &to, CopyReport &report)
    {
        QSqlQuery begin(m_source);
        if (!begin.exec(engine(m_source).beginSnapshotSql()))
            return queryFailure(begin);
        QSqlQuery beginWriting(m_target);
        if (!beginWriting.exec(engine(m_target).beginWritingSql())) {
            rollBack(m_source);
            return queryFailure(beginWriting);
        }
        const Result copied = finish(m_target, copyTables(to, report));
        rollBack(m_source);
        return copied;
    }

private:
    Result copyTables(const QString &to, CopyReport &report)
    {
        qint64 already = 0;
        if (Result counted = rowsInDatabase(m_target, already); !counted)
            return counted;
        if (already > 0)
            return Result::failure(QStringLiteral("目標資料庫 %1 已經有 %2 筆資料;只能複製到空的資料庫。")
                                       .arg(ServerAddress::shown(to), QString::number(already)));
        for (const TableDefinition &table : schemaTables()) {
            qint64 copied = 0;
            if (Result done = copyTable(table, copied); !done)
                return done;
            report.tables << CopyReport::Table{table.name, copied};
        }
        return Result::success();
    }

    /// Copies one table page by page in the order of its row identities, so
    /// the target's identities keep the source's order.
    Result copyTable(const TableDefinition &table, qint64 &copied)
    {
        const Engine &from = engine(m_source);
        const Engine &to = engine(m_target);
        if (!m_read.prepare(QStringLiteral("SELECT %1, %2 FROM %3 WHERE %1 > ? ORDER BY %1 LIMIT %4")
                                .arg(from.rowIdentity(), quotedColumns(from, table), from.quotedName(table.name))
                                .arg(kPageRows)))
            return queryFailure(m_read);
        const QString placeholders = QStringList(table.columns.size(), QStringLiteral("?")).join(QStringLiteral(", "));
        if (!m_insert.prepare(QStringLiteral("INSERT INTO %1 (%2) VALUES (%3)")
                                  .arg(to.quotedName(table.name), quotedColumns(to, table), placeholders)))
            return queryFailure(m_insert);
        copied = 0;
        qint64 last = std::numeric_limits<qint64>::min();
        for (bool more = true; more;) {
            m_read.addBindValue(last);
            if (!m_read.exec())
                return queryFailure(m_read);
            more = false;
            while (m_read.next()) {
                last = m_read.value(0).toLongLong();
                for (int column = 0; column < table.columns.size(); ++column)
                    m_insert.addBindValue(written(m_read.value(column + 1)));
                if (!m_insert.exec())
                    return queryFailure(m_insert);
                if (m_insert.numRowsAffected() != 1)
                    return Result::failure(QStringLiteral("寫入資料表 %1 的一筆資料改到了 %2 筆。")
                                               .arg(table.name, QString::number(m_insert.numRowsAffected())));
                ++copied;
                more = true;
            }
        }
        qint64 inTarget = 0;
        if (Result counted = countRows(m_target, table.name, inTarget); !counted)
            return counted;
        if (inTarget != copied)
            return Result::failure(QStringLiteral("資料表 %1 讀出 %2 筆,目標卻有 %3 筆。")
                                       .arg(table.name, QString::number(copied), QString::number(inTarget)));
        return Result::success();
    }

    QSqlDatabase &m_source;
    QSqlDatabase &m_target;
    QSqlQuery m_read;
    QSqlQuery m_insert;
};

} // namespace

qint64 CopyReport::rows() const
{
    return std::accumulate(tables.begin(), tables.end(), qint64(0),
                           [](qint64 sum, const Table &table) { return sum + table.rows; });
}

Result rowsInDatabase(QSqlDatabase &database, qint64 &rows)
{
    QStringList stored;
    if (Result read = storedSchemaTables(database, stored); !read)
        return read;
    rows = 0;
    for (const QString &table : std::as_const(stored)) {
        qint64 inTable = 0;
        if (Result counted = countRows(database, table, inTable); !counted)
            return counted;
        rows += inTable;
    }
    return Result::success();
}

Result copyDatabase(const QString &from, const QString &to, CopyReport &report)
{
    QElapsedTimer timer;
    timer.start();
    EngineConnection sourceConnection;
    if (Result opened = sourceConnection.open(from); !opened)
        return Result::failure(QStringLiteral("無法開啟來源資料庫 %1:%2").arg(ServerAddress::shown(from), opened.message()));
    EngineConnection targetConnection;
    if (Result opened = targetConnection.open(to, EngineConnection::Missing::Create); !opened)
        return Result::failure(QStringLiteral("無法開啟目標資料庫 %1:%2").arg(ServerAddress::shown(to), opened.message()));
    QSqlDatabase source = sourceConnection.database();
    QSqlDatabase target = targetConnection.database();
    report = CopyReport();
    const Result copied = Copy(source, target).run(to, report);
    report.seconds = timer.elapsed() / 1000.0;
    return copied;
}
