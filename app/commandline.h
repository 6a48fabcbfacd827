#pragma once

#include <optional>

class QCoreApplication;

/// Answers --help and --version before any window system is needed, so they
/// work on a terminal without a desktop; returns the exit status when answered.
std::optional<int> answerInformationOptions(int argc, char *argv[]);

/// Refuses what the program does not take, once Qt has removed its own
/// options; prints the error and ends the program then.
void refuseUnknownOptions(const QCoreApplication &application);
