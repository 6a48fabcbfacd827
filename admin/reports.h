#pragma once

#include "admin/texttable.h"
#include "data/result.h"

#include <QDate>
#include <QSqlDatabase>

/// One list of materials: those whose stock is below their safe stock (both
/// read as numbers), with their supplier's name and telephone, then those
/// whose stock or safe stock is not a number, a status column telling which,
/// so a CSV of it is one table.
Result lowStockReport(const QSqlDatabase &database, TextTable &report);

/// One contract list: contracts that ended in the last days days (how many
/// days ago) and those that end from today to today + days (how many days
/// are left), by end date; after them the contracts whose end date is not
/// empty and cannot be read, so a CSV of it is one table.
Result contractsReport(const QSqlDatabase &database, const QDate &today, int days, TextTable &report);
