#include "admin/databasecopy.h"

#include "admin/progress.h"
#include "data/engine.h"
#include "data/engineconnection.h"
#include "data/enginetext.h"
#include "data/schema.h"
#include "data/serveraddress.h"
#include "data/stockledger.h"

#include <QElapsedTimer>
#include <QSqlError>
#include <QSqlQuery>
#include <QStringDecoder>

#include <limits>
#include <numeric>

namespace {

// Rows read and written at a time: large pages for few round trips, small
// ones where documents make rows large, so memory stays small either way.
constexpr int kPageRows = 20000;
constexpr int kDocumentPageRows = 200;

Result queryFailure(const QSqlQuery &query)
{
    return Result::failure(engineText(query.lastError()), query.lastQuery());
}

/// The tables a copy carries from a database: the eleven, and the ledger where it is kept.
QVector<TableDefinition> carriedTables(const QSqlDatabase &database)
{
    QVector<TableDefinition> tables = schemaTables();
    if (stockLedgerEnabled(database))
        tables << stockLedgerTable();
    return tables;
}

Result countRows(QSqlDatabase &database, const QString &table, qint64 &rows)
{
    QSqlQuery query(database);
    if (!query.exec(QStringLiteral("SELECT count(*) FROM %1").arg(engine(database).quotedName(table))) || !query.next())
        return queryFailure(query);
    rows = query.value(0).toLongLong();
    return Result::success();
}

bool hasDocument(const TableDefinition &table)
{
    return std::any_of(table.columns.begin(), table.columns.end(),
                       [](const ColumnDefinition &column) { return column.type == ColumnType::Document; });
}

/// Why a text cannot be stored on every engine, or nothing when it can.
QString textProblem(const QVariant &value)
{
    if (value.isNull())
        return {};
    if (value.typeId() != QMetaType::QByteArray)
        return value.toString().contains(QChar(0)) ? QStringLiteral("含有 NUL 字元") : QString();
    const QByteArray bytes = value.toByteArray();
    if (bytes.contains('\0'))
        return QStringLiteral("含有 NUL 字元");
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    const QString decoded = decoder.decode(bytes);
    return decoder.hasError() ? QStringLiteral("不是有效的 UTF-8 文字") : QString();
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
    Copy(QSqlDatabase &source, QSqlDatabase &target) : m_source(source), m_target(target), m_read(source)
    {
        m_read.setForwardOnly(true);
    }

    Result run(const QString &to, bool progress, CopyReport &report)
    {
        QSqlQuery begin(m_source);
        if (!begin.exec(engine(m_source).beginSnapshotSql()))
            return queryFailure(begin);
        QSqlQuery beginWriting(m_target);
        if (!beginWriting.exec(engine(m_target).beginWritingSql())) {
            rollBack(m_source);
            return queryFailure(beginWriting);
        }
        const Result copied = finish(m_target, copyTables(to, progress, report));
        rollBack(m_source);
        return copied;
    }

private:
    Result copyTables(const QString &to, bool showProgress, CopyReport &report)
    {
        qint64 already = 0;
        if (Result counted = rowsInDatabase(m_target, already); !counted)
            return counted;
        if (already > 0)
            return Result::failure(QStringLiteral("目標資料庫 %1 已經有 %2 筆資料;只能寫入空的資料庫,資料庫裡的資料不會被取代。")
                                       .arg(ServerAddress::shown(to), QString::number(already)));
        const QVector<TableDefinition> tables = carriedTables(m_source);
        if (tables.size() > schemaTables().size())
            if (Result enabled = enableStockLedger(m_target); !enabled)
                return enabled;
        qint64 total = 0;
        if (Result counted = rowsInDatabase(m_source, total); !counted)
            return counted;
        Progress progress(total, showProgress);
        for (const TableDefinition &table : tables) {
            qint64 copied = 0;
            progress.setStep(table.name);
            if (Result done = copyTable(table, progress, copied); !done)
                return done;
            report.tables << CopyReport::Table{table.name, copied};
        }
        progress.finish();
        return Result::success();
    }

    /// Copies one table page by page in the order of its row identities, so
    /// the target's identities keep the source's order.
    Result copyTable(const TableDefinition &table, Progress &progress, qint64 &copied)
    {
        const Engine &from = engine(m_source);
        QStringList read;
        for (const ColumnDefinition &column : table.columns)
            read << (column.type == ColumnType::WholeNumber ? from.quotedName(column.name)
                                                             : from.storedValue(from.quotedName(column.name)));
        const int pageRows = hasDocument(table) ? kDocumentPageRows : kPageRows;
        if (!m_read.prepare(QStringLiteral("SELECT %1, %2 FROM %3 WHERE %1 > ? ORDER BY %1 LIMIT %4")
                                .arg(from.rowIdentity(), read.join(QStringLiteral(", ")), from.quotedName(table.name))
                                .arg(pageRows)))
            return queryFailure(m_read);
        copied = 0;
        qint64 last = std::numeric_limits<qint64>::min();
        QVector<QVariantList> page;
        do {
            page.clear();
            m_read.addBindValue(last);
            if (!m_read.exec())
                return queryFailure(m_read);
            if (Result taken = takePage(table, page, last); !taken)
                return taken;
            if (page.isEmpty())
                break;
            if (Result written = engine(m_target).appendRows(m_target, table, page); !written)
                return written;
            copied += page.size();
            progress.advance(page.size());
        } while (page.size() == pageRows);
        return checkCount(table, copied);
    }

    /// The rows of the page just read, each text checked to be storable on every engine.
    Result takePage(const TableDefinition &table, QVector<QVariantList> &page, qint64 &last)
    {
        while (m_read.next()) {
            last = m_read.value(0).toLongLong();
            QVariantList row;
            row.reserve(table.columns.size());
            for (int column = 0; column < table.columns.size(); ++column) {
                row << m_read.value(column + 1);
                if (table.columns.at(column).type != ColumnType::Text)
                    continue;
                if (const QString problem = textProblem(row.constLast()); !problem.isEmpty())
                    return unstorable(table, column, problem, last);
            }
            page << row;
        }
        return Result::success();
    }

    Result unstorable(const TableDefinition &table, int column, const QString &problem, qint64 identity)
    {
        const QVariant key = m_read.value(1);
        QString shownKey = key.isNull() ? QStringLiteral("(無鍵值,列 %1)").arg(identity)
                                 : key.typeId() == QMetaType::QByteArray ? QString::fromUtf8(key.toByteArray())
                                                                         : key.toString();
        return Result::failure(QStringLiteral("資料表 %1 鍵值「%2」那筆資料的欄位 %3 %4,無法存入資料庫;沒有複製任何資料。")
                                   .arg(table.name, shownKey.remove(QChar(0)), table.columns.at(column).name, problem));
    }

    Result checkCount(const TableDefinition &table, qint64 copied)
    {
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
    if (stockLedgerEnabled(database))
        stored << kStockLedgerTable;
    rows = 0;
    for (const QString &table : std::as_const(stored)) {
        qint64 inTable = 0;
        if (Result counted = countRows(database, table, inTable); !counted)
            return counted;
        rows += inTable;
    }
    return Result::success();
}

Result copyDatabase(const QString &from, const QString &to, bool progress, CopyReport &report)
{
    QElapsedTimer timer;
    timer.start();
    EngineConnection sourceConnection;
    if (Result opened = sourceConnection.openForReading(from); !opened)
        return Result::failure(QStringLiteral("無法開啟來源資料庫 %1:%2").arg(ServerAddress::shown(from), opened.message()));
    EngineConnection targetConnection;
    if (Result opened = targetConnection.open(to, EngineConnection::Missing::Create); !opened)
        return Result::failure(QStringLiteral("無法開啟目標資料庫 %1:%2").arg(ServerAddress::shown(to), opened.message()));
    QSqlDatabase source = sourceConnection.database();
    QSqlDatabase target = targetConnection.database();
    report = CopyReport();
    const Result copied = Copy(source, target).run(to, progress, report);
    report.seconds = timer.elapsed() / 1000.0;
    return copied;
}

Result rowsInTable(QSqlDatabase &database, const QString &table, qint64 &rows)
{
    return countRows(database, table, rows);
}
