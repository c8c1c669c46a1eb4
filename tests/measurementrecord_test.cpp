#include "results/measurementrecord.h"
#include "results/recordcolumns.h"

#include "testsupport.h"

#include <QBuffer>
#include <QStringEncoder>

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
    e.cameraFile = QStringLiteral("IMG_0031.JPG");
    e.cameraModified = QDateTime(QDate(2024, 5, 1), QTime(9, 30, 10, 5));
    return e;
}

// Measured across a crack the menu's vertical lines ran along: scanned horizontally, one line off the path and
// one without a run.
MeasurementEntry acrossCrack()
{
    MeasurementEntry e = analysis();
    e.across = RecordedAcross { true,
        { { { 14.75, 930.125, -31.5, true, 1.25 }, { 15.5, 931.5, -30, true }, {}, { 40.25, 950.5, 12, false },
            { 14.5, 933.25, -29.75, true } } } };
    e.across->widest = RecordedWidest { 0.44, QLineF(925.5, 1080.25, 941.75, 1081.5) };
    e.estimated = CrackDirection::Longitudinal;
    e.original = QStringLiteral("12_3_IMG_0031_2.JPG"); // kept so, the camera's name being taken in 原画像
    return e;
}

// Scanned in the menu's direction, every figure at the end of its range.
MeasurementEntry acrossAtTheLimits()
{
    MeasurementEntry e = analysis();
    e.horizontal = true;
    e.across = RecordedAcross { true,
        { { { 0, -1, -90, true, -90 }, { 32767, 32768, 90, false, 90 }, { 1e-9, 0.5, -1e-9, true }, {},
            { 0.1, 0.2, 0.3, true } } } };
    return e;
}

MeasurementEntry manual()
{
    MeasurementEntry e = analysis();
    e.change = RecordedChange::ManualLine;
    e.cameraFile.clear();
    e.cameraModified = QDateTime();
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

// Typed texts and a camera's name that a spreadsheet would work out as formulas.
MeasurementEntry formulas()
{
    MeasurementEntry e = analysis();
    e.pole = QStringLiteral("=1+1");
    e.result = QStringLiteral("'-2+3");
    e.cameraFile = QStringLiteral("@IMG.JPG");
    e.original = QStringLiteral("=1_3_@IMG.JPG");
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
    const QByteArray file
        = measurementRecordHeader() + measurementRecordLine(analysis()) + measurementRecordLine(GetParam().entry);
    const MeasurementRecordRead read = readMeasurementRecord(file);
    EXPECT_EQ(read.unreadableLines, 0);
    ASSERT_EQ(read.entries.size(), 2);
    EXPECT_TRUE(read.entries[1] == GetParam().entry) << measurementRecordLine(read.entries[1]).toStdString();
}

INSTANTIATE_TEST_SUITE_P(Changes, MeasurementRoundTripTest,
    testing::Values(RoundTripCase { "takeIn", analysis() }, RoundTripCase { "acrossCrack", acrossCrack() },
        RoundTripCase { "acrossAtTheLimits", acrossAtTheLimits() }, RoundTripCase { "manualLine", manual() },
        RoundTripCase { "typedCorrection", typed() }, RoundTripCase { "formulas", formulas() },
        RoundTripCase { "rowCleared", cleared(RecordedChange::RowCleared, 4) },
        RoundTripCase { "allCleared", cleared(RecordedChange::AllCleared, 0) },
        RoundTripCase { "copiedAndCleared", cleared(RecordedChange::CopiedAndCleared, 0) },
        RoundTripCase { "poleChanged", cleared(RecordedChange::PoleChanged, 0) }),
    caseName<RoundTripCase>);

TEST(MeasurementRecord, IsASpreadsheetCsvInUtf8WithABom)
{
    const QByteArray header = measurementRecordHeader();
    EXPECT_TRUE(header.startsWith("\xEF\xBB\xBF\xE6\x99\x82\xE5\x88\xBB,")); // BOM, 時刻
    EXPECT_TRUE(header.endsWith(
        ",結果,カメラ画像,カメラ画像時刻,直交スキャン方向,線1沿幅,線1中心,線1角度,線1開き角,線1採用,"
        "線2沿幅,線2中心,線2角度,線2開き角,線2採用,線3沿幅,線3中心,線3角度,線3開き角,線3採用,線4沿幅,線4中心,"
        "線4角度,線4開き角,線4採用,線5沿幅,線5中心,線5角度,線5開き角,線5採用,推定方向,原画像,最大幅,最大幅始点X,"
        "最大幅始点Y,最大幅終点X,最大幅終点Y\r\n"));
    const QByteArray line = measurementRecordLine(analysis());
    EXPECT_EQ(line.count(','), header.count(','));
    EXPECT_EQ(line,
        "2024-05-01 09:30:15.250,12,3,取込分析,12_3.jpg,2592,1944,黒さ優先,縦スキャン,40,0,1,1,640*480,"
        "0,0,640,480,1,0.24691358,107,900,60,214,901,61,320,0,0,427,903,59,534,904,62,368.55,0,,,,,,,,"
        "0.16,IMG_0031.JPG,2024-05-01 09:30:10.005,,,,,,,,,,,,,,,,,,,,,,,,,,,,,,,,,\r\n");
    EXPECT_TRUE(measurementRecordLine(typed()).endsWith(
        ",\"0,35 \"\"約\"\"\",,," + QByteArray(AcrossColumns + 1 + WidestColumns, ',') + "\r\n"));
    EXPECT_TRUE(measurementRecordLine(formulas()).contains(",'=1+1,3,取込分析,12_3.jpg,"));
    const QByteArray across = measurementRecordLine(acrossCrack());
    EXPECT_EQ(across.count(','), header.count(','));
    EXPECT_TRUE(
        across.endsWith(",2024-05-01 09:30:10.005,横スキャン,14.75,930.125,-31.5,1.25,1,15.5,931.5,-30,0,1,"
                        "0,0,0,0,0,40.25,950.5,12,0,0,14.5,933.25,-29.75,0,1,縦,12_3_IMG_0031_2.JPG,0.44,925.5,1080.25,"
                        "941.75,1081.5\r\n"))
        << across.toStdString();
}

// A CR that is the last byte the reader took in at once ends its line, together with the LF after it if any.
TEST(MeasurementRecord, ReadsACrLastInABlock)
{
    for (const QByteArray lineEnd : { "\r\n", "\r" }) {
        const auto line = [&](const MeasurementEntry& e) { return measurementRecordLine(e).replace("\r\n", lineEnd); };
        QByteArray file = measurementRecordHeader();
        while (file.size() < 60000)
            file += line(analysis());
        MeasurementEntry padded = analysis();
        const qsizetype blockEnd = 64 * 1024 + lineEnd.size() - 1;
        padded.picture = QString(blockEnd + 8 - file.size() - line(analysis()).size(), u'x');
        file += line(padded);
        ASSERT_EQ(file.size(), blockEnd);
        const MeasurementRecordRead read = readMeasurementRecord(file + line(acrossCrack()));
        EXPECT_EQ(read.unreadableLines, 0);
        EXPECT_TRUE(
            read.entries.size() > 2 && read.entries.back() == acrossCrack() && read.entries.end()[-2] == padded);
    }
}

// Lines written before the estimated direction, the measurement across the crack, the calibration column, or the
// camera's name and time, still read: as lines of the described scale, naming no camera file, measured along the
// lines, with no direction estimated, their original only guessed; in a file begun with the older header, and among
// lines of today's.
TEST(MeasurementRecord, ReadsLinesOfEarlierVersions)
{
    MeasurementEntry unnamed = analysis();
    unnamed.cameraFile.clear();
    unnamed.cameraModified = QDateTime();
    unnamed.original.reset();
    MeasurementEntry guessed = analysis();
    guessed.original.reset();
    const QByteArray header = measurementRecordHeader();
    const QByteArray olderHeader = header.left(header.indexOf(",直交スキャン方向")) + "\r\n";
    const struct {
        const char* name;
        bool acrossColumns;
        bool cameraColumns;
        bool calibrationColumn;
    } cases[] = { { "without the estimate column", true, true, true },
        { "without the across columns", false, true, true }, { "without the camera columns", false, false, true },
        { "without the calibration column either", false, false, false } };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        // without the original's column and the widest place's
        QByteArray old = measurementRecordLine(analysis()).chopped(3 + WidestColumns) + "\r\n";
        old.replace(QByteArray(AcrossColumns + 1, ',') + "\r\n",
            (c.acrossColumns ? QByteArray(AcrossColumns, ',') : QByteArray()) + "\r\n");
        if (!c.cameraColumns)
            old.replace(",IMG_0031.JPG,2024-05-01 09:30:10.005", "");
        if (!c.calibrationColumn)
            old.replace(",368.55,0,", ",368.55,");
        const MeasurementRecordRead alone = readMeasurementRecord(old);
        ASSERT_EQ(alone.entries.size(), 1);
        EXPECT_TRUE(alone.entries[0] == (c.cameraColumns ? guessed : unnamed));
        const MeasurementRecordRead mixed
            = readMeasurementRecord(olderHeader + old + measurementRecordLine(acrossCrack()));
        EXPECT_EQ(mixed.unreadableLines, 0);
        ASSERT_EQ(mixed.entries.size(), 2);
        EXPECT_TRUE(mixed.entries[0] == alone.entries[0]);
        EXPECT_TRUE(mixed.entries[1] == acrossCrack());
    }
}

// A line from before the widest place was recorded reads without one; the width is kept to the hundredth listed.
TEST(MeasurementRecord, ReadsTheWidestPlaceOnlyWhereRecorded)
{
    MeasurementEntry without = acrossCrack();
    without.across->widest.reset();
    MeasurementEntry unrounded = acrossCrack();
    unrounded.across->widest->mm = 0.4449;
    const QByteArray older
        = measurementRecordLine(acrossCrack()).replace(",0.44,925.5,1080.25,941.75,1081.5\r\n", "\r\n");
    const std::pair<QByteArray, MeasurementEntry> rows[] { { older, without },
        { measurementRecordLine(unrounded), acrossCrack() } };
    for (const auto& [line, entry] : rows) {
        const MeasurementRecordRead read = readMeasurementRecord(measurementRecordHeader() + line);
        EXPECT_TRUE(read.entries.size() == 1 && read.entries[0] == entry) << line.toStdString();
    }
}

// A crash can cut the last line short, and a person can edit the file: such lines are left out and counted,
// and the lines around them still count.
TEST(MeasurementRecord, LeavesOutLinesItCannotRead)
{
    const QByteArray good = measurementRecordLine(analysis());
    const QByteArray across = measurementRecordLine(acrossCrack());
    const struct {
        const char* name;
        QByteArray bad;
    } rows[] = {
        { "cutShort", good.left(good.size() / 2) + "\r\n" },
        { "withoutLineEnd", good.left(good.size() - 2) },
        { "unknownChange", QByteArray(good).replace("取込分析", "削除") },
        { "unknownMethod", QByteArray(good).replace("黒さ優先", "白さ優先") },
        { "badTime", QByteArray(good).replace("2024-05-01 09", "2024-13-01 09") },
        { "badCameraTime", QByteArray(good).replace(",2024-05-01 09:30:10.005", ",2024-05-01 25:30:10.005") },
        { "extraField", QByteArray(good).replace("\r\n", ",x\r\n") },
        { "halfAScanLine", QByteArray(good).replace(",534,904,62,", ",534,,62,") },
        { "letterInRow", QByteArray(good).replace(",12,3,", ",12,3a,") },
        { "negativeSize", QByteArray(good).replace(",2592,1944,", ",2592,-944,") },
        // A stray quote costs its own line only: the line after it is read again on its own.
        { "unclosedQuote", "\"" + good },
        { "blank", "\r\n" },
        { "tooLong", QByteArray(MaxRecordLineBytes + 10, 'x') + "\r\n" },
        { "neitherUtf8NorShiftJis", QByteArray(good).replace("取込分析", "\xFF\xFF") },
        // Across the crack: a figure outside what a picture the program opens can hold.
        { "acrossUnknownDirection", QByteArray(across).replace(",横スキャン,", ",斜め,") },
        { "acrossWithoutDirection", QByteArray(across).replace(",横スキャン,", ",,") },
        { "acrossAlongNegative", QByteArray(across).replace(",14.75,", ",-0.25,") },
        { "acrossAlongBeyondAPicture", QByteArray(across).replace(",14.75,", ",32767.5,") },
        { "acrossCentreBefore", QByteArray(across).replace(",930.125,", ",-1.5,") },
        { "acrossCentreBeyond", QByteArray(across).replace(",930.125,", ",32768.5,") },
        { "acrossAngleBeyond", QByteArray(across).replace(",-31.5,", ",-90.5,") },
        { "acrossAngleNotANumber", QByteArray(across).replace(",-31.5,", ",nan,") },
        { "acrossSpreadBeyond", QByteArray(across).replace(",1.25,", ",91,") },
        { "acrossKeptNeither", QByteArray(across).replace(",12,0,0,", ",12,0,2,") },
        { "acrossFigureMissing", QByteArray(across).replace(",933.25,", ",,") },
        { "acrossOneColumnShort", QByteArray(across).replace(",-29.75,0,1,縦,", ",-29.75,0,縦,") },
        { "estimateNamesNoDirection", QByteArray(good).replace(",,,,,,,\r\n", ",北,,,,,,\r\n") },
        { "widestWithoutAcross", QByteArray(good).replace(",,,,,\r\n", ",0.44,1,2,3,4\r\n") },
        { "widestEndFarOutside", QByteArray(across).replace(",925.5,", ",-40000,") },
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        const bool last = QByteArray(row.name) == "withoutLineEnd";
        const QByteArray file = measurementRecordHeader() + good + row.bad + (last ? QByteArray() : good);
        const MeasurementRecordRead read = readMeasurementRecord(file);
        EXPECT_EQ(read.unreadableLines, 1);
        EXPECT_EQ(read.unreadableLineNumbers, QList<qint64>({ 3 }));
        EXPECT_EQ(read.entries.size(), last ? 1 : 2);
    }
}

QByteArray withLf(QByteArray crlf)
{
    return crlf.replace("\r\n", "\n");
}

QByteArray shiftJis(const QString& text)
{
    QStringEncoder encoder("windows-31j");
    return encoder.encode(text);
}

// The record saved back by a spreadsheet program: Shift_JIS without a BOM, times as it shows them, CR LF.
QByteArray spreadsheetRecord()
{
    QString text = QString::fromUtf8(
        measurementRecordHeader().mid(3) + measurementRecordLine(analysis()) + measurementRecordLine(manual()));
    text.replace(QStringLiteral("2024-05-01 09:30:15.250"), QStringLiteral("2024/5/1 9:30"));
    return shiftJis(text);
}

struct SavedCase {
    const char* name;
    QByteArray file;
    int entries;
    QList<qint64> unreadable;
};

void PrintTo(const SavedCase& c, std::ostream* os)
{
    *os << c.name;
}

class MeasurementRecordSavedTest : public testing::TestWithParam<SavedCase> { };

// Saved back by an editor or a spreadsheet program, or damaged by hand: every line that can be read is.
TEST_P(MeasurementRecordSavedTest, ReadsEveryLineThatCanBeReadAndNamesTheOthers)
{
    const SavedCase& c = GetParam();
    const MeasurementRecordRead read = readMeasurementRecord(c.file);
    EXPECT_EQ(read.entries.size(), c.entries);
    EXPECT_EQ(read.unreadableLines, c.unreadable.size());
    EXPECT_EQ(read.unreadableLineNumbers, c.unreadable);
    // Every entry read writes back as itself.
    for (const MeasurementEntry& entry : read.entries) {
        const MeasurementRecordRead again = readMeasurementRecord(measurementRecordLine(entry));
        ASSERT_EQ(again.entries.size(), 1);
        EXPECT_TRUE(again.entries[0] == entry);
    }
}

// Functions, not constants: the record's words are constants of another file, made at start-up in an
// order not known here.
QByteArray Good()
{
    return measurementRecordLine(analysis());
}

QByteArray Header()
{
    return measurementRecordHeader();
}

// A typed entry whose result holds a line break: quoted over two lines.
QByteArray TwoLines()
{
    MeasurementEntry e = typed();
    e.result = QStringLiteral("0.35\r\n要確認");
    return measurementRecordLine(e);
}

INSTANTIATE_TEST_SUITE_P(Files, MeasurementRecordSavedTest,
    testing::Values(SavedCase { "crlf", Header() + Good() + Good(), 2, {} },
        SavedCase { "lf", withLf(Header() + Good() + Good()), 2, {} },
        SavedCase { "mixed_line_ends", Header() + withLf(Good()) + Good() + withLf(Good()), 3, {} },
        SavedCase { "quoted_line_break", Header() + Good() + TwoLines() + Good(), 3, {} },
        SavedCase { "quoted_line_break_lf", withLf(Header() + Good() + TwoLines() + Good()), 3, {} },
        SavedCase { "stray_quote_mid_file", Header() + Good() + "2024-05-01 \"x,\r\n" + Good() + Good(), 3, { 3 } },
        // The quote that opens on line 3 is closed by the one on line 5: neither line swallows those between.
        SavedCase { "two_stray_quotes", Header() + Good() + "\"a\r\n" + Good() + "b\"\r\n" + Good(), 3, { 3, 5 } },
        SavedCase { "stray_quote_last_line", Header() + Good() + Good() + "\"", 2, { 4 } },
        SavedCase {
            "stray_quote_in_a_field", Header() + QByteArray(Good()).replace(",40,", ",4\"0,") + Good(), 1, { 2 } },
        SavedCase { "shift_jis_from_a_spreadsheet", spreadsheetRecord(), 2, {} },
        SavedCase { "shift_jis_then_appended_utf8", spreadsheetRecord() + Good(), 3, {} },
        SavedCase { "seconds_kept_by_the_spreadsheet",
            QByteArray(Good()).replace("2024-05-01 09:30:15.250", "2024/05/01 09:30:15"), 1, {} },
        SavedCase { "bom_only_at_the_start", Header() + "\xEF\xBB\xBF" + Good(), 0, { 2 } }),
    caseName<SavedCase>);

TEST(MeasurementRecord, SpreadsheetTimesAndShiftJisReadAsWritten)
{
    const MeasurementRecordRead read = readMeasurementRecord(spreadsheetRecord());
    ASSERT_EQ(read.entries.size(), 2);
    EXPECT_EQ(read.entries[0].time, QDateTime(QDate(2024, 5, 1), QTime(9, 30)));
    EXPECT_EQ(read.entries[0].change, RecordedChange::TakeInAnalysis);
    EXPECT_EQ(read.entries[0].method, 1); // 黒さ優先
    EXPECT_EQ(read.entries[1].change, RecordedChange::ManualLine);
    EXPECT_EQ(read.entries[1].method, 3);
    EXPECT_EQ(read.entries[1].manual, manual().manual);
}

// Line by line from a device: no further than the size given, and a file that shrinks meanwhile is said.
TEST(MeasurementRecord, ReadsADeviceLineByLineUpToTheSizeSeen)
{
    const QByteArray file = Header() + Good() + Good();
    QBuffer buffer;
    buffer.setData(file + Good());
    ASSERT_TRUE(buffer.open(QIODevice::ReadOnly));
    int entries = 0;
    MeasurementRecordLines lines = readMeasurementRecord(
        buffer, file.size(), [&entries](MeasurementEntry&& entry) { entries += entry == analysis(); });
    EXPECT_EQ(entries, 2);
    EXPECT_EQ(lines.unreadableLines, 0);
    EXPECT_EQ(lines.error, QString());

    QBuffer shorter;
    shorter.setData(file);
    ASSERT_TRUE(shorter.open(QIODevice::ReadOnly));
    entries = 0;
    lines = readMeasurementRecord(shorter, file.size() + 100, [&entries](MeasurementEntry&&) { ++entries; });
    EXPECT_EQ(entries, 2);
    EXPECT_TRUE(lines.error.contains(QStringLiteral("短くなりました"))) << lines.error.toStdString();
}

TEST(MeasurementRecord, NamesTheLinesItCouldNotReadInRuns)
{
    EXPECT_EQ(lineNumbersText({ 3, 7, 8, 9, 12 }, 5), QStringLiteral("3, 7–9, 12 行目"));
    EXPECT_EQ(lineNumbersText({ 3, 4, 5, 6 }, 40, 2), QStringLiteral("3–4 行目ほか 38 行"));
    // Only the first lines are kept by number; every one is counted.
    QByteArray file = Header();
    for (int i = 0; i < MaxListedUnreadableLines + 5; ++i)
        file += "x\n";
    const MeasurementRecordRead read = readMeasurementRecord(file);
    EXPECT_EQ(read.unreadableLines, MaxListedUnreadableLines + 5);
    EXPECT_EQ(read.unreadableLineNumbers.size(), MaxListedUnreadableLines);
    EXPECT_EQ(read.unreadableLineNumbers.front(), 2);
}

} // namespace
