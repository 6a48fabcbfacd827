#pragma once

#include "data/result.h"

#include <QSqlDatabase>
#include <QStringList>
#include <QVector>

struct TableDefinition;

/// The file's history: its tables, the triggers that fill them for every
/// writer, and the table through which this program's connections say who
/// writes, as SQLite itself cannot know (an outside client is recorded
/// without a user).
QStringList sqliteHistorySql(const QVector<TableDefinition> &tables);
/// The table through which a connection tells the history's triggers who writes.
QString sqliteHistoryWriterTable();
QStringList sqliteDropHistoryTriggersSql();
QStringList sqliteHistoryTriggerNames(const TableDefinition &table);

/// Registers the document hash on the connection and adds its own temporary
/// triggers, which tell the history's triggers this program's user, host and
/// name, and the hashes of the documents changed.
Result tellSqliteHistoryWriter(QSqlDatabase &database);
