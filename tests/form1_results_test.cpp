#include "form1fixture.h"
#include "platform/flexgrid.h"
#include "testsupport.h"

#include <QLineEdit>
#include <QMenu>
#include <QPushButton>

using namespace norvel;

namespace {

class Form1ResultsTest : public Form1Fixture {
protected:
    FlexGrid* grid2() { return get<FlexGrid>(QStringLiteral("MSFlexGrid2")); }
    QLineEdit* text3() { return get<QLineEdit>(QStringLiteral("Text3")); }
    QPushButton* button(const char* name) { return get<QPushButton>(QString::fromLatin1(name)); }
    QAction* soku(int i) { return menuItem(QStringLiteral("sokuDD(%1)").arg(i)); }

    // Results as the analysis leaves them: numbered rows with their widths, copy buttons enabled.
    void fill(const QStringList& widths)
    {
        grid2()->setRows(static_cast<int>(widths.size()));
        for (int row = 0; row < widths.size(); ++row) {
            grid2()->setTextMatrix(row, 0, QString::number(row + 1));
            grid2()->setTextMatrix(row, 1, widths[row]);
        }
        button("Command4(0)")->setEnabled(true);
        button("Command4(1)")->setEnabled(true);
    }

    QStringList widths()
    {
        QStringList cells;
        for (int row = 0; row < grid2()->rows(); ++row)
            cells << grid2()->textMatrix(row, 1);
        return cells;
    }

    QStringList shownItems()
    {
        QStringList captions;
        for (int i = 0; i < 6; ++i) {
            if (soku(i)->isVisible())
                captions << soku(i)->text();
        }
        return captions;
    }
};

TEST_F(Form1ResultsTest, measuredValuesMenu_listsTheLastSixResults)
{
    fill({ "0.11", "0.12", "0.13", "0.14", "0.15", "0.16", "0.17" });
    form->SodDt();
    EXPECT_EQ(shownItems(), QStringList({ "2: 0.12", "3: 0.13", "4: 0.14", "5: 0.15", "6: 0.16", "7: 0.17" }));
    EXPECT_EQ(grid2()->row(), 6);
    EXPECT_EQ(grid2()->col(), 1);
}

TEST_F(Form1ResultsTest, clearOne_dropsTheLastRowButLeavesItsMenuItemUntilTheListEmpties)
{
    fill({ "0.35", "0.40", "0.45" });
    form->SodDt();
    button("Command3(1)")->click();
    EXPECT_EQ(widths(), QStringList({ "0.35", "0.40" }));
    EXPECT_EQ(shownItems(), QStringList({ "1: 0.35", "2: 0.40", "3: 0.45" }));
    EXPECT_TRUE(button("Command4(0)")->isEnabled());

    menuItem(QStringLiteral("col(1)"))->trigger();
    menuItem(QStringLiteral("col(1)"))->trigger();
    EXPECT_EQ(grid2()->rows(), 0);
    EXPECT_EQ(shownItems(), QStringList({ "" }));
    button("Command3(1)")->click(); // harmless on an empty list
    EXPECT_EQ(grid2()->rows(), 0);
    EXPECT_TRUE(button("Command4(1)")->isEnabled()); // only clearing all disables copying
}

TEST_F(Form1ResultsTest, clearAll_emptiesTheListAndDisablesTheCopyButtonsOnly)
{
    fill({ "0.35", "0.40" });
    form->SodDt();
    menuItem(QStringLiteral("col(0)"))->trigger();
    EXPECT_EQ(grid2()->rows(), 0);
    EXPECT_EQ(shownItems(), QStringList({ "" }));
    EXPECT_FALSE(button("Command4(0)")->isEnabled());
    EXPECT_FALSE(button("Command4(1)")->isEnabled());
    EXPECT_TRUE(menuItem(QStringLiteral("cop(0)"))->isEnabled());

    menuItem(QStringLiteral("cop(0)"))->trigger();
    EXPECT_EQ(fake.clipboardText, QString());
}

struct CopyCase {
    const char* name;
    const char* control;
    bool clearAfterCopy;
    const char* clipboard;
};

class CopyTest : public Form1ResultsTest, public ::testing::WithParamInterface<CopyCase> { };

TEST_P(CopyTest, putsTheWidthsOnTheClipboardAndClearsWhenAsked)
{
    const CopyCase& c = GetParam();
    if (!c.clearAfterCopy)
        menuItem(QStringLiteral("copC"))->trigger();
    fill({ "0.35", "0.40" });
    const QString control = QString::fromLatin1(c.control);
    if (control.startsWith(QLatin1String("Command")))
        button(c.control)->click();
    else
        menuItem(control)->trigger();

    EXPECT_EQ(fake.clipboardText, QString::fromLatin1(c.clipboard));
    EXPECT_EQ(grid2()->rows(), c.clearAfterCopy ? 0 : 2);
    EXPECT_EQ(button("Command4(0)")->isEnabled(), !c.clearAfterCopy);
}

INSTANTIATE_TEST_SUITE_P(Copies, CopyTest,
    ::testing::Values(CopyCase { "vertical", "Command4(0)", true, "0.35\r\n0.40\r\n" },
        CopyCase { "horizontal", "Command4(1)", true, "0.35\t0.40\t" },
        CopyCase { "verticalKept", "Command4(0)", false, "0.35\r\n0.40\r\n" },
        CopyCase { "menuHorizontalKept", "cop(1)", false, "0.35\t0.40\t" }),
    caseName<CopyCase>);

TEST_F(Form1ResultsTest, correction_replacesTheLastWidthAsTyped)
{
    fill({ "0.35", "0.40" });
    text3()->setText(QStringLiteral("0.42"));
    EXPECT_EQ(widths(), QStringList({ "0.35", "0.42" }));
    EXPECT_EQ(get<QMenu>(QStringLiteral("soku"))->title(), "測定値:0.42mm");

    QTest::keyClicks(text3(), QStringLiteral("abc"));
    EXPECT_EQ(widths(), QStringList({ "0.35", "0.42abc" })); // no check that it is a number
    EXPECT_EQ(shownItems(), QStringList({ "" })); // the menu items wait for the next refresh
}

TEST_F(Form1ResultsTest, correction_withoutResults_isIgnored)
{
    text3()->setText(QStringLiteral("0.42"));
    EXPECT_EQ(grid2()->rows(), 0);
    EXPECT_EQ(get<QMenu>(QStringLiteral("soku"))->title(), "測定値：");
}

} // namespace
