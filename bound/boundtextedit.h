#pragma once

#include <QPlainTextEdit>

class RecordSource;

/// A multi-line text field bound to one column of a record source. With a
/// horizontal scroll bar long lines scroll sideways instead of wrapping.
class BoundTextEdit : public QPlainTextEdit
{
    Q_OBJECT

public:
    BoundTextEdit(RecordSource &source, int column, bool horizontalScrollBar, bool verticalScrollBar,
                  QWidget *parent = nullptr);

private:
    void showCurrentValue();

    RecordSource &m_source;
    int m_column;
    bool m_showing = false;
};
