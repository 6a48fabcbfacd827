#include "admin/importer.h"

#include "admin/databasecopy.h"
#include "admin/importvalue.h"
#include "admin/progress.h"
#include "data/connection/engineconnection.h"
#include "data/tables/history.h"
#include "data/tables/rowinsertion.h"
#include "data/connection/serveraddress.h"
#include "data/tables/transaction.h"

#include <QElapsedTimer>
#include <QRegularExpression>
#include <QScopeGuard>

namespace {

const WholeDatabase::Job kImportJob{QStringLiteral("import"), QStringLiteral("匯入")};

/// The vemo columns a table's import fills, in the order of their values.
QStringList filledColumns(const TablePlan &plan)
{
    QStringList columns;
    for (int to = 0; to < plan.sourceColumnOf.size(); ++to)
        if (plan.sourceColumnOf.at(to) >= 0)
            columns << plan.target->columns.at(to).name;
    return columns;
}

/// The name a document of a row is saved under when its object has none.
QString documentName(const TablePlan &plan, const QVector<JetValue> &row, int column, qint64 rowNumber)
{
    const int keyColumn = plan.sourceColumnOf.value(0, -1);
    QString key = keyColumn >= 0 && row.at(keyColumn).kind != JetValue::Kind::Null ? row.at(keyColumn).value.toString()
                                                                                    : QString::number(rowNumber);
    static const QRegularExpression unsafe(QStringLiteral(R"([\\/:*?"<>|\s])"));
    key.replace(unsafe, QStringLiteral("_"));
    return plan.target->columns.at(column).name + QLatin1Char('-') + key;
}

constexpr int kSamplesPerColumn = 3;

/// Whether decoded text looks like Latin text read in a Chinese code page:
/// there a byte of 0x80 or above pairs with the letter after it into a rare
/// hanzi, which then stands against a lower-case Latin letter, as in
/// "Kn踄kebr鐰"; Chinese text written with Latin words keeps them apart or
/// capitalised ("IBM台灣").
bool looksMisdecoded(const QString &text)
{
    const auto latinSmall = [](QChar c) { return c >= QLatin1Char('a') && c <= QLatin1Char('z'); };
    const auto wide = [](QChar c) { return c.unicode() >= 0x2E80; };
    for (int i = 0; i + 1 < text.size(); ++i)
        if ((latinSmall(text.at(i)) && wide(text.at(i + 1))) || (wide(text.at(i)) && latinSmall(text.at(i + 1))))
            return true;
    return false;
}

/// What a dry run shows of one text column: a few values and the doubtful ones.
struct ColumnLook
{
    QStringList samples;
    qint64 doubtful = 0;
    QString firstDoubtful;
};

class Run
{
public:
    Run(const ImportOptions &options, ImportReport &report) : m_options(options), m_report(report) {}

    Result copyTables(JetFile &jet, const ImportPlan &plan, QSqlDatabase *database)
    {
        qint64 total = 0;
        for (const TablePlan &table : plan.tables)
            total += table.rowCount;
        Progress progress(total, m_options.terminal);
        for (const TablePlan &table : plan.tables) {
            progress.setStep(QStringLiteral("%1 → %2").arg(table.source, table.target->name));
            if (Result copied = copyTable(jet, table, database, progress); !copied)
                return copied;
        }
        return Result::success();
    }

private:
    Result copyTable(JetFile &jet, const TablePlan &plan, QSqlDatabase *database, Progress &progress)
    {
        ImportReport::Table counts{plan.source, plan.target->name, 0, 0};
        RowInsertion insertion;
        if (database)
            if (Result prepared = insertion.prepare(*database, plan.target->name, filledColumns(plan)); !prepared)
                return prepared;
        Result failure = Result::success();
        QVector<ColumnLook> looks(plan.sourceColumnOf.size());
        Result read = jet.readRows(plan.source, [&](const QVector<JetValue> &row) {
            ++counts.read;
            progress.advance();
            for (int to = 0; to < plan.sourceColumnOf.size(); ++to) {
                const int from = plan.sourceColumnOf.at(to);
                if (from < 0)
                    continue;
                const ColumnDefinition &column = plan.target->columns.at(to);
                const QString name = column.type == ColumnType::Document ? documentName(plan, row, to, counts.read) : QString();
                const CarriedValue carried = carryValue(row.at(from), column.type, name);
                if (column.type == ColumnType::Text && row.at(from).kind == JetValue::Kind::Text)
                    look(looks[to], row.at(from));
                if (!carried.problem.isEmpty())
                    m_report.values << QStringLiteral("%1 第 %2 筆 %3 → %4.%5:%6")
                                           .arg(plan.source)
                                           .arg(counts.read)
                                           .arg(jetColumn(plan, from), plan.target->name, column.name, carried.problem);
                if (database)
                    insertion.bind(carried.stored);
            }
            if (database)
                failure = insertion.insert();
            if (!failure)
                return false;
            ++counts.written;
            return true;
        });
        m_report.tables << counts;
        reportLooks(plan, looks, database == nullptr);
        if (!read)
            return Result::failure(read.message() + QStringLiteral("沒有匯入任何資料。"));
        return failure;
    }

    void look(ColumnLook &look, const JetValue &value) const
    {
        const QString text = value.value.toString();
        if (look.samples.size() < kSamplesPerColumn && !text.trimmed().isEmpty() && !look.samples.contains(text.simplified()))
            look.samples << text.simplified();
        if (m_jet3 && !value.undecodable && looksMisdecoded(text) && look.doubtful++ == 0)
            look.firstDoubtful = text;
    }

    void reportLooks(const TablePlan &plan, const QVector<ColumnLook> &looks, bool dryRun)
    {
        for (int to = 0; to < looks.size(); ++to) {
            const ColumnLook &look = looks.at(to);
            const QString column = QStringLiteral("%1.%2 → %3.%4")
                                       .arg(plan.source, jetColumn(plan, plan.sourceColumnOf.at(to)), plan.target->name,
                                            plan.target->columns.at(to).name);
            if (dryRun && !look.samples.isEmpty())
                m_report.samples << QStringLiteral("%1:「%2」").arg(column, look.samples.join(QStringLiteral("」、「")));
            if (look.doubtful > 0)
                m_report.decoding << QStringLiteral("%1:%2 個值看來不是 %3 的文字,例如「%4」;請確認 --code-page(西歐的檔案通常是 CP1252)")
                                         .arg(column, QString::number(look.doubtful), m_options.codePage, look.firstDoubtful);
        }
    }

    QString jetColumn(const TablePlan &plan, int index) const { return m_columnNames.value(plan.source).value(index); }

public:
    QHash<QString, QStringList> m_columnNames;
    bool m_jet3 = false;

private:
    const ImportOptions &m_options;
    ImportReport &m_report;
};

/// The old data is where the history starts, not a change of it: imported
/// rows write no history line, in the transaction under way.
Result importRecordingNoChange(JetFile &jet, const ImportPlan &plan, Run &run, QSqlDatabase &database)
{
    Result result = suspendHistory(database);
    if (result)
        result = run.copyTables(jet, plan, &database);
    return result ? resumeHistory(database) : result;
}

/// Imports into the database it is handed, a new file or a server, in one
/// transaction that first finds it empty.
Result writeInto(JetFile &jet, const ImportPlan &plan, Run &run, const WholeDatabase &target, const QString &into)
{
    EngineConnection connection;
    if (Result opened = connection.open(into, EngineConnection::Missing::Create); !opened)
        return Result::failure(QStringLiteral("無法開啟目標資料庫 %1:%2").arg(ServerAddress::shown(into), opened.message()));
    QSqlDatabase database = connection.database();
    Transaction transaction(database);
    if (Result begun = transaction.begin(Transaction::Kind::Writing); !begun)
        return begun;
    qint64 rows = 0;
    Result result = rowsInDatabase(database, rows);
    if (result && rows > 0)
        result = Result::failure(target.refusal(rows, kImportJob, false, false));
    if (result)
        result = importRecordingNoChange(jet, plan, run, database);
    return transaction.end(result);
}

/// What an import would write, writing nothing: the rows read and what the target would refuse.
Result dryRun(JetFile &jet, const ImportPlan &plan, Run &run, const WholeDatabase &target, const ImportOptions &options,
              ImportReport &report)
{
    qint64 rows = 0;
    if (Result counted = target.countRows(rows); !counted)
        return Result::failure(QStringLiteral("無法讀取目標資料庫 %1:%2").arg(ServerAddress::shown(options.target), counted.message()));
    report.refusal = target.refusal(rows, kImportJob, options.replace, true);
    return run.copyTables(jet, plan, nullptr);
}

/// Why the plan would write no row, or nothing when it writes some.
Result somethingToWrite(const ImportPlan &plan, const QString &source, bool dryRun)
{
    const QString outcome = dryRun ? QStringLiteral("實際匯入時不會寫入任何資料") : QStringLiteral("沒有匯入任何資料");
    if (plan.tables.isEmpty())
        return Result::failure(QStringLiteral("%1 的資料表都對不到 vemo 的資料表,%2。名稱不同的資料表請用 --map 對照(格式見 vemo-admin import --help)。")
                                   .arg(source, outcome));
    QStringList matched;
    for (const TablePlan &table : plan.tables) {
        if (table.rowCount > 0)
            return Result::success();
        matched << QStringLiteral("%1 → %2").arg(table.source, table.target->name);
    }
    return Result::failure(QStringLiteral("對得到的資料表(%1)都沒有資料,%2。").arg(matched.join(QStringLiteral("、")), outcome));
}

} // namespace

QStringList ImportReport::lines() const
{
    QStringList lines;
    const QString written = dryRun ? QStringLiteral("將寫入") : QStringLiteral("寫入");
    for (const Table &table : tables)
        lines << QStringLiteral("%1 → %2:讀出 %3 筆,%4 %5 筆").arg(table.source, table.target).arg(table.read).arg(written).arg(table.written);
    for (const QString &line : unmatched)
        lines << line;
    if (!refusal.isEmpty())
        lines << refusal;
    if (!samples.isEmpty())
        lines << QStringLiteral("文字欄位的前幾個值:");
    for (const QString &line : samples)
        lines << QStringLiteral("  ") + line;
    if (!decoding.isEmpty())
        lines << QStringLiteral("可能用錯字碼頁的欄位 %1 個:").arg(decoding.size());
    for (const QString &line : decoding)
        lines << QStringLiteral("  ") + line;
    if (!values.isEmpty())
        lines << QStringLiteral("無法原樣帶入的值 %1 個:").arg(values.size());
    for (const QString &line : values)
        lines << QStringLiteral("  ") + line;
    return lines;
}

Result importJetFile(const ImportOptions &options, ImportReport &report)
{
    QElapsedTimer timer;
    timer.start();
    JetFile jet;
    const auto warnings = qScopeGuard([&] { report.libraryWarnings = jet.warnings(); });
    if (Result opened = jet.open(options.source, options.codePage); !opened)
        return opened;
    const QVector<JetTable> tables = jet.tables();
    const ImportPlan plan = planImport(tables, options.map);
    if (!plan.problems.isEmpty())
        return Result::failure(QStringLiteral("對照檔有誤,沒有匯入任何資料:\n  ") + plan.problems.join(QStringLiteral("\n  ")));
    for (const QString &table : plan.unmatchedTables)
        report.unmatched << QStringLiteral("資料表 %1 對不到 vemo 的資料表,未匯入").arg(table);
    for (const TablePlan &table : plan.tables)
        for (const QString &column : table.unmatchedColumns)
            report.unmatched << QStringLiteral("欄位 %1.%2 對不到 %3 的欄位,未匯入").arg(table.source, column, table.target->name);

    report.dryRun = options.dryRun;
    if (Result some = somethingToWrite(plan, options.source, options.dryRun); !some)
        return some;

    Run run(options, report);
    for (const JetTable &table : tables)
        run.m_columnNames.insert(table.name, table.columns);
    run.m_jet3 = jet.isJet3();
    const auto target = WholeDatabase::named(options.target);
    const Result result = options.dryRun
                              ? dryRun(jet, plan, run, *target, options, report)
                              : target->replaceWith(kImportJob, options.replace,
                                                    [&](const QString &into) { return writeInto(jet, plan, run, *target, into); },
                                                    report.backup);
    report.seconds = timer.elapsed() / 1000.0;
    return result;
}
