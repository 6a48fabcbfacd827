#include "admin/jetcatalog.h"

#include "admin/librarywarnings.h"

#include <QByteArray>

#include <cstdlib>
#include <initializer_list>
#include <utility>

namespace {

// The table of objects always starts on this page.
constexpr guint32 kObjectsPage = 2;
// Flags of the system's own tables.
constexpr long kSystemFlags = 0x80000002L;

struct Column
{
    QByteArray buffer;
    int length = 0;

    QByteArray value() const { return buffer.left(length); }
};

MdbCatalogEntry *newEntry(MdbHandle *mdb, const QByteArray &name, int type, guint32 page)
{
    auto *entry = static_cast<MdbCatalogEntry *>(g_malloc0(sizeof(MdbCatalogEntry)));
    entry->mdb = mdb;
    qstrncpy(entry->object_name, name.constData(), sizeof entry->object_name);
    entry->object_type = type;
    entry->table_pg = page;
    entry->props = g_ptr_array_new();
    return entry;
}

void freeEntry(MdbCatalogEntry *entry)
{
    g_ptr_array_free(entry->props, TRUE);
    g_free(entry);
}

} // namespace

JetCatalog::~JetCatalog()
{
    for (MdbCatalogEntry *entry : m_tables)
        freeEntry(entry);
}

bool JetCatalog::read(MdbHandle *mdb, LibraryWarnings &warnings)
{
    MdbCatalogEntry *objects = newEntry(mdb, "MSysObjects", MDB_TABLE, kObjectsPage);
    MdbTableDef *table = warnings.during([&] { return mdb_read_table(objects); });
    bool whole = table && table->num_cols <= MDB_MAX_COLS && warnings.during([&] { return mdb_read_columns(table) != nullptr; });
    Column id, name, type, flags;
    const std::initializer_list<std::pair<Column *, const char *>> bound = {{&id, "Id"}, {&name, "Name"}, {&type, "Type"}, {&flags, "Flags"}};
    for (auto [column, label] : bound) {
        column->buffer.resize(qsizetype(mdb->bind_size) + 1);
        whole = whole && mdb_bind_column_by_name(table, const_cast<gchar *>(label), column->buffer.data(), &column->length) > 0;
    }
    const qint64 stated = whole ? table->num_rows : 0;
    qint64 read = 0;
    if (whole)
        warnings.during([&] { return mdb_rewind_table(table); });
    while (whole && warnings.during([&] { return mdb_fetch_row(table); })) {
        whole = ++read <= stated;
        if ((std::atoi(type.value().constData()) & 0x7F) != MDB_TABLE || (std::atol(flags.value().constData()) & kSystemFlags))
            continue;
        m_tables << newEntry(mdb, name.value(), MDB_TABLE, guint32(std::atol(id.value().constData())) & 0x00FFFFFFu);
    }
    whole = whole && read == stated;
    if (table)
        mdb_free_tabledef(table);
    freeEntry(objects);
    return whole;
}

MdbCatalogEntry *JetCatalog::table(const QString &name) const
{
    for (MdbCatalogEntry *entry : m_tables)
        if (QString::fromUtf8(entry->object_name) == name)
            return entry;
    return nullptr;
}
