#include "bound/boundlineedit.h"

#include "data/records/fieldtext.h"
#include "data/records/recordsource.h"

#include <QKeyEvent>

#include <limits>

BoundLineEdit::BoundLineEdit(RecordSource &source, int column, QWidget *parent)
    : QLineEdit(parent), m_source(source), m_column(column)
{
    // A stored text of any length is shown and written back whole, never cut at the widget's default limit.
    setMaxLength(std::numeric_limits<int>::max());
    connect(&source, &RecordSource::currentChanged, this, &BoundLineEdit::showCurrentValue);
    connect(&source, &RecordSource::valueEdited, this, [this](int edited) {
        if (edited == m_column && text() != fieldText(m_source.value(m_column)))
            showCurrentValue();
    });
    // Any change not made by showing the row is the user's: typing, pasting, an
    // input method, or a screen reader setting the text.
    connect(this, &QLineEdit::textChanged, this, [this](const QString &typed) {
        if (!m_showing && !m_source.setValue(m_column, typed))
            showCurrentValue();
    });
    showCurrentValue();
}

void BoundLineEdit::showCurrentValue()
{
    m_showing = true;
    setReadOnly(!m_source.isEditable());
    setText(fieldText(m_source.value(m_column)));
    setCursorPosition(0);
    m_showing = false;
}

void BoundLineEdit::keyPressEvent(QKeyEvent *event)
{
    const bool toStart = event->matches(QKeySequence::MoveToStartOfDocument) || event->matches(QKeySequence::SelectStartOfDocument);
    const bool toEnd = event->matches(QKeySequence::MoveToEndOfDocument) || event->matches(QKeySequence::SelectEndOfDocument);
    if (!toStart && !toEnd) {
        QLineEdit::keyPressEvent(event);
        return;
    }
    const bool select = event->modifiers().testFlag(Qt::ShiftModifier);
    if (toStart)
        home(select);
    else
        end(select);
    event->accept();
}
