#pragma once

#include "screens/screendeclaration.h"

#include <QMap>
#include <QString>

class QWidget;
class Screen;
class RecordSource;

/// Makes a screen's window, record sources, bound controls, grid, lines,
/// frames and buttons from its declaration, and wires each button to its
/// command and Data1 to the boundary check where declared.
class ScreenBuilder
{
public:
    explicit ScreenBuilder(Screen &screen);

    /// Throws std::logic_error naming the record source, control, button or
    /// document field that the declaration names and does not have.
    void build();

private:
    void checkNames() const;
    void buildWindow();
    void openSources();
    /// The columns of the document fields showing the source's rows.
    QStringList documentColumns(const QString &source) const;
    void buildField(const FieldDeclaration &field);
    QWidget *makeFieldWidget(const FieldDeclaration &field, RecordSource &source, int column);
    void buildLabel(const FieldDeclaration &field, QWidget *buddy);
    /// The right edge (twips) of the nearest field or grid left of the given
    /// field on its line; 0 for the window edge.
    int leftNeighbourEdge(const Twips &field) const;
    void buildGrid(const GridDeclaration &grid);
    void buildLine(const LineDeclaration &line);
    void buildFrame(const FrameDeclaration &frame);
    void orderTabs();
    void place(QWidget *widget, const Twips &twips) const;
    int pixels(int twips) const;

    Screen &m_screen;
    QMultiMap<int, QWidget *> m_tabOrder;
};
