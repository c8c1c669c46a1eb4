#include "testsupport.h"
#include "widgets/uifont.h"
#include "widgets/wrappingmenubar.h"

#include <QAccessible>
#include <QAction>
#include <QMenu>
#include <QMenuBar>
#include <QStyle>
#include <QToolButton>

#include <gtest/gtest.h>

using namespace norvel;

namespace {

struct WrapCase {
    std::string name;
    QList<int> widths;
    int available;
    QList<int> rowLengths;
};

class WrapMenuItemsTest : public ::testing::TestWithParam<WrapCase> { };

TEST_P(WrapMenuItemsTest, fillsEachRowInOrderBeforeStartingTheNext)
{
    const WrapCase& c = GetParam();
    EXPECT_EQ(wrapMenuItems(c.widths, c.available, 4), c.rowLengths);
}

// Spacing 4 between items throughout.
const WrapCase wrapCases[] = {
    { "noItems_oneEmptyRow", {}, 100, { 0 } },
    { "exactFit_oneRow", { 30, 30, 32 }, 100, { 3 } },
    { "onePixelOver_wrapsTheLastItem", { 30, 30, 33 }, 100, { 2, 1 } },
    { "noSpacingBeforeTheFirstItem", { 100, 100 }, 100, { 1, 1 } },
    { "eachRowRefilledInOrder", { 60, 30, 60, 30, 10 }, 100, { 2, 2, 1 } },
    { "tooWideItem_takesARowOfItsOwn", { 20, 150, 20 }, 100, { 1, 1, 1 } },
    { "tooWideFirstItem_staysOnTheFirstRow", { 150, 20 }, 100, { 1, 1 } },
    { "noWidthItem_staysOnAFullRow", { 100, 0, 20 }, 100, { 2, 1 } },
    { "noWidthItems_takeNoSpacing", { 0, 50, 0, 46 }, 100, { 4 } },
    { "noRoomAtAll_oneItemPerRow", { 10, 10 }, 0, { 1, 1 } },
};

INSTANTIATE_TEST_SUITE_P(Rows, WrapMenuItemsTest, ::testing::ValuesIn(wrapCases), caseName<WrapCase>);

// A bar with the window's top-level items at their longest captions, inside a shown window.
class WrappingMenuBarTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { installUiFont(); }

    void SetUp() override
    {
        for (const char* title : { "ファイル", "編集", "分析", "設定" })
            bar->addMenu(QString::fromUtf8(title));
        bar->addAction(QStringLiteral("縮小"));
        for (const char* title :
            { "測定値:0.35mm", "調査柱No「0123456789」", "サイズ：1920×1080 ⇒ 853.333339691162×480.000003576279" })
            bar->addMenu(QString::fromUtf8(title));
        status = bar->addAction(QStringLiteral("LoodErr"));
        window.show();
    }

    // The width the window's layout would give the bar, at the height the bar asks for there.
    void resizeTo(int width) { bar->resize(width, bar->heightForWidth(width)); }

    QList<QAction*> rowItems() const
    {
        QList<QAction*> items;
        for (int r = 0; r < bar->rowCount(); ++r)
            items << bar->row(r)->actions();
        return items;
    }

    QWidget window;
    WrappingMenuBar* bar = new WrappingMenuBar(&window);
    QAction* status = nullptr;
};

TEST_F(WrappingMenuBarTest, atEveryWidth_showsEveryItemInOrderAndNeverTheExtensionButton)
{
    const int oneRow = bar->sizeHint().width();
    for (int width = 30; width <= oneRow + 10; ++width) {
        SCOPED_TRACE(width);
        resizeTo(width);
        EXPECT_EQ(bar->rowCount() == 1, width >= oneRow);
        EXPECT_EQ(bar->height(), bar->rowCount() * bar->rowHeight());
        EXPECT_EQ(rowItems(), bar->actions());
        for (int r = 0; r < bar->rowCount(); ++r) {
            QMenuBar* row = bar->row(r);
            ASSERT_TRUE(row->isVisible());
            EXPECT_EQ(row->y(), r * bar->rowHeight());
            // Only an item wider than the whole bar may reach past its edge, alone on its row.
            if (row->actions().size() > 1) {
                EXPECT_EQ(row->width(), width);
            }
            const auto* extension = row->findChild<QToolButton*>(QStringLiteral("qt_menubar_ext_button"));
            EXPECT_TRUE(!extension || !extension->isVisible());
            const int frame = row->style()->pixelMetric(QStyle::PM_MenuBarPanelWidth, nullptr, row);
            const QRect inside = row->rect().adjusted(frame, 0, -frame, 0);
            for (QAction* item : row->actions()) {
                EXPECT_FALSE(row->actionGeometry(item).isEmpty()) << item->text().toStdString();
                EXPECT_TRUE(inside.contains(row->actionGeometry(item))) << item->text().toStdString();
            }
        }
    }
}

TEST_F(WrappingMenuBarTest, hiddenOrRemovedItem_givesUpItsPlace)
{
    resizeTo(bar->sizeHint().width() - 1);
    ASSERT_EQ(bar->rowCount(), 2);
    status->setVisible(false);
    EXPECT_EQ(bar->rowCount(), 1);
    status->setVisible(true);
    EXPECT_EQ(bar->rowCount(), 2);

    bar->removeAction(status);
    EXPECT_EQ(bar->rowCount(), 1);
    EXPECT_FALSE(rowItems().contains(status));
    EXPECT_EQ(rowItems(), bar->actions());
}

// Every accessible object under node, depth first.
void collect(QAccessibleInterface* node, QList<QAccessibleInterface*>* into, int depth = 0)
{
    if (!node || depth > 8)
        return;
    into->append(node);
    for (int i = 0; i < node->childCount(); ++i)
        collect(node->child(i), into, depth + 1);
}

struct AccessCase {
    std::string name;
    int narrower; // pixels less than one row needs
    int statusRow; // -1: the last row
};

void PrintTo(const AccessCase& c, std::ostream* os)
{
    *os << c.name;
}

class AccessibleMenuBarTest : public WrappingMenuBarTest, public testing::WithParamInterface<AccessCase> { };

// A screen reader, or a test through the accessibility tree, finds each top-level item once, where it is drawn: the
// status word "Dm" inside the window and on the last row, not at its place on the one row that no longer fits.
TEST_P(AccessibleMenuBarTest, findsEachItemOnceWhereItIsDrawn)
{
    const AccessCase& c = GetParam();
    status->setObjectName(QStringLiteral("Dm"));
    const int width = bar->sizeHint().width() - c.narrower;
    resizeTo(width);
    window.resize(width, bar->height());
    const QRect inWindow(window.mapToGlobal(QPoint(0, 0)), window.size());
    QList<QAccessibleInterface*> nodes;
    collect(QAccessible::queryAccessibleInterface(&window), &nodes);
    for (QAction* item : bar->actions()) {
        SCOPED_TRACE(item->text().toStdString());
        const auto isItem = [&](const QAccessibleInterface* candidate) { return candidate->object() == item; };
        ASSERT_EQ(std::count_if(nodes.begin(), nodes.end(), isItem), 1);
        const QAccessibleInterface* node = *std::find_if(nodes.begin(), nodes.end(), isItem);
        int drawnOn = 0;
        while (drawnOn < bar->rowCount() && !bar->row(drawnOn)->actions().contains(item))
            ++drawnOn;
        ASSERT_LT(drawnOn, bar->rowCount());
        const QMenuBar* row = bar->row(drawnOn);
        const QRect drawn = row->actionGeometry(item);
        EXPECT_EQ(node->rect(), QRect(row->mapToGlobal(drawn.topLeft()), drawn.size()));
        EXPECT_TRUE(inWindow.contains(node->rect()));
        if (item == status) {
            EXPECT_EQ(drawnOn, c.statusRow < 0 ? bar->rowCount() - 1 : c.statusRow);
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Rows, AccessibleMenuBarTest,
    testing::Values(AccessCase { "oneRow", 0, 0 }, AccessCase { "twoRows", 1, 1 }, AccessCase { "manyRows", 400, -1 }),
    caseName<AccessCase>);

} // namespace
