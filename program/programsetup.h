#pragma once

class QCoreApplication;

/// What vemo and vemo-admin do first: Qt's own texts (buttons, dialogs,
/// option errors) in Traditional Chinese, and the project's version as the
/// program's.
void setUpProgram(QCoreApplication &application);
