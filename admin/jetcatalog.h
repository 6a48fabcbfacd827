#pragma once

#include <QString>
#include <QVector>

#include <mdbtools.h>

class LibraryWarnings;

/// The user tables a Jet file lists in its table of objects, read through
/// libmdb without their properties: libmdb's own catalog reader can loop
/// forever on a damaged property record.
class JetCatalog
{
public:
    JetCatalog() = default;
    ~JetCatalog();
    JetCatalog(const JetCatalog &) = delete;
    JetCatalog &operator=(const JetCatalog &) = delete;

    /// False when the table of objects cannot be read whole.
    bool read(MdbHandle *mdb, LibraryWarnings &warnings);
    const QVector<MdbCatalogEntry *> &tables() const { return m_tables; }
    /// The table of that name, or null.
    MdbCatalogEntry *table(const QString &name) const;

private:
    QVector<MdbCatalogEntry *> m_tables;
};
