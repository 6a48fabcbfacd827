// Any text handed to the criterion parser: it never crashes or hangs, and a
// criterion it reads, written again, reads back as the same column and value.
#include "data/records/criterion.h"
#include "fuzz/fuzzinput.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QString text = fuzzText(data, size);

    Criterion parsed;
    if (Criterion::parse(text, parsed)) {
        Criterion again;
        FUZZ_CHECK(Criterion::parse(QStringLiteral("[") + parsed.column + QStringLiteral("] = '")
                                        + quotedValueText(parsed.value) + QStringLiteral("'"),
                                    again));
        FUZZ_CHECK(again.column == parsed.column && again.value == parsed.value);
    } else {
        FUZZ_CHECK(!Criterion::parse(text, parsed).message().isEmpty());
    }

    // Whatever the user types, the search's criterion stands for exactly that text.
    Criterion typed;
    FUZZ_CHECK(Criterion::parse(QStringLiteral("users = '") + quotedValueText(text) + QStringLiteral("'"), typed));
    FUZZ_CHECK(typed.column == QStringLiteral("users") && typed.value == text);
    return 0;
}
