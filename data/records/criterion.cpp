#include "data/records/criterion.h"

namespace {

/// Reads the criterion left to right, one character at a time: no
/// backtracking and no recursion, so any length and any content parse.
class CriterionReader
{
public:
    explicit CriterionReader(const QString &text) : m_text(text) {}

    bool read(Criterion &out)
    {
        skipBlanks();
        QString column;
        if (take(QLatin1Char('['))) {
            skipBlanks();
            if (!identifier(column))
                return false;
            skipBlanks();
            if (!take(QLatin1Char(']')))
                return false;
        } else if (!identifier(column)) {
            return false;
        }
        skipBlanks();
        if (!take(QLatin1Char('=')))
            return false;
        skipBlanks();
        QString value;
        if (!quoted(value))
            return false;
        skipBlanks();
        if (m_at != m_text.size())
            return false;
        out.column = column;
        out.value = value;
        return true;
    }

private:
    static bool isBlank(QChar c) { return c.isSpace(); }
    static bool isLetter(QChar c)
    {
        return (c >= QLatin1Char('A') && c <= QLatin1Char('Z')) || (c >= QLatin1Char('a') && c <= QLatin1Char('z'))
            || c == QLatin1Char('_');
    }
    static bool isDigit(QChar c) { return c >= QLatin1Char('0') && c <= QLatin1Char('9'); }

    void skipBlanks()
    {
        while (m_at < m_text.size() && isBlank(m_text.at(m_at)))
            ++m_at;
    }

    bool take(QChar c)
    {
        if (m_at >= m_text.size() || m_text.at(m_at) != c)
            return false;
        ++m_at;
        return true;
    }

    bool identifier(QString &out)
    {
        const qsizetype begin = m_at;
        if (m_at >= m_text.size() || !isLetter(m_text.at(m_at)))
            return false;
        while (m_at < m_text.size() && (isLetter(m_text.at(m_at)) || isDigit(m_text.at(m_at))))
            ++m_at;
        out = m_text.mid(begin, m_at - begin);
        return true;
    }

    /// A single-quoted text in which a doubled quote stands for one quote.
    bool quoted(QString &out)
    {
        if (!take(QLatin1Char('\'')))
            return false;
        out.reserve(m_text.size() - m_at);
        while (m_at < m_text.size()) {
            const QChar c = m_text.at(m_at++);
            if (c != QLatin1Char('\'')) {
                out.append(c);
                continue;
            }
            if (!take(QLatin1Char('\'')))
                return true;
            out.append(QLatin1Char('\''));
        }
        return false;
    }

    const QString &m_text;
    qsizetype m_at = 0;
};

} // namespace

Result Criterion::parse(const QString &text, Criterion &out)
{
    if (!CriterionReader(text).read(out))
        return Result::failure(kCannotRead + QStringLiteral("搜尋準則的語法錯誤: %1").arg(quotedInMessage(text)));
    return Result::success();
}

QString quotedValueText(const QString &text)
{
    QString quoted = text;
    return quoted.replace(QLatin1Char('\''), QStringLiteral("''"));
}
