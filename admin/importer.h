#pragma once

#include "admin/importplan.h"
#include "data/result.h"

#include <QString>
#include <QStringList>
#include <QVector>

struct ImportOptions
{
    QString source;
    QString target;
    ImportMap map;
    QString codePage = QStringLiteral("CP950");
    bool dryRun = false;
    bool replace = false;
    bool terminal = false;
};

/// What an import read, wrote and could not carry as it was.
struct ImportReport
{
    struct Table
    {
        QString source;
        QString target;
        qint64 read = 0;
        qint64 written = 0;
    };
    QVector<Table> tables;
    QStringList unmatched;
    /// Nothing was written: the counts say what a real run would write.
    bool dryRun = false;
    /// Of a dry run: why a real run would be refused, if it would.
    QString refusal;
    /// Of a dry run: a few values of each text column, as they decode.
    QStringList samples;
    /// Text columns with values that look like text of another code page.
    QStringList decoding;
    /// Every value not carried as it was, and why.
    QStringList values;
    /// What the Jet library warned of while reading, in one line, or nothing.
    QString libraryWarnings;
    /// The file the old target was kept as, when it was replaced.
    QString backup;
    double seconds = 0;

    QStringList lines() const;
};

/// Brings an old Jet file into a vemo database. A dry run reads everything
/// and writes nothing. A real run writes a new file beside the target and
/// renames it into place only once every row is written, so the target is
/// never half-imported; a target holding rows is replaced only with
/// options.replace, and then kept beside it as a backup. A server target
/// (postgresql://…) is written in one transaction and must hold no row.
Result importJetFile(const ImportOptions &options, ImportReport &report);
