#pragma once

#include <QSqlDatabase>
#include <QStringList>

/// Every problem of the database, one line each: what the engine's own
/// check finds, a missing table, column or index of the eleven tables, a
/// column of another type, a kept row count that differs from the rows, a
/// document that cannot be read (damaged, or linked to a file that is
/// gone). Empty when sound. Reads only.
QStringList databaseProblems(QSqlDatabase &database);
