#pragma once

#include "data/result.h"

#include <QTableView>

class Dialogs;
class RecordGridModel;
class RecordSource;

/// The record list grid of a screen: all columns of its record source, record
/// selectors at the left, cells editable in place, no rows added or deleted.
/// The selected row and the current row follow each other.
class RecordGrid : public QTableView
{
    Q_OBJECT

public:
    /// A move the user chose in the grid that the source refused is told through dialogs.
    RecordGrid(RecordSource &source, bool columnHeaders, Dialogs &dialogs, QWidget *parent = nullptr);

private:
    void followCurrentRow();
    void moveToSelectedRow(const QModelIndex &current);
    void report(const Result &failure);

    RecordSource &m_source;
    RecordGridModel *m_model;
    Dialogs &m_dialogs;
    bool m_following = false;
};
