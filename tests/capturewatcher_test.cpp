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

// A folder listed in the order given, whose files may be locked against deletion or moving.
class FakeFolder final : public CaptureFolder {
public:
    bool usable() const override { return isUsable; }
    QByteArray firstName(const QSet<QByteArray>& passOver) override
    {
        ++listings;
        for (const QString& name : std::as_const(names))
            if (!passOver.contains(name.toUtf8()))
                return name.toUtf8();
        return {};
    }
    bool exists(const QByteArray& name) override { return names.contains(QString::fromUtf8(name)); }
    bool remove(const QByteArray& name) override
    {
        const bool removed = deletable && names.removeOne(QString::fromUtf8(name));
        removals << (removed ? QStringLiteral("-") : QStringLiteral("!")) + QString::fromUtf8(name);
        return removed;
    }
    bool setAside(const QByteArray& name, QString* reason) override
    {
        const bool moved = movable && names.removeOne(QString::fromUtf8(name));
        removals << (moved ? QStringLiteral(">") : QStringLiteral("?")) + QString::fromUtf8(name);
        *reason = QStringLiteral("cannot move ") + QString::fromUtf8(name);
        return moved;
    }

    QStringList names;
    bool isUsable = true;
    bool deletable = true;
    bool movable = true;
    int listings = 0;
    QStringList removals; // "-a.jpg" deleted, "!a.jpg" refused; ">a.jpg" set aside, "?a.jpg" refused
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
    int movableFrom = 0;
    int tickMs = 500;
    QStringList reports = {};
    // Names the file system told of before the given step, which is then the step for arrivals, not a tick.
    std::map<int, QStringList> arrived = {};
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
    QStringList reports;
    CaptureWatcher watcher({}, [&](const QString& text) { reports << text; });
    QStringList takenIn;
    const auto takeIn = [&](const QByteArray& name) {
        const std::size_t call = takenIn.size();
        takenIn << QString::fromUtf8(name);
        return call < c.answers.size() ? c.answers[call] : TakeInResult::Measured;
    };
    QStringList ticks;
    for (int tick = 0; tick < c.ticks.size(); ++tick) {
        if (const auto listing = c.relisted.find(tick); listing != c.relisted.end())
            folder.names = listing->second;
        folder.deletable = tick >= c.deletableFrom;
        folder.movable = tick >= c.movableFrom;
        folder.removals.clear();
        const QDateTime now = QDateTime::fromMSecsSinceEpoch(qint64(tick) * c.tickMs);
        if (const auto arrived = c.arrived.find(tick); arrived != c.arrived.end()) {
            for (const QString& name : arrived->second)
                watcher.arrived(name.toUtf8());
            watcher.arrivalStep(folder, takeIn, now);
        } else {
            watcher.tick(folder, takeIn, now);
        }
        ticks << (QStringList { watcher.status(), QString::fromUtf8(watcher.pendingName()) } + folder.removals)
                     .join(u' ')
                     .simplified();
    }
    EXPECT_EQ(ticks, c.ticks);
    EXPECT_EQ(takenIn, c.takenIn);
    EXPECT_EQ(reports, c.reports);
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
        { "Ready a.jpg", "Lood a.jpg !a.jpg", "KillErr a.jpg !a.jpg", "KillErr" }, { "a.jpg" } },
    // A shot without a filed copy is set aside, never deleted.
    { "declined", { "a.jpg" }, {}, 0, { TakeInResult::Declined },
        { "Ready a.jpg", "Lood a.jpg", "Kill a.jpg >a.jpg", "NoFile" }, { "a.jpg" } },
    { "notFiled", { "a.jpg" }, {}, 0, { TakeInResult::MeasuredNotFiled },
        { "Ready a.jpg", "Lood a.jpg >a.jpg", "NoFile" }, { "a.jpg" } },
    // Set aside only later: reported once, passed over so the next shot still goes in, tried again when idle.
    { "notFiledStuck", { "a.jpg", "b.jpg" }, {}, 0, { TakeInResult::MeasuredNotFiled },
        { "Ready a.jpg", "Lood a.jpg ?a.jpg", "KillErr a.jpg ?a.jpg", "Ready b.jpg", "Lood b.jpg -b.jpg", "NoFile",
            "KillErr ?a.jpg", "Kill >a.jpg", "Kill" },
        { "a.jpg", "b.jpg" }, 7, 30000, { "cannot move a.jpg" } },
    // A disposal that failed is tried again only every thirty seconds.
    { "stuckRetriedNowAndThen", { "a.jpg" }, {}, 0, { TakeInResult::MeasuredNotFiled },
        { "Ready a.jpg", "Lood a.jpg ?a.jpg", "KillErr a.jpg ?a.jpg", "KillErr", "KillErr", "KillErr ?a.jpg" },
        { "a.jpg" }, Never, 10000, { "cannot move a.jpg" } },
    // Tried on every tick for ten seconds, then set aside so that the shots behind it go in.
    { "neverLoads", { "bad.jpg", "b.jpg" }, {}, 0,
        { TakeInResult::LoadFailed, TakeInResult::LoadFailed, TakeInResult::LoadFailed, TakeInResult::LoadFailed,
            TakeInResult::LoadFailed },
        { "Ready bad.jpg", "LoodErr bad.jpg", "LoodErr bad.jpg", "LoodErr bad.jpg", "LoodErr bad.jpg",
            "Kill bad.jpg >bad.jpg", "Ready b.jpg", "Lood b.jpg -b.jpg" },
        { "bad.jpg", "bad.jpg", "bad.jpg", "bad.jpg", "bad.jpg", "b.jpg" }, 0, 2500 },
    // Loading is tried before giving up, so a shot finished at the last moment still goes in.
    { "loadsJustInTime", { "a.jpg" }, {}, 0, std::vector(4, TakeInResult::LoadFailed),
        { "Ready a.jpg", "LoodErr a.jpg", "LoodErr a.jpg", "LoodErr a.jpg", "LoodErr a.jpg", "Lood a.jpg -a.jpg" },
        { "a.jpg", "a.jpg", "a.jpg", "a.jpg", "a.jpg" }, 0, 2500 },
    { "neverLoadsNorMoves", { "bad.jpg" }, {}, 0, std::vector(4, TakeInResult::LoadFailed),
        { "Ready bad.jpg", "LoodErr bad.jpg", "KillErr bad.jpg ?bad.jpg", "KillErr ?bad.jpg", "KillErr ?bad.jpg" },
        { "bad.jpg", "bad.jpg" }, Never, 30000, { "cannot move bad.jpg" } },
    { "twoShots", { "a.jpg", "b.jpg" }, {}, 0, {},
        { "Ready a.jpg", "Lood a.jpg -a.jpg", "Ready b.jpg", "Lood b.jpg -b.jpg", "NoFile" }, { "a.jpg", "b.jpg" } },
    // The camera writes every shot under one name: the next one may be there by the tick after the delete.
    { "nameReused", { "a.jpg" }, { { 2, { "a.jpg" } } }, 0, {},
        { "Ready a.jpg", "Lood a.jpg -a.jpg", "Ready a.jpg", "Lood a.jpg -a.jpg", "NoFile" }, { "a.jpg", "a.jpg" } },
    // Written again while it was measured: the name holds a new shot, taken in on its own rather than deleted.
    { "writtenAgainWhileMeasured", { "a.jpg" }, {}, 0, { TakeInResult::MeasuredNameReused },
        { "Ready a.jpg", "Lood a.jpg", "Ready a.jpg", "Lood a.jpg -a.jpg", "NoFile" }, { "a.jpg", "a.jpg" } },
    // A left-over the user deleted by hand is forgotten, so a new shot of that name is not deleted unseen.
    { "leftOverGoneThenReused", { "a.jpg" }, { { 2, {} }, { 3, { "a.jpg" } } }, 3, {},
        { "Ready a.jpg", "Lood a.jpg !a.jpg", "NoFile", "Ready a.jpg", "Lood a.jpg -a.jpg" }, { "a.jpg", "a.jpg" } },
    // Told of by the file system, a shot is whole: taken in at once, however the ticks fall.
    { "arrivedBeforeATick", { "a.jpg" }, {}, 0, {}, { "Lood a.jpg -a.jpg", "NoFile" }, { "a.jpg" }, 0, 500, {},
        { { 0, { "a.jpg" } } } },
    // Closed once part written, then again when whole.
    { "closedTwice", { "a.jpg" }, {}, 0, { TakeInResult::LoadFailed }, { "LoodErr a.jpg", "Lood a.jpg -a.jpg" },
        { "a.jpg", "a.jpg" }, 0, 500, {}, { { 0, { "a.jpg" } }, { 1, { "a.jpg" } } } },
    // A shot not yet told of keeps the pace of the ticks, and the whole one behind it waits its turn.
    { "firstStillBeingWritten", { "a.jpg", "b.jpg" }, {}, 0, {},
        { "", "Ready a.jpg", "Lood a.jpg -a.jpg", "Lood b.jpg -b.jpg" }, { "a.jpg", "b.jpg" }, 0, 500, {},
        { { 0, { "b.jpg" } } } },
    { "arrivalOfAnotherName", { "a.jpg" }, {}, 0, {}, { "", "Ready a.jpg", "Lood a.jpg -a.jpg", "NoFile" }, { "a.jpg" },
        0, 500, {}, { { 0, { "x.jpg" } } } },
    // Renamed over a declined shot before it was set aside: moved into 未取込 with it, never deleted.
    { "renamedOverALeftOver", { "a.jpg" }, {}, 0, { TakeInResult::Declined },
        { "Ready a.jpg", "Lood a.jpg", "Lood a.jpg", "Kill a.jpg >a.jpg" }, { "a.jpg" }, 0, 500, {},
        { { 2, { "a.jpg" } } } },
    // A burst: one shot a step, in order.
    { "burst", { "a.jpg", "b.jpg", "c.jpg" }, {}, 0, {},
        { "Lood a.jpg -a.jpg", "Lood b.jpg -b.jpg", "Lood c.jpg -c.jpg", "NoFile" }, { "a.jpg", "b.jpg", "c.jpg" }, 0,
        500, {}, { { 0, { "c.jpg", "a.jpg", "b.jpg" } }, { 1, {} }, { 2, {} } } },
    { "listingChanges", { "a.jpg" }, { { 1, { "b.jpg", "a.jpg" } } }, 0, {},
        { "Ready a.jpg", "Ready b.jpg", "Lood b.jpg -b.jpg", "Ready a.jpg", "Lood a.jpg -a.jpg" },
        { "b.jpg", "a.jpg" } },
};

INSTANTIATE_TEST_SUITE_P(Folders, CaptureWatcherTest, ::testing::ValuesIn(watchCases), caseName<WatchCase>);

struct FilingCase {
    const char* name;
    bool filed;
    bool movable;
    QStringList ended; // the removals when the filing ends
    QStringList reports;
};

class FilingEndTest : public ::testing::TestWithParam<FilingCase> { };

// While a shot's filed copy is being written nothing is listed, taken in or removed; when it ends, the shot is
// deleted or set aside like one whose filing ended within the take-in, and the next shot goes in.
TEST_P(FilingEndTest, holdsEveryTickUntilTheFilingEnds)
{
    const FilingCase& c = GetParam();
    FakeFolder folder;
    folder.names = QStringList { "a.jpg", "b.jpg" };
    folder.movable = c.movable;
    QStringList reports;
    CaptureWatcher watcher({}, [&](const QString& text) { reports << text; });
    QStringList takenIn;
    const auto takeIn = [&](const QByteArray& name) {
        takenIn << QString::fromUtf8(name);
        return name == "a.jpg" ? TakeInResult::Filing : TakeInResult::Measured;
    };
    watcher.tick(folder, takeIn, {});
    EXPECT_EQ(watcher.tick(folder, takeIn, {}), TakeInResult::Filing);
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(watcher.tick(folder, takeIn, {}), std::nullopt);
    EXPECT_TRUE(watcher.filingPending());
    EXPECT_EQ(folder.listings, 2);
    EXPECT_TRUE(folder.removals.isEmpty());
    EXPECT_EQ(watcher.status(), "Lood");

    watcher.filingEnded(folder, c.filed);
    EXPECT_FALSE(watcher.filingPending());
    EXPECT_EQ(folder.removals, c.ended);
    EXPECT_EQ(reports, c.reports);
    watcher.filingEnded(folder, c.filed); // a second end changes nothing
    EXPECT_EQ(folder.removals, c.ended);

    for (int i = 0; i < 3; ++i) // a shot that could not be set aside is tried once more, then passed over
        watcher.tick(folder, takeIn, {});
    EXPECT_EQ(takenIn, (QStringList { "a.jpg", "b.jpg" }));
}

INSTANTIATE_TEST_SUITE_P(Filings, FilingEndTest,
    ::testing::Values(FilingCase { "filed", true, true, { "-a.jpg" }, {} },
        FilingCase { "failed", false, true, { ">a.jpg" }, {} },
        FilingCase { "failedAndStuck", false, false, { "?a.jpg" }, { "cannot move a.jpg" } }),
    caseName<FilingCase>);

TEST(CaptureWatcherStatusTest, reportsEveryStatusAndLoodWhileTakingIn)
{
    FakeFolder folder;
    folder.names = QStringList { "a.jpg" };
    QStringList reported;
    CaptureWatcher watcher([&](const QString& status) { reported << status; });
    bool failNext = true;
    const auto takeIn = [&](const QByteArray& name) {
        EXPECT_EQ(watcher.status(), "Lood"); // the window shows it while the picture loads
        reported << QStringLiteral("takeIn ") + QString::fromUtf8(name);
        return std::exchange(failNext, false) ? TakeInResult::LoadFailed : TakeInResult::Measured;
    };
    EXPECT_EQ(watcher.tick(folder, takeIn, {}), std::nullopt);
    EXPECT_EQ(watcher.tick(folder, takeIn, {}), TakeInResult::LoadFailed);
    EXPECT_EQ(watcher.tick(folder, takeIn, {}), TakeInResult::Measured);
    EXPECT_EQ(watcher.tick(folder, takeIn, {}), std::nullopt);
    EXPECT_EQ(watcher.tick(folder, takeIn, {}), std::nullopt); // nothing left and nothing pending: no report
    folder.names = QStringList { "b.jpg" };
    watcher.arrived("b.jpg");
    EXPECT_EQ(watcher.arrivalStep(folder, takeIn, {}), TakeInResult::Measured);
    EXPECT_EQ(reported,
        QStringList({ "Ready", "Lood", "takeIn a.jpg", "LoodErr", "Lood", "takeIn a.jpg", "NoFile", "Ready", "Lood",
            "takeIn b.jpg" }));
}

// A relative or malformed pattern is never listed: the folder it would name is the working directory's.
TEST(CaptureWatcherStatusTest, unusablePattern_listsNothingAndShowsNoFileOnce)
{
    FakeFolder folder;
    folder.names = QStringList { "a.jpg" };
    QStringList reported;
    CaptureWatcher watcher([&](const QString& status) { reported << status; });
    const auto takeIn = [](const QByteArray&) { return TakeInResult::Measured; };
    watcher.tick(folder, takeIn, {});
    folder.isUsable = false;
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(watcher.tick(folder, takeIn, {}), std::nullopt);
    EXPECT_EQ(reported, QStringList({ "Ready", "NoFile" }));
    EXPECT_EQ(watcher.pendingName(), QByteArray());
    EXPECT_EQ(folder.listings, 1);
    EXPECT_TRUE(folder.removals.isEmpty());
}

} // namespace
