#include "results/measurementrecord.h"

#include "testsupport.h"

#include <gtest/gtest.h>

using namespace norvel;

namespace {

const QDateTime At(QDate(2024, 5, 1), QTime(9, 30, 15, 250));

MeasurementEntry analysis()
{
    MeasurementEntry e;
    e.time = At;
    e.pole = QStringLiteral("12");
    e.row = 3;
    e.change = RecordedChange::TakeInAnalysis;
    e.picture = QStringLiteral("12_3.jpg");
    e.pictureSize = QSize(2592, 1944);
    e.method = 1;
    e.threshold = QStringLiteral("40");
    e.widthLimit = QStringLiteral("1");
    e.displaySize = QStringLiteral("640*480");
    e.rangeX = { 0, 640 };
    e.rangeY = { 0, 480 };
    e.dspRate = 0.24691358f;
    e.lines = std::array<RecordedScanLine, 5> { { { 107, 900, 60 }, { 214, 901, 61 }, { 320, 0, 0 }, { 427, 903, 59 },
        { 534, 904, 62 } } };
    e.pxPerMm = 368.55f;
    e.result = QStringLiteral("0.16");
    return e;
}

MeasurementEntry manual()
{
    MeasurementEntry e = analysis();
    e.change = RecordedChange::ManualLine;
    e.lines.reset();
    e.horizontal = true;
    e.method = 3;
    e.autoThreshold = true;
    e.widthLimitOn = false;
    e.zoom = 2.5f;
    e.rangeX = { 192, 256 };
    e.rangeY = { 144, 192 };
    e.manual = RecordedManualLine { QPointF(777.6, 583.2), QPointF(777.6, 826.8), 60, 21, 17 };
    e.pxPerMm = 402.5f;
    e.calibrated = true;
    return e;
}

// Texts the user typed reach the file as typed, commas, quotes and all.
MeasurementEntry typed()
{
    MeasurementEntry e;
    e.time = At;
    e.pole = QStringLiteral("A,\"7\"");
    e.row = 1;
    e.change = RecordedChange::TypedCorrection;
    e.threshold = QStringLiteral(" 4x");
    e.widthLimit = QString();
    e.result = QStringLiteral("0,35 \"約\"");
    return e;
}

MeasurementEntry cleared(RecordedChange change, int row)
{
    MeasurementEntry e = typed();
    e.change = change;
    e.row = row;
    e.result.clear();
    return e;
}

struct RoundTripCase {
    const char* name;
    MeasurementEntry entry;
};

class MeasurementRoundTripTest : public testing::TestWithParam<RoundTripCase> { };

// What a ledger made later reads back is exactly what the window had: settings, lines, scale and text.
TEST_P(MeasurementRoundTripTest, ReadsBackWhatWasWritten)
{
    const QByteArray file = measurementRecordHeader() + measurementRecordLine(analysis())
        + measurementRecordLine(GetParam().entry);
    const MeasurementRecordRead read = readMeasurementRecord(file);
    EXPECT_EQ(read.unreadableLines, 0);
    ASSERT_EQ(read.entries.size(), 2);
    EXPECT_TRUE(read.entries[1] == GetParam().entry) << measurementRecordLine(read.entries[1]).toStdString();
}

INSTANTIATE_TEST_SUITE_P(Changes, MeasurementRoundTripTest,
    testing::Values(RoundTripCase { "takeIn", analysis() }, RoundTripCase { "manualLine", manual() },
        RoundTripCase { "typedCorrection", typed() }, RoundTripCase { "rowCleared", cleared(RecordedChange::RowCleared, 4) },
        RoundTripCase { "allCleared", cleared(RecordedChange::AllCleared, 0) },
        RoundTripCase { "copiedAndCleared", cleared(RecordedChange::CopiedAndCleared, 0) },
        RoundTripCase { "poleChanged", cleared(RecordedChange::PoleChanged, 0) }),
    caseName<RoundTripCase>);

TEST(MeasurementRecord, IsASpreadsheetCsvInUtf8WithABom)
{
    const QByteArray header = measurementRecordHeader();
    EXPECT_TRUE(header.startsWith("\xEF\xBB\xBF\xE6\x99\x82\xE5\x88\xBB,")); // BOM, 時刻
    EXPECT_TRUE(header.endsWith(",結果\r\n"));
    const QByteArray line = measurementRecordLine(analysis());
    EXPECT_EQ(line.count(','), header.count(','));
    EXPECT_TRUE(line.startsWith("2024-05-01 09:30:15.250,12,3,取込分析,12_3.jpg,2592,1944,黒さ優先,縦スキャン,40,0,1,1,640*480,"
                                "0,0,640,480,1,0.24691358,107,900,60,214,901,61,320,0,0,427,903,59,534,904,62,368.55,0,,,,,,,,0.16\r\n"))
        << line.toStdString();
    EXPECT_TRUE(measurementRecordLine(typed()).contains(",\"0,35 \"\"約\"\"\"\r\n"));
}

// Lines written before the calibration column was added still read, as lines of the described scale.
TEST(MeasurementRecord, ReadsLinesWithoutTheCalibrationColumn)
{
    QByteArray old = measurementRecordLine(analysis());
    old.replace(",368.55,0,", ",368.55,");
    const MeasurementRecordRead read = readMeasurementRecord(old);
    ASSERT_EQ(read.entries.size(), 1);
    EXPECT_TRUE(read.entries[0] == analysis());
}

// A crash can cut the last line short, and a person can edit the file: such lines are left out and counted,
// and the lines around them still count.
TEST(MeasurementRecord, LeavesOutLinesItCannotRead)
{
    const QByteArray good = measurementRecordLine(analysis());
    const struct {
        const char* name;
        QByteArray bad;
    } rows[] = {
        { "cutShort", good.left(good.size() / 2) + "\r\n" },
        { "withoutLineEnd", good.left(good.size() - 2) },
        { "unknownChange", QByteArray(good).replace("取込分析", "削除") },
        { "unknownMethod", QByteArray(good).replace("黒さ優先", "白さ優先") },
        { "badTime", QByteArray(good).replace("2024-05-01 09", "2024-13-01 09") },
        { "extraField", QByteArray(good).replace("\r\n", ",x\r\n") },
        { "halfAScanLine", QByteArray(good).replace(",534,904,62,", ",534,,62,") },
        { "letterInRow", QByteArray(good).replace(",12,3,", ",12,3a,") },
        { "negativeSize", QByteArray(good).replace(",2592,1944,", ",2592,-944,") },
        { "unclosedQuote", "\"" + good },
        { "blank", "\r\n" },
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        const bool last = QByteArray(row.name) == "withoutLineEnd";
        const QByteArray file = measurementRecordHeader() + good + row.bad + (last ? QByteArray() : good);
        const MeasurementRecordRead read = readMeasurementRecord(file);
        EXPECT_EQ(read.unreadableLines, 1);
        EXPECT_EQ(read.entries.size(), last ? 1 : (QByteArray(row.name) == "unclosedQuote" ? 1 : 2));
    }
}

} // namespace
