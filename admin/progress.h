#pragma once

#include <QElapsedTimer>
#include <QString>

/// Shows long work on standard error as a bar (rows done of rows in all)
/// redrawn in place, only on a terminal and never under --quiet: a pipe or
/// a log file gets the command's own lines and nothing else.
class Progress
{
public:
    /// The unit names what is counted: rows unless told otherwise.
    Progress(qint64 total, bool terminal, const QString &unit = QStringLiteral("筆"));
    ~Progress();
    Progress(const Progress &) = delete;
    Progress &operator=(const Progress &) = delete;

    /// Names what is being worked on (a table) beside the counts.
    void setStep(const QString &step);
    void advance(qint64 rows = 1);
    /// Where the work is when it is counted elsewhere, its total known only as it goes.
    void setDone(qint64 done, qint64 total);
    /// Clears the bar, leaving the terminal's line as it was.
    void finish();

private:
    void draw();

    qint64 m_total;
    qint64 m_done = 0;
    bool m_shown;
    QString m_unit;
    QString m_step;
    QElapsedTimer m_sinceDrawn;
};
