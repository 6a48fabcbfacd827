#pragma once

#include <QStringList>

/// Runs vemo-admin with its command line (without the program's name):
/// [--database PATH] COMMAND ARGUMENTS…; returns the exit status.
int runAdminTool(const QStringList &arguments);
