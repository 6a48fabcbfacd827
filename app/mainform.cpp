#include "app/mainform.h"

#include "app/moleculepicture.h"
#include "commands/dialogs.h"
#include "data/connection/databaselocation.h"
#include "screens/screen.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QLabel>
#include <QMenuBar>
#include <QVBoxLayout>

#include <stdexcept>

namespace {

// Long enough that a user reading a record keeps the connection, short enough that a workstation left
// alone frees its slot on the server.
constexpr std::chrono::minutes kIdleBeforeRest{5};

QFont boldFont(const QString &family, double pointSize)
{
    QFont font(family);
    font.setPointSizeF(pointSize);
    font.setBold(true);
    return font;
}

QLabel *label(const QString &name, const QString &text, const QFont &font, QWidget *parent)
{
    auto *created = new QLabel(text, parent);
    created->setObjectName(name);
    created->setFont(font);
    created->setAlignment(Qt::AlignCenter);
    return created;
}

} // namespace

MainForm::MainForm(Dialogs &dialogs, QWidget *parent)
    : QMainWindow(parent), m_dialogs(dialogs), m_quit([] { QCoreApplication::exit(0); }),
      m_idleRest(kIdleBeforeRest)
{
    setObjectName(QStringLiteral("MainForm"));
    setWindowTitle(QStringLiteral("Management information system"));
    setFont(boldFont(QStringLiteral("新細明體"), 9));
    buildContents();
    buildMenu();
    openSharedConnection();
}

MainForm::~MainForm()
{
    for (auto &[form, slot] : m_screens)
        delete slot.window;
}

Screen *MainForm::showScreen(const QString &form)
{
    auto found = m_screens.find(form);
    if (found == m_screens.end())
        return nullptr;
    ScreenSlot &slot = found->second;
    if (slot.window) {
        slot.window->setWindowState(slot.window->windowState() & ~Qt::WindowMinimized);
        slot.window->show();
        slot.window->raise();
        slot.window->activateWindow();
        return slot.window;
    }
    if (!slot.entry.declaration) {
        m_dialogs.tell(QStringLiteral("「%1」的畫面尚未提供。").arg(slot.entry.caption));
        return nullptr;
    }
    Screen *screen = nullptr;
    try {
        screen = new Screen(slot.entry.declaration(), m_dialogs, slot.lastSearchText);
    } catch (const std::logic_error &error) {
        m_dialogs.tell(
            QStringLiteral("「%1」的畫面無法建立: %2").arg(slot.entry.caption, QString::fromUtf8(error.what())));
        return nullptr;
    }
    screen->setAttribute(Qt::WA_DeleteOnClose);
    slot.window = screen;
    if (m_places) {
        m_places->restore(form, *screen);
        screen->installEventFilter(this);
    }
    screen->show();
    // What went wrong in making the screen is told in one box, however many of its sources met it.
    QStringList failures = screen->buildFailures();
    failures.removeDuplicates();
    if (!failures.isEmpty())
        m_dialogs.tell(failures.join(QLatin1Char('\n')));
    return screen;
}

Screen *MainForm::openScreen(const QString &form) const
{
    const auto found = m_screens.find(form);
    return found == m_screens.end() ? nullptr : found->second.window.data();
}

void MainForm::endSystem()
{
    bool allWritten = true;
    for (auto &[form, slot] : m_screens) {
        if (slot.window && !slot.window->writePendingEdits())
            allWritten = false;
    }
    if (!allWritten) {
        if (!m_dialogs.confirmNoDefault(kGiveUpQuestion))
            return;
        for (auto &[form, slot] : m_screens) {
            if (slot.window)
                slot.window->discardEdits();
        }
    }
    saveOpenPlaces();
    m_module1.connection.close();
    m_quit();
}

void MainForm::rememberPlacesIn(const QString &settingsFile)
{
    m_places.emplace(settingsFile);
    m_places->restore(objectName(), *this);
}

void MainForm::closeEvent(QCloseEvent *event)
{
    if (m_places)
        m_places->save(objectName(), *this);
    QMainWindow::closeEvent(event);
}

bool MainForm::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::Close && m_places) {
        for (const auto &[form, slot] : m_screens) {
            if (slot.window == watched)
                m_places->save(form, *slot.window);
        }
    }
    return QMainWindow::eventFilter(watched, event);
}

void MainForm::saveOpenPlaces() const
{
    if (!m_places)
        return;
    m_places->save(objectName(), *this);
    for (const auto &[form, slot] : m_screens) {
        if (slot.window)
            m_places->save(form, *slot.window);
    }
}

void MainForm::buildContents()
{
    auto *contents = new QWidget(this);
    auto *layout = new QVBoxLayout(contents);
    layout->addWidget(label(QStringLiteral("Label1"), QStringLiteral("MANAGEMENT  INFORMATION  SYSTEM"),
                            boldFont(QStringLiteral("華康新儷粗黑"), 15.75), contents));
    auto *picture = new MoleculePicture(contents);
    picture->setObjectName(QStringLiteral("OLE1"));
    picture->setMinimumSize(220, 220);
    layout->addWidget(picture, 1);
    layout->addWidget(label(QStringLiteral("Label3"), QStringLiteral("設計製作:vemo 設備維護資訊小組"),
                            boldFont(QStringLiteral("新細明體"), 12.75), contents));
    layout->addWidget(label(QStringLiteral("Label2"), QStringLiteral("指導顧問:客戶服務部"),
                            boldFont(QStringLiteral("新細明體"), 14.25), contents));
    setCentralWidget(contents);
    resize(780, 480);
}

void MainForm::buildMenu()
{
    for (const MenuGroup &group : menuGroups()) {
        QMenu *menu = menuBar()->addMenu(group.caption);
        menu->setObjectName(group.name);
        menu->setFont(font());
        for (const ScreenEntry &entry : group.entries) {
            QAction *action = menu->addAction(entry.caption);
            action->setObjectName(entry.name);
            m_screens[entry.form] = ScreenSlot{entry, QString(), nullptr};
            const QString form = entry.form;
            connect(action, &QAction::triggered, this, [this, form] { showScreen(form); });
        }
    }
    QAction *end = menuBar()->addAction(kEndEntryCaption);
    end->setObjectName(kEndEntryName);
    connect(end, &QAction::triggered, this, &MainForm::endSystem);
}

void MainForm::openSharedConnection()
{
    const Result opened = m_module1.connection.openConnectionString(kSharedConnectionString, QString(), QString());
    // Said at the start, not first at a save the user has typed for.
    const QString message = opened ? readOnlyReason(kDatabasePath) : opened.message();
    if (!message.isEmpty())
        m_dialogs.show({message, QString(), MessageButtons::Ok, MessageIcon::None, MessageAnswer::Ok});
}
