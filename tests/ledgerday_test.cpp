#include "ledger/ledgerday.h"
#include "results/measurementrecord.h"

#include "testsupport.h"

#include <QDir>
#include <QFile>
#include <QImage>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace norvel;

namespace {

void writeFile(const QString& path, const QByteArray& content)
{
    QDir().mkpath(QFileInfo(path).path());
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(content);
}

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
MeasurementEntry analysis(
    RecordedChange change, const char* picture, QSize size, std::array<int, 5> widths, bool horizontal = false)
{
    MeasurementEntry entry = measured(change, picture, size);
    entry.horizontal = horizontal;
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
                     .arg(mark.label, mark.counts ? "G" : "R")
                + (mark.labelBelow ? " below" : "");
    return parts.join("; ");
}

const QSize Filed(64, 48); // the size of 7_1.jpg

struct RowCase {
    const char* name;
    QList<MeasurementEntry> entries;
    int row; // 1 has the picture 7_1.jpg, 2 has none
    MeasuredHow how;
    const char* marks;
};

class LedgerRowTest : public testing::TestWithParam<RowCase> { };

TEST_P(LedgerRowTest, TakesHowAndMarksFromTheRecord)
{
    const RowCase& c = GetParam();
    QTemporaryDir day;
    writeFile(day.filePath("7/No7CP.csv"), "1,0.35\r\n2,0.20\r\n");
    writePicture(day.filePath("7/7_1.jpg"), Filed);

    const LedgerDay ledger = loadLedgerDay(day.path(), c.entries);
    ASSERT_EQ(ledger.poles.size(), 1);
    const LedgerRow& row = ledger.poles[0].rows[c.row - 1];
    EXPECT_EQ(row.how, c.how);
    EXPECT_EQ(describe(row.marks), QString::fromUtf8(c.marks));
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
        RowCase { "manual_line", { manualLine("7_1.jpg", Filed) }, 1, MeasuredHow::ManualLine, "10,5-16,8 0.300mm G" },
        RowCase { "typed_after_analysis_keeps_its_marks",
            { analysis(Analysis, "7_1.jpg", Filed, { 0, 0, 3, 3, 0 }), change(TypedCorrection) }, 1, MeasuredHow::Typed,
            "30,5-30,8 0.300mm G; 40,5-40,8 0.300mm G" },
        RowCase { "clearing_afterwards_changes_nothing",
            { manualLine("7_1.jpg", Filed), change(RowCleared), change(AllCleared, "7", 0),
                change(CopiedAndCleared, "7", 0), change(PoleChanged, "8", 0) },
            1, MeasuredHow::ManualLine, "10,5-16,8 0.300mm G" },
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
        PoleOrderCase { "empty_among_texts", "", "A", true }, PoleOrderCase { "unit_is_text", "5mm", "10", false }),
    caseName<PoleOrderCase>);

TEST(LedgerDay, ReadsEveryPoleWithAResultFileInPoleOrder)
{
    QTemporaryDir day;
    writeFile(day.filePath("10/No10CP.csv"), "1,0.40\r\n");
    writeFile(day.filePath("9/No9CP.csv"), "1,0.10\r\n2,要確認\r\n3,0.40\r\n");
    writeFile(day.filePath("A2/NoA2CP.csv"), "1,0.05\r\n");
    writeFile(day.filePath("NoCP.csv"), "1,0.01\r\n");
    writeFile(day.filePath("empty/NoemptyCP.csv"), "");
    writeFile(day.filePath("noresults/noresults_1.jpg"), "");
    // Lines that are not "i,width" are left out; a width keeps its commas.
    writeFile(day.filePath("A10/NoA10CP.csv"), "x,0.3\r\n\r\n0,0.3\r\nbroken\r\n2,0,31\n");
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

    const LedgerPole& a10 = ledger.poles[4];
    ASSERT_EQ(a10.rows.size(), 1);
    EXPECT_EQ(a10.rows[0].row, 2);
    EXPECT_EQ(a10.rows[0].width, "0,31");
    EXPECT_FALSE(ledger.poles[5].meanMm.has_value());

    // The list still in the window stands in for its pole's file, and brings a pole without one yet.
    for (const char* pole : { "9", "11" }) {
        SCOPED_TRACE(pole);
        const LedgerDay open = loadLedgerDay(day.path(), {}, OpenResults { pole, { "0.60", "0.20" } });
        const auto listed = std::find_if(open.poles.begin(), open.poles.end(), [&](const LedgerPole& p) { return p.pole == pole; });
        ASSERT_NE(listed, open.poles.end());
        ASSERT_EQ(listed->rows.size(), 2);
        EXPECT_EQ(listed->rows[1].row, 2);
        EXPECT_EQ(listed->widestMm, 0.60);
        EXPECT_EQ(open.widestPole, pole);
        EXPECT_EQ(open.poles.size(), ledger.poles.size() + (QByteArray(pole) == "11" ? 1 : 0));
    }
}

struct SummaryCase {
    const char* name;
    const char* pole;
    const char* results;
    double judgementMm;
    const char* line;
};

class SummaryCsvTest : public testing::TestWithParam<SummaryCase> { };

TEST_P(SummaryCsvTest, OneLinePerPoleAfterTheHeader)
{
    const SummaryCase& c = GetParam();
    QTemporaryDir day;
    const QString pole = QString::fromUtf8(c.pole);
    writeFile(day.filePath(pole + "/No" + pole + "CP.csv"), c.results);
    const QByteArray csv = summaryCsv(loadLedgerDay(day.path(), {}), c.judgementMm);
    EXPECT_EQ(csv,
        QByteArray("\xEF\xBB\xBF") + QStringLiteral("調査柱No,行数,最大幅mm,平均幅mm,判定\r\n").toUtf8() + c.line
            + "\r\n");
}

INSTANTIATE_TEST_SUITE_P(Summaries, SummaryCsvTest,
    testing::Values(
        SummaryCase { "widest_and_mean", "7", "1,0.35\r\n2,0.10\r\n3,0.20\r\n", 0.2, "7,3,0.35,0.22,要注意" },
        SummaryCase { "at_the_line", "7", "1,0.20\r\n", 0.2, "7,1,0.20,0.20,要注意" },
        SummaryCase { "below_the_line", "7", "1,0.19\r\n", 0.2, "7,1,0.19,0.19," },
        SummaryCase { "texts_ignored", "7", "1,-\r\n2,0.1\r\n3,0.30mm\r\n", 0.2, "7,3,0.10,0.10," },
        SummaryCase { "no_number", "7", "1,要確認\r\n", 0.2, "7,1,,," },
        SummaryCase { "no_rows", "7", "", 0.2, "7,0,,," },
        SummaryCase { "half_rounds_up", "7", "1,0.125\r\n", 0.5, "7,1,0.13,0.13," },
        SummaryCase { "pole_quoted", "A,\"1\"", "1,1\r\n", 0.2, "\"A,\"\"1\"\"\",1,1.00,1.00,要注意" }),
    caseName<SummaryCase>);

} // namespace
