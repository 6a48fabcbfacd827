#include "admin/progress.h"

#include "admin/console.h"

namespace {

constexpr int kBarWidth = 30;
constexpr int kRedrawMilliseconds = 100;

QString duration(qint64 seconds)
{
    if (seconds < 60)
        return QStringLiteral("%1 秒").arg(seconds);
    if (seconds < 3600)
        return QStringLiteral("%1 分 %2 秒").arg(seconds / 60).arg(seconds % 60);
    return QStringLiteral("%1 小時 %2 分").arg(seconds / 3600).arg(seconds % 3600 / 60);
}

} // namespace

QString progressCounts(qint64 done, qint64 total, const QString &unit, qint64 elapsedMilliseconds)
{
    if (total <= 0)
        return QStringLiteral("準備中");
    const qint64 shownDone = qMin(done, total);
    QString text = QStringLiteral("%1% %2 / %3 %4").arg(100 * shownDone / total).arg(shownDone).arg(total).arg(unit);
    if (shownDone > 0 && shownDone < total && elapsedMilliseconds >= 1000) {
        const qint64 left = (elapsedMilliseconds * (total - shownDone) / shownDone + 999) / 1000;
        text += QStringLiteral(",還要約 ") + duration(left);
    }
    return text;
}

Progress::Progress(qint64 total, bool terminal, const QString &unit)
    : m_total(total), m_shown(terminal && !console::quiet()), m_unit(unit)
{
    m_sinceDrawn.start();
    m_sinceStart.start();
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
    const int filled = m_total > 0 ? int(kBarWidth * qMin(m_done, m_total) / m_total) : 0;
    QString line = QStringLiteral("\r\x1b[K[%1%2] %3")
                       .arg(QString(filled, QLatin1Char('#')), QString(kBarWidth - filled, QLatin1Char('.')),
                            progressCounts(m_done, m_total, m_unit, m_sinceStart.elapsed()));
    if (!m_step.isEmpty())
        line += QLatin1Char(' ') + m_step;
    console::messagePart(line);
}
