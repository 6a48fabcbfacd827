#include "screens/declare.h"

#include <stdexcept>

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

void focusOrder(ScreenDeclaration &screen, const QStringList &order)
{
    QStringList controls;
    QVector<int *> tabIndexes;
    for (FieldDeclaration &field : screen.fields) {
        controls << field.name;
        tabIndexes << &field.tabIndex;
    }
    if (screen.grid) {
        controls << kGridName;
        tabIndexes << &screen.grid->tabIndex;
    }
    for (FrameDeclaration &frame : screen.frames) {
        for (ButtonDeclaration &button : frame.buttons) {
            controls << button.name;
            tabIndexes << &button.tabIndex;
        }
    }
    QStringList wrong;
    for (const QString &name : controls) {
        if (order.count(name) != 1)
            wrong << name;
    }
    for (const QString &name : order) {
        if (!controls.contains(name))
            wrong << name;
    }
    if (!wrong.isEmpty())
        throw std::logic_error(QStringLiteral("%1 的宣告有誤: 焦點順序未恰好排入一次: %2。")
                                   .arg(screen.name, wrong.join(QLatin1Char(' ')))
                                   .toStdString());
    for (int i = 0; i < controls.size(); ++i)
        *tabIndexes.at(i) = int(order.indexOf(controls.at(i))) + 1;
}

} // namespace declare
