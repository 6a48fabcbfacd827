#pragma once

#include <QString>

class QSqlError;

/// The engine's own text of an error, without the server's severity in
/// front and the statement's place after it.
QString engineText(const QSqlError &error);

/// A write refused because the disk is full, told so first, the engine's text after.
QString diskFullText(const QString &engineText);
