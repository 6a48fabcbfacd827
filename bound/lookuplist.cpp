#include "bound/lookuplist.h"

#include "data/records/fieldtext.h"
#include "bound/lookuplistmodel.h"
#include "data/records/recordsource.h"

#include <QApplication>
#include <QKeyEvent>
#include <QListView>
#include <QProxyStyle>

namespace {

/// Drops the list below the field, as a long list must: the style's own
/// popup measures every entry before it opens.
class DropDownStyle : public QProxyStyle
{
public:
    using QProxyStyle::QProxyStyle;

    int styleHint(StyleHint hint, const QStyleOption *option, const QWidget *widget,
                  QStyleHintReturn *returnData) const override
    {
        if (hint == QStyle::SH_ComboBox_Popup)
            return 0;
        return QProxyStyle::styleHint(hint, option, widget, returnData);
    }
};

} // namespace

LookupList::LookupList(RecordSource &mainSource, int column, const RecordSource &listSource,
                       const QString &shownColumn, const QString &boundColumn, QWidget *parent)
    : QComboBox(parent), m_source(mainSource), m_column(column),
      m_model(new LookupListModel(LookupEntries(listSource, shownColumn, boundColumn), this))
{
    auto *style = new DropDownStyle;
    style->setParent(this);
    setStyle(style);
    setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    auto *view = new QListView(this);
    view->setUniformItemSizes(true);
    setView(view);
    setModel(m_model);
    m_model->entries().readWithRows(mainSource, column);
    connect(&listSource, &RecordSource::keysetReset, this, [this, &listSource, shownColumn, boundColumn] {
        m_model->setEntries(LookupEntries(listSource, shownColumn, boundColumn));
        showCurrentValue();
    });
    connect(&mainSource, &RecordSource::currentChanged, this, &LookupList::showCurrentValue);
    connect(&mainSource, &RecordSource::valueEdited, this, [this](int edited) {
        if (edited == m_column)
            showCurrentValue();
    });
    connect(this, QOverload<int>::of(&QComboBox::activated), this, [this](int index) {
        if (!m_source.setValue(m_column, m_model->entries().boundValue(index)))
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
    const int match = stored.isEmpty() ? -1 : m_model->entries().indexOfRowValue(m_source, m_column, stored);
    setPlaceholderText(match < 0 ? stored : QString());
    setCurrentIndex(match);
    setEnabled(m_source.isEditable());
}

void LookupList::keyPressEvent(QKeyEvent *event)
{
    const QString text = event->text();
    const bool goingOn = m_typing.isValid() && !m_typing.hasExpired(QApplication::keyboardInputInterval());
    const bool typed = !text.isEmpty() && text.at(0).isPrint()
                       && (event->modifiers() & ~Qt::ShiftModifier) == Qt::NoModifier
                       && (event->key() != Qt::Key_Space || goingOn);
    if (!typed) {
        QComboBox::keyPressEvent(event);
        return;
    }
    m_typed = goingOn ? m_typed + text : text;
    m_typing.start();
    const int found = m_model->entries().indexOfShownPrefix(m_typed);
    if (found >= 0 && found != currentIndex()) {
        setCurrentIndex(found);
        emit activated(found);
    }
}
