#pragma once

#include <QString>
#include <QVariantList>
#include <QVector>

/// Every row of the eleven tables and the ledger, table by table in the order
/// the rows were added, read without changing the database: each row its
/// table's name, then its values as both engines give them back (documents
/// as their stored bytes, the rest as text).
QVector<QVariantList> everyRow(const QString &database);
