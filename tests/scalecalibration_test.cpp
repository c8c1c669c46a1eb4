#include "analysis/scalecalibration.h"

#include "testsupport.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

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
            { { "640x480", { 0.1 + 0.2, May1, 0.05, "目盛り 写真 01.jpg" } }, { "1600x1200", { 1e-5, {}, 0, "" } },
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
    const char* content; // nullptr: no file; "/": a folder in its place
    const char* errorPart; // nullptr: no error
    int sizes; // read
};

class ScaleReadTest : public testing::TestWithParam<FileCase> { };

TEST_P(ScaleReadTest, measuresWithoutCalibrationWhenTheFileCannotBeUsed)
{
    const FileCase& c = GetParam();
    QTemporaryDir program;
    const QString path = program.filePath("scale.ini");
    if (c.content && QByteArray(c.content) == "/") {
        ASSERT_TRUE(QDir().mkdir(path));
    } else if (c.content) {
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly) && file.write(c.content) > 0);
    }
    QString error;
    EXPECT_EQ(readScaleFile(program.path(), &error).size(), c.sizes);
    EXPECT_TRUE(c.errorPart ? error.contains(path) && error.contains(c.errorPart) : error.isEmpty())
        << error.toStdString();
}

INSTANTIATE_TEST_SUITE_P(Files, ScaleReadTest,
    testing::Values(FileCase { "missing", nullptr, nullptr, 0 },
        FileCase { "damaged", "[scale]\r\n640x480=45\r\n800x600=\r\n", "壊れている", 0 },
        FileCase { "a_folder", "/", "読めない", 0 }),
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

} // namespace
