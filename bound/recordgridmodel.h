#pragma once

#include <QAbstractTableModel>

class RecordSource;

/// A table model that is a thin view of a record source's keyset: every
/// column in table order, cells read on demand, edits written into the row.
class RecordGridModel : public QAbstractTableModel
{
    Q_OBJECT

public:
    explicit RecordGridModel(RecordSource &source, QObject *parent = nullptr);

    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    int columnCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    Qt::ItemFlags flags(const QModelIndex &index) const override;
    /// An edit in another row than the current one (or during an add) moves
    /// there first; a refused move refuses the edit (see moveFailed).
    bool setData(const QModelIndex &index, const QVariant &value, int role) override;

signals:
    void moveFailed(const QString &message);

private:
    void rowChanged(int row);
    QString documentText(int row, int column) const;

    RecordSource &m_source;
};
