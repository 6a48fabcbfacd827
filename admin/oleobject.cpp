#include "admin/oleobject.h"

#include <QFileInfo>
#include <QMimeDatabase>
#include <QtEndian>

namespace {

constexpr quint32 kOle1Version = 0x0501;
constexpr quint32 kOle1Linked = 1;
constexpr quint32 kOle1Embedded = 2;

/// Reads little-endian fields and strings front to back; any read past the
/// end turns the reader bad instead of reading out of bounds.
class ByteReader
{
public:
    ByteReader(const QByteArray &bytes, qsizetype at = 0) : m_bytes(bytes), m_at(at) {}

    bool ok() const { return m_ok; }
    qsizetype position() const { return m_at; }

    quint16 word()
    {
        if (!has(2))
            return 0;
        const quint16 value = qFromLittleEndian<quint16>(m_bytes.constData() + m_at);
        m_at += 2;
        return value;
    }
    quint32 dword()
    {
        if (!has(4))
            return 0;
        const quint32 value = qFromLittleEndian<quint32>(m_bytes.constData() + m_at);
        m_at += 4;
        return value;
    }
    QByteArray bytes(qint64 count)
    {
        if (count < 0 || !has(count))
            return QByteArray();
        const QByteArray value = m_bytes.mid(m_at, count);
        m_at += count;
        return value;
    }
    /// A string of the ANSI code page ending in a zero byte.
    QString zeroTerminated()
    {
        const qsizetype end = m_bytes.indexOf('\0', m_at);
        if (end < 0) {
            m_ok = false;
            return QString();
        }
        const QString value = QString::fromLocal8Bit(m_bytes.mid(m_at, end - m_at));
        m_at = end + 1;
        return value;
    }
    /// A 32-bit length, then that many bytes holding a zero-terminated string.
    QString lengthPrefixed()
    {
        const QByteArray raw = bytes(dword());
        const qsizetype end = raw.indexOf('\0');
        return QString::fromLocal8Bit(end < 0 ? raw : raw.left(end));
    }

private:
    bool has(qint64 count)
    {
        if (m_ok && count <= m_bytes.size() - m_at)
            return true;
        m_ok = false;
        return false;
    }

    const QByteArray &m_bytes;
    qsizetype m_at;
    bool m_ok = true;
};

OleContent notUnderstood(const QByteArray &field, const QString &baseName, const QString &className,
                         const QString &why)
{
    OleContent content;
    content.fileName = baseName + QStringLiteral(".bin");
    content.mimeType = QStringLiteral("application/octet-stream");
    content.bytes = field;
    content.className = className;
    content.why = why;
    return content;
}

QString mimeTypeOf(const QString &fileName, const QByteArray &bytes)
{
    return QMimeDatabase().mimeTypeForFileNameAndData(fileName, bytes).name();
}

/// A BMP file declares its own size; what the object adds after it is padding.
QByteArray bitmapFile(const QByteArray &native)
{
    if (native.size() < 14 || !native.startsWith("BM"))
        return QByteArray();
    const quint32 declared = qFromLittleEndian<quint32>(native.constData() + 2);
    return declared >= 14 && declared <= quint32(native.size()) ? native.left(declared) : native;
}

/// The packager's native data: a label, the original path, a temporary path
/// and the file's bytes.
bool readPackage(const QByteArray &native, OleContent &content)
{
    ByteReader reader(native);
    reader.word();
    const QString label = reader.zeroTerminated();
    const QString originalPath = reader.zeroTerminated();
    reader.word();
    reader.bytes(reader.dword());
    const QByteArray data = reader.bytes(reader.dword());
    if (!reader.ok())
        return false;
    QString name = QFileInfo(QString(originalPath).replace(QLatin1Char('\\'), QLatin1Char('/'))).fileName();
    if (name.isEmpty())
        name = label;
    if (name.isEmpty())
        return false;
    content.fileName = name;
    content.bytes = data;
    return true;
}

} // namespace

OleContent unwrapOleObject(const QByteArray &field, const QString &baseName)
{
    ByteReader header(field);
    if (header.word() != 0x1C15)
        return notUnderstood(field, baseName, QString(), QStringLiteral("不是 Access 的 OLE 物件"));
    const quint16 headerSize = header.word();
    header.dword();
    const quint16 nameLength = header.word();
    const quint16 classLength = header.word();
    const quint16 nameOffset = header.word();
    const quint16 classOffset = header.word();
    if (!header.ok() || headerSize > field.size() || nameOffset + nameLength > headerSize
        || classOffset + classLength > headerSize)
        return notUnderstood(field, baseName, QString(), QStringLiteral("Access 的 OLE 標頭不完整"));
    const QString className = QString::fromLocal8Bit(field.mid(classOffset, classLength)).section(QChar(0), 0, 0);

    ByteReader object(field, headerSize);
    const quint32 version = object.dword();
    const quint32 format = object.dword();
    const QString oleClass = object.lengthPrefixed();
    const QString topic = object.lengthPrefixed();
    object.lengthPrefixed();
    if (!object.ok() || (version & 0xFFFF) != kOle1Version)
        return notUnderstood(field, baseName, className, QStringLiteral("不是 OLE 1.0 物件"));

    OleContent content;
    content.className = className;
    if (format == kOle1Linked) {
        content.understood = true;
        content.linked = true;
        content.linkedPath = topic;
        content.fileName = QFileInfo(QString(topic).replace(QLatin1Char('\\'), QLatin1Char('/'))).fileName();
        content.mimeType = QMimeDatabase().mimeTypeForFile(content.fileName, QMimeDatabase::MatchExtension).name();
        return content;
    }
    if (format != kOle1Embedded)
        return notUnderstood(field, baseName, className, QStringLiteral("OLE 物件格式 %1 無法辨識").arg(format));
    const QByteArray native = object.bytes(object.dword());
    if (!object.ok())
        return notUnderstood(field, baseName, className, QStringLiteral("OLE 物件的資料不完整"));

    if (oleClass == QLatin1String("PBrush")) {
        content.bytes = bitmapFile(native);
        content.fileName = baseName + QStringLiteral(".bmp");
        if (content.bytes.isEmpty())
            return notUnderstood(field, baseName, className, QStringLiteral("PBrush 物件裡不是 BMP 圖檔"));
    } else if (oleClass == QLatin1String("Package")) {
        if (!readPackage(native, content))
            return notUnderstood(field, baseName, className, QStringLiteral("封裝物件 (Package) 的資料不完整"));
    } else if (oleClass.startsWith(QLatin1String("Word.Document."))) {
        content.bytes = native;
        content.fileName = baseName + QStringLiteral(".doc");
    } else {
        return notUnderstood(field, baseName, className, QStringLiteral("不認得的 OLE 類別 %1").arg(oleClass));
    }
    content.understood = true;
    content.mimeType = mimeTypeOf(content.fileName, content.bytes);
    return content;
}
