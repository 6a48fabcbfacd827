#include "admin/progress.h"

#include "admin/console.h"

namespace {

constexpr int kBarWidth = 30;
constexpr int kRedrawMilliseconds = 100;

} // namespace

Progress::Progress(qint64 total, bool terminal, const QString &unit)
    : m_total(total), m_shown(terminal && !console::quiet()), m_unit(unit)
{
    m_sinceDrawn.start();
    if (m_shown)
        draw();
}

Progress::~Progress()
{
    finish();
}

void Progress::setStep(const QString &step)
{
    m_step = step;
    if (m_shown)
        draw();
}

void Progress::advance(qint64 rows)
{
    m_done += rows;
    if (m_shown && m_sinceDrawn.elapsed() >= kRedrawMilliseconds)
        draw();
}

void Progress::setDone(qint64 done, qint64 total)
{
    m_total = total;
    advance(done - m_done);
}

void Progress::finish()
{
    if (m_shown)
        console::messagePart(QStringLiteral("\r\x1b[K"));
    m_shown = false;
}

void Progress::draw()
{
    m_sinceDrawn.restart();
    const int filled = m_total > 0 ? int(kBarWidth * qMin(m_done, m_total) / m_total) : kBarWidth;
    QString line = QStringLiteral("\r\x1b[K[%1%2] %3 / %4 %5")
                       .arg(QString(filled, QLatin1Char('#')), QString(kBarWidth - filled, QLatin1Char('.')))
                       .arg(m_done)
                       .arg(m_total)
                       .arg(m_unit);
    if (!m_step.isEmpty())
        line += QLatin1Char(' ') + m_step;
    console::messagePart(line);
}
