#include "app/workflow/measurementlog.h"
#include "fakeservices.h"
#include "testsupport.h"

#include <QFile>
#include <QTimer>

#include <gtest/gtest.h>

using namespace norvel;

namespace {

// A script of changes, one letter each: m a measured width (row 1), t a typed width (row 1), T a measured width
// inside a take-in, z a width with no row in the list, s the typing settles, r a whole-list clear recorded, p the
// same inside a pole change, o recording switched off.
struct LogCase {
    const char* name;
    const char* script;
    const char* lines; // the record afterwards: a analysis, t typed, c cleared, p pole changed
};

class MeasurementLogTest : public ::testing::TestWithParam<LogCase> { };

char letterOf(RecordedChange change)
{
    switch (change) {
    case RecordedChange::Analysis:
        return 'a';
    case RecordedChange::TypedCorrection:
        return 't';
    case RecordedChange::AllCleared:
        return 'c';
    case RecordedChange::PoleChanged:
        return 'p';
    default:
        return '?';
    }
}

TEST_P(MeasurementLogTest, recordsEachChangeOnceInTheOrderMade)
{
    const LogCase& c = GetParam();
    FakeServices fake;
    QTimer pause;
    bool recording = true;
    const QDate day(2022, 10, 19);
    MeasurementLog log(
        fake.services(),
        [&] {
            return MeasurementLog::Context { recording, QStringLiteral("7"), day };
        },
        pause);
    MeasurementEntry analysis;
    analysis.change = RecordedChange::Analysis;
    MeasurementEntry typed;
    typed.change = RecordedChange::TypedCorrection;
    for (const char step : std::string(c.script)) {
        if (step == 'm') {
            const MeasurementLog::Scope measured = log.measuredBy(analysis);
            log.widthChanged(1, QStringLiteral("0.30"), typed);
        } else if (step == 't') {
            log.widthChanged(1, QStringLiteral("0.3"), typed);
            EXPECT_TRUE(pause.isActive());
        } else if (step == 'T') {
            const MeasurementLog::Scope takingIn = log.takingIn();
            const MeasurementLog::Scope measured = log.measuredBy(analysis);
            log.widthChanged(1, QStringLiteral("0.30"), typed);
        } else if (step == 'z') {
            const MeasurementLog::Scope measured = log.measuredBy(analysis);
            log.widthChanged(0, {}, typed);
        } else if (step == 's') {
            log.settleTyping();
            EXPECT_FALSE(pause.isActive());
        } else if (step == 'r') {
            MeasurementEntry cleared;
            cleared.change = log.clearCause();
            log.record(cleared, 0, {});
        } else if (step == 'p') {
            const MeasurementLog::Scope cause = log.clearedBy(RecordedChange::PoleChanged);
            MeasurementEntry cleared;
            cleared.change = log.clearCause();
            log.record(cleared, 0, {});
        } else if (step == 'o') {
            recording = false;
        }
    }
    QFile file(measurementRecordPath(fake.services().programFolder, day));
    std::string letters;
    if (file.open(QIODevice::ReadOnly)) {
        for (const MeasurementEntry& entry : readMeasurementRecord(file.readAll()).entries) {
            letters += letterOf(entry.change);
            EXPECT_EQ(entry.pole, QStringLiteral("7"));
        }
    }
    EXPECT_EQ(letters, c.lines);
    EXPECT_TRUE(fake.errors.isEmpty());
}

INSTANTIATE_TEST_SUITE_P(Record, MeasurementLogTest,
    ::testing::Values(LogCase { "measuredAtOnce", "m", "a" }, LogCase { "typingWaitsForThePause", "tt", "" },
        LogCase { "typingSettledOnce", "tts", "t" }, LogCase { "typingBeforeTheNextChange", "tm", "ta" },
        LogCase { "typingBeforeAClear", "tr", "tc" }, LogCase { "takeInRecordsItsRowItself", "T", "" },
        LogCase { "noRowTakesTheMeasurement", "zs", "" }, LogCase { "notRecordingLosesTyping", "tos", "" },
        LogCase { "clearCauseOnlyInItsScope", "pr", "pc" }),
    caseName<LogCase>);

// A record that cannot be written is said once a day, however many lines fail.
TEST(MeasurementLogFailure, isSaidOncePerDay)
{
    FakeServices fake;
    QTimer pause;
    QDate day(2022, 10, 19);
    MeasurementLog log(
        fake.services(),
        [&] {
            return MeasurementLog::Context { true, QStringLiteral("7"), day };
        },
        pause);
    const QString path = measurementRecordPath(fake.services().programFolder, day);
    ASSERT_TRUE(QDir().mkpath(path)); // a folder where the file should be
    log.record({}, 1, QStringLiteral("0.30"));
    log.record({}, 2, QStringLiteral("0.40"));
    EXPECT_EQ(fake.errors.size(), 1);
    day = day.addDays(1);
    ASSERT_TRUE(QDir().mkpath(measurementRecordPath(fake.services().programFolder, day)));
    log.record({}, 1, QStringLiteral("0.30"));
    EXPECT_EQ(fake.errors.size(), 2);
}

} // namespace
