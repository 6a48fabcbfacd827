#pragma once

#include <QLineEdit>

class RecordSource;

/// A single-line text field bound to one column of a record source: it shows
/// the current row's value, and what the user types goes into the row's edit
/// buffer. It takes no typing while no row can take edits.
class BoundLineEdit : public QLineEdit
{
    Q_OBJECT

public:
    BoundLineEdit(RecordSource &source, int column, QWidget *parent = nullptr);

protected:
    /// Ctrl+Home and Ctrl+End (with Shift, selecting) move to the field's
    /// start and end, as the old system's fields did; QLineEdit ignores them.
    void keyPressEvent(QKeyEvent *event) override;

private:
    void showCurrentValue();

    RecordSource &m_source;
    int m_column;
    bool m_showing = false;
};
