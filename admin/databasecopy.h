#pragma once

#include "data/result.h"

#include <QString>
#include <QVector>

class QSqlDatabase;

/// What a copy carried, table by table.
struct CopyReport
{
    struct Table
    {
        QString name;
        qint64 rows = 0;
    };
    QVector<Table> tables;
    double seconds = 0;

    qint64 rows() const;
};

/// Copies every row of the eleven tables, documents included and in each
/// table's own order, from one vemo database into another: each is a file
/// path or a server address (postgresql://…). The target is made when it
/// lacks the tables and must hold no row. The source is read as one
/// snapshot and the target written in one transaction, each table's count
/// checked before it commits, so a failure leaves the target as it was.
Result copyDatabase(const QString &from, const QString &to, CopyReport &report);

/// The rows of the eleven tables, of those the database has.
Result rowsInDatabase(QSqlDatabase &database, qint64 &rows);
