#include "admin/console.h"

#include <cstdio>
#include <unistd.h>

namespace console {

namespace {
bool g_quiet = false;
} // namespace

void data(const QString &line)
{
    dataBytes((line + QLatin1Char('\n')).toUtf8());
}

void dataBytes(const QByteArray &bytes)
{
    fwrite(bytes.constData(), 1, size_t(bytes.size()), stdout);
}

void summary(const QString &line)
{
    if (!g_quiet)
        data(line);
}

void message(const QString &line)
{
    messagePart(line + QLatin1Char('\n'));
}

void note(const QString &line)
{
    if (!g_quiet)
        message(line);
}

void setQuiet(bool quiet)
{
    g_quiet = quiet;
}

bool quiet()
{
    return g_quiet;
}

void messagePart(const QString &text)
{
    fflush(stdout);
    const QByteArray bytes = text.toUtf8();
    fwrite(bytes.constData(), 1, size_t(bytes.size()), stderr);
    fflush(stderr);
}

bool messagesGoToTerminal()
{
    return isatty(fileno(stderr));
}

} // namespace console
