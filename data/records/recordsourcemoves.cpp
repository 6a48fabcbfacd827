#include "data/records/recordsource.h"

#include "data/records/criterion.h"
#include "data/engine.h"

#include <algorithm>
#include <limits>

// Moving over the keyset and finding in it: every move writes the pending
// edits first and reads the row it lands on afresh.

Result RecordSource::setBookmark(const QVariant &bookmark)
{
    if (Result open = failIfClosed(); !open)
        return open;
    const int index = bookmark.isValid() ? indexOfKey(bookmark.toLongLong()) : -1;
    if (index < 0)
        return Result::failure(QStringLiteral("位置標記無效:這筆資料已不在資料來源 %1 中。").arg(objectName()));
    return moveToPosition(index);
}

Result RecordSource::moveFirst()
{
    return moveToPosition(m_keys.isEmpty() ? -1 : 0);
}

Result RecordSource::moveLast()
{
    return moveToPosition(int(m_keys.size()) - 1);
}

Result RecordSource::moveNext()
{
    const int next = m_onDeletedPlace ? m_position : m_position + 1;
    return moveToPosition(std::min(next, int(m_keys.size())));
}

Result RecordSource::movePrevious()
{
    return moveToPosition(std::max(m_position - 1, -1));
}

Result RecordSource::moveTo(int index)
{
    if (index < 0 || index >= m_keys.size())
        return Result::failure(QStringLiteral("資料列 %1 不存在。").arg(index + 1));
    return moveToPosition(index);
}

Result RecordSource::findFirst(const QString &criterion)
{
    return find(criterion, false);
}

Result RecordSource::findNext(const QString &criterion)
{
    return find(criterion, true);
}

Result RecordSource::moveToPosition(int position)
{
    if (Result open = failIfClosed(); !open)
        return open;
    if (Result written = writePendingEdits(); !written)
        return written;
    if (Result read = standOn(position); !read)
        return read.led(kCannotRead);
    emit repositioned();
    return Result::success();
}

Result RecordSource::standOn(int position)
{
    RowRead row;
    row.values.resize(m_columns.size());
    if (position >= 0 && position < m_keys.size()) {
        if (Result read = readRow(m_keys.at(position), row); !read)
            return read;
    }
    standOnRow(position, row.values, row.generation, row.documentsRead, row.lookedUp);
    return Result::success();
}

void RecordSource::standOnRow(int position, const QVector<QVariant> &row, qint64 generation,
                              const QVector<bool> &documentsRead, const QVector<LookedUp> &lookedUp)
{
    m_lookedUp = lookedUp;
    m_position = position;
    m_onDeletedPlace = false;
    m_adding = false;
    m_edits.clear();
    m_row = row;
    m_rowGeneration = generation;
    m_documentRead = documentsRead;
    m_documentRead.resize(m_columns.size());
    m_documentsAsked.fill(false, m_columns.size());
    // Refresh the grid's copy of the row, but never grow the cache: a long run
    // of moves would fill it past its limit and stall the next chunk load.
    if (hasCurrentRow()) {
        if (const auto cached = m_cache.find(m_keys.at(position)); cached != m_cache.end())
            *cached = withDocumentLengths(m_row);
    }
    emit currentChanged();
}

Result RecordSource::find(const QString &criterion, bool fromNext)
{
    if (Result open = failIfClosed(); !open)
        return open;
    Criterion parsed;
    if (Result syntax = Criterion::parse(criterion, parsed); !syntax)
        return syntax;
    const int column = columnIndex(parsed.column);
    if (column < 0)
        return Result::failure(kCannotRead
                                   + QStringLiteral("資料表 '%1' 沒有欄位 '%2'。").arg(m_table, quotedInMessage(parsed.column)),
                               criterion);
    // A find moves like any other move: the search sees the edits just typed.
    const bool wasAdding = m_adding;
    if (Result written = writePendingEdits(); !written)
        return written;

    int found = -1;
    RowRead row;
    if (Result searched = firstMatch(column, parsed.value, fromNext, found, row); !searched)
        return searched;
    if (found >= 0) {
        standOnRow(found, row.values, row.generation, row.documentsRead, row.lookedUp);
        m_noMatch = false;
        emit repositioned();
        return Result::success();
    }
    m_noMatch = true;
    if (wasAdding)
        emit repositioned();
    return Result::success();
}

Result RecordSource::firstMatch(int column, const QString &value, bool fromNext, int &index, RowRead &row)
{
    index = -1;
    // A text the engine cannot hold is in no row.
    if (!engine().findsText(value))
        return Result::success();
    // With an index on the column this seeks; without one it scans. The row found comes with its match, and a
    // page at a time: a value held by many rows never arrives whole.
    constexpr int kMatchesAtATime = 16;
    // The identity is named with its table: the lists' columns read with the row bring one of the same name.
    const QString sql = QStringLiteral("SELECT %1.%3, %2, %4 FROM %1 WHERE %2 = ? AND %1.%3 > ? ORDER BY %1.%3 LIMIT %5")
                            .arg(quotedTable(), quotedName(m_columns.at(column)), engine().rowIdentity(),
                                 rowReadList(row))
                            .arg(kMatchesAtATime);
    QSqlQuery *query = nullptr;
    if (Result prepared = preparedRead(sql, query); !prepared)
        return prepared;
    qint64 after = fromNext ? keyBeforeNextRow() : std::numeric_limits<qint64>::min();
    for (int matches = kMatchesAtATime; index < 0 && matches == kMatchesAtATime;) {
        query->addBindValue(value);
        query->addBindValue(after);
        if (!query->exec())
            return failure(*query, sql).led(kCannotRead);
        // Rows added through another connection are not in this keyset: skip them.
        for (matches = 0; index < 0 && query->next(); ++matches) {
            after = query->value(0).toLongLong();
            const int held = indexOfKey(after);
            if (held >= 0 && engine().sameText(query->value(1).toString(), value)) {
                index = held;
                takeRowRead(*query, 2, row);
            }
        }
        query->finish();
    }
    return Result::success();
}

qint64 RecordSource::keyBeforeNextRow() const
{
    // On the place of a deleted row the search goes on with the row after it.
    const int first = (m_onDeletedPlace || m_position < 0) ? std::max(m_position, 0) : m_position + 1;
    return first < m_keys.size() ? m_keys.at(first) - 1 : std::numeric_limits<qint64>::max();
}

int RecordSource::indexOfKey(qint64 key) const
{
    return m_keys.indexOf(key);
}
