#include "bound/bounddocumentfield.h"

#include "commands/dialogs.h"
#include "bound/documentinsert.h"
#include "data/records/recordsource.h"

#include <QBuffer>
#include <QContextMenuEvent>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QIcon>
#include <QImageReader>
#include <QMenu>
#include <QMimeDatabase>
#include <QPainter>
#include <QStyle>

namespace {

constexpr int kIconPixels = 48;
constexpr int kMarginPixels = 4;

QImage readPicture(const Document &document)
{
    if (!document.mimeType().startsWith(QLatin1String("image/")))
        return QImage();
    QByteArray content;
    if (!document.readContent(&content))
        return QImage();
    QBuffer buffer(&content);
    QImageReader reader(&buffer);
    reader.setAutoTransform(true);
    return reader.read();
}

} // namespace

BoundDocumentField::BoundDocumentField(RecordSource &source, int column, QString documentClass, Dialogs &dialogs,
                                       QWidget *parent)
    : QFrame(parent), m_source(source), m_column(column), m_documentClass(std::move(documentClass)), m_dialogs(dialogs)
{
    setFrameStyle(QFrame::StyledPanel | QFrame::Sunken);
    setBackgroundRole(QPalette::Base);
    setAutoFillBackground(true);
    setFocusPolicy(Qt::StrongFocus);
    connect(&source, &RecordSource::currentChanged, this, &BoundDocumentField::showCurrentDocument);
    connect(&source, &RecordSource::valueEdited, this, [this](int edited) {
        if (edited == m_column)
            showCurrentDocument();
    });
    connect(&m_watcher, &QFileSystemWatcher::fileChanged, this, &BoundDocumentField::copyChanged);
    // An application that saves by replacing the file drops it from the watch: the folder tells.
    connect(&m_watcher, &QFileSystemWatcher::directoryChanged, this, [this](const QString &folder) {
        for (auto opened = m_opened.cbegin(); opened != m_opened.cend(); ++opened) {
            if (QFileInfo(opened.key()).path() == folder && !m_watcher.files().contains(opened.key()))
                copyChanged(opened.key());
        }
    });
    showCurrentDocument();
}

Result BoundDocumentField::setDocument(const Document &document)
{
    if (!m_source.setValue(m_column, document.toStored()))
        return Result::failure(QStringLiteral("目前沒有資料可以放入文件。"));
    return Result::success();
}

Result BoundDocumentField::openDocument()
{
    switch (m_document.kind()) {
    case Document::Kind::Empty:
        return Result::success();
    case Document::Kind::Damaged: {
        QByteArray unused;
        return m_document.readContent(&unused);
    }
    case Document::Kind::Linked:
        break;
    case Document::Kind::Embedded:
    case Document::Kind::Foreign:
        return openCopy();
    }
    if (m_document.isLinkBroken())
        return Result::failure(QStringLiteral("找不到連結的檔案「%1」。").arg(QDir::toNativeSeparators(m_document.linkedPath())));
    if (!m_dialogs.openWithDesktop(m_document.linkedPath()))
        return Result::failure(QStringLiteral("沒有可以開啟「%1」的應用程式。").arg(m_document.fileName()));
    return Result::success();
}

Result BoundDocumentField::openCopy()
{
    if (!m_copies)
        m_copies = std::make_unique<QTemporaryDir>();
    const QString folder = m_copies->filePath(QString::number(m_opened.size() + 1));
    const QString path = QDir(folder).filePath(copyName());
    if (!m_copies->isValid() || !QDir().mkpath(folder))
        return Result::failure(QStringLiteral("無法建立暫存資料夾: %1").arg(m_copies->errorString()));
    if (Result written = m_document.saveCopy(path); !written)
        return written;
    QByteArray content;
    (void)m_document.readContent(&content);
    m_opened.insert(path, {m_document, content, m_source.bookmark(), m_source.isAddingNew()});
    m_watcher.addPath(folder);
    m_watcher.addPath(path);
    if (!m_dialogs.openWithDesktop(path))
        return Result::failure(QStringLiteral("沒有可以開啟「%1」的應用程式。").arg(copyName()));
    return Result::success();
}

QString BoundDocumentField::copyName() const
{
    if (!m_document.fileName().isEmpty())
        return m_document.fileName();
    const QString suffix = QMimeDatabase().mimeTypeForName(m_document.mimeType()).preferredSuffix();
    return suffix.isEmpty() ? QStringLiteral("文件") : QStringLiteral("文件.") + suffix;
}

void BoundDocumentField::copyChanged(const QString &path)
{
    const auto opened = m_opened.find(path);
    if (opened == m_opened.end() || !QFileInfo(path).isFile())
        return;
    m_watcher.addPath(path);
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return;
    const QByteArray content = file.readAll();
    if (content == opened->content)
        return;
    if (!isCurrentRow(*opened)) {
        // The row was left meanwhile: keep the copy where it is rather than put it in another row.
        m_copies->setAutoRemove(false);
        report(Result::failure(QStringLiteral("「%1」在外部程式中已儲存,但它所屬的資料已不是目前的資料,變更沒有存入資料庫。"
                                              "儲存的檔案留在「%2」。")
                                   .arg(QFileInfo(path).fileName(), QDir::toNativeSeparators(path))));
        opened->content = content;
        return;
    }
    opened->content = content;
    const Document &was = opened->document;
    report(setDocument(Document::embedded(QFileInfo(path).fileName(), content, was.mimeType())));
}

bool BoundDocumentField::isCurrentRow(const OpenedCopy &copy) const
{
    if (copy.pendingRow)
        return m_source.isAddingNew();
    return m_source.hasCurrentRow() && !m_source.isAddingNew() && m_source.bookmark() == copy.row;
}

Result BoundDocumentField::saveCopy()
{
    if (m_document.isEmpty())
        return Result::success();
    const QString path = m_dialogs.saveFileName(copyName());
    if (path.isEmpty())
        return Result::success();
    return m_document.saveCopy(path);
}

Result BoundDocumentField::insertObject()
{
    if (!m_source.isEditable())
        return Result::failure(QStringLiteral("目前沒有資料可以放入文件。"));
    return insertChosenDocument(m_dialogs.insertObject(m_documentClass), *this).outcome;
}

Result BoundDocumentField::removeDocument()
{
    if (m_document.isEmpty() || !m_dialogs.confirm(removeQuestion, removeTitle))
        return Result::success();
    return setDocument(Document());
}

void BoundDocumentField::report(const Result &result)
{
    if (!result)
        m_dialogs.reportFailure(result);
}

void BoundDocumentField::showCurrentDocument()
{
    m_document = Document::fromStored(m_source.value(m_column));
    m_picture = readPicture(m_document);
    setAccessibleDescription(m_document.isEmpty() ? QStringLiteral("沒有文件") : m_document.description());
    update();
}

QString BoundDocumentField::stateText() const
{
    if (m_document.kind() == Document::Kind::Damaged)
        return QStringLiteral("文件欄位的內容已損壞,無法讀取。");
    if (m_document.isLinkBroken())
        return QStringLiteral("找不到連結的檔案\n%1").arg(QDir::toNativeSeparators(m_document.linkedPath()));
    const QString name = m_document.fileName().isEmpty() ? copyName() : m_document.fileName();
    return QStringLiteral("%1\n%2").arg(name, documentSizeText(m_document.size()));
}

void BoundDocumentField::paintEvent(QPaintEvent *event)
{
    QFrame::paintEvent(event);
    if (m_document.isEmpty())
        return;
    QPainter painter(this);
    const QRect area = contentsRect().adjusted(kMarginPixels, kMarginPixels, -kMarginPixels, -kMarginPixels);
    if (!m_picture.isNull()) {
        const QSize size = m_picture.size().scaled(area.size(), Qt::KeepAspectRatio);
        const QRect target(area.x() + (area.width() - size.width()) / 2, area.y() + (area.height() - size.height()) / 2,
                           size.width(), size.height());
        painter.setRenderHint(QPainter::SmoothPixmapTransform);
        painter.drawImage(target, m_picture);
        return;
    }
    const QMimeType type = QMimeDatabase().mimeTypeForName(m_document.mimeType());
    const QIcon icon = QIcon::fromTheme(type.iconName(), QIcon::fromTheme(type.genericIconName(),
                                                                           style()->standardIcon(QStyle::SP_FileIcon)));
    const int iconSize = std::min(kIconPixels, area.height() / 2);
    const QRect iconRect(area.x() + (area.width() - iconSize) / 2, area.y(), iconSize, iconSize);
    icon.paint(&painter, iconRect);
    painter.setPen(palette().color(QPalette::Text));
    const QRect textRect(area.x(), iconRect.bottom() + kMarginPixels, area.width(), area.bottom() - iconRect.bottom());
    painter.drawText(textRect, Qt::AlignHCenter | Qt::AlignTop | Qt::TextWordWrap, stateText());
}

void BoundDocumentField::mouseDoubleClickEvent(QMouseEvent *event)
{
    QFrame::mouseDoubleClickEvent(event);
    report(openDocument());
}

void BoundDocumentField::keyPressEvent(QKeyEvent *event)
{
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        report(openDocument());
        return;
    }
    const bool menuKey = event->key() == Qt::Key_Menu && event->modifiers() == Qt::NoModifier;
    if (menuKey || (event->key() == Qt::Key_F10 && event->modifiers() == Qt::ShiftModifier)) {
        showMenu(mapToGlobal(rect().center()));
        return;
    }
    QFrame::keyPressEvent(event);
}

void BoundDocumentField::contextMenuEvent(QContextMenuEvent *event)
{
    const bool byKeyboard = event->reason() == QContextMenuEvent::Keyboard;
    showMenu(byKeyboard ? mapToGlobal(rect().center()) : event->globalPos());
}

void BoundDocumentField::showMenu(const QPoint &globalPosition)
{
    QMenu menu(this);
    QAction *open = menu.addAction(QStringLiteral("開啟"));
    QAction *save = menu.addAction(QStringLiteral("另存複本..."));
    menu.addSeparator();
    QAction *insert = menu.addAction(QStringLiteral("插入物件..."));
    QAction *remove = menu.addAction(removeTitle);
    open->setEnabled(!m_document.isEmpty());
    save->setEnabled(!m_document.isEmpty());
    insert->setEnabled(m_source.isEditable());
    remove->setEnabled(!m_document.isEmpty() && m_source.isEditable());
    const QAction *chosen = menu.exec(globalPosition);
    if (chosen == open)
        report(openDocument());
    else if (chosen == save)
        report(saveCopy());
    else if (chosen == insert)
        report(insertObject());
    else if (chosen == remove)
        report(removeDocument());
}
