#pragma once

#include "data/tables/history.h"

#include <QSqlQuery>

/// The columns of a history line as the readers select them from HISTORY as h, in the order lineOf() reads them.
QString historyLineColumns();
/// The line the query stands on, read from those columns.
HistoryLine historyLineOf(const QSqlQuery &query);
