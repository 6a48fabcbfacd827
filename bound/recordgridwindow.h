#pragma once

#include <QAbstractTableModel>

class RecordGridModel;

/// The rows of a record grid that its view lays out: a window of a few
/// screens' worth of rows at an offset into all the rows, so the view and its
/// record selectors cost the same for a thousand rows as for a hundred million.
/// Window row r is row offset + r of the whole model.
class RecordGridWindow : public QAbstractTableModel
{
    Q_OBJECT

public:
    explicit RecordGridWindow(RecordGridModel &rows, QObject *parent = nullptr);

    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    int columnCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    Qt::ItemFlags flags(const QModelIndex &index) const override;
    bool setData(const QModelIndex &index, const QVariant &value, int role) override;

    int offset() const { return m_offset; }
    /// Clamped to the rows there are; the window then shows the rows from there on.
    void setOffset(int offset);
    /// How many rows the window holds at most.
    void setCapacity(int capacity);
    int allRows() const;
    /// The row of all the rows that window row is; -1 for none.
    int rowOf(int windowRow) const;
    /// The window row showing that row of all the rows; -1 when it is outside the window.
    int windowRowOf(int row) const;

private:
    void rowAboutToBeInserted(int row);
    void rowInserted(int row);
    void rowAboutToBeRemoved(int row);
    void rowRemoved(int row);
    void rowsChanged(const QModelIndex &topLeft, const QModelIndex &bottomRight);
    int rowsFrom(int offset) const;
    /// Adds or drops rows at the window's end until it holds what it should.
    void refill();

    RecordGridModel &m_rows;
    int m_offset = 0;
    int m_capacity = 64;
    int m_windowRows = 0;
    bool m_changing = false;
};
