#pragma once

#include "data/result.h"

#include <QSqlDatabase>
#include <QString>
#include <QVariantList>
#include <QVector>

/// The stock ledger: a table beside the eleven, filled by a trigger on
/// MSF, with one line for every change of a material's inventory (when,
/// material, old, new), whoever made it: lending, returning or an edit.
inline const QString kStockLedgerTable = QStringLiteral("STOCKLEDGER");

/// Adds the ledger's table and trigger; a database that has them already is
/// left as it is. Changes nothing of the eleven tables or their rows.
Result enableStockLedger(QSqlDatabase &database);

/// True when the database has the ledger's table.
bool stockLedgerEnabled(const QSqlDatabase &database);

/// The ledger's lines, latest first, each its time, material, old and new
/// inventory; only the material's when one is named.
Result readStockLedger(const QSqlDatabase &database, const QString &material, QVector<QVariantList> &lines);
