#pragma once

#include "screens/screendeclaration.h"

#include <QStringList>

#include <optional>

/// A function key: its button's name and caption, and its place in the frame.
struct FunctionKey
{
    QString name;
    QString caption;
    Twips geometry;
};

/// A screen's search: plain, or, when it has a Research key, switching with
/// its repeat search.
struct KeySearch
{
    QString prompt;
    QString title;
    QString prefix;
    std::optional<FunctionKey> research;
    QString researchPrefix;
};

/// What the service record, maintenance record and technical paper screens
/// state of themselves. The shape they share comes from narrowGridScreen().
struct NarrowGridScreen
{
    QString name;
    QString caption;
    int clientWidth = 0;
    int clientHeight = 0;
    QVector<SourceDeclaration> sources;
    QVector<FieldDeclaration> fields;
    QString documentField;
    Twips grid;
    Twips frame;
    FunctionKey increase;
    FunctionKey connect;
    FunctionKey save;
    FunctionKey remove;
    FunctionKey search;
    KeySearch searching;
    QStringList focusOrder;
};

/// The screen: the header-less record list grid down the left edge, the
/// function keys in their frame wired to the shared commands (Increase to the
/// first field, enabling Save and Connect; Connect on the document field, its
/// caption at 7.5 point), the boundary check, and the focus order as named.
ScreenDeclaration narrowGridScreen(const NarrowGridScreen &screen);

/// The search of the service and maintenance record screens: the user at the
/// site, found with the screen's own prefix and repeated with Research.
KeySearch userSearch(const QString &prefix, FunctionKey research);
