#include "admin/exportcommand.h"

#include "admin/console.h"
#include "admin/csv.h"
#include "admin/progress.h"
#include "data/records/document.h"
#include "data/engine.h"
#include "data/connection/engineconnection.h"
#include "data/schema.h"
#include "data/tables/tablereading.h"

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
    TableExport(const TableDefinition &table, const QString &documents, bool exact)
        : m_table(table), m_documents(documents), m_formulas(exact)
    {
    }

    Result write(QSqlDatabase database, QIODevice &out, bool bom)
    {
        qint64 total = 0;
        const bool showProgress = console::messagesGoToTerminal() && !console::quiet();
        if (showProgress)
            if (Result counted = countTableRows(database, m_table.name, total); !counted)
                return counted;
        Progress progress(total, showProgress);
        QByteArray records;
        records.reserve(2 * kWriteBytes);
        // The first row is read whole before anything is written, so its failure leaves the output empty.
        bool started = false;
        const Result read = engine(database).readStoredRows(database, m_table, [&](const StoredRow &row) {
            ++m_rows;
            progress.advance();
            for (int i = 0; i < m_table.columns.size(); ++i) {
                if (i > 0)
                    records += ',';
                if (Result appended = appendValue(records, row, i); !appended)
                    return appended;
            }
            records += "\r\n";
            if (!started && !(started = writeHeader(out, bom)))
                return Result::failure(out.errorString());
            if (records.size() >= kWriteBytes && !writeOut(out, records))
                return Result::failure(out.errorString());
            return Result::success();
        });
        if (!read)
            return read;
        if ((!started && !writeHeader(out, bom)) || !writeOut(out, records))
            return Result::failure(out.errorString());
        return Result::success();
    }

    qint64 rows() const { return m_rows; }
    const QStringList &problems() const { return m_problems; }
    const FormulaGuard &formulas() const { return m_formulas; }

private:
    bool writeHeader(QIODevice &out, bool bom)
    {
        if (bom && out.write("\xEF\xBB\xBF") != 3)
            return false;
        const QByteArray header = csvRecord(m_table.columnNames(), m_formulas).toUtf8();
        return out.write(header) == header.size();
    }

    /// A value as its bytes where the engine's are the text itself; a text
    /// that is not one (a NUL, invalid UTF-8) is refused rather than altered.
    Result appendValue(QByteArray &records, const StoredRow &row, int column)
    {
        if (row.isNull(column))
            return Result::success();
        const ColumnDefinition &definition = m_table.columns.at(column);
        const QByteArrayView bytes = row.bytes(column);
        if (definition.type == ColumnType::Document) {
            appendCsvField(records, documentField(definition, bytes.toByteArray()), m_formulas);
            return Result::success();
        }
        const QString problem = bytes.contains('\0')   ? QStringLiteral("含有 NUL 字元")
                              : !bytes.isValidUtf8() ? QStringLiteral("不是有效的 UTF-8 文字")
                                                     : QString();
        if (!problem.isEmpty())
            return Result::failure(QStringLiteral("資料表 %1 第 %2 筆資料的欄位 %3 %4,無法匯出。")
                                       .arg(m_table.name, QString::number(m_rows), definition.name, problem));
        appendCsvField(records, bytes, m_formulas);
        return Result::success();
    }

    QString documentField(const ColumnDefinition &column, const QByteArray &stored)
    {
        const Document document = Document::fromStored(stored);
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
    FormulaGuard m_formulas;
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
    const QCommandLineOption exact = exactCsvOption();
    parser.addOptions({output, bom, documents, exact});
    parser.addPositionalArgument(QStringLiteral("TABLE"), QStringLiteral("資料表名稱,例如 CF、MSF、EMPLOYEE。"));
    if (auto status = parse(parser, arguments, QStringLiteral("export TABLE [--output FILE] [--bom] [--documents DIR] [--exact]")))
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
    TableExport tableExport(*table, parser.value(documents), parser.isSet(exact));
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
        console::message(QStringLiteral("匯出失敗:%1").arg(written.message()));
        return kExitFailed;
    }
    console::note(QStringLiteral("%1:匯出 %2 筆。").arg(table->name, QString::number(tableExport.rows())));
    if (tableExport.formulas().defused() > 0)
        console::note(tableExport.formulas().note());
    return tableExport.problems().isEmpty() ? kExitOk : kExitFailed;
}
