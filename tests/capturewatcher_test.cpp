#include "acquisition/camerafolder.h"
#include "acquisition/capturewatcher.h"
#include "testsupport.h"

#include <QStringList>

#include <gtest/gtest.h>

#include <map>
#include <utility>
#include <vector>

using namespace norvel;

namespace {

// A folder listed in the order given, whose files may be locked against deletion.
class FakeFolder final : public CaptureFolder {
public:
    QString firstName() override
    {
        ++listings;
        return names.value(0);
    }
    bool remove(const QString& name) override
    {
        const bool removed = deletable && names.removeOne(name);
        removals << (removed ? QStringLiteral("-") : QStringLiteral("!")) + name;
        return removed;
    }

    QStringList names;
    bool deletable = true;
    int listings = 0;
    QStringList removals; // "-a.jpg" deleted, "!a.jpg" refused
};

struct WatchCase {
    const char* name;
    QStringList files;
    std::map<int, QStringList> relisted; // the whole listing from the given tick on
    int deletableFrom; // the first tick at which files can be deleted
    std::vector<TakeInResult> answers; // take-ins past these measure the picture
    // Per tick: the status, the pending name and the removals tried during that tick.
    QStringList ticks;
    QStringList takenIn;
};

void PrintTo(const WatchCase& c, std::ostream* os)
{
    *os << c.name;
}

class CaptureWatcherTest : public ::testing::TestWithParam<WatchCase> { };

TEST_P(CaptureWatcherTest, takesEachShotInOnceThenDeletesIt)
{
    const WatchCase& c = GetParam();
    FakeFolder folder;
    folder.names = c.files;
    CaptureWatcher watcher;
    QStringList takenIn;
    const auto takeIn = [&](const QString& name) {
        const std::size_t call = takenIn.size();
        takenIn << name;
        return call < c.answers.size() ? c.answers[call] : TakeInResult::Measured;
    };
    QStringList ticks;
    for (int tick = 0; tick < c.ticks.size(); ++tick) {
        if (const auto listing = c.relisted.find(tick); listing != c.relisted.end())
            folder.names = listing->second;
        folder.deletable = tick >= c.deletableFrom;
        folder.removals.clear();
        watcher.tick(folder, takeIn);
        ticks << (QStringList { watcher.status(), watcher.pendingName() } + folder.removals).join(u' ').simplified();
    }
    EXPECT_EQ(ticks, c.ticks);
    EXPECT_EQ(takenIn, c.takenIn);
    EXPECT_EQ(folder.listings, c.ticks.size()); // one listing a tick, however busy the folder
}

constexpr int Never = 100;

const WatchCase watchCases[] = {
    { "emptyFolder", {}, {}, 0, {}, { "", "", "" }, {} },
    { "oneShot", { "a.jpg" }, {}, 0, {}, { "Ready a.jpg", "Lood a.jpg -a.jpg", "NoFile" }, { "a.jpg" } },
    { "loadFailsTwice", { "a.jpg" }, {}, 0, { TakeInResult::LoadFailed, TakeInResult::LoadFailed },
        { "Ready a.jpg", "LoodErr a.jpg", "LoodErr a.jpg", "Lood a.jpg -a.jpg", "NoFile" },
        { "a.jpg", "a.jpg", "a.jpg" } },
    { "deletableLater", { "a.jpg" }, {}, 2, {}, { "Ready a.jpg", "Lood a.jpg !a.jpg", "Kill a.jpg -a.jpg", "NoFile" },
        { "a.jpg" } },
    { "neverDeletable", { "a.jpg" }, {}, Never, {},
        { "Ready a.jpg", "Lood a.jpg !a.jpg", "KillErr a.jpg !a.jpg", "KillErr a.jpg !a.jpg" }, { "a.jpg" } },
    { "declined", { "a.jpg" }, {}, 0, { TakeInResult::Declined },
        { "Ready a.jpg", "Lood a.jpg", "Kill a.jpg -a.jpg", "NoFile" }, { "a.jpg" } },
    { "twoShots", { "a.jpg", "b.jpg" }, {}, 0, {},
        { "Ready a.jpg", "Lood a.jpg -a.jpg", "Ready b.jpg", "Lood b.jpg -b.jpg", "NoFile" }, { "a.jpg", "b.jpg" } },
    // The camera writes every shot under one name: the next one may be there by the tick after the delete.
    { "nameReused", { "a.jpg" }, { { 2, { "a.jpg" } } }, 0, {},
        { "Ready a.jpg", "Lood a.jpg -a.jpg", "Ready a.jpg", "Lood a.jpg -a.jpg", "NoFile" }, { "a.jpg", "a.jpg" } },
    // A left-over the user deleted by hand is forgotten, so a new shot of that name is not deleted unseen.
    { "leftOverGoneThenReused", { "a.jpg" }, { { 2, {} }, { 3, { "a.jpg" } } }, 3, {},
        { "Ready a.jpg", "Lood a.jpg !a.jpg", "NoFile", "Ready a.jpg", "Lood a.jpg -a.jpg" }, { "a.jpg", "a.jpg" } },
    { "listingChanges", { "a.jpg" }, { { 1, { "b.jpg", "a.jpg" } } }, 0, {},
        { "Ready a.jpg", "Ready b.jpg", "Lood b.jpg -b.jpg", "Ready a.jpg", "Lood a.jpg -a.jpg" },
        { "b.jpg", "a.jpg" } },
};

INSTANTIATE_TEST_SUITE_P(Folders, CaptureWatcherTest, ::testing::ValuesIn(watchCases), caseName<WatchCase>);

TEST(CaptureWatcherStatusTest, reportsEveryStatusAndLoodWhileTakingIn)
{
    FakeFolder folder;
    folder.names = QStringList { "a.jpg" };
    QStringList reported;
    CaptureWatcher watcher([&](const QString& status) { reported << status; });
    bool failNext = true;
    const auto takeIn = [&](const QString& name) {
        EXPECT_EQ(watcher.status(), "Lood"); // the window shows it while the picture loads
        reported << QStringLiteral("takeIn ") + name;
        return std::exchange(failNext, false) ? TakeInResult::LoadFailed : TakeInResult::Measured;
    };
    EXPECT_EQ(watcher.tick(folder, takeIn), std::nullopt);
    EXPECT_EQ(watcher.tick(folder, takeIn), TakeInResult::LoadFailed);
    EXPECT_EQ(watcher.tick(folder, takeIn), TakeInResult::Measured);
    EXPECT_EQ(watcher.tick(folder, takeIn), std::nullopt);
    EXPECT_EQ(watcher.tick(folder, takeIn), std::nullopt); // nothing left and nothing pending: no report
    EXPECT_EQ(reported, QStringList({ "Ready", "Lood", "takeIn a.jpg", "LoodErr", "Lood", "takeIn a.jpg", "NoFile" }));
}

} // namespace
