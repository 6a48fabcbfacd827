#pragma once

#include "screens/screendeclaration.h"

#include <QString>
#include <QVector>

#include <functional>

/// A menu entry that shows one screen. A screen still to be built has no
/// declaration yet; its entry is there all the same.
struct ScreenEntry
{
    QString name;
    QString caption;
    QString form;
    std::function<ScreenDeclaration()> declaration;
};

struct MenuGroup
{
    QString name;
    QString caption;
    QVector<ScreenEntry> entries;
};

/// The main window's menu bar, in order, without "Ending system".
const QVector<MenuGroup> &menuGroups();

inline const QString kEndEntryName = QStringLiteral("END");
inline const QString kEndEntryCaption = QStringLiteral("Ending system");
