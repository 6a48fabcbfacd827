#include "admin/jetfile.h"

#include "admin/codepage.h"

#include <QFile>
#include <QFileInfo>
#include <QLocale>
#include <QtEndian>

#include <cmath>
#include <cstdlib>
#include <mdbtools.h>

namespace {

// Text arrives from libmdb as UTF-8 of Latin-1, i.e. the stored bytes one for
// one, so that the chosen code page decodes them rather than libmdb's default.
constexpr const char *kByteTransparent = "ISO-8859-1";
constexpr size_t kBindSize = 1 << 20;

struct Binding
{
    QByteArray buffer;
    int length = 0;
};

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

    ~Private()
    {
        if (mdb)
            mdb_close(mdb);
    }

    const unsigned char *fixedValue(const MdbColumn *column) const
    {
        return mdb->pg_buf + column->cur_value_start;
    }

    JetValue value(MdbColumn *column, const Binding &binding)
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
        case MDB_OLE:
        case MDB_BINARY: {
            size_t size = 0;
            void *bytes = column->col_type == MDB_OLE ? mdb_ole_read_full(mdb, column, &size) : nullptr;
            value.kind = column->col_type == MDB_OLE ? JetValue::Kind::Object : JetValue::Kind::Binary;
            value.value = bytes ? QByteArray(static_cast<const char *>(bytes), qsizetype(size))
                                : QByteArray(reinterpret_cast<const char *>(raw), column->cur_value_len);
            free(bytes);
            break;
        }
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
    d->mdb = mdb_open(QFile::encodeName(path).constData(), MDB_NOFLAGS);
    if (!d->mdb)
        return Result::failure(QStringLiteral("無法讀取 Jet 資料庫 %1:檔案不存在或不是 Jet (Access) 資料庫。").arg(path));
    mdb_set_bind_size(d->mdb, kBindSize);
    mdb_set_boolean_fmt_numbers(d->mdb);
    if (!mdb_read_catalog(d->mdb, MDB_TABLE))
        return Result::failure(QStringLiteral("無法讀取 Jet 資料庫 %1 的資料表清單。").arg(path));
    return Result::success();
}

bool JetFile::isJet3() const
{
    return d->mdb && d->mdb->f->jet_version == MDB_VER_JET3;
}

QVector<JetTable> JetFile::tables() const
{
    QVector<JetTable> tables;
    for (unsigned int i = 0; i < d->mdb->num_catalog; ++i) {
        auto *entry = static_cast<MdbCatalogEntry *>(g_ptr_array_index(d->mdb->catalog, i));
        if (entry->object_type != MDB_TABLE || !mdb_is_user_table(entry))
            continue;
        MdbTableDef *table = mdb_read_table(entry);
        if (!table)
            continue;
        mdb_read_columns(table);
        JetTable jetTable;
        jetTable.name = QString::fromUtf8(entry->object_name);
        jetTable.rowCount = table->num_rows;
        for (unsigned int c = 0; c < table->num_cols; ++c)
            jetTable.columns << QString::fromUtf8(static_cast<MdbColumn *>(g_ptr_array_index(table->columns, c))->name);
        mdb_free_tabledef(table);
        tables << jetTable;
    }
    return tables;
}

Result JetFile::readRows(const QString &tableName, const std::function<bool(const QVector<JetValue> &)> &row)
{
    QByteArray name = tableName.toUtf8();
    MdbTableDef *table = mdb_read_table_by_name(d->mdb, name.data(), MDB_TABLE);
    if (!table)
        return Result::failure(QStringLiteral("Jet 資料庫裡沒有資料表 %1。").arg(tableName));
    mdb_read_columns(table);
    mdb_rewind_table(table);
    QVector<Binding> bindings(int(table->num_cols));
    for (unsigned int c = 0; c < table->num_cols; ++c) {
        bindings[c].buffer.resize(qsizetype(kBindSize));
        mdb_bind_column(table, int(c + 1), bindings[c].buffer.data(), &bindings[c].length);
    }
    QVector<JetValue> values(int(table->num_cols));
    bool more = true;
    while (more && mdb_fetch_row(table)) {
        for (unsigned int c = 0; c < table->num_cols; ++c)
            values[c] = d->value(static_cast<MdbColumn *>(g_ptr_array_index(table->columns, c)), bindings[c]);
        more = row(values);
    }
    mdb_free_tabledef(table);
    return Result::success();
}
