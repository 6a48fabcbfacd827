#pragma once

#include "commands/dialogs.h"

#include <QQueue>
#include <QVector>

/// One dialog the program showed, as the user saw it.
struct DialogCall
{
    enum class Kind { Input, Message, InsertObject, SaveFile };
    Kind kind = Kind::Message;
    QString text; // the prompt of an input box; the document class of an insert-object dialog
    QString title;
    MessageButtons buttons = MessageButtons::Ok;
    MessageIcon icon = MessageIcon::None;
    MessageAnswer defaultButton = MessageAnswer::Ok;

    /// An input box with its prompt and title.
    static DialogCall input(const QString &prompt, const QString &title);
    /// A message box with OK only, as Dialogs::tell shows it unless an icon is given.
    static DialogCall told(const QString &text, const QString &title = kApplicationTitle,
                           MessageIcon icon = MessageIcon::None);
    /// A Yes/No question without icon, Yes the default, as Dialogs::confirm asks it.
    static DialogCall asked(const QString &text, const QString &title);
    /// The insert-object dialog, offering "新建" of documentClass when it is not empty.
    static DialogCall insertObject(const QString &documentClass);

    bool operator==(const DialogCall &other) const;
    QString describe() const;
};

/// How QCOMPARE prints a dialog that differs.
char *toString(const DialogCall &call);

/// Dialogs answered from a script, recording every call. Every box takes the
/// next scripted answer, an OK-only box an Ok; a box nobody scripted, or one
/// whose buttons do not offer that answer, is unexpected and answered with
/// OK, Cancel or No.
class ScriptedDialogs : public Dialogs
{
public:
    void typeAnswer(const QString &text) { m_texts.enqueue(text); }
    void cancelAnswer() { m_texts.enqueue(QString()); }
    void chooseAnswer(MessageAnswer answer) { m_answers.enqueue(answer); }
    /// The next box is one with OK only, and the user presses it.
    void pressOk() { m_answers.enqueue(MessageAnswer::Ok); }
    void chooseInsertObject(const InsertObjectChoice &choice) { m_insertChoices.enqueue(choice); }
    void chooseSaveFile(const QString &path) { m_savePaths.enqueue(path); }
    /// Whether the desktop has an application for what is opened.
    void setDesktopOpens(bool opens) { m_desktopOpens = opens; }

    QString ask(const QString &prompt, const QString &title) override;
    MessageAnswer show(const Message &message) override;
    InsertObjectChoice insertObject(const QString &documentClass) override;
    QString saveFileName(const QString &suggestedName) override;
    bool openWithDesktop(const QString &path) override;

    /// The files handed to the desktop to open, in order.
    QStringList openedFiles() const { return m_opened; }

    /// The calls so far, which are then forgotten.
    QVector<DialogCall> takeCalls();
    QVector<DialogCall> calls() const { return m_calls; }
    /// Message texts only, in order.
    QStringList messageTexts() const;
    /// The boxes nobody scripted and the answers no box took, described; empty
    /// when the script was followed exactly.
    QStringList deviations() const;

private:
    QQueue<QString> m_texts;
    QQueue<MessageAnswer> m_answers;
    QQueue<InsertObjectChoice> m_insertChoices;
    QQueue<QString> m_savePaths;
    QStringList m_opened;
    bool m_desktopOpens = true;
    QVector<DialogCall> m_calls;
    QStringList m_unexpected;
};
