// Any text handed to the number reader: a number it reads writes back as a
// text that reads as the same number, sums undo, and rounding stays in range.
#include "data/records/decimalnumber.h"
#include "fuzz/fuzzinput.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QString text = fuzzText(data, size);
    const qsizetype half = text.indexOf(QLatin1Char('|'));
    const QString first = half < 0 ? text : text.left(half);
    const QString second = half < 0 ? QStringLiteral("1") : text.mid(half + 1);

    DecimalNumber a;
    DecimalNumber b;
    if (DecimalNumber::read(first, a) != DecimalNumber::Reading::Number
        || DecimalNumber::read(second, b) != DecimalNumber::Reading::Number)
        return 0;

    DecimalNumber again;
    FUZZ_CHECK(DecimalNumber::read(a.toString(), again) == DecimalNumber::Reading::Number);
    FUZZ_CHECK(again == a && again.toString() == a.toString());

    FUZZ_CHECK(a.plus(b).minus(b) == a);
    FUZZ_CHECK(a.minus(b).plus(b) == a);
    FUZZ_CHECK(a.plus(b) == b.plus(a));

    qint64 whole = 0;
    if (a.toWholeNumber(-32768, 32767, whole)) {
        FUZZ_CHECK(whole >= -32768 && whole <= 32767);
        // The rounded figure lies within a half of the number.
        DecimalNumber rounded;
        FUZZ_CHECK(DecimalNumber::read(QString::number(whole), rounded) == DecimalNumber::Reading::Number);
        const DecimalNumber gap = a.minus(rounded);
        qint64 gapWhole = 1;
        FUZZ_CHECK(gap.toWholeNumber(0, 0, gapWhole) || gap.toString() == QStringLiteral("0.5")
                   || gap.toString() == QStringLiteral("-0.5"));
    }
    return 0;
}
