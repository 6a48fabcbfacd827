#pragma once

#include "data/result.h"
#include "data/tables/wholedatabase.h"

#include <QString>
#include <QVector>


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

    /// The rows carried, the history's lines aside.
    qint64 rows() const;
};

/// Copies every row of the eleven tables and of the stock ledger, every
/// value as its stored bytes and in each table's own order, from one vemo
/// database into another: each is a file path or a server address
/// (postgresql://…). The target is made when it lacks the tables and must
/// hold no row. The source is read as one snapshot and the target written
/// in one transaction, each table's count checked before it commits, so a
/// failure (a text the target cannot hold among them) leaves the target as
/// it was. With progress, a line on standard error shows the rows done.
Result copyDatabase(const QString &from, const QString &to, bool progress, CopyReport &report);


/// Copies source into target as copyDatabase does, target taking the whole
/// copy as WholeDatabase::replaceWith puts it: a file written anew and
/// renamed into place (only with replace when it holds rows, the old one
/// kept as backup), a server written in place only while it holds no row.
Result copyReplacing(const QString &source, const QString &target, bool replace, const WholeDatabase::Job &job,
                     CopyReport &report, QString &backup);
