#pragma once

#include "commands/dialogs.h"
#include "data/result.h"

class DocumentField;

/// What became of the insert-object dialog's choice.
struct DocumentInsert
{
    /// The row's document was replaced (to be written with the row).
    bool inserted = false;
    /// Why the file could not be taken, or why the new document did not open.
    Result outcome = Result::success();
};

/// Puts what the user chose in the insert-object dialog into the field's
/// row: the file embedded or linked, or a new document of the field's class,
/// which is then opened. Cancel changes nothing.
DocumentInsert insertChosenDocument(const InsertObjectChoice &choice, DocumentField &field);
