#include "data/recordsource.h"

#include "data/criterion.h"
#include "data/engine.h"

#include <QRegularExpression>
#include <QSqlError>
#include <QSqlRecord>

#include <algorithm>
#include <limits>

namespace {

constexpr int kChunkRows = 64;
constexpr int kCachedRowsLimit = 4096;

QString quotedName(const QString &name)
{
    return engine().quotedName(name);
}

Result queryFailure(const QSqlQuery &query, const QString &sql)
{
    return Result::failure(engineText(query.lastError()), sql);
}

} // namespace

RecordSource::RecordSource(const QString &name, QObject *parent) : QObject(parent)
{
    setObjectName(name);
}

Result RecordSource::open(const QString &databasePath, const QString &table)
{
    auto connection = std::make_unique<EngineConnection>();
    if (Result opened = connection->open(databasePath); !opened)
        return opened;

    QSqlDatabase database = connection->database();
    QVector<StoredColumn> stored;
    if (Result read = engine().storedColumns(database, table, stored); !read)
        return read;
    if (stored.isEmpty())
        return Result::failure(QStringLiteral("找不到資料表 '%1'。").arg(table));
    QStringList columns;
    QVector<bool> wholeNumbers;
    QVector<bool> documents;
    for (const StoredColumn &column : std::as_const(stored)) {
        columns << column.name;
        wholeNumbers << column.wholeNumber;
        documents << column.document;
    }
    Keyset keys;
    if (Result read = engine().readKeys(database, table, keys); !read)
        return read;

    m_connection = std::move(connection);
    m_table = table;
    m_columns = columns;
    m_wholeNumberColumns = wholeNumbers;
    m_documentColumns = documents;
    m_keys = std::move(keys);
    m_adding = false;
    m_noMatch = false;
    m_edits.clear();
    m_cache.clear();
    emit keysetReset();
    standOn(0);
    return Result::success();
}

bool RecordSource::isOpen() const
{
    return m_connection && m_connection->isOpen();
}

int RecordSource::columnIndex(const QString &column) const
{
    for (int i = 0; i < m_columns.size(); ++i) {
        if (m_columns.at(i).compare(column, Qt::CaseInsensitive) == 0)
            return i;
    }
    return -1;
}

void RecordSource::setColumnCaption(int column, const QString &caption)
{
    m_captions.insert(column, caption);
}

bool RecordSource::isBeforeFirst() const
{
    if (m_adding || m_onDeletedPlace)
        return false;
    return m_keys.isEmpty() || m_position < 0;
}

bool RecordSource::isAfterLast() const
{
    if (m_adding || m_onDeletedPlace)
        return false;
    return m_keys.isEmpty() || m_position >= m_keys.size();
}

bool RecordSource::hasCurrentRow() const
{
    return !m_onDeletedPlace && m_position >= 0 && m_position < m_keys.size();
}

QVariant RecordSource::bookmark() const
{
    return hasCurrentRow() ? QVariant(m_keys.at(m_position)) : QVariant();
}

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

Result RecordSource::addNew()
{
    if (Result written = writePendingEdits(); !written)
        return written;
    m_adding = true;
    m_edits.clear();
    emit currentChanged();
    return Result::success();
}

Result RecordSource::update()
{
    if (Result open = failIfClosed(); !open)
        return open;
    if (!m_adding && m_edits.isEmpty())
        return Result::failure(QStringLiteral("沒有新增或修改的資料需要儲存。"));
    if (m_adding && m_edits.isEmpty())
        return Result::failure(QStringLiteral("新增的資料還沒有輸入任何內容,沒有儲存。"));
    const bool wasAdding = m_adding;
    if (Result written = writeEdits(); !written)
        return written;
    if (wasAdding)
        emit repositioned();
    return Result::success();
}

Result RecordSource::deleteCurrent()
{
    if (Result open = failIfClosed(); !open)
        return open;
    if (m_adding) {
        m_adding = false;
        m_edits.clear();
        standOn(m_position);
        emit repositioned();
        return Result::success();
    }
    if (!hasCurrentRow())
        return Result::failure(QStringLiteral("目前沒有資料可以刪除。"));
    QSqlQuery query(m_connection->database());
    const QString sql = QStringLiteral("DELETE FROM %1 WHERE %2 = ?").arg(quotedTable(), engine().rowIdentity());
    if (Result prepared = prepare(query, sql); !prepared)
        return prepared;
    query.addBindValue(m_keys.at(m_position));
    if (!query.exec())
        return queryFailure(query, sql);
    m_cache.remove(m_keys.at(m_position));
    emit rowAboutToBeRemoved(m_position);
    m_keys.removeAt(m_position);
    m_onDeletedPlace = true;
    m_edits.clear();
    m_row.fill(QVariant());
    emit rowRemoved(m_position);
    emit currentChanged();
    return Result::success();
}

Result RecordSource::writePendingEdits()
{
    if (m_adding && m_edits.isEmpty()) {
        m_adding = false;
        emit currentChanged();
        return Result::success();
    }
    if (m_edits.isEmpty())
        return Result::success();
    return writeEdits();
}

QVariant RecordSource::value(int column) const
{
    if (column < 0 || column >= m_columns.size())
        return QVariant();
    if (m_edits.contains(column))
        return m_edits.value(column);
    if (m_adding || !hasCurrentRow())
        return QVariant();
    if (isDocumentColumn(column) && !m_documentRead.at(column))
        readDocument(column);
    return m_row.value(column);
}

bool RecordSource::setValue(int column, const QVariant &value)
{
    if (column < 0 || column >= m_columns.size() || !isEditable())
        return false;
    m_edits.insert(column, value);
    emit valueEdited(column);
    return true;
}

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

Result RecordSource::failIfClosed() const
{
    if (isOpen())
        return Result::success();
    return Result::failure(QStringLiteral("資料來源 %1 沒有開啟。").arg(objectName()));
}

Result RecordSource::moveToPosition(int position)
{
    if (Result open = failIfClosed(); !open)
        return open;
    if (Result written = writePendingEdits(); !written)
        return written;
    standOn(position);
    emit repositioned();
    return Result::success();
}

void RecordSource::standOn(int position)
{
    m_position = position;
    m_onDeletedPlace = false;
    m_adding = false;
    m_edits.clear();
    m_row = hasCurrentRow() ? readRow(m_keys.at(position)) : QVector<QVariant>(m_columns.size());
    m_documentRead.fill(false, m_columns.size());
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
        return Result::failure(QStringLiteral("資料表 '%1' 沒有欄位 '%2'。").arg(m_table, parsed.column), criterion);
    // A find moves like any other move: the search sees the edits just typed.
    const bool wasAdding = m_adding;
    if (Result written = writePendingEdits(); !written)
        return written;

    QSqlQuery query(m_connection->database());
    query.setForwardOnly(true);
    // With an index on the column this seeks; without one it scans.
    const QString sql = QStringLiteral("SELECT %3 FROM %1 WHERE %2 = ? AND %3 > ? ORDER BY %3")
                            .arg(quotedTable(), quotedName(m_columns.at(column)), engine().rowIdentity());
    if (Result prepared = prepare(query, sql); !prepared)
        return prepared;
    query.addBindValue(parsed.value);
    query.addBindValue(fromNext ? keyBeforeNextRow() : std::numeric_limits<qint64>::min());
    if (!query.exec())
        return queryFailure(query, sql);
    // Rows added through another connection are not in this keyset: skip them.
    while (query.next()) {
        const int index = indexOfKey(query.value(0).toLongLong());
        if (index < 0)
            continue;
        query.finish();
        standOn(index);
        m_noMatch = false;
        emit repositioned();
        return Result::success();
    }
    m_noMatch = true;
    if (wasAdding)
        emit repositioned();
    return Result::success();
}

qint64 RecordSource::keyBeforeNextRow() const
{
    // On the place of a deleted row the search goes on with the row after it.
    const int first = (m_onDeletedPlace || m_position < 0) ? std::max(m_position, 0) : m_position + 1;
    return first < m_keys.size() ? m_keys.at(first) - 1 : std::numeric_limits<qint64>::max();
}

Result RecordSource::writeEdits()
{
    for (auto edit = m_edits.cbegin(); edit != m_edits.cend(); ++edit) {
        if (Result valid = checkValue(edit.key(), edit.value()); !valid)
            return valid;
    }
    if (m_adding)
        return insertPendingRow();

    QStringList assignments;
    for (auto edit = m_edits.cbegin(); edit != m_edits.cend(); ++edit)
        assignments << quotedName(m_columns.at(edit.key())) + QStringLiteral(" = ?");
    const QString sql = QStringLiteral("UPDATE %1 SET %2 WHERE %3 = ?")
                            .arg(quotedTable(), assignments.join(QStringLiteral(", ")), engine().rowIdentity());
    QSqlQuery query(m_connection->database());
    if (Result prepared = prepare(query, sql); !prepared)
        return prepared;
    for (auto edit = m_edits.cbegin(); edit != m_edits.cend(); ++edit)
        query.addBindValue(storedValue(edit.key(), edit.value()));
    query.addBindValue(m_keys.at(m_position));
    if (!query.exec())
        return queryFailure(query, sql);
    // A row deleted through another connection takes no update: say so rather
    // than let the typed values vanish.
    if (query.numRowsAffected() == 0)
        return Result::failure(QStringLiteral("這筆資料已經不在資料表 '%1' 中(可能已被刪除),修改沒有儲存。").arg(m_table), sql);
    for (auto edit = m_edits.cbegin(); edit != m_edits.cend(); ++edit) {
        m_row[edit.key()] = storedValue(edit.key(), edit.value());
        m_documentRead[edit.key()] = true;
    }
    m_edits.clear();
    m_cache.insert(m_keys.at(m_position), withDocumentLengths(m_row));
    emit rowWritten(m_position);
    return Result::success();
}

Result RecordSource::insertPendingRow()
{
    QStringList columns;
    QStringList placeholders;
    for (auto edit = m_edits.cbegin(); edit != m_edits.cend(); ++edit) {
        columns << quotedName(m_columns.at(edit.key()));
        placeholders << QStringLiteral("?");
    }
    const QString sql = QStringLiteral("INSERT INTO %1 (%2) VALUES (%3)")
                            .arg(quotedTable(), columns.join(QLatin1Char(',')), placeholders.join(QLatin1Char(',')));
    QSqlQuery query(m_connection->database());
    if (Result prepared = prepare(query, sql); !prepared)
        return prepared;
    for (auto edit = m_edits.cbegin(); edit != m_edits.cend(); ++edit)
        query.addBindValue(storedValue(edit.key(), edit.value()));
    if (!query.exec())
        return queryFailure(query, sql);
    const qint64 key = query.lastInsertId().toLongLong();
    const int index = m_keys.lowerBound(key);
    emit rowAboutToBeInserted(index);
    m_keys.insert(key);
    emit rowInserted(index);
    standOn(index);
    return Result::success();
}

Result RecordSource::prepare(QSqlQuery &query, const QString &sql) const
{
    if (!query.prepare(sql))
        return queryFailure(query, sql);
    return Result::success();
}

Result RecordSource::checkValue(int column, const QVariant &value) const
{
    if (!m_wholeNumberColumns.value(column) || value.isNull())
        return Result::success();
    static const QRegularExpression wholeNumber(QStringLiteral(R"(^\s*[+-]?\d+\s*$)"));
    const QString text = value.toString();
    if (text.trimmed().isEmpty() || wholeNumber.match(text).hasMatch())
        return Result::success();
    return Result::failure(QStringLiteral("「%1」只能輸入整數,「%2」不是整數。")
                               .arg(m_captions.value(column, m_columns.at(column)), text));
}

QVariant RecordSource::storedValue(int column, const QVariant &value) const
{
    // A cleared quantity field means no quantity, not an empty text the file refuses.
    if (m_wholeNumberColumns.value(column) && !value.isNull() && value.toString().trimmed().isEmpty())
        return QVariant();
    return value;
}

QVector<QVariant> RecordSource::readRow(qint64 key) const
{
    QVector<QVariant> row(m_columns.size());
    QSqlQuery query(m_connection->database());
    query.setForwardOnly(true);
    query.prepare(QStringLiteral("SELECT %1 FROM %2 WHERE %3 = ?")
                      .arg(selectList(), quotedTable(), engine().rowIdentity()));
    query.addBindValue(key);
    if (query.exec() && query.next()) {
        for (int i = 0; i < row.size(); ++i)
            row[i] = query.value(i);
    }
    return row;
}

void RecordSource::loadChunk(int index) const
{
    if (m_cache.size() > kCachedRowsLimit)
        m_cache.clear();
    const int first = index - index % kChunkRows;
    const int last = std::min(first + kChunkRows, int(m_keys.size())) - 1;
    QSqlQuery query(m_connection->database());
    query.setForwardOnly(true);
    // A chunk never reads a document, only its length: a table of big documents scrolls like any other.
    query.prepare(QStringLiteral("SELECT %3, %1 FROM %2 WHERE %3 BETWEEN ? AND ?")
                      .arg(selectList(), quotedTable(), engine().rowIdentity()));
    query.addBindValue(m_keys.at(first));
    query.addBindValue(m_keys.at(last));
    for (int i = first; i <= last; ++i)
        m_cache.insert(m_keys.at(i), QVector<QVariant>(m_columns.size()));
    if (!query.exec())
        return;
    while (query.next()) {
        QVector<QVariant> row(m_columns.size());
        for (int i = 0; i < row.size(); ++i)
            row[i] = query.value(i + 1);
        m_cache.insert(query.value(0).toLongLong(), row);
    }
}

QString RecordSource::selectList() const
{
    QStringList names;
    for (int column = 0; column < m_columns.size(); ++column) {
        const QString name = quotedName(m_columns.at(column));
        names << (isDocumentColumn(column) ? QStringLiteral("length(%1)").arg(name) : name);
    }
    return names.join(QStringLiteral(", "));
}

void RecordSource::readDocument(int column) const
{
    QSqlQuery query(m_connection->database());
    query.setForwardOnly(true);
    query.prepare(QStringLiteral("SELECT %1 FROM %2 WHERE %3 = ?")
                      .arg(quotedName(m_columns.at(column)), quotedTable(), engine().rowIdentity()));
    query.addBindValue(m_keys.at(m_position));
    m_row[column] = query.exec() && query.next() ? query.value(0) : QVariant();
    m_documentRead[column] = true;
}

QVector<QVariant> RecordSource::withDocumentLengths(QVector<QVariant> row) const
{
    for (int column = 0; column < row.size(); ++column) {
        if (isDocumentColumn(column) && m_documentRead.value(column) && !row.at(column).isNull())
            row[column] = qlonglong(row.at(column).toByteArray().size());
    }
    return row;
}

int RecordSource::indexOfKey(qint64 key) const
{
    return m_keys.indexOf(key);
}

QString RecordSource::quotedTable() const
{
    return quotedName(m_table);
}

QSqlDatabase RecordSource::database() const
{
    return m_connection ? m_connection->database() : QSqlDatabase();
}
