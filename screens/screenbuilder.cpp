#include "screens/screenbuilder.h"

#include "commands/dialogs.h"
#include "bound/bounddocumentfield.h"
#include "bound/boundlineedit.h"
#include "bound/boundtextedit.h"
#include "bound/lookuplist.h"
#include "bound/recordgrid.h"
#include "data/connection/databaselocation.h"
#include "data/records/recordsource.h"
#include "screens/screen.h"

#include <QGroupBox>
#include <QLabel>
#include <QPushButton>

#include <stdexcept>

namespace {

constexpr int kTwipsPerInch = 1440;
constexpr int kLabelGapTwips = 60;

QFont screenFont(double pointSize)
{
    QFont font(kScreenFontFamily);
    font.setPointSizeF(pointSize);
    font.setBold(true);
    return font;
}

/// Names a declaration uses, by kind, for the check that they exist.
struct DeclaredNames
{
    QStringList sources;
    QStringList controls;
    QStringList buttons;
    QStringList documentFields;
};

DeclaredNames declaredNames(const ScreenDeclaration &declaration)
{
    DeclaredNames names;
    for (const SourceDeclaration &source : declaration.sources)
        names.sources << source.name;
    for (const FieldDeclaration &field : declaration.fields) {
        names.controls << field.name;
        if (field.kind == FieldKind::Document)
            names.documentFields << field.name;
    }
    if (declaration.grid)
        names.controls << kGridName;
    for (const FrameDeclaration &frame : declaration.frames) {
        for (const ButtonDeclaration &button : frame.buttons)
            names.buttons << button.name;
    }
    return names;
}

void requireNames(const QString &screen, const QString &user, const QString &kind, const QStringList &named,
                  const QStringList &declared)
{
    for (const QString &name : named) {
        if (!declared.contains(name))
            throw std::logic_error(QStringLiteral("%1 的宣告有誤: %2 指定的%3「%4」不在畫面上。")
                                       .arg(screen, user, kind, name)
                                       .toStdString());
    }
}

constexpr double kSmallestCaptionPointSize = 6;

/// A word wider than the room would be cut off: the caption's font shrinks,
/// half a point at a time, until its widest word fits.
void shrinkUntilEveryWordFits(QLabel *label, int room)
{
    QFont font = label->font();
    const QStringList words = label->text().split(QLatin1Char(' '), Qt::SkipEmptyParts);
    const auto widestWord = [&] {
        const QFontMetrics metrics(font);
        int widest = 0;
        for (const QString &word : words)
            widest = std::max(widest, metrics.horizontalAdvance(word));
        return widest;
    };
    while (widestWord() > room && font.pointSizeF() > kSmallestCaptionPointSize)
        font.setPointSizeF(font.pointSizeF() - 0.5);
    label->setFont(font);
}

void paint(QWidget *widget, QPalette::ColorRole role, const QColor &colour)
{
    QPalette palette = widget->palette();
    palette.setColor(role, colour);
    widget->setPalette(palette);
}

} // namespace

ScreenBuilder::ScreenBuilder(Screen &screen) : m_screen(screen) {}

void ScreenBuilder::build()
{
    const ScreenDeclaration &declaration = m_screen.m_declaration;
    checkNames();
    buildWindow();
    openSources();
    for (const FieldDeclaration &field : declaration.fields)
        buildField(field);
    if (declaration.grid)
        buildGrid(*declaration.grid);
    for (const LineDeclaration &line : declaration.lines)
        buildLine(line);
    for (const FrameDeclaration &frame : declaration.frames)
        buildFrame(frame);
    orderTabs();
    // The builder lives only while the screen is made: connections capture the screen.
    Screen *screen = &m_screen;
    if (declaration.boundaryCheck) {
        if (RecordSource *main = m_screen.source(kMainSource))
            QObject::connect(main, &RecordSource::repositioned, screen,
                             [screen] { screen->run(screen->m_boundaryCheck); });
    }
}

void ScreenBuilder::checkNames() const
{
    const ScreenDeclaration &declaration = m_screen.m_declaration;
    const DeclaredNames names = declaredNames(declaration);
    const QString source = QStringLiteral("資料來源");
    for (const FieldDeclaration &field : declaration.fields) {
        requireNames(declaration.name, field.name, source, {field.source}, names.sources);
        if (field.kind == FieldKind::Lookup)
            requireNames(declaration.name, field.name, source, {field.lookup.listSource}, names.sources);
    }
    if (declaration.grid)
        requireNames(declaration.name, kGridName, source, {declaration.grid->source}, names.sources);
    if (declaration.boundaryCheck)
        requireNames(declaration.name, QStringLiteral("Data1"), source, {kMainSource}, names.sources);
    for (const FrameDeclaration &frame : declaration.frames) {
        for (const ButtonDeclaration &button : frame.buttons) {
            if (!button.command)
                continue;
            const CommandTargets targets = button.command->targets();
            requireNames(declaration.name, button.name, source, targets.sources, names.sources);
            requireNames(declaration.name, button.name, QStringLiteral("控制項"), targets.controls, names.controls);
            requireNames(declaration.name, button.name, QStringLiteral("按鈕"), targets.buttons, names.buttons);
            requireNames(declaration.name, button.name, QStringLiteral("文件欄位"), targets.documentFields,
                         names.documentFields);
        }
    }
}

void ScreenBuilder::buildWindow()
{
    const ScreenDeclaration &declaration = m_screen.m_declaration;
    m_screen.setObjectName(declaration.name);
    m_screen.setWindowTitle(declaration.caption);
    m_screen.setFixedSize(pixels(declaration.clientWidth), pixels(declaration.clientHeight));
    m_screen.setAutoFillBackground(true);
    paint(&m_screen, QPalette::Window, kScreenBackground);
}

void ScreenBuilder::openSources()
{
    bool unreachable = false;
    for (const SourceDeclaration &declared : m_screen.m_declaration.sources) {
        auto *source = new RecordSource(declared.name, &m_screen);
        m_screen.m_sources.insert(declared.name, source);
        Dialogs *dialogs = &m_screen.dialogs();
        source->setConflictResolver(
            [dialogs](const QVector<EditConflict> &conflicts) { return dialogs->askOverwrite(conflicts); });
        if (unreachable)
            continue;
        source->showDocuments(documentColumns(declared.name));
        if (Result opened = source->open(kDatabasePath, declared.table); !opened) {
            m_screen.m_buildFailures << opened.message();
            // A database that cannot be opened is told once, not once for every source of the screen.
            unreachable = opened.message().startsWith(kCannotOpen);
        }
    }
}

QStringList ScreenBuilder::documentColumns(const QString &source) const
{
    QStringList columns;
    for (const FieldDeclaration &field : m_screen.m_declaration.fields) {
        if (field.kind == FieldKind::Document && field.source == source)
            columns << field.column;
    }
    return columns;
}

void ScreenBuilder::buildField(const FieldDeclaration &field)
{
    RecordSource *source = m_screen.source(field.source);
    const int column = source->columnIndex(field.column);
    QWidget *widget = nullptr;
    if (column >= 0) {
        source->setColumnCaption(column, field.caption);
        widget = makeFieldWidget(field, *source, column);
    } else {
        if (source->isOpen())
            m_screen.m_buildFailures << QStringLiteral("資料表 '%1' 沒有欄位 '%2'。").arg(source->table(), field.column);
        widget = new QLineEdit(&m_screen);
        widget->setEnabled(false);
    }
    widget->setObjectName(field.name);
    widget->setAccessibleName(field.caption);
    place(widget, field.geometry);
    buildLabel(field, widget);
    m_tabOrder.insert(field.tabIndex, widget);
}

QWidget *ScreenBuilder::makeFieldWidget(const FieldDeclaration &field, RecordSource &source, int column)
{
    switch (field.kind) {
    case FieldKind::Text:
        return new BoundLineEdit(source, column, &m_screen);
    case FieldKind::MultiLineText: {
        const bool horizontal = field.scrollBars == ScrollBars::Horizontal || field.scrollBars == ScrollBars::Both;
        const bool vertical = field.scrollBars == ScrollBars::Vertical || field.scrollBars == ScrollBars::Both;
        return new BoundTextEdit(source, column, horizontal, vertical, &m_screen);
    }
    case FieldKind::Lookup: {
        const RecordSource &list = *m_screen.source(field.lookup.listSource);
        if (list.isOpen()
            && (list.columnIndex(field.lookup.shownColumn) < 0 || list.columnIndex(field.lookup.boundColumn) < 0))
            m_screen.m_buildFailures << QStringLiteral("資料表 '%1' 沒有欄位 '%2' 或 '%3'。")
                                            .arg(list.table(), field.lookup.shownColumn, field.lookup.boundColumn);
        return new LookupList(source, column, list, field.lookup.shownColumn, field.lookup.boundColumn, &m_screen);
    }
    case FieldKind::Document: {
        auto *document = new BoundDocumentField(source, column, field.documentClass, m_screen.dialogs(), &m_screen);
        m_screen.m_documentFields.insert(field.name, document);
        return document;
    }
    }
    return nullptr;
}

void ScreenBuilder::buildLabel(const FieldDeclaration &field, QWidget *buddy)
{
    auto *label = new QLabel(field.caption, &m_screen);
    label->setObjectName(field.labelName);
    label->setFont(screenFont(9));
    paint(label, QPalette::WindowText, kCaptionColour);
    label->setBuddy(buddy);
    if (field.labelGeometry) {
        label->setWordWrap(true);
        place(label, *field.labelGeometry);
        shrinkUntilEveryWordFits(label, label->width());
        return;
    }
    const int width = label->fontMetrics().horizontalAdvance(field.caption) + 2;
    const int right = buddy->x() - pixels(kLabelGapTwips);
    const int leftEdge = leftNeighbourEdge(field.geometry);
    const int left = leftEdge > 0 ? pixels(leftEdge + kLabelGapTwips) : 0;
    label->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    if (right - left >= width) {
        const int height = std::max(label->fontMetrics().height(), std::min(buddy->height(), pixels(300)));
        label->setGeometry(right - width, buddy->y(), width, height);
        return;
    }
    // Too long for the room on its line: the caption wraps, centred on its field.
    const int room = std::max(right - left, 1);
    shrinkUntilEveryWordFits(label, room);
    label->setWordWrap(true);
    const int height = label->heightForWidth(room);
    label->setGeometry(left, std::max(0, buddy->y() + (buddy->height() - height) / 2), room, height);
}

int ScreenBuilder::leftNeighbourEdge(const Twips &field) const
{
    const ScreenDeclaration &declaration = m_screen.m_declaration;
    QVector<Twips> others;
    for (const FieldDeclaration &other : declaration.fields)
        others << other.geometry;
    if (declaration.grid)
        others << declaration.grid->geometry;
    int edge = 0;
    for (const Twips &other : std::as_const(others)) {
        const int otherRight = other.left + other.width;
        const bool sameLine = other.top < field.top + field.height && field.top < other.top + other.height;
        if (sameLine && otherRight <= field.left)
            edge = std::max(edge, otherRight);
    }
    return edge;
}

void ScreenBuilder::buildGrid(const GridDeclaration &grid)
{
    auto *view = new RecordGrid(*m_screen.source(grid.source), grid.columnHeaders, m_screen.dialogs(), &m_screen);
    view->setObjectName(kGridName);
    // A screen reader names the grid; its columns name themselves by their headers.
    view->setAccessibleName(QStringLiteral("資料列表"));
    place(view, grid.geometry);
    m_tabOrder.insert(grid.tabIndex, view);
}

void ScreenBuilder::buildLine(const LineDeclaration &line)
{
    auto *rule = new QWidget(&m_screen);
    rule->setAutoFillBackground(true);
    paint(rule, QPalette::Window, line.color);
    rule->setGeometry(pixels(line.geometry.left), pixels(line.geometry.top), pixels(line.geometry.width),
                      line.widthPixels);
}

void ScreenBuilder::buildFrame(const FrameDeclaration &frame)
{
    auto *box = new QGroupBox(frame.caption, &m_screen);
    box->setObjectName(frame.name);
    box->setFont(screenFont(9));
    paint(box, QPalette::WindowText, kCaptionColour);
    place(box, frame.geometry);
    for (const ButtonDeclaration &declared : frame.buttons) {
        auto *button = new QPushButton(declared.caption, box);
        button->setObjectName(declared.name);
        button->setFont(screenFont(declared.pointSize));
        paint(button, QPalette::WindowText, Qt::black);
        place(button, declared.geometry);
        button->setEnabled(declared.enabledAtStart);
        const std::shared_ptr<const Command> command = declared.command;
        Screen *screen = &m_screen;
        if (command)
            QObject::connect(button, &QPushButton::clicked, screen, [screen, command] { screen->run(*command); });
        m_tabOrder.insert(declared.tabIndex, button);
    }
}

void ScreenBuilder::orderTabs()
{
    QWidget *previous = nullptr;
    for (QWidget *widget : std::as_const(m_tabOrder)) {
        if (previous)
            QWidget::setTabOrder(previous, widget);
        previous = widget;
    }
}

void ScreenBuilder::place(QWidget *widget, const Twips &twips) const
{
    widget->setGeometry(pixels(twips.left), pixels(twips.top), pixels(twips.width), pixels(twips.height));
}

int ScreenBuilder::pixels(int twips) const
{
    return qRound(double(twips) * m_screen.logicalDpiX() / kTwipsPerInch);
}
