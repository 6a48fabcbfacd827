#include "support/userinput.h"

#include "screens/screen.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QComboBox>
#include <QInputMethodEvent>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTableView>
#include <QTest>

namespace userinput {

std::unique_ptr<Screen> showScreen(const ScreenDeclaration &declaration, Dialogs &dialogs, QString &lastSearchText)
{
    auto screen = std::make_unique<Screen>(declaration, dialogs, lastSearchText);
    screen->show();
    if (!QTest::qWaitForWindowExposed(screen.get()))
        qWarning("%s was not exposed", qPrintable(declaration.name));
    if (!screen->buildFailures().isEmpty())
        qWarning("%s", qPrintable(screen->buildFailures().join(QLatin1Char('\n'))));
    return screen;
}

QWidget *control(Screen &screen, const QString &name)
{
    auto *found = screen.findChild<QWidget *>(name);
    if (!found)
        qFatal("no control %s", qPrintable(name));
    return found;
}

QString shown(Screen &screen, const QString &name)
{
    QWidget *field = control(screen, name);
    if (auto *combo = qobject_cast<QComboBox *>(field))
        return combo->currentText();
    if (auto *text = qobject_cast<QPlainTextEdit *>(field))
        return text->toPlainText();
    return qobject_cast<QLineEdit *>(field)->text();
}

void press(Screen &screen, const QString &button)
{
    QPushButton *found = screen.button(button);
    QVERIFY2(found, qPrintable(button));
    QTest::mouseClick(found, Qt::LeftButton);
}

void type(Screen &screen, const QString &name, const QString &text)
{
    QWidget *field = control(screen, name);
    for (const QChar character : text) {
        if (character.unicode() < 0x80) {
            QTest::keyClick(field, character.toLatin1());
        } else {
            QInputMethodEvent commit;
            commit.setCommitString(QString(character));
            QApplication::sendEvent(field, &commit);
        }
    }
}

void retype(Screen &screen, const QString &name, const QString &text)
{
    QWidget *field = control(screen, name);
    QTest::keyClick(field, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClick(field, Qt::Key_Backspace);
    type(screen, name, text);
}

void choose(Screen &screen, const QString &name, const QString &entry)
{
    auto *combo = qobject_cast<QComboBox *>(control(screen, name));
    const int row = combo->findText(entry);
    QVERIFY2(row >= 0, qPrintable(entry));
    combo->showPopup();
    QAbstractItemView *view = combo->view();
    view->setCurrentIndex(view->model()->index(row, 0));
    QTest::keyClick(view, Qt::Key_Return);
    QCOMPARE(combo->currentText(), entry);
}

QTableView *grid(Screen &screen)
{
    return screen.findChild<QTableView *>(QStringLiteral("DBGrid1"));
}

void clickGridRow(Screen &screen, int row)
{
    QTableView *view = grid(screen);
    const QModelIndex index = view->model()->index(row, 0);
    view->scrollTo(index);
    QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, view->visualRect(index).center());
}

} // namespace userinput
