#pragma once

#include "admin/texttable.h"
#include "data/result.h"

#include <QDate>
#include <QSqlDatabase>

/// The two lists of a report: what it is about, and the rows whose text
/// could not be read for it.
struct ReportTables
{
    TextTable found;
    TextTable unreadable;
};

/// Materials whose stock is below their safe stock (both read as numbers),
/// with their supplier's name and telephone; materials whose stock or safe
/// stock is not a number go to the unreadable list.
Result lowStockReport(const QSqlDatabase &database, ReportTables &report);

/// One contract list: contracts that ended in the last days days (how many
/// days ago) and those that end from today to today + days (how many days
/// are left), by end date; after them the contracts whose end date is not
/// empty and cannot be read, so a CSV of it is one table.
Result contractsReport(const QSqlDatabase &database, const QDate &today, int days, TextTable &report);
