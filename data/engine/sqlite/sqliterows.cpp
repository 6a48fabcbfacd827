#include "data/engine/sqlite/sqliteengine.h"

#include "data/enginetext.h"
#include "data/schema.h"

#include <QSqlError>
#include <QSqlQuery>

namespace {

/// A value as SQLite is to store it: a text as text even when it comes as
/// bytes, an empty document as an empty blob rather than none.
QVariant boundValue(const QVariant &value, ColumnType type)
{
    if (value.isNull() || value.typeId() != QMetaType::QByteArray)
        return value;
    if (type == ColumnType::Text)
        return QString::fromUtf8(value.toByteArray());
    const QByteArray bytes = value.toByteArray();
    return bytes.isNull() ? QByteArray("", 0) : bytes;
}

} // namespace

QString SqliteEngine::storedValue(const QString &quotedColumn) const
{
    return QStringLiteral("CAST(%1 AS BLOB)").arg(quotedColumn);
}

Result SqliteEngine::appendRows(QSqlDatabase &database, const TableDefinition &table,
                                const QVector<QVariantList> &rows) const
{
    QStringList columns;
    for (const ColumnDefinition &column : table.columns)
        columns << quotedName(column.name);
    const QString sql = QStringLiteral("INSERT INTO %1 (%2) VALUES (%3)")
                            .arg(quotedName(table.name), columns.join(QStringLiteral(", ")),
                                 QStringList(columns.size(), QStringLiteral("?")).join(QStringLiteral(", ")));
    QSqlQuery insert(database);
    if (!insert.prepare(sql))
        return Result::failure(engineText(insert.lastError()), sql);
    for (const QVariantList &row : rows) {
        for (int column = 0; column < table.columns.size(); ++column)
            insert.bindValue(column, boundValue(row.at(column), table.columns.at(column).type));
        if (!insert.exec())
            return Result::failure(engineText(insert.lastError()), sql);
        if (insert.numRowsAffected() != 1)
            return Result::failure(QStringLiteral("寫入資料表 %1 的一筆資料改到了 %2 筆。")
                                       .arg(table.name, QString::number(insert.numRowsAffected())));
    }
    return Result::success();
}
