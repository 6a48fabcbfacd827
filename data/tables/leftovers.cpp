#include "data/tables/leftovers.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QRegularExpression>
#include <QSet>
#include <QtEndian>

#include <algorithm>
#include <cerrno>
#include <csignal>
#ifdef Q_OS_UNIX
#include <unistd.h>
#endif

namespace {

const QString kMaker = QStringLiteral(".vemo-admin-");
const QStringList kJournals = {QStringLiteral("-wal"), QStringLiteral("-shm"), QStringLiteral("-journal")};

bool processIsGone(qint64 pid)
{
#ifdef Q_OS_UNIX
    return pid > 0 && ::kill(pid_t(pid), 0) != 0 && errno == ESRCH;
#else
    Q_UNUSED(pid)
    return false;
#endif
}

/// Whether a process running as one of owners holds one of the files open;
/// true when that cannot be told, so that a file whose maker may live is kept.
bool openByProcessOf(const QSet<uint> &owners, const QSet<QString> &files)
{
    const QDir processes(QStringLiteral("/proc"));
    if (!processes.exists(QStringLiteral("self/fd")))
        return true;
    static const QRegularExpression number(QStringLiteral(R"(^\d+$)"));
    for (const QString &pid : processes.entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        if (!number.match(pid).hasMatch() || !owners.contains(QFileInfo(processes.filePath(pid)).ownerId()))
            continue;
        const QDir fds(processes.filePath(pid + QStringLiteral("/fd")));
        if (!fds.isReadable() && fds.exists())
            return true;
        for (const QString &fd : fds.entryList(QDir::AllEntries | QDir::System | QDir::NoDotAndDotDot))
            if (files.contains(QFile::symLinkTarget(fds.filePath(fd))))
                return true;
    }
    return false;
}

/// A file the tool made: still empty, or a database file.
bool madeByTool(const QString &file)
{
    QFile made(file);
    return made.open(QIODevice::ReadOnly) && (made.size() == 0 || made.read(16) == QByteArrayLiteral("SQLite format 3\0"));
}

/// A journal SQLite wrote: empty, or opening with the mark of a write-ahead
/// log, a rollback journal or a shared-memory index.
bool journalByEngine(const QString &file)
{
    QFile journal(file);
    if (!journal.open(QIODevice::ReadOnly))
        return false;
    if (journal.size() == 0)
        return true;
    const QByteArray head = journal.read(8);
    static const QByteArray rollback = QByteArray::fromHex("d9d505f920a163d7");
    const quint32 first = head.size() < 4 ? 0 : qFromLittleEndian<quint32>(head.constData());
    const bool walMark = head.startsWith(QByteArray::fromHex("377f0682")) || head.startsWith(QByteArray::fromHex("377f0683"));
    return walMark || head == rollback || first == 3007000u;
}

/// Whether this process's user owns the file: another user's file of the same name is never ours.
bool ownedByUs(const QString &file)
{
#ifdef Q_OS_UNIX
    return QFileInfo(file).ownerId() == uint(::geteuid());
#else
    Q_UNUSED(file)
    return true;
#endif
}

/// Earlier versions named their temporary files without a process id:
/// ".vemo.sqlite.import-XXXXXX" beside an import's target and
/// "DEST.partial-XXXXXX" beside a backup's. Only those of this very file go,
/// a journal with its file, and only when no process of their owner has one open.
void removeOldLeftovers(const QString &database)
{
    const QFileInfo info(database);
    const QString name = QRegularExpression::escape(info.fileName());
    const QRegularExpression old(QStringLiteral(R"(^((\.%1\.import|%1\.partial)-[A-Za-z0-9]{6})(-wal|-shm|-journal)?$)").arg(name));
    // Open files are named by their real path, so the folder is too.
    const QString real = info.absoluteDir().canonicalPath();
    if (real.isEmpty())
        return;
    const QDir folder(real);
    QHash<QString, QSet<QString>> filesOf;
    for (const QString &entry : folder.entryList(QDir::Files | QDir::Hidden | QDir::System)) {
        const QRegularExpressionMatch match = old.match(entry);
        if (match.hasMatch())
            filesOf[folder.absoluteFilePath(match.captured(1))].insert(folder.absoluteFilePath(entry));
    }
    for (auto group = filesOf.cbegin(); group != filesOf.cend(); ++group) {
        if (QFileInfo::exists(group.key()) && !madeByTool(group.key()))
            continue;
        if (!std::all_of(group.value().cbegin(), group.value().cend(), ownedByUs))
            continue;
        QSet<uint> owners;
        for (const QString &file : group.value())
            owners.insert(QFileInfo(file).ownerId());
        if (openByProcessOf(owners, group.value()))
            continue;
        for (const QString &file : group.value())
            QFile::remove(file);
    }
}

} // namespace

QString temporaryBeside(const QString &file, const QString &job)
{
    const QFileInfo info(file);
    return info.absolutePath() + QStringLiteral("/.") + info.fileName() + kMaker + job + QLatin1Char('-')
         + QString::number(QCoreApplication::applicationPid()) + QStringLiteral("-XXXXXX");
}

void removeLeftovers(const QString &file)
{
    if (file.isEmpty())
        return;
    // Exactly the names temporaryBeside makes: QTemporaryFile puts six letters or digits for the Xs.
    static const QRegularExpression leftover(
        QStringLiteral(R"(^(\..+\.vemo-admin-[a-z]+-(\d+)-[A-Za-z0-9]{6})(-wal|-shm|-journal)?$)"));
    const QDir folder = QFileInfo(file).absoluteDir();
    const QStringList names = folder.entryList({QStringLiteral(".*") + kMaker + QStringLiteral("*")},
                                               QDir::Files | QDir::Hidden | QDir::System);
    for (const QString &name : names) {
        const QRegularExpressionMatch match = leftover.match(name);
        if (!match.hasMatch() || !processIsGone(match.captured(2).toLongLong()))
            continue;
        const QString path = folder.filePath(name);
        const QString made = folder.filePath(match.captured(1));
        const bool ours = match.captured(3).isEmpty() ? madeByTool(path)
                                                      : (QFileInfo::exists(made) ? madeByTool(made) && ownedByUs(made)
                                                                                 : journalByEngine(path));
        if (ours && ownedByUs(path))
            QFile::remove(path);
    }
    removeOldLeftovers(file);
}

TemporaryDatabase::TemporaryDatabase(const QString &beside, const QString &job) : m_file(temporaryBeside(beside, job)) {}

TemporaryDatabase::~TemporaryDatabase()
{
    if (m_kept || m_file.fileName().isEmpty())
        return;
    for (const QString &journal : kJournals)
        QFile::remove(m_file.fileName() + journal);
    m_file.remove();
}

Result TemporaryDatabase::create(QFileDevice::Permissions permissions)
{
    if (!m_file.open())
        return Result::failure(QStringLiteral("無法在資料夾 %1 建立新檔:%2")
                                   .arg(QFileInfo(m_file.fileTemplate()).absolutePath(), m_file.errorString()));
    m_file.close();
    if (!m_file.setPermissions(permissions))
        return Result::failure(QStringLiteral("無法設定新檔 %1 的權限:%2").arg(m_file.fileName(), m_file.errorString()));
    return Result::success();
}

Result TemporaryDatabase::moveTo(const QString &destination)
{
    // Qt renames without replacing what is there, so a file made meanwhile at destination stays.
    if (!m_file.rename(destination))
        return Result::failure(QStringLiteral("無法把新檔 %1 改名為 %2:%3").arg(m_file.fileName(), destination, m_file.errorString()));
    keep();
    return Result::success();
}

void TemporaryDatabase::keep()
{
    m_file.setAutoRemove(false);
    m_kept = true;
}
