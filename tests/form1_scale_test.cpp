#include "form1fixture.h"
#include "testsupport.h"
#include "analysis/scalecalibration.h"
#include "platform/flexgrid.h"
#include "results/measurementrecord.h"

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
// without one, each uses its described scale, as before.
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
        ScaleCase { "describedSmall", "", true, "0.44", "0.38", false },
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
        contents(fake.programFolder.filePath(QStringLiteral("20221019/") + MeasurementRecordFileName))).entries;
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

} // namespace
