#include "bound/boundtextedit.h"

#include "data/records/fieldtext.h"
#include "data/records/recordsource.h"

BoundTextEdit::BoundTextEdit(RecordSource &source, int column, bool horizontalScrollBar, bool verticalScrollBar,
                             QWidget *parent)
    : QPlainTextEdit(parent), m_source(source), m_column(column)
{
    setTabChangesFocus(true);
    setLineWrapMode(horizontalScrollBar ? QPlainTextEdit::NoWrap : QPlainTextEdit::WidgetWidth);
    setHorizontalScrollBarPolicy(horizontalScrollBar ? Qt::ScrollBarAlwaysOn : Qt::ScrollBarAlwaysOff);
    // A field given a horizontal bar only shows that one.
    setVerticalScrollBarPolicy(verticalScrollBar     ? Qt::ScrollBarAlwaysOn
                               : horizontalScrollBar ? Qt::ScrollBarAlwaysOff
                                                     : Qt::ScrollBarAsNeeded);
    connect(&source, &RecordSource::currentChanged, this, &BoundTextEdit::showCurrentValue);
    connect(&source, &RecordSource::valueEdited, this, [this](int edited) {
        if (edited == m_column && toPlainText() != fieldText(m_source.value(m_column)))
            showCurrentValue();
    });
    connect(this, &QPlainTextEdit::textChanged, this, [this] {
        if (!m_showing)
            m_source.setValue(m_column, toPlainText());
    });
    showCurrentValue();
}

void BoundTextEdit::showCurrentValue()
{
    m_showing = true;
    setReadOnly(!m_source.isEditable());
    setPlainText(fieldText(m_source.value(m_column)));
    m_showing = false;
}
