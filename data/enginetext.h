#pragma once

#include <QString>

class QSqlError;

/// The engine's own text of an error, without the server's severity in
/// front and the statement's place after it.
QString engineText(const QSqlError &error);
/// The same of an error state and text read through the engine's own library.
QString engineText(const QString &state, const QString &engineOwnText);

/// A write refused because the disk is full, told so first, the engine's text after.
QString diskFullText(const QString &engineText);
