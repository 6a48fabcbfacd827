#include "data/records/document.h"

#include <QDataStream>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMimeDatabase>
#include <QSaveFile>

namespace {

constexpr char kEmbeddedTag = 'E';
constexpr char kLinkedTag = 'L';
constexpr int kFixedHeaderBytes = 7 + 1 + 1 + 2 + 2 + 4; // signature, version, kind, three lengths

QString nameOf(const QString &path)
{
    return QFileInfo(path).fileName();
}

QString nativePath(const QString &path)
{
    return QDir::toNativeSeparators(path);
}

qint64 storedBytesFor(const QString &fileName, const QString &mimeType, qint64 payload)
{
    return kFixedHeaderBytes + fileName.toUtf8().size() + mimeType.toLatin1().size() + payload;
}

QString fileFailure(const QString &path, const QString &problem)
{
    return QStringLiteral("無法讀取檔案「%1」: %2").arg(nativePath(path), problem);
}

} // namespace

Document Document::embedded(const QString &fileName, const QByteArray &bytes, const QString &mimeType)
{
    Document document;
    document.m_kind = Kind::Embedded;
    document.m_fileName = nameOf(fileName);
    document.m_bytes = bytes;
    const QMimeDatabase mimes;
    document.m_mimeType = !mimeType.isEmpty() ? mimeType : mimes.mimeTypeForFileNameAndData(fileName, bytes).name();
    return document;
}

Document Document::linked(const QString &path, const QString &mimeType)
{
    Document document;
    document.m_kind = Kind::Linked;
    document.m_path = path;
    document.m_fileName = nameOf(path);
    document.m_mimeType = !mimeType.isEmpty() ? mimeType : QMimeDatabase().mimeTypeForFile(path).name();
    return document;
}

Document Document::fromStored(const QVariant &stored)
{
    const QByteArray bytes = stored.toByteArray();
    if (stored.isNull() || bytes.isEmpty())
        return Document();
    if (!bytes.startsWith(kSignature))
        return embedded(QString(), bytes).withKind(Kind::Foreign);
    return parse(bytes);
}

Document Document::parse(const QByteArray &stored)
{
    QDataStream in(stored);
    in.setByteOrder(QDataStream::BigEndian);
    in.skipRawData(int(kSignature.size()));
    qint8 version = 0;
    qint8 tag = 0;
    quint16 nameLength = 0;
    in >> version >> tag >> nameLength;
    QByteArray name(nameLength, Qt::Uninitialized);
    if (in.readRawData(name.data(), nameLength) != nameLength)
        return damaged(stored);
    quint16 typeLength = 0;
    in >> typeLength;
    QByteArray type(typeLength, Qt::Uninitialized);
    if (in.readRawData(type.data(), typeLength) != typeLength)
        return damaged(stored);
    quint32 payloadLength = 0;
    in >> payloadLength;
    const qint64 payloadStart = in.device()->pos();
    const bool wellFormed = in.status() == QDataStream::Ok && version == kVersion
        && (tag == kEmbeddedTag || tag == kLinkedTag) && stored.size() - payloadStart == qint64(payloadLength);
    if (!wellFormed)
        return damaged(stored);
    const QByteArray payload = stored.mid(payloadStart);
    const QString mimeType = QString::fromLatin1(type);
    if (tag == kLinkedTag)
        return linked(QString::fromUtf8(payload), mimeType);
    return embedded(QString::fromUtf8(name), payload, mimeType);
}

Document Document::damaged(const QByteArray &stored)
{
    Document document;
    document.m_kind = Kind::Damaged;
    document.m_bytes = stored;
    document.m_mimeType = QStringLiteral("application/octet-stream");
    return document;
}

Document Document::withKind(Kind kind) const
{
    Document document = *this;
    document.m_kind = kind;
    return document;
}

Result Document::fromFile(const QString &path, bool link, Document *document)
{
    const QFileInfo info(path);
    if (info.isDir())
        return Result::failure(QStringLiteral("「%1」是資料夾,不是檔案。").arg(nativePath(path)));
    if (!info.exists())
        return Result::failure(QStringLiteral("找不到檔案「%1」。").arg(nativePath(path)));
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return Result::failure(fileFailure(path, file.errorString()));
    const QString mimeType = QMimeDatabase().mimeTypeForFile(info).name();
    if (link) {
        *document = linked(info.absoluteFilePath(), mimeType);
        return Result::success();
    }
    if (storedBytesFor(info.fileName(), mimeType, file.size()) > kMaximumStoredBytes)
        return Result::failure(QStringLiteral("檔案「%1」有 %2,超過一個文件欄位能存的上限 %3。")
                                   .arg(nativePath(path), documentSizeText(file.size()),
                                        documentSizeText(kMaximumStoredBytes)));
    const QByteArray bytes = file.readAll();
    if (bytes.size() != file.size() || file.error() != QFileDevice::NoError)
        return Result::failure(fileFailure(path, file.errorString()));
    *document = embedded(info.fileName(), bytes, mimeType);
    return Result::success();
}

Result Document::newOfClass(const QString &documentClass, Document *document)
{
    if (documentClass != QLatin1String("Word.Document.8"))
        return Result::failure(QStringLiteral("不認識的文件類型「%1」,無法新建。").arg(documentClass));
    // Big5 with the screens' font, 新細明體, so Chinese typed in Word or Writer comes back readable.
    const QByteArray emptyRtf = "{\\rtf1\\ansi\\ansicpg950\\deff0"
                                "{\\fonttbl{\\f0\\fnil\\fcharset136 \\'b7\\'73\\'b2\\'d3\\'a9\\'fa\\'c5\\'e9;}}"
                                "\\f0\\fs24\\par\n}\n";
    *document = embedded(QStringLiteral("新文件.rtf"), emptyRtf, QStringLiteral("application/rtf"));
    return Result::success();
}

QVariant Document::toStored() const
{
    if (m_kind == Kind::Empty)
        return QVariant(QMetaType(QMetaType::QByteArray));
    if (m_kind == Kind::Foreign || m_kind == Kind::Damaged)
        return m_bytes;
    const QByteArray name = m_fileName.toUtf8().left(0xFFFF);
    const QByteArray type = m_mimeType.toLatin1().left(0xFFFF);
    const QByteArray payload = m_kind == Kind::Linked ? m_path.toUtf8() : m_bytes;
    QByteArray stored;
    stored.reserve(kFixedHeaderBytes + name.size() + type.size() + payload.size());
    QDataStream out(&stored, QIODevice::WriteOnly);
    out.setByteOrder(QDataStream::BigEndian);
    out.writeRawData(kSignature.constData(), int(kSignature.size()));
    out << qint8(kVersion) << qint8(m_kind == Kind::Linked ? kLinkedTag : kEmbeddedTag);
    out << quint16(name.size());
    out.writeRawData(name.constData(), int(name.size()));
    out << quint16(type.size());
    out.writeRawData(type.constData(), int(type.size()));
    out << quint32(payload.size());
    out.writeRawData(payload.constData(), int(payload.size()));
    return stored;
}

bool Document::isLinkBroken() const
{
    return m_kind == Kind::Linked && !QFileInfo(m_path).isFile();
}

qint64 Document::size() const
{
    if (m_kind != Kind::Linked)
        return m_bytes.size();
    return isLinkBroken() ? -1 : QFileInfo(m_path).size();
}

Result Document::readContent(QByteArray *content) const
{
    switch (m_kind) {
    case Kind::Empty:
    case Kind::Embedded:
    case Kind::Foreign:
        *content = m_bytes;
        return Result::success();
    case Kind::Damaged:
        return Result::failure(QStringLiteral("文件欄位的內容已損壞,無法讀取。"));
    case Kind::Linked:
        break;
    }
    if (isLinkBroken())
        return Result::failure(QStringLiteral("找不到連結的檔案「%1」。").arg(nativePath(m_path)));
    QFile file(m_path);
    if (!file.open(QIODevice::ReadOnly))
        return Result::failure(fileFailure(m_path, file.errorString()));
    *content = file.readAll();
    if (file.error() != QFileDevice::NoError)
        return Result::failure(fileFailure(m_path, file.errorString()));
    return Result::success();
}

Result Document::saveCopy(const QString &path) const
{
    QByteArray content;
    if (Result read = readContent(&content); !read)
        return read;
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(content) != content.size() || !file.commit())
        return Result::failure(QStringLiteral("無法寫入檔案「%1」: %2").arg(nativePath(path), file.errorString()));
    return Result::success();
}

QString Document::description() const
{
    const QString type = QMimeDatabase().mimeTypeForName(m_mimeType).comment();
    switch (m_kind) {
    case Kind::Empty:
        return QString();
    case Kind::Damaged:
        return QStringLiteral("無法讀取的文件, %1").arg(documentSizeText(m_bytes.size()));
    case Kind::Foreign:
        return QStringLiteral("%1, %2, 內嵌").arg(type, documentSizeText(m_bytes.size()));
    case Kind::Embedded:
        return QStringLiteral("%1, %2, %3, 內嵌").arg(type, m_fileName, documentSizeText(m_bytes.size()));
    case Kind::Linked:
        break;
    }
    if (isLinkBroken())
        return QStringLiteral("%1, %2, 找不到連結的檔案 %3").arg(type, m_fileName, nativePath(m_path));
    return QStringLiteral("%1, %2, %3, 連結 %4").arg(type, m_fileName, documentSizeText(size()), nativePath(m_path));
}

bool Document::operator==(const Document &other) const
{
    return m_kind == other.m_kind && m_fileName == other.m_fileName && m_mimeType == other.m_mimeType
        && m_bytes == other.m_bytes && m_path == other.m_path;
}

QString documentSizeText(qint64 bytes)
{
    constexpr qint64 kilo = 1024;
    if (bytes < kilo)
        return QStringLiteral("%1 位元組").arg(bytes);
    if (bytes < kilo * kilo)
        return QStringLiteral("%1 KB").arg(double(bytes) / kilo, 0, 'f', 1);
    return QStringLiteral("%1 MB").arg(double(bytes) / (kilo * kilo), 0, 'f', 1);
}
