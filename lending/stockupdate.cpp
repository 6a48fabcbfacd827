#include "lending/stockupdate.h"

#include "data/criterion.h"
#include "data/engineconnection.h"

#include <QRegularExpression>

namespace {

// Two such numbers brought to one scale still fit a 128-bit whole number.
constexpr int kMaximumDigits = 18;

/// A decimal number as a whole number of units of 10^-scale.
struct Decimal
{
    __int128 units = 0;
    int scale = 0;
};

bool parseDecimal(const QString &text, Decimal &out)
{
    static const QRegularExpression form(QStringLiteral(R"(^\s*([+-]?)(\d*)(?:\.(\d*))?\s*$)"));
    const QRegularExpressionMatch match = form.match(text);
    if (!match.hasMatch())
        return false;
    const QString whole = match.captured(2);
    QString fraction = match.captured(3);
    while (fraction.endsWith(QLatin1Char('0')))
        fraction.chop(1);
    if (whole.isEmpty() && match.captured(3).isEmpty())
        return false;
    // Leading zeros add nothing, so they do not count against the digits a number may have.
    QString digits = whole + fraction;
    while (digits.startsWith(QLatin1Char('0')))
        digits.remove(0, 1);
    if (digits.size() > kMaximumDigits || fraction.size() > kMaximumDigits)
        return false;
    __int128 units = 0;
    for (const QChar digit : digits)
        units = units * 10 + digit.digitValue();
    out.units = match.captured(1) == QLatin1String("-") ? -units : units;
    out.scale = int(fraction.size());
    return true;
}

__int128 powerOfTen(int exponent)
{
    __int128 power = 1;
    while (exponent-- > 0)
        power *= 10;
    return power;
}

Decimal rescaled(const Decimal &number, int scale)
{
    return {number.units * powerOfTen(scale - number.scale), scale};
}

/// Rounds to the nearest whole number, halves to the even neighbour.
__int128 roundedHalfEven(const Decimal &number)
{
    const __int128 unit = powerOfTen(number.scale);
    __int128 whole = number.units / unit;
    const __int128 rest = number.units % unit;
    const __int128 twiceRest = rest < 0 ? -2 * rest : 2 * rest;
    const int sign = number.units < 0 ? -1 : 1;
    if (twiceRest > unit || (twiceRest == unit && whole % 2 != 0))
        whole += sign;
    return whole;
}

Result readNumber(const QString &text, const QString &caption, Decimal &out)
{
    if (text.trimmed().isEmpty())
        return Result::failure(QStringLiteral("「%1」沒有數量,請輸入數字後再試一次。").arg(caption));
    if (!parseDecimal(text, out))
        return Result::failure(QStringLiteral("「%1」的內容「%2」不是數字,請改正後再試一次。").arg(caption, text));
    return Result::success();
}

} // namespace

QString stockUpdateStatement(StockMovement movement, int newStock, const QString &material)
{
    const QString where = movement == StockMovement::Lending ? QStringLiteral(" where [materielno] = '")
                                                             : QStringLiteral(" where [materielno] ='");
    return QStringLiteral("update [msf]") + QStringLiteral(" set [inventory] = ") + QString::number(newStock) + where
         + quotedValueText(material) + QStringLiteral("';");
}

Result newStock(StockMovement movement, const QString &stockText, const QString &stockCaption,
                const QString &quantityText, const QString &quantityCaption, int &result)
{
    Decimal stock;
    Decimal quantity;
    if (Result read = readNumber(stockText, stockCaption, stock); !read)
        return read;
    if (Result read = readNumber(quantityText, quantityCaption, quantity); !read)
        return read;
    const int scale = std::max(stock.scale, quantity.scale);
    const Decimal a = rescaled(stock, scale);
    const Decimal b = rescaled(quantity, scale);
    const Decimal sum{movement == StockMovement::Lending ? a.units - b.units : a.units + b.units, scale};
    const __int128 rounded = roundedHalfEven(sum);
    if (rounded < -32768 || rounded > 32767)
        return Result::failure(QStringLiteral("計算出的庫存數量超出 -32768 到 32767 的範圍,庫存沒有變更。"));
    result = int(rounded);
    return Result::success();
}

Result executeStockUpdate(const QString &statement)
{
    EngineConnection connection;
    if (Result opened = connection.open(kStockDatabasePath); !opened)
        return opened;
    return connection.execute(statement);
}
