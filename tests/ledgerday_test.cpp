#include "analysis/scalecalibration.h"
#include "ledger/ledgerday.h"
#include "ledger/ledgerpainter.h"
#include "ledger/ledgersummary.h"
#include "ledger/previousinspection.h"
#include "results/measurementrecord.h"

#include "recoverylist.h"
#include "testsupport.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QStringEncoder>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <numbers>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace norvel;

namespace {

void writePicture(const QString& path, QSize size)
{
    QDir().mkpath(QFileInfo(path).path());
    QImage picture(size, QImage::Format_RGB32);
    picture.fill(Qt::gray);
    ASSERT_TRUE(picture.save(path, "JPEG"));
}

MeasurementEntry change(RecordedChange kind, const char* pole = "7", int row = 1)
{
    MeasurementEntry entry;
    entry.pole = pole;
    entry.row = row;
    entry.change = kind;
    return entry;
}

MeasurementEntry measured(RecordedChange kind, const char* picture, QSize size)
{
    MeasurementEntry entry = change(kind);
    entry.picture = picture;
    entry.pictureSize = size;
    return entry;
}

// Five vertical lines at x 10..50 from y 5, 10 pixels a millimetre.
MeasurementEntry analysis(RecordedChange change, const char* picture, QSize size, std::array<int, 5> widths,
    bool horizontal = false, CrackDirection estimated = CrackDirection::Unknown)
{
    MeasurementEntry entry = measured(change, picture, size);
    entry.horizontal = horizontal;
    entry.estimated = estimated;
    std::array<RecordedScanLine, 5> lines;
    for (std::size_t k = 0; k < 5; ++k)
        lines[k] = { 10 * int(k + 1), 5, widths[k] };
    entry.lines = lines;
    entry.pxPerMm = 10;
    return entry;
}

// A line of 20 steps from (0,0) to (40,20): samples 5 to 8 are (10,5) to (16,8).
MeasurementEntry manualLine(const char* picture, QSize size)
{
    MeasurementEntry entry = measured(RecordedChange::ManualLine, picture, size);
    entry.manual = RecordedManualLine { QPointF(0, 0), QPointF(40, 20), 20, 5, 3 };
    entry.pxPerMm = 10;
    return entry;
}

QString describe(const QList<LedgerMark>& marks)
{
    QStringList parts;
    for (const LedgerMark& mark : marks)
        parts << QStringLiteral("%1,%2-%3,%4 %5 %6")
                     .arg(mark.segment.x1())
                     .arg(mark.segment.y1())
                     .arg(mark.segment.x2())
                     .arg(mark.segment.y2())
                     .arg(mark.label,
                         mark.widest       ? "M"
                             : mark.counts ? "G"
                                           : "R")
                + (mark.labelBelow ? " below" : "");
    return parts.join("; ");
}

const QSize Filed(64, 48); // the size of 7_1.jpg

// Tilted so that a run of 5 along its line is 4 across the crack, its mark reaching 1.2 across the line either side.
const double Tilt = std::atan2(3.0, 4.0) * 180 / std::numbers::pi;

// The lines of analysis() measured across the crack, scanned in the direction the menu did not set.
MeasurementEntry acrossAnalysis(
    bool scannedHorizontally, std::array<int, 5> widths, std::array<RecordedAcrossLine, 5> lines)
{
    MeasurementEntry entry = analysis(RecordedChange::Analysis, "7_1.jpg", Filed, widths, !scannedHorizontally);
    entry.across = RecordedAcross { scannedHorizontally, lines };
    return entry;
}

MeasurementEntry listing(RecordedChange kind, const char* result, std::optional<double> widestMm)
{
    MeasurementEntry entry = acrossAnalysis(false, { 0, 0, 4, 0, 0 }, { { {}, {}, { 4, 7, 0, true } } });
    entry.change = kind;
    entry.result = result;
    if (widestMm)
        entry.across->widest = RecordedWidest { *widestMm, QLineF(12, 6, 16.5, 6) };
    return entry;
}

struct RowCase {
    const char* name;
    QList<MeasurementEntry> entries;
    int row; // 1 has the picture 7_1.jpg, 2 has none
    MeasuredHow how;
    const char* marks;
    CrackDirection estimated = CrackDirection::Unknown;
};

class LedgerRowTest : public testing::TestWithParam<RowCase> { };

TEST_P(LedgerRowTest, TakesHowAndMarksFromTheRecord)
{
    const RowCase& c = GetParam();
    QTemporaryDir day;
    writeWholeFile(day.filePath("7/No7CP.csv"), "1,0.35\r\n2,0.20\r\n");
    writePicture(day.filePath("7/7_1.jpg"), Filed);

    const LedgerDay ledger = loadLedgerDay(day.path(), c.entries);
    ASSERT_EQ(ledger.poles.size(), 1);
    const LedgerRow& row = ledger.poles[0].rows[c.row - 1];
    EXPECT_EQ(row.how, c.how);
    EXPECT_EQ(describe(row.marks), QString::fromUtf8(c.marks));
    EXPECT_EQ(row.estimated, c.estimated);
}

using enum RecordedChange;

INSTANTIATE_TEST_SUITE_P(Rows, LedgerRowTest,
    testing::Values(RowCase { "no_record", {}, 1, MeasuredHow::Unknown, "" },
        // Four lines: the widest (50) and the narrowest (10) are left out of the mean.
        RowCase { "analysis_marks_each_line_found", { analysis(Analysis, "7_1.jpg", Filed, { 3, 4, 0, 5, 4 }) }, 1,
            MeasuredHow::Automatic,
            "10,5-10,8 0.300mm R; 20,5-20,9 0.400mm G; 40,5-40,10 0.500mm R; 50,5-50,9 0.400mm G" },
        RowCase { "horizontal_lines", { analysis(TakeInAnalysis, "7_1.jpg", Filed, { 0, 2, 3, 0, 0 }, true) }, 1,
            MeasuredHow::Automatic, "5,20-7,20 0.200mm G below; 5,30-8,30 0.300mm G below" },
        RowCase { "one_line_does_not_count", { analysis(Analysis, "7_1.jpg", Filed, { 0, 0, 3, 0, 0 }) }, 1,
            MeasuredHow::Automatic, "30,5-30,8 0.300mm R" },
        // Four lines kept: the widest (1.0) and the narrowest (0.3) across are left out; the line off the path keeps
        // its mark along the line with its run in whole pixels, as the window labels it.
        RowCase { "across_the_crack_scanned_vertically",
            { acrossAnalysis(false, { 5, 5, 12, 5, 3 },
                { { { 5, 7.5, Tilt, true }, { 5, 7.5, Tilt, true }, { 12.5, 11, 0, false }, { 10, 10, 0, true },
                    { 3, 6.5, 0, true } } }) },
            1, MeasuredHow::Automatic,
            "11.2,5.9-8.8,9.1 0.400mm G; 21.2,5.9-18.8,9.1 0.400mm G; 30,5-30,17 1.200mm R; 40,5-40,15 1.000mm R; "
            "50,5-50,8 0.300mm R" },
        // A line kept without a run is neither drawn nor counted: three lines remain, all in the mean.
        RowCase { "across_the_crack_scanned_horizontally",
            { acrossAnalysis(true, { 5, 0, 5, 9, 5 },
                { { { 5, 7.5, -Tilt, true }, { 50, 7.5, 0, true }, { 5, 7.5, -Tilt, true }, { 8.75, 9.5, 0, false },
                    { 5, 7.5, -Tilt, true } } }) },
            1, MeasuredHow::Automatic,
            "5.9,8.8-9.1,11.2 0.400mm G below; 5.9,28.8-9.1,31.2 0.400mm G below; 5,40-14,40 0.900mm R below; "
            "5.9,48.8-9.1,51.2 0.400mm G below" },
        RowCase { "across_the_crack_with_its_widest_place", { listing(Analysis, "", 0.45) }, 1, MeasuredHow::Automatic,
            "30,5-30,9 0.400mm R; 12,6-16.5,6 最大 0.45mm M" },
        RowCase { "manual_line", { manualLine("7_1.jpg", Filed) }, 1, MeasuredHow::ManualLine, "10,5-16,8 0.300mm G" },
        RowCase { "typed_after_analysis_keeps_its_marks",
            { analysis(Analysis, "7_1.jpg", Filed, { 0, 0, 3, 3, 0 }), change(TypedCorrection) }, 1, MeasuredHow::Typed,
            "30,5-30,8 0.300mm G; 40,5-40,8 0.300mm G" },
        RowCase { "clearing_afterwards_changes_nothing",
            { manualLine("7_1.jpg", Filed), change(RowCleared), change(AllCleared, "7", 0),
                change(CopiedAndCleared, "7", 0), change(PoleChanged, "8", 0) },
            1, MeasuredHow::ManualLine, "10,5-16,8 0.300mm G" },
        // The same crack measured again by hand keeps the last analysis's estimate; a later analysis replaces it.
        RowCase { "estimate_kept_by_a_typed_or_dragged_width",
            { analysis(TakeInAnalysis, "7_1.jpg", Filed, { 0, 0, 3, 3, 0 }, false, CrackDirection::Oblique),
                change(TypedCorrection), manualLine("7_1.jpg", Filed) },
            1, MeasuredHow::ManualLine, "10,5-16,8 0.300mm G", CrackDirection::Oblique },
        RowCase { "estimate_of_the_last_analysis",
            { analysis(Analysis, "7_1.jpg", Filed, { 0, 0, 3, 3, 0 }, false, CrackDirection::Oblique),
                analysis(Analysis, "7_1.jpg", Filed, { 0, 0, 3, 3, 0 }) },
            1, MeasuredHow::Automatic, "30,5-30,8 0.300mm G; 40,5-40,8 0.300mm G" },
        RowCase { "last_measurement_wins",
            { manualLine("7_1.jpg", Filed), analysis(Analysis, "7_1.jpg", Filed, { 0, 0, 3, 3, 0 }) }, 1,
            MeasuredHow::Automatic, "30,5-30,8 0.300mm G; 40,5-40,8 0.300mm G" },
        RowCase { "another_picture_name_draws_nothing", { analysis(Analysis, "7_2.jpg", Filed, { 0, 0, 3, 3, 0 }) }, 1,
            MeasuredHow::Automatic, "" },
        RowCase { "another_picture_size_draws_nothing",
            { analysis(Analysis, "7_1.jpg", QSize(640, 480), { 0, 0, 3, 3, 0 }) }, 1, MeasuredHow::Automatic, "" },
        // The last measurement was of a picture since replaced: the marks come from the one filed.
        RowCase { "marks_from_the_filed_picture",
            { manualLine("7_1.jpg", Filed), analysis(Analysis, "7_1.jpg", QSize(640, 480), { 0, 0, 3, 3, 0 }) }, 1,
            MeasuredHow::Automatic, "10,5-16,8 0.300mm G" },
        RowCase { "other_poles_and_rows_ignored",
            { change(TypedCorrection, "8", 1), change(TypedCorrection, "7", 2), change(TypedCorrection, "", 1) }, 1,
            MeasuredHow::Unknown, "" },
        RowCase { "row_without_picture_has_no_marks", { [] {
                     MeasurementEntry entry = manualLine("7_2.jpg", Filed);
                     entry.row = 2;
                     return entry;
                 }() },
            2, MeasuredHow::ManualLine, "" }),
    caseName<RowCase>);

// The widest place follows only the width its analysis listed; a row without a width says whether its last analysis
// found none.
TEST(LedgerDay, PrintsTheWidestPlaceBesideTheWidthItsAnalysisListed)
{
    const struct {
        QByteArray rows;
        QList<MeasurementEntry> entries;
        const char* printed;
        const char* pole; // in the pole list and heading, for a pole without a width
    } cases[] = {
        { "1,0.32\r\n", { listing(Analysis, "0.32", 0.41) }, "0.32 最大 0.41 mm", "-" },
        { "1,0.40\r\n", { listing(TakeInAnalysis, "0.32", 0.41), change(TypedCorrection) }, "0.40", "-" },
        { "1,\r\n", { listing(TakeInAnalysis, "0.30", 0.41), listing(TakeInAnalysis, "", {}) }, "検出なし",
            "検出なし" },
        { "1,\r\n", { change(TakeInAnalysis) }, "-", "-" }, // declined before its analysis
    };
    for (const auto& c : cases) {
        QTemporaryDir day;
        writeWholeFile(day.filePath("7/No7CP.csv"), c.rows);
        const LedgerPole pole = loadLedgerDay(day.path(), c.entries).poles.value(0);
        const LedgerRow row = pole.rows.value(0);
        EXPECT_EQ(rowWidthText(row, 16) + widestPlaceText(row), QString::fromUtf8(c.printed));
        EXPECT_EQ(ledgertext::noWidthText(pole), QString::fromUtf8(c.pole));
    }
}

// The shot's time, the camera's original kept beside the filed picture and the scale the row was measured at, as
// "time from|original|px/mm kind date".
struct ShotCase {
    const char* name;
    std::function<QList<MeasurementEntry>()> entries;
    bool originalKept;
    const char* expected;
};

MeasurementEntry takeIn(bool cameraTime, std::optional<QString> original = "7_1_DSC1.JPG")
{
    MeasurementEntry entry = analysis(TakeInAnalysis, "7_1.jpg", Filed, { 0, 0, 3, 0, 0 });
    entry.time = QDateTime(QDate(2022, 10, 19), QTime(9, 0));
    entry.cameraFile = "DSC1.JPG";
    entry.original = original; // nullopt: a line of a record from before the name was recorded
    if (cameraTime)
        entry.cameraModified = QDateTime(QDate(2022, 10, 19), QTime(8, 59, 30));
    return entry;
}

class LedgerShotTest : public testing::TestWithParam<ShotCase> { };

TEST_P(LedgerShotTest, TakesTheShotsTimeItsOriginalAndItsScaleFromTheRecord)
{
    QTemporaryDir program;
    const QString day = program.filePath("20221019");
    writeWholeFile(day + "/7/No7CP.csv", "1,0.35\r\n");
    writePicture(day + "/7/7_1.jpg", Filed);
    if (GetParam().originalKept) // and an earlier shot's, whose name the camera gave this one too
        writeWholeFile(day + "/7/原画像/7_1_DSC1.JPG", "original")
            && writeWholeFile(day + "/7/原画像/7_1_DSC1_2.JPG", "");
    // The scale file beside the day folders dates the calibrated 12.5 px/mm of this size.
    writeWholeFile(program.filePath(ScaleFileName),
        scaleFileContent({ { scaleSizeKey(Filed), { 12.5, QDate(2022, 9, 1), 10, "ruler.jpg" } } }));

    const LedgerRow row = loadLedgerDay(day, GetParam().entries()).poles.value(0).rows.value(0);
    const QString shot = row.shotTime.isValid()
        ? row.shotTime.toString("HH:mm:ss") + (row.shotFromCamera ? " camera" : " take-in")
        : QString("-");
    EXPECT_EQ(QString("%1|%2|%3 %4 %5")
                  .arg(shot, row.originalName)
                  .arg(row.pxPerMm, 0, 'f', 2)
                  .arg(row.calibrated ? "calibrated" : "described", row.calibrationDate.toString(Qt::ISODate))
                  .trimmed()
            + (row.across ? " across" : ""),
        QString::fromUtf8(GetParam().expected));
}

INSTANTIATE_TEST_SUITE_P(Rows, LedgerShotTest,
    testing::Values(
        ShotCase { "no_record_described_scale", [] { return QList<MeasurementEntry> {}; }, false, "-||9.10 described" },
        ShotCase { "camera_time_and_original", [] { return QList { takeIn(true) }; }, true,
            "08:59:30 camera|7_1_DSC1.JPG|10.00 described" },
        ShotCase { "original_named_by_the_record", [] { return QList { takeIn(true, "7_1_DSC1_2.JPG") }; }, true,
            "08:59:30 camera|7_1_DSC1_2.JPG|10.00 described" },
        ShotCase { "older_line_guessed_from_the_camera", [] { return QList { takeIn(true, std::nullopt) }; }, true,
            "08:59:30 camera|7_1_DSC1.JPG|10.00 described" },
        ShotCase { "take_in_time_without_camera_time", [] { return QList { takeIn(false) }; }, false,
            "09:00:00 take-in||10.00 described" },
        ShotCase { "calibrated_dated_by_the_scale_file",
            [] {
                MeasurementEntry entry = takeIn(true);
                entry.pxPerMm = 12.5;
                entry.calibrated = true;
                return QList { entry };
            },
            false, "08:59:30 camera||12.50 calibrated 2022-09-01" },
        ShotCase { "calibrated_at_another_figure_undated",
            [] {
                MeasurementEntry entry = takeIn(true);
                entry.pxPerMm = 13;
                entry.calibrated = true;
                return QList { entry };
            },
            false, "08:59:30 camera||13.00 calibrated" },
        // A typed correction keeps the measured scale; a later analysis across the crack says so.
        ShotCase { "typed_correction_keeps_the_scale",
            [] {
                return QList { takeIn(true), change(TypedCorrection) };
            },
            false, "08:59:30 camera||10.00 described" },
        ShotCase { "across_the_crack",
            [] {
                MeasurementEntry entry = acrossAnalysis(false, { 5, 5, 5, 5, 5 }, {});
                entry.pxPerMm = 12.5;
                return QList { takeIn(true), entry };
            },
            false, "08:59:30 camera||12.50 described across" }),
    caseName<ShotCase>);

struct PoleOrderCase {
    const char* name;
    const char* a;
    const char* b;
    bool before;
};

class PoleOrderTest : public testing::TestWithParam<PoleOrderCase> { };

TEST_P(PoleOrderTest, NumbersFirstByValueThenTextsWithTheirNumbers)
{
    const PoleOrderCase& c = GetParam();
    EXPECT_EQ(poleBefore(QString::fromUtf8(c.a), QString::fromUtf8(c.b)), c.before);
    // Never both ways, so sorting is well defined.
    if (c.before) {
        EXPECT_FALSE(poleBefore(QString::fromUtf8(c.b), QString::fromUtf8(c.a)));
    }
}

INSTANTIATE_TEST_SUITE_P(Poles, PoleOrderTest,
    testing::Values(PoleOrderCase { "by_value", "9", "10", true }, PoleOrderCase { "fraction", "2.5", "10", true },
        PoleOrderCase { "same_value_by_text", "007", "7", true },
        PoleOrderCase { "numbers_before_texts", "100", "A1", true },
        PoleOrderCase { "digits_in_text_by_value", "A2", "A10", true },
        PoleOrderCase { "text_prefix_decides", "A10", "B2", true },
        PoleOrderCase { "leading_zeros_then_text", "A01", "A1", true },
        PoleOrderCase { "full_width_digits", "柱２", "柱１０", true },
        PoleOrderCase { "full_width_number_by_value", "２", "10", true },
        PoleOrderCase { "empty_among_texts", "", "A", true }, PoleOrderCase { "unit_is_text", "5mm", "10", false }),
    caseName<PoleOrderCase>);

TEST(LedgerDay, ReadsEveryPoleWithAResultFileInPoleOrder)
{
    QTemporaryDir day;
    writeWholeFile(day.filePath("10/No10CP.csv"), "1,0.40\r\n");
    writeWholeFile(day.filePath("9/No9CP.csv"), "1,0.10\r\n2,要確認\r\n3,0.40\r\n");
    writeWholeFile(day.filePath("A2/NoA2CP.csv"), "1,0.05\r\n");
    writeWholeFile(day.filePath("NoCP.csv"), "1,0.01\r\n");
    writeWholeFile(day.filePath("empty/NoemptyCP.csv"), "");
    writeWholeFile(day.filePath("noresults/noresults_1.jpg"), "");
    // Lines that are not "i,width" are left out; a width keeps its commas.
    writeWholeFile(day.filePath("A10/NoA10CP.csv"), "x,0.3\r\n\r\n0,0.3\r\nbroken\r\n2,0,31\n");
    writePicture(day.filePath("9/9_3.jpg"), QSize(32, 24));

    const LedgerDay ledger = loadLedgerDay(day.path(), {});
    QStringList poles;
    for (const LedgerPole& pole : ledger.poles)
        poles << pole.pole;
    EXPECT_EQ(poles, QStringList({ "9", "10", "", "A2", "A10", "empty" }));
    EXPECT_EQ(ledger.day, QDir(day.path()).dirName());
    EXPECT_EQ(ledger.shots, 7);
    // 9 and 10 share the widest crack: the first in order has it.
    EXPECT_EQ(ledger.widestMm, 0.40);
    EXPECT_EQ(ledger.widestPole, "9");

    const LedgerPole& nine = ledger.poles[0];
    ASSERT_EQ(nine.rows.size(), 3);
    EXPECT_EQ(nine.rows[1].width, "要確認");
    EXPECT_FALSE(nine.rows[1].widthMm.has_value());
    EXPECT_EQ(nine.rows[0].picturePath, QString());
    EXPECT_EQ(nine.rows[2].picturePath, day.filePath("9/9_3.jpg"));
    EXPECT_EQ(nine.rows[2].pictureSize, QSize(32, 24));
    EXPECT_EQ(nine.widestMm, 0.40);
    EXPECT_DOUBLE_EQ(*nine.meanMm, 0.25);

    // Said, not dropped: the lines of A10's file that are not rows, and the pictures of a folder without results.
    ASSERT_EQ(ledger.problems.size(), 2) << ledger.problems.size();
    EXPECT_EQ(ledger.problems[0].file, "A10/NoA10CP.csv");
    EXPECT_TRUE(ledger.problems[0].reason.contains("3 行あります（1, 3–4 行目）"))
        << ledger.problems[0].reason.toStdString();
    EXPECT_EQ(ledger.problems[1].file, "noresults/");
    EXPECT_TRUE(ledger.problems[1].reason.contains("写真 1 枚")) << ledger.problems[1].reason.toStdString();

    const LedgerPole& a10 = ledger.poles[4];
    ASSERT_EQ(a10.rows.size(), 1);
    EXPECT_EQ(a10.rows[0].row, 2);
    EXPECT_EQ(a10.rows[0].width, "0,31");
    EXPECT_FALSE(ledger.poles[5].meanMm.has_value());
}

// The list the window holds, in recovery.dat beside the day folders, against pole 9's result file "1,0.10 2,0.40" of
// 2022/10/19: the rows it lacks or holds with another width are not in the ledger, and are said.
struct UnsavedCase {
    const char* name;
    QByteArray recovery;
    std::optional<UnsavedRows> unsaved;
};

class UnsavedRowsTest : public testing::TestWithParam<UnsavedCase> { };

TEST_P(UnsavedRowsTest, RowsOfTheDayNotInTheResultFileAreCounted)
{
    QTemporaryDir program;
    const QString day = program.filePath("20221019");
    writeWholeFile(day + "/9/No9CP.csv", "1,0.10\r\n2,0.40\r\n");
    writeWholeFile(program.filePath(RecoveryFileName), GetParam().recovery);
    const LedgerDay ledger = loadLedgerDay(day, {});
    EXPECT_EQ(ledger.unsaved, GetParam().unsaved);
    EXPECT_EQ(ledger.problems, QList<LedgerProblem>());
    ASSERT_EQ(ledger.poles.size(), 1); // the file's rows, and no pole made up
    EXPECT_EQ(ledger.poles[0].rows.size(), 2);
}

const QDate Surveyed(2022, 10, 19);

INSTANTIATE_TEST_SUITE_P(Lists, UnsavedRowsTest,
    testing::Values(UnsavedCase { "all_saved", recoveryOfList("9", Surveyed, { "0.10", "0.40" }), std::nullopt },
        UnsavedCase { "more_rows_than_the_file", recoveryOfList("9", Surveyed, { "0.10", "0.40", "0.25" }),
            UnsavedRows { "9", 1 } },
        UnsavedCase { "another_width", recoveryOfList("9", Surveyed, { "0.12", "0.40" }), UnsavedRows { "9", 1 } },
        UnsavedCase {
            "pole_without_a_file", recoveryOfList("11", Surveyed, { "0.30", "0.20" }), UnsavedRows { "11", 2 } },
        UnsavedCase { "another_day", recoveryOfList("11", Surveyed.addDays(-1), { "0.30" }), std::nullopt }),
    caseName<UnsavedCase>);

struct WidthCase {
    const char* name;
    const char* text;
    std::optional<double> width;
    bool outOfRange;
};

void PrintTo(const WidthCase& c, std::ostream* os)
{
    *os << c.name;
}

class RowWidthTest : public testing::TestWithParam<WidthCase> { };

TEST_P(RowWidthTest, ANumberWithinZeroToAHundredMillimetresOrOutOfRange)
{
    bool outOfRange = !GetParam().outOfRange;
    EXPECT_EQ(rowWidth(QString::fromUtf8(GetParam().text), &outOfRange), GetParam().width);
    EXPECT_EQ(outOfRange, GetParam().outOfRange);
}

INSTANTIATE_TEST_SUITE_P(Widths, RowWidthTest,
    testing::Values(WidthCase { "width", " 0.35 ", 0.35, false }, WidthCase { "zero", "0", 0.0, false },
        WidthCase { "largest", "100", 100.0, false }, WidthCase { "above", "100.01", std::nullopt, true },
        WidthCase { "huge", "1e308", std::nullopt, true }, WidthCase { "overflowing", "1e999", std::nullopt, true },
        WidthCase { "negative", "-5", std::nullopt, true }, WidthCase { "infinite", "Inf", std::nullopt, true },
        WidthCase { "minus_infinite", "-inf", std::nullopt, true },
        WidthCase { "not_a_number", "nan", std::nullopt, true }, WidthCase { "text", "要確認", std::nullopt, false },
        WidthCase { "with_unit", "0.35mm", std::nullopt, false },
        WidthCase { "full_width", "\u3000０．５０ ", 0.50, false },
        WidthCase { "full_width_negative", "－０．５", std::nullopt, true },
        WidthCase { "full_width_text", "要確認．", std::nullopt, false },
        WidthCase { "empty", "", std::nullopt, false }),
    caseName<WidthCase>);

// Pole 7 of a hostile day: whatever one of its files is, the ledger neither hangs, nor runs out of memory,
// nor shows it as nothing: it is read safely or named with the reason.
struct HostileCase {
    const char* name;
    std::function<void(const QString& day)> make;
    const char* file; // the problem named; "" for none
    const char* reason;
    std::function<void(const LedgerDay& ledger)> check;
    bool needsPermissions = false;
};

void PrintTo(const HostileCase& c, std::ostream* os)
{
    *os << c.name;
}

class HostileDayTest : public testing::TestWithParam<HostileCase> { };

TEST_P(HostileDayTest, ReadsSafelyOrNamesWhatItCouldNotRead)
{
    const HostileCase& c = GetParam();
    if (c.needsPermissions && ::geteuid() == 0)
        GTEST_SKIP() << "permissions do not hold back root";
    QTemporaryDir folder;
    const QString day = folder.filePath("20221019");
    writeWholeFile(day + "/3/No3CP.csv", "1,0.25\r\n");
    c.make(day);
    const LedgerDay ledger = readLedgerDay(day);
    QStringList named;
    for (const LedgerProblem& problem : ledger.problems)
        named << problemLine(problem);
    if (QByteArray(c.file).isEmpty()) {
        EXPECT_EQ(named, QStringList());
    } else {
        ASSERT_EQ(ledger.problems.size(), 1) << named.join('\n').toStdString();
        EXPECT_EQ(ledger.problems[0].file, QString::fromUtf8(c.file));
        EXPECT_TRUE(ledger.problems[0].reason.contains(QString::fromUtf8(c.reason))) << named.join('\n').toStdString();
    }
    // The other pole is always there.
    const auto three
        = std::find_if(ledger.poles.begin(), ledger.poles.end(), [](const LedgerPole& p) { return p.pole == "3"; });
    ASSERT_NE(three, ledger.poles.end());
    EXPECT_EQ(three->widestMm, 0.25);
    if (c.check)
        c.check(ledger);
    // So that the folder can be removed again.
    ::chmod(QFile::encodeName(day + "/7").constData(), 0755);
}

CrackFacts crackRunning(CrackDirection direction)
{
    CrackFacts facts;
    facts.direction = direction;
    return facts;
}

// A file named by the file system's bytes.
void writeNative(const QByteArray& path, const QByteArray& content)
{
    const int fd = ::open(path.constData(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(::write(fd, content.constData(), std::size_t(content.size())), content.size());
    ::close(fd);
}

QByteArray jpeg(QSize size)
{
    QImage picture(size, QImage::Format_RGB32);
    picture.fill(Qt::gray);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    picture.save(&buffer, "JPEG");
    return bytes;
}

void link(const char* target, const QString& path)
{
    QDir().mkpath(QFileInfo(path).path());
    ASSERT_EQ(::symlink(target, QFile::encodeName(path).constData()), 0);
}

void fifo(const QString& path)
{
    QDir().mkpath(QFileInfo(path).path());
    ASSERT_EQ(::mkfifo(QFile::encodeName(path).constData(), 0644), 0);
}

const LedgerPole& poleNamed(const LedgerDay& ledger, const QString& name)
{
    static const LedgerPole none;
    for (const LedgerPole& pole : ledger.poles) {
        if (pole.pole == name)
            return pole;
    }
    ADD_FAILURE() << "no pole " << name.toStdString();
    return none;
}

// Pole 7 listed, without rows, its error said on its table.
void listedWithoutRows(const LedgerDay& ledger)
{
    const LedgerPole& seven = poleNamed(ledger, "7");
    EXPECT_TRUE(seven.rows.isEmpty());
    EXPECT_FALSE(seven.error.isEmpty());
}

// The record of a typed correction of 7's row 1 and a dragged line on 7_1.jpg for row 2, as the program writes it.
QByteArray record()
{
    MeasurementEntry typed = change(RecordedChange::TypedCorrection);
    typed.time = QDateTime(QDate(2022, 10, 19), QTime(9, 30, 15, 250));
    typed.result = "0.40";
    MeasurementEntry line = manualLine("7_2.jpg", Filed);
    line.time = typed.time;
    line.row = 2;
    return measurementRecordHeader() + measurementRecordLine(typed) + measurementRecordLine(line);
}

// Both rows of 7 told how they were measured, row 2 with its mark.
void recordRead(const LedgerDay& ledger)
{
    const LedgerPole& seven = poleNamed(ledger, "7");
    ASSERT_EQ(seven.rows.size(), 2);
    EXPECT_EQ(seven.rows[0].how, MeasuredHow::Typed);
    EXPECT_EQ(seven.rows[1].how, MeasuredHow::ManualLine);
    EXPECT_EQ(describe(seven.rows[1].marks), "10,5-16,8 0.300mm G");
}

void poleSeven(const QString& day)
{
    writeWholeFile(day + "/7/No7CP.csv", "1,0.40\r\n2,0.30\r\n");
    writePicture(day + "/7/7_2.jpg", Filed);
}

QByteArray withLf(QByteArray bytes)
{
    return bytes.replace("\r\n", "\n");
}

INSTANTIATE_TEST_SUITE_P(Files, HostileDayTest,
    testing::Values(HostileCase { "result_file_links_to_dev_zero",
                        [](const QString& day) { link("/dev/zero", day + "/7/No7CP.csv"); }, "7/No7CP.csv",
                        "普通のファイルではありません", listedWithoutRows },
        HostileCase { "result_file_is_a_fifo", [](const QString& day) { fifo(day + "/7/No7CP.csv"); }, "7/No7CP.csv",
            "普通のファイルではありません", listedWithoutRows },
        HostileCase { "result_file_is_a_folder", [](const QString& day) { QDir().mkpath(day + "/7/No7CP.csv"); },
            "7/No7CP.csv", "フォルダです", listedWithoutRows },
        HostileCase { "result_file_oversized",
            [](const QString& day) { writeWholeFile(day + "/7/No7CP.csv", QByteArray(ResultFileLimitBytes + 1, '1')); },
            "7/No7CP.csv", "上限", listedWithoutRows },
        HostileCase { "result_file_unreadable",
            [](const QString& day) {
                writeWholeFile(day + "/7/No7CP.csv", "1,0.3\r\n");
                ASSERT_EQ(::chmod(QFile::encodeName(day + "/7/No7CP.csv").constData(), 0), 0);
            },
            "7/No7CP.csv", "開けません", listedWithoutRows, true },
        HostileCase { "widths_out_of_range",
            [](const QString& day) {
                writeWholeFile(day + "/7/No7CP.csv", "1,1e308\r\n2,-5\r\n3,Inf\r\n4,nan\r\n5,0.30\r\n6,要確認\r\n");
            },
            "", "",
            [](const LedgerDay& ledger) {
                const LedgerPole& seven = poleNamed(ledger, "7");
                ASSERT_EQ(seven.rows.size(), 6);
                EXPECT_EQ(ledger.outOfRange, 4);
                EXPECT_EQ(seven.widestMm, 0.30);
                EXPECT_EQ(seven.meanMm, 0.30);
                EXPECT_EQ(ledger.widestMm, 0.30);
                EXPECT_TRUE(seven.rows[0].outOfRange);
                EXPECT_EQ(seven.rows[0].width, "1e308");
                EXPECT_FALSE(seven.rows[5].outOfRange);
            } },
        HostileCase { "picture_is_a_fifo",
            [](const QString& day) {
                writeWholeFile(day + "/7/No7CP.csv", "1,0.40\r\n");
                fifo(day + "/7/7_1.jpg");
            },
            "7/7_1.jpg", "普通のファイルではありません",
            [](const LedgerDay& ledger) {
                const LedgerRow& row = poleNamed(ledger, "7").rows.value(0);
                EXPECT_FALSE(row.picturePath.isEmpty()); // shown as a picture that cannot be read
                EXPECT_FALSE(row.pictureError.isEmpty());
            } },
        HostileCase { "picture_not_a_picture",
            [](const QString& day) {
                writeWholeFile(day + "/7/No7CP.csv", "1,0.40\r\n");
                writeWholeFile(day + "/7/7_1.jpg", "not a picture");
            },
            "7/7_1.jpg", "画像として読めません", nullptr },
        HostileCase { "record_crlf",
            [](const QString& day) {
                poleSeven(day);
                writeWholeFile(day + "/測定記録.csv", record());
            },
            "", "", recordRead },
        HostileCase { "record_lf",
            [](const QString& day) {
                poleSeven(day);
                writeWholeFile(day + "/測定記録.csv", withLf(record()));
            },
            "", "", recordRead },
        HostileCase { "record_with_a_stray_quote",
            [](const QString& day) {
                poleSeven(day);
                QByteArray bytes = record();
                bytes.insert(bytes.indexOf("\n") + 1, "2022-10-19 \"\r\n");
                writeWholeFile(day + "/測定記録.csv", bytes);
            },
            "測定記録.csv", "読めない行が 1 行あります（2 行目）", recordRead },
        HostileCase { "record_from_a_spreadsheet_in_shift_jis",
            [](const QString& day) {
                poleSeven(day);
                QString text = QString::fromUtf8(record().mid(3));
                text.replace("2022-10-19 09:30:15.250", "2022/10/19 9:30");
                writeWholeFile(day + "/測定記録.csv", QStringEncoder("windows-31j").encode(text));
            },
            "", "", recordRead },
        HostileCase { "record_links_to_dev_zero",
            [](const QString& day) {
                poleSeven(day);
                link("/dev/zero", day + "/測定記録.csv");
            },
            "測定記録.csv", "普通のファイルではありません", nullptr },
        HostileCase { "record_is_a_fifo",
            [](const QString& day) {
                poleSeven(day);
                fifo(day + "/測定記録.csv");
            },
            "測定記録.csv", "普通のファイルではありません", nullptr },
        HostileCase { "pole_folder_not_utf8",
            [](const QString& day) {
                const QByteArray folder = QFile::encodeName(day)
                    + "/\xff"
                      "7";
                ASSERT_EQ(::mkdir(folder.constData(), 0755), 0);
                writeNative(folder
                        + "/No\xff"
                          "7CP.csv",
                    "1,0.50\r\n");
                writeNative(folder
                        + "/\xff"
                          "7_1.jpg",
                    jpeg(Filed));
            },
            "", "",
            [](const LedgerDay& ledger) {
                ASSERT_EQ(ledger.poles.size(), 2);
                const LedgerPole& other = ledger.poles[0].pole == "3" ? ledger.poles[1] : ledger.poles[0];
                EXPECT_TRUE(other.pole.endsWith("7")) << other.pole.toStdString();
                EXPECT_NE(other.pole, "7");
                ASSERT_EQ(other.rows.size(), 1);
                EXPECT_EQ(other.widestMm, 0.50);
                EXPECT_EQ(other.rows[0].pictureSize, Filed);
            } },
        HostileCase { "hidden_pole_folder",
            [](const QString& day) { writeWholeFile(day + "/.8/No.8CP.csv", "1,0.60\r\n"); }, "", "",
            [](const LedgerDay& ledger) {
                EXPECT_EQ(poleNamed(ledger, ".8").widestMm, 0.60);
                EXPECT_EQ(ledger.widestPole, ".8");
            } },
        HostileCase { "pole_folder_unreadable",
            [](const QString& day) {
                writeWholeFile(day + "/7/No7CP.csv", "1,0.3\r\n");
                ASSERT_EQ(::chmod(QFile::encodeName(day + "/7").constData(), 0), 0);
            },
            "7/No7CP.csv", "開けません", listedWithoutRows, true },
        // The program folder's files: the scale file dates calibrations, the recovery file tells rows not saved.
        HostileCase { "scale_file_damaged",
            [](const QString& day) { writeWholeFile(day + "/../" + ScaleFileName, "[scale]\r\n640x480=wide\r\n"); },
            "../scale.ini", "壊れています", nullptr },
        HostileCase { "recovery_file_links_to_dev_zero",
            [](const QString& day) { link("/dev/zero", day + "/../" + RecoveryFileName); }, "../recovery.dat",
            "普通のファイルではありません", nullptr },
        HostileCase { "facts_file_is_a_folder", [](const QString& day) { QDir().mkpath(inspectionFactsPath(day)); },
            "調査情報.csv", "フォルダです",
            [](const LedgerDay& ledger) { EXPECT_EQ(poleNamed(ledger, "3").facts, PoleFacts {}); } },
        HostileCase { "facts_lines_damaged",
            [](const QString& day) {
                const QDateTime time(QDate(2022, 10, 19), QTime(9, 0));
                writeWholeFile(inspectionFactsPath(day),
                    inspectionFactsHeader() + crackFactsLine(time, "3", 1, crackRunning(CrackDirection::Transverse))
                        + "cut short\r\n"
                        + crackFactsLine(time, "3", 1, crackRunning(CrackDirection::Longitudinal)).left(30));
            },
            "調査情報.csv", "読めない行が 2 行",
            [](const LedgerDay& ledger) {
                EXPECT_EQ(poleNamed(ledger, "3").rows[0].facts.direction, CrackDirection::Transverse);
            } }),
    caseName<HostileCase>);

// However many rows hostile result files hold, the day stops reading at LedgerRowLimit and says so.
TEST(LedgerDay, StopsAtTheRowLimitAndSaysSo)
{
    QTemporaryDir folder;
    QByteArray rows;
    for (int r = 1; r <= 60000; ++r)
        rows += QByteArray::number(r) + ",0.1\n";
    ASSERT_LE(rows.size(), ResultFileLimitBytes);
    for (const char* pole : { "1", "2", "3" })
        writeWholeFile(folder.filePath(QString("%1/No%1CP.csv").arg(pole)), rows);
    const LedgerDay ledger = readLedgerDay(folder.path());
    EXPECT_EQ(ledger.shots, 60000);
    ASSERT_EQ(ledger.problems.size(), 2);
    EXPECT_EQ(ledger.problems[0].file, "2/No2CP.csv");
    EXPECT_TRUE(ledger.problems[0].reason.contains("上限")) << ledger.problems[0].reason.toStdString();
}

// A day's rows, each judged by its confirmed direction's line, else its estimated one's, else the strictest; the pole
// by its worst row.
struct JudgedRow {
    double width;
    CrackDirection confirmed;
    CrackDirection estimated = CrackDirection::Unknown;
};

struct JudgementCase {
    const char* name;
    QList<JudgedRow> rows;
    QStringList rowJudgements;
    const char* pole;
};

class DirectionJudgementTest : public testing::TestWithParam<JudgementCase> { };

TEST_P(DirectionJudgementTest, EachRowAgainstItsDirectionsLineThePoleAsItsWorstRow)
{
    const JudgementCase& c = GetParam();
    LedgerPole pole;
    for (const auto& [width, confirmed, estimated] : c.rows) {
        LedgerRow row;
        row.widthMm = width;
        row.facts.direction = confirmed;
        row.estimated = estimated;
        pole.rows.append(row);
    }
    QStringList judged;
    for (const LedgerRow& row : pole.rows)
        judged << rowJudgement(row, JudgementLines {});
    EXPECT_EQ(judged, c.rowJudgements);
    EXPECT_EQ(poleJudgement(pole, JudgementLines {}), QString::fromUtf8(c.pole));
}

const auto Transverse = CrackDirection::Transverse;
const auto Longitudinal = CrackDirection::Longitudinal;
const auto Oblique = CrackDirection::Oblique;
const auto NoDirection = CrackDirection::Unknown;

INSTANTIATE_TEST_SUITE_P(Directions, DirectionJudgementTest,
    testing::Values(JudgementCase { "transverse_008_marked", { { 0.08, Transverse } }, { "要注意" }, "要注意" },
        JudgementCase { "longitudinal_008_not", { { 0.08, Longitudinal } }, { "" }, "-" },
        JudgementCase { "oblique_at_its_line", { { 0.20, Oblique } }, { "要注意" }, "要注意" },
        JudgementCase { "transverse_below_its_line", { { 0.04, Transverse } }, { "" }, "-" },
        JudgementCase { "unknown_uses_the_strictest", { { 0.04, NoDirection }, { 0.05, NoDirection } },
            { "", "要注意" }, "要注意" },
        JudgementCase { "estimate_without_facts", { { 0.08, NoDirection, Transverse }, { 0.15, NoDirection, Oblique } },
            { "要注意", "" }, "要注意" },
        JudgementCase { "facts_before_the_estimate", { { 0.08, Longitudinal, Transverse } }, { "" }, "-" },
        JudgementCase { "narrow_transverse_outweighs_wider_longitudinal",
            { { 0.15, Longitudinal }, { 0.06, Transverse } }, { "", "要注意" }, "要注意" },
        JudgementCase { "no_rows", {}, {}, "" }),
    caseName<JudgementCase>);

// A summary line per pole: its figures, its facts, the widest per direction and its previous inspection, found by
// its plate on 20221001 (pole 3 there, 0.30 across, no direction) in the program folder of day 20221019.
struct SummaryCase {
    const char* name;
    const char* pole;
    const char* results;
    double judgementMm;
    const char* line;
    const char* plate = "";
    QList<CrackDirection> directions = {}; // of rows 1, 2, ...
};

class SummaryCsvTest : public testing::TestWithParam<SummaryCase> { };

TEST_P(SummaryCsvTest, OneLinePerPoleAfterTheHeader)
{
    const SummaryCase& c = GetParam();
    QTemporaryDir program;
    const QDateTime time(QDate(2022, 10, 1), QTime(9, 0));
    const QString earlier = program.filePath("20221001");
    writeWholeFile(earlier + "/3/No3CP.csv", "1,0.30\r\n2,0.12\r\n");
    writeWholeFile(inspectionFactsPath(earlier),
        inspectionFactsHeader() + poleFactsLine(time, "3", { "P-7", "", "", "" })
            + crackFactsLine(time, "3", 2, crackRunning(CrackDirection::Transverse)));

    const QString day = program.filePath("20221019");
    const QString pole = QString::fromUtf8(c.pole);
    writeWholeFile(day + "/" + pole + "/No" + pole + "CP.csv", c.results);
    QByteArray facts = inspectionFactsHeader();
    if (!QByteArray(c.plate).isEmpty())
        facts += poleFactsLine(time.addDays(18), pole, { c.plate, "本町1丁目", "RC", "" });
    for (int row = 1; row <= c.directions.size(); ++row)
        facts += crackFactsLine(time.addDays(18), pole, row, crackRunning(c.directions[row - 1]));
    writeWholeFile(inspectionFactsPath(day), facts);

    const PreviousInspections previous(program.path());
    const JudgementLines lines { 0.05, c.judgementMm, c.judgementMm };
    const QByteArray csv = summaryCsv(loadLedgerDay(day, {}), lines, &previous);
    EXPECT_EQ(csv.toStdString(),
        (QByteArray("\xEF\xBB\xBF")
            + QStringLiteral("調査柱No,行数,最大幅mm,平均幅mm,判定,電柱番号,所在地・路線,柱種,横最大,縦最大,斜め最大,"
                             "前回日,前回最大,変化\r\n")
                  .toUtf8()
            + c.line + "\r\n")
            .toStdString());
}

INSTANTIATE_TEST_SUITE_P(Summaries, SummaryCsvTest,
    testing::Values(
        SummaryCase { "widest_and_mean", "7", "1,0.35\r\n2,0.10\r\n3,0.20\r\n", 0.2, "7,3,0.35,0.22,要注意,,,,,,,,," },
        SummaryCase {
            "at_the_line", "7", "1,0.20\r\n", 0.2, "7,1,0.20,0.20,要注意,,,,,0.20,,,,", "", { Longitudinal } },
        SummaryCase { "below_the_line", "7", "1,0.19\r\n", 0.2, "7,1,0.19,0.19,-,,,,,0.19,,,,", "", { Longitudinal } },
        SummaryCase { "texts_ignored", "7", "1,-\r\n2,0.1\r\n3,0.30mm\r\n", 0.2, "7,3,0.10,0.10,要注意,,,,,,,,," },
        SummaryCase { "no_number", "7", "1,要確認\r\n", 0.2, "7,1,,,,,,,,,,,," },
        SummaryCase {
            "full_width_filed_before", "7", "1,０．５０\r\n2,0.10\r\n", 0.2, "7,2,0.50,0.30,要注意,,,,,,,,," },
        SummaryCase { "no_rows", "7", "", 0.2, "7,0,,,,,,,,,,,," },
        SummaryCase { "half_rounds_up", "7", "1,0.125\r\n", 0.5, "7,1,0.13,0.13,-,,,,,0.13,,,,", "", { Longitudinal } },
        SummaryCase { "pole_quoted", "A,\"1\"", "1,1\r\n", 0.2, "\"A,\"\"1\"\"\",1,1.00,1.00,要注意,,,,,,,,," },
        SummaryCase { "widest_per_direction_and_narrower_than_before", "7", "1,0.08\r\n2,0.15\r\n3,0.10\r\n4,0.22\r\n",
            0.3, "7,4,0.22,0.14,要注意,P-7,本町1丁目,RC,0.08,0.15,0.10,2022/10/01,0.30,-0.08", "P-7",
            { Transverse, Longitudinal, Oblique } },
        SummaryCase { "grown_since", "7", "1,0.45\r\n", 0.5,
            "7,1,0.45,0.45,要注意,P-7,本町1丁目,RC,0.45,,,2022/10/01,0.12,+0.33", "P-7", { Transverse } },
        // A 縦 crack now set beside no 縦 crack then: no change, rather than a 横 one's growth.
        SummaryCase { "another_direction_then", "7", "1,0.45\r\n", 0.5,
            "7,1,0.45,0.45,-,P-7,本町1丁目,RC,,0.45,,2022/10/01,,", "P-7", { Longitudinal } },
        SummaryCase { "same_as_before", "7", "1,0.30\r\n", 0.5,
            "7,1,0.30,0.30,要注意,P-7,本町1丁目,RC,,,,2022/10/01,0.30,0.00", "P-7" },
        SummaryCase { "formula_plate_as_text", "7", "1,0.30\r\n", 0.5,
            "7,1,0.30,0.30,要注意,\"'=HYPERLINK(\"\"x\"\")\",本町1丁目,RC,,,,,,", "=HYPERLINK(\"x\")" },
        SummaryCase {
            "plate_never_seen", "7", "1,0.30\r\n", 0.5, "7,1,0.30,0.30,要注意,P-70,本町1丁目,RC,,,,,,", "P-70" }),
    caseName<SummaryCase>);

} // namespace

namespace {

struct AxisCase {
    const char* name;
    double widestMm;
    double lineMm;
    double top;
    double step;
};

class ChartAxisTest : public testing::TestWithParam<AxisCase> { };

TEST_P(ChartAxisTest, TicksOfOneTwoOrFiveUpToAWholeStepPastTheWidestBar)
{
    const AxisCase& c = GetParam();
    const ChartAxis axis = chartAxis(c.widestMm, c.lineMm);
    EXPECT_NEAR(axis.top, c.top, 1e-9);
    EXPECT_NEAR(axis.step, c.step, 1e-12);
    EXPECT_GE(axis.top, std::max(c.widestMm, c.lineMm));
    EXPECT_LE(axis.top / axis.step, 5 + 1e-9);
}

INSTANTIATE_TEST_SUITE_P(Chart, ChartAxisTest,
    testing::Values(AxisCase { "widestPastTheLastTickOfBefore", 0.65, 0.2, 0.8, 0.2 },
        AxisCase { "widestOnATick", 0.6, 0.2, 0.8, 0.2 }, AxisCase { "lineWiderThanTheCracks", 0.08, 0.2, 0.25, 0.05 },
        AxisCase { "noWidths", 0, 0.05, 0.06, 0.02 }, AxisCase { "wide", 7.3, 0.2, 8, 2 },
        AxisCase { "tiny", 0, 0, 0.015, 0.005 }),
    caseName<AxisCase>);

// Plate P-7 on 2022/10/01 (pole 3): crack 1 0.30 of no direction, crack 2 横 0.12; the default judgement lines.
struct CrackCsvCase {
    const char* name;
    const char* pole;
    const char* results;
    CrackFacts first; // of row 1
    const char* lines; // after the header
};

class CrackCsvTest : public testing::TestWithParam<CrackCsvCase> { };

TEST_P(CrackCsvTest, OneLinePerCrackAfterTheHeader)
{
    const CrackCsvCase& c = GetParam();
    QTemporaryDir program;
    const QDateTime time(QDate(2022, 10, 1), QTime(9, 0));
    writeWholeFile(program.filePath("20221001/3/No3CP.csv"), "1,0.30\r\n2,0.12\r\n");
    writeWholeFile(inspectionFactsPath(program.filePath("20221001")),
        inspectionFactsHeader() + poleFactsLine(time, "3", { "P-7", "", "", "" })
            + crackFactsLine(time, "3", 2, crackRunning(CrackDirection::Transverse)));
    const QString day = program.filePath("20221019");
    const QString pole = QString::fromUtf8(c.pole);
    writeWholeFile(day + "/" + pole + "/No" + pole + "CP.csv", c.results);
    writeWholeFile(inspectionFactsPath(day),
        inspectionFactsHeader() + poleFactsLine(time, pole, { "P-7", "", "", "" })
            + crackFactsLine(time, pole, 1, c.first));
    const PreviousInspections previous(program.path());
    EXPECT_EQ(crackCsv(loadLedgerDay(day, {}), JudgementLines {}, &previous).toStdString(),
        "\xEF\xBB\xBF調査日,調査柱No,電柱番号,ひび割れNo,行,幅mm,測定方法,方向,地上高m,面,錆汁,判定,判定線mm,"
        "前回日,前回幅mm,変化,写真,原画像,備考\r\n"
            + std::string(c.lines));
}

INSTANTIATE_TEST_SUITE_P(Cracks, CrackCsvTest,
    testing::Values(CrackCsvCase { "sameNewAndOlder", "7", "1,0.35\r\n2,0.04\r\n3,0.1\r\n",
                        { Transverse, 1.5, "道路側", true, "", 2 },
                        "2022/10/19,7,P-7,2,1,0.35,,横,1.50,道路側,有,要注意,0.05,2022/10/01,0.12,+0.23,,,\r\n"
                        "2022/10/19,7,P-7,2,2,0.04,,方向未確認,,,,,0.05,2022/10/01,0.12,-0.08,,,\r\n"
                        "2022/10/19,7,P-7,3,3,0.10,,方向未確認,,,,要注意,0.05,2022/10/01,,新規,,,\r\n" },
        CrackCsvCase { "otherDirectionAndFormulaLikeTexts", "=1+2", "1,0.20\r\n",
            { Longitudinal, {}, "@A1", {}, "+81 3", 2 },
            "2022/10/19,'=1+2,P-7,2,1,0.20,,縦,,'@A1,,要注意,0.20,2022/10/01,0.12,方向が異なる,,,'+81 3\r\n" }),
    caseName<CrackCsvCase>);

} // namespace
