#include "analysis/scalecalibration.h"
#include "form1fixture.h"
#include "results/measurementrecord.h"
#include "testsupport.h"
#include "widgets/flexgrid.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>

using namespace norvel;

namespace {

class Form1ScaleTest : public Form1Fixture {
protected:
    QString scaleFile() const { return fake.programFolder.filePath(ScaleFileName); }
    void writeScale(const QByteArray& content)
    {
        QFile file(scaleFile());
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(content);
    }
    // A fresh start, reading the program folder's scale file.
    void restart()
    {
        form.reset();
        SetUp();
    }
    void openShot(int band) { open(writePicture(QStringLiteral("shot.jpg"), bandShot(band))); }
    QString lastWidth()
    {
        auto* grid = get<FlexGrid>(QStringLiteral("MSFlexGrid2"));
        return grid->rows() ? grid->textMatrix(grid->rows() - 1, 1) : QString();
    }
    QString text3() { return get<QLineEdit>(QStringLiteral("Text3"))->text(); }
    QString sizeCaption() { return get<QMenu>(QStringLiteral("Sz"))->title(); }
    void drag(QPoint from, QPoint to)
    {
        press(from);
        moveTo(to);
        release(to);
    }
};

struct ScaleCase {
    const char* name;
    const char* scaleIni; // "" for none
    bool smallPicture; // the 560*420 display size
    const char* analysed; // the 40-pixel band by the analysis
    const char* dragged; // the same band by a dragged line
    bool marked;
    bool reported = false;
};

class ScaleInForceTest : public Form1ScaleTest, public ::testing::WithParamInterface<ScaleCase> { };

// The analysis and a dragged line use the calibrated figure for the picture's size in both display sizes;
// without one, both use the described scale for the picture.
TEST_P(ScaleInForceTest, measuresWithTheScaleOfThePicturesSize)
{
    const ScaleCase& c = GetParam();
    writeScale(c.scaleIni);
    restart();
    if (c.smallPicture)
        menuItem(QStringLiteral("DspS(1)"))->trigger();
    openShot(40);
    get<QPushButton>(QStringLiteral("Command2"))->click();
    EXPECT_EQ(lastWidth(), QString::fromLatin1(c.analysed));
    const int bottom = c.smallPicture ? 300 : 340;
    drag({ 100, 150 }, { 100, bottom });
    EXPECT_EQ(text3(), QString::fromLatin1(c.dragged));
    EXPECT_EQ(sizeCaption().endsWith(QStringLiteral("（校正済）")), c.marked) << sizeCaption().toStdString();
    EXPECT_EQ(fake.errors.size(), c.reported ? 1 : 0) << fake.errors.join(u'\n').toStdString();
}

// In the smaller display size a dragged line's samples lie 1.0025 picture pixels apart: the 40-pixel band
// takes 39 of them, within a pixel.
INSTANTIATE_TEST_SUITE_P(Scales, ScaleInForceTest,
    ::testing::Values(ScaleCase { "described", "", false, "0.44", "0.44", false },
        ScaleCase { "describedSmall", "", true, "0.44", "0.43", false },
        ScaleCase { "calibrated", "[scale]\n640x480=100\n", false, "0.40", "0.40", true },
        ScaleCase { "calibratedSmall", "[scale]\n640x480=100\n", true, "0.40", "0.39", true },
        ScaleCase { "otherSizeOnly", "[scale]\n2592x1944=368.55\n", false, "0.44", "0.44", false },
        ScaleCase { "damaged", "[scale]\n640x480=abc\n", false, "0.44", "0.44", false, true }),
    caseName<ScaleCase>);

TEST_F(Form1ScaleTest, aDamagedScaleFile_isReportedOnceAtStartUp)
{
    writeScale("[scale]\n640x480=abc\n");
    restart();
    ASSERT_EQ(fake.errors.size(), 1);
    EXPECT_TRUE(fake.errors[0].contains(ScaleFileName)) << fake.errors[0].toStdString();
}

// Set from a ruler's photograph: a line dragged along 4 mm of 400 pixels gives 100 pixels per millimetre,
// and a crack 40 pixels wide then reads 0.40 mm.
TEST_F(Form1ScaleTest, aLineAlongARuler_setsTheScaleForThatSize)
{
    QImage ruler(640, 480, QImage::Format_RGB32);
    ruler.fill(Qt::white);
    {
        QPainter painter(&ruler);
        for (int x = 100; x <= 500; x += 50)
            painter.fillRect(x, 200, 2, x % 100 ? 20 : 40, Qt::black);
    }
    open(writePicture(QStringLiteral("ruler.jpg"), ruler));
    menuItem(QStringLiteral("Calibrate"))->trigger();
    ASSERT_EQ(fake.notices.size(), 1);
    fake.lengthAnswers = { 4.0 };
    drag({ 100, 260 }, { 500, 260 });
    ASSERT_EQ(fake.lengthOffers.size(), 1u);
    EXPECT_DOUBLE_EQ(fake.lengthOffers[0].first, 400);
    EXPECT_EQ(fake.lengthOffers[0].second, QSize(640, 480));
    EXPECT_TRUE(fake.errors.isEmpty()) << fake.errors.join(u'\n').toStdString();
    EXPECT_TRUE(sizeCaption().endsWith(QStringLiteral("（校正済）")));
    EXPECT_TRUE(contents(scaleFile()).contains("640x480=100")) << contents(scaleFile()).toStdString();
    EXPECT_EQ(text3(), QStringLiteral("0")); // the line set the scale, it measured nothing

    openShot(40);
    get<QPushButton>(QStringLiteral("Command2"))->click();
    EXPECT_EQ(lastWidth(), QStringLiteral("0.40"));
    // The record says which scale gave the width.
    const QList<MeasurementEntry> recorded = readMeasurementRecord(
        contents(fake.programFolder.filePath(QStringLiteral("20221019/") + MeasurementRecordFileName)))
                                                 .entries;
    ASSERT_FALSE(recorded.isEmpty());
    EXPECT_TRUE(recorded.back().calibrated);
    EXPECT_EQ(recorded.back().pxPerMm, 100.0f);

    // Taken off again: the described scale is back.
    menuItem(QStringLiteral("Uncalibrate"))->trigger();
    EXPECT_FALSE(sizeCaption().endsWith(QStringLiteral("（校正済）")));
    EXPECT_FALSE(contents(scaleFile()).contains("640x480"));
    get<QPushButton>(QStringLiteral("Command2"))->click();
    EXPECT_EQ(lastWidth(), QStringLiteral("0.44"));
}

TEST_F(Form1ScaleTest, theRefusals_sayWhyAndKeepTheScale)
{
    const struct {
        const char* name;
        int lineEnd; // from x 100
        std::optional<double> length;
        bool asked;
        const char* said;
    } rows[] = {
        { "lineTooShort", 199, 4.0, false, "100画素" },
        { "lengthTooSmall", 500, 0.005, true, "0.01" },
        { "lengthTooLarge", 500, 100.5, true, "100 mm" },
        { "cancelled", 500, std::nullopt, true, "" },
    };
    openShot(40);
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        fake.errors.clear();
        fake.lengthOffers.clear();
        fake.lengthAnswers = { row.length };
        menuItem(QStringLiteral("Calibrate"))->trigger();
        drag({ 100, 100 }, { row.lineEnd, 100 });
        EXPECT_EQ(fake.lengthOffers.size(), row.asked ? 1u : 0u);
        EXPECT_EQ(fake.errors.size(), *row.said ? 1 : 0);
        if (*row.said && !fake.errors.isEmpty()) {
            EXPECT_TRUE(fake.errors[0].contains(QString::fromUtf8(row.said))) << fake.errors[0].toStdString();
        }
        EXPECT_FALSE(QFile::exists(scaleFile()));
        // The next line measures again.
        drag({ 100, 150 }, { 100, 340 });
        EXPECT_EQ(text3(), QStringLiteral("0.44"));
    }
}

// White with a dark band across every vertical scan line from 5/12 of the height down, a twelfth of it high
// and at least a row: at 640 x 480 the band of bandShot(40).
QImage bandPicture(int width, int height)
{
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter(&image).fillRect(0, height * 5 / 12, width, std::max(1, height / 12), QColor(40, 40, 40));
    return image;
}

struct BoundCase {
    const char* name;
    int width;
    int height;
    const char* figure; // for that size in the scale file
    bool accepted;
    const char* analysed = nullptr; // the combined width over the whole picture at 640 x 480; nullptr: not checked
};

class ScaleBoundsTest : public Form1ScaleTest, public ::testing::WithParamInterface<BoundCase> {
protected:
    void SetUp() override
    {
        programSettings = "[analysis]\r\nacrossCrack=false\r\n"; // the figures along the lines, to the digit
        Form1ScaleTest::SetUp();
    }
};

// At the lowest and the highest figure the file may give, the analysis draws its ruler, marks and labels and
// a dragged line measures, at both display sizes, over the whole picture and the 5 times range, without a
// 16-bit rule throwing. A refused figure is reported and the described scale measures.
TEST_P(ScaleBoundsTest, measuresAtBothDisplaySizesAndEveryRange)
{
    const BoundCase& c = GetParam();
    writeScale("[scale]\n" + QByteArray::number(c.width) + 'x' + QByteArray::number(c.height) + '=' + c.figure + '\n');
    restart();
    ASSERT_EQ(fake.errors.size(), c.accepted ? 0 : 1) << fake.errors.join(u'\n').toStdString();
    get<QCheckBox>(QStringLiteral("Check5"))->setChecked(false); // every width counts, however many millimetres
    open(writePicture(QStringLiteral("bounds.bmp"), bandPicture(c.width, c.height)));
    ASSERT_EQ(picture2->image().size(), QSize(c.width, c.height));
    EXPECT_EQ(sizeCaption().endsWith(QStringLiteral("（校正済）")), c.accepted);
    auto* grid = get<FlexGrid>(QStringLiteral("MSFlexGrid1"));
    // Down the middle of the smaller view, across the band.
    const int middle = static_cast<int>(c.width * 420.0 / c.height / 2);
    for (const int size : { 0, 1 }) {
        menuItem(QStringLiteral("DspS(%1)").arg(size))->trigger();
        for (const int range : { 0, 2 }) {
            SCOPED_TRACE(testing::Message() << "display size " << size << ", range " << range);
            menuItem(QStringLiteral("ops(%1)").arg(range))->trigger();
            grid->setTextMatrix(5, 1, QStringLiteral("?"));
            get<QPushButton>(QStringLiteral("Command2"))->click();
            // The fifth line is marked and labelled after the ruler is drawn.
            EXPECT_NE(grid->textMatrix(5, 1), QStringLiteral("?"));
            if (c.analysed && size == 0 && range == 0) {
                EXPECT_EQ(grid->textMatrix(6, 1), QString::fromLatin1(c.analysed));
            }
            const qsizetype labels = picture1->printedTexts().size();
            drag({ middle, 20 }, { middle, 400 });
            for (qsizetype i = labels; i < picture1->printedTexts().size(); ++i) {
                const QString label = picture1->printedTexts()[i].text;
                EXPECT_TRUE(label.endsWith(QStringLiteral("mm")) && !label.contains(u'n')) << label.toStdString();
            }
        }
    }
}

// The bound below does not depend on the picture's size, and 640 x 480 shows it. The bound above does: the
// ruler's step is figure × 480 / height / 10 view pixels, largest for the least tall pictures, so those are
// the hard cases (30 rows still take 20000, one row takes 682), not the largest picture; that one (32767
// rows, the loader's longest side) is kept 4 pixels wide, and has the smallest step.
INSTANTIATE_TEST_SUITE_P(Bounds, ScaleBoundsTest,
    ::testing::Values(BoundCase { "lowest", 640, 480, "1", true, "40.00" },
        BoundCase { "highest", 640, 480, "20000", true, "0.00" },
        BoundCase { "highest_at_30_rows", 640, 30, "20000", true },
        BoundCase { "largest_at_one_row", 68, 1, "682", true },
        BoundCase { "lowest_at_the_tallest", 4, 32767, "1", true },
        BoundCase { "highest_at_the_tallest", 4, 32767, "20000", true },
        BoundCase { "refused_beyond_a_microscope", 640, 480, "5e5", false, "0.44" },
        BoundCase { "refused_beyond_the_ruler_at_one_row", 68, 1, "683", false }),
    caseName<BoundCase>);

struct ConfirmCase {
    const char* name;
    double lengthMm; // of the 400-pixel line on a 640 x 480 picture: 91 pixels per mm described
    std::optional<bool> answer; // to the question; nullopt: not asked
    const char* said; // the question's or the refusal's part; "" for neither
    const char* figure; // in the file afterwards; 100 was there before
};

class CalibrationConfirmTest : public Form1ScaleTest, public ::testing::WithParamInterface<ConfirmCase> { };

// A figure more than twice or less than half the described one is set only when confirmed; Cancel keeps the
// scale there was. What the scale file would refuse is refused without a question.
TEST_P(CalibrationConfirmTest, farFromTheDescribedScale_isSetOnlyWhenConfirmed)
{
    const ConfirmCase& c = GetParam();
    writeScale("[scale]\r\n640x480=100\r\n");
    restart();
    openShot(40);
    menuItem(QStringLiteral("Calibrate"))->trigger();
    fake.lengthAnswers = { c.lengthMm };
    if (c.answer)
        fake.okAnswers = { *c.answer };
    drag({ 100, 300 }, { 500, 300 });
    ASSERT_EQ(fake.lengthOffers.size(), 1u);
    ASSERT_EQ(fake.questions.size(), c.answer ? 1 : 0) << fake.questions.join(u'\n').toStdString();
    const QString said = c.answer ? fake.questions[0] : fake.errors.value(0);
    EXPECT_EQ(said.isEmpty(), !*c.said) << said.toStdString();
    EXPECT_TRUE(said.contains(QString::fromUtf8(c.said))) << said.toStdString();
    const QByteArray file = contents(scaleFile());
    EXPECT_TRUE(file.contains("640x480=" + QByteArray(c.figure) + "\r\n")) << file.toStdString();
}

INSTANTIATE_TEST_SUITE_P(Figures, CalibrationConfirmTest,
    ::testing::Values(ConfirmCase { "near_the_described", 5, std::nullopt, "", "80" },
        ConfirmCase { "far_above_confirmed", 0.1, true,
            "校正値 4000.00 画素/mm は標準の 91.00 画素/mm と大きく違います（44.0 倍）。この値で校正しますか？",
            "4000" },
        ConfirmCase { "far_above_cancelled", 0.1, false, "（44.0 倍）", "100" },
        ConfirmCase { "far_below_cancelled", 44, false, "（0.0999 倍）", "100" },
        ConfirmCase { "far_below_confirmed", 44, true, "（0.0999 倍）", "9.090909090909092" },
        ConfirmCase { "beyond_a_microscope", 0.01, std::nullopt, "1～20000", "100" }),
    caseName<ConfirmCase>);

} // namespace
