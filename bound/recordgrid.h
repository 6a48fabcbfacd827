#pragma once

#include "data/result.h"

#include <QTableView>

#include <functional>

class RecordGridModel;
class RecordSource;

/// The record list grid of a screen: all columns of its record source, record
/// selectors at the left, cells editable in place, no rows added or deleted.
/// The selected row and the current row follow each other.
class RecordGrid : public QTableView
{
    Q_OBJECT

public:
    RecordGrid(RecordSource &source, bool columnHeaders, QWidget *parent = nullptr);

    /// Where a move the user chose in the grid that the source refused goes.
    void setFailureHandler(std::function<void(const Result &)> handler);

private:
    void followCurrentRow();
    void moveToSelectedRow(const QModelIndex &current);
    void report(const Result &failure);

    RecordSource &m_source;
    RecordGridModel *m_model;
    std::function<void(const Result &)> m_failureHandler;
    bool m_following = false;
};
