#pragma once

#include "support/everyrow.h"

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QVariantList>
#include <QVector>

class TestDatabase;

/// One run of vemo-admin as a script sees it.
struct ToolRun
{
    int exitCode = -1; // -1 when the tool crashed or did not end in time
    QByteArray outBytes;
    QString out;
    QString err; // as written, the line naming the database included

    /// The messages after the first line, which names the database acted on, without the last line end.
    QString messages() const;
};

/// Runs vemo-admin with the arguments and waits up to two minutes for it;
/// its standard input is the input given, then ends.
ToolRun runTool(const QStringList &arguments, const QByteArray &input = {});

/// --database and the test's file; nothing on the server, where the tool finds VEMO_DATABASE itself.
QStringList databaseOption(const TestDatabase &database);
