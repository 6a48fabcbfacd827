#pragma once

#include <QByteArray>
#include <QString>

/// What an Access OLE object field held, taken out of its wrappers.
struct OleContent
{
    /// False when the object was not understood: bytes are then the field's
    /// original bytes, typed application/octet-stream, and why says what failed.
    bool understood = false;
    /// True for a linked object: linkedPath names the file, bytes are empty.
    bool linked = false;
    QString fileName;
    QString mimeType;
    QByteArray bytes;
    QString linkedPath;
    /// The object's class as the wrapper names it (e.g. "Paint.Picture").
    QString className;
    QString why;
};

/// Unwraps the bytes of an Access OLE object field: the Access header
/// (0x15 0x1C, header size, object name and class), then the OLE 1.0 object
/// (version 0x0501, format, class, topic, item, native data). PBrush gives a
/// BMP file, Package the packaged file under its own name, Word.Document.8
/// the document file. baseName names the file when the object carries no
/// name of its own. Never fails: what it cannot read it keeps as it was.
OleContent unwrapOleObject(const QByteArray &field, const QString &baseName);
