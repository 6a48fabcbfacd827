#pragma once

#include <QComboBox>
#include <QElapsedTimer>

class LookupListModel;
class RecordSource;

/// A lookup list: lists the shown column of its list source's rows as they
/// stood when the list was made, reading the texts as they come into view;
/// displays the entry whose bound value equals the main row's column, and
/// writes the bound value of the entry the user chooses. Typing picks the
/// entry whose text starts with what was typed. A stored code that matches
/// no entry is left as it is, shown greyed, until the user chooses.
class LookupList : public QComboBox
{
    Q_OBJECT

public:
    LookupList(RecordSource &mainSource, int column, const RecordSource &listSource, const QString &shownColumn,
               const QString &boundColumn, QWidget *parent = nullptr);

    /// The bound value the list holds: the chosen entry's, else the row's own
    /// code as stored (a code that differs in case from its entry stays so).
    QString boundValue() const;

protected:
    /// Typed text, blanks included, picks the entry it starts; keys typed
    /// within the keyboard input interval add to the text.
    void keyPressEvent(QKeyEvent *event) override;

private:
    void showCurrentValue();

    RecordSource &m_source;
    int m_column;
    LookupListModel *m_model;
    QString m_typed;
    QElapsedTimer m_typing;
};
