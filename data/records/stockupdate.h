#pragma once

#include "data/result.h"

#include <QString>

enum class StockMovement { Lending, Returning };

/// The stock update statement, exactly as the system has always built it:
/// "update [msf] set [inventory] = N where [materielno] = 'M';" — returning
/// has no blank after the where-clause's "=". Quotes in M are doubled, so a
/// material number can name only that material.
QString stockUpdateStatement(StockMovement movement, int newStock, const QString &material);

/// The new stock from the two texts as they stand on the screen, read as
/// decimal numbers: stock − quantity (lending) or stock + quantity
/// (returning), computed exactly and rounded half to even, within −32768 to
/// 32767. A negative quantity is refused. A failure names the field at fault
/// by its caption.
Result newStock(StockMovement movement, const QString &stockText, const QString &stockCaption,
                const QString &quantityText, const QString &quantityCaption, int &result);

/// Writes the new stock, in one transaction
/// that first reads the material's stock. When that stock is not the one the
/// new figure was computed from (stockText), when no material or more than
/// one has the number, or when the update changes other than one row,
/// nothing is written and the failure says which. On the file the update is
/// the statement text above, over a connection of its own closed when it
/// ends; on a server one statement that checks and changes the stock, with
/// the figure and the material as parameters, over the program's shared one.
Result executeStockUpdate(StockMovement movement, int newStock, const QString &material, const QString &stockText);

inline const QString kStockDatabasePath = QStringLiteral("c:\\vemo\\vemo.mdb");
