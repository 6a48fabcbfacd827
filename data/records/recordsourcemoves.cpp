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
    QVector<QVariant> row(m_columns.size());
    qint64 generation = -1;
    QVector<bool> documentsRead;
    QVector<LookedUp> lookedUp;
    if (position >= 0 && position < m_keys.size()) {
        if (Result read = readRow(m_keys.at(position), row, generation, documentsRead, lookedUp); !read)
            return read;
    }
    standOnRow(position, row, generation, documentsRead, lookedUp);
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
    if (Result searched = firstMatch(column, parsed.value, fromNext, found); !searched)
        return searched;
    if (found >= 0) {
        if (Result read = standOn(found); !read)
            return read.led(kCannotRead);
        m_noMatch = false;
        emit repositioned();
        return Result::success();
    }
    m_noMatch = true;
    if (wasAdding)
        emit repositioned();
    return Result::success();
}

Result RecordSource::firstMatch(int column, const QString &value, bool fromNext, int &index)
{
    index = -1;
    // A text the engine cannot hold is in no row.
    if (!engine().findsText(value))
        return Result::success();
    // With an index on the column this seeks; without one it scans.
    const QString sql = QStringLiteral("SELECT %3, %2 FROM %1 WHERE %2 = ? AND %3 > ? ORDER BY %3")
                            .arg(quotedTable(), quotedName(m_columns.at(column)), engine().rowIdentity());
    QSqlQuery *query = nullptr;
    if (Result prepared = preparedRead(sql, query); !prepared)
        return prepared;
    query->addBindValue(value);
    query->addBindValue(fromNext ? keyBeforeNextRow() : std::numeric_limits<qint64>::min());
    if (!query->exec())
        return failure(*query, sql).led(kCannotRead);
    // Rows added through another connection are not in this keyset: skip them.
    while (index < 0 && query->next()) {
        const int held = indexOfKey(query->value(0).toLongLong());
        if (held >= 0 && engine().sameText(query->value(1).toString(), value))
            index = held;
    }
    query->finish();
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
