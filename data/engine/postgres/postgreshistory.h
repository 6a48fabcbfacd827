#pragma once

#include <QString>
#include <QStringList>
#include <QVector>

struct TableDefinition;

/// The server's history: its tables, a function per table that records its
/// changes, and its trigger. The user, host and program come from the
/// settings the connection was opened with; the login role from the server.
QStringList postgresHistorySql(const QString &caselessType, const QString &rowIdentity, const QVector<TableDefinition> &tables);
QStringList postgresDropHistoryTriggersSql();
QString postgresHistoryTriggerName(const TableDefinition &table);

/// The server settings, as the options of a connection give them, that tell who writes through this program.
QString postgresHistoryWriterSettings();

/// The statement that moves the changes' sequence past the lines copied in with their own numbers.
QString postgresHistoryNumbersAfterCopySql();
