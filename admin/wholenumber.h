#pragma once

#include <QString>

/// Reads a decimal text as a stored whole number: rounded half to even,
/// within −32768..32767. On failure why says what is wrong with the text.
bool wholeNumber(const QString &text, int &number, QString &why);

/// True when the text is already a whole number, so reading it rounds nothing.
bool isWholeNumberText(const QString &text);
