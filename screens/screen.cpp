#include "screens/screen.h"

#include "commands/dialogs.h"
#include "bound/lookuplist.h"
#include "data/records/recordsource.h"
#include "screens/screenbuilder.h"

#include <QCloseEvent>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>

#include <exception>

Screen::Screen(const ScreenDeclaration &declaration, Dialogs &dialogs, QString &lastSearchText, QWidget *parent)
    : QWidget(parent, Qt::Window), m_declaration(declaration), m_dialogs(dialogs), m_lastSearchText(lastSearchText)
{
    ScreenBuilder(*this).build();
}

RecordSource *Screen::source(const QString &name)
{
    return m_sources.value(name);
}

DocumentField *Screen::documentField(const QString &name)
{
    return m_documentFields.value(name);
}

void Screen::setButtonEnabled(const QString &name, bool enabled)
{
    if (QPushButton *found = button(name))
        found->setEnabled(enabled);
}

void Screen::focus(const QString &control)
{
    if (auto *widget = findChild<QWidget *>(control))
        widget->setFocus(Qt::OtherFocusReason);
}

QString Screen::fieldValueText(const QString &control) const
{
    if (auto *lookup = findChild<LookupList *>(control))
        return lookup->boundValue();
    if (auto *line = findChild<QLineEdit *>(control))
        return line->text();
    if (auto *text = findChild<QPlainTextEdit *>(control))
        return text->toPlainText();
    return QString();
}

void Screen::attachDocumentField(const QString &name, DocumentField &field)
{
    m_documentFields.insert(name, &field);
}

QPushButton *Screen::button(const QString &name) const
{
    return findChild<QPushButton *>(name);
}

void Screen::run(const Command &command)
{
    try {
        if (Result result = command.run(*this); !result)
            m_dialogs.reportFailure(result);
    } catch (const std::exception &error) {
        m_dialogs.tell(QStringLiteral("程式發生錯誤:%1").arg(QString::fromUtf8(error.what())));
    }
}

bool Screen::writePendingEdits()
{
    bool allWritten = true;
    for (RecordSource *source : std::as_const(m_sources)) {
        if (Result written = source->writePendingEdits(); !written) {
            m_dialogs.reportFailure(written);
            allWritten = false;
        }
    }
    return allWritten;
}

void Screen::discardEdits()
{
    for (RecordSource *source : std::as_const(m_sources))
        source->discardEdits();
}

void Screen::closeEvent(QCloseEvent *event)
{
    // Edits that cannot be written keep the window open unless the user gives them up.
    if (writePendingEdits()) {
        event->accept();
    } else if (m_dialogs.confirmNoDefault(kGiveUpQuestion)) {
        discardEdits();
        event->accept();
    } else {
        event->ignore();
    }
}
