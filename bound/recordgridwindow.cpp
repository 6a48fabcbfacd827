#include "bound/recordgridwindow.h"

#include "bound/recordgridmodel.h"

#include <algorithm>

RecordGridWindow::RecordGridWindow(RecordGridModel &rows, QObject *parent)
    : QAbstractTableModel(parent), m_rows(rows), m_windowRows(rowsFrom(0))
{
    connect(&rows, &QAbstractItemModel::modelAboutToBeReset, this, [this] { beginResetModel(); });
    connect(&rows, &QAbstractItemModel::modelReset, this, [this] {
        m_offset = std::clamp(m_offset, 0, std::max(allRows() - 1, 0));
        m_windowRows = rowsFrom(m_offset);
        endResetModel();
    });
    connect(&rows, &QAbstractItemModel::rowsAboutToBeInserted, this,
            [this](const QModelIndex &, int first) { rowAboutToBeInserted(first); });
    connect(&rows, &QAbstractItemModel::rowsInserted, this, [this](const QModelIndex &, int first) { rowInserted(first); });
    connect(&rows, &QAbstractItemModel::rowsAboutToBeRemoved, this,
            [this](const QModelIndex &, int first) { rowAboutToBeRemoved(first); });
    connect(&rows, &QAbstractItemModel::rowsRemoved, this, [this](const QModelIndex &, int first) { rowRemoved(first); });
    connect(&rows, &QAbstractItemModel::dataChanged, this, &RecordGridWindow::rowsChanged);
}

int RecordGridWindow::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : m_windowRows;
}

int RecordGridWindow::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : m_rows.columnCount();
}

QVariant RecordGridWindow::data(const QModelIndex &index, int role) const
{
    return index.isValid() ? m_rows.data(m_rows.index(rowOf(index.row()), index.column()), role) : QVariant();
}

QVariant RecordGridWindow::headerData(int section, Qt::Orientation orientation, int role) const
{
    return m_rows.headerData(orientation == Qt::Vertical ? rowOf(section) : section, orientation, role);
}

Qt::ItemFlags RecordGridWindow::flags(const QModelIndex &index) const
{
    return index.isValid() ? m_rows.flags(m_rows.index(rowOf(index.row()), index.column())) : Qt::NoItemFlags;
}

bool RecordGridWindow::setData(const QModelIndex &index, const QVariant &value, int role)
{
    return index.isValid() && m_rows.setData(m_rows.index(rowOf(index.row()), index.column()), value, role);
}

void RecordGridWindow::setOffset(int offset)
{
    offset = std::clamp(offset, 0, std::max(allRows() - 1, 0));
    if (offset == m_offset)
        return;
    m_offset = offset;
    refill();
    if (m_windowRows > 0) {
        emit dataChanged(index(0, 0), index(m_windowRows - 1, columnCount() - 1));
        emit headerDataChanged(Qt::Vertical, 0, m_windowRows - 1);
    }
}

void RecordGridWindow::setCapacity(int capacity)
{
    m_capacity = std::max(capacity, 1);
    refill();
}

int RecordGridWindow::allRows() const
{
    return m_rows.rowCount();
}

int RecordGridWindow::rowOf(int windowRow) const
{
    return windowRow >= 0 && windowRow < m_windowRows ? m_offset + windowRow : -1;
}

int RecordGridWindow::windowRowOf(int row) const
{
    const int windowRow = row - m_offset;
    return windowRow >= 0 && windowRow < m_windowRows ? windowRow : -1;
}

int RecordGridWindow::rowsFrom(int offset) const
{
    return std::clamp(allRows() - offset, 0, m_capacity);
}

void RecordGridWindow::refill()
{
    const int wanted = rowsFrom(m_offset);
    if (wanted > m_windowRows) {
        beginInsertRows(QModelIndex(), m_windowRows, wanted - 1);
        m_windowRows = wanted;
        endInsertRows();
    } else if (wanted < m_windowRows) {
        beginRemoveRows(QModelIndex(), wanted, m_windowRows - 1);
        m_windowRows = wanted;
        endRemoveRows();
    }
}

void RecordGridWindow::rowAboutToBeInserted(int row)
{
    const int windowRow = row - m_offset;
    m_changing = windowRow >= 0 && windowRow <= m_windowRows && windowRow < m_capacity;
    if (m_changing)
        beginInsertRows(QModelIndex(), windowRow, windowRow);
}

void RecordGridWindow::rowInserted(int row)
{
    if (m_changing) {
        ++m_windowRows;
        endInsertRows();
        m_changing = false;
        refill();
    } else if (row < m_offset) {
        // The rows shown stay where they are, one further from the start.
        ++m_offset;
    }
}

void RecordGridWindow::rowAboutToBeRemoved(int row)
{
    const int windowRow = row - m_offset;
    m_changing = windowRow >= 0 && windowRow < m_windowRows;
    if (m_changing)
        beginRemoveRows(QModelIndex(), windowRow, windowRow);
}

void RecordGridWindow::rowRemoved(int row)
{
    if (m_changing) {
        --m_windowRows;
        endRemoveRows();
        m_changing = false;
        refill();
    } else if (row < m_offset) {
        --m_offset;
    }
}

void RecordGridWindow::rowsChanged(const QModelIndex &topLeft, const QModelIndex &bottomRight)
{
    const int first = std::max(topLeft.row() - m_offset, 0);
    const int last = std::min(bottomRight.row() - m_offset, m_windowRows - 1);
    if (first <= last)
        emit dataChanged(index(first, topLeft.column()), index(last, bottomRight.column()));
}
