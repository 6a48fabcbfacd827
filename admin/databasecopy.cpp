#include "admin/databasecopy.h"

#include "admin/console.h"
#include "admin/progress.h"
#include "data/engine.h"
#include "data/connection/engineconnection.h"
#include "data/enginetext.h"
#include "data/schema.h"
#include "data/connection/serveraddress.h"
#include "data/tables/history.h"
#include "data/tables/stockledger.h"
#include "data/tables/tablereading.h"
#include "data/tables/transaction.h"

#include <QElapsedTimer>

#include <algorithm>
#include <numeric>

namespace {

/// The tables a copy carries from a database: the eleven, and the ledger where it is kept.
QVector<TableDefinition> carriedTables(const QSqlDatabase &database)
{
    QVector<TableDefinition> tables = schemaTables();
    if (stockLedgerEnabled(database))
        tables << stockLedgerTable();
    if (historyEnabled(database))
        tables << historyTable() << historyValueTable();
    return tables;
}

/// One copy from a source read as one snapshot into a target written in one
/// transaction. Its statements live until both transactions have ended, as
/// a server can free a statement only outside a failed transaction.
class Copy
{
public:
    Copy(QSqlDatabase &source, QSqlDatabase &target) : m_source(source), m_target(target) {}

    Result run(const QString &to, bool progress, CopyReport &report)
    {
        Transaction snapshot(m_source);
        if (Result begun = snapshot.begin(Transaction::Kind::Snapshot); !begun)
            return begun;
        Transaction writing(m_target);
        if (Result begun = writing.begin(Transaction::Kind::Writing); !begun)
            return begun;
        return writing.end(copyTables(to, progress, report));
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
        if (std::any_of(tables.begin(), tables.end(), [](const TableDefinition &table) { return table.name == kStockLedgerTable; }))
            if (Result enabled = enableStockLedger(m_target); !enabled)
                return enabled;
        // The rows copied are no change of anyone's: the history carried says who made them.
        if (Result suspended = suspendHistory(m_target); !suspended)
            return suspended;
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
        return resumeHistory(m_target);
    }

    /// Copies one table in the order the rows were added, so the target's
    /// identities keep the source's order; each row is handed on as it is read.
    Result copyTable(const TableDefinition &table, Progress &progress, qint64 &copied)
    {
        copied = 0;
        qint64 added = 0;
        const Result written = engine(m_target).appendStoredRows(
            m_target, table,
            [&](const StoredRowTaker &add) {
                return engine(m_source).readStoredRows(m_source, table, [&](const StoredRow &row) {
                    ++copied;
                    if (Result storable = checkTexts(table, row, copied); !storable)
                        return storable;
                    progress.advance();
                    return add(row);
                });
            },
            added);
        if (!written)
            return written;
        if (added != copied)
            return Result::failure(QStringLiteral("寫入資料表 %1 的 %2 筆資料,目標卻加了 %3 筆。")
                                       .arg(table.name, QString::number(copied), QString::number(added)));
        return checkCount(table, copied);
    }

    /// Whether each text of the row can be stored on every engine.
    Result checkTexts(const TableDefinition &table, const StoredRow &row, qint64 place)
    {
        for (int column = 0; column < table.columns.size(); ++column) {
            if (table.columns.at(column).type != ColumnType::Text || row.isNull(column))
                continue;
            const QByteArrayView bytes = row.bytes(column);
            if (bytes.contains('\0'))
                return unstorable(table, row, column, QStringLiteral("含有 NUL 字元"), place);
            if (!bytes.isValidUtf8())
                return unstorable(table, row, column, QStringLiteral("不是有效的 UTF-8 文字"), place);
        }
        return Result::success();
    }

    Result unstorable(const TableDefinition &table, const StoredRow &row, int column, const QString &problem, qint64 place)
    {
        QString shownKey = row.isNull(0) ? QStringLiteral("(無鍵值,第 %1 筆)").arg(place)
                                         : QString::fromUtf8(row.bytes(0).toByteArray());
        return Result::failure(QStringLiteral("資料表 %1 鍵值「%2」那筆資料的欄位 %3 %4,無法存入資料庫;沒有複製任何資料。")
                                   .arg(table.name, shownKey.remove(QChar(0)), table.columns.at(column).name, problem));
    }

    Result checkCount(const TableDefinition &table, qint64 copied)
    {
        qint64 inTarget = 0;
        if (Result counted = countTableRows(m_target, table.name, inTarget); !counted)
            return counted;
        if (inTarget != copied)
            return Result::failure(QStringLiteral("資料表 %1 讀出 %2 筆,目標卻有 %3 筆。")
                                       .arg(table.name, QString::number(copied), QString::number(inTarget)));
        return Result::success();
    }

    QSqlDatabase &m_source;
    QSqlDatabase &m_target;
};

} // namespace

qint64 CopyReport::rows() const
{
    // The history's lines are kept beside the rows, not counted among them.
    return std::accumulate(tables.begin(), tables.end(), qint64(0), [](qint64 sum, const Table &table) {
        return table.name == kHistoryTable || table.name == kHistoryValueTable ? sum : sum + table.rows;
    });
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


Result copyReplacing(const QString &source, const QString &target, bool replace, const WholeDatabase::Job &job,
                     CopyReport &report, QString &backup)
{
    const bool progress = console::messagesGoToTerminal();
    const auto write = [&](const QString &into) { return copyDatabase(source, into, progress, report); };
    return WholeDatabase::named(target)->replaceWith(job, replace, write, backup);
}
