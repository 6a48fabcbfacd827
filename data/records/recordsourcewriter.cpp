#include "data/records/recordsource.h"

#include "data/engine.h"

// Writing: the pending row or the edits of the current row, each edit checked
// against what the file holds now; deleting; giving up the edits.

namespace {

const QString kDeletedElsewhere = QStringLiteral("這筆資料已經被刪除(可能是別的使用者刪除的),修改沒有儲存。");

/// Two stored values are the same: both empty, or equal in type and value.
bool sameStoredValue(const QVariant &a, const QVariant &b)
{
    if (a.isNull() || b.isNull())
        return a.isNull() && b.isNull();
    if (a.typeId() == QMetaType::QByteArray || b.typeId() == QMetaType::QByteArray)
        return a.typeId() == b.typeId() && a.toByteArray() == b.toByteArray();
    return a.toString() == b.toString();
}

} // namespace

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
    if (Result deleted = deleteRow(); !deleted)
        return deleted;
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

Result RecordSource::deleteRow()
{
    // Only the row read goes: not one added since under an identity SQLite gave again.
    if (Result inPlace = m_connection->checkFileInPlace(EngineConnection::Use::Writing); !inPlace)
        return inPlace;
    QSqlQuery query(m_connection->database());
    // Whole numbers only, written into the text: one round trip, nothing prepared or dropped.
    const QString sql = QStringLiteral("DELETE FROM %1 WHERE %2 = %4 AND %3 = %5")
                            .arg(quotedTable(), engine().rowIdentity(), m_generation)
                            .arg(m_keys.at(m_position))
                            .arg(m_rowGeneration);
    if (!query.exec(sql))
        return failure(query, sql);
    if (query.numRowsAffected() != 1)
        return Result::failure(kCannotSave + kDeletedElsewhere, sql);
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
    if (engine().writesCheckedInOneStatement())
        return updateRowInOneStatement(conflicts);
    QSqlQuery transaction(m_connection->database());
    QSqlQuery *statement = nullptr;
    const auto rollBack = [&](const Result &failure) {
        if (statement)
            statement->finish();
        transaction.exec(QStringLiteral("ROLLBACK"));
        return failure;
    };
    const QString begin = engine().beginWritingSql();
    if (!transaction.exec(begin))
        return rollBack(failure(transaction, begin));
    if (Result inPlace = m_connection->checkFileInPlace(EngineConnection::Use::Writing); !inPlace)
        return rollBack(inPlace);
    QStringList edited;
    for (auto edit = m_edits.cbegin(); edit != m_edits.cend(); ++edit)
        edited << quotedName(m_columns.at(edit.key()));
    const QString readSql = QStringLiteral("SELECT %4, %1 FROM %2 WHERE %3 = ?")
                                .arg(edited.join(QStringLiteral(", ")), quotedTable(), engine().rowIdentity(), m_generation)
                          + engine().lockingReadSuffix();
    if (Result prepared = preparedRead(readSql, statement); !prepared)
        return rollBack(prepared);
    QSqlQuery &read = *statement;
    read.addBindValue(m_keys.at(m_position));
    if (!read.exec())
        return rollBack(failure(read, readSql));
    // A row deleted elsewhere is not brought back, nor another written that took its identity since:
    // the typed values stay for the user to give up.
    if (!read.next() || read.value(0).toLongLong() != m_rowGeneration)
        return rollBack(Result::failure(kDeletedElsewhere, readSql));
    int at = 1;
    for (auto edit = m_edits.cbegin(); edit != m_edits.cend(); ++edit, ++at) {
        const QVariant now = read.value(at);
        if (wasRead(edit.key()) && !sameStoredValue(now, m_row.value(edit.key())))
            conflicts << EditConflict{edit.key(), m_captions.value(edit.key(), m_columns.at(edit.key())),
                                      m_row.value(edit.key()), now, edit.value()};
    }
    read.finish();
    if (!conflicts.isEmpty())
        return rollBack(Result::success());

    QStringList assignments;
    for (const QString &column : std::as_const(edited))
        assignments << column + QStringLiteral(" = ?");
    const QString sql = QStringLiteral("UPDATE %1 SET %2 WHERE %3 = ?")
                            .arg(quotedTable(), assignments.join(QStringLiteral(", ")), engine().rowIdentity());
    if (Result prepared = preparedRead(sql, statement); !prepared)
        return rollBack(prepared);
    QSqlQuery &update = *statement;
    for (auto edit = m_edits.cbegin(); edit != m_edits.cend(); ++edit)
        update.addBindValue(storedValue(edit.key(), edit.value()));
    update.addBindValue(m_keys.at(m_position));
    if (!update.exec())
        return rollBack(failure(update, sql));
    const int changed = update.numRowsAffected();
    update.finish();
    if (changed != 1)
        return rollBack(Result::failure(QStringLiteral("修改改到了 %1 筆資料,已經復原。").arg(changed), sql));
    if (!transaction.exec(QStringLiteral("COMMIT")))
        return rollBack(failure(transaction, QStringLiteral("COMMIT")));
    takeWrittenEdits();
    return Result::success();
}

Result RecordSource::updateRowInOneStatement(QVector<EditConflict> &conflicts)
{
    QStringList edited;
    QStringList assignments;
    QStringList checks{QStringLiteral("now.generation = ?")};
    QVariantList values;
    QVariantList checked{m_rowGeneration};
    for (auto edit = m_edits.cbegin(); edit != m_edits.cend(); ++edit) {
        const int column = edit.key();
        const QString name = quotedName(m_columns.at(column));
        edited << name;
        assignments << name + QStringLiteral(" = ?");
        values << storedValue(column, edit.value());
        if (!wasRead(column))
            continue;
        const bool text = !m_wholeNumberColumns.value(column) && !isDocumentColumn(column);
        checks << engine().holdsExactlySql(QStringLiteral("now.") + name, text);
        checked << m_row.value(column);
    }
    // The row is locked and read as it stands, and written only if it still holds what was read.
    const QString sql = QStringLiteral("WITH now AS (SELECT %1 AS generation, %2 FROM %3 WHERE %4 = ? FOR UPDATE), "
                                       "written AS (UPDATE %3 SET %5 FROM now WHERE %3.%4 = ? AND %6 RETURNING 1) "
                                       "SELECT now.*, (SELECT count(*) FROM written) FROM now")
                            .arg(m_generation, edited.join(QStringLiteral(", ")), quotedTable(), engine().rowIdentity(),
                                 assignments.join(QStringLiteral(", ")), checks.join(QStringLiteral(" AND ")));
    QSqlQuery *statement = nullptr;
    if (Result prepared = preparedWrite(sql, statement); !prepared)
        return prepared;
    QSqlQuery &query = *statement;
    query.addBindValue(m_keys.at(m_position));
    for (const QVariant &value : std::as_const(values))
        query.addBindValue(value);
    query.addBindValue(m_keys.at(m_position));
    for (const QVariant &value : std::as_const(checked))
        query.addBindValue(value);
    if (!query.exec())
        return failure(query, sql);
    const bool found = query.next();
    QVector<QVariant> now;
    for (int at = 0; found && at <= edited.size() + 1; ++at)
        now << query.value(at);
    query.finish();
    if (!found || now.first().toLongLong() != m_rowGeneration)
        return Result::failure(kDeletedElsewhere, sql);
    if (now.last().toLongLong() == 1) {
        takeWrittenEdits();
        return Result::success();
    }
    int at = 1;
    for (auto edit = m_edits.cbegin(); edit != m_edits.cend(); ++edit, ++at) {
        if (wasRead(edit.key()) && !sameStoredValue(now.at(at), m_row.value(edit.key())))
            conflicts << EditConflict{edit.key(), m_captions.value(edit.key(), m_columns.at(edit.key())),
                                      m_row.value(edit.key()), now.at(at), edit.value()};
    }
    if (conflicts.isEmpty())
        return Result::failure(QStringLiteral("修改改到了 0 筆資料,沒有寫入。"), sql);
    return Result::success();
}

void RecordSource::takeWrittenEdits()
{
    for (auto edit = m_edits.cbegin(); edit != m_edits.cend(); ++edit) {
        m_row[edit.key()] = storedValue(edit.key(), edit.value());
        m_documentRead[edit.key()] = true;
    }
    m_edits.clear();
    m_cache.insert(m_keys.at(m_position), withDocumentLengths(m_row));
    emit rowWritten(m_position);
}

Result RecordSource::preparedWrite(const QString &sql, QSqlQuery *&query) const
{
    // Only to the file read: not to one put at its path since.
    if (Result inPlace = m_connection->checkFileInPlace(EngineConnection::Use::Writing); !inPlace)
        return inPlace;
    return preparedRead(sql, query);
}

Result RecordSource::insertPendingRow()
{
    QStringList columns;
    QStringList placeholders;
    for (auto edit = m_edits.cbegin(); edit != m_edits.cend(); ++edit) {
        columns << quotedName(m_columns.at(edit.key()));
        placeholders << QStringLiteral("?");
    }
    // A blank new row is written too, as a row of empty fields. Its identity comes back with the insert, so
    // no second statement asks for it (nor finds another, where a trigger drew from a sequence meanwhile).
    const QString sql = (columns.isEmpty()
                             ? QStringLiteral("INSERT INTO %1 DEFAULT VALUES").arg(quotedTable())
                             : QStringLiteral("INSERT INTO %1 (%2) VALUES (%3)")
                                   .arg(quotedTable(), columns.join(QLatin1Char(',')), placeholders.join(QLatin1Char(','))))
                      + QStringLiteral(" RETURNING %1").arg(engine().rowIdentity());
    QSqlQuery *kept = nullptr;
    if (Result prepared = preparedWrite(sql, kept); !prepared)
        return prepared;
    QSqlQuery &query = *kept;
    for (auto edit = m_edits.cbegin(); edit != m_edits.cend(); ++edit)
        query.addBindValue(storedValue(edit.key(), edit.value()));
    if (!query.exec())
        return failure(query, sql);
    const bool added = query.next();
    const qint64 key = query.value(0).toLongLong();
    query.finish();
    if (!added)
        return Result::failure(QStringLiteral("新增的資料列沒有傳回它的編號,無法確定它已寫入。"), sql);
    const int index = m_keys.lowerBound(key);
    emit rowAboutToBeInserted(index);
    m_keys.insert(key);
    emit rowInserted(index);
    return standOn(index).led(kCannotRead);
}

