#include "widgets/flexgrid.h"

#include <QHeaderView>
#include <QImage>
#include <QLineEdit>
#include <QScrollBar>
#include <QTest>
#include <QWidget>

#include <gtest/gtest.h>

#include <climits>

using norvel::FlexGrid;

namespace {

constexpr int RowHeight = 15;

// Sized and shaped like the program's result list: two columns of 300 and 600 twips, one fixed column.
class FlexGridTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_window.resize(200, 150);
        m_grid = new FlexGrid(&m_window);
        m_grid->setGeometry(10, 10, 81, 65);
        m_grid->setCols(2);
        m_grid->setColWidthTwips(0, 300);
        m_grid->setColWidthTwips(1, 600);
        m_grid->setFixedRows(0);
        m_grid->setFixedCols(1);
    }

    void show()
    {
        m_window.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&m_window));
    }

    void fill(int rows)
    {
        m_grid->setRows(rows);
        for (int r = 0; r < rows; ++r) {
            for (int c = 0; c < m_grid->cols(); ++c)
                m_grid->setTextMatrix(r, c, QStringLiteral("%1,%2").arg(r).arg(c));
        }
    }

    // The colour drawn at the middle of a cell, as the user sees it (frozen rows included).
    QColor shownColor(int row, int col)
    {
        const QRect rect = m_grid->visualRect(m_grid->model()->index(row, col));
        const QPoint centre = m_grid->viewport()->mapTo(m_grid, rect.center());
        return m_grid->grab().toImage().pixelColor(centre);
    }

    // The colour drawn at a point of the viewport, whichever cell lies there.
    QColor shownColorAt(QPoint viewportPoint)
    {
        return m_grid->grab().toImage().pixelColor(m_grid->viewport()->mapTo(m_grid, viewportPoint));
    }

    QWidget m_window;
    FlexGrid* m_grid = nullptr;
};

TEST(FlexGridDefaults, StartsLikeTheClassicControl)
{
    FlexGrid grid;
    EXPECT_EQ(grid.rows(), 2);
    EXPECT_EQ(grid.cols(), 2);
    EXPECT_EQ(grid.fixedRows(), 1);
    EXPECT_EQ(grid.fixedCols(), 1);
    EXPECT_EQ(grid.row(), 1);
    EXPECT_EQ(grid.col(), 1);
    EXPECT_TRUE(grid.horizontalHeader()->isHidden());
    EXPECT_TRUE(grid.verticalHeader()->isHidden());
    EXPECT_EQ(grid.rowHeight(0), RowHeight);
}

TEST_F(FlexGridTest, ShrinkingDropsCellsAndGrowingAddsEmptyOnes)
{
    fill(5);
    m_grid->setCellBackColor(3, 1, QColor(0, 255, 0));
    m_grid->setRows(3);
    EXPECT_EQ(m_grid->rows(), 3);
    EXPECT_EQ(m_grid->textMatrix(2, 1), "2,1");
    EXPECT_EQ(m_grid->textMatrix(3, 1), "");

    m_grid->setRows(5);
    EXPECT_EQ(m_grid->textMatrix(2, 1), "2,1");
    for (int r = 3; r < 5; ++r) {
        EXPECT_EQ(m_grid->textMatrix(r, 0), "") << r;
        EXPECT_EQ(m_grid->textMatrix(r, 1), "") << r;
    }
    EXPECT_EQ(m_grid->cellBackColor(3, 1), m_grid->palette().color(QPalette::Base));

    m_grid->setCols(1);
    m_grid->setCols(2);
    EXPECT_EQ(m_grid->textMatrix(2, 0), "2,0");
    EXPECT_EQ(m_grid->textMatrix(2, 1), "");
}

TEST_F(FlexGridTest, StartsEmptyAndGrowsOneRowAtATime)
{
    m_grid->setRows(0);
    EXPECT_EQ(m_grid->rows(), 0);
    EXPECT_EQ(m_grid->text(), "");
    m_grid->setText("lost");

    for (int n = 1; n <= 6; ++n) {
        m_grid->setRows(n);
        m_grid->setTextMatrix(n - 1, 0, QString::number(n));
        m_grid->setTextMatrix(n - 1, 1, QStringLiteral("w%1").arg(n));
    }
    EXPECT_EQ(m_grid->rows(), 6);
    for (int r = 0; r < 6; ++r) {
        EXPECT_EQ(m_grid->textMatrix(r, 0), QString::number(r + 1));
        EXPECT_EQ(m_grid->textMatrix(r, 1), QStringLiteral("w%1").arg(r + 1));
    }
}

TEST_F(FlexGridTest, FixedCountsStayWithinTheGrid)
{
    m_grid->setRows(3);
    m_grid->setFixedRows(5);
    EXPECT_EQ(m_grid->fixedRows(), 3);
    m_grid->setRows(1);
    EXPECT_EQ(m_grid->fixedRows(), 1);
    m_grid->setRows(0);
    EXPECT_EQ(m_grid->fixedRows(), 0);
    m_grid->setCols(0);
    EXPECT_EQ(m_grid->fixedCols(), 0);
    m_grid->setFixedCols(-2);
    EXPECT_EQ(m_grid->fixedCols(), 0);
}

TEST_F(FlexGridTest, OutsideTheGridReadsEmptyAndIgnoresWrites)
{
    m_grid->setRows(3);
    const struct {
        int row, col;
    } outside[] = { { -1, 0 }, { 0, -1 }, { 3, 0 }, { 0, 2 }, { 3, 2 }, { INT_MIN, INT_MAX } };
    for (const auto& cell : outside) {
        SCOPED_TRACE(testing::Message() << cell.row << "," << cell.col);
        m_grid->setTextMatrix(cell.row, cell.col, "x");
        m_grid->setCellBackColor(cell.row, cell.col, Qt::red);
        EXPECT_EQ(m_grid->textMatrix(cell.row, cell.col), "");
        EXPECT_FALSE(m_grid->cellBackColor(cell.row, cell.col).isValid());
    }
    EXPECT_EQ(m_grid->rows(), 3);
    EXPECT_EQ(m_grid->cols(), 2);
    for (int r = 0; r < 3; ++r) {
        for (int c = 0; c < 2; ++c) {
            EXPECT_EQ(m_grid->textMatrix(r, c), "");
            EXPECT_NE(m_grid->cellBackColor(r, c), QColor(Qt::red));
        }
    }
    m_grid->setColWidthTwips(2, 900);
    m_grid->setColWidthTwips(-1, 900);
    EXPECT_EQ(m_grid->colWidthTwips(2), 0);
    EXPECT_EQ(m_grid->colWidthTwips(-1), 0);
    EXPECT_EQ(m_grid->colWidthTwips(0), 300);
}

TEST_F(FlexGridTest, FixedCellsAreNeitherEditableNorSelectable)
{
    m_grid->setRows(7);
    m_grid->setFixedRows(1);
    EXPECT_EQ(m_grid->editTriggers(), QAbstractItemView::NoEditTriggers);

    const struct {
        int row, col;
        bool fixed;
    } cells[] = { { 0, 0, true }, { 0, 1, true }, { 6, 0, true }, { 1, 1, false }, { 6, 1, false } };
    for (const auto& cell : cells) {
        SCOPED_TRACE(testing::Message() << cell.row << "," << cell.col);
        const Qt::ItemFlags flags = m_grid->model()->flags(m_grid->model()->index(cell.row, cell.col));
        EXPECT_FALSE(flags.testFlag(Qt::ItemIsEditable));
        EXPECT_EQ(flags.testFlag(Qt::ItemIsSelectable), !cell.fixed);
        const QPalette::ColorRole role = cell.fixed ? QPalette::Button : QPalette::Base;
        EXPECT_EQ(m_grid->cellBackColor(cell.row, cell.col), m_grid->palette().color(role));
    }

    // Cells stop being fixed when the fixed area shrinks, and rows added later follow the current setting.
    m_grid->setFixedRows(0);
    m_grid->setRows(8);
    for (int r : { 0, 7 }) {
        const Qt::ItemFlags flags = m_grid->model()->flags(m_grid->model()->index(r, 1));
        EXPECT_TRUE(flags.testFlag(Qt::ItemIsSelectable)) << r;
        EXPECT_FALSE(flags.testFlag(Qt::ItemIsEditable)) << r;
    }
}

TEST_F(FlexGridTest, UserCannotEditBySelectingOrTyping)
{
    fill(3);
    show();
    const QModelIndex index = m_grid->model()->index(1, 1);
    const QPoint centre = m_grid->visualRect(index).center();
    QTest::mouseClick(m_grid->viewport(), Qt::LeftButton, {}, centre);
    QTest::mouseDClick(m_grid->viewport(), Qt::LeftButton, {}, centre);
    QTest::keyClick(m_grid, Qt::Key_F2);
    QTest::keyClicks(m_grid, "9");
    QTest::keyClick(m_grid, Qt::Key_Return);

    EXPECT_TRUE(m_grid->findChildren<QLineEdit*>().isEmpty()); // no editor was opened
    EXPECT_EQ(m_grid->textMatrix(1, 1), "1,1");
    EXPECT_TRUE(m_grid->selectionModel()->selectedIndexes().isEmpty());
}

TEST_F(FlexGridTest, CurrentCellIsSetByTheProgramOnly)
{
    fill(4);
    show();
    m_grid->setRow(2);
    m_grid->setCol(1);
    m_grid->setText("new");
    EXPECT_EQ(m_grid->textMatrix(2, 1), "new");
    EXPECT_EQ(m_grid->text(), "new");

    QTest::mouseClick(
        m_grid->viewport(), Qt::LeftButton, {}, m_grid->visualRect(m_grid->model()->index(0, 0)).center());
    EXPECT_EQ(m_grid->row(), 2);
    EXPECT_EQ(m_grid->col(), 1);

    for (int bad : { -1, 4, 100 })
        m_grid->setRow(bad);
    for (int bad : { -1, 2 })
        m_grid->setCol(bad);
    EXPECT_EQ(m_grid->row(), 2);
    EXPECT_EQ(m_grid->col(), 1);

    m_grid->setRow(0);
    m_grid->setCol(0);
    m_grid->setText("fixed cells too");
    EXPECT_EQ(m_grid->textMatrix(0, 0), "fixed cells too");

    m_grid->setRow(3);
    m_grid->setRows(2);
    EXPECT_EQ(m_grid->row(), 1);
    EXPECT_EQ(m_grid->text(), "1,0");
}

TEST_F(FlexGridTest, ColumnWidthsInTwipsRoundToPixels)
{
    const struct {
        int twips, pixels;
    } widths[] = { { 500, 33 }, { 300, 20 }, { 600, 40 }, { 0, 0 }, { 7, 0 }, { 8, 1 }, { 22, 1 }, { 23, 2 } };
    for (const auto& width : widths) {
        m_grid->setColWidthTwips(1, width.twips);
        EXPECT_EQ(m_grid->columnWidth(1), width.pixels) << width.twips;
        EXPECT_EQ(m_grid->colWidthTwips(1), width.twips);
    }
    m_grid->setColWidthTwips(1, -15);
    EXPECT_EQ(m_grid->colWidthTwips(1), 23);

    // A column never given a width reports the one it is drawn with.
    m_grid->setCols(3);
    EXPECT_EQ(m_grid->colWidthTwips(2), m_grid->columnWidth(2) * 15);
    EXPECT_EQ(m_grid->colWidthTwips(0), 300);
}

TEST_F(FlexGridTest, TopRowScrollsWholeRowsAndStopsAtTheEnd)
{
    fill(20);
    show();
    const int fullRows = m_grid->viewport()->height() / RowHeight;
    ASSERT_GE(fullRows, 2);
    const int lastTop = 20 - fullRows;

    const struct {
        int requested, top;
    } cases[] = { { 5, 5 }, { 0, 0 }, { lastTop, lastTop }, { 19, lastTop }, { 500, lastTop }, { -3, 0 } };
    for (const auto& step : cases) {
        SCOPED_TRACE(step.requested);
        m_grid->setTopRow(step.requested);
        EXPECT_EQ(m_grid->topRow(), step.top);
        EXPECT_EQ(m_grid->rowViewportPosition(step.top), 0); // a whole row at the top
    }
    m_grid->setTopRow(19);
    EXPECT_TRUE(m_grid->viewport()->rect().contains(m_grid->visualRect(m_grid->model()->index(19, 1))));
}

TEST_F(FlexGridTest, TopRowCountsRowsJustAdded)
{
    show();
    m_grid->setRows(0);
    for (int n = 1; n <= 20; ++n) {
        m_grid->setRows(n);
        m_grid->setTopRow(n - 1);
    }
    const int fullRows = m_grid->viewport()->height() / RowHeight;
    EXPECT_EQ(m_grid->topRow(), 20 - fullRows);
}

TEST_F(FlexGridTest, ScrollBarOnlyWhenRowsDoNotFit)
{
    fill(20);
    show();
    EXPECT_EQ(m_grid->horizontalScrollBarPolicy(), Qt::ScrollBarAlwaysOff);
    const QScrollBar* bar = m_grid->verticalScrollBar();
    // The scroll area shows and hides its bars from a queued call.
    EXPECT_TRUE(QTest::qWaitFor([bar] { return bar->isVisible(); }));
    m_grid->setRows(3);
    EXPECT_TRUE(QTest::qWaitFor([bar] { return !bar->isVisible(); }));
    m_grid->setRows(5);
    EXPECT_TRUE(QTest::qWaitFor([bar] { return bar->isVisible(); }));
}

TEST_F(FlexGridTest, FixedRowsStayInViewWhenScrolled)
{
    fill(20);
    m_grid->setFixedRows(1);
    show();
    m_grid->setTopRow(5);
    EXPECT_EQ(m_grid->topRow(), 5);

    // Sampled at the right edge of the column, clear of the left-aligned text.
    const int x = m_grid->columnViewportPosition(1) + m_grid->columnWidth(1) - 4;
    EXPECT_EQ(shownColorAt({ x, RowHeight / 2 }), m_grid->palette().color(QPalette::Button));
    EXPECT_EQ(m_grid->rowAt(RowHeight + RowHeight / 2), 5);
    EXPECT_EQ(shownColorAt({ x, RowHeight + RowHeight / 2 }), m_grid->palette().color(QPalette::Base));

    m_grid->setTopRow(0);
    EXPECT_EQ(m_grid->topRow(), 1);
}

TEST_F(FlexGridTest, CellColoursAreDrawn)
{
    m_grid->setRows(4); // empty cells: no text where the colour is sampled
    const QColor green(0, 255, 0);
    const QColor cyan(0, 255, 255);
    m_grid->setCellBackColor(1, 1, green);
    m_grid->setCellBackColor(2, 1, cyan);
    m_grid->setCellBackColor(3, 1, Qt::white);
    m_grid->setCellBackColor(0, 0, cyan);
    show();
    // Keyboard focus on a coloured cell must not tint it.
    m_grid->setFocus(Qt::TabFocusReason);
    m_grid->setCurrentIndex(m_grid->model()->index(0, 0));

    const struct {
        int row, col;
        QColor color;
    } cells[] = {
        { 1, 1, green },
        { 2, 1, cyan },
        { 3, 1, Qt::white },
        { 0, 0, cyan },
        { 1, 0, m_grid->palette().color(QPalette::Button) },
        { 0, 1, m_grid->palette().color(QPalette::Base) },
    };
    for (const auto& cell : cells) {
        SCOPED_TRACE(testing::Message() << cell.row << "," << cell.col);
        EXPECT_EQ(m_grid->cellBackColor(cell.row, cell.col), cell.color);
        EXPECT_EQ(shownColor(cell.row, cell.col), cell.color);
    }

    m_grid->setCellBackColor(1, 1, QColor());
    EXPECT_EQ(m_grid->cellBackColor(1, 1), m_grid->palette().color(QPalette::Base));
}

TEST_F(FlexGridTest, FixedCellsFollowThePalette)
{
    m_grid->setRows(3);
    QPalette palette = m_window.palette();
    palette.setColor(QPalette::Button, QColor(200, 180, 160));
    m_window.setPalette(palette);
    show();
    EXPECT_EQ(m_grid->cellBackColor(1, 0), QColor(200, 180, 160));
    EXPECT_EQ(shownColor(1, 0), QColor(200, 180, 160));
}

} // namespace
