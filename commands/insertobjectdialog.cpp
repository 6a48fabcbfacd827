#include "commands/insertobjectdialog.h"

#include "commands/filechooser.h"

#include <QCheckBox>
#include <QDir>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>

InsertObjectDialog::InsertObjectDialog(const QString &documentClass, QWidget *parent)
    : QDialog(parent),
      m_fromFile(new QRadioButton(QStringLiteral("由檔案建立"), this)),
      m_new(new QRadioButton(QStringLiteral("新建"), this)),
      m_path(new QLineEdit(this)),
      m_link(new QCheckBox(QStringLiteral("連結"), this)),
      m_buttons(new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this))
{
    setWindowTitle(kInsertObjectTitle);
    auto *browse = new QPushButton(QStringLiteral("瀏覽..."), this);
    auto *fileLabel = new QLabel(QStringLiteral("檔案:"), this);
    fileLabel->setBuddy(m_path);
    auto *classLabel = new QLabel(QStringLiteral("物件類型: %1").arg(documentClass), this);
    m_fromFile->setChecked(true);
    m_new->setVisible(!documentClass.isEmpty());
    classLabel->setVisible(!documentClass.isEmpty());
    m_link->setToolTip(QStringLiteral("勾選時只存檔案的路徑,不勾選時存入檔案的複本"));

    auto *layout = new QGridLayout(this);
    layout->addWidget(m_fromFile, 0, 0, 1, 3);
    layout->addWidget(fileLabel, 1, 0);
    layout->addWidget(m_path, 1, 1);
    layout->addWidget(browse, 1, 2);
    layout->addWidget(m_link, 2, 1);
    layout->addWidget(m_new, 3, 0, 1, 3);
    layout->addWidget(classLabel, 4, 1, 1, 2);
    layout->addWidget(m_buttons, 5, 0, 1, 3);
    resize(480, sizeHint().height());

    connect(browse, &QPushButton::clicked, this, &InsertObjectDialog::browse);
    connect(m_path, &QLineEdit::textChanged, this, &InsertObjectDialog::updateOk);
    connect(m_fromFile, &QRadioButton::toggled, this, &InsertObjectDialog::updateOk);
    connect(m_buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(m_buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    updateOk();
}

InsertObjectChoice InsertObjectDialog::choice() const
{
    if (result() != QDialog::Accepted)
        return {};
    if (m_new->isChecked())
        return {InsertObjectChoice::Action::New, QString(), false};
    return {InsertObjectChoice::Action::FromFile, m_path->text(), m_link->isChecked()};
}

void InsertObjectDialog::browse()
{
    const QString path = chooseFileToOpen(this, QStringLiteral("瀏覽"), m_path->text());
    if (!path.isEmpty()) {
        m_path->setText(QDir::toNativeSeparators(path));
        m_fromFile->setChecked(true);
    }
}

void InsertObjectDialog::updateOk()
{
    const bool ready = m_new->isChecked() || !m_path->text().trimmed().isEmpty();
    m_buttons->button(QDialogButtonBox::Ok)->setEnabled(ready);
    m_path->setEnabled(m_fromFile->isChecked());
    m_link->setEnabled(m_fromFile->isChecked());
}
