#include "app/workflow/poleresults.h"
#include "fakeservices.h"
#include "results/polenumber.h"
#include "results/resultlist.h"
#include "testsupport.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <gtest/gtest.h>

#include <functional>

using namespace norvel;

namespace {

void writeFile(const QString& path, const QByteArray& bytes, const QDateTime& modified)
{
    ASSERT_TRUE(QDir().mkpath(QFileInfo(path).path()));
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(bytes);
    ASSERT_TRUE(file.flush()); // else the close would make it new again
    ASSERT_TRUE(file.setFileTime(modified, QFileDevice::FileModificationTime));
}

// The pole's list and its file, with automatic saving on and 上書確認 at 60 seconds.
struct Pole {
    FakeServices fake;
    ResultList list { [this] { return fake.clockNow.date(); } };
    bool autoSave = true;
    PoleResults results { fake.services(), list, [this] { return autoSave; },
        [] {
            return PoleResults::OverwriteCheck { true, 60 };
        } };
    QString path() { return resultFilePath(fake.programFolder.path(), fake.clockNow.date(), QStringLiteral("1")); }
    void take(const char* width) { list.takeIn({ {}, QString::fromLatin1(width), WidthSource::TakeIn }, {}); }
};

struct OverwriteCase {
    const char* name;
    const char* before; // the file's content; nullptr: none
    int ageSeconds;
    bool answer;
    bool asked;
    const char* after;
};

class OverwriteTest : public ::testing::TestWithParam<OverwriteCase> { };

// A file the program neither read nor wrote is replaced under 上書確認's rule; declined, it is asked again only
// when the pole is left.
TEST_P(OverwriteTest, aFileNotOursIsReplacedOnlyUnderTheRule)
{
    const OverwriteCase& c = GetParam();
    Pole pole;
    if (c.before)
        writeFile(pole.path(), c.before, pole.fake.clockNow.addSecs(-c.ageSeconds));
    pole.fake.okAnswers.push_back(c.answer);
    pole.take("0.45");
    pole.take("0.50");
    EXPECT_TRUE(pole.results.onDisk());
    EXPECT_EQ(pole.fake.questions.size(), c.asked ? 1 : 0);
    EXPECT_EQ(readWholeFile(pole.path()), QByteArray(c.after));
    EXPECT_TRUE(pole.fake.errors.isEmpty());
}

INSTANTIATE_TEST_SUITE_P(Poles, OverwriteTest,
    ::testing::Values(OverwriteCase { "noFile", nullptr, 0, false, false, "1,0.45\r\n2,0.50\r\n" },
        OverwriteCase { "youngerThanTheLimit", "1,0.30\r\n", 30, false, false, "1,0.45\r\n2,0.50\r\n" },
        OverwriteCase { "olderDeclined", "1,0.30\r\n", 600, false, true, "1,0.30\r\n" },
        OverwriteCase { "olderAccepted", "1,0.30\r\n", 600, true, true, "1,0.45\r\n2,0.50\r\n" },
        // Rows the list holds already, as a crash leaves them: nothing is lost.
        OverwriteCase { "rowsTheListHolds", "1,0.45\r\n", 600, false, false, "1,0.45\r\n2,0.50\r\n" }),
    caseName<OverwriteCase>);

// What the list shows is what the file holds, at every change of the pole's rows.
TEST(PoleResults, theFileFollowsEveryChangeOfThePolesRows)
{
    const struct {
        const char* name;
        std::function<void(Pole&)> change;
        const char* file;
    } steps[] = {
        { "takeIn", [](Pole& p) { p.take("0.30"); }, "1,0.30\r\n" },
        { "shotWithoutWidth", [](Pole& p) { p.take(""); }, "1,0.30\r\n2,\r\n" },
        { "typed", [](Pole& p) { p.list.setByHand("0.35", WidthSource::Typed, {}); }, "1,0.30\r\n2,0.35\r\n" },
        { "clearOne", [](Pole& p) { p.list.clearLast({}); }, "1,0.30\r\n" },
        { "undo",
            [](Pole& p) {
                p.list.undo({ { "2", "0.35" } }, 2, p.list.day(), {});
            },
            "1,0.30\r\n2,0.35\r\n" },
        { "poleChangeLeavesIt", [](Pole& p) { p.list.changePole("2", false, {}); }, "1,0.30\r\n2,0.35\r\n" },
        { "backAndCleared",
            [](Pole& p) {
                p.list.changePole("1", false, {});
                p.list.resume(*p.results.resume("1"), {});
                p.list.clearAll(ResultCause::ClearAll, {});
            },
            "" },
        { "notSavingWritesNothing",
            [](Pole& p) {
                p.autoSave = false;
                p.take("0.40");
            },
            "" },
    };
    Pole pole;
    for (const auto& step : steps) {
        SCOPED_TRACE(step.name);
        step.change(pole);
        EXPECT_TRUE(pole.results.onDisk());
        EXPECT_EQ(readWholeFile(pole.path()), QByteArray(step.file));
    }
    EXPECT_TRUE(pole.fake.questions.isEmpty());
    EXPECT_FALSE(QFile::exists(resultFilePath(pole.fake.programFolder.path(), pole.fake.clockNow.date(), "2")));
}

// Rows listed while saving was off, or whose file was declined, reach the file before the pole is left, or the
// pole is not left.
TEST(PoleResults, settlingWritesWhatTheFileLacks_orRefuses)
{
    Pole pole;
    pole.autoSave = false;
    pole.take("0.30");
    pole.autoSave = true;
    EXPECT_TRUE(pole.results.settle());
    EXPECT_EQ(readWholeFile(pole.path()), QByteArray("1,0.30\r\n"));

    writeFile(pole.path(), "1,0.99\r\n", pole.fake.clockNow.addSecs(-600)); // changed outside
    pole.fake.okAnswers = { false, false };
    pole.take("0.40");
    EXPECT_FALSE(pole.results.settle());
    EXPECT_EQ(pole.fake.questions.size(), 2);
    EXPECT_EQ(readWholeFile(pole.path()), QByteArray("1,0.99\r\n"));
    EXPECT_TRUE(pole.results.settle()) << "accepted at last";
    EXPECT_EQ(readWholeFile(pole.path()), QByteArray("1,0.30\r\n2,0.40\r\n"));
}

TEST(PoleResults, aResumedRowKnowsItsPictures)
{
    Pole pole;
    const QString folder = QFileInfo(pole.path()).path();
    writeFile(pole.path(), "1,0.30\r\n2,0.35\r\n", pole.fake.clockNow);
    writeFile(folder + "/1_2.jpg", "jpeg", pole.fake.clockNow);
    writeFile(folder + "/原画像/1_2_IMG_0007.JPG", "camera", pole.fake.clockNow);
    const std::optional<QList<ResultRow>> rows = pole.results.resume("1");
    ASSERT_TRUE(rows);
    ASSERT_EQ(rows->size(), 2);
    EXPECT_EQ(rows->at(0).picture, QString());
    EXPECT_EQ(rows->at(1).picture, "1_2.jpg");
    EXPECT_EQ(rows->at(1).original, "1_2_IMG_0007.JPG");
}

TEST(PoleResults, aFileThatIsNoResultFile_isKeptAsideOnceAndNotResumed)
{
    Pole pole;
    const QString path = pole.path();
    writeFile(path, "not, a result\r\nfile", pole.fake.clockNow);
    EXPECT_EQ(pole.results.resume(QStringLiteral("1")), std::nullopt);
    EXPECT_EQ(pole.results.resume(QStringLiteral("1")), std::nullopt);
    EXPECT_EQ(pole.fake.errors.size(), 1);
    QFile aside(path + QStringLiteral(".bad"));
    ASSERT_TRUE(aside.open(QIODevice::ReadOnly));
    EXPECT_EQ(aside.readAll(), QByteArray("not, a result\r\nfile"));
    EXPECT_FALSE(QFile::exists(path + QStringLiteral(".bad.2")));
}

} // namespace
