#include "admin/databasecheck.h"

#include "data/engine/sqlite/sqlitefile.h"
#include "data/document.h"
#include "data/engineconnection.h"
#include "data/enginetext.h"
#include "data/schema.h"

#include <QFileInfo>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>

namespace {

void checkColumns(const QSqlDatabase &database, QStringList &problems)
{
    const QStringList tables = database.tables();
    for (const TableDefinition &table : schemaTables()) {
        if (!tables.contains(table.name, Qt::CaseInsensitive)) {
            problems << QStringLiteral("缺少資料表 %1").arg(table.name);
            continue;
        }
        const QSqlRecord record = database.record(table.name);
        for (const QString &column : table.columnNames())
            if (record.indexOf(column) < 0)
                problems << QStringLiteral("資料表 %1 缺少欄位 %2").arg(table.name, column);
    }
}

void checkDocuments(const QSqlDatabase &database, QStringList &problems)
{
    for (const TableDefinition &table : schemaTables()) {
        const QSqlRecord record = database.record(table.name);
        const QString key = table.columns.constFirst().name;
        for (const ColumnDefinition &column : table.columns) {
            if (column.type != ColumnType::Document || record.indexOf(column.name) < 0 || record.indexOf(key) < 0)
                continue;
            QSqlQuery query(database);
            query.setForwardOnly(true);
            if (!query.exec(QStringLiteral("SELECT \"%1\", \"%2\" FROM \"%3\"").arg(key, column.name, table.name))) {
                problems << QStringLiteral("無法讀取 %1.%2:%3").arg(table.name, column.name, engineText(query.lastError()));
                continue;
            }
            for (qint64 row = 1; query.next(); ++row) {
                const Document document = Document::fromStored(query.value(1));
                if (document.isEmpty())
                    continue;
                QByteArray content;
                if (Result read = document.readContent(&content); !read)
                    problems << QStringLiteral("%1 第 %2 筆 (%3 = %4) 的文件 %5 讀不出來:%6")
                                    .arg(table.name)
                                    .arg(row)
                                    .arg(key, query.value(0).toString(), column.name, read.message());
            }
            if (query.lastError().isValid())
                problems << QStringLiteral("無法讀完 %1.%2:%3").arg(table.name, column.name, engineText(query.lastError()));
        }
    }
}

} // namespace

QStringList databaseProblems(const QString &file)
{
    if (!QFileInfo(file).isFile())
        return {QStringLiteral("找不到資料庫檔案 %1").arg(file)};
    QStringList problems;
    if (Result checked = sqlitefile::integrityCheck(file, problems); !checked)
        return problems << QStringLiteral("完整性檢查無法進行:%1").arg(checked.message());
    EngineConnection connection;
    if (Result opened = connection.open(file); !opened)
        return problems << QStringLiteral("無法開啟資料庫:%1").arg(opened.message());
    checkColumns(connection.database(), problems);
    checkDocuments(connection.database(), problems);
    return problems;
}
