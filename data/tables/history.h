#pragma once

#include "data/result.h"
#include "data/schema.h"

#include <QSqlDatabase>
#include <QSqlQuery>
#include <QString>
#include <QStringList>
#include <QVector>

/// The history of every change: one line in HISTORY for each insert, update
/// or delete on the eleven tables (when in UTC, who, which program, table,
/// the row's key, what was done), and in HISTORYVALUE the values of that
/// change, column by column: an insert's new values, an update's changed
/// columns old and new, a delete's whole row, documents as their bytes.
/// Triggers made with the schema write both, whoever writes the tables.
inline const QString kHistoryTable = QStringLiteral("HISTORY");
inline const QString kHistoryValueTable = QStringLiteral("HISTORYVALUE");

/// The history's tables, their columns as the copy and the check know them.
const TableDefinition &historyTable();
const TableDefinition &historyValueTable();

/// Who writes through this program: the operating system's user, the
/// computer's name and the program's name.
struct HistoryWriter
{
    QString user;
    QString host;
    QString program;

    static const HistoryWriter &ofThisProgram();
};

/// Adds what the database lacks of the history's tables and triggers, in
/// one transaction that waits for any other writer; the tables' rows and the
/// history kept are left as they are.
Result enableHistory(QSqlDatabase &database);

/// Drops the history's triggers, in the transaction under way, so that a
/// bulk copy of the tables writes no line for itself; resumeHistory(), in
/// the same transaction, makes whatever of the history is missing again.
Result suspendHistory(QSqlDatabase &database);
Result resumeHistory(QSqlDatabase &database);

/// True when the database has the history's tables.
bool historyEnabled(const QSqlDatabase &database);

/// What is wrong with the history: a table missing, a table of the eleven
/// whose changes no trigger records. Empty when sound, or when the database
/// keeps no history at all.
QStringList historyProblems(QSqlDatabase &database);

/// The lines asked for: a table's and a key's (both empty for all), from a
/// time on, of one user (the program's user or the server's login role).
struct HistoryFilter
{
    QString table;
    QString key;
    QString since;
    QString user;
};

/// One changed column of one change, or the change alone when it has no values.
struct HistoryLine
{
    qint64 change = 0;
    QString changedAt;
    QString loginRole;
    QString user;
    QString host;
    QString program;
    QString table;
    QString key;
    QString action;
    QString column;
    QString oldValue;
    QString newValue;
};

/// The columns of a history line as its readers select them from HISTORY as h,
/// and the line a query over them stands on.
QString historyLineColumns();
HistoryLine historyLineOf(const QSqlQuery &query);

/// The lines that match, newest change first, a change's columns in table order.
Result readHistory(const QSqlDatabase &database, const HistoryFilter &filter, QVector<HistoryLine> &lines);

/// How many changes were made before the time, and removes them with their values.
Result countHistoryBefore(const QSqlDatabase &database, const QString &before, qint64 &changes);
Result pruneHistory(QSqlDatabase &database, const QString &before, qint64 &removed);

/// The last delete of each key that has no row now, newest first, of one
/// table or of all; one line each, without values.
Result readDeletedRows(const QSqlDatabase &database, const QString &table, QVector<HistoryLine> &deletes);

/// Writes back the last deleted version of the row with the key, every value
/// as it was stored, in one transaction; deleted is that delete's line. A
/// failure when a row with the key exists, when no delete of it is kept, or
/// when the row written is not the one deleted.
Result undeleteRow(QSqlDatabase &database, const TableDefinition &table, const QString &key, HistoryLine &deleted);

/// How actions and unknown users are shown: 新增, 修改, 刪除; (不明).
QString shownAction(const QString &action);
QString shownWho(const HistoryLine &line);
