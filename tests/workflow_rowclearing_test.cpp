#include "app/workflow/poleresults.h"
#include "app/workflow/rowclearing.h"
#include "core/dayfolder.h"
#include "fakeservices.h"
#include "testsupport.h"

#include <QDirIterator>

#include <gtest/gtest.h>

using namespace norvel;

namespace {

// Pole 1 with two shots taken in, each filed with its original, and facts for row 2.
class RowClearingTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        for (int row = 1; row <= 2; ++row) {
            const QString n = QString::number(row);
            ASSERT_TRUE(QDir().mkpath(folder() + "/原画像"));
            ASSERT_TRUE(writeWholeFile(folder() + "/1_" + n + ".jpg", "filed " + n.toLatin1()));
            ASSERT_TRUE(writeWholeFile(folder() + "/原画像/1_" + n + "_IMG.JPG", "camera " + n.toLatin1()));
            list.takeIn({ {}, "0.3" + n, WidthSource::TakeIn, false, "1_" + n + ".jpg", "1_" + n + "_IMG.JPG" }, {});
        }
        QString error;
        ASSERT_TRUE(appendInspectionFacts(dayFolder(), crackFactsLine(fake.clockNow, "1", 2, rusty()), &error));
        ASSERT_TRUE(results.onDisk());
    }
    static CrackFacts rusty()
    {
        CrackFacts facts;
        facts.rust = true;
        return facts;
    }
    QString dayFolder() { return dayFolderPath(fake.programFolder.path(), fake.clockNow.date()); }
    QString folder() { return poleFolderPath(fake.programFolder.path(), fake.clockNow.date(), "1"); }
    // Every file below the pole folder, relative to it, with its content.
    QStringList files()
    {
        QStringList found;
        for (QDirIterator it(folder(), QDir::Files, QDirIterator::Subdirectories); it.hasNext();) {
            const QString path = it.next();
            QFile file(path);
            EXPECT_TRUE(file.open(QIODevice::ReadOnly));
            found << QDir(folder()).relativeFilePath(path) + "=" + QString::fromUtf8(file.readAll());
        }
        found.sort();
        return found;
    }
    CrackFacts factsOfRow2()
    {
        QString error;
        return readInspectionFactsOf(dayFolder(), &error).crack("1", 2);
    }

    FakeServices fake;
    ResultList list { [this] { return fake.clockNow.date(); } };
    PoleResults results { fake.services(), list, [] { return true; }, [] { return PoleResults::OverwriteCheck {}; } };
    int finished = 0;
    RowClearing clearing { fake.services(), list, results, [this] { ++finished; } };
};

const QStringList Before { "1_1.jpg=filed 1", "1_2.jpg=filed 2", "No1CP.csv=1,0.31\r\n2,0.32\r\n",
    "原画像/1_1_IMG.JPG=camera 1", "原画像/1_2_IMG.JPG=camera 2" };

// Nothing is deleted: the rows' pictures wait in 取消 until the clear is undone, and the facts go and come with them.
TEST_F(RowClearingTest, clearOne_movesItsPicturesAside_andUndoBringsThemBack)
{
    ASSERT_EQ(files(), Before);
    ASSERT_TRUE(writeWholeFile(folder() + "/取消/1_2.jpg", "cleared earlier"));
    EXPECT_TRUE(clearing.clearLast({}));
    ASSERT_TRUE(results.onDisk());
    EXPECT_EQ(files(),
        (QStringList { "1_1.jpg=filed 1", "No1CP.csv=1,0.31\r\n", "原画像/1_1_IMG.JPG=camera 1",
            "取消/1_2.jpg=cleared earlier", "取消/1_2_2.jpg=filed 2", "取消/原画像/1_2_IMG.JPG=camera 2" }));
    EXPECT_EQ(factsOfRow2(), CrackFacts {});
    EXPECT_EQ(finished, 1) << "a filing under way ends first";
    ASSERT_TRUE(clearing.canUndo());

    EXPECT_TRUE(clearing.undo({}));
    ASSERT_TRUE(results.onDisk());
    QFile::remove(folder() + "/取消/1_2.jpg");
    EXPECT_EQ(files(), Before);
    EXPECT_EQ(factsOfRow2(), rusty());
    EXPECT_EQ(list.widths(), (QStringList { "0.31", "0.32" }));
    EXPECT_FALSE(clearing.canUndo()) << "once";
    EXPECT_TRUE(fake.errors.isEmpty());
}

TEST_F(RowClearingTest, clearAll_asksNamingTheCount_andCancelKeepsEverything)
{
    fake.okAnswers = { false };
    EXPECT_FALSE(clearing.clearAll(ResultCause::ClearAll, {}));
    ASSERT_EQ(fake.questions.size(), 1);
    EXPECT_TRUE(fake.questions[0].contains("2 件")) << fake.questions[0].toStdString();
    EXPECT_EQ(files(), Before);
    EXPECT_EQ(list.count(), 2);

    EXPECT_TRUE(clearing.clearAll(ResultCause::ClearAfterCopy, {}));
    ASSERT_TRUE(results.onDisk());
    EXPECT_EQ(files(),
        (QStringList { "No1CP.csv=", "取消/1_1.jpg=filed 1", "取消/1_2.jpg=filed 2", "取消/原画像/1_1_IMG.JPG=camera 1",
            "取消/原画像/1_2_IMG.JPG=camera 2" }));
    EXPECT_TRUE(clearing.undo({}));
    ASSERT_TRUE(results.onDisk());
    EXPECT_EQ(files(), Before);
}

// A picture that cannot be moved keeps its row: the clear is refused whole, and said.
TEST_F(RowClearingTest, aPictureThatCannotMove_keepsTheRowsAndSaysSo)
{
    ASSERT_TRUE(writeWholeFile(folder() + "/取消", "in the way"));
    EXPECT_FALSE(clearing.clearAll(ResultCause::ClearAll, {}));
    EXPECT_EQ(fake.errors.size(), 1);
    EXPECT_EQ(list.count(), 2);
    QFile::remove(folder() + "/取消");
    EXPECT_EQ(files(), Before);
    EXPECT_FALSE(clearing.canUndo());
}

// Another picture under a cleared row's name would be taken for it: the clear is not undone over it.
TEST_F(RowClearingTest, undo_isRefusedWhereANewFileTookAClearedName)
{
    ASSERT_TRUE(clearing.clearLast({}));
    ASSERT_TRUE(writeWholeFile(folder() + "/1_2.jpg", "another"));
    EXPECT_FALSE(clearing.undo({}));
    EXPECT_EQ(fake.errors.size(), 1);
    EXPECT_EQ(list.count(), 1);
}

} // namespace
