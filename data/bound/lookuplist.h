#pragma once

#include <QComboBox>

class RecordSource;

/// A lookup list: lists the shown column of its list source (filled once),
/// displays the entry whose bound value equals the main row's column, and
/// writes the bound value of the entry the user chooses. A stored code that
/// matches no entry is left as it is, shown greyed, until the user chooses.
class LookupList : public QComboBox
{
    Q_OBJECT

public:
    LookupList(RecordSource &mainSource, int column, const RecordSource &listSource, const QString &shownColumn,
               const QString &boundColumn, QWidget *parent = nullptr);

    /// The bound value the list holds: the chosen entry's, else the row's own
    /// code as stored (a code that differs in case from its entry stays so).
    QString boundValue() const;

private:
    void showCurrentValue();

    RecordSource &m_source;
    int m_column;
};
