#include "support/scripteddialogs.h"

#include <tuple>

DialogCall DialogCall::input(const QString &prompt, const QString &title)
{
    return {Kind::Input, prompt, title};
}

DialogCall DialogCall::told(const QString &text, const QString &title, MessageIcon icon)
{
    return {Kind::Message, text, title, MessageButtons::Ok, icon, MessageAnswer::Ok};
}

DialogCall DialogCall::asked(const QString &text, const QString &title)
{
    return {Kind::Message, text, title, MessageButtons::YesNo, MessageIcon::None, MessageAnswer::Yes};
}

DialogCall DialogCall::insertObject(const QString &documentClass)
{
    return {Kind::InsertObject, documentClass, kInsertObjectTitle};
}

bool DialogCall::operator==(const DialogCall &other) const
{
    return std::tie(kind, text, title, buttons, icon, defaultButton) ==
           std::tie(other.kind, other.text, other.title, other.buttons, other.icon, other.defaultButton);
}

QString DialogCall::describe() const
{
    if (kind == Kind::Input)
        return QStringLiteral("input [%1] \"%2\"").arg(title, text);
    if (kind == Kind::InsertObject)
        return QStringLiteral("insert object [%1] new: \"%2\"").arg(title, text);
    if (kind == Kind::SaveFile)
        return QStringLiteral("save file \"%1\"").arg(text);
    return QStringLiteral("message [%1] \"%2\" %3%4%5")
        .arg(title, text, buttons == MessageButtons::Ok ? QStringLiteral("OK") : QStringLiteral("Yes/No"),
             icon == MessageIcon::Question ? QStringLiteral(" question icon") : QString(),
             defaultButton == MessageAnswer::Yes ? QStringLiteral(" Yes default") : QString());
}

char *toString(const DialogCall &call)
{
    return qstrdup(call.describe().toUtf8().constData());
}

QString ScriptedDialogs::ask(const QString &prompt, const QString &title)
{
    m_calls.append({DialogCall::Kind::Input, prompt, title});
    if (m_texts.isEmpty()) {
        m_unexpected << m_calls.last().describe();
        return QString();
    }
    return m_texts.dequeue();
}

MessageAnswer ScriptedDialogs::show(const Message &message)
{
    m_calls.append({DialogCall::Kind::Message, message.text, message.title, message.buttons, message.icon,
                    message.defaultButton});
    const bool okOnly = message.buttons == MessageButtons::Ok;
    const bool offered = !m_answers.isEmpty() && (m_answers.head() == MessageAnswer::Ok) == okOnly;
    if (!offered) {
        m_unexpected << m_calls.last().describe();
        return okOnly ? MessageAnswer::Ok : MessageAnswer::No;
    }
    return m_answers.dequeue();
}

InsertObjectChoice ScriptedDialogs::insertObject(const QString &documentClass)
{
    m_calls.append(DialogCall::insertObject(documentClass));
    if (m_insertChoices.isEmpty()) {
        m_unexpected << m_calls.last().describe();
        return {};
    }
    return m_insertChoices.dequeue();
}

QString ScriptedDialogs::saveFileName(const QString &suggestedName)
{
    m_calls.append({DialogCall::Kind::SaveFile, suggestedName, QString()});
    if (m_savePaths.isEmpty()) {
        m_unexpected << m_calls.last().describe();
        return QString();
    }
    return m_savePaths.dequeue();
}

bool ScriptedDialogs::openWithDesktop(const QString &path)
{
    m_opened << path;
    return m_desktopOpens;
}

QVector<DialogCall> ScriptedDialogs::takeCalls()
{
    return std::exchange(m_calls, {});
}

QStringList ScriptedDialogs::messageTexts() const
{
    QStringList texts;
    for (const DialogCall &call : m_calls) {
        if (call.kind == DialogCall::Kind::Message)
            texts << call.text;
    }
    return texts;
}

QStringList ScriptedDialogs::deviations() const
{
    QStringList found = m_unexpected;
    const qsizetype unused = m_texts.size() + m_answers.size() + m_insertChoices.size() + m_savePaths.size();
    if (unused > 0)
        found << QStringLiteral("%1 scripted answers no dialog took").arg(unused);
    return found;
}
