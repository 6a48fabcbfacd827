#pragma once

#include <QString>

/// The first sentence of a failure message: what could not be done.
inline const QString kCannotSave = QStringLiteral("資料無法儲存:");
inline const QString kCannotOpen = QStringLiteral("無法開啟資料庫:");
inline const QString kCannotRead = QStringLiteral("無法讀取資料:");

/// How much of a criterion or a statement a message quotes.
constexpr int kQuotedCharacters = 200;

/// The text as a message quotes it: its first 200 characters, and "…" when
/// there was more.
inline QString quotedInMessage(const QString &text)
{
    if (text.size() <= kQuotedCharacters)
        return text;
    return text.left(kQuotedCharacters) + QStringLiteral("…");
}

/// The outcome of an operation on the database: success, or the engine's own
/// description of the failure together with the statement that failed.
class [[nodiscard]] Result
{
public:
    static Result success() { return Result(); }
    static Result failure(const QString &message, const QString &statement = QString())
    {
        Result result;
        result.m_ok = false;
        result.m_message = message;
        result.m_statement = statement;
        return result;
    }

    bool ok() const { return m_ok; }
    explicit operator bool() const { return m_ok; }
    QString message() const { return m_message; }
    QString statement() const { return m_statement; }

    /// The same failure led by a sentence saying what could not be done; a
    /// message that already starts with a lead keeps its own.
    Result led(const QString &lead) const
    {
        if (m_ok || m_message.startsWith(kCannotSave) || m_message.startsWith(kCannotOpen)
            || m_message.startsWith(kCannotRead))
            return *this;
        return failure(lead + m_message, m_statement);
    }

private:
    Result() = default;
    bool m_ok = true;
    QString m_message;
    QString m_statement;
};
