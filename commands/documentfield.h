#pragma once

#include "data/result.h"

#include <QString>

class Document;

/// A field that holds the document of the current row, for the commands
/// that put one in and open it.
class DocumentField
{
public:
    virtual ~DocumentField() = default;

    /// The class "新建" makes a document of ("Word.Document.8"); empty when
    /// the field offers no new document.
    virtual QString documentClass() const = 0;
    /// Puts a document into the current row's document column, to be written
    /// with the row. Fails when no row can take it.
    virtual Result setDocument(const Document &document) = 0;
    /// Opens the document in the desktop's application for its type; an
    /// embedded one from a private copy whose saved changes come back as an
    /// edit of the row.
    virtual Result openDocument() = 0;
};
