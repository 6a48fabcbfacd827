#include "admin/reports.h"

#include "admin/contractdate.h"
#include "data/tables/tablereading.h"

#include <QHash>
#include <QRegularExpression>

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

} // namespace

Result lowStockReport(const QSqlDatabase &database, TextTable &report)
{
    QVector<QVariantList> rows;
    const QStringList supplierColumns{QStringLiteral("supplierno"), QStringLiteral("supplier"), QStringLiteral("phoneno")};
    if (Result read = readTableRows(database, QStringLiteral("SUPPLIER"), supplierColumns, rows); !read)
        return read;
    QHash<QString, QStringList> suppliers;
    for (const QVariantList &supplier : std::as_const(rows))
        if (!suppliers.contains(supplier.at(0).toString().toLower()))
            suppliers.insert(supplier.at(0).toString().toLower(), {supplier.at(1).toString(), supplier.at(2).toString()});

    report = TextTable({QStringLiteral("材料編號"), QStringLiteral("材料名稱"), QStringLiteral("庫存"), QStringLiteral("安全存量"),
                        QStringLiteral("狀態"), QStringLiteral("供應商"), QStringLiteral("電話")});
    const QStringList materialColumns{QStringLiteral("materielno"), QStringLiteral("materiel"), QStringLiteral("inventory"),
                                      QStringLiteral("safestock"), QStringLiteral("supplierno")};
    if (Result read = readTableRows(database, QStringLiteral("MSF"), materialColumns, rows); !read)
        return read;
    QVector<QStringList> unreadable;
    for (const QVariantList &row : std::as_const(rows)) {
        const QStringList material{row.at(0).toString(), row.at(1).toString(), row.at(2).toString(), row.at(3).toString()};
        const std::optional<double> stock = readQuantity(row.at(2));
        const std::optional<double> safe = readQuantity(row.at(3));
        if (!stock || !safe)
            unreadable << material + QStringList{QStringLiteral("庫存或安全存量不是數字"), QString(), QString()};
        else if (*stock < *safe)
            report.addRow(material + QStringList{QStringLiteral("低於安全存量")}
                          + suppliers.value(row.at(4).toString().toLower(), {QString(), QString()}));
    }
    for (const QStringList &material : unreadable)
        report.addRow(material);
    return Result::success();
}

Result contractsReport(const QSqlDatabase &database, const QDate &today, int days, TextTable &report)
{
    QVector<QVariantList> rows;
    const QStringList columns{QStringLiteral("contractno"), QStringLiteral("contractname"), QStringLiteral("enddate")};
    if (Result read = readTableRows(database, QStringLiteral("CC"), columns, rows); !read)
        return read;
    struct Listed
    {
        QDate date;
        QStringList row;
    };
    QVector<Listed> listed;
    QVector<QStringList> unreadable;
    for (const QVariantList &row : std::as_const(rows)) {
        const QString endText = row.at(2).toString();
        if (endText.trimmed().isEmpty())
            continue;
        const QDate end = readContractDate(endText);
        const QStringList contract{row.at(0).toString(), row.at(1).toString(), endText};
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
