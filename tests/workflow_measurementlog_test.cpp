#include "app/workflow/measurementlog.h"
#include "fakeservices.h"
#include "results/resultlist.h"
#include "testsupport.h"

#include <QFile>
#include <QTimer>

#include <gtest/gtest.h>

#include <string_view>

using namespace norvel;

namespace {

// A script of changes of the list, one letter each: k a shot taken in with a width, e one without, m the picture
// analysed again, d a dragged line, t a typed width, s the typing settles, 1 the last row cleared, a all cleared, c
// cleared after a copy, p the pole changed, r rows resumed, u the last clear undone, o recording switched off.
struct LogCase {
    const char* name;
    const char* script;
    const char* lines; // the record afterwards, a letter a line as in the script (e records as k)
};

class MeasurementLogTest : public ::testing::TestWithParam<LogCase> { };

// The script's letter of each kind of line, in the order of the kinds.
char letterOf(RecordedChange change)
{
    return std::string_view("kmdt?acp?r1u?").at(std::size_t(change));
}

TEST_P(MeasurementLogTest, recordsEachChangeOnceInTheOrderMade)
{
    const LogCase& c = GetParam();
    FakeServices fake;
    QTimer pause;
    bool recording = true;
    const QDate day(2022, 10, 19);
    ResultList list([&] { return day; });
    MeasurementLog log(
        fake.services(), list, [&] { return recording; }, pause);
    QList<ResultRow> cleared;
    for (const char step : std::string(c.script)) {
        const QString pole = list.pole();
        switch (step) {
        case 'k':
        case 'e':
            list.takeIn({ {}, step == 'k' ? QStringLiteral("0.30") : QString(), WidthSource::TakeIn }, {});
            list.showPicture({ pole, list.count() });
            break;
        case 'm':
            list.measure({ {}, QStringLiteral("0.31"), WidthSource::Analysis }, {});
            break;
        case 'd':
            list.setByHand(QStringLiteral("0.32"), WidthSource::DraggedLine, {});
            break;
        case 't':
            list.setByHand(QStringLiteral("0.3"), WidthSource::Typed, {});
            EXPECT_TRUE(pause.isActive());
            break;
        case 's':
            log.settleTyping();
            EXPECT_FALSE(pause.isActive());
            break;
        case '1':
            cleared = list.clearLast({});
            break;
        case 'a':
            list.clearAll(ResultCause::ClearAll, {});
            break;
        case 'c':
            list.clearAll(ResultCause::ClearAfterCopy, {});
            break;
        case 'p':
            list.changePole(QString::number(pole.toInt() + 1), false, {});
            break;
        case 'r':
            list.resume({ { QStringLiteral("1"), QStringLiteral("0.40") } }, {});
            break;
        case 'u':
            list.undo(cleared, list.count() + 1, day, {});
            break;
        case 'o':
            recording = false;
            break;
        }
    }
    log.onDisk(); // a take-in's line waits for the take-in to ask for it
    QFile file(measurementRecordPath(fake.services().programFolder, day));
    std::string letters;
    if (file.open(QIODevice::ReadOnly)) {
        for (const MeasurementEntry& entry : readMeasurementRecord(file.readAll()).entries) {
            letters += letterOf(entry.change);
            // A pole change names the pole left, and the pole entered as its result.
            if (entry.change == RecordedChange::PoleChanged) {
                EXPECT_EQ(entry.result.toInt(), entry.pole.toInt() + 1);
            }
        }
    }
    EXPECT_EQ(letters, c.lines);
    EXPECT_TRUE(fake.errors.isEmpty());
}

INSTANTIATE_TEST_SUITE_P(Record, MeasurementLogTest,
    ::testing::Values(LogCase { "takeIn", "k", "k" }, LogCase { "shotWithoutWidth", "e", "k" },
        LogCase { "analysisAgain", "km", "km" }, LogCase { "draggedLine", "kd", "kd" },
        LogCase { "typingWaitsForThePause", "ktt", "k" }, LogCase { "typingSettledOnce", "ktts", "kt" },
        LogCase { "typingBeforeTheNextChange", "ktm", "ktm" }, LogCase { "typingBeforeAClear", "kt1", "kt1" },
        LogCase { "clearsOfNothingSayNothing", "1ac", "" }, LogCase { "poleChangeOnlyWithRows", "pkp", "kp" },
        LogCase { "clearAfterCopy", "kkc", "kkc" }, LogCase { "undoOfAClear", "kk1u", "kk1u" },
        LogCase { "resume", "r", "r" }, LogCase { "notRecordingLosesTyping", "ktos", "k" }),
    caseName<LogCase>);

// A record that cannot be written is said once a day, however many lines fail.
TEST(MeasurementLogFailure, isSaidOncePerDay)
{
    FakeServices fake;
    QTimer pause;
    QDate day(2022, 10, 19);
    ResultList list([&] { return day; });
    MeasurementLog log(
        fake.services(), list, [] { return true; }, pause);
    const QString path = measurementRecordPath(fake.services().programFolder, day);
    ASSERT_TRUE(QDir().mkpath(path)); // a folder where the file should be
    log.record({}, QStringLiteral("7"), day, 1, QStringLiteral("0.30"));
    log.record({}, QStringLiteral("7"), day, 2, QStringLiteral("0.40"));
    EXPECT_EQ(fake.errors.size(), 1);
    day = day.addDays(1);
    ASSERT_TRUE(QDir().mkpath(measurementRecordPath(fake.services().programFolder, day)));
    log.record({}, QStringLiteral("7"), day, 1, QStringLiteral("0.30"));
    EXPECT_EQ(fake.errors.size(), 2);
}

} // namespace
