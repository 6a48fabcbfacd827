#pragma once

#include <QString>

#include <cstddef>
#include <cstdint>

/// The fuzzer's bytes as a text: UTF-16 code units as they come (lone
/// surrogates and NUL included) when the first byte is odd, else UTF-8.
inline QString fuzzText(const uint8_t *data, size_t size)
{
    if (size == 0)
        return QString();
    if (data[0] % 2 == 0)
        return QString::fromUtf8(reinterpret_cast<const char *>(data + 1), qsizetype(size - 1));
    QString text;
    for (size_t i = 1; i + 1 < size; i += 2)
        text.append(QChar(char16_t(data[i] | (data[i + 1] << 8))));
    return text;
}

/// Stops the run: libFuzzer reports it as a crash with the input that did it.
#define FUZZ_CHECK(condition)                                                                                  \
    do {                                                                                                       \
        if (!(condition))                                                                                      \
            __builtin_trap();                                                                                  \
    } while (false)
