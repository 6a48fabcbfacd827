#include "admin/importplan.h"

#include <QJsonDocument>
#include <QJsonObject>

namespace {

int indexOf(const QStringList &names, const QString &name)
{
    for (int i = 0; i < names.size(); ++i)
        if (names.at(i).compare(name, Qt::CaseInsensitive) == 0)
            return i;
    return -1;
}

const ImportMap::TableMap *mapOf(const ImportMap &map, const QString &table)
{
    for (auto it = map.tables.cbegin(); it != map.tables.cend(); ++it)
        if (it.key().compare(table, Qt::CaseInsensitive) == 0)
            return &it.value();
    return nullptr;
}

TablePlan planTable(const JetTable &source, const TableDefinition &target, const ImportMap::TableMap *map,
                    QStringList &problems)
{
    TablePlan plan;
    plan.source = source.name;
    plan.target = &target;
    plan.rowCount = source.rowCount;
    const QStringList targetColumns = target.columnNames();
    plan.sourceColumnOf.fill(-1, targetColumns.size());
    QVector<bool> used(source.columns.size(), false);
    if (map) {
        for (auto it = map->columns.cbegin(); it != map->columns.cend(); ++it) {
            const int from = indexOf(source.columns, it.key());
            const int to = indexOf(targetColumns, it.value());
            if (from < 0)
                problems << QStringLiteral("對照檔的欄位 %1.%2 在舊資料庫裡找不到").arg(source.name, it.key());
            if (to < 0)
                problems << QStringLiteral("對照檔把 %1.%2 對到 %3.%4,但 %3 沒有這個欄位")
                                .arg(source.name, it.key(), target.name, it.value());
            else if (plan.sourceColumnOf.at(to) >= 0)
                problems << QStringLiteral("對照檔把兩個欄位都對到 %1.%2").arg(target.name, targetColumns.at(to));
            if (from >= 0 && to >= 0 && plan.sourceColumnOf.at(to) < 0) {
                plan.sourceColumnOf[to] = from;
                used[from] = true;
            }
        }
    }
    for (int from = 0; from < source.columns.size(); ++from) {
        if (used.at(from))
            continue;
        const int to = indexOf(targetColumns, source.columns.at(from));
        if (to >= 0 && plan.sourceColumnOf.at(to) < 0)
            plan.sourceColumnOf[to] = from;
        else
            plan.unmatchedColumns << source.columns.at(from);
    }
    return plan;
}

} // namespace

Result ImportMap::parse(const QByteArray &json, ImportMap &map)
{
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(json, &error);
    if (error.error != QJsonParseError::NoError)
        return Result::failure(QStringLiteral("對照檔不是正確的 JSON:%1(第 %2 個字元)").arg(error.errorString()).arg(error.offset));
    const QJsonValue tables = document.object().value(QStringLiteral("tables"));
    if (!tables.isObject())
        return Result::failure(QStringLiteral("對照檔沒有 \"tables\" 物件。"));
    map.tables.clear();
    const QJsonObject tableObject = tables.toObject();
    for (auto it = tableObject.constBegin(); it != tableObject.constEnd(); ++it) {
        const QJsonObject entry = it.value().toObject();
        TableMap tableMap;
        tableMap.into = entry.value(QStringLiteral("into")).toString();
        if (tableMap.into.isEmpty())
            return Result::failure(QStringLiteral("對照檔的資料表 %1 沒有 \"into\"。").arg(it.key()));
        const QJsonObject columns = entry.value(QStringLiteral("columns")).toObject();
        for (auto column = columns.constBegin(); column != columns.constEnd(); ++column) {
            if (!column.value().isString())
                return Result::failure(QStringLiteral("對照檔的欄位 %1.%2 要對到一個欄位名稱。").arg(it.key(), column.key()));
            tableMap.columns.insert(column.key(), column.value().toString());
        }
        map.tables.insert(it.key(), tableMap);
    }
    return Result::success();
}

ImportPlan planImport(const QVector<JetTable> &tables, const ImportMap &map)
{
    ImportPlan plan;
    for (auto it = map.tables.cbegin(); it != map.tables.cend(); ++it) {
        const bool present = std::any_of(tables.cbegin(), tables.cend(), [&](const JetTable &table) {
            return table.name.compare(it.key(), Qt::CaseInsensitive) == 0;
        });
        if (!present)
            plan.problems << QStringLiteral("對照檔的資料表 %1 在舊資料庫裡找不到").arg(it.key());
        if (!schemaTable(it.value().into))
            plan.problems << QStringLiteral("對照檔把 %1 對到 %2,但 vemo 沒有這個資料表").arg(it.key(), it.value().into);
    }
    for (const JetTable &table : tables) {
        const ImportMap::TableMap *tableMap = mapOf(map, table.name);
        const TableDefinition *target = schemaTable(tableMap ? tableMap->into : table.name);
        if (target)
            plan.tables << planTable(table, *target, tableMap, plan.problems);
        else if (!tableMap)
            plan.unmatchedTables << table.name;
    }
    return plan;
}
