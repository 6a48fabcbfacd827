#pragma once

#include <QVector>

/// The row identities of a table in ascending order, kept as runs of
/// consecutive identities: a table whose rows were never deleted is one run,
/// whatever its size. Copies share their storage until one of them changes.
class Keyset
{
public:
    int size() const { return m_size; }
    bool isEmpty() const { return m_size == 0; }

    /// The identity at an index; the index must be in range.
    qint64 at(int index) const;
    /// The index of an identity; -1 when it is not in the keyset.
    int indexOf(qint64 key) const;
    /// The index of the first identity not less than the key; size() when none.
    int lowerBound(qint64 key) const;

    /// Adds an identity greater than every identity held, as reading in order does.
    void append(qint64 key);
    /// Adds a run of count consecutive identities from first, all greater than
    /// every identity held.
    void appendRun(qint64 first, qint64 count);
    /// Adds an identity that is not held yet; returns its index.
    int insert(qint64 key);
    void removeAt(int index);

    int runCount() const { return int(m_runs.size()); }

private:
    struct Run
    {
        qint64 first;
        int count;
        int start; // the index of the run's first identity
    };

    int runOfIndex(int index) const;
    int runOfKey(qint64 key) const;
    void shiftStarts(int fromRun, int by);

    QVector<Run> m_runs;
    int m_size = 0;
};
