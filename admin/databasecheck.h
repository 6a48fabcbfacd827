#pragma once

#include <QString>
#include <QStringList>

/// Every problem of the database file: what the engine's integrity check
/// finds, a missing table or column of the eleven, a document that cannot
/// be read (damaged, or linked to a file that is gone). Empty when sound.
QStringList databaseProblems(const QString &file);
