#include "data/records/keyset.h"

#include <algorithm>

qint64 Keyset::at(int index) const
{
    const Run &run = m_runs.at(runOfIndex(index));
    return run.first + (index - run.start);
}

int Keyset::indexOf(qint64 key) const
{
    const int run = runOfKey(key);
    if (run < 0 || key >= m_runs.at(run).first + m_runs.at(run).count)
        return -1;
    return m_runs.at(run).start + int(key - m_runs.at(run).first);
}

int Keyset::lowerBound(qint64 key) const
{
    const int run = runOfKey(key);
    if (run < 0)
        return 0;
    const Run &found = m_runs.at(run);
    return found.start + int(std::min<qint64>(key - found.first, found.count));
}

void Keyset::append(qint64 key)
{
    appendRun(key, 1);
}

void Keyset::appendRun(qint64 first, qint64 count)
{
    if (count <= 0)
        return;
    if (!m_runs.isEmpty() && m_runs.last().first + m_runs.last().count == first)
        m_runs.last().count += int(count);
    else
        m_runs.append(Run{first, int(count), m_size});
    m_size += int(count);
}

int Keyset::insert(qint64 key)
{
    const int index = lowerBound(key);
    const int run = runOfKey(key);
    if (run >= 0 && m_runs.at(run).first + m_runs.at(run).count == key) {
        ++m_runs[run].count; // extends the run it follows
        shiftStarts(run + 1, 1);
    } else if (run + 1 < m_runs.size() && m_runs.at(run + 1).first == key + 1) {
        --m_runs[run + 1].first; // opens the run it precedes
        ++m_runs[run + 1].count;
        shiftStarts(run + 2, 1);
    } else {
        m_runs.insert(run + 1, Run{key, 1, index});
        shiftStarts(run + 2, 1);
    }
    ++m_size;
    // Two runs that the new identity joined become one.
    const int joined = runOfKey(key);
    if (joined + 1 < m_runs.size() && m_runs.at(joined).first + m_runs.at(joined).count == m_runs.at(joined + 1).first) {
        m_runs[joined].count += m_runs.at(joined + 1).count;
        m_runs.remove(joined + 1);
    }
    return index;
}

void Keyset::removeAt(int index)
{
    const int run = runOfIndex(index);
    Run &found = m_runs[run];
    const int offset = index - found.start;
    if (found.count == 1) {
        m_runs.remove(run);
        shiftStarts(run, -1);
    } else if (offset == 0) {
        ++found.first;
        --found.count;
        shiftStarts(run + 1, -1);
    } else if (offset == found.count - 1) {
        --found.count;
        shiftStarts(run + 1, -1);
    } else {
        const Run tail{found.first + offset + 1, found.count - offset - 1, index};
        found.count = offset;
        m_runs.insert(run + 1, tail);
        shiftStarts(run + 2, -1);
    }
    --m_size;
}

int Keyset::runOfIndex(int index) const
{
    const auto after = std::upper_bound(m_runs.cbegin(), m_runs.cend(), index,
                                        [](int wanted, const Run &run) { return wanted < run.start; });
    return int(after - m_runs.cbegin()) - 1;
}

int Keyset::runOfKey(qint64 key) const
{
    // The last run that starts at or before the key; -1 when the key is below them all.
    const auto after = std::upper_bound(m_runs.cbegin(), m_runs.cend(), key,
                                        [](qint64 wanted, const Run &run) { return wanted < run.first; });
    return int(after - m_runs.cbegin()) - 1;
}

void Keyset::shiftStarts(int fromRun, int by)
{
    for (int run = fromRun; run < m_runs.size(); ++run)
        m_runs[run].start += by;
}
