#include "data/records/lookupentries.h"

#include "data/engine.h"
#include "data/records/recordsource.h"

#include <QSqlQuery>

namespace {

constexpr int kChunkEntries = 64;
constexpr int kCachedEntriesLimit = 4096;

QString text(const QVariant &value)
{
    return value.isNull() ? QString() : value.toString();
}

} // namespace

LookupEntries::LookupEntries(const RecordSource &listSource, const QString &shownColumn, const QString &boundColumn)
    : m_listSource(&listSource), m_table(listSource.table()), m_shownColumn(shownColumn),
      m_boundColumn(boundColumn)
{
    if (listSource.isOpen())
        m_keys = listSource.keys();
}

QString LookupEntries::shownText(int index) const
{
    return entry(index).shown;
}

QString LookupEntries::boundValue(int index) const
{
    return entry(index).bound;
}

int LookupEntries::indexOfBoundValue(const QString &code) const
{
    int held = -1;
    if (heldIndexOfBoundValue(code, held))
        return held;
    const Engine &db = engine();
    return firstHeldIndex(QStringLiteral("SELECT %1 FROM %2 WHERE %3 = ? ORDER BY %1")
                              .arg(db.rowIdentity(), db.quotedName(m_table), db.quotedName(m_boundColumn)),
                          {code});
}

int LookupEntries::indexOfShownPrefix(const QString &prefix) const
{
    if (prefix.isEmpty())
        return -1;
    // Every text that starts with the prefix sorts between it and the prefix
    // followed by the last character there is; the index walks that range.
    const QString end = prefix + QString::fromUcs4(U"\U0010FFFF");
    const Engine &db = engine();
    const QString shown = db.quotedName(m_shownColumn);
    return firstHeldIndex(QStringLiteral("SELECT %1 FROM %2 WHERE %3 >= ? AND %3 < ? ORDER BY %3, %1")
                              .arg(db.rowIdentity(), db.quotedName(m_table), shown),
                          {prefix, end});
}

void LookupEntries::readWithRows(RecordSource &rowSource, int column) const
{
    if (!m_listSource || !m_listSource->isOpen())
        return;
    const int shown = m_listSource->columnIndex(m_shownColumn);
    const int bound = m_listSource->columnIndex(m_boundColumn);
    if (shown < 0 || bound < 0 || m_listSource->isWholeNumberColumn(shown) || m_listSource->isWholeNumberColumn(bound)
        || m_listSource->isDocumentColumn(shown) || m_listSource->isDocumentColumn(bound))
        return;
    rowSource.lookUpWithRows(column, m_table, m_boundColumn, m_shownColumn);
}

int LookupEntries::indexOfRowValue(const RecordSource &rowSource, int column, const QString &code) const
{
    LookedUp found;
    if (!rowSource.lookedUpWithRow(column, m_table, m_boundColumn, m_shownColumn, code, found))
        return indexOfBoundValue(code);
    // No row holds the code: the list has no entry for it either.
    if (found.identity < 0)
        return -1;
    const int held = m_keys.indexOf(found.identity);
    // The first row holding it was added after the list was made: a later one may be the list's.
    if (held < 0)
        return indexOfBoundValue(code);
    if (m_cache.size() > kCachedEntriesLimit)
        m_cache.clear();
    m_cache.insert(held, Entry{found.shown, found.bound});
    return held;
}

const LookupEntries::Entry &LookupEntries::entry(int index) const
{
    static const Entry none;
    if (index < 0 || index >= m_keys.size())
        return none;
    if (!m_cache.contains(index))
        loadChunk(index);
    const auto found = m_cache.constFind(index);
    return found == m_cache.constEnd() ? none : *found;
}

void LookupEntries::loadChunk(int index) const
{
    if (m_cache.size() > kCachedEntriesLimit)
        m_cache.clear();
    const int first = index - index % kChunkEntries;
    const int last = std::min(first + kChunkEntries, m_keys.size()) - 1;
    if (!m_listSource || !m_listSource->isOpen() || takeChunkFromListSource(first, last))
        return;
    const Engine &db = engine();
    // Read as it is sent: a list opened with its screen costs one round trip, not a preparation and a run.
    const QString sql = QStringLiteral("SELECT %1, %2, %3 FROM %4 WHERE %1 BETWEEN %5 AND %6")
                            .arg(db.rowIdentity(), db.quotedName(m_shownColumn), db.quotedName(m_boundColumn),
                                 db.quotedName(m_table))
                            .arg(m_keys.at(first))
                            .arg(m_keys.at(last));
    QSqlQuery query;
    if (!m_listSource->plainRead(sql, query)) {
        // Nothing kept of entries that could not be read: they are read again once reconnected.
        m_listSource->readFailed();
        return;
    }
    for (int i = first; i <= last; ++i)
        m_cache.insert(i, Entry());
    while (query.next()) {
        const int held = m_keys.indexOf(query.value(0).toLongLong());
        if (held >= 0)
            m_cache.insert(held, Entry{text(query.value(1)), text(query.value(2))});
    }
    query.finish();
}

bool LookupEntries::takeChunkFromListSource(int first, int last) const
{
    const int shown = m_listSource->columnIndex(m_shownColumn);
    const int bound = m_listSource->columnIndex(m_boundColumn);
    // The source holds a document as its length, not as the text a list shows.
    if (shown < 0 || bound < 0 || m_listSource->isDocumentColumn(shown) || m_listSource->isDocumentColumn(bound))
        return false;
    QVector<Entry> entries;
    for (int index = first; index <= last; ++index) {
        QVector<QVariant> row;
        if (!m_listSource->heldRow(m_keys.at(index), row))
            return false;
        entries << Entry{text(row.value(shown)), text(row.value(bound))};
    }
    for (int index = first; index <= last; ++index)
        m_cache.insert(index, entries.at(index - first));
    return true;
}

bool LookupEntries::heldIndexOfBoundValue(const QString &code, int &index) const
{
    // An empty code is also what an entry whose row went reads as; a number is compared as a number.
    const int bound = m_listSource ? m_listSource->columnIndex(m_boundColumn) : -1;
    if (code.isEmpty() || bound < 0 || m_listSource->isWholeNumberColumn(bound))
        return false;
    const QString folded = code.toCaseFolded();
    for (int held = 0; held < m_keys.size(); ++held) {
        const auto entry = m_cache.constFind(held);
        if (entry == m_cache.constEnd())
            return false;
        if (entry->bound == code) {
            index = held;
            return true;
        }
        // Equal but for case: whether the engine takes it for the code is the engine's to say.
        if (entry->bound.toCaseFolded() == folded)
            return false;
    }
    index = -1;
    return true;
}

int LookupEntries::firstHeldIndex(const QString &sql, const QVariantList &values) const
{
    if (m_keys.isEmpty() || !m_listSource)
        return -1;
    // A search answers the user, so it may open a connection that went (a server restarted) again, once.
    for (int attempt = 0; attempt < 2; ++attempt) {
        if (!m_listSource->reopenAfterFailure())
            return -1;
        QSqlQuery *query = nullptr;
        // On a server the statement is prepared there: a lost connection fails here already.
        if (!m_listSource->preparedRead(sql, query)) {
            m_listSource->readFailed();
            continue;
        }
        for (const QVariant &value : values)
            query->addBindValue(value);
        if (!query->exec()) {
            m_listSource->readFailed();
            continue;
        }
        // Rows added after the list was made are not among its entries.
        int found = -1;
        while (found < 0 && query->next())
            found = int(m_keys.indexOf(query->value(0).toLongLong()));
        query->finish();
        return found;
    }
    return -1;
}

const Engine &LookupEntries::engine() const
{
    return m_listSource ? m_listSource->engine() : ::engine(QSqlDatabase());
}
