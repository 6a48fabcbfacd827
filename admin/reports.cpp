#include "admin/reports.h"

#include "admin/contractdate.h"
#include "data/enginetext.h"

#include <QHash>
#include <QRegularExpression>
#include <QSqlError>
#include <QSqlQuery>

#include <algorithm>
#include <optional>

namespace {

std::optional<double> readQuantity(const QVariant &value)
{
    static const QRegularExpression form(QStringLiteral(R"(^\s*[+-]?(\d+\.?\d*|\.\d+)\s*$)"));
    const QString text = value.toString().normalized(QString::NormalizationForm_KC);
    if (value.isNull() || !form.match(text).hasMatch())
        return std::nullopt;
    return text.trimmed().toDouble();
}

Result select(const QSqlDatabase &database, const QString &sql, QSqlQuery &query)
{
    query = QSqlQuery(database);
    query.setForwardOnly(true);
    if (!query.exec(sql))
        return Result::failure(engineText(query.lastError()), sql);
    return Result::success();
}

} // namespace

Result lowStockReport(const QSqlDatabase &database, TextTable &report)
{
    QSqlQuery query;
    if (Result read = select(database, QStringLiteral("SELECT supplierno, supplier, phoneno FROM SUPPLIER"), query); !read)
        return read;
    QHash<QString, QStringList> suppliers;
    while (query.next())
        if (!suppliers.contains(query.value(0).toString().toLower()))
            suppliers.insert(query.value(0).toString().toLower(), {query.value(1).toString(), query.value(2).toString()});

    report = TextTable({QStringLiteral("材料編號"), QStringLiteral("材料名稱"), QStringLiteral("庫存"), QStringLiteral("安全存量"),
                        QStringLiteral("狀態"), QStringLiteral("供應商"), QStringLiteral("電話")});
    if (Result read = select(database, QStringLiteral("SELECT materielno, materiel, inventory, safestock, supplierno FROM MSF"), query); !read)
        return read;
    QVector<QStringList> unreadable;
    while (query.next()) {
        const QStringList material{query.value(0).toString(), query.value(1).toString(), query.value(2).toString(),
                                   query.value(3).toString()};
        const std::optional<double> stock = readQuantity(query.value(2));
        const std::optional<double> safe = readQuantity(query.value(3));
        if (!stock || !safe)
            unreadable << material + QStringList{QStringLiteral("庫存或安全存量不是數字"), QString(), QString()};
        else if (*stock < *safe)
            report.addRow(material + QStringList{QStringLiteral("低於安全存量")}
                          + suppliers.value(query.value(4).toString().toLower(), {QString(), QString()}));
    }
    for (const QStringList &material : unreadable)
        report.addRow(material);
    return Result::success();
}

Result contractsReport(const QSqlDatabase &database, const QDate &today, int days, TextTable &report)
{
    QSqlQuery query;
    if (Result read = select(database, QStringLiteral("SELECT contractno, contractname, enddate FROM CC"), query); !read)
        return read;
    struct Listed
    {
        QDate date;
        QStringList row;
    };
    QVector<Listed> listed;
    QVector<QStringList> unreadable;
    while (query.next()) {
        const QString endText = query.value(2).toString();
        if (endText.trimmed().isEmpty())
            continue;
        const QDate end = readContractDate(endText);
        const QStringList contract{query.value(0).toString(), query.value(1).toString(), endText};
        const qint64 left = end.isValid() ? today.daysTo(end) : 0;
        if (!end.isValid())
            unreadable << contract + QStringList{QStringLiteral("結束日期讀不出"), QString()};
        else if (left >= 0 && left <= days)
            listed << Listed{end, contract + QStringList{QStringLiteral("將到期"), QString::number(left)}};
        else if (left < 0 && -left <= days)
            listed << Listed{end, contract + QStringList{QStringLiteral("已結束"), QString::number(-left)}};
    }
    std::stable_sort(listed.begin(), listed.end(), [](const Listed &a, const Listed &b) { return a.date < b.date; });
    report = TextTable({QStringLiteral("合約編號"), QStringLiteral("合約名稱"), QStringLiteral("結束日期"), QStringLiteral("狀態"),
                        QStringLiteral("天數")});
    for (const Listed &contract : listed)
        report.addRow(contract.row);
    for (const QStringList &contract : unreadable)
        report.addRow(contract);
    return Result::success();
}
