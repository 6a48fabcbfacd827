#include "bound/recordgrid.h"

#include "bound/recordgridmodel.h"
#include "commands/dialogs.h"
#include "data/recordsource.h"

#include <QHeaderView>
#include <QLineEdit>
#include <QStyledItemDelegate>

#include <limits>

namespace {

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
    : QTableView(parent), m_source(source), m_model(new RecordGridModel(source, this)), m_dialogs(dialogs)
{
    // Connected before the view's own: removing the selected row moves the
    // view's current row, which must not move the source.
    connect(m_model, &QAbstractItemModel::rowsAboutToBeRemoved, this, [this] { m_following = true; });
    connect(m_model, &QAbstractItemModel::rowsRemoved, this, [this] { m_following = false; });
    // Row heights are fixed before the model comes, so its million rows are
    // laid out once rather than resized one by one.
    verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 6);
    setModel(m_model);
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

void RecordGrid::followCurrentRow()
{
    m_following = true;
    // A pending new row has no grid row: none is selected while it lasts.
    const int row = m_source.isAddingNew() ? -1 : m_source.currentIndex();
    if (row < 0) {
        selectionModel()->clearSelection();
        selectionModel()->setCurrentIndex(QModelIndex(), QItemSelectionModel::NoUpdate);
    } else {
        const int column = std::max(currentIndex().column(), 0);
        selectionModel()->setCurrentIndex(m_model->index(row, column),
                                          QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
        scrollTo(m_model->index(row, column));
    }
    m_following = false;
}

void RecordGrid::moveToSelectedRow(const QModelIndex &current)
{
    if (m_following || !current.isValid() || (current.row() == m_source.currentIndex() && !m_source.isAddingNew()))
        return;
    if (Result moved = m_source.moveTo(current.row()); !moved) {
        report(moved);
        followCurrentRow();
    }
}

void RecordGrid::report(const Result &failure)
{
    m_dialogs.reportFailure(failure);
}
