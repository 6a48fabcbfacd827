#pragma once

#include "commands/command.h"

#include <QColor>
#include <QString>
#include <QVector>

#include <memory>
#include <optional>

/// A rectangle in twips (1/1440 inch): left, top, width, height.
struct Twips
{
    int left = 0;
    int top = 0;
    int width = 0;
    int height = 0;
};

struct SourceDeclaration
{
    QString name;
    QString table;
};

enum class FieldKind { Text, MultiLineText, Lookup, Document };
enum class ScrollBars { None, Horizontal, Vertical, Both };

struct LookupDeclaration
{
    QString listSource;
    QString shownColumn;
    QString boundColumn;
};

struct FieldDeclaration
{
    QString name;
    QString labelName;
    QString caption;
    QString source;
    QString column;
    FieldKind kind = FieldKind::Text;
    Twips geometry;
    int tabIndex = 0;
    ScrollBars scrollBars = ScrollBars::None;
    LookupDeclaration lookup;
    /// A document field's class for "新建" in its insert-object dialog.
    QString documentClass;
    /// Where the label stands; when not given, to the left of its field.
    std::optional<Twips> labelGeometry;
};

struct GridDeclaration
{
    QString source;
    Twips geometry;
    bool columnHeaders = true;
    int tabIndex = 0;
};

/// A line drawn across the window: a rule between fields and grid.
struct LineDeclaration
{
    Twips geometry;
    QColor color;
    int widthPixels = 1;
};

struct ButtonDeclaration
{
    QString name;
    QString caption;
    Twips geometry; // within its frame
    int tabIndex = 0;
    bool enabledAtStart = true;
    std::shared_ptr<const Command> command;
    double pointSize = 9;
};

struct FrameDeclaration
{
    QString name;
    QString caption;
    Twips geometry;
    int tabIndex = 0;
    QVector<ButtonDeclaration> buttons;
};

/// A whole screen stated as data: one shared builder makes it.
struct ScreenDeclaration
{
    QString name;
    QString caption;
    int clientWidth = 0; // twips
    int clientHeight = 0;
    QVector<SourceDeclaration> sources;
    QVector<FieldDeclaration> fields;
    std::optional<GridDeclaration> grid;
    QVector<LineDeclaration> lines;
    QVector<FrameDeclaration> frames;
    /// Data1's repositioned notification runs the boundary check.
    bool boundaryCheck = false;
};

/// The look shared by the data-entry screens.
inline const QColor kScreenBackground(0, 0, 128);
inline const QColor kCaptionColour(255, 0, 0);
inline const QString kScreenFontFamily = QStringLiteral("新細明體");
inline const QString kFunctionKeyCaption = QStringLiteral("A function key");
/// The record list grid of every screen.
inline const QString kGridName = QStringLiteral("DBGrid1");
