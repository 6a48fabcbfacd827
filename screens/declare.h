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
/// The tab index of a control that focusOrder() places.
inline constexpr int kInFocusOrder = 0;

/// Gives the fields, the grid and the buttons their tab indexes in the order
/// named. A name the screen does not have, or a control left out, is an
/// error of the declaration (std::logic_error).
void focusOrder(ScreenDeclaration &screen, const QStringList &order);

ButtonDeclaration button(const QString &name, const QString &caption, Twips geometry, int tabIndex,
                         std::shared_ptr<const Command> command, bool enabledAtStart = true);

} // namespace declare
