#include "admin/progress.h"

#include "admin/console.h"

namespace {

constexpr int kBarWidth = 30;
constexpr int kRedrawMilliseconds = 100;

} // namespace

Progress::Progress(qint64 total, bool terminal) : m_total(total), m_terminal(terminal)
{
    m_sinceDrawn.start();
    if (m_terminal)
        draw();
}

void Progress::advance(qint64 rows)
{
    m_done += rows;
    if (m_terminal && m_sinceDrawn.elapsed() >= kRedrawMilliseconds)
        draw();
}

void Progress::finishStep(const QString &line)
{
    if (m_terminal)
        console::messagePart(QStringLiteral("\r\x1b[K"));
    console::message(line);
    if (m_terminal)
        draw();
}

void Progress::finish()
{
    if (m_terminal)
        console::messagePart(QStringLiteral("\r\x1b[K"));
}

void Progress::draw()
{
    m_sinceDrawn.restart();
    const int filled = m_total > 0 ? int(kBarWidth * qMin(m_done, m_total) / m_total) : kBarWidth;
    console::messagePart(QStringLiteral("\r[%1%2] %3 / %4 筆")
                             .arg(QString(filled, QLatin1Char('#')), QString(kBarWidth - filled, QLatin1Char('.')))
                             .arg(m_done)
                             .arg(m_total));
}
