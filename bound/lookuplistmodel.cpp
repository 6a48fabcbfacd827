#include "bound/lookuplistmodel.h"

LookupListModel::LookupListModel(LookupEntries entries, QObject *parent)
    : QAbstractListModel(parent), m_entries(std::move(entries))
{
}

int LookupListModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : m_entries.count();
}

QVariant LookupListModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid())
        return QVariant();
    if (role == Qt::DisplayRole || role == Qt::EditRole)
        return m_entries.shownText(index.row());
    if (role == Qt::UserRole)
        return m_entries.boundValue(index.row());
    return QVariant();
}

QModelIndexList LookupListModel::match(const QModelIndex &start, int role, const QVariant &value, int hits,
                                       Qt::MatchFlags flags) const
{
    const Qt::MatchFlags kind = flags & Qt::MatchTypeMask;
    if (role != Qt::DisplayRole || (kind != Qt::MatchStartsWith && kind != Qt::MatchFixedString))
        return QAbstractListModel::match(start, role, value, hits, flags);
    const int found = m_entries.indexOfShownPrefix(value.toString());
    if (found < 0)
        return {};
    return {index(found)};
}

void LookupListModel::setEntries(LookupEntries entries)
{
    beginResetModel();
    m_entries = std::move(entries);
    endResetModel();
}
