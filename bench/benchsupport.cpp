#include "bench/benchsupport.h"

#include <QFile>
#include <QList>

#include <malloc.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>

void require(bool ok, const char *what)
{
    if (ok)
        return;
    std::fprintf(stderr, "failed: %s\n", what);
    std::exit(1);
}

void require(const Result &result)
{
    if (result)
        return;
    std::fprintf(stderr, "failed: %s %s\n", qPrintable(result.message()), qPrintable(result.statement()));
    std::exit(1);
}

double residentBytes()
{
    malloc_trim(0);
    QFile statm(QStringLiteral("/proc/self/statm"));
    require(statm.open(QIODevice::ReadOnly), "read /proc/self/statm");
    const QList<QByteArray> fields = statm.readAll().split(' ');
    return fields.value(1).toDouble() * double(sysconf(_SC_PAGESIZE));
}

double elapsedMs(const QElapsedTimer &timer)
{
    return timer.nsecsElapsed() / 1e6;
}

QString materialNumber(int row)
{
    return QStringLiteral("M%1").arg(row + 1, 7, 10, QLatin1Char('0'));
}

QString benchServer()
{
    QString server = qEnvironmentVariable("VEMO_BENCH_POSTGRES");
    if (server.isEmpty())
        server = qEnvironmentVariable("VEMO_TEST_POSTGRES");
    if (server.isEmpty())
        std::fprintf(stderr, "no server: set VEMO_BENCH_POSTGRES, or run under scripts/with-postgres\n");
    return server;
}
