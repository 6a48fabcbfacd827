#pragma once

#include "data/result.h"

/// A field that holds a document of the current row and offers the
/// insert-object dialog in which the user embeds or links one.
class DocumentField
{
public:
    virtual ~DocumentField() = default;

    /// Shows the insert-object dialog; a chosen document goes into the
    /// current row's document column, to be written with the row.
    virtual Result insertObject() = 0;
};
