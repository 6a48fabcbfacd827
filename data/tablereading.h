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

/// A table read page by page in the order its rows were added, every value
/// as the engine stores it; the statement is prepared once for all pages.
class TablePages
{
public:
    Result prepare(const QSqlDatabase &database, const TableDefinition &table, int pageRows);
    /// Reads the page after the last row read (the first page at first).
    Result readPage();
    /// Stands on the page's next row; false after its last one or on a failure.
    bool next();
    /// Whether the whole page was read, after next() said there were no more.
    Result finishPage() const;
    /// The identity of the row it stands on, as the engine numbers rows.
    qint64 identity() const { return m_last; }
    /// The value of the table's column at that index, of the row it stands on.
    QVariant value(int column) const { return m_query.value(column + 1); }

private:
    QSqlQuery m_query;
    qint64 m_last = 0;
};

/// Every row of a table, the named columns in order.
Result readTableRows(const QSqlDatabase &database, const QString &table, const QStringList &columns,
                     QVector<QVariantList> &rows);

/// The number of rows a table holds.
Result countTableRows(const QSqlDatabase &database, const QString &table, qint64 &rows);
