#include "data/records/recordsource.h"

#include "data/engine.h"
#include "data/records/fieldtext.h"

#include <algorithm>

// Reading rows: the current row whole, other rows for the grid through a
// small cache filled in chunks, documents only when asked for.

namespace {

constexpr int kCachedRowsLimit = 4096;

} // namespace

QVariant RecordSource::valueAt(int index, int column) const
{
    if (index < 0 || index >= m_keys.size())
        return QVariant();
    if (index == currentIndex() && !m_adding)
        return value(column);
    const qint64 key = m_keys.at(index);
    if (!m_cache.contains(key))
        loadChunk(index);
    return m_cache.value(key).value(column);
}

bool RecordSource::heldRow(qint64 key, QVector<QVariant> &row) const
{
    const auto held = m_cache.constFind(key);
    if (held == m_cache.constEnd())
        return false;
    row = *held;
    return true;
}

Result RecordSource::readRow(qint64 key, RowRead &row) const
{
    // The identity is written into the text: a move is one round trip, with nothing to prepare first.
    const QString sql = QStringLiteral("SELECT %1 FROM %2 WHERE %3 = %4")
                            .arg(rowReadList(row), quotedTable(), engine().rowIdentity())
                            .arg(key);
    QSqlQuery query;
    if (Result read = plainRead(sql, query); !read)
        return read;
    if (query.next())
        takeRowRead(query, 0, row);
    return Result::success();
}

QString RecordSource::rowReadList(RowRead &row) const
{
    row = RowRead();
    row.values.resize(m_columns.size());
    // The documents a screen showed on the last row it will show on this one too: read in the same statement.
    row.documentsRead = m_documentsAsked;
    row.documentsRead.resize(m_columns.size());
    return QStringLiteral("%1, %2%3").arg(selectList(row.documentsRead), m_generation, lookupSelectList());
}

void RecordSource::takeRowRead(const QSqlQuery &query, int first, RowRead &row) const
{
    for (int i = 0; i < row.values.size(); ++i)
        row.values[i] = query.value(first + i);
    int read = first + row.values.size();
    row.generation = query.value(read++).toLongLong();
    row.lookedUp.clear();
    for (const LookupRead &lookup : m_lookupReads) {
        const QVariant identity = query.value(read);
        row.lookedUp.append(LookedUp{fieldText(row.values.at(lookup.column)),
                                     identity.isNull() ? -1 : identity.toLongLong(), fieldText(query.value(read + 1)),
                                     fieldText(query.value(read + 2))});
        read += 3;
    }
}

QString RecordSource::lookupSelectList() const
{
    QString list;
    for (const LookupRead &lookup : m_lookupReads) {
        // The list's table goes by another name, so the row's own column is read from the row even in its own table.
        const QString first = QStringLiteral("(SELECT vemo_lookup.%1 FROM %2 AS vemo_lookup WHERE vemo_lookup.%3 = %4.%5 "
                                             "ORDER BY vemo_lookup.%6 LIMIT 1)");
        for (const QString &column : {engine().rowIdentity(), quotedName(lookup.shownColumn), quotedName(lookup.boundColumn)})
            list += QStringLiteral(", ") + first.arg(column, quotedName(lookup.table), quotedName(lookup.boundColumn),
                                                     quotedTable(), quotedName(m_columns.at(lookup.column)),
                                                     engine().rowIdentity());
    }
    return list;
}

void RecordSource::lookUpWithRows(int column, const QString &table, const QString &boundColumn,
                                  const QString &shownColumn)
{
    if (column < 0 || column >= m_columns.size() || isWholeNumberColumn(column) || isDocumentColumn(column))
        return;
    for (const LookupRead &lookup : std::as_const(m_lookupReads)) {
        if (lookup.column == column && lookup.table == table && lookup.boundColumn == boundColumn
            && lookup.shownColumn == shownColumn)
            return;
    }
    m_lookupReads.append(LookupRead{column, table, boundColumn, shownColumn});
}

bool RecordSource::lookedUpWithRow(int column, const QString &table, const QString &boundColumn,
                                   const QString &shownColumn, const QString &code, LookedUp &found) const
{
    for (int i = 0; i < m_lookedUp.size() && i < m_lookupReads.size(); ++i) {
        const LookupRead &lookup = m_lookupReads.at(i);
        if (lookup.column == column && lookup.table == table && lookup.boundColumn == boundColumn
            && lookup.shownColumn == shownColumn && m_lookedUp.at(i).code == code) {
            found = m_lookedUp.at(i);
            return true;
        }
    }
    return false;
}

void RecordSource::loadChunk(int index) const
{
    if (m_cache.size() > kCachedRowsLimit)
        m_cache.clear();
    const int first = index - index % kChunkRows;
    const int last = std::min(first + kChunkRows, int(m_keys.size())) - 1;
    // A chunk never reads a document, only its length: a table of big documents scrolls like any other.
    const QString sql = QStringLiteral("SELECT %3, %1 FROM %2 WHERE %3 BETWEEN %4 AND %5")
                            .arg(selectList(), quotedTable(), engine().rowIdentity())
                            .arg(m_keys.at(first))
                            .arg(m_keys.at(last));
    QSqlQuery query;
    if (!plainRead(sql, query)) {
        // Nothing kept of a chunk that could not be read: it is read again once a command has reconnected.
        readFailed();
        return;
    }
    // A row deleted elsewhere stays a row of empty fields.
    for (int i = first; i <= last; ++i)
        m_cache.insert(m_keys.at(i), QVector<QVariant>(m_columns.size()));
    while (query.next()) {
        QVector<QVariant> row(m_columns.size());
        for (int i = 0; i < row.size(); ++i)
            row[i] = query.value(i + 1);
        m_cache.insert(query.value(0).toLongLong(), row);
    }
    query.finish();
}

QString RecordSource::selectList(const QVector<bool> &wholeDocuments) const
{
    return selectList(engine(), m_columns, m_documentColumns, wholeDocuments);
}

QString RecordSource::selectList(const Engine &engine, const QStringList &columns, const QVector<bool> &documents,
                                 const QVector<bool> &wholeDocuments)
{
    QStringList names;
    for (int column = 0; column < columns.size(); ++column) {
        const QString name = engine.quotedName(columns.at(column));
        const bool length = documents.value(column) && !wholeDocuments.value(column);
        names << (length ? QStringLiteral("length(%1)").arg(name) : name);
    }
    return names.join(QStringLiteral(", "));
}

void RecordSource::readDocument(int column) const
{
    const QString sql = QStringLiteral("SELECT %1 FROM %2 WHERE %3 = %4")
                            .arg(quotedName(m_columns.at(column)), quotedTable(), engine().rowIdentity())
                            .arg(m_keys.at(m_position));
    QSqlQuery query;
    if (plainRead(sql, query)) {
        m_row[column] = query.next() ? query.value(0) : QVariant();
        m_documentRead[column] = true;
        return;
    }
    // Not taken as read, like a document nobody looked at: the next look reads it again.
    readFailed();
    m_row[column] = QVariant();
}

QVector<QVariant> RecordSource::withDocumentLengths(QVector<QVariant> row) const
{
    for (int column = 0; column < row.size(); ++column) {
        if (isDocumentColumn(column) && m_documentRead.value(column) && !row.at(column).isNull())
            row[column] = qlonglong(row.at(column).toByteArray().size());
    }
    return row;
}
