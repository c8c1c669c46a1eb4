#include "analysis/scalecalibration.h"

#include "analysis/scanlines.h"
#include "analysis/summary.h"
#include "core/numbers.h"
#include "testsupport.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <limits>

using namespace norvel;

namespace {

const QDate May1(2024, 5, 1);

struct ContentCase {
    const char* name;
    ScaleCalibrations calibrations;
    const char* text; // the exact file, where it matters
};

class ScaleContentTest : public testing::TestWithParam<ContentCase> { };

TEST_P(ScaleContentTest, readsBackAsWritten)
{
    const QByteArray content = scaleFileContent(GetParam().calibrations);
    if (GetParam().text) {
        EXPECT_EQ(content, QByteArray(GetParam().text));
    }
    QString error;
    EXPECT_EQ(parseScaleFile(content, &error), GetParam().calibrations) << error.toStdString();
}

INSTANTIATE_TEST_SUITE_P(Calibrations, ScaleContentTest,
    testing::Values(ContentCase { "none", {}, "[scale]\r\n" },
        ContentCase { "one", { { "2592x1944", { 368.55, May1, 1, "ruler.jpg" } } },
            "[scale]\r\n2592x1944=368.55\r\n\r\n[2592x1944]\r\ndate=2024-05-01\r\nlengthMm=1\r\npicture=ruler."
            "jpg\r\n" },
        // Figures only the shortest exact text keeps, a name with blanks and Japanese, unset fields.
        ContentCase { "several_sizes",
            { { "640x480", { (0.1 + 0.2) * 1000, May1, 0.05, "目盛り 写真 01.jpg" } },
                { "1600x1200", { 1 + 1e-15, {}, 0, "" } },
                { "2592x1944", { 368.549987792969, QDate(1999, 12, 31), 2.5, "a=b;c.jpg" } } },
            nullptr }),
    caseName<ContentCase>);

struct ParseCase {
    const char* name;
    QByteArray content;
    double pxPerMm640; // the figure read for 640x480; 0 for a text that is refused
};

class ScaleParseTest : public testing::TestWithParam<ParseCase> { };

TEST_P(ScaleParseTest, acceptsWhatAnEditorLeavesAndRefusesDamage)
{
    QString error;
    const std::optional<ScaleCalibrations> calibrations = parseScaleFile(GetParam().content, &error);
    ASSERT_EQ(calibrations.has_value(), GetParam().pxPerMm640 != 0) << error.toStdString();
    if (calibrations) {
        EXPECT_EQ(calibratedPxPerMm(*calibrations, { 640, 480 }), float(GetParam().pxPerMm640));
    } else {
        EXPECT_FALSE(error.isEmpty());
    }
}

// clang-format off
INSTANTIATE_TEST_SUITE_P(Texts, ScaleParseTest, testing::Values(
    ParseCase { "by_hand", "\xEF\xBB\xBF; scale\n# size\n\n[640x480]\r\n other = 1 \n[ scale ]\n 640x480 = 45.5 \n", 45.5 },
    ParseCase { "key_outside_a_section", "640x480=45\n", 0 },
    ParseCase { "not_key_value", "[scale]\n640x480 45\n", 0 },
    ParseCase { "key_not_a_size", "[scale]\n640*480=45\n", 0 },
    ParseCase { "zero_width", "[scale]\n0x480=45\n", 0 },
    ParseCase { "zero", "[scale]\n640x480=0\n", 0 },
    ParseCase { "infinite", "[scale]\n640x480=inf\n", 0 },
    ParseCase { "unit", "[scale]\n640x480=45mm\n", 0 },
    ParseCase { "beyond_a_single", "[scale]\n640x480=1e39\n", 0 },
    ParseCase { "key_twice", "[scale]\n640x480=45\n0640x480=46\n", 0 },
    ParseCase { "section_twice", "[scale]\n640x480=45\n[scale]\n", 0 },
    ParseCase { "capital_x", "[scale]\n640X480=45\n", 45 },
    ParseCase { "section_without_figure", "[scale]\n640x480=45\n[800x600]\npicture=a.jpg\n", 45 },
    ParseCase { "other_sections", "[General]\nx y\n[scale]\n640x480=45\n[ledger]\n640x480=1\n", 45 },
    ParseCase { "unreadable_notes", "[scale]\n640x480=45\n[640x480]\ndate=2024-13-01\nlengthMm=0\n", 45 },
    ParseCase { "not_utf8", "[scale]\n640x480=45\n[640x480]\npicture=\xff.jpg\n", 0 }), caseName<ParseCase>);
// clang-format on

struct FileCase {
    const char* name;
    const char* content; // nullptr: no file; "/": a folder in its place; "|": a pipe; "@": a link to /dev/zero;
                         // "+": a file one byte over the limit
    const char* errorPart; // nullptr: no error
    int sizes; // read
};

class ScaleReadTest : public testing::TestWithParam<FileCase> { };

TEST_P(ScaleReadTest, measuresWithoutCalibrationWhenTheFileCannotBeUsed)
{
    const FileCase& c = GetParam();
    QTemporaryDir program;
    const QString path = program.filePath("scale.ini");
    const QByteArray special = c.content ? QByteArray(c.content) : QByteArray();
    if (special == "/") {
        ASSERT_TRUE(QDir().mkdir(path));
    } else if (special == "|") {
        ASSERT_EQ(::mkfifo(QFile::encodeName(path).constData(), 0600), 0);
    } else if (special == "@") {
        ASSERT_EQ(::symlink("/dev/zero", QFile::encodeName(path).constData()), 0);
    } else if (special == "+") {
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        ASSERT_TRUE(file.write("[scale]\r\n640x480=91\r\n; " + QByteArray(ScaleFileLimitBytes, 'x')) > 0);
    } else if (c.content) {
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly) && file.write(c.content) > 0);
    }
    QString error;
    EXPECT_EQ(readScaleFile(program.path(), &error).size(), c.sizes);
    EXPECT_TRUE(c.errorPart ? error.contains(path) && error.contains(QString::fromUtf8(c.errorPart)) : error.isEmpty())
        << error.toStdString();
}

INSTANTIATE_TEST_SUITE_P(Files, ScaleReadTest,
    testing::Values(FileCase { "missing", nullptr, nullptr, 0 },
        FileCase { "damaged", "[scale]\r\n640x480=45\r\n800x600=\r\n", "壊れている", 0 },
        FileCase { "a_folder", "/", "フォルダ", 0 },
        // Neither waited for nor read without end.
        FileCase { "a_pipe", "|", "普通のファイルではありません", 0 },
        FileCase { "a_link_to_a_device", "@", "普通のファイルではありません", 0 },
        FileCase { "over_the_limit", "+", "上限", 0 },
        FileCase { "a_figure_no_microscope_gives", "[scale]\r\n640x480=91\r\n1600x1200=5e5\r\n", "3行目", 0 }),
    caseName<FileCase>);

struct WriteCase {
    const char* name;
    ScaleCalibrations calibrations;
    bool folderIsAFile;
    bool written;
};

class ScaleWriteTest : public testing::TestWithParam<WriteCase> { };

TEST_P(ScaleWriteTest, replacesTheFileWholeOrKeepsTheOldOne)
{
    const WriteCase& c = GetParam();
    QTemporaryDir temporary;
    const QByteArray old = "[scale]\r\n640x480=91\r\n";
    QFile oldFile(temporary.filePath(c.folderIsAFile ? "program" : "scale.ini"));
    ASSERT_TRUE(oldFile.open(QIODevice::WriteOnly) && oldFile.write(old) == old.size());
    oldFile.close();
    const QString program = c.folderIsAFile ? oldFile.fileName() : temporary.path();

    QString error;
    ASSERT_EQ(writeScaleFile(program, c.calibrations, &error), c.written) << error.toStdString();
    if (c.written) {
        EXPECT_EQ(readScaleFile(program, &error), c.calibrations);
        return;
    }
    EXPECT_TRUE(error.contains("scale.ini")) << error.toStdString();
    ASSERT_TRUE(oldFile.open(QIODevice::ReadOnly));
    EXPECT_EQ(oldFile.readAll(), old);
    EXPECT_EQ(QDir(temporary.path()).entryList(QDir::Files).size(), 1); // no temporary file left behind
}

INSTANTIATE_TEST_SUITE_P(Writes, ScaleWriteTest,
    testing::Values(WriteCase { "replaced", { { "2592x1944", { 368.55, May1, 1, "目盛り.jpg" } } }, false, true },
        WriteCase { "folder_is_a_file", { { "2592x1944", { 368.55, May1, 1, "" } } }, true, false },
        WriteCase { "not_a_number", { { "640x480", { std::numeric_limits<double>::quiet_NaN(), May1, 1, "" } } }, false,
            false },
        // Would read back as another name.
        WriteCase { "blank_around_name", { { "640x480", { 91, May1, 1, " a.jpg" } } }, false, false }),
    caseName<WriteCase>);

struct CheckCase {
    const char* name;
    double linePx;
    double lengthMm;
    int width;
    const char* refusalPart; // nullptr: accepted
    double pxPerMm;
    double describedPxPerMm;
    double differencePercent;
};

class CalibrationCheckTest : public testing::TestWithParam<CheckCase> { };

TEST_P(CalibrationCheckTest, refusesShortLinesAndUnreadableLengths)
{
    const CheckCase& c = GetParam();
    const CalibrationCheck check = checkCalibration(c.linePx, c.lengthMm, QSize(c.width, c.width * 3 / 4));
    EXPECT_TRUE(c.refusalPart ? check.refusal.contains(QString::fromUtf8(c.refusalPart)) : check.refusal.isEmpty())
        << check.refusal.toStdString();
    EXPECT_NEAR(check.pxPerMm, c.pxPerMm, 1e-6);
    EXPECT_NEAR(check.describedPxPerMm, c.describedPxPerMm, 1e-4);
    EXPECT_NEAR(check.differencePercent, c.differencePercent, 1e-3);
}

// clang-format off
INSTANTIATE_TEST_SUITE_P(Lines, CalibrationCheckTest, testing::Values(
    CheckCase { "line_99_9", 99.9, 1, 640, "今の線は99画素", 99.9, 91, 9.78022 },
    CheckCase { "line_100", 100, 1, 640, nullptr, 100, 91, 9.89011 },
    CheckCase { "length_0_00999", 100, 0.00999, 640, "0.01～100 mm", 10010.01001001, 91, 10900.01100 },
    CheckCase { "length_0_01", 100, 0.01, 640, nullptr, 10000, 91, 10889.01099 },
    CheckCase { "length_100", 100, 100, 640, nullptr, 1, 91, -98.90110 },
    CheckCase { "length_100_01", 100, 100.01, 640, "0.01～100 mm", 0.99990001, 91, -98.90121 },
    CheckCase { "width_1600", 407, 2, 1600, nullptr, 203.5, 185, 10 },
    CheckCase { "width_2592", 737.1, 2, 2592, nullptr, 368.55, 368.55, 0 }), caseName<CheckCase>);
// clang-format on

// A size key of the tables: "640x480".
QSize sizeOf(const char* key)
{
    const QList<QByteArray> sides = QByteArray(key).split('x');
    return { sides[0].toInt(), sides[1].toInt() };
}

// Whether the ruler and the labels can be drawn with this figure for pictures of this size, at both display
// sizes and every magnification, without a 16-bit rule throwing or a label reading infinite or zero.
void expectMeasures(float pxPerMm, QSize size)
{
    for (const double rows : { 480.0, 420.0 }) {
        const auto dspRate = static_cast<float>(rows / size.height());
        for (const float zoom : { 1.0f, 2.5f, 5.0f }) {
            const ViewGeometry view { dspRate, zoom, {} };
            const double boxWidth = size.width() * double(dspRate);
            EXPECT_NO_THROW((void)rulerTicks(ScanDirection::Horizontal, pxPerMm, view, boxWidth, rows));
            EXPECT_NO_THROW((void)rulerTicks(ScanDirection::Vertical, pxPerMm, view, boxWidth, rows));
        }
    }
    for (const qint16 width : { qint16(1), qint16(32767) }) {
        const std::optional<float> mm = summariseWidths({ width, width, 0, 0, 0 }, pxPerMm).combinedMm;
        ASSERT_TRUE(mm);
        EXPECT_TRUE(std::isfinite(*mm) && *mm > 0) << *mm;
        EXPECT_FALSE(millimetreLabel(*mm).contains(u'n')) << millimetreLabel(*mm).toStdString(); // "Inf", "NaN"
    }
}

struct FigureCase {
    const char* name;
    const char* size; // the [scale] key
    const char* figure; // as written
    const char* refusalPart; // nullptr: accepted
};

class HostileFigureTest : public testing::TestWithParam<FigureCase> { };

// A figure typed into the file by hand is refused on its line with the reason, or measures safely.
TEST_P(HostileFigureTest, isRefusedOnItsLineOrMeasuresSafely)
{
    const FigureCase& c = GetParam();
    const QByteArray content = "[scale]\n; by hand\n" + QByteArray(c.size) + '=' + c.figure + '\n';
    QString error;
    const std::optional<ScaleCalibrations> parsed = parseScaleFile(content, &error);
    if (c.refusalPart) {
        ASSERT_FALSE(parsed);
        EXPECT_TRUE(error.startsWith(QStringLiteral("3行目")) && error.contains(QString::fromLatin1(c.figure))
            && error.contains(QString::fromUtf8(c.refusalPart)))
            << error.toStdString();
        return;
    }
    ASSERT_TRUE(parsed) << error.toStdString();
    const std::optional<float> figure = calibratedPxPerMm(*parsed, sizeOf(c.size));
    ASSERT_TRUE(figure);
    EXPECT_EQ(*figure, static_cast<float>(*exactNumber<double>(QString::fromLatin1(c.figure))));
    expectMeasures(*figure, sizeOf(c.size));
}

// clang-format off
INSTANTIATE_TEST_SUITE_P(Figures, HostileFigureTest, testing::Values(
    FigureCase { "tiny", "640x480", "1e-30", "1～20000" },
    FigureCase { "below_a_single", "640x480", "1e-40", "1～20000" },
    FigureCase { "half", "640x480", "0.5", "1～20000" },
    FigureCase { "just_below_1", "640x480", "0.99999", "1～20000" },
    FigureCase { "lowest", "640x480", "1", nullptr },
    // A typed 9.1 for 91 reads as a scale; the calibration asks before setting one so far off.
    FigureCase { "typo", "640x480", "9.1", nullptr },
    FigureCase { "fine", "640x480", "1e4", nullptr },
    FigureCase { "highest", "640x480", "20000", nullptr },
    FigureCase { "just_above_highest", "640x480", "20000.000001", "1～20000" },
    FigureCase { "above_highest", "640x480", "20001", "1～20000" },
    FigureCase { "ruler_step_beyond_16_bits", "640x480", "5e5", "1～20000" },
    FigureCase { "huge", "640x480", "1e30", "1～20000" },
    FigureCase { "near_the_largest_single", "640x480", "3e38", "1～20000" },
    FigureCase { "beyond_a_single", "640x480", "1e39", "1～20000" },
    FigureCase { "negative", "640x480", "-1", "1～20000" },
    FigureCase { "zero", "640x480", "0", "1～20000" },
    FigureCase { "negative_zero", "640x480", "-0", "1～20000" },
    FigureCase { "nan", "640x480", "nan", "数ではありません" },
    FigureCase { "inf", "640x480", "inf", "数ではありません" },
    FigureCase { "hexadecimal", "640x480", "0x10", "数ではありません" },
    // The fewer rows, the larger the view scale and the ruler's step: one row takes 682 at most.
    FigureCase { "one_row_largest", "68x1", "682", nullptr },
    FigureCase { "one_row_beyond", "68x1", "683", "68x1の画像に目盛りを描けません。この大きさの画像では682まで" },
    FigureCase { "29_rows_largest", "640x29", "19797", nullptr },
    FigureCase { "29_rows_beyond", "640x29", "19798", "19797まで" },
    FigureCase { "30_rows_highest", "640x30", "20000", nullptr },
    FigureCase { "tallest_lowest", "4x32767", "1", nullptr },
    FigureCase { "tallest_highest", "4x32767", "20000", nullptr }), caseName<FigureCase>);
// clang-format on

struct LargestCase {
    const char* name;
    int height;
    double largest;
};

class LargestFigureTest : public testing::TestWithParam<LargestCase> { };

// The largest figure is the ruler's own limit wherever that is below the plausible one: one more throws.
TEST_P(LargestFigureTest, isWhereTheRulerStepStillFits)
{
    const LargestCase& c = GetParam();
    const QSize size(64, c.height);
    ASSERT_EQ(largestPxPerMm(size), c.largest);
    expectMeasures(static_cast<float>(c.largest), size);
    if (c.largest < MaximumPxPerMm) {
        EXPECT_THROW(
            (void)rulerStep(static_cast<float>(c.largest + 1), static_cast<float>(480.0 / c.height), 1), OverflowError);
    }
}

INSTANTIATE_TEST_SUITE_P(Heights, LargestFigureTest,
    testing::Values(LargestCase { "one_row", 1, 682 }, LargestCase { "two_rows", 2, 1365 },
        LargestCase { "29_rows", 29, 19797 }, LargestCase { "30_rows", 30, MaximumPxPerMm },
        LargestCase { "480_rows", 480, MaximumPxPerMm }, LargestCase { "tallest", 32767, MaximumPxPerMm }),
    caseName<LargestCase>);

struct TypedCase {
    const char* name;
    double linePx; // on a 640 x 480 picture: 91 pixels per mm described
    const char* text;
    const char* refusalPart; // nullptr: accepted
    double pxPerMm;
    const char* questionPart; // nullptr: not asked
};

class TypedCalibrationTest : public testing::TestWithParam<TypedCase> { };

TEST_P(TypedCalibrationTest, readsFullWidthSaysNumberAndAsksFarFromTheDescribedScale)
{
    const TypedCase& c = GetParam();
    const CalibrationCheck check = checkTypedCalibration(c.linePx, QString::fromUtf8(c.text), QSize(640, 480));
    EXPECT_TRUE(c.refusalPart ? check.refusal.contains(QString::fromUtf8(c.refusalPart)) : check.refusal.isEmpty())
        << check.refusal.toStdString();
    EXPECT_TRUE(c.questionPart ? check.question.contains(QString::fromUtf8(c.questionPart)) : check.question.isEmpty())
        << check.question.toStdString();
    if (!c.refusalPart) {
        EXPECT_DOUBLE_EQ(check.pxPerMm, c.pxPerMm);
        const std::optional<double> typed = typedLengthMm(QString::fromUtf8(c.text));
        ASSERT_TRUE(typed);
        EXPECT_DOUBLE_EQ(*typed, c.linePx / c.pxPerMm);
    }
}

// clang-format off
INSTANTIATE_TEST_SUITE_P(Texts, TypedCalibrationTest, testing::Values(
    TypedCase { "ascii", 400, "4", nullptr, 100, nullptr },
    TypedCase { "full_width", 400, "４", nullptr, 100, nullptr },
    TypedCase { "full_width_point", 150, "１．５", nullptr, 100, nullptr },
    TypedCase { "blanks_around", 400, "　4 ", nullptr, 100, nullptr },
    TypedCase { "empty", 400, "", "長さを数字で入力してください。", 0, nullptr },
    TypedCase { "letters", 400, "abc", "長さを数字で入力してください。", 0, nullptr },
    TypedCase { "decimal_comma", 150, "1,5", "数字", 0, nullptr },
    TypedCase { "with_unit", 400, "4mm", "数字", 0, nullptr },
    TypedCase { "infinite", 400, "inf", "数字", 0, nullptr },
    TypedCase { "short_line_first", 99, "abc", "100画素", 0, nullptr },
    TypedCase { "negative", 400, "－４", "0.01～100 mm", 0, nullptr },
    TypedCase { "too_short_a_length", 400, "0.005", "0.01～100 mm", 0, nullptr },
    // 40000 pixels per mm, 44000 % off the described scale: no microscope gives it.
    TypedCase { "beyond_a_microscope", 400, "0.01", "1～20000", 0, nullptr },
    TypedCase { "beyond_a_microscope_full_width", 400, "０．０１", "1～20000", 0, nullptr },
    TypedCase { "far_above", 400, "0.1", nullptr, 4000,
        "校正値 4000.00 画素/mm は標準の 91.00 画素/mm と大きく違います（44.0 倍）。この値で校正しますか？" },
    TypedCase { "typo_44_for_4_4", 400, "44", nullptr, 400.0 / 44, "（0.0999 倍）" },
    TypedCase { "over_twice", 400, "2", nullptr, 200, "（2.20 倍）" },
    TypedCase { "twice", 364, "2", nullptr, 182, nullptr },
    TypedCase { "half", 182, "4", nullptr, 45.5, nullptr },
    TypedCase { "under_half", 400, "10", nullptr, 40, "（0.440 倍）" }), caseName<TypedCase>);
// clang-format on

} // namespace
