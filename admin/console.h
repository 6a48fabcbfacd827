#pragma once

#include <QByteArray>
#include <QString>

/// Where the tool writes: data on standard output, messages on standard error.
namespace console {

/// One line of data on standard output, UTF-8.
void data(const QString &line);
/// Bytes on standard output, as they are.
void dataBytes(const QByteArray &bytes);
/// One line of the account of what was done (rows a table took), on standard
/// output: --quiet leaves it out, as it does notes.
void summary(const QString &line);
/// One message line on standard error, UTF-8.
void message(const QString &line);
/// A message that only tells what went right (which database, what was
/// done): --quiet leaves it out, keeping only the failures.
void note(const QString &line);
void setQuiet(bool quiet);
bool quiet();
/// Text on standard error without a line end (progress bars redraw in place).
void messagePart(const QString &text);
bool messagesGoToTerminal();

} // namespace console
