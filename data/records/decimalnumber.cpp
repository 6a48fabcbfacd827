#include "data/records/decimalnumber.h"

#include <algorithm>

namespace {

bool isBlank(QChar c)
{
    return c.isSpace();
}

bool isDigit(QChar c)
{
    return c >= QLatin1Char('0') && c <= QLatin1Char('9');
}

/// Digits brought to one scale and one length, for column arithmetic.
QByteArray aligned(const QByteArray &digits, int scale, int toScale, int toLength)
{
    QByteArray padded = digits + QByteArray(toScale - scale, '0');
    return QByteArray(toLength - padded.size(), '0') + padded;
}

QByteArray addMagnitudes(const QByteArray &a, const QByteArray &b)
{
    QByteArray result(a.size() + 1, '0');
    int carry = 0;
    for (qsizetype i = a.size() - 1; i >= 0; --i) {
        const int digit = (a.at(i) - '0') + (b.at(i) - '0') + carry;
        result[i + 1] = char('0' + digit % 10);
        carry = digit / 10;
    }
    result[0] = char('0' + carry);
    return result;
}

/// a − b for a ≥ b, both of one length.
QByteArray subtractMagnitudes(const QByteArray &a, const QByteArray &b)
{
    QByteArray result(a.size(), '0');
    int borrow = 0;
    for (qsizetype i = a.size() - 1; i >= 0; --i) {
        int digit = (a.at(i) - '0') - (b.at(i) - '0') - borrow;
        borrow = digit < 0 ? 1 : 0;
        result[i] = char('0' + digit + 10 * borrow);
    }
    return result;
}

} // namespace

DecimalNumber::Reading DecimalNumber::read(const QString &text, DecimalNumber &out)
{
    qsizetype begin = 0;
    qsizetype end = text.size();
    while (begin < end && isBlank(text.at(begin)))
        ++begin;
    while (end > begin && isBlank(text.at(end - 1)))
        --end;
    if (begin == end)
        return Reading::Empty;
    DecimalNumber number;
    if (text.at(begin) == QLatin1Char('+') || text.at(begin) == QLatin1Char('-')) {
        number.m_negative = text.at(begin) == QLatin1Char('-');
        ++begin;
    }
    bool point = false;
    bool anyDigit = false;
    number.m_digits.reserve(end - begin);
    for (qsizetype i = begin; i < end; ++i) {
        const QChar c = text.at(i);
        if (c == QLatin1Char('.') && !point) {
            point = true;
        } else if (isDigit(c)) {
            anyDigit = true;
            number.m_digits.append(char(c.unicode()));
            number.m_scale += point ? 1 : 0;
        } else {
            return Reading::NotANumber;
        }
    }
    if (!anyDigit)
        return Reading::NotANumber;
    number.normalise();
    out = number;
    return Reading::Number;
}

DecimalNumber DecimalNumber::plus(const DecimalNumber &other) const
{
    return sum(*this, other, false);
}

DecimalNumber DecimalNumber::minus(const DecimalNumber &other) const
{
    return sum(*this, other, true);
}

DecimalNumber DecimalNumber::sum(const DecimalNumber &a, const DecimalNumber &b, bool negateB)
{
    const bool bNegative = negateB ? !b.m_negative : b.m_negative;
    const int scale = std::max(a.m_scale, b.m_scale);
    const int length = int(std::max(a.m_digits.size() - a.m_scale, b.m_digits.size() - b.m_scale)) + scale;
    const QByteArray x = aligned(a.m_digits, a.m_scale, scale, length);
    const QByteArray y = aligned(b.m_digits, b.m_scale, scale, length);
    DecimalNumber result;
    result.m_scale = scale;
    if (a.m_negative == bNegative) {
        result.m_digits = addMagnitudes(x, y);
        result.m_negative = a.m_negative;
    } else if (x >= y) {
        result.m_digits = subtractMagnitudes(x, y);
        result.m_negative = a.m_negative;
    } else {
        result.m_digits = subtractMagnitudes(y, x);
        result.m_negative = bNegative;
    }
    result.normalise();
    return result;
}

bool DecimalNumber::toWholeNumber(qint64 minimum, qint64 maximum, qint64 &out) const
{
    const qsizetype wholeDigits = m_digits.size() - m_scale;
    // Beyond 18 digits no whole number of 64 bits is near: out of any range asked for.
    if (wholeDigits > 18)
        return false;
    qint64 whole = 0;
    for (qsizetype i = 0; i < wholeDigits; ++i)
        whole = whole * 10 + (m_digits.at(i) - '0');
    if (m_scale > 0) {
        const QByteArray fraction = m_digits.mid(wholeDigits);
        const char first = fraction.at(0);
        const bool moreAfterFirst = fraction.size() > 1; // normalised: the last digit is not 0
        if (first > '5' || (first == '5' && (moreAfterFirst || whole % 2 != 0)))
            ++whole;
    }
    const qint64 value = m_negative ? -whole : whole;
    if (value < minimum || value > maximum)
        return false;
    out = value;
    return true;
}

QString DecimalNumber::toString() const
{
    const qsizetype wholeDigits = m_digits.size() - m_scale;
    QString text = m_negative ? QStringLiteral("-") : QString();
    text += wholeDigits > 0 ? QString::fromLatin1(m_digits.left(wholeDigits)) : QStringLiteral("0");
    if (m_scale > 0)
        text += QLatin1Char('.') + QString::fromLatin1(m_digits.mid(wholeDigits));
    return text;
}

void DecimalNumber::normalise()
{
    while (m_scale > 0 && m_digits.endsWith('0')) {
        m_digits.chop(1);
        --m_scale;
    }
    qsizetype leading = 0;
    while (leading < m_digits.size() - m_scale && m_digits.at(leading) == '0')
        ++leading;
    m_digits.remove(0, leading);
    if (m_digits.isEmpty())
        m_negative = false;
}
