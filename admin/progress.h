#pragma once

#include <QElapsedTimer>
#include <QString>

/// The counts of a bar: "37% 1234 / 3300 頁,還要約 12 秒" once the total is
/// known (the time left once a second of work tells the pace), "準備中" before.
QString progressCounts(qint64 done, qint64 total, const QString &unit, qint64 elapsedMilliseconds);

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
    QElapsedTimer m_sinceStart;
};
