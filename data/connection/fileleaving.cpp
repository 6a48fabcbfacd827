#include "data/connection/engineconnection.h"

#include "data/engine/sqlite/sqlitehandle.h"

#include <QDir>
#include <QFileInfo>
#include <QMutex>

#include <algorithm>

// A file replaced or removed underneath: every connection of this program to
// it lets go of it, and the file now at the path is opened only when that is safe.

namespace {

/// Every connection of this program opened on a file for reading and writing.
struct FileConnections
{
    QMutex mutex;
    QList<EngineConnection *> connections;
};

FileConnections &fileConnections()
{
    static FileConnections registry;
    return registry;
}

bool samePath(const QString &one, const QString &other)
{
    return QFileInfo(one).absoluteFilePath() == QFileInfo(other).absoluteFilePath();
}

} // namespace

void EngineConnection::track(EngineConnection *connection)
{
    FileConnections &registry = fileConnections();
    QMutexLocker lock(&registry.mutex);
    registry.connections.append(connection);
}

void EngineConnection::untrack(EngineConnection *connection)
{
    FileConnections &registry = fileConnections();
    QMutexLocker lock(&registry.mutex);
    registry.connections.removeAll(connection);
}

void EngineConnection::forgetLeftJournals(const QString &file)
{
    // SQLite goes on with the emptied journal it found at the name: the old file's no more.
    FileConnections &registry = fileConnections();
    QMutexLocker lock(&registry.mutex);
    for (EngineConnection *connection : std::as_const(registry.connections)) {
        if (connection->m_leftFile && samePath(connection->m_file, file))
            connection->m_journalPlace = FilePlace();
    }
}

void EngineConnection::leaveFile()
{
    if (m_file.isEmpty())
        return;
    FileConnections &registry = fileConnections();
    QMutexLocker lock(&registry.mutex);
    for (EngineConnection *connection : std::as_const(registry.connections)) {
        if (samePath(connection->m_file, m_file) && connection->m_filePlace == m_filePlace)
            connection->letGoOfFile();
    }
}

void EngineConnection::letGoOfFile()
{
    if (m_leftFile)
        return;
    m_leftFile = true;
    forgetKeptStatements();
    if (!QSqlDatabase::contains(m_name))
        return;
    QSqlDatabase database = QSqlDatabase::database(m_name, false);
    // SQLite leaves a moved file's journal at its name: emptied, it can lie beside the file put there.
    if (filePlace(journalOf(m_file)) == m_journalPlace)
        mergeJournal(database);
    else
        keepJournalWhenClosing(database);
    database.close();
}

Result EngineConnection::leaveFilesReplacedAt(const QString &file)
{
    FileConnections &registry = fileConnections();
    QMutexLocker lock(&registry.mutex);
    const FilePlace now = filePlace(file);
    // A path with no file lets the open fail or make one; the file may be back at the next.
    if (!now.exists)
        return Result::success();
    const auto onOldFile = [&](const EngineConnection *connection) {
        return samePath(connection->m_file, file) && connection->m_filePlace != now;
    };
    for (EngineConnection *connection : std::as_const(registry.connections)) {
        if (onOldFile(connection))
            connection->letGoOfFile();
    }
    // Opening beside the old file's journal while another program holds the old file, or while the
    // journal holds the old file's pages, would mix them into the file now there.
    const QString journal = journalOf(file);
    const FilePlace journalPlace = filePlace(journal);
    const bool oldJournal = std::any_of(registry.connections.cbegin(), registry.connections.cend(),
                                        [&](const EngineConnection *connection) {
                                            return journalPlace.exists && onOldFile(connection)
                                                && connection->m_journalPlace == journalPlace;
                                        });
    if (!oldJournal)
        return Result::success();
    // The old file's inode may be another file's by now; the journal's, still at its name, cannot.
    // A program holding it and the file now there opened that file beside the emptied journal.
    const QSet<qint64> journalHolders = processesHolding(journalPlace);
    const QSet<qint64> onOldFileStill = journalHolders - processesHolding(now);
    if (!journalHolders.contains(-1) && onOldFileStill.isEmpty()
        && (!journalHolders.isEmpty() || QFileInfo(journal).size() == 0))
        return Result::success();
    return Result::failure(kCannotOpen
                           + QStringLiteral("資料庫檔案 '%1' 已經被另一個檔案取代了,但還有別的程式開著原來的檔案,"
                                            "它的日誌檔案 '%2' 還在;請先關閉那些程式,再試一次。")
                                 .arg(QDir::toNativeSeparators(file), QDir::toNativeSeparators(journal)));
}
