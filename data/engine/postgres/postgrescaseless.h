#pragma once

#include "data/result.h"

#include <QMap>
#include <QSqlDatabase>
#include <QStringList>

/// The server's text columns compare without regard to case through the
/// citext type, whose comparisons are deterministic, so that LIKE, ILIKE,
/// ORDER BY and joins work from any SQL client as they do for the screens.

/// The type of every text column.
inline const QString kCaselessTextType = QStringLiteral("citext");
/// The statement that adds the type to the database; a trusted extension, so
/// the database's owner may run it.
inline const QString kCreateCaselessTextSql = QStringLiteral("CREATE EXTENSION IF NOT EXISTS citext");

/// Whether the database has the type.
Result hasCaselessText(QSqlDatabase &database, bool &has);
/// The text columns of the schema's tables (and of the stock ledger) that
/// compare case by case or with a collation LIKE refuses: an older database's
/// columns, made with a nondeterministic collation. Table → columns.
Result caseSensitiveColumns(QSqlDatabase &database, QMap<QString, QStringList> &columns);
/// The select of those columns' table, name and place, unfiltered and unordered, to read with others.
QString caseSensitiveColumnsSelect();
/// Takes a column of that select where it is a text column of a table vemo knows.
void takeCaseSensitiveColumn(const QString &table, const QString &column, QMap<QString, QStringList> &columns);
/// The statements that turn those columns into the caseless type, values and
/// indexes kept.
QStringList caselessColumnsSql(const QMap<QString, QStringList> &columns);
/// What the check finds wrong with the columns' comparison, one line each,
/// with how to mend it.
Result caselessTextProblems(QSqlDatabase &database, QStringList &problems);
