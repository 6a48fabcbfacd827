#pragma once

#include <QRect>
#include <QString>
#include <QVector>

#include <optional>

class QWidget;

/// Where a window saved at `saved` goes now, given the screens' available
/// areas: on the screen it overlaps most, shrunk to it unless its size is
/// fixed, moved inside it; nothing when it overlaps no screen any more.
std::optional<QRect> fittedPlace(const QRect &saved, const QVector<QRect> &screens, bool fixedSize);

/// The sizes and places of the windows, kept across runs in a settings file
/// under each window's name.
class WindowPlaces
{
public:
    explicit WindowPlaces(QString settingsFile) : m_file(std::move(settingsFile)) {}

    /// The user's file: windows.conf in vemo's folder of the XDG config folder.
    static QString userFile();

    void save(const QString &name, const QWidget &window) const;
    /// Puts the window where it was saved, where that still fits the screens;
    /// a window whose size is fixed keeps its size.
    void restore(const QString &name, QWidget &window) const;

private:
    QString m_file;
};
