#pragma once

#include "data/result.h"

#include <QTableView>

class Dialogs;
class RecordGridModel;
class RecordGridWindow;
class RecordSource;

/// The record list grid of a screen: all columns of its record source, record
/// selectors at the left, cells editable in place, no rows added or deleted.
/// The selected row and the current row follow each other.
///
/// The view lays out only a window of the rows, which its vertical scroll bar
/// moves over all of them: nothing in it grows with the table.
class RecordGrid : public QTableView
{
    Q_OBJECT

public:
    /// A move the user chose in the grid that the source refused is told through dialogs.
    RecordGrid(RecordSource &source, bool columnHeaders, Dialogs &dialogs, QWidget *parent = nullptr);

    void scrollTo(const QModelIndex &index, ScrollHint hint = EnsureVisible) override;

protected:
    QModelIndex moveCursor(CursorAction action, Qt::KeyboardModifiers modifiers) override;
    void scrollContentsBy(int dx, int dy) override;
    void updateGeometries() override;
    void resizeEvent(QResizeEvent *event) override;

private:
    void followCurrentRow();
    /// Selects the source's current row where the window shows it, else nothing.
    void selectCurrentRow();
    void moveToSelectedRow(const QModelIndex &current);
    /// Moves the window so that it shows the row among its whole rows on screen.
    void showRow(int row);
    void setOffset(int offset);
    int rowsOnScreen() const;
    void report(const Result &failure);

    RecordSource &m_source;
    RecordGridModel *m_model;
    RecordGridWindow *m_window;
    Dialogs &m_dialogs;
    bool m_following = false;
};
