#include "data/records/recordsource.h"

#include "data/engine.h"
#include "data/enginetext.h"
#include "data/connection/filefollowing.h"
#include "data/schema.h"

#include <QSqlError>

#include <QHash>

#include <tuple>

namespace {

/// What the tables of a shared connection are made of, by its name and its opening: read once a connection.
struct SharedTableFacts
{
    QString connection;
    QHash<QString, QVector<StoredColumn>> columns;
};

SharedTableFacts &sharedTableFacts()
{
    static SharedTableFacts facts;
    return facts;
}

/// A table of vemo's own that is missing was not made at the start: its message said why.
QString notYetMadeHint(const QString &table)
{
    if (!schemaTable(table))
        return {};
    return QStringLiteral("vemo 的資料表在程式啟動時建立;啟動時沒有建立成功,當時的訊息說明了原因。");
}

Result readColumns(const EngineConnection &connection, const QString &table, QVector<StoredColumn> &columns)
{
    QSqlDatabase database = connection.database();
    if (!connection.isShared())
        return ::engine(database).storedColumns(database, table, columns);
    SharedTableFacts &facts = sharedTableFacts();
    const QString key = database.connectionName() + QLatin1Char('\n') + QString::number(connection.openings());
    if (facts.connection != key) {
        if (Result read = ::engine(database).storedColumnsOfTables(database, facts.columns); !read)
            return read;
        facts.connection = key;
    }
    columns = facts.columns.value(table.toLower());
    return Result::success();
}

} // namespace

RecordSource::RecordSource(const QString &name, QObject *parent) : QObject(parent)
{
    setObjectName(name);
    connect(&FileFollowing::instance(), &FileFollowing::fileLeft, this, &RecordSource::followLeftFile,
            Qt::QueuedConnection);
}

Result RecordSource::open(const QString &databasePath, const QString &table)
{
    auto connection = std::make_unique<EngineConnection>();
    if (Result opened = connection->open(databasePath, EngineConnection::Missing::Fail, EngineConnection::Sharing::Program);
        !opened)
        return opened;

    QSqlDatabase database = connection->database();
    QVector<StoredColumn> stored;
    if (Result read = readColumns(*connection, table, stored); !read)
        return read;
    if (stored.isEmpty())
        return Result::failure(QStringLiteral("找不到資料表 '%1'。").arg(table) + notYetMadeHint(table));
    QStringList columns;
    QVector<bool> wholeNumbers;
    QVector<bool> documents;
    for (const StoredColumn &column : std::as_const(stored)) {
        columns << column.name;
        wholeNumbers << column.wholeNumber;
        documents << column.document;
    }
    QString generation;
    if (Result read = ::engine(database).rowGeneration(database, table, generation); !read)
        return read;
    Keyset keys;
    // Where the engine can, the first rows come with the identities, in the same statement: a screen's
    // grid and lists then show them, and its document fields the first row's, without a read of their own.
    QVector<QVector<QVariant>> firstRows;
    QVector<bool> shownDocuments(columns.size());
    QStringList firstRowOnly;
    for (int column = 0; column < columns.size(); ++column) {
        shownDocuments[column] = documents.at(column) && m_shownDocuments.contains(columns.at(column), Qt::CaseInsensitive);
        if (shownDocuments.at(column))
            firstRowOnly << ::engine(database).quotedName(columns.at(column));
    }
    const QString rowColumns = selectList(::engine(database), columns, documents, {}) + QStringLiteral(", ") + generation;
    if (Result read = ::engine(database).readKeysWithFirstRows(database, table, rowColumns, firstRowOnly, kChunkRows,
                                                               keys, firstRows);
        !read)
        return read;

    m_connection = std::move(connection);
    m_engine = &::engine(database);
    if (table != m_table)
        m_lookupReads.clear();
    m_table = table;
    m_columns = columns;
    m_wholeNumberColumns = wholeNumbers;
    m_documentColumns = documents;
    m_generation = generation;
    m_keys = std::move(keys);
    m_adding = false;
    m_noMatch = false;
    m_edits.clear();
    m_documentsAsked = shownDocuments;
    return standOnFirstRow(firstRows, shownDocuments);
}

Result RecordSource::standOnFirstRow(const QVector<QVector<QVariant>> &firstRows, const QVector<bool> &shownDocuments)
{
    m_cache.clear();
    const int generationColumn = m_columns.size();
    const bool wholeRows = !firstRows.isEmpty() && firstRows.first().size() == generationColumn + 1
                                                                                + shownDocuments.count(true);
    for (int index = 0; wholeRows && index < firstRows.size() && index < m_keys.size(); ++index)
        m_cache.insert(m_keys.at(index), firstRows.at(index).mid(0, generationColumn));
    emit keysetReset();
    if (!wholeRows)
        return standOn(0).led(kCannotRead);
    QVector<QVariant> row = firstRows.first().mid(0, generationColumn);
    int whole = generationColumn + 1;
    for (int column = 0; column < row.size(); ++column) {
        if (shownDocuments.at(column))
            row[column] = firstRows.first().at(whole++);
    }
    standOnRow(0, row, firstRows.first().at(generationColumn).toLongLong(), shownDocuments);
    return Result::success();
}

void RecordSource::showDocuments(const QStringList &columns)
{
    m_shownDocuments = columns;
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

QVariant RecordSource::value(int column) const
{
    if (column < 0 || column >= m_columns.size())
        return QVariant();
    if (m_edits.contains(column))
        return m_edits.value(column);
    if (m_adding || !hasCurrentRow())
        return QVariant();
    if (isDocumentColumn(column)) {
        m_documentsAsked[column] = true;
        if (!m_documentRead.at(column))
            readDocument(column);
    }
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

Result RecordSource::failure(const QSqlQuery &query, const QString &sql) const
{
    m_connectionSuspect = true;
    return Result::failure(engineText(query.lastError()), sql);
}

Result RecordSource::reopenAfterFailure() const
{
    if (!m_connection)
        return Result::success();
    // A source whose file was replaced reads nothing until it reads the file now there.
    if (Result inPlace = m_connection->checkFileInPlace(EngineConnection::Use::Reading); !inPlace)
        return inPlace;
    // A failure may have been the connection going (a server restarted): the next command opens it again.
    if (!m_connectionSuspect)
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
    if (m_connection) {
        if (Result moved = m_connection->checkFileInPlace(EngineConnection::Use::Reading); !moved) {
            const QString path = m_connection->openedPath();
            Result followed = followFileAtPath(moved);
            emit FileFollowing::instance().fileLeft(path);
            return followed;
        }
    }
    if (Result reopened = reopenAfterFailure(); !reopened)
        return reopened;
    if (!isOpen())
        return Result::failure(QStringLiteral("資料來源 %1 沒有開啟。").arg(objectName()));
    return m_connection->wakeIfResting();
}

Result RecordSource::followFileAtPath(const Result &moved)
{
    // Letting go at once, edits or not, frees the old file for every program; edits stay in memory.
    m_connection->leaveFile();
    // Every command first writes pending edits: the write is refused, and they wait for the user to give them up.
    if (hasPendingEdits())
        return m_connection->checkFileInPlace(EngineConnection::Use::Writing);
    const QString path = m_connection->openedPath();
    if (m_connection->databaseAtOpenedPath()) {
        if (Result opened = open(path, m_table); !opened)
            return opened;
    }
    return moved;
}

void RecordSource::followLeftFile(const QString &databasePath)
{
    if (!m_connection || m_connection->openedPath() != databasePath)
        return;
    if (Result moved = m_connection->checkFileInPlace(EngineConnection::Use::Reading); !moved)
        std::ignore = followFileAtPath(moved);
}

Result RecordSource::preparedRead(const QString &sql, QSqlQuery *&query) const
{
    if (!isOpen())
        return Result::failure(QStringLiteral("資料來源 %1 沒有開啟。").arg(objectName()));
    Result kept = m_connection->keptStatement(sql, query);
    if (!kept)
        m_connectionSuspect = true;
    return kept;
}

Result RecordSource::plainRead(const QString &sql, QSqlQuery &query) const
{
    if (!isOpen())
        return Result::failure(QStringLiteral("資料來源 %1 沒有開啟。").arg(objectName()));
    if (Result awake = m_connection->wakeIfResting(); !awake)
        return awake;
    query = QSqlQuery(m_connection->database());
    query.setForwardOnly(true);
    if (!query.exec(sql))
        return failure(query, sql);
    return Result::success();
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
    return m_engine ? *m_engine : ::engine(database());
}

QSqlDatabase RecordSource::database() const
{
    return m_connection ? m_connection->database() : QSqlDatabase();
}
