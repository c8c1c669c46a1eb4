#include "form1fixture.h"
#include "testsupport.h"
#include "widgets/flexgrid.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QInputMethodEvent>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QSignalSpy>

using namespace norvel;

namespace {

class Form1ResultsTest : public Form1Fixture {
public:
    FlexGrid* grid2() { return get<FlexGrid>(QStringLiteral("MSFlexGrid2")); }
    QLineEdit* text3() { return get<QLineEdit>(QStringLiteral("Text3")); }
    QPushButton* button(const char* name) { return get<QPushButton>(QString::fromLatin1(name)); }
    QAction* soku(int i) { return menuItem(QStringLiteral("sokuDD(%1)").arg(i)); }

    // Results as the analysis leaves them: numbered rows with their widths, copy buttons enabled.
    void fill(const QStringList& widths)
    {
        listRows(widths);
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
    const QStringList itemsBefore = shownItems();
    text3()->setText(QStringLiteral("0.42"));
    EXPECT_EQ(widths(), QStringList({ "0.35", "0.42" }));
    EXPECT_EQ(get<QMenu>(QStringLiteral("soku"))->title(), "測定値:0.42mm");

    QTest::keyClicks(text3(), QStringLiteral("abc"));
    EXPECT_EQ(widths(), QStringList({ "0.35", "0.42abc" })); // no check that it is a number
    EXPECT_EQ(shownItems(), itemsBefore); // the menu items wait for the next refresh
}

TEST_F(Form1ResultsTest, correction_withoutResults_isIgnored)
{
    text3()->setText(QStringLiteral("0.42"));
    EXPECT_EQ(grid2()->rows(), 0);
    EXPECT_EQ(get<QMenu>(QStringLiteral("soku"))->title(), "測定値：");
}

enum class Input { Key, InputMethod, Paste, SetText };

struct FullWidthCase {
    const char* name;
    const char* box;
    Input input;
    const char* before; // the box's text, the caret at caretBefore
    int caretBefore;
    const char* given; // one keystroke, one commit, one paste or one setText
    const char* after; // the box's text after it, the caret at caretAfter
    int caretAfter;
};

void PrintTo(const FullWidthCase& c, std::ostream* os)
{
    *os << c.name;
}

class FullWidthTest : public Form1ResultsTest, public testing::WithParamInterface<FullWidthCase> { };

// A change of a box runs its handling (Text4's is a pole change), so one input must change it once, already
// converted, never first with the full-width text.
TEST_P(FullWidthTest, oneInputChangesTheBoxOnceToHalfWidth)
{
    const FullWidthCase& c = GetParam();
    auto* box = get<QLineEdit>(QString::fromLatin1(c.box));
    box->setText(QString::fromUtf8(c.before));
    box->setCursorPosition(c.caretBefore);
    const QString given = QString::fromUtf8(c.given);
    QSignalSpy changes(box, &QLineEdit::textChanged);
    switch (c.input) {
    case Input::Key:
        QTest::sendKeyEvent(QTest::Click, box, Qt::Key_unknown, given, Qt::NoModifier);
        break;
    case Input::InputMethod: {
        QInputMethodEvent commit;
        commit.setCommitString(given);
        QApplication::sendEvent(box, &commit);
        break;
    }
    case Input::Paste:
        QGuiApplication::clipboard()->setText(given);
        box->paste();
        break;
    case Input::SetText:
        box->setText(given);
        break;
    }
    ASSERT_EQ(changes.size(), 1);
    EXPECT_EQ(changes[0][0].toString(), QString::fromUtf8(c.after));
    EXPECT_EQ(box->text(), QString::fromUtf8(c.after));
    EXPECT_EQ(box->cursorPosition(), c.caretAfter);
    if (c.input == Input::Key || c.input == Input::InputMethod) {
        box->undo(); // typing keeps its undo
        EXPECT_EQ(box->text(), QString::fromUtf8(c.before));
    }
}

INSTANTIATE_TEST_SUITE_P(Boxes, FullWidthTest,
    testing::Values(FullWidthCase { "thresholdKeyInTheMiddle", "Text2", Input::Key, "40", 1, "５", "450", 2 },
        FullWidthCase { "correctionKey", "Text3", Input::Key, "0.1", 3, "５", "0.15", 4 },
        FullWidthCase { "correctionHalfWidthKey", "Text3", Input::Key, "0.1", 3, "5", "0.15", 4 },
        FullWidthCase { "correctionPoint", "Text3", Input::Key, "0", 1, "．", "0.", 2 },
        FullWidthCase { "poleCommit", "Text4", Input::InputMethod, "", 0, "１２", "12", 2 },
        FullWidthCase { "poleMinusCommit", "Text4", Input::InputMethod, "7", 0, "−", "-7", 1 },
        FullWidthCase { "poleHalfWidthCommit", "Text4", Input::InputMethod, "1", 1, "2", "12", 2 },
        FullWidthCase { "secondsPaste", "Text5", Input::Paste, "3", 0, "１\u3000", "1 3", 2 },
        FullWidthCase { "limitSetText", "Text6", Input::SetText, "1", 1, "－０，５", "-0,5", 4 },
        FullWidthCase { "correctionSetText", "Text3", Input::SetText, "0", 1, "０．５０", "0.50", 4 }),
    caseName<FullWidthCase>);

TEST_F(Form1ResultsTest, correction_typedInFullWidth_isListedAsTheHalfWidthNumber)
{
    fill({ "0.35", "0.40" });
    text3()->selectAll();
    QInputMethodEvent commit;
    commit.setCommitString(QStringLiteral("０．５０"));
    QApplication::sendEvent(text3(), &commit);
    EXPECT_EQ(widths(), QStringList({ "0.35", "0.50" }));
    EXPECT_EQ(get<QMenu>(QStringLiteral("soku"))->title(), "測定値:0.50mm");
}

} // namespace

namespace {

struct WiringCase {
    const char* name;
    std::function<void(Form1ResultsTest&)> act;
    QStringList widths; // the list afterwards
    QStringList questions;
    const char* file; // pole 1's result file afterwards
};

class ListWiringTest : public Form1ResultsTest, public ::testing::WithParamInterface<WiringCase> { };

// A picture of pole 1 analysed to 0.44, then the command: the list, the questions and the file that follows it.
TEST_P(ListWiringTest, eachCommandChangesTheListOnceAndTheFileFollows)
{
    const WiringCase& c = GetParam();
    open(writePicture(QStringLiteral("band.jpg"), bandShot(40)));
    button("Command2")->click();
    ASSERT_EQ(widths(), QStringList { "0.44" });
    c.act(*this);
    EXPECT_EQ(widths(), c.widths);
    EXPECT_EQ(fake.questions, c.questions);
    const QString file = fake.programFolder.filePath(QStringLiteral("20221019/1/No1CP.csv"));
    EXPECT_TRUE(QTest::qWaitFor([&] { return contents(file) == c.file; }, 5000)) << contents(file).toStdString();
}

INSTANTIATE_TEST_SUITE_P(Commands, ListWiringTest,
    testing::Values(
        // The menu title runs an analysis as it opens: after a pole change there is no picture of the new pole.
        WiringCase { "analysisMenuAfterAPoleChange",
            [](Form1ResultsTest& run) {
                run.get<QLineEdit>(QStringLiteral("Text4"))->setText(QStringLiteral("2"));
                Q_EMIT run.get<QMenu>(QStringLiteral("Bun"))->aboutToShow();
            },
            {}, {}, "1,0.44\r\n" },
        WiringCase { "typedKeptAgainstTheAnalysis",
            [](Form1ResultsTest& run) {
                run.text3()->setText(QStringLiteral("０．０７"));
                run.fake.okAnswers = { false };
                run.button("Command2")->click();
            },
            { "0.07" }, { "修正した値 0.07 を分析の値 0.44 で置き換えますか？" }, "1,0.07\r\n" },
        WiringCase { "clearOneThenUndo",
            [](Form1ResultsTest& run) {
                run.button("Command3(1)")->click();
                EXPECT_TRUE(run.menuItem(QStringLiteral("Undo"))->isEnabled());
                run.menuItem(QStringLiteral("Undo"))->trigger();
                EXPECT_FALSE(run.menuItem(QStringLiteral("Undo"))->isEnabled());
            },
            { "0.44" }, {}, "1,0.44\r\n" },
        WiringCase { "clearAllDeclined",
            [](Form1ResultsTest& run) {
                ASSERT_TRUE(QTest::qWaitFor(
                    [&] { return QFile::exists(run.fake.programFolder.filePath("20221019/1/No1CP.csv")); }));
                run.fake.okAnswers = { false };
                run.menuItem(QStringLiteral("col(0)"))->trigger();
            },
            { "0.44" },
            { "調査柱No「1」の測定結果 1 "
              "件をすべてクリアしますか？\n結果ファイルからも除き、写真は「取消」フォルダに移します（「編集」→「元に戻"
              "す」で戻せます）。" },
            "1,0.44\r\n" }),
    caseName<WiringCase>);

} // namespace
