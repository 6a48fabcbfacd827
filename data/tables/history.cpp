#include "data/tables/history.h"

#include "data/engine.h"
#include "data/enginetext.h"
#include "data/tables/transaction.h"

#include <QCoreApplication>
#include <QSqlError>
#include <QSqlQuery>
#include <QSysInfo>

#include <algorithm>

#ifdef Q_OS_UNIX
#include <pwd.h>
#include <unistd.h>
#endif

namespace {

QString operatingSystemUser()
{
#ifdef Q_OS_UNIX
    // The account that runs the program, whatever USER an environment carries over.
    if (const passwd *account = getpwuid(geteuid()); account && account->pw_name)
        return QString::fromLocal8Bit(account->pw_name);
#endif
    const QString user = qEnvironmentVariable("USER");
    return user.isEmpty() ? qEnvironmentVariable("USERNAME") : user;
}

Result runAll(QSqlDatabase &database, const QStringList &statements)
{
    QSqlQuery query(database);
    for (const QString &statement : statements)
        if (!query.exec(statement))
            return Result::failure(engineText(query.lastError()), statement);
    return Result::success();
}

/// Names of the tables whose changes some trigger of the history does not record.
Result uncoveredTables(QSqlDatabase &database, QStringList &tables)
{
    QStringList triggers;
    if (Result read = engine(database).storedTriggers(database, triggers); !read)
        return read;
    tables.clear();
    for (const TableDefinition &table : schemaTables()) {
        const QStringList names = engine(database).historyTriggerNames(table);
        if (!std::all_of(names.begin(), names.end(), [&](const QString &name) { return triggers.contains(name, Qt::CaseInsensitive); }))
            tables << table.name;
    }
    return Result::success();
}

bool historyComplete(QSqlDatabase &database)
{
    QStringList uncovered;
    return historyEnabled(database) && uncoveredTables(database, uncovered).ok() && uncovered.isEmpty();
}

Result runRead(QSqlQuery &query, const QString &sql, const QVariantList &values)
{
    query.setForwardOnly(true);
    if (!query.prepare(sql))
        return Result::failure(engineText(query.lastError()), sql);
    for (const QVariant &value : values)
        query.addBindValue(value);
    if (!query.exec())
        return Result::failure(engineText(query.lastError()), sql);
    return Result::success();
}

Result readFinished(const QSqlQuery &query, const QString &sql)
{
    return query.lastError().isValid() ? Result::failure(engineText(query.lastError()), sql) : Result::success();
}

} // namespace

QString historyLineColumns()
{
    return QStringLiteral("h.changeno, h.changedat, h.loginrole, h.username, h.hostname, h.program, h.tablename, h.rowkey, h.action");
}

HistoryLine historyLineOf(const QSqlQuery &query)
{
    HistoryLine line;
    line.change = query.value(0).toLongLong();
    line.changedAt = query.value(1).toString();
    line.loginRole = query.value(2).toString();
    line.user = query.value(3).toString();
    line.host = query.value(4).toString();
    line.program = query.value(5).toString();
    line.table = query.value(6).toString();
    line.key = query.value(7).toString();
    line.action = query.value(8).toString();
    return line;
}

const TableDefinition &historyTable()
{
    static const TableDefinition table{kHistoryTable,
                                       {{QStringLiteral("changeno"), ColumnType::WholeNumber},
                                        {QStringLiteral("changedat"), ColumnType::Text},
                                        {QStringLiteral("loginrole"), ColumnType::Text},
                                        {QStringLiteral("username"), ColumnType::Text},
                                        {QStringLiteral("hostname"), ColumnType::Text},
                                        {QStringLiteral("program"), ColumnType::Text},
                                        {QStringLiteral("tablename"), ColumnType::Text},
                                        {QStringLiteral("rowkey"), ColumnType::Text},
                                        {QStringLiteral("action"), ColumnType::Text}}};
    return table;
}

const TableDefinition &historyValueTable()
{
    static const TableDefinition table{kHistoryValueTable,
                                       {{QStringLiteral("changeno"), ColumnType::WholeNumber},
                                        {QStringLiteral("columnname"), ColumnType::Text},
                                        {QStringLiteral("columnno"), ColumnType::WholeNumber},
                                        {QStringLiteral("oldvalue"), ColumnType::Text},
                                        {QStringLiteral("newvalue"), ColumnType::Text},
                                        {QStringLiteral("document"), ColumnType::Document}}};
    return table;
}

const HistoryWriter &HistoryWriter::ofThisProgram()
{
    static const HistoryWriter writer{operatingSystemUser(), QSysInfo::machineHostName(),
                                      QCoreApplication::applicationName()};
    return writer;
}

Result enableHistory(QSqlDatabase &database)
{
    if (historyComplete(database))
        return Result::success();
    Transaction transaction(database);
    if (Result begun = transaction.begin(Transaction::Kind::Writing); !begun)
        return begun;
    return transaction.end(resumeHistory(database));
}

Result suspendHistory(QSqlDatabase &database)
{
    return runAll(database, engine(database).dropHistoryTriggersSql());
}

Result resumeHistory(QSqlDatabase &database)
{
    // A table stored with other columns than the schema's gets no trigger, which would refuse every write to it.
    QVector<TableDefinition> recorded;
    for (const TableDefinition &table : schemaTables()) {
        QVector<StoredColumn> stored;
        if (Result read = engine(database).storedColumns(database, table.name, stored); !read)
            return read;
        const bool complete = std::all_of(table.columns.begin(), table.columns.end(), [&](const ColumnDefinition &column) {
            return std::any_of(stored.begin(), stored.end(), [&](const StoredColumn &candidate) {
                return candidate.name.compare(column.name, Qt::CaseInsensitive) == 0;
            });
        });
        if (complete)
            recorded << table;
    }
    return runAll(database, engine(database).historySql(recorded));
}

bool historyEnabled(const QSqlDatabase &database)
{
    QSqlDatabase connection = database;
    QStringList tables;
    return engine(connection).storedTables(connection, tables).ok() && tables.contains(kHistoryTable, Qt::CaseInsensitive)
        && tables.contains(kHistoryValueTable, Qt::CaseInsensitive);
}

QStringList historyProblems(QSqlDatabase &database)
{
    if (!historyEnabled(database))
        return {QStringLiteral("沒有變更記錄的資料表 %1 與 %2(程式下次啟動時會加上)").arg(kHistoryTable, kHistoryValueTable)};
    QStringList uncovered;
    if (Result read = uncoveredTables(database, uncovered); !read)
        return {QStringLiteral("無法讀取觸發程序的清單:%1").arg(read.message())};
    QStringList problems;
    for (const QString &table : std::as_const(uncovered))
        problems << QStringLiteral("資料表 %1 的修改沒有記錄到變更記錄裡(缺少觸發程序)").arg(table);
    return problems;
}

Result readHistory(const QSqlDatabase &database, const HistoryFilter &filter, QVector<HistoryLine> &lines)
{
    const Engine &stored = engine(database);
    QStringList conditions;
    QVariantList values;
    const auto require = [&](const QString &condition, const QString &value, int times = 1) {
        if (value.isEmpty())
            return;
        conditions << condition;
        for (int i = 0; i < times; ++i)
            values << value;
    };
    require(QStringLiteral("h.tablename = ?"), filter.table);
    require(QStringLiteral("h.rowkey = ?"), filter.key);
    require(QStringLiteral("h.changedat >= ?"), filter.since);
    require(QStringLiteral("(h.username = ? OR h.loginrole = ?)"), filter.user, 2);
    const QString sql = QStringLiteral("SELECT %1, v.columnname, v.oldvalue, v.newvalue FROM %2 h LEFT JOIN %3 v "
                                       "ON v.changeno = h.changeno %4 ORDER BY h.changeno DESC, v.columnno")
                            .arg(historyLineColumns(), stored.quotedName(kHistoryTable), stored.quotedName(kHistoryValueTable),
                                 conditions.isEmpty() ? QString() : QStringLiteral("WHERE ") + conditions.join(QStringLiteral(" AND ")));
    QSqlQuery query(database);
    if (Result ran = runRead(query, sql, values); !ran)
        return ran;
    lines.clear();
    while (query.next()) {
        HistoryLine line = historyLineOf(query);
        line.column = query.value(9).toString();
        line.oldValue = query.value(10).toString();
        line.newValue = query.value(11).toString();
        lines << line;
    }
    return readFinished(query, sql);
}

Result countHistoryBefore(const QSqlDatabase &database, const QString &before, qint64 &changes)
{
    const QString sql = QStringLiteral("SELECT count(*) FROM %1 WHERE changedat < ?").arg(engine(database).quotedName(kHistoryTable));
    QSqlQuery query(database);
    if (Result ran = runRead(query, sql, {before}); !ran)
        return ran;
    changes = query.next() ? query.value(0).toLongLong() : 0;
    return readFinished(query, sql);
}

Result pruneHistory(QSqlDatabase &database, const QString &before, qint64 &removed)
{
    const Engine &stored = engine(database);
    Transaction transaction(database);
    if (Result begun = transaction.begin(Transaction::Kind::Writing); !begun)
        return begun;
    qint64 expected = 0;
    Result result = countHistoryBefore(database, before, expected);
    const QString history = stored.quotedName(kHistoryTable);
    const QStringList statements{
        QStringLiteral("DELETE FROM %1 WHERE changeno IN (SELECT changeno FROM %2 WHERE changedat < ?)")
            .arg(stored.quotedName(kHistoryValueTable), history),
        QStringLiteral("DELETE FROM %1 WHERE changedat < ?").arg(history)};
    QSqlQuery query(database);
    for (const QString &sql : statements) {
        if (!result)
            break;
        if (!query.prepare(sql))
            result = Result::failure(engineText(query.lastError()), sql);
        query.addBindValue(before);
        if (result && !query.exec())
            result = Result::failure(engineText(query.lastError()), sql);
    }
    removed = result ? query.numRowsAffected() : 0;
    if (result && removed != expected)
        result = Result::failure(QStringLiteral("要刪除 %1 筆變更記錄,資料庫卻刪了 %2 筆;沒有刪除任何一筆。")
                                     .arg(QString::number(expected), QString::number(removed)));
    return transaction.end(result);
}

QString shownAction(const QString &action)
{
    if (action == QLatin1String("insert"))
        return QStringLiteral("新增");
    if (action == QLatin1String("update"))
        return QStringLiteral("修改");
    if (action == QLatin1String("delete"))
        return QStringLiteral("刪除");
    return action;
}

QString shownWho(const HistoryLine &line)
{
    const QString user = line.user.isEmpty() ? QStringLiteral("(不明)") : line.user;
    const QString where = line.host.isEmpty() ? user : user + QLatin1Char('@') + line.host;
    return line.loginRole.isEmpty() ? where : QStringLiteral("%1(%2)").arg(line.loginRole, where);
}
