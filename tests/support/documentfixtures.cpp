#include "support/documentfixtures.h"

#include "data/schema.h"
#include "screens/form5.h"
#include "screens/form8.h"
#include "screens/form9.h"

#include <QBuffer>
#include <QFile>
#include <QImage>
#include <QSaveFile>

namespace documentfixtures {

ScreenDeclaration declarationOf(const QString &form)
{
    if (form == "Form5")
        return form5Declaration();
    if (form == "Form8")
        return form8Declaration();
    return form9Declaration();
}

const FieldDeclaration &documentFieldOf(const ScreenDeclaration &screen)
{
    for (const FieldDeclaration &field : screen.fields) {
        if (field.kind == FieldKind::Document)
            return field;
    }
    qFatal("%s has no document field", qPrintable(screen.name));
}

QByteArray pngOf(const QSize &size)
{
    QImage image(size, QImage::Format_RGB32);
    image.fill(Qt::darkGreen);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return bytes;
}

QByteArray pdfOf(const QByteArray &text)
{
    return "%PDF-1.4\n% " + text + "\n%%EOF\n";
}

QString writeFile(const QString &path, const QByteArray &bytes)
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.commit())
        qFatal("cannot write %s", qPrintable(path));
    return path;
}

QByteArray readFile(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QVariantList rowWithDocument(const QString &table, const QString &key, const QVariant &document)
{
    for (const TableDefinition &definition : schemaTables()) {
        if (definition.name != table)
            continue;
        QVariantList row{key};
        for (int column = 1; column < definition.columns.size(); ++column)
            row << (definition.columns.at(column).type == ColumnType::Document ? document : QVariant(""));
        return row;
    }
    qFatal("no table %s", qPrintable(table));
}

} // namespace documentfixtures
