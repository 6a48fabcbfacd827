#include "admin/exportcommand.h"

#include "admin/console.h"
#include "admin/csv.h"
#include "admin/progress.h"
#include "data/document.h"
#include "data/engineconnection.h"
#include "data/schema.h"
#include "data/tablereading.h"

#include <QDir>
#include <QFileInfo>
#include <QSaveFile>

namespace {

// Records gathered before they are written, so a write is not made for each.
constexpr qsizetype kWriteBytes = 1 << 16;

bool writeOut(QIODevice &out, QByteArray &records)
{
    const bool written = records.isEmpty() || out.write(records) == records.size();
    records.resize(0);
    return written;
}

/// A file name in the folder that no earlier document of this export took.
QString freeName(const QDir &folder, const QString &wanted, QSet<QString> &taken)
{
    const QFileInfo info(wanted.isEmpty() ? QStringLiteral("document") : wanted);
    QString name = info.fileName();
    for (int n = 2; taken.contains(name.toLower()) || folder.exists(name); ++n)
        name = info.suffix().isEmpty() ? QStringLiteral("%1 (%2)").arg(info.completeBaseName()).arg(n)
                                       : QStringLiteral("%1 (%2).%3").arg(info.completeBaseName()).arg(n).arg(info.suffix());
    taken.insert(name.toLower());
    return name;
}

class TableExport
{
public:
    TableExport(const TableDefinition &table, const QString &documents) : m_table(table), m_documents(documents) {}

    Result write(QSqlDatabase database, QIODevice &out, bool bom)
    {
        qint64 total = 0;
        const bool showProgress = console::messagesGoToTerminal() && !console::quiet();
        if (showProgress)
            if (Result counted = countTableRows(database, m_table.name, total); !counted)
                return counted;
        Progress progress(total, showProgress);
        // Read before anything is written, so a failure leaves the output empty.
        TableReading reading;
        if (Result started = reading.start(database, m_table.name, m_table.columnNames()); !started)
            return started;
        if (bom)
            out.write("\xEF\xBB\xBF");
        if (out.write(csvRecord(m_table.columnNames()).toUtf8()) < 0)
            return Result::failure(out.errorString());
        QByteArray records;
        records.reserve(2 * kWriteBytes);
        while (reading.next()) {
            ++m_rows;
            progress.advance();
            for (int i = 0; i < m_table.columns.size(); ++i) {
                if (i > 0)
                    records += ',';
                appendCsvField(records, field(m_table.columns.at(i), reading.value(i)));
            }
            records += "\r\n";
            if (records.size() >= kWriteBytes && !writeOut(out, records))
                return Result::failure(out.errorString());
        }
        if (!writeOut(out, records))
            return Result::failure(out.errorString());
        return reading.finish();
    }

    qint64 rows() const { return m_rows; }
    const QStringList &problems() const { return m_problems; }

private:
    QString field(const ColumnDefinition &column, const QVariant &value)
    {
        if (column.type != ColumnType::Document)
            return value.isNull() ? QString() : value.toString();
        const Document document = Document::fromStored(value);
        if (m_documents.isEmpty() || document.isEmpty())
            return document.description();
        const QDir folder(m_documents);
        const QString name = freeName(folder, document.fileName(), m_taken);
        if (Result saved = document.saveCopy(folder.filePath(name)); !saved) {
            m_problems << QStringLiteral("%1 第 %2 筆 %3:%4").arg(m_table.name).arg(m_rows).arg(column.name, saved.message());
            return document.description();
        }
        return name;
    }

    const TableDefinition &m_table;
    QString m_documents;
    QSet<QString> m_taken;
    QStringList m_problems;
    qint64 m_rows = 0;
};

} // namespace

int ExportCommand::run(const QStringList &arguments, const QString &database)
{
    QCommandLineParser parser;
    const QCommandLineOption output(QStringLiteral("output"), QStringLiteral("寫到這個檔案 (預設寫到標準輸出)。"), QStringLiteral("FILE"));
    const QCommandLineOption bom(QStringLiteral("bom"), QStringLiteral("在開頭加上 UTF-8 的 BOM,給需要它的試算表程式。"));
    const QCommandLineOption documents(QStringLiteral("documents"),
                                       QStringLiteral("把每份文件的檔案寫到這個資料夾,欄位裡放檔名 (預設欄位裡放文件的說明)。"),
                                       QStringLiteral("DIR"));
    parser.addOptions({output, bom, documents});
    parser.addPositionalArgument(QStringLiteral("TABLE"), QStringLiteral("資料表名稱,例如 CF、MSF、EMPLOYEE。"));
    if (auto status = parse(parser, arguments, QStringLiteral("export TABLE [--output FILE] [--bom] [--documents DIR]")))
        return *status;
    if (parser.positionalArguments().size() != 1) {
        console::message(QStringLiteral("vemo-admin export:要指定一個資料表。"));
        return kExitUsage;
    }
    const QString name = parser.positionalArguments().constFirst();
    const TableDefinition *table =
        name.compare(stockLedgerTable().name, Qt::CaseInsensitive) == 0 ? &stockLedgerTable() : schemaTable(name);
    if (!table) {
        console::message(QStringLiteral("vemo-admin export:沒有資料表「%1」。").arg(name));
        return kExitUsage;
    }
    if (parser.isSet(documents) && !QDir().mkpath(parser.value(documents))) {
        console::message(QStringLiteral("無法建立資料夾 %1。").arg(parser.value(documents)));
        return kExitFailed;
    }

    EngineConnection connection;
    if (!openDatabase(connection, database))
        return kExitFailed;
    TableExport tableExport(*table, parser.value(documents));
    Result written = Result::success();
    if (parser.isSet(output)) {
        QSaveFile file(parser.value(output));
        if (!file.open(QIODevice::WriteOnly)) {
            console::message(QStringLiteral("無法寫入 %1:%2").arg(file.fileName(), file.errorString()));
            return kExitFailed;
        }
        written = tableExport.write(connection.database(), file, parser.isSet(bom));
        if (written && !file.commit())
            written = Result::failure(QStringLiteral("無法寫入 %1:%2").arg(file.fileName(), file.errorString()));
    } else {
        QFile out;
        out.open(stdout, QIODevice::WriteOnly);
        written = tableExport.write(connection.database(), out, parser.isSet(bom));
    }
    for (const QString &problem : tableExport.problems())
        console::message(problem);
    if (!written) {
        console::message(written.message());
        return kExitFailed;
    }
    console::note(QStringLiteral("%1:匯出 %2 筆。").arg(table->name, QString::number(tableExport.rows())));
    return tableExport.problems().isEmpty() ? kExitOk : kExitFailed;
}
