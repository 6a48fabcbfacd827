#pragma once

#include "data/result.h"

#include <QString>

/// A find condition in the engine's filter syntax: a column (optionally in
/// square brackets), an equals sign and a single-quoted text in which a
/// doubled quote stands for one quote. Blanks may stand between the pieces.
struct Criterion
{
    QString column;
    QString value;

    /// Parses the text; anything else than the form above is a syntax error
    /// that quotes the criterion, and leaves the out value untouched.
    static Result parse(const QString &text, Criterion &out);
};

/// Doubles every single quote, so the text stands as one quoted value.
QString quotedValueText(const QString &text);
