#include "admin/librarywarnings.h"

#include <QByteArray>

#include <cstdio>
#include <sys/mman.h>
#include <unistd.h>

namespace {

constexpr qsizetype kShownWarning = 200;

} // namespace

LibraryWarnings::LibraryWarnings()
{
    m_catch = memfd_create("vemo-admin-libmdb-warnings", MFD_CLOEXEC);
    m_saved = dup(STDERR_FILENO);
}

LibraryWarnings::~LibraryWarnings()
{
    if (m_catch >= 0)
        close(m_catch);
    if (m_saved >= 0)
        close(m_saved);
}

QString LibraryWarnings::summary() const
{
    if (m_count == 0)
        return QString();
    return QStringLiteral("讀取 Jet 資料庫時 libmdb 發出 %1 則警告,第一則是:「%2」。").arg(m_count).arg(m_first);
}

void LibraryWarnings::begin()
{
    if (m_depth++ > 0 || m_catch < 0 || m_saved < 0)
        return;
    std::fflush(stderr);
    dup2(m_catch, STDERR_FILENO);
}

void LibraryWarnings::end()
{
    if (--m_depth > 0 || m_catch < 0 || m_saved < 0)
        return;
    std::fflush(stderr);
    dup2(m_saved, STDERR_FILENO);
    take();
}

/// Counts the lines caught since the last time and empties the catch.
void LibraryWarnings::take()
{
    const off_t caught = lseek(m_catch, 0, SEEK_CUR);
    if (caught <= 0)
        return;
    QByteArray chunk(64 * 1024, Qt::Uninitialized);
    bool endsInLine = true;
    for (off_t at = 0; at < caught;) {
        const ssize_t got = pread(m_catch, chunk.data(), size_t(chunk.size()), at);
        if (got <= 0)
            break;
        const QByteArray part = chunk.left(got);
        if (m_first.isEmpty())
            m_first = QString::fromUtf8(part.left(part.indexOf('\n'))).trimmed().left(kShownWarning);
        m_count += part.count('\n');
        endsInLine = part.endsWith('\n');
        at += got;
    }
    if (!endsInLine)
        ++m_count;
    if (ftruncate(m_catch, 0) == 0)
        lseek(m_catch, 0, SEEK_SET);
}
