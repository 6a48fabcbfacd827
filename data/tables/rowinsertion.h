#pragma once

#include "data/result.h"

#include <QSqlDatabase>
#include <QSqlQuery>
#include <QStringList>
#include <QVariant>

/// Rows added to one table through one prepared statement, the named columns
/// in order, every name quoted as the database's engine keeps it.
class RowInsertion
{
public:
    Result prepare(const QSqlDatabase &database, const QString &table, const QStringList &columns);
    /// The next column's value of the row being added.
    void bind(const QVariant &value) { m_query.addBindValue(value); }
    /// Adds the row whose values were bound.
    Result insert();

private:
    QSqlQuery m_query;
};
