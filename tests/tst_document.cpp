#include "data/connection/databaselocation.h"
#include "data/records/document.h"
#include "data/records/recordsource.h"
#include "support/testdatabase.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QLocale>
#include <QTest>

#include <memory>

Q_DECLARE_METATYPE(Document)

namespace {

const QByteArray kPngSignature("\x89PNG\r\n\x1a\n", 8);

QByteArray pngBytes()
{
    // A signature and the start of an IHDR chunk are enough for content sniffing.
    return kPngSignature + QByteArray("\x00\x00\x00\x0dIHDR\x00\x00\x00\x01\x00\x00\x00\x01\x08\x02\x00\x00\x00", 21);
}

QString writeFile(const QDir &folder, const QString &name, const QByteArray &bytes)
{
    const QString path = folder.filePath(name);
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
        qFatal("cannot write %s", qPrintable(path));
    return path;
}

} // namespace

class DocumentTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void storedValueReadsBackAsWritten_data();
    void storedValueReadsBackAsWritten();
    void emptyColumnIsAnEmptyDocument_data();
    void emptyColumnIsAnEmptyDocument();
    void foreignBytesStayAsTheyAreAndAreTypedByContent_data();
    void foreignBytesStayAsTheyAreAndAreTypedByContent();
    void damagedValueKeepsItsBytesAndRefusesToOpen_data();
    void damagedValueKeepsItsBytesAndRefusesToOpen();
    void linkedDocumentReadsTheFileAsItIsNow();
    void linkedFileGoneIsToldWithItsPath();
    void fileIsEmbeddedOrLinked_data();
    void fileIsEmbeddedOrLinked();
    void badFileIsRefusedAndLeavesTheDocument_data();
    void badFileIsRefusedAndLeavesTheDocument();
    void fileTooBigForTheEngineIsRefusedBeforeReading();
    void saveCopyWritesTheContentOrFails();
    void documentColumnKeepsItsValueThroughTheRecordSource_data();
    void documentColumnKeepsItsValueThroughTheRecordSource();

private:
    std::unique_ptr<TestDatabase> m_database;
    std::unique_ptr<QTemporaryDir> m_files;
};

void DocumentTest::init()
{
    m_database = std::make_unique<TestDatabase>();
    m_files = std::make_unique<QTemporaryDir>();
}

void DocumentTest::cleanup()
{
    m_files.reset();
    m_database.reset();
}

void DocumentTest::storedValueReadsBackAsWritten_data()
{
    QTest::addColumn<Document>("document");
    QTest::addColumn<QString>("mimeType");
    QTest::newRow("embedded picture") << Document::embedded("photo.png", pngBytes()) << "image/png";
    QTest::newRow("embedded, type given") << Document::embedded("a", "text", "application/rtf") << "application/rtf";
    QTest::newRow("embedded, no bytes") << Document::embedded("empty.txt", QByteArray()) << "text/plain";
    QTest::newRow("embedded, every byte value")
        << Document::embedded("all.bin", [] {
               QByteArray all;
               for (int i = 0; i < 256; ++i)
                   all.append(char(i));
               return all;
           }(), "application/octet-stream")
        << "application/octet-stream";
    QTest::newRow("embedded, Chinese name") << Document::embedded("合約 2024.pdf", "%PDF-1.4\n") << "application/pdf";
    QTest::newRow("linked") << Document::linked("/srv/合約/contract.pdf", "application/pdf") << "application/pdf";
}

void DocumentTest::storedValueReadsBackAsWritten()
{
    QFETCH(Document, document);
    QFETCH(QString, mimeType);
    const QVariant stored = document.toStored();
    QVERIFY(stored.toByteArray().startsWith(Document::kSignature));
    const Document read = Document::fromStored(stored);
    QCOMPARE(read.kind(), document.kind());
    QCOMPARE(read.mimeType(), mimeType);
    QCOMPARE(read.fileName(), document.fileName());
    QCOMPARE(read.bytes(), document.bytes());
    QCOMPARE(read.linkedPath(), document.linkedPath());
    QCOMPARE(read.toStored().toByteArray(), stored.toByteArray());
}

void DocumentTest::emptyColumnIsAnEmptyDocument_data()
{
    QTest::addColumn<QVariant>("stored");
    QTest::newRow("null") << QVariant();
    QTest::newRow("null bytes") << QVariant(QMetaType(QMetaType::QByteArray));
    QTest::newRow("zero bytes") << QVariant(QByteArray(""));
}

void DocumentTest::emptyColumnIsAnEmptyDocument()
{
    QFETCH(QVariant, stored);
    const Document document = Document::fromStored(stored);
    QVERIFY(document.isEmpty());
    QVERIFY(document.description().isEmpty());
    QVERIFY(document.toStored().isNull());
}

void DocumentTest::foreignBytesStayAsTheyAreAndAreTypedByContent_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("mimeType");
    QTest::newRow("picture") << pngBytes() << "image/png";
    QTest::newRow("pdf") << QByteArray("%PDF-1.4\n%\xe2\xe3\xcf\xd3\n") << "application/pdf";
    QTest::newRow("old office container") << QByteArray("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1\0\0\0\0", 12)
                                          << "application/x-ole-storage";
    QTest::newRow("text") << QByteArray("plain words\n") << "text/plain";
    QTest::newRow("binary") << QByteArray("\x00\x01\x02\xff\xfe\x00", 6) << "application/octet-stream";
    QTest::newRow("signature cut short") << QByteArray("VEMODO") << "text/plain";
}

void DocumentTest::foreignBytesStayAsTheyAreAndAreTypedByContent()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QString, mimeType);
    const Document document = Document::fromStored(bytes);
    QCOMPARE(document.kind(), Document::Kind::Foreign);
    QCOMPARE(document.mimeType(), mimeType);
    QCOMPARE(document.toStored().toByteArray(), bytes);
    QByteArray content;
    VERIFY_OK(document.readContent(&content));
    QCOMPARE(content, bytes);
    QCOMPARE(document.size(), bytes.size());
}

void DocumentTest::damagedValueKeepsItsBytesAndRefusesToOpen_data()
{
    const QByteArray whole = Document::embedded("a.txt", "some text", "text/plain").toStored().toByteArray();
    const int version = int(Document::kSignature.size());
    QTest::addColumn<QByteArray>("bytes");
    QTest::newRow("signature only") << Document::kSignature;
    QTest::newRow("cut in the name") << whole.left(version + 5);
    QTest::newRow("cut in the bytes") << whole.left(whole.size() - 1);
    QTest::newRow("bytes left over") << whole + "x";
    QTest::newRow("other version") << QByteArray(whole).replace(version, 1, "\x02");
    QTest::newRow("other kind") << QByteArray(whole).replace(version + 1, 1, "X");
    QTest::newRow("name longer than the value") << QByteArray(whole).replace(version + 2, 2, "\xff\xff");
}

void DocumentTest::damagedValueKeepsItsBytesAndRefusesToOpen()
{
    QFETCH(QByteArray, bytes);
    const Document document = Document::fromStored(bytes);
    QCOMPARE(document.kind(), Document::Kind::Damaged);
    QCOMPARE(document.toStored().toByteArray(), bytes);
    QByteArray content("untouched");
    const Result read = document.readContent(&content);
    QVERIFY(!read.ok());
    QCOMPARE(read.message(), QStringLiteral("文件欄位的內容已損壞,無法讀取。"));
    QCOMPARE(content, QByteArray("untouched"));
    QVERIFY(!document.saveCopy(QDir(m_files->path()).filePath("copy")).ok());
    QVERIFY(!QFile::exists(QDir(m_files->path()).filePath("copy")));
}

void DocumentTest::linkedDocumentReadsTheFileAsItIsNow()
{
    const QString path = writeFile(m_files->path(), "notes.txt", "first");
    Document document;
    VERIFY_OK(Document::fromFile(path, true, &document));
    const Document read = Document::fromStored(document.toStored());
    writeFile(m_files->path(), "notes.txt", "changed later");
    QByteArray content;
    VERIFY_OK(read.readContent(&content));
    QCOMPARE(content, QByteArray("changed later"));
    QCOMPARE(read.size(), qint64(content.size()));
    QVERIFY(read.description().contains(QDir::toNativeSeparators(path)));
}

void DocumentTest::linkedFileGoneIsToldWithItsPath()
{
    const QString path = writeFile(m_files->path(), "gone.txt", "soon gone");
    Document document;
    VERIFY_OK(Document::fromFile(path, true, &document));
    QVERIFY(!document.isLinkBroken());
    QVERIFY(QFile::remove(path));
    const Document read = Document::fromStored(document.toStored());
    QVERIFY(read.isLinkBroken());
    QCOMPARE(read.size(), qint64(-1));
    QByteArray content;
    const Result opened = read.readContent(&content);
    QCOMPARE(opened.message(), QStringLiteral("找不到連結的檔案「%1」。").arg(QDir::toNativeSeparators(path)));
    QVERIFY(read.description().contains(QStringLiteral("找不到連結的檔案")));
    QCOMPARE(read.toStored(), document.toStored());
}

void DocumentTest::initTestCase()
{
    // As both programs set it at start.
    QLocale::setDefault(QLocale(QLocale::Chinese, QLocale::TraditionalHanScript, QLocale::Taiwan));
}

void DocumentTest::fileIsEmbeddedOrLinked_data()
{
    QTest::addColumn<bool>("link");
    QTest::newRow("embedded") << false;
    QTest::newRow("linked") << true;
}

void DocumentTest::fileIsEmbeddedOrLinked()
{
    QFETCH(bool, link);
    const QString path = writeFile(m_files->path(), "員工.png", pngBytes());
    Document document;
    VERIFY_OK(Document::fromFile(path, link, &document));
    QCOMPARE(document.kind(), link ? Document::Kind::Linked : Document::Kind::Embedded);
    QCOMPARE(document.fileName(), QStringLiteral("員工.png"));
    QCOMPARE(document.mimeType(), QStringLiteral("image/png"));
    QCOMPARE(document.size(), pngBytes().size());
    QCOMPARE(document.bytes(), link ? QByteArray() : pngBytes());
    QCOMPARE(document.linkedPath(), link ? path : QString());
    QVERIFY(document.description().contains(link ? QStringLiteral("連結") : QStringLiteral("內嵌")));
    QVERIFY2(document.description().startsWith(QStringLiteral("PNG 影像, 員工.png, ")), qPrintable(document.description()));
}

void DocumentTest::badFileIsRefusedAndLeavesTheDocument_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<bool>("link");
    QTest::addColumn<QString>("message");
    for (const bool link : {false, true}) {
        const char *how = link ? "link" : "embed";
        QTest::addRow("%s a folder", how) << "folder" << link << "「%1」是資料夾,不是檔案。";
        QTest::addRow("%s a missing file", how) << "missing.doc" << link << "找不到檔案「%1」。";
        QTest::addRow("%s an unreadable file", how) << "locked.doc" << link << "無法讀取檔案「%1」: ";
    }
}

void DocumentTest::badFileIsRefusedAndLeavesTheDocument()
{
    QFETCH(QString, name);
    QFETCH(bool, link);
    QFETCH(QString, message);
    const QDir folder(m_files->path());
    QVERIFY(folder.mkdir("folder"));
    const QString locked = writeFile(folder, "locked.doc", "secret");
    QVERIFY(QFile::setPermissions(locked, QFileDevice::WriteOwner));
    if (name == "locked.doc" && QFile(locked).open(QIODevice::ReadOnly))
        QSKIP("this user reads files whatever their permissions");
    const QString path = folder.filePath(name);
    const Document before = Document::embedded("kept.txt", "kept");
    Document document = before;
    const Result made = Document::fromFile(path, link, &document);
    QVERIFY(!made.ok());
    QVERIFY2(made.message().startsWith(message.arg(QDir::toNativeSeparators(path))), qPrintable(made.message()));
    QCOMPARE(document, before);
}

void DocumentTest::fileTooBigForTheEngineIsRefusedBeforeReading()
{
    QFile big(QDir(m_files->path()).filePath("big.bin"));
    QVERIFY(big.open(QIODevice::WriteOnly));
    // Sparse: the file claims its size without the disk holding it.
    QVERIFY(big.resize(Document::kMaximumStoredBytes));
    big.close();
    Document document;
    const Result made = Document::fromFile(big.fileName(), false, &document);
    QCOMPARE(made.message(), QStringLiteral("檔案「%1」有 953.7 MB,超過一個文件欄位能存的上限 953.7 MB。")
                                 .arg(QDir::toNativeSeparators(big.fileName())));
    QVERIFY(document.isEmpty());
    VERIFY_OK(Document::fromFile(big.fileName(), true, &document));
    QVERIFY(document.isLinked());
}

void DocumentTest::saveCopyWritesTheContentOrFails()
{
    const QDir folder(m_files->path());
    const Document document = Document::embedded("a.png", pngBytes());
    const QString copy = folder.filePath("copy.png");
    VERIFY_OK(document.saveCopy(copy));
    QFile written(copy);
    QVERIFY(written.open(QIODevice::ReadOnly));
    QCOMPARE(written.readAll(), pngBytes());
    const Result refused = document.saveCopy(folder.filePath("no such folder/copy.png"));
    QVERIFY(refused.message().startsWith(QStringLiteral("無法寫入檔案")));
}

void DocumentTest::documentColumnKeepsItsValueThroughTheRecordSource_data()
{
    QTest::addColumn<QVariant>("stored");
    QTest::newRow("embedded") << Document::embedded("c.pdf", "%PDF-1.4 contract").toStored();
    QTest::newRow("linked") << Document::linked("/x/c.pdf").toStored();
    QTest::newRow("foreign") << QVariant(pngBytes());
    QTest::newRow("damaged") << QVariant(Document::kSignature + "\x01");
    QTest::newRow("empty") << QVariant();
}

void DocumentTest::documentColumnKeepsItsValueThroughTheRecordSource()
{
    QFETCH(QVariant, stored);
    m_database->insert("CC", {"C1", "contract", "", "", stored});
    RecordSource source("Data1");
    VERIFY_OK(source.open(kDatabasePath, "CC"));
    QCOMPARE(Document::fromStored(source.value("context")).toStored().toByteArray(), stored.toByteArray());
    // Writing another column of the row leaves the document as it was.
    QVERIFY(source.setValue("contractname", "renamed"));
    VERIFY_OK(source.update());
    QCOMPARE(m_database->value("SELECT context FROM CC").toByteArray(), stored.toByteArray());
    QCOMPARE(m_database->value("SELECT context IS NULL FROM CC").toBool(), stored.isNull());
    QCOMPARE(source.value("context").toByteArray(), stored.toByteArray());
    QCOMPARE(source.valueAt(0, source.columnIndex("context")).toByteArray(), stored.toByteArray());
    // Writing a document back through the source stores it byte for byte.
    const Document replacement = Document::embedded("new.txt", "replacement");
    QVERIFY(source.setValue("context", replacement.toStored()));
    VERIFY_OK(source.update());
    QCOMPARE(Document::fromStored(m_database->value("SELECT context FROM CC")), replacement);
}

QTEST_GUILESS_MAIN(DocumentTest)
#include "tst_document.moc"
