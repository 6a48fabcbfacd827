#pragma once

#include <QElapsedTimer>
#include <QString>

/// Shows long work on standard error: a bar (rows done of rows in all)
/// redrawn in place on a terminal, else one plain line per finished step.
class Progress
{
public:
    Progress(qint64 total, bool terminal);

    void advance(qint64 rows = 1);
    /// Ends a step (a table) with its line.
    void finishStep(const QString &line);
    void finish();

private:
    void draw();

    qint64 m_total;
    qint64 m_done = 0;
    bool m_terminal;
    QElapsedTimer m_sinceDrawn;
};
