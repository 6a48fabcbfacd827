#include "bound/documentinsert.h"

#include "commands/documentfield.h"
#include "data/records/document.h"

namespace {

DocumentInsert notInserted(const Result &failure)
{
    return {false, failure};
}

DocumentInsert insertNew(DocumentField &field)
{
    Document document;
    if (Result made = Document::newOfClass(field.documentClass(), &document); !made)
        return notInserted(made);
    if (Result set = field.setDocument(document); !set)
        return notInserted(set);
    Result opened = field.openDocument();
    if (!opened)
        opened = Result::failure(QStringLiteral("已新建「%1」並放入這筆資料,會隨資料一起儲存。\n%2")
                                     .arg(document.fileName(), opened.message()));
    return {true, opened};
}

} // namespace

DocumentInsert insertChosenDocument(const InsertObjectChoice &choice, DocumentField &field)
{
    switch (choice.action) {
    case InsertObjectChoice::Action::Cancel:
        return notInserted(Result::success());
    case InsertObjectChoice::Action::New:
        return insertNew(field);
    case InsertObjectChoice::Action::FromFile:
        break;
    }
    Document document;
    if (Result made = Document::fromFile(choice.path, choice.link, &document); !made)
        return notInserted(made);
    if (Result set = field.setDocument(document); !set)
        return notInserted(set);
    return {true, Result::success()};
}
