#include "admin/schemacommand.h"

#include "admin/console.h"
#include "admin/texttable.h"
#include "data/engine.h"
#include "data/connection/engineconnection.h"
#include "data/connection/serveraddress.h"
#include "data/schema.h"

#include <QFileInfo>
#include <QTemporaryDir>

namespace {

/// The table's columns as the database holds them beside what vemo expects of each.
Result addTable(QSqlDatabase &database, const TableDefinition &table, TextTable &listing, QStringList &missing)
{
    QVector<StoredColumn> stored;
    if (Result read = engine(database).storedColumns(database, table.name, stored); !read)
        return read;
    if (stored.isEmpty()) {
        missing << table.name;
        return Result::success();
    }
    for (const StoredColumn &column : stored) {
        const auto expected = std::find_if(table.columns.cbegin(), table.columns.cend(), [&](const ColumnDefinition &c) {
            return c.name.compare(column.name, Qt::CaseInsensitive) == 0;
        });
        listing.addRow({table.name, column.name, column.type,
                        expected == table.columns.cend() ? QStringLiteral("(vemo 不用)") : columnTypeName(expected->type)});
    }
    return Result::success();
}

} // namespace

bool SchemaCommand::openDatabaseOrNewOne(EngineConnection &connection, const QString &database, const QTemporaryDir &scratch)
{
    if (ServerAddress::isServerAddress(database) || QFileInfo::exists(database))
        return openDatabase(connection, database);
    console::note(QStringLiteral("資料庫 %1 還不存在;以下是 vemo 第一次啟動時建立的資料表與欄位。").arg(database));
    const Result opened = scratch.isValid()
        ? connection.open(scratch.filePath(QStringLiteral("vemo.sqlite")), EngineConnection::Missing::Create)
        : Result::failure(QStringLiteral("無法建立暫存資料夾,列不出資料表。"));
    if (!opened)
        console::message(opened.message());
    return opened.ok();
}

int SchemaCommand::run(const QStringList &arguments, const QString &database)
{
    QCommandLineParser parser;
    const QCommandLineOption csv(QStringLiteral("csv"), QStringLiteral("以 CSV 輸出,不排成文字表格。"));
    const QCommandLineOption exact = exactCsvOption();
    parser.addOptions({csv, exact});
    if (auto status = parse(parser, arguments, QStringLiteral("schema [--csv [--exact]]")))
        return *status;
    if (!parser.positionalArguments().isEmpty()) {
        console::message(QStringLiteral("vemo-admin schema:不需要引數。"));
        return kExitUsage;
    }
    const QTemporaryDir scratch;
    EngineConnection connection;
    if (!openDatabaseOrNewOne(connection, database, scratch))
        return kExitFailed;
    QSqlDatabase db = connection.database();
    TextTable listing({QStringLiteral("資料表"), QStringLiteral("欄位"), QStringLiteral("型別"), QStringLiteral("vemo 的用途")});
    QStringList missing;
    QVector<TableDefinition> tables = schemaTables();
    tables << stockLedgerTable();
    for (const TableDefinition &table : tables) {
        if (Result added = addTable(db, table, listing, missing); !added) {
            console::message(added.message());
            return kExitFailed;
        }
    }
    FormulaGuard formulas(parser.isSet(exact));
    console::dataBytes((parser.isSet(csv) ? listing.toCsv(formulas) : listing.toText()).toUtf8());
    if (formulas.defused() > 0)
        console::note(formulas.note());
    missing.removeOne(stockLedgerTable().name);
    if (!missing.isEmpty()) {
        console::message(QStringLiteral("資料庫沒有這些資料表:%1").arg(missing.join(QStringLiteral("、"))));
        return kExitFailed;
    }
    return kExitOk;
}
