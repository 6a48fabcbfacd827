#pragma once

#include "commands/boundarycheck.h"
#include "commands/screencontext.h"
#include "data/records/recordsource.h"
#include "screens/screendeclaration.h"

#include <QHash>
#include <QStringList>
#include <QWidget>

class QPushButton;

/// A data-entry screen as the shared builder makes it from its declaration:
/// its record sources, bound controls, grid and buttons. It runs commands and
/// reports their failures in one place, and writes the edits in progress when
/// the user closes it.
class Screen : public QWidget, public ScreenContext
{
    Q_OBJECT

public:
    /// lastSearchText belongs to the screen's instance and outlives the window.
    Screen(const ScreenDeclaration &declaration, Dialogs &dialogs, QString &lastSearchText,
           QWidget *parent = nullptr);

    RecordSource *source(const QString &name) override;
    DocumentField *documentField(const QString &name) override;
    void setButtonEnabled(const QString &button, bool enabled) override;
    void focus(const QString &control) override;
    QString fieldValueText(const QString &control) const override;
    Dialogs &dialogs() override { return m_dialogs; }
    QString &lastSearchText() override { return m_lastSearchText; }

    const ScreenDeclaration &declaration() const { return m_declaration; }
    QPushButton *button(const QString &name) const;
    /// Makes a document field reachable by the screen's commands under its name.
    void attachDocumentField(const QString &name, DocumentField &field);
    /// What failed while the screen was built: record sources that did not
    /// open, fields whose column the table lacks.
    QStringList buildFailures() const { return m_buildFailures; }

    /// Runs a command; a failure is told to the user here, and the screen goes on.
    void run(const Command &command);
    /// Writes every record source's edits in progress; each refused write is
    /// reported, and false returned.
    bool writePendingEdits();
    /// Drops every record source's edits in progress.
    void discardEdits();

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    friend class ScreenBuilder;

    ScreenDeclaration m_declaration;
    Dialogs &m_dialogs;
    QString &m_lastSearchText;
    QHash<QString, RecordSource *> m_sources;
    QHash<QString, DocumentField *> m_documentFields;
    QStringList m_buildFailures;
    BoundaryCheck m_boundaryCheck;
};
