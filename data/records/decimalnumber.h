#pragma once

#include <QByteArray>
#include <QString>

/// A decimal number read from a field's text, exact whatever its number of
/// digits: an optional sign, digits with at most one decimal point (at least
/// one digit), blanks around it ignored. No exponents, no separators.
class DecimalNumber
{
public:
    enum class Reading { Number, Empty, NotANumber };

    /// Reads the text into out; out is untouched unless it is a number.
    static Reading read(const QString &text, DecimalNumber &out);

    DecimalNumber plus(const DecimalNumber &other) const;
    DecimalNumber minus(const DecimalNumber &other) const;
    bool isNegative() const { return m_negative; }

    /// Rounded to the nearest whole number, halves to the even neighbour;
    /// false when that lies outside minimum..maximum.
    bool toWholeNumber(qint64 minimum, qint64 maximum, qint64 &out) const;

    /// The shortest text that reads back as the same number ("-0.5", "12").
    QString toString() const;

    friend bool operator==(const DecimalNumber &a, const DecimalNumber &b)
    {
        return a.m_negative == b.m_negative && a.m_digits == b.m_digits && a.m_scale == b.m_scale;
    }

private:
    static DecimalNumber sum(const DecimalNumber &a, const DecimalNumber &b, bool negateB);
    void normalise();

    bool m_negative = false;
    QByteArray m_digits; // magnitude, most significant first, no leading zeros
    int m_scale = 0;     // how many of m_digits stand after the decimal point
};
