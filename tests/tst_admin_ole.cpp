#include "admin/oleobject.h"

#include <QTest>
#include <QtEndian>

class AdminOleTest : public QObject
{
    Q_OBJECT

private slots:
    void unwrapsWhatItKnows_data();
    void unwrapsWhatItKnows();
    void keepsWhatItCannotRead_data();
    void keepsWhatItCannotRead();
    void everyCutOfAnObjectIsKeptWhole();
    void linkedObjectNamesItsFile();
};

namespace {

QByteArray le16(quint16 value)
{
    QByteArray bytes(2, '\0');
    qToLittleEndian(value, bytes.data());
    return bytes;
}

QByteArray le32(quint32 value)
{
    QByteArray bytes(4, '\0');
    qToLittleEndian(value, bytes.data());
    return bytes;
}

QByteArray prefixed(const QByteArray &text)
{
    return le32(quint32(text.size() + 1)) + text + '\0';
}

QByteArray ole1(quint32 format, const QByteArray &oleClass, const QByteArray &topic, const QByteArray &native)
{
    QByteArray object = le32(0x0501) + le32(format) + prefixed(oleClass) + prefixed(topic) + prefixed("");
    if (format == 2)
        object += le32(quint32(native.size())) + native;
    return object;
}

QByteArray accessObject(const QByteArray &ole, const QByteArray &name = "Bitmap Image",
                        const QByteArray &className = "Paint.Picture")
{
    const quint16 nameOffset = 20;
    const quint16 classOffset = quint16(nameOffset + name.size() + 1);
    const quint16 headerSize = quint16(classOffset + className.size() + 1);
    return le16(0x1C15) + le16(headerSize) + le32(2) + le16(quint16(name.size() + 1)) + le16(quint16(className.size() + 1))
         + le16(nameOffset) + le16(classOffset) + le32(0xFFFFFFFF) + name + '\0' + className + '\0' + ole;
}

QByteArray bitmap()
{
    const QByteArray pixels(16, '\x7F');
    QByteArray file = "BM" + le32(0) + le32(0) + le32(54) + le32(40) + le32(2) + le32(2) + le16(1) + le16(24) + le32(0)
                    + le32(quint32(pixels.size())) + le32(2835) + le32(2835) + le32(0) + le32(0) + pixels;
    qToLittleEndian(quint32(file.size()), file.data() + 2);
    return file;
}

QByteArray package(const QByteArray &label, const QByteArray &path, const QByteArray &data)
{
    return le16(2) + label + '\0' + path + '\0' + le16(3) + prefixed(path) + le32(quint32(data.size())) + data
         + QByteArray("trailer");
}

const QByteArray kWordFile = QByteArray::fromHex("D0CF11E0A1B11AE1") + QByteArray(504, '\0');

} // namespace

void AdminOleTest::unwrapsWhatItKnows_data()
{
    QTest::addColumn<QByteArray>("field");
    QTest::addColumn<QString>("fileName");
    QTest::addColumn<QString>("mimeType");
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("className");

    QTest::newRow("paint picture, padding after the BMP dropped")
        << accessObject(ole1(2, "PBrush", "", bitmap() + QByteArray(10, '\0'))) << "picture-7.bmp" << "image/bmp" << bitmap()
        << "Paint.Picture";
    QTest::newRow("package keeps its file's own name")
        << accessObject(ole1(2, "Package", "", package("report.pdf", "C:\\docs\\report.pdf", "%PDF-1.4 body")), "Package", "Package")
        << "report.pdf" << "application/pdf" << QByteArray("%PDF-1.4 body") << "Package";
    QTest::newRow("package without a path takes its label")
        << accessObject(ole1(2, "Package", "", package("notes.txt", "", "plain words")), "Package", "Package") << "notes.txt"
        << "text/plain" << QByteArray("plain words") << "Package";
    QTest::newRow("word document is the file itself")
        << accessObject(ole1(2, "Word.Document.8", "", kWordFile), "Microsoft Word Document", "Word.Document.8")
        << "picture-7.doc" << "application/msword" << kWordFile << "Word.Document.8";
}

void AdminOleTest::unwrapsWhatItKnows()
{
    QFETCH(QByteArray, field);
    QFETCH(QString, fileName);
    QFETCH(QString, mimeType);
    QFETCH(QByteArray, bytes);
    QFETCH(QString, className);

    const OleContent content = unwrapOleObject(field, QStringLiteral("picture-7"));
    QVERIFY2(content.understood, qPrintable(content.why));
    QVERIFY(!content.linked);
    QCOMPARE(content.fileName, fileName);
    QCOMPARE(content.mimeType, mimeType);
    QCOMPARE(content.bytes, bytes);
    QCOMPARE(content.className, className);
}

void AdminOleTest::keepsWhatItCannotRead_data()
{
    QTest::addColumn<QByteArray>("field");
    QTest::addColumn<QString>("className");

    QTest::newRow("unknown class") << accessObject(ole1(2, "Excel.Sheet.8", "", "cells"), "Worksheet", "Excel.Sheet.8")
                                   << "Excel.Sheet.8";
    QTest::newRow("no Access header") << QByteArray("BM plain bitmap bytes") << "";
    QTest::newRow("empty") << QByteArray() << "";
    QTest::newRow("not OLE 1.0 after the header") << accessObject(le32(0x0601) + le32(2) + prefixed("PBrush")) << "Paint.Picture";
    QTest::newRow("PBrush that holds no BMP") << accessObject(ole1(2, "PBrush", "", "GIF89a")) << "Paint.Picture";
    QTest::newRow("unknown format") << accessObject(ole1(3, "PBrush", "", QByteArray())) << "Paint.Picture";
    QTest::newRow("native size beyond the end")
        << accessObject(le32(0x0501) + le32(2) + prefixed("PBrush") + prefixed("") + prefixed("") + le32(1000) + "BM")
        << "Paint.Picture";
    QTest::newRow("header size beyond the end") << (le16(0x1C15) + le16(5000) + QByteArray(30, 'x')) << "";
}

void AdminOleTest::keepsWhatItCannotRead()
{
    QFETCH(QByteArray, field);
    QFETCH(QString, className);

    const OleContent content = unwrapOleObject(field, QStringLiteral("schedule-3"));
    QVERIFY(!content.understood);
    QCOMPARE(content.bytes, field);
    QCOMPARE(content.mimeType, QStringLiteral("application/octet-stream"));
    QCOMPARE(content.fileName, QStringLiteral("schedule-3.bin"));
    QCOMPARE(content.className, className);
    QVERIFY(!content.why.isEmpty());
}

void AdminOleTest::everyCutOfAnObjectIsKeptWhole()
{
    const QByteArray whole = accessObject(ole1(2, "Package", "", package("a.txt", "C:\\a.txt", "text")), "Package", "Package");
    QVERIFY(unwrapOleObject(whole, QStringLiteral("x")).understood);
    for (int length = 0; length < whole.size() - int(sizeof("trailer")); ++length) {
        const QByteArray cut = whole.left(length);
        const OleContent content = unwrapOleObject(cut, QStringLiteral("x"));
        QVERIFY2(!content.understood, qPrintable(QStringLiteral("cut at %1").arg(length)));
        QCOMPARE(content.bytes, cut);
    }
}

void AdminOleTest::linkedObjectNamesItsFile()
{
    const OleContent content =
        unwrapOleObject(accessObject(ole1(1, "Package", "C:\\manuals\\pump.pdf", QByteArray()), "Package", "Package"),
                        QStringLiteral("x"));
    QVERIFY(content.understood);
    QVERIFY(content.linked);
    QCOMPARE(content.linkedPath, QStringLiteral("C:\\manuals\\pump.pdf"));
    QCOMPARE(content.fileName, QStringLiteral("pump.pdf"));
    QVERIFY(content.bytes.isEmpty());
}

QTEST_GUILESS_MAIN(AdminOleTest)
#include "tst_admin_ole.moc"
