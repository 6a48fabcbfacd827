#include "data/bound/lookuplist.h"

#include "data/bound/fieldtext.h"
#include "data/recordsource.h"

LookupList::LookupList(RecordSource &mainSource, int column, const RecordSource &listSource,
                       const QString &shownColumn, const QString &boundColumn, QWidget *parent)
    : QComboBox(parent), m_source(mainSource), m_column(column)
{
    const auto rows = listSource.readColumns({shownColumn, boundColumn});
    for (const auto &row : rows)
        addItem(fieldText(row.at(0)), fieldText(row.at(1)));
    connect(&mainSource, &RecordSource::currentChanged, this, &LookupList::showCurrentValue);
    connect(&mainSource, &RecordSource::valueEdited, this, [this](int edited) {
        if (edited == m_column)
            showCurrentValue();
    });
    connect(this, QOverload<int>::of(&QComboBox::activated), this, [this](int index) {
        if (!m_source.setValue(m_column, itemData(index)))
            showCurrentValue();
    });
    showCurrentValue();
}

QString LookupList::boundValue() const
{
    // Choosing writes the entry's value into the row, so the row always holds it.
    return fieldText(m_source.value(m_column));
}

void LookupList::showCurrentValue()
{
    const QString stored = fieldText(m_source.value(m_column));
    // The engine compares codes without regard to case; so does the list.
    const int match = stored.isEmpty() ? -1 : findData(stored, Qt::UserRole, Qt::MatchFixedString);
    setPlaceholderText(match < 0 ? stored : QString());
    setCurrentIndex(match);
    setEnabled(m_source.isEditable());
}
