#include "bound/recordgrid.h"

#include "bound/recordgridmodel.h"
#include "bound/recordgridwindow.h"
#include "commands/dialogs.h"
#include "data/records/recordsource.h"

#include <QHeaderView>
#include <QLineEdit>
#include <QScrollBar>
#include <QStyledItemDelegate>

#include <algorithm>
#include <limits>

namespace {

// The window holds at least this many rows, so a small table is laid out whole.
constexpr int kLeastWindowRows = 64;

/// The cell editor of a text column takes a text of any length, as the fields do.
class WholeTextDelegate : public QStyledItemDelegate
{
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    QWidget *createEditor(QWidget *parent, const QStyleOptionViewItem &option, const QModelIndex &index) const override
    {
        QWidget *editor = QStyledItemDelegate::createEditor(parent, option, index);
        if (auto *line = qobject_cast<QLineEdit *>(editor))
            line->setMaxLength(std::numeric_limits<int>::max());
        return editor;
    }
};

} // namespace

RecordGrid::RecordGrid(RecordSource &source, bool columnHeaders, Dialogs &dialogs, QWidget *parent)
    : QTableView(parent), m_source(source), m_model(new RecordGridModel(source, this)),
      m_window(new RecordGridWindow(*m_model, this)), m_dialogs(dialogs)
{
    // Connected before the view's own: removing the selected row moves the
    // view's current row, which must not move the source.
    connect(m_window, &QAbstractItemModel::rowsAboutToBeRemoved, this, [this] { m_following = true; });
    connect(m_window, &QAbstractItemModel::rowsRemoved, this, [this] { m_following = false; });
    verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 6);
    m_window->setCapacity(std::max(kLeastWindowRows, rowsOnScreen() + 1));
    setModel(m_window);
    setItemDelegate(new WholeTextDelegate(this));
    setSelectionMode(QAbstractItemView::SingleSelection);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    // Tab leaves the grid for the next control, as on every other control.
    setTabKeyNavigation(false);
    setEditTriggers(QAbstractItemView::DoubleClicked | QAbstractItemView::EditKeyPressed
                    | QAbstractItemView::AnyKeyPressed);
    horizontalHeader()->setVisible(columnHeaders);
    verticalHeader()->setMinimumWidth(14);
    verticalHeader()->setDefaultAlignment(Qt::AlignCenter);

    connect(selectionModel(), &QItemSelectionModel::currentRowChanged, this, &RecordGrid::moveToSelectedRow);
    connect(&source, &RecordSource::currentChanged, this, &RecordGrid::followCurrentRow);
    connect(&source, &RecordSource::keysetReset, this, &RecordGrid::followCurrentRow);
    connect(m_model, &RecordGridModel::moveFailed, this,
            [this](const QString &message) { report(Result::failure(message)); });
    followCurrentRow();
}

void RecordGrid::scrollTo(const QModelIndex &index, ScrollHint hint)
{
    // Only sideways here: the window's offset is the vertical scroll.
    {
        const QSignalBlocker blocker(verticalScrollBar());
        QTableView::scrollTo(index, hint);
    }
    verticalScrollBar()->setValue(m_window->offset());
}

QModelIndex RecordGrid::moveCursor(CursorAction action, Qt::KeyboardModifiers modifiers)
{
    const int current = m_source.isAddingNew() ? -1 : m_source.currentIndex();
    const int last = m_window->allRows() - 1;
    const bool control = modifiers & Qt::ControlModifier;
    int row = current;
    switch (action) {
    case MoveUp: row = current - 1; break;
    case MoveDown: row = current + 1; break;
    case MovePageUp: row = current - rowsOnScreen(); break;
    case MovePageDown: row = current + rowsOnScreen(); break;
    case MoveHome: row = control ? 0 : current; break;
    case MoveEnd: row = control ? last : current; break;
    default: return QTableView::moveCursor(action, modifiers);
    }
    if (current < 0 || last < 0 || ((action == MoveHome || action == MoveEnd) && !control))
        return QTableView::moveCursor(action, modifiers);
    row = std::clamp(row, 0, last);
    showRow(row);
    return m_window->index(m_window->windowRowOf(row), std::max(currentIndex().column(), 0));
}

void RecordGrid::scrollContentsBy(int dx, int dy)
{
    QTableView::scrollContentsBy(dx, 0);
    if (dy != 0)
        setOffset(verticalScrollBar()->value());
}

void RecordGrid::updateGeometries()
{
    {
        const QSignalBlocker blocker(verticalScrollBar());
        QTableView::updateGeometries();
    }
    const int onScreen = rowsOnScreen();
    verticalScrollBar()->setRange(0, std::max(m_window->allRows() - onScreen, 0));
    verticalScrollBar()->setPageStep(onScreen);
    verticalScrollBar()->setSingleStep(1);
    verticalScrollBar()->setValue(m_window->offset());
}

void RecordGrid::resizeEvent(QResizeEvent *event)
{
    m_window->setCapacity(std::max(kLeastWindowRows, rowsOnScreen() + 1));
    QTableView::resizeEvent(event);
}

int RecordGrid::rowsOnScreen() const
{
    const int header = horizontalHeader()->isHidden() ? 0 : horizontalHeader()->sizeHint().height();
    const int height = isVisible() ? viewport()->height() : this->height() - header - 2 * frameWidth();
    return std::max(height / verticalHeader()->defaultSectionSize(), 1);
}

void RecordGrid::showRow(int row)
{
    const int onScreen = rowsOnScreen();
    if (row < m_window->offset())
        setOffset(row);
    else if (row >= m_window->offset() + onScreen)
        setOffset(row - onScreen + 1);
}

void RecordGrid::setOffset(int offset)
{
    if (offset == m_window->offset())
        return;
    m_window->setOffset(offset);
    verticalScrollBar()->setValue(m_window->offset());
    selectCurrentRow();
}

void RecordGrid::followCurrentRow()
{
    if (!m_source.isAddingNew() && m_source.currentIndex() >= 0)
        showRow(m_source.currentIndex());
    selectCurrentRow();
    if (currentIndex().isValid())
        scrollTo(currentIndex());
}

void RecordGrid::selectCurrentRow()
{
    m_following = true;
    // A pending new row has no grid row: none is selected while it lasts.
    const int row = m_source.isAddingNew() ? -1 : m_window->windowRowOf(m_source.currentIndex());
    if (row < 0) {
        selectionModel()->clearSelection();
        selectionModel()->setCurrentIndex(QModelIndex(), QItemSelectionModel::NoUpdate);
    } else {
        const int column = std::max(currentIndex().column(), 0);
        selectionModel()->setCurrentIndex(m_window->index(row, column),
                                          QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    }
    m_following = false;
}

void RecordGrid::moveToSelectedRow(const QModelIndex &current)
{
    const int row = m_window->rowOf(current.row());
    if (m_following || row < 0 || (row == m_source.currentIndex() && !m_source.isAddingNew()))
        return;
    if (Result moved = m_source.moveTo(row); !moved) {
        report(moved);
        followCurrentRow();
        // A click goes on selecting its own row after this returns: select the current one again then.
        QMetaObject::invokeMethod(this, &RecordGrid::followCurrentRow, Qt::QueuedConnection);
    }
}

void RecordGrid::report(const Result &failure)
{
    m_dialogs.reportFailure(failure);
}
