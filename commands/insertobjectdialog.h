#pragma once

#include "commands/dialogs.h"

#include <QDialog>

class QCheckBox;
class QDialogButtonBox;
class QLineEdit;
class QRadioButton;

/// The insert-object dialog: a file to embed or link, or, where the field
/// has a document class, a new document of that class.
class InsertObjectDialog : public QDialog
{
    Q_OBJECT

public:
    InsertObjectDialog(const QString &documentClass, QWidget *parent = nullptr);

    InsertObjectChoice choice() const;

private:
    void browse();
    void updateOk();

    QRadioButton *m_fromFile;
    QRadioButton *m_new;
    QLineEdit *m_path;
    QCheckBox *m_link;
    QDialogButtonBox *m_buttons;
};
