#pragma once

#include <QString>

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

private:
    Result() = default;
    bool m_ok = true;
    QString m_message;
    QString m_statement;
};
