#pragma once

#include "admin/jetfile.h"
#include "data/schema.h"

#include <QVariant>

/// A value of the old file made into what its vemo column stores.
struct CarriedValue
{
    QVariant stored;
    /// Empty when the value was carried as it was; else why not, for the report.
    QString problem;
    /// A document the import could not unwrap, kept as it was.
    bool documentNotUnderstood = false;
};

/// The old screens' text of an engine day number: the Traditional Chinese
/// Windows short date yyyy/M/d, and H:mm:ss after it when not midnight.
QString jetDateText(double dayNumber);

/// Carries value into a column of the given type. Text keeps its text; a
/// number, date or yes/no becomes the text the old screens showed; a whole
/// number column takes a number rounded half to even within −32768..32767;
/// an OLE object becomes a document named after documentName.
CarriedValue carryValue(const JetValue &value, ColumnType type, const QString &documentName);
