#include "screens/declare.h"

namespace declare {

FieldDeclaration text(const QString &name, const QString &label, const QString &caption, const QString &column,
                      Twips geometry, int tabIndex, const QString &source)
{
    FieldDeclaration field;
    field.name = name;
    field.labelName = label;
    field.caption = caption;
    field.source = source;
    field.column = column;
    field.geometry = geometry;
    field.tabIndex = tabIndex;
    return field;
}

FieldDeclaration multiLine(const QString &name, const QString &label, const QString &caption, const QString &column,
                           Twips geometry, int tabIndex, ScrollBars scrollBars)
{
    FieldDeclaration field = text(name, label, caption, column, geometry, tabIndex);
    field.kind = FieldKind::MultiLineText;
    field.scrollBars = scrollBars;
    return field;
}

FieldDeclaration lookup(const QString &name, const QString &label, const QString &caption, const QString &column,
                        Twips geometry, int tabIndex, LookupDeclaration list)
{
    FieldDeclaration field = text(name, label, caption, column, geometry, tabIndex);
    field.kind = FieldKind::Lookup;
    field.lookup = std::move(list);
    return field;
}

FieldDeclaration document(const QString &name, const QString &label, const QString &caption, const QString &column,
                          Twips geometry, int tabIndex, const QString &documentClass)
{
    FieldDeclaration field = text(name, label, caption, column, geometry, tabIndex);
    field.kind = FieldKind::Document;
    field.documentClass = documentClass;
    return field;
}

ButtonDeclaration button(const QString &name, const QString &caption, Twips geometry, int tabIndex,
                         std::shared_ptr<const Command> command, bool enabledAtStart)
{
    return {name, caption, geometry, tabIndex, enabledAtStart, std::move(command)};
}

} // namespace declare
