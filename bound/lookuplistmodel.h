#pragma once

#include "data/records/lookupentries.h"

#include <QAbstractListModel>

/// A lookup list's entries as a list model: the shown text as display, the
/// bound value as user data, each read when a view asks for it.
class LookupListModel : public QAbstractListModel
{
    Q_OBJECT

public:
    LookupListModel(LookupEntries entries, QObject *parent = nullptr);

    const LookupEntries &entries() const { return m_entries; }
    /// The list read afresh, as after its source read another file.
    void setEntries(LookupEntries entries);

    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role) const override;
    /// Typing in the list or its open view: a text search by prefix goes to
    /// the engine's index instead of reading every entry.
    QModelIndexList match(const QModelIndex &start, int role, const QVariant &value, int hits,
                          Qt::MatchFlags flags) const override;

private:
    LookupEntries m_entries;
};
