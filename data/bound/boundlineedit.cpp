#include "data/bound/boundlineedit.h"

#include "data/bound/fieldtext.h"
#include "data/recordsource.h"

BoundLineEdit::BoundLineEdit(RecordSource &source, int column, QWidget *parent)
    : QLineEdit(parent), m_source(source), m_column(column)
{
    connect(&source, &RecordSource::currentChanged, this, &BoundLineEdit::showCurrentValue);
    connect(&source, &RecordSource::valueEdited, this, [this](int edited) {
        if (edited == m_column && text() != fieldText(m_source.value(m_column)))
            showCurrentValue();
    });
    connect(this, &QLineEdit::textEdited, this, [this](const QString &typed) { m_source.setValue(m_column, typed); });
    showCurrentValue();
}

void BoundLineEdit::showCurrentValue()
{
    setReadOnly(!m_source.isEditable());
    setText(fieldText(m_source.value(m_column)));
    setCursorPosition(0);
}
