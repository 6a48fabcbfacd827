#pragma once

#include "data/result.h"

#include <QByteArray>
#include <QString>
#include <QVariant>

/// A document held in a record's document column: embedded (its bytes kept
/// exactly as they are) or linked (the path of a file outside the database).
///
/// The stored value is self-describing (see docs/documents.md). A stored
/// value without the signature, written by another tool, reads as a foreign
/// document: its type is sniffed from its content and toStored() gives back
/// the very same bytes. A value with the signature that cannot be read is a
/// damaged document that likewise keeps its bytes.
class Document
{
public:
    enum class Kind { Empty, Embedded, Linked, Foreign, Damaged };

    /// The largest stored value the engine takes (SQLite's default length limit).
    static constexpr qint64 kMaximumStoredBytes = 1000000000;
    static inline const QByteArray kSignature = QByteArrayLiteral("VEMODOC");
    static constexpr char kVersion = 1;

    Document() = default;
    /// An embedded document; an empty mimeType is found from the name and the bytes.
    static Document embedded(const QString &fileName, const QByteArray &bytes, const QString &mimeType = QString());
    /// A link to a file; an empty mimeType is found from the file as it is now.
    static Document linked(const QString &path, const QString &mimeType = QString());
    /// Reads a column's value: null or empty is an empty document.
    static Document fromStored(const QVariant &stored);
    /// Makes a document of a file, embedding a copy of its bytes or linking
    /// it. Fails, leaving *document untouched, on a folder, a missing or
    /// unreadable file, or one too big for the engine.
    static Result fromFile(const QString &path, bool link, Document *document);

    /// A new empty document of a document class: "Word.Document.8" is an
    /// empty RTF file, which Word and LibreOffice both open and save. Fails
    /// on a class it does not know.
    static Result newOfClass(const QString &documentClass, Document *document);

    /// The column's value: null for an empty document; the original bytes
    /// of a foreign or damaged one.
    QVariant toStored() const;

    Kind kind() const { return m_kind; }
    bool isEmpty() const { return m_kind == Kind::Empty; }
    bool isLinked() const { return m_kind == Kind::Linked; }
    /// File name without folders; of a linked document, the linked file's.
    QString fileName() const { return m_fileName; }
    QString mimeType() const { return m_mimeType; }
    /// The embedded bytes (of a foreign or damaged document, the stored ones).
    QByteArray bytes() const { return m_bytes; }
    QString linkedPath() const { return m_path; }
    /// A linked document whose file is gone (or is no longer a file).
    bool isLinkBroken() const;
    /// Bytes held, or the linked file's size now; -1 when the link is broken.
    qint64 size() const;

    /// The document's content: the embedded bytes, or the linked file read
    /// now. Fails on a broken link, an unreadable file or a damaged value.
    Result readContent(QByteArray *content) const;
    /// Writes the content to a file, replacing it whole or not at all.
    Result saveCopy(const QString &path) const;
    /// One line for the grid and screen readers: type, file name, size,
    /// embedded or linked. Empty for an empty document.
    QString description() const;

    bool operator==(const Document &other) const;
    bool operator!=(const Document &other) const { return !(*this == other); }

private:
    static Document parse(const QByteArray &stored);
    static Document damaged(const QByteArray &stored);
    Document withKind(Kind kind) const;

    Kind m_kind = Kind::Empty;
    QString m_fileName;
    QString m_mimeType;
    QByteArray m_bytes;
    QString m_path;
};

/// Readable size: bytes, KB or MB.
QString documentSizeText(qint64 bytes);
