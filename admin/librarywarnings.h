#pragma once

#include <QString>

/// What libmdb prints on standard error while it reads a file, caught and
/// counted: a damaged file can make it print one warning per value, and a
/// terminal flooded with those hides the one message that matters.
class LibraryWarnings
{
public:
    LibraryWarnings();
    ~LibraryWarnings();
    LibraryWarnings(const LibraryWarnings &) = delete;
    LibraryWarnings &operator=(const LibraryWarnings &) = delete;

    /// Runs call with standard error going to the catch, and returns what it returns.
    template<typename Call>
    auto during(Call call)
    {
        Catching catching(*this);
        return call();
    }

    qint64 count() const { return m_count; }
    /// One line that sums the warnings up (how many, the first one), or an empty text when there were none.
    QString summary() const;

private:
    struct Catching
    {
        explicit Catching(LibraryWarnings &warnings) : warnings(warnings) { warnings.begin(); }
        ~Catching() { warnings.end(); }
        LibraryWarnings &warnings;
    };
    void begin();
    void end();
    void take();

    int m_catch = -1;
    int m_saved = -1;
    int m_depth = 0;
    qint64 m_count = 0;
    QString m_first;
};
