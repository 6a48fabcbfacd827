#include "support/everyrow.h"

#include "data/engine.h"
#include "data/connection/engineconnection.h"
#include "data/schema.h"
#include "data/tables/stockledger.h"

#include <QSqlQuery>
#include <QSqlRecord>

namespace {

QVariant comparable(const QVariant &value)
{
    if (value.isNull())
        return QVariant();
    if (value.typeId() == QMetaType::QByteArray)
        return value.toByteArray();
    return value.toString();
}

} // namespace

QVector<QVariantList> everyRow(const QString &database)
{
    EngineConnection connection;
    if (Result opened = connection.openForReading(database); !opened)
        qFatal("cannot open %s: %s", qPrintable(database), qPrintable(opened.message()));
    const Engine &db = engine(connection.database());
    QVector<QVariantList> rows;
    for (const TableDefinition &table : schemaTables() + QVector<TableDefinition>{stockLedgerTable()}) {
        QStringList columns;
        for (const ColumnDefinition &column : table.columns)
            columns << (column.type == ColumnType::Document ? db.storedValue(db.quotedName(column.name))
                                                            : db.quotedName(column.name));
        QSqlQuery query(connection.database());
        query.exec(QStringLiteral("SELECT %1 FROM %2 ORDER BY %3")
                       .arg(columns.join(QLatin1Char(',')), db.quotedName(table.name), db.rowIdentity()));
        while (query.next()) {
            QVariantList row{table.name};
            for (int i = 0; i < query.record().count(); ++i)
                row << comparable(query.value(i));
            rows << row;
        }
    }
    return rows;
}
