#pragma once

#include "commands/documentfield.h"
#include "data/records/document.h"

#include <QFileSystemWatcher>
#include <QFrame>
#include <QHash>
#include <QImage>
#include <QTemporaryDir>

#include <memory>

class Dialogs;
class RecordSource;

/// The document field: shows the document in one column of the current row
/// (a picture filling the field with its proportions kept; any other
/// document as its type's icon, file name and size), opens it on
/// double-click or Enter, and offers Open, Save a copy as…, Insert object…
/// and Remove document in its context menu (also on the Menu key and
/// Shift+F10). Inserting and removing are edits of the row.
class BoundDocumentField : public QFrame, public DocumentField
{
    Q_OBJECT

public:
    BoundDocumentField(RecordSource &source, int column, QString documentClass, Dialogs &dialogs,
                       QWidget *parent = nullptr);

    QString documentClass() const override { return m_documentClass; }
    Result setDocument(const Document &document) override;
    Result openDocument() override;

    /// The document shown, as read from the current row.
    Document document() const { return m_document; }
    /// The picture shown; null when the document is no picture.
    QImage picture() const { return m_picture; }
    /// Writes a copy of the document where the user chooses.
    Result saveCopy();
    /// The insert-object dialog for the current row, the choice put in.
    Result insertObject();
    /// Asks, and on Yes empties the current row's document.
    Result removeDocument();

    static inline const QString removeQuestion = QStringLiteral("你確定要刪除這個文件嗎?");
    static inline const QString removeTitle = QStringLiteral("刪除文件");

protected:
    void paintEvent(QPaintEvent *event) override;
    void mouseDoubleClickEvent(QMouseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void contextMenuEvent(QContextMenuEvent *event) override;

private:
    /// An embedded document opened from a private copy, and the row it belongs to.
    struct OpenedCopy
    {
        Document document;
        QByteArray content;
        QVariant row;
        bool pendingRow = false;
    };

    void showCurrentDocument();
    QString stateText() const;
    Result openCopy();
    QString copyName() const;
    void copyChanged(const QString &path);
    bool isCurrentRow(const OpenedCopy &copy) const;
    void report(const Result &result);
    void showMenu(const QPoint &globalPosition);

    RecordSource &m_source;
    int m_column;
    QString m_documentClass;
    Dialogs &m_dialogs;
    Document m_document;
    QImage m_picture;
    std::unique_ptr<QTemporaryDir> m_copies;
    QFileSystemWatcher m_watcher;
    QHash<QString, OpenedCopy> m_opened;
};
