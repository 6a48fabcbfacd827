#include "admin/jetfile.h"

#include "admin/codepage.h"
#include "admin/jetcatalog.h"
#include "admin/librarywarnings.h"

#include <QFile>
#include <QFileInfo>
#include <QLocale>
#include <QSet>
#include <QtEndian>

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <mdbtools.h>

namespace {

// Text arrives from libmdb as UTF-8 of Latin-1, i.e. the stored bytes one for
// one, so that the chosen code page decodes them rather than libmdb's default.
constexpr const char *kByteTransparent = "ISO-8859-1";
// Memos and objects are read in chunks of at most a page, other values are short.
constexpr size_t kBindSize = 64 * 1024;
// No memo or object of an office's file is near this; a damaged length is.
constexpr quint32 kLongValueLimit = 256u << 20;
// Jet holds at most 255 columns in a table.
constexpr unsigned int kColumnLimit = 255;

struct Binding
{
    QByteArray buffer;
    int length = 0;
};

bool isLong(const MdbColumn *column)
{
    return column->col_type == MDB_MEMO || column->col_type == MDB_OLE;
}

// Access 2019's extended date and time, which this libmdb does not read.
constexpr int kExtendedDateTime = 20;

/// The columns vemo reads: every type of the old engine, none of the later Access's.
bool readable(const MdbColumn *column)
{
    switch (column->col_type) {
    case MDB_BOOL: case MDB_BYTE: case MDB_INT: case MDB_LONGINT: case MDB_MONEY: case MDB_FLOAT: case MDB_DOUBLE:
    case MDB_DATETIME: case MDB_BINARY: case MDB_TEXT: case MDB_OLE: case MDB_MEMO: case MDB_REPID: case MDB_NUMERIC:
    case MDB_COMPLEX:
        return true;
    default:
        return false;
    }
}

QString typeName(const MdbColumn *column)
{
    switch (column->col_type) {
    case MDB_BOOL: return QStringLiteral("是/否");
    case MDB_BYTE: return QStringLiteral("位元組");
    case MDB_INT: return QStringLiteral("整數");
    case MDB_LONGINT: return QStringLiteral("長整數");
    case MDB_MONEY: return QStringLiteral("貨幣");
    case MDB_FLOAT: return QStringLiteral("單精準數");
    case MDB_DOUBLE: return QStringLiteral("雙精準數");
    case MDB_DATETIME: return QStringLiteral("日期/時間");
    case MDB_BINARY: return QStringLiteral("二進位 (%1)").arg(column->col_size);
    case MDB_TEXT: return QStringLiteral("文字 (%1)").arg(column->col_size);
    case MDB_OLE: return QStringLiteral("OLE 物件");
    case MDB_MEMO: return QStringLiteral("備忘");
    case MDB_REPID: return QStringLiteral("複寫識別碼");
    case MDB_NUMERIC: return QStringLiteral("小數 (%1, %2)").arg(column->col_prec).arg(column->col_scale);
    case MDB_COMPLEX: return QStringLiteral("複合");
    case kExtendedDateTime: return QStringLiteral("擴充日期/時間 (型別 20)");
    default: return QStringLiteral("型別 %1").arg(column->col_type);
    }
}

QString columnName(const MdbTableDef *table, unsigned int c)
{
    return QString::fromUtf8(static_cast<MdbColumn *>(g_ptr_array_index(table->columns, c))->name);
}

QString damaged(const QString &table, const QString &what)
{
    return QStringLiteral("資料表 %1 %2").arg(table, what);
}

QString decimalText(double value)
{
    return QString::number(value, 'g', QLocale::FloatingPointShortest);
}

/// Currency is a whole number of ten-thousandths.
QString moneyText(qint64 units)
{
    const bool negative = units < 0;
    const quint64 magnitude = negative ? quint64(-(units + 1)) + 1 : quint64(units);
    QString text = QString::number(magnitude / 10000);
    QString fraction = QStringLiteral("%1").arg(magnitude % 10000, 4, 10, QLatin1Char('0'));
    while (fraction.endsWith(QLatin1Char('0')))
        fraction.chop(1);
    if (!fraction.isEmpty())
        text += QLatin1Char('.') + fraction;
    return negative ? QLatin1Char('-') + text : text;
}

} // namespace

struct JetFile::Private
{
    MdbHandle *mdb = nullptr;
    CodePage codePage;
    LibraryWarnings warnings;
    JetCatalog catalog;
    QVector<JetTable> tables;
    QString path;

    ~Private()
    {
        if (mdb)
            mdb_close(mdb);
    }

    const unsigned char *fixedValue(const MdbColumn *column) const
    {
        return mdb->pg_buf + column->cur_value_start;
    }

    /// Follows a memo's or object's chain of pages, stopping at a row of a
    /// page met before or at more bytes than the value says it holds; false
    /// when the bytes read are not the stated length.
    bool readLong(MdbColumn *column, Binding &binding, QByteArray &bytes)
    {
        if (column->cur_value_len < MDB_MEMO_OVERHEAD)
            return false;
        unsigned char pointer[MDB_MEMO_OVERHEAD];
        std::memcpy(pointer, fixedValue(column), MDB_MEMO_OVERHEAD);
        const quint32 stated = qFromLittleEndian<quint32>(pointer) & 0x3FFFFFFFu;
        if (stated > kLongValueLimit)
            return false;
        column->bind_ptr = binding.buffer.data();
        size_t chunk = mdb_ole_read(mdb, column, pointer, binding.buffer.size());
        QSet<quint32> rowsRead;
        while (chunk > 0 && quint64(bytes.size()) + chunk <= stated) {
            bytes.append(binding.buffer.constData(), qsizetype(chunk));
            const quint32 next = column->cur_blob_pg_row;
            if (quint32(bytes.size()) == stated || next == 0 || rowsRead.contains(next))
                break;
            rowsRead.insert(next);
            chunk = mdb_ole_read_next(mdb, column, pointer);
        }
        column->bind_ptr = nullptr;
        return quint32(bytes.size()) == stated;
    }

    /// A memo's stored bytes as text: Jet 4 keeps them as (compressed) UTF-16, which libmdb decodes.
    QString memoText(const QByteArray &bytes, bool &undecodable)
    {
        if (mdb->f->jet_version == MDB_VER_JET3)
            return codePage.decode(bytes, undecodable);
        QByteArray text(3 * bytes.size() + 16, Qt::Uninitialized);
        const int length = mdb_unicode2ascii(mdb, bytes.constData(), size_t(bytes.size()), text.data(), size_t(text.size()));
        return QString::fromUtf8(text.constData(), qMin(qsizetype(length), text.size()));
    }

    /// False when a memo or object cannot be read whole.
    bool value(MdbColumn *column, Binding &binding, JetValue &value)
    {
        value = JetValue();
        if (isLong(column)) {
            if (column->cur_value_len == 0)
                return true;
            QByteArray bytes;
            if (!warnings.during([&] { return readLong(column, binding, bytes); }))
                return false;
            value.kind = column->col_type == MDB_OLE ? JetValue::Kind::Object : JetValue::Kind::Text;
            value.value = column->col_type == MDB_OLE ? QVariant(bytes) : QVariant(memoText(bytes, value.undecodable));
            return true;
        }
        value = fixedOrText(column, binding);
        return true;
    }

    JetValue fixedOrText(MdbColumn *column, const Binding &binding)
    {
        JetValue value;
        if (binding.length == 0 && column->col_type != MDB_BOOL)
            return value;
        const unsigned char *raw = fixedValue(column);
        switch (column->col_type) {
        case MDB_BOOL:
            value.kind = JetValue::Kind::Boolean;
            value.value = binding.buffer.startsWith('1');
            break;
        case MDB_BYTE:
            value.kind = JetValue::Kind::Number;
            value.value = QString::number(raw[0]);
            break;
        case MDB_INT:
            value.kind = JetValue::Kind::Number;
            value.value = QString::number(qFromLittleEndian<qint16>(raw));
            break;
        case MDB_LONGINT:
            value.kind = JetValue::Kind::Number;
            value.value = QString::number(qFromLittleEndian<qint32>(raw));
            break;
        case MDB_FLOAT:
            value.kind = JetValue::Kind::Number;
            value.value = decimalText(qFromLittleEndian<float>(raw));
            break;
        case MDB_DOUBLE:
            value.kind = JetValue::Kind::Number;
            value.value = decimalText(qFromLittleEndian<double>(raw));
            break;
        case MDB_MONEY:
            value.kind = JetValue::Kind::Number;
            value.value = moneyText(qFromLittleEndian<qint64>(raw));
            break;
        case MDB_NUMERIC:
            value.kind = JetValue::Kind::Number;
            value.value = QString::fromUtf8(binding.buffer.constData(), binding.length);
            break;
        case MDB_DATETIME:
            value.kind = JetValue::Kind::DateTime;
            value.value = qFromLittleEndian<double>(raw);
            break;
        case MDB_BINARY:
            value.kind = JetValue::Kind::Binary;
            value.value = QByteArray(reinterpret_cast<const char *>(raw), column->cur_value_len);
            break;
        default:
            value.kind = JetValue::Kind::Text;
            value.value = text(binding);
            if (mdb->f->jet_version == MDB_VER_JET3)
                value.value = codePage.decode(value.value.toString().toLatin1(), value.undecodable);
            break;
        }
        return value;
    }

    static QString text(const Binding &binding)
    {
        return QString::fromUtf8(binding.buffer.constData(), binding.length);
    }

    /// The definitions of the user tables; a failure names a table whose definition is damaged.
    Result readTables()
    {
        for (MdbCatalogEntry *entry : catalog.tables()) {
            JetTable jetTable;
            jetTable.name = QString::fromUtf8(entry->object_name);
            MdbTableDef *table = warnings.during([&] { return mdb_read_table(entry); });
            if (!table)
                return Result::failure(damaged(jetTable.name, QStringLiteral("的定義讀不出來")));
            const bool columnsRead = table->num_cols <= kColumnLimit && warnings.during([&] { return mdb_read_columns(table); });
            if (!columnsRead || table->columns->len != table->num_cols) {
                mdb_free_tabledef(table);
                return Result::failure(damaged(jetTable.name, QStringLiteral("的欄位定義讀不出來")));
            }
            jetTable.rowCount = table->num_rows;
            for (unsigned int c = 0; c < table->num_cols; ++c) {
                jetTable.columns << columnName(table, c);
                jetTable.columnTypes << typeName(static_cast<MdbColumn *>(g_ptr_array_index(table->columns, c)));
            }
            mdb_free_tabledef(table);
            tables << jetTable;
        }
        return Result::success();
    }

    /// Binds the short columns for libmdb to fill; memos and objects are read apart, through their bounds.
    static QVector<Binding> bind(MdbTableDef *table)
    {
        QVector<Binding> bindings(int(table->num_cols));
        for (unsigned int c = 0; c < table->num_cols; ++c) {
            bindings[c].buffer.resize(qsizetype(kBindSize));
            if (!isLong(static_cast<MdbColumn *>(g_ptr_array_index(table->columns, c))))
                mdb_bind_column(table, int(c + 1), bindings[c].buffer.data(), &bindings[c].length);
        }
        return bindings;
    }

    /// The table's columns of a type vemo cannot read, with their types: a newer file's, not a damaged one's.
    static QStringList unreadableColumns(const MdbTableDef *table)
    {
        QStringList columns;
        for (unsigned int c = 0; c < table->num_cols; ++c) {
            const auto *column = static_cast<const MdbColumn *>(g_ptr_array_index(table->columns, c));
            if (!readable(column))
                columns << QStringLiteral("%1 (%2)").arg(columnName(table, c), typeName(column));
        }
        return columns;
    }

    Result readRows(const QString &name, MdbTableDef *table, const std::function<bool(const QVector<JetValue> &)> &row)
    {
        if (table->num_cols > kColumnLimit || table->columns->len != table->num_cols)
            return Result::failure(damaged(name, QStringLiteral("的欄位定義讀不出來")));
        warnings.during([&] { return mdb_rewind_table(table); });
        QVector<Binding> bindings = bind(table);
        QVector<JetValue> values(int(table->num_cols));
        QSet<quint32> pagesRead;
        quint32 page = 0;
        const qint64 stated = table->num_rows;
        qint64 read = 0;
        while (warnings.during([&] { return mdb_fetch_row(table); })) {
            if (table->cur_phys_pg != page) {
                page = table->cur_phys_pg;
                if (pagesRead.contains(page))
                    return Result::failure(damaged(name, QStringLiteral("的資料頁繞回已讀過的第 %1 頁").arg(page)));
                pagesRead.insert(page);
            }
            if (++read > stated)
                return Result::failure(damaged(name, QStringLiteral("記載有 %1 筆資料,讀出的卻超過 %1 筆").arg(stated)));
            for (unsigned int c = 0; c < table->num_cols; ++c) {
                auto *column = static_cast<MdbColumn *>(g_ptr_array_index(table->columns, c));
                if (!value(column, bindings[c], values[c]))
                    return Result::failure(damaged(name, QStringLiteral("第 %1 筆的欄位 %2 讀不完整").arg(read).arg(columnName(table, c))));
            }
            if (!row(values))
                return Result::success();
        }
        if (read != stated)
            return Result::failure(damaged(name, QStringLiteral("記載有 %1 筆資料,卻只讀出 %2 筆").arg(stated).arg(read)));
        return Result::success();
    }
};

JetFile::JetFile() : d(std::make_unique<Private>()) {}

JetFile::~JetFile() = default;

Result JetFile::open(const QString &path, const QString &codePage)
{
    if (!d->codePage.open(codePage))
        return Result::failure(QStringLiteral("不認得的字碼頁 %1。").arg(codePage));
    if (!QFileInfo(path).isFile())
        return Result::failure(QStringLiteral("無法讀取 Jet 資料庫 %1:檔案不存在或不是 Jet (Access) 資料庫。").arg(path));
    qputenv("MDB_JET3_CHARSET", kByteTransparent);
    qputenv("MDB_ICONV", "UTF-8");
    d->mdb = d->warnings.during([&] { return mdb_open(QFile::encodeName(path).constData(), MDB_NOFLAGS); });
    if (!d->mdb)
        return Result::failure(QStringLiteral("無法讀取 Jet 資料庫 %1:檔案不存在或不是 Jet (Access) 資料庫。").arg(path));
    // The old engine writes whole pages; a file cut short in a page gives libmdb stale bytes for its rows, not a failure.
    if (const qint64 size = QFileInfo(path).size(); size % d->mdb->fmt->pg_size != 0)
        return Result::failure(QStringLiteral("Jet 資料庫 %1 已損壞:檔案長 %2 位元組,不是整數個 %3 位元組的頁,檔尾被截掉了。")
                                   .arg(path).arg(size).arg(d->mdb->fmt->pg_size));
    mdb_set_bind_size(d->mdb, kBindSize);
    mdb_set_boolean_fmt_numbers(d->mdb);
    if (!d->catalog.read(d->mdb, d->warnings))
        return Result::failure(QStringLiteral("無法讀取 Jet 資料庫 %1 的資料表清單。").arg(path));
    d->path = path;
    if (Result read = d->readTables(); !read)
        return Result::failure(QStringLiteral("Jet 資料庫 %1 已損壞:%2。").arg(path, read.message()));
    return Result::success();
}

bool JetFile::isJet3() const
{
    return d->mdb && d->mdb->f->jet_version == MDB_VER_JET3;
}

QVector<JetTable> JetFile::tables() const
{
    return d->tables;
}

Result JetFile::readRows(const QString &tableName, const std::function<bool(const QVector<JetValue> &)> &row)
{
    MdbCatalogEntry *entry = d->catalog.table(tableName);
    MdbTableDef *table = entry ? d->warnings.during([&] { return mdb_read_table(entry); }) : nullptr;
    if (!table)
        return Result::failure(QStringLiteral("Jet 資料庫裡沒有資料表 %1。").arg(tableName));
    const bool columnsRead = table->num_cols <= kColumnLimit
                          && d->warnings.during([&] { return mdb_read_columns(table) != nullptr; });
    const QStringList newer = columnsRead ? Private::unreadableColumns(table) : QStringList();
    if (!newer.isEmpty()) {
        mdb_free_tabledef(table);
        return Result::failure(QStringLiteral("Jet 資料庫 %1 的資料表 %2 有 vemo 讀不了的欄位型別:%3。這些是較新版 Access 的型別,"
                                              "不表示檔案損壞,檔案本身可能完好;請在 Access 把這些欄位改成其他型別 (例如「日期/時間」) 後再帶入。")
                                   .arg(d->path, tableName, newer.join(QStringLiteral("、"))));
    }
    Result read = columnsRead ? d->readRows(tableName, table, row)
                              : Result::failure(damaged(tableName, QStringLiteral("的欄位定義讀不出來")));
    mdb_free_tabledef(table);
    if (!read)
        return Result::failure(QStringLiteral("Jet 資料庫 %1 已損壞:%2。").arg(d->path, read.message()));
    return read;
}

QString JetFile::warnings() const
{
    return d->warnings.summary();
}
