#include "widgets/flexgrid.h"

#include "widgets/twips.h"

#include <QHeaderView>
#include <QScrollBar>
#include <QStyledItemDelegate>

#include <algorithm>

namespace norvel {

namespace {

// 15 pixels (225 twips), the row a 9-point font gives: seven rows then fill the 109-pixel detail grid.
constexpr int RowHeight = 15;

// Fixed cells look like header cells unless the program gave them a colour of their own. Deciding this at
// paint time keeps them right when the palette changes later.
class CellDelegate : public QStyledItemDelegate {
public:
    CellDelegate(const FlexGrid* grid, QObject* parent)
        : QStyledItemDelegate(parent)
        , m_grid(grid)
    {
    }

protected:
    void initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const override
    {
        QStyledItemDelegate::initStyleOption(option, index);
        // Qt's current index has nothing to do with the grid's current cell; marking it would mislead.
        option->state &= ~QStyle::State_HasFocus;
        if (index.row() >= m_grid->fixedRows() && index.column() >= m_grid->fixedCols())
            return;
        if (!index.data(Qt::BackgroundRole).isValid())
            option->backgroundBrush = option->palette.button();
        if (!index.data(Qt::ForegroundRole).isValid())
            option->palette.setBrush(QPalette::Text, option->palette.buttonText());
    }

private:
    const FlexGrid* m_grid;
};

// Settings the grid and its frozen top rows share, so both draw the same cells the same way.
void setUpView(QTableView* view, const FlexGrid* grid)
{
    view->horizontalHeader()->hide();
    view->verticalHeader()->hide();
    view->horizontalHeader()->setMinimumSectionSize(0);
    view->verticalHeader()->setMinimumSectionSize(0);
    view->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    view->verticalHeader()->setDefaultSectionSize(RowHeight);
    view->setEditTriggers(QAbstractItemView::NoEditTriggers);
    view->setSelectionMode(QAbstractItemView::NoSelection);
    view->setVerticalScrollMode(QAbstractItemView::ScrollPerItem);
    view->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    view->setWordWrap(false);
    // A narrow cell clips its text as the original grid did, rather than replacing the end by dots.
    view->setTextElideMode(Qt::ElideNone);
    view->setItemDelegate(new CellDelegate(grid, view));
}

} // namespace

FlexGrid::FlexGrid(QWidget* parent)
    : QTableWidget(parent)
{
    // The fixed rows are ordinary rows of the table; a borderless copy of the view showing just those rows
    // lies over the top of the viewport so they stay in place when the other rows scroll. Mouse events
    // pass through it to the grid underneath.
    m_frozen = new QTableView(this);
    m_frozen->setModel(model());
    setUpView(m_frozen, this);
    m_frozen->setFrameShape(QFrame::NoFrame);
    m_frozen->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_frozen->setFocusPolicy(Qt::NoFocus);
    m_frozen->setAttribute(Qt::WA_TransparentForMouseEvents);
    m_frozen->hide();
    viewport()->stackUnder(m_frozen);

    setUpView(this, this);
    setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);

    connect(horizontalHeader(), &QHeaderView::sectionResized, m_frozen,
        [this](int col, int, int size) { m_frozen->setColumnWidth(col, size); });
    connect(verticalScrollBar(), &QScrollBar::valueChanged, this, &FlexGrid::keepWholeTopRow);
    connect(horizontalScrollBar(), &QScrollBar::valueChanged, m_frozen->horizontalScrollBar(), &QScrollBar::setValue);

    setRows(2);
    setCols(2);
    setFixedRows(1);
    setFixedCols(1);
    m_row = 1;
    m_col = 1;
}

int FlexGrid::rows() const
{
    return rowCount();
}

void FlexGrid::setRows(int count)
{
    if (count < 0)
        return;
    const int old = rowCount();
    setRowCount(count);
    m_fixedRows = std::min(m_fixedRows, count);
    m_row = std::clamp(m_row, 0, std::max(count - 1, 0));
    if (count > old)
        fillCells(old, columnCount());
}

int FlexGrid::cols() const
{
    return columnCount();
}

void FlexGrid::setCols(int count)
{
    if (count < 0)
        return;
    const int old = columnCount();
    setColumnCount(count);
    m_twips.resize(count, -1);
    m_fixedCols = std::min(m_fixedCols, count);
    m_col = std::clamp(m_col, 0, std::max(count - 1, 0));
    if (count > old)
        fillCells(rowCount(), old);
}

int FlexGrid::fixedRows() const
{
    return m_fixedRows;
}

void FlexGrid::setFixedRows(int count)
{
    m_fixedRows = std::clamp(count, 0, rowCount());
    applyCellFlags();
    syncFrozenRows();
    viewport()->update();
}

int FlexGrid::fixedCols() const
{
    return m_fixedCols;
}

void FlexGrid::setFixedCols(int count)
{
    m_fixedCols = std::clamp(count, 0, columnCount());
    applyCellFlags();
    viewport()->update();
    m_frozen->viewport()->update();
}

QString FlexGrid::textMatrix(int row, int col) const
{
    const QTableWidgetItem* cell = contains(row, col) ? item(row, col) : nullptr;
    return cell ? cell->text() : QString();
}

void FlexGrid::setTextMatrix(int row, int col, const QString& text)
{
    if (QTableWidgetItem* cell = cellAt(row, col))
        cell->setText(text);
}

int FlexGrid::row() const
{
    return m_row;
}

// Out-of-range values are ignored, as the classic control refuses them; shrinking the grid pulls the current
// cell back inside.
void FlexGrid::setRow(int row)
{
    if (row >= 0 && row < rowCount())
        m_row = row;
}

int FlexGrid::col() const
{
    return m_col;
}

void FlexGrid::setCol(int col)
{
    if (col >= 0 && col < columnCount())
        m_col = col;
}

QString FlexGrid::text() const
{
    return textMatrix(m_row, m_col);
}

void FlexGrid::setText(const QString& text)
{
    setTextMatrix(m_row, m_col, text);
}

int FlexGrid::colWidthTwips(int col) const
{
    if (col < 0 || col >= columnCount())
        return 0;
    return m_twips[col] >= 0 ? m_twips[col] : columnWidth(col) * TwipsPerPixel;
}

void FlexGrid::setColWidthTwips(int col, int twips)
{
    if (col < 0 || col >= columnCount() || twips < 0)
        return;
    m_twips[col] = twips;
    setColumnWidth(col, twipsToPixels(twips));
}

int FlexGrid::topRow() const
{
    return verticalScrollBar()->value() + m_fixedRows;
}

// Rows below the fixed ones scroll one whole row per step, so the scroll value counts the rows scrolled
// away; with fixed rows those lie under the frozen copy, hence the offset.
void FlexGrid::setTopRow(int row)
{
    executeDelayedItemsLayout(); // rows just added must count in the scroll range
    const int first = std::clamp(row, m_fixedRows, std::max(m_fixedRows, rowCount() - 1));
    verticalScrollBar()->setValue(first - m_fixedRows);
}

QColor FlexGrid::cellBackColor(int row, int col) const
{
    if (!contains(row, col))
        return {};
    if (const QTableWidgetItem* cell = item(row, col); cell && cell->background().style() != Qt::NoBrush)
        return cell->background().color();
    return palette().color(isFixed(row, col) ? QPalette::Button : QPalette::Base);
}

// An invalid colour gives the cell its default look back.
void FlexGrid::setCellBackColor(int row, int col, const QColor& color)
{
    if (QTableWidgetItem* cell = cellAt(row, col))
        cell->setBackground(color.isValid() ? QBrush(color) : QBrush());
}

void FlexGrid::updateGeometries()
{
    QTableWidget::updateGeometries();
    syncFrozenRows();
    keepWholeTopRow();
}

bool FlexGrid::contains(int row, int col) const
{
    return row >= 0 && row < rowCount() && col >= 0 && col < columnCount();
}

bool FlexGrid::isFixed(int row, int col) const
{
    return row < m_fixedRows || col < m_fixedCols;
}

// No cell is editable: the program writes them all. Fixed cells cannot be selected either.
Qt::ItemFlags FlexGrid::flagsFor(int row, int col) const
{
    return isFixed(row, col) ? Qt::ItemIsEnabled : Qt::ItemIsEnabled | Qt::ItemIsSelectable;
}

QTableWidgetItem* FlexGrid::cellAt(int row, int col)
{
    if (!contains(row, col))
        return nullptr;
    if (QTableWidgetItem* cell = item(row, col))
        return cell;
    // Every cell gets an item when the grid grows, but QTableWidget::clear() and friends can take them.
    auto* cell = new QTableWidgetItem;
    cell->setFlags(flagsFor(row, col));
    setItem(row, col, cell);
    return cell;
}

// Creates the cells in rows from firstRow and columns from firstCol. Cells without an item would take the
// model's defaults, which make them editable.
void FlexGrid::fillCells(int firstRow, int firstCol)
{
    for (int r = 0; r < rowCount(); ++r) {
        for (int c = r >= firstRow ? 0 : firstCol; c < columnCount(); ++c)
            cellAt(r, c);
    }
}

void FlexGrid::applyCellFlags()
{
    for (int r = 0; r < rowCount(); ++r) {
        for (int c = 0; c < columnCount(); ++c) {
            if (QTableWidgetItem* cell = item(r, c))
                cell->setFlags(flagsFor(r, c));
        }
    }
}

// Scrolled to the end, Qt lines the last row up with the bottom edge, leaving a sliver of the row before at
// the top. The classic control keeps a whole row at the top, so every scroll position shows the row's own.
void FlexGrid::keepWholeTopRow()
{
    QHeaderView* header = verticalHeader();
    const int before = header->offset();
    header->setOffsetToSectionPosition(verticalScrollBar()->value());
    if (header->offset() != before)
        viewport()->update();
}

void FlexGrid::syncFrozenRows()
{
    if (!m_frozen)
        return;
    const int frozenRows = std::min(m_fixedRows, rowCount());
    if (frozenRows == 0 || columnCount() == 0) {
        m_frozen->hide();
        return;
    }
    for (int c = 0; c < columnCount(); ++c)
        m_frozen->setColumnWidth(c, columnWidth(c));
    int height = 0;
    for (int r = 0; r < frozenRows; ++r)
        height += rowHeight(r);
    const QRect area = viewport()->geometry();
    m_frozen->setGeometry(area.x(), area.y(), area.width(), std::min(height, area.height()));
    m_frozen->verticalScrollBar()->setValue(0);
    m_frozen->horizontalScrollBar()->setValue(horizontalScrollBar()->value());
    m_frozen->show();
}

} // namespace norvel
