#include "bound/recordgridmodel.h"

#include "data/records/fieldtext.h"
#include "data/records/document.h"
#include "data/records/recordsource.h"

RecordGridModel::RecordGridModel(RecordSource &source, QObject *parent)
    : QAbstractTableModel(parent), m_source(source)
{
    connect(&source, &RecordSource::keysetReset, this, [this] {
        beginResetModel();
        endResetModel();
    });
    connect(&source, &RecordSource::rowAboutToBeInserted, this,
            [this](int row) { beginInsertRows(QModelIndex(), row, row); });
    connect(&source, &RecordSource::rowInserted, this, [this] { endInsertRows(); });
    connect(&source, &RecordSource::rowAboutToBeRemoved, this,
            [this](int row) { beginRemoveRows(QModelIndex(), row, row); });
    connect(&source, &RecordSource::rowRemoved, this, [this] { endRemoveRows(); });
    connect(&source, &RecordSource::rowWritten, this, &RecordGridModel::rowChanged);
    connect(&source, &RecordSource::currentChanged, this, [this] { rowChanged(m_source.currentIndex()); });
    connect(&source, &RecordSource::valueEdited, this, [this] { rowChanged(m_source.currentIndex()); });
}

int RecordGridModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : m_source.rowCount();
}

int RecordGridModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(m_source.columnNames().size());
}

QVariant RecordGridModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || (role != Qt::DisplayRole && role != Qt::EditRole))
        return QVariant();
    if (m_source.isDocumentColumn(index.column()))
        return documentText(index.row(), index.column());
    return fieldText(m_source.valueAt(index.row(), index.column()));
}

QString RecordGridModel::documentText(int row, int column) const
{
    // During an add the current row is the pending one, which the grid has no row for.
    if (row == m_source.currentIndex() && !m_source.isAddingNew())
        return Document::fromStored(m_source.value(column)).description();
    const QVariant length = m_source.valueAt(row, column);
    if (length.isNull() || length.toLongLong() == 0)
        return QString();
    return QStringLiteral("文件, %1").arg(documentSizeText(length.toLongLong()));
}

QVariant RecordGridModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (role != Qt::DisplayRole)
        return QVariant();
    if (orientation == Qt::Horizontal)
        return m_source.columnNames().value(section);
    // The vertical header is the record selector column: no numbers.
    return QString();
}

Qt::ItemFlags RecordGridModel::flags(const QModelIndex &index) const
{
    if (!index.isValid())
        return Qt::NoItemFlags;
    // A document is put in with Connect, never typed over in a cell.
    if (m_source.isDocumentColumn(index.column()))
        return Qt::ItemIsSelectable | Qt::ItemIsEnabled;
    return Qt::ItemIsSelectable | Qt::ItemIsEnabled | Qt::ItemIsEditable;
}

bool RecordGridModel::setData(const QModelIndex &index, const QVariant &value, int role)
{
    if (!index.isValid() || role != Qt::EditRole)
        return false;
    if (index.row() != m_source.currentIndex() || m_source.isAddingNew()) {
        if (Result moved = m_source.moveTo(index.row()); !moved) {
            emit moveFailed(moved.message());
            return false;
        }
    }
    return m_source.setValue(index.column(), value.toString());
}

void RecordGridModel::rowChanged(int row)
{
    if (row >= 0 && row < rowCount())
        emit dataChanged(index(row, 0), index(row, columnCount() - 1));
}
