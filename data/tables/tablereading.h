#pragma once

#include "data/result.h"
#include "data/schema.h"

#include <QSqlDatabase>
#include <QSqlQuery>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <QVector>

/// A table's rows read once in the order they were added, named columns in
/// order, with every name quoted as the database's engine keeps it.
class TableReading
{
public:
    /// Runs the read; the first row is read with it, so a failure of the
    /// engine (a table it does not hold, a lost connection) comes here.
    Result start(const QSqlDatabase &database, const QString &table, const QStringList &columns);
    /// Stands on the next row; false after the last one or on a failure.
    bool next();
    QVariant value(int column) const { return m_query.value(column); }
    /// Whether every row was read, after next() said there were no more.
    Result finish() const;

private:
    QSqlQuery m_query;
    bool m_standsBeforeFirst = false;
    bool m_hasFirst = false;
};

/// Every row of a table, the named columns in order.
Result readTableRows(const QSqlDatabase &database, const QString &table, const QStringList &columns,
                     QVector<QVariantList> &rows);

/// The number of rows a table holds.
Result countTableRows(const QSqlDatabase &database, const QString &table, qint64 &rows);
