#pragma once

#include "data/result.h"

#include <QElapsedTimer>
#include <QString>

/// Ends the bench with what failed: a bench figure measured past a failure would mislead.
void require(bool ok, const char *what);
void require(const Result &result);

/// Resident memory in bytes, after handing freed heap back to the system so
/// that earlier runs do not hide what a new one takes.
double residentBytes();

double elapsedMs(const QElapsedTimer &timer);

/// The mean time of one step, in microseconds.
template <typename Step>
double microsecondsEach(int times, Step step)
{
    QElapsedTimer timer;
    timer.start();
    for (int i = 0; i < times; ++i)
        step(i);
    return timer.nsecsElapsed() / 1e3 / times;
}

/// The material number the benches give the row: M0000001 for the first.
QString materialNumber(int row);

/// The server a bench measures: VEMO_BENCH_POSTGRES, else the test cluster's
/// that scripts/with-postgres names; empty, and said so, when there is none.
QString benchServer();
