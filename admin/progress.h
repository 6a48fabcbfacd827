#pragma once

#include <QElapsedTimer>
#include <QString>

/// Shows long work on standard error as a bar (rows done of rows in all)
/// redrawn in place, only on a terminal and never under --quiet: a pipe or
/// a log file gets the command's own lines and nothing else.
class Progress
{
public:
    Progress(qint64 total, bool terminal);
    ~Progress();
    Progress(const Progress &) = delete;
    Progress &operator=(const Progress &) = delete;

    /// Names what is being worked on (a table) beside the counts.
    void setStep(const QString &step);
    void advance(qint64 rows = 1);
    /// Clears the bar, leaving the terminal's line as it was.
    void finish();

private:
    void draw();

    qint64 m_total;
    qint64 m_done = 0;
    bool m_shown;
    QString m_step;
    QElapsedTimer m_sinceDrawn;
};
