#include "support/scripteddialogs.h"

QString DialogCall::describe() const
{
    return QStringLiteral("%1 [%2] \"%3\"").arg(kind == Kind::Input ? QStringLiteral("input") : QStringLiteral("message"),
                                               title, text);
}

QString ScriptedDialogs::ask(const QString &prompt, const QString &title)
{
    m_calls.append({DialogCall::Kind::Input, prompt, title});
    if (m_texts.isEmpty()) {
        ++m_unexpected;
        return QString();
    }
    return m_texts.dequeue();
}

MessageAnswer ScriptedDialogs::show(const Message &message)
{
    m_calls.append({DialogCall::Kind::Message, message.text, message.title, message.buttons, message.icon,
                    message.defaultButton});
    if (message.buttons == MessageButtons::Ok)
        return MessageAnswer::Ok;
    if (m_answers.isEmpty()) {
        ++m_unexpected;
        return MessageAnswer::No;
    }
    return m_answers.dequeue();
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
