#pragma once

#include "screens/screendeclaration.h"

/// Short ways to state the rows of a screen's tables.
namespace declare {

FieldDeclaration text(const QString &name, const QString &label, const QString &caption, const QString &column,
                      Twips geometry, int tabIndex, const QString &source = QStringLiteral("Data1"));
FieldDeclaration multiLine(const QString &name, const QString &label, const QString &caption, const QString &column,
                           Twips geometry, int tabIndex, ScrollBars scrollBars = ScrollBars::None);
FieldDeclaration lookup(const QString &name, const QString &label, const QString &caption, const QString &column,
                        Twips geometry, int tabIndex, LookupDeclaration list);
/// A document field (the insert-object dialog offers "新建" of documentClass when given).
FieldDeclaration document(const QString &name, const QString &label, const QString &caption, const QString &column,
                          Twips geometry, int tabIndex, const QString &documentClass = QString());
ButtonDeclaration button(const QString &name, const QString &caption, Twips geometry, int tabIndex,
                         std::shared_ptr<const Command> command, bool enabledAtStart = true);

} // namespace declare
