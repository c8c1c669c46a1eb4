#include "app/workflow/poleresults.h"
#include "app/workflow/rowclearing.h"
#include "core/dayfolder.h"
#include "fakeservices.h"
#include "testsupport.h"

#include <QDirIterator>

#include <gtest/gtest.h>

using namespace norvel;

namespace {

// Before each script: pole 1 with two shots, each filed with its original, and facts (rust) for row 2. Script:
// 1 clear the last row, a clear all (answered OK), A clear all declined, u undo, f a file 1_2.jpg appears, b 取消
// is a file in the way.
struct ClearCase {
    const char* name;
    const char* script;
    QStringList files; // below the pole folder afterwards, "name=content"
    QStringList widths;
    bool rusty; // row 2's facts
    int errors;
};

const QStringList Before { "1_1.jpg=filed 1", "1_2.jpg=filed 2", "No1CP.csv=1,0.31\r\n2,0.32\r\n",
    "原画像/1_1_IMG.JPG=camera 1", "原画像/1_2_IMG.JPG=camera 2" };

class RowClearingTest : public ::testing::TestWithParam<ClearCase> {
protected:
    QString folder() { return poleFolderPath(fake.programFolder.path(), fake.clockNow.date(), "1"); }
    QString dayFolder() { return dayFolderPath(fake.programFolder.path(), fake.clockNow.date()); }
    QStringList files()
    {
        QStringList found;
        for (QDirIterator it(folder(), QDir::Files, QDirIterator::Subdirectories); it.hasNext();) {
            const QString path = it.next();
            found << QDir(folder()).relativeFilePath(path) + "=" + QString::fromUtf8(readWholeFile(path));
        }
        found.sort();
        return found;
    }

    FakeServices fake;
    ResultList list { [this] { return fake.clockNow.date(); } };
    PoleResults results { fake.services(), list, [] { return true; }, [] { return PoleResults::OverwriteCheck {}; } };
    RowClearing clearing { fake.services(), list, results, [] {} };
};

// Nothing is deleted: the rows' pictures wait in 取消 until the clear is undone, and the facts go and come with them.
TEST_P(RowClearingTest, movesThePicturesAsideAndBringsThemBack)
{
    const ClearCase& c = GetParam();
    QString error;
    CrackFacts rust;
    rust.rust = true;
    for (const QString n : { "1", "2" }) {
        ASSERT_TRUE(QDir().mkpath(folder() + "/原画像"));
        ASSERT_TRUE(writeWholeFile(folder() + "/1_" + n + ".jpg", "filed " + n.toLatin1()));
        ASSERT_TRUE(writeWholeFile(folder() + "/原画像/1_" + n + "_IMG.JPG", "camera " + n.toLatin1()));
        list.takeIn({ .width = "0.3" + n, .source = WidthSource::TakeIn, .original = "1_" + n + "_IMG.JPG" }, {});
    }
    ASSERT_TRUE(appendInspectionFacts(dayFolder(), crackFactsLine(fake.clockNow, "1", 2, rust), &error));
    ASSERT_TRUE(writeWholeFile(folder() + "/取消/1_2.jpg", "cleared earlier"));
    for (const char step : std::string(c.script)) {
        fake.okAnswers = { step == 'a' };
        switch (step) {
        case '1':
            clearing.clearLast({});
            break;
        case 'a':
        case 'A':
            clearing.clearAll(ResultCause::ClearAll, {});
            break;
        case 'u':
            clearing.undo({});
            break;
        case 'f':
            ASSERT_TRUE(writeWholeFile(folder() + "/1_2.jpg", "another"));
            break;
        case 'b':
            ASSERT_TRUE(QDir(folder() + "/取消").removeRecursively());
            ASSERT_TRUE(writeWholeFile(folder() + "/取消", "in the way"));
            break;
        }
    }
    ASSERT_TRUE(results.onDisk());
    QStringList expected = c.files;
    expected << (c.script[0] == 'b' ? "取消=in the way" : "取消/1_2.jpg=cleared earlier");
    expected.sort();
    EXPECT_EQ(files(), expected);
    EXPECT_EQ(list.widths(), c.widths);
    EXPECT_EQ(readInspectionFactsOf(dayFolder(), &error).crack("1", 2).rust == true, c.rusty);
    EXPECT_EQ(fake.errors.size(), c.errors);
}

INSTANTIATE_TEST_SUITE_P(Clears, RowClearingTest,
    testing::Values(ClearCase { "clearOne", "1",
                        { "1_1.jpg=filed 1", "No1CP.csv=1,0.31\r\n", "原画像/1_1_IMG.JPG=camera 1",
                            "取消/1_2_2.jpg=filed 2", "取消/原画像/1_2_IMG.JPG=camera 2" },
                        { "0.31" }, false, 0 },
        ClearCase { "clearOneUndone", "1u", Before, { "0.31", "0.32" }, true, 0 },
        ClearCase { "clearAllDeclined", "A", Before, { "0.31", "0.32" }, true, 0 },
        ClearCase { "clearAllUndone", "au", Before, { "0.31", "0.32" }, true, 0 },
        ClearCase { "undoOnce", "auu", Before, { "0.31", "0.32" }, true, 0 },
        // A picture that cannot be moved keeps its row: the clear is refused whole, and said.
        ClearCase { "cannotMove", "ba", Before, { "0.31", "0.32" }, true, 1 },
        // Another picture under a cleared row's name would be taken for it: the clear is not undone over it.
        ClearCase { "newFileUnderAClearedName", "1fu",
            { "1_1.jpg=filed 1", "1_2.jpg=another", "No1CP.csv=1,0.31\r\n", "原画像/1_1_IMG.JPG=camera 1",
                "取消/1_2_2.jpg=filed 2", "取消/原画像/1_2_IMG.JPG=camera 2" },
            { "0.31" }, false, 1 }),
    caseName<ClearCase>);

TEST(RowClearingQuestion, namesTheCountOfRowsInTheFile)
{
    FakeServices fake;
    ResultList list([&] { return fake.clockNow.date(); });
    PoleResults results(
        fake.services(), list, [] { return true; }, [] { return PoleResults::OverwriteCheck {}; });
    RowClearing clearing(fake.services(), list, results, [] {});
    list.takeIn({ .width = "0.31" }, {});
    list.takeIn({ .width = "0.32" }, {});
    ASSERT_TRUE(results.onDisk());
    fake.okAnswers = { false };
    EXPECT_FALSE(clearing.clearAll(ResultCause::ClearAfterCopy, {}));
    EXPECT_EQ(fake.questions,
        QStringList { "調査柱No「1」の測定結果 2 件をすべてクリアしますか？\n結果ファイルからも除き、"
                      "写真は「取消」フォルダに移します（「編集」→「元に戻す」で戻せます）。" });
}

} // namespace
