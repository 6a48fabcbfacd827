#include "data/enginetext.h"
#include "data/recordsource.h"

#include "data/criterion.h"
#include "data/decimalnumber.h"
#include "data/engine.h"
#include "data/schema.h"

#include <QRegularExpression>
#include <QSqlError>
#include <QSqlRecord>

#include <algorithm>
#include <limits>

namespace {

constexpr int kChunkRows = 64;
constexpr int kCachedRowsLimit = 4096;


/// Two stored values are the same: both empty, or equal in type and value.
bool sameStoredValue(const QVariant &a, const QVariant &b)
{
    if (a.isNull() || b.isNull())
        return a.isNull() && b.isNull();
    if (a.typeId() == QMetaType::QByteArray || b.typeId() == QMetaType::QByteArray)
        return a.typeId() == b.typeId() && a.toByteArray() == b.toByteArray();
    return a.toString() == b.toString();
}

QString shownInQuestion(const QVariant &value)
{
    if (value.isNull() || value.toString().isEmpty())
        return QStringLiteral("空白");
    if (value.typeId() == QMetaType::QByteArray)
        return QStringLiteral("文件");
    return quotedInMessage(value.toString());
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
    if (Result read = ::engine(database).storedColumns(database, table, stored); !read)
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
    if (Result read = ::engine(database).readKeys(database, table, keys); !read)
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
    return standOn(0).led(kCannotRead);
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
        discardEdits();
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
        return failure(query, sql);
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

Result RecordSource::failure(const QSqlQuery &query, const QString &sql) const
{
    m_connectionSuspect = true;
    return Result::failure(engineText(query.lastError()), sql);
}

Result RecordSource::reopenAfterFailure() const
{
    // A failure may have been the connection going (a server restarted): the next command opens it again.
    if (!m_connectionSuspect || !m_connection)
        return Result::success();
    if (Result reopened = m_connection->reopenIfLost(); !reopened)
        return reopened;
    m_connectionSuspect = false;
    return Result::success();
}

void RecordSource::readFailed() const
{
    m_connectionSuspect = true;
}

Result RecordSource::failIfClosed()
{
    if (Result reopened = reopenAfterFailure(); !reopened)
        return reopened;
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
    if (Result read = standOn(position); !read)
        return read.led(kCannotRead);
    emit repositioned();
    return Result::success();
}

void RecordSource::discardEdits()
{
    m_edits.clear();
    m_adding = false;
    if (m_onDeletedPlace) {
        emit currentChanged();
        return;
    }
    // A row that cannot be read again keeps what was read before.
    if (!standOn(m_position))
        emit currentChanged();
}

Result RecordSource::standOn(int position)
{
    QVector<QVariant> row(m_columns.size());
    if (position >= 0 && position < m_keys.size()) {
        if (Result read = readRow(m_keys.at(position), row); !read)
            return read;
    }
    m_position = position;
    m_onDeletedPlace = false;
    m_adding = false;
    m_edits.clear();
    m_row = row;
    m_documentRead.fill(false, m_columns.size());
    // Refresh the grid's copy of the row, but never grow the cache: a long run
    // of moves would fill it past its limit and stall the next chunk load.
    if (hasCurrentRow()) {
        if (const auto cached = m_cache.find(m_keys.at(position)); cached != m_cache.end())
            *cached = withDocumentLengths(m_row);
    }
    emit currentChanged();
    return Result::success();
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
    if (!engine().holdsText(value))
        return Result::success();
    QSqlQuery query(m_connection->database());
    query.setForwardOnly(true);
    // With an index on the column this seeks; without one it scans.
    const QString sql = QStringLiteral("SELECT %3, %2 FROM %1 WHERE %2 = ? AND %3 > ? ORDER BY %3")
                            .arg(quotedTable(), quotedName(m_columns.at(column)), engine().rowIdentity());
    if (Result prepared = prepare(query, sql); !prepared)
        return prepared;
    query.addBindValue(value);
    query.addBindValue(fromNext ? keyBeforeNextRow() : std::numeric_limits<qint64>::min());
    if (!query.exec())
        return failure(query, sql).led(kCannotRead);
    // Rows added through another connection are not in this keyset: skip them.
    while (query.next()) {
        const int held = indexOfKey(query.value(0).toLongLong());
        if (held >= 0 && engine().sameText(query.value(1).toString(), value)) {
            index = held;
            return Result::success();
        }
    }
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
    if (Result open = failIfClosed(); !open)
        return open.led(kCannotSave);
    for (auto edit = m_edits.cbegin(); edit != m_edits.cend(); ++edit) {
        if (Result valid = checkValue(edit.key(), edit.value()); !valid)
            return valid;
    }
    if (m_adding)
        return insertPendingRow().led(kCannotSave);
    dropUnchangedEdits();
    while (!m_edits.isEmpty()) {
        QVector<EditConflict> conflicts;
        if (Result written = updateRow(conflicts); !written)
            return written.led(kCannotSave);
        if (conflicts.isEmpty())
            break;
        if (!m_conflictResolver)
            return Result::failure(kCannotSave + describeConflicts(conflicts));
        if (!m_conflictResolver(conflicts)) {
            discardEdits();
            break;
        }
        // Overwrite what is there now; a change made while the user was asked is asked about again.
        for (const EditConflict &conflict : std::as_const(conflicts)) {
            m_row[conflict.column] = conflict.now;
            m_documentRead[conflict.column] = true;
        }
    }
    return Result::success();
}

bool RecordSource::wasRead(int column) const
{
    // A document nobody looked at was never read: an edit of it is checked against nothing.
    return !isDocumentColumn(column) || m_documentRead.value(column);
}

void RecordSource::dropUnchangedEdits()
{
    for (auto edit = m_edits.begin(); edit != m_edits.end();) {
        if (wasRead(edit.key()) && sameStoredValue(storedValue(edit.key(), edit.value()), m_row.value(edit.key())))
            edit = m_edits.erase(edit);
        else
            ++edit;
    }
}

Result RecordSource::updateRow(QVector<EditConflict> &conflicts)
{
    QSqlQuery query(m_connection->database());
    const QString begin = engine().beginWritingSql();
    if (!query.exec(begin))
        return failure(query, begin);
    const auto rollBack = [&query](const Result &failure) {
        query.finish();
        query.exec(QStringLiteral("ROLLBACK"));
        return failure;
    };
    QStringList edited;
    for (auto edit = m_edits.cbegin(); edit != m_edits.cend(); ++edit)
        edited << quotedName(m_columns.at(edit.key()));
    const QString readSql = QStringLiteral("SELECT %1 FROM %2 WHERE %3 = ?")
                                .arg(edited.join(QStringLiteral(", ")), quotedTable(), engine().rowIdentity());
    if (Result prepared = prepare(query, readSql); !prepared)
        return rollBack(prepared);
    query.addBindValue(m_keys.at(m_position));
    if (!query.exec())
        return rollBack(failure(query, readSql));
    // A row deleted elsewhere is not brought back: the typed values stay for the user to give up.
    if (!query.next())
        return rollBack(Result::failure(
            QStringLiteral("這筆資料已經被刪除(可能是別的使用者刪除的),修改沒有儲存。"), readSql));
    int at = 0;
    for (auto edit = m_edits.cbegin(); edit != m_edits.cend(); ++edit, ++at) {
        const QVariant now = query.value(at);
        if (wasRead(edit.key()) && !sameStoredValue(now, m_row.value(edit.key())))
            conflicts << EditConflict{edit.key(), m_captions.value(edit.key(), m_columns.at(edit.key())),
                                      m_row.value(edit.key()), now, edit.value()};
    }
    if (!conflicts.isEmpty())
        return rollBack(Result::success());

    QStringList assignments;
    for (const QString &column : std::as_const(edited))
        assignments << column + QStringLiteral(" = ?");
    const QString sql = QStringLiteral("UPDATE %1 SET %2 WHERE %3 = ?")
                            .arg(quotedTable(), assignments.join(QStringLiteral(", ")), engine().rowIdentity());
    if (Result prepared = prepare(query, sql); !prepared)
        return rollBack(prepared);
    for (auto edit = m_edits.cbegin(); edit != m_edits.cend(); ++edit)
        query.addBindValue(storedValue(edit.key(), edit.value()));
    query.addBindValue(m_keys.at(m_position));
    if (!query.exec())
        return rollBack(failure(query, sql));
    if (query.numRowsAffected() != 1)
        return rollBack(Result::failure(QStringLiteral("修改改到了 %1 筆資料,已經復原。").arg(query.numRowsAffected()), sql));
    if (!query.exec(QStringLiteral("COMMIT")))
        return rollBack(failure(query, QStringLiteral("COMMIT")));
    for (auto edit = m_edits.cbegin(); edit != m_edits.cend(); ++edit) {
        m_row[edit.key()] = storedValue(edit.key(), edit.value());
        m_documentRead[edit.key()] = true;
    }
    m_edits.clear();
    m_cache.insert(m_keys.at(m_position), withDocumentLengths(m_row));
    emit rowWritten(m_position);
    return Result::success();
}

QString RecordSource::describeConflicts(const QVector<EditConflict> &conflicts)
{
    QString text;
    for (const EditConflict &conflict : conflicts)
        text += QStringLiteral("「%1」已經被改為 %2(您讀到的是 %3,輸入的是 %4)。")
                    .arg(conflict.caption, shownInQuestion(conflict.now), shownInQuestion(conflict.read),
                         shownInQuestion(conflict.typed));
    return text;
}

Result RecordSource::insertPendingRow()
{
    QStringList columns;
    QStringList placeholders;
    for (auto edit = m_edits.cbegin(); edit != m_edits.cend(); ++edit) {
        columns << quotedName(m_columns.at(edit.key()));
        placeholders << QStringLiteral("?");
    }
    // A blank new row is written too, as a row of empty fields.
    const QString sql = columns.isEmpty()
                          ? QStringLiteral("INSERT INTO %1 DEFAULT VALUES").arg(quotedTable())
                          : QStringLiteral("INSERT INTO %1 (%2) VALUES (%3)")
                                .arg(quotedTable(), columns.join(QLatin1Char(',')), placeholders.join(QLatin1Char(',')));
    QSqlQuery query(m_connection->database());
    if (Result prepared = prepare(query, sql); !prepared)
        return prepared;
    for (auto edit = m_edits.cbegin(); edit != m_edits.cend(); ++edit)
        query.addBindValue(storedValue(edit.key(), edit.value()));
    if (!query.exec())
        return failure(query, sql);
    const qint64 key = query.lastInsertId().toLongLong();
    const int index = m_keys.lowerBound(key);
    emit rowAboutToBeInserted(index);
    m_keys.insert(key);
    emit rowInserted(index);
    return standOn(index).led(kCannotRead);
}

Result RecordSource::prepare(QSqlQuery &query, const QString &sql) const
{
    if (!query.prepare(sql))
        return failure(query, sql);
    return Result::success();
}

Result RecordSource::checkValue(int column, const QVariant &value) const
{
    if (value.isNull() || isDocumentColumn(column))
        return Result::success();
    const QString text = value.toString();
    const QString caption = m_captions.value(column, m_columns.at(column));
    if (!engine().holdsText(text))
        return Result::failure(kCannotSave
                               + QStringLiteral("「%1」含有資料庫無法儲存的字元(NUL 或不成對的代理字元),請刪除後再試一次。")
                                     .arg(caption));
    if (!m_wholeNumberColumns.value(column))
        return Result::success();
    DecimalNumber number;
    qint64 whole = 0;
    switch (DecimalNumber::read(text, number)) {
    case DecimalNumber::Reading::Empty:
        return Result::success();
    case DecimalNumber::Reading::NotANumber:
        return Result::failure(kCannotSave
                               + QStringLiteral("「%1」只能輸入數字,「%2」不是數字。").arg(caption, quotedInMessage(text)));
    case DecimalNumber::Reading::Number:
        if (number.toWholeNumber(kWholeNumberMinimum, kWholeNumberMaximum, whole))
            return Result::success();
        break;
    }
    return Result::failure(kCannotSave
                           + QStringLiteral("「%1」只能輸入 %2 到 %3 之間的整數,「%4」超出範圍。")
                                 .arg(caption)
                                 .arg(kWholeNumberMinimum)
                                 .arg(kWholeNumberMaximum)
                                 .arg(quotedInMessage(text)));
}

QVariant RecordSource::storedValue(int column, const QVariant &value) const
{
    if (!m_wholeNumberColumns.value(column) || value.isNull())
        return value;
    // A cleared quantity field means no quantity; a decimal is stored rounded half to even.
    DecimalNumber number;
    qint64 whole = 0;
    if (DecimalNumber::read(value.toString(), number) != DecimalNumber::Reading::Number
        || !number.toWholeNumber(kWholeNumberMinimum, kWholeNumberMaximum, whole))
        return QVariant();
    return qlonglong(whole);
}

Result RecordSource::readRow(qint64 key, QVector<QVariant> &row) const
{
    QSqlQuery query(m_connection->database());
    query.setForwardOnly(true);
    const QString sql = QStringLiteral("SELECT %1 FROM %2 WHERE %3 = ?")
                            .arg(selectList(), quotedTable(), engine().rowIdentity());
    if (Result prepared = prepare(query, sql); !prepared)
        return prepared;
    query.addBindValue(key);
    if (!query.exec())
        return failure(query, sql);
    // A row deleted elsewhere reads as a row of empty fields.
    if (query.next()) {
        for (int i = 0; i < row.size(); ++i)
            row[i] = query.value(i);
    }
    return Result::success();
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
    if (!query.exec()) {
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
    if (!query.exec()) {
        // Not taken as read, like a document nobody looked at: the next look reads it again.
        readFailed();
        m_row[column] = QVariant();
        return;
    }
    m_row[column] = query.next() ? query.value(0) : QVariant();
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

QString RecordSource::quotedName(const QString &name) const
{
    return engine().quotedName(name);
}

const Engine &RecordSource::engine() const
{
    return ::engine(m_connection->database());
}

QSqlDatabase RecordSource::database() const
{
    return m_connection ? m_connection->database() : QSqlDatabase();
}
