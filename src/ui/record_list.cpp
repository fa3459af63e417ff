#include "ui/record_list.h"

#include "data/dataset.h"
#include "ui/guarded.h"
#include "ui/messages.h"
#include "ui/navigator_bar.h"

#include <QHeaderView>
#include <QKeyEvent>
#include <QScrollBar>
#include <QToolButton>

RecordList::RecordList(DataSet &data, std::vector<ListColumn> columns, QWidget *parent)
    : QTableView(parent), m_data(&data), m_model(new DataSetModel(data, std::move(columns), this))
{
    setModel(m_model);
    if (parent)
        setAccessibleName(parent->window()->windowTitle()); // the list is the window's rows
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setFocusPolicy(Qt::ClickFocus); // Tab skips the list
    setTabKeyNavigation(false);
    setShowGrid(true);
    setWordWrap(false);
    verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 6);
    verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    verticalHeader()->setMinimumWidth(18);
    horizontalHeader()->setHighlightSections(false);
    // A long text never pushes the dates and amounts out of view: it is cut short with "…".
    horizontalHeader()->setMaximumSectionSize(std::max(320, fontMetrics().averageCharWidth() * 50));
    setTextElideMode(Qt::ElideRight);
    // The selected row stays visible when the list has no focus.
    QPalette p = palette();
    p.setColor(QPalette::Inactive, QPalette::Highlight, p.color(QPalette::Active, QPalette::Highlight));
    p.setColor(QPalette::Inactive, QPalette::HighlightedText, p.color(QPalette::Active, QPalette::HighlightedText));
    setPalette(p);

    // Widths are given for an 8-point Tahoma; a wider font widens them alike, and no column is
    // narrower than its title.
    const double scale = std::max(1.0, fontMetrics().averageCharWidth() / 5.0);
    QFont bold = font();
    bold.setBold(true);
    const QFontMetrics titleMetrics(bold);
    for (int c = 0; c < m_model->columnCount(); ++c) {
        const int width = m_model->column(c).width;
        const int wanted = std::max(int(width * scale), titleMetrics.horizontalAdvance(m_model->column(c).title) + 12);
        m_wantedWidths.push_back(width > 0 ? wanted : 0);
        if (width > 0)
            setColumnWidth(c, wanted);
        else
            horizontalHeader()->setSectionResizeMode(c, QHeaderView::ResizeToContents);
    }

    connect(&data, &DataSet::currentChanged, this, &RecordList::followCurrentRow);
    connect(&data, &DataSet::reset, this, &RecordList::followCurrentRow);
    // A row added or dropped moves the view's current row, also after the set has told it:
    // the view follows the set's own row once the change has settled.
    const auto rowsMoved = [this] {
        m_rowsMoving = true;
        QMetaObject::invokeMethod(
            this,
            [this] {
                m_rowsMoving = false;
                followCurrentRow();
            },
            Qt::QueuedConnection);
    };
    connect(&data, &DataSet::aboutToInsertRow, this, rowsMoved);
    connect(&data, &DataSet::aboutToRemoveRow, this, rowsMoved);
    connect(selectionModel(), &QItemSelectionModel::currentRowChanged, this, &RecordList::moveDataSet);
    followCurrentRow();
}

void RecordList::fitWidthToColumns()
{
    // No wider than its window can be on the smallest screen in use (1024 wide), with room for
    // the window's margins and frame; the long text columns then give up room.
    constexpr int SmallestScreenWidth = 1024, WindowMargins = 64;
    const int rowMarker = std::max(verticalHeader()->sizeHint().width(), verticalHeader()->minimumWidth());
    const int wanted = horizontalHeader()->length() + rowMarker + verticalScrollBar()->sizeHint().width() + 2 * frameWidth();
    setMinimumWidth(std::min(SmallestScreenWidth - WindowMargins, wanted));
}

void RecordList::resizeEvent(QResizeEvent *event)
{
    QTableView::resizeEvent(event);
    fitColumnsToView();
}

void RecordList::fitColumnsToView()
{
    // Every column stays in view: when the given widths are wider than the list, the long text
    // columns give up room alike (their texts cut short), while dates, amounts, phones and
    // other short columns keep theirs.
    const auto shrinks = [this](int c) {
        return (m_model->column(c).alignment & Qt::AlignLeft) && m_wantedWidths[size_t(c)] >= 120; // long texts
    };
    int fixed = 0, text = 0;
    for (int c = 0; c < int(m_wantedWidths.size()); ++c)
        if (shrinks(c))
            text += m_wantedWidths[size_t(c)];
        else // a column sized to its contents takes what it has now
            fixed += m_wantedWidths[size_t(c)] > 0 ? m_wantedWidths[size_t(c)] : columnWidth(c);
    const int room = viewport()->width() - fixed;
    if (text == 0 || m_wantedWidths.empty())
        return;
    const double share = std::clamp(double(room) / text, 0.4, 1.0);
    for (int c = 0; c < int(m_wantedWidths.size()); ++c)
        if (shrinks(c))
            setColumnWidth(c, int(m_wantedWidths[size_t(c)] * share));
}

void RecordList::followCurrentRow()
{
    m_following = true;
    if (!m_data) {
        m_following = false;
        return;
    }
    const int row = m_data ? m_data->currentRow() : -1;
    if (row >= 0 && row < m_model->rowCount()) {
        selectionModel()->setCurrentIndex(m_model->index(row, 0),
                                          QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
        scrollTo(m_model->index(row, 0));
    } else {
        selectionModel()->clearSelection();
    }
    m_following = false;
}

void RecordList::moveDataSet(const QModelIndex &current)
{
    if (m_following || m_rowsMoving || !m_data || !current.isValid() || current.row() == m_data->currentRow())
        return;
    runGuarded(this, [&] { m_data->moveTo(current.row()); }); // stores a pending change first
    // Back on the set's row when the move could not be made, or the row moved.
    QMetaObject::invokeMethod(this, &RecordList::followCurrentRow, Qt::QueuedConnection);
}

void RecordList::deleteCurrentRow()
{
    // The window's record bar over this set deletes, with the window's own question.
    for (NavigatorBar *bar : window()->findChildren<NavigatorBar *>()) {
        if (bar->data() != m_data || !bar->button(NavigatorBar::Delete))
            continue;
        if (bar->button(NavigatorBar::Delete)->isEnabled())
            bar->press(NavigatorBar::Delete);
        return;
    }
    if (m_data && m_data->canModify() && !m_data->isEmpty() && messages::confirmDelete(this))
        m_data->remove();
}

void RecordList::keyPressEvent(QKeyEvent *event)
{
    if (event->key() == Qt::Key_Delete && event->modifiers() == Qt::ControlModifier) {
        if (m_deleteAllowed)
            runGuarded(this, [this] { deleteCurrentRow(); });
        return;
    }
    if (event->key() == Qt::Key_Insert)
        return; // the list never inserts
    if ((event->key() == Qt::Key_Home || event->key() == Qt::Key_End) && m_model->rowCount() > 0) {
        // Rows, not columns: the first or the last row, as the navigator's buttons go.
        const int row = event->key() == Qt::Key_Home ? 0 : m_model->rowCount() - 1;
        setCurrentIndex(m_model->index(row, currentIndex().isValid() ? currentIndex().column() : 0));
        return;
    }
    QTableView::keyPressEvent(event);
}
