#pragma once

#include "data/records/keyset.h"

#include <QHash>
#include <QPointer>
#include <QString>

class Engine;
class RecordSource;
struct LookedUp;

/// The entries of a lookup list: the row identities its list source held
/// when the list was made, so rows added later stay out until the screen is
/// made afresh; shown texts and bound values are read when asked for, a
/// chunk of entries at a time.
class LookupEntries
{
public:
    /// Takes the list source's identities as they stand; an unopened source
    /// gives no entries.
    LookupEntries(const RecordSource &listSource, const QString &shownColumn, const QString &boundColumn);

    int count() const { return m_keys.size(); }
    /// The shown text and bound value of an entry; empty out of range.
    QString shownText(int index) const;
    QString boundValue(int index) const;
    /// The first entry in list order whose bound value equals the code as the
    /// engine compares them; -1 when none does.
    int indexOfBoundValue(const QString &code) const;
    /// Has the row source read, with each of its rows, the entry its column's
    /// value finds here, where both are texts.
    void readWithRows(RecordSource &rowSource, int column) const;
    /// indexOfBoundValue(code), from what the row source read with its current
    /// row where code is that row's value and the entry is one of the list's.
    int indexOfRowValue(const RecordSource &rowSource, int column, const QString &code) const;
    /// The entry whose shown text starts with the text and comes first in the
    /// engine's order of texts (case as the engine compares it); -1 when none.
    int indexOfShownPrefix(const QString &prefix) const;

private:
    struct Entry
    {
        QString shown;
        QString bound;
    };

    const Entry &entry(int index) const;
    const Engine &engine() const;
    void loadChunk(int index) const;
    /// Takes a chunk's entries from the rows the list source holds; false when it holds not all of them.
    bool takeChunkFromListSource(int first, int last) const;
    /// Where the entries held from the list's start settle the search: the
    /// first whose bound value is the code itself, or none among all the
    /// entries; false when the engine's own rules must decide.
    bool heldIndexOfBoundValue(const QString &code, int &index) const;
    /// The first identity that the query yields and the list holds, as an index.
    int firstHeldIndex(const QString &sql, const QVariantList &values) const;

    // Reads go through the list source's connection while it lives; the
    // list holds no handle of its own that would outlive it.
    QPointer<const RecordSource> m_listSource;
    QString m_table;
    QString m_shownColumn;
    QString m_boundColumn;
    Keyset m_keys;
    mutable QHash<int, Entry> m_cache;
};
