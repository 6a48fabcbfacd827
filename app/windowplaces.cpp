#include "app/windowplaces.h"

#include <QGuiApplication>
#include <QScreen>
#include <QSettings>
#include <QStandardPaths>
#include <QWidget>

#include <algorithm>

namespace {

qint64 overlap(const QRect &a, const QRect &b)
{
    const QRect common = a.intersected(b);
    return common.isEmpty() ? 0 : qint64(common.width()) * common.height();
}

int clamped(int start, int length, int areaStart, int areaLength)
{
    // A window longer than the area keeps its start at the area's start, so its title bar stays reachable.
    return std::max(areaStart, std::min(start, areaStart + areaLength - length));
}

QString key(const QString &name)
{
    return name + QStringLiteral("/place");
}

} // namespace

std::optional<QRect> fittedPlace(const QRect &saved, const QVector<QRect> &screens, bool fixedSize)
{
    if (!saved.isValid())
        return std::nullopt;
    const auto most = std::max_element(screens.begin(), screens.end(), [&saved](const QRect &a, const QRect &b) {
        return overlap(saved, a) < overlap(saved, b);
    });
    if (most == screens.end() || overlap(saved, *most) == 0)
        return std::nullopt;
    const QRect area = *most;
    const QSize size = fixedSize ? saved.size() : saved.size().boundedTo(area.size());
    return QRect(QPoint(clamped(saved.x(), size.width(), area.x(), area.width()),
                        clamped(saved.y(), size.height(), area.y(), area.height())),
                 size);
}

QString WindowPlaces::userFile()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) + QStringLiteral("/vemo/windows.conf");
}

void WindowPlaces::save(const QString &name, const QWidget &window) const
{
    QSettings settings(m_file, QSettings::IniFormat);
    settings.setValue(key(name), QRect(window.pos(), window.size()));
}

void WindowPlaces::restore(const QString &name, QWidget &window) const
{
    const QSettings settings(m_file, QSettings::IniFormat);
    QVector<QRect> screens;
    for (const QScreen *screen : QGuiApplication::screens())
        screens << screen->availableGeometry();
    const bool fixedSize = window.minimumSize() == window.maximumSize();
    const std::optional<QRect> place = fittedPlace(settings.value(key(name)).toRect(), screens, fixedSize);
    if (!place)
        return;
    if (!fixedSize)
        window.resize(place->size());
    window.move(place->topLeft());
}
