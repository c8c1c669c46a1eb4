#include "analysis/acrosscrack.h"
#include "app/widestplace.h"
#include "form1fixture.h"
#include "results/measurementrecord.h"
#include "testsupport.h"
#include "widgets/flexgrid.h"
#include "widgets/palettecolours.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QMenu>
#include <QPainter>
#include <QPushButton>

#include <array>
#include <cmath>
#include <functional>

using namespace norvel;

namespace {

// A white picture with dark rectangles: rows y..y+height-1 of columns x..x+width-1 in grey.
struct Band {
    int x;
    int width;
    int y;
    int height;
    int grey = 40; // brightness 16
};

QImage picture(int width, int height, std::initializer_list<Band> bands, QColor ground = Qt::white)
{
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(ground);
    QPainter painter(&image);
    for (const Band& band : bands)
        painter.fillRect(band.x, band.y, band.width, band.height, QColor(band.grey, band.grey, band.grey));
    return image;
}

// On a 640 x 480 picture (shown 1:1, 91 pixels per mm) the vertical scan lines lie at x = 120, 220, 320,
// 420 and 520; these bands cross them 28, 30, 33, 35 and 40 pixels wide from row 200 on.
QImage fiveWidths()
{
    return picture(640, 480,
        { { 80, 80, 200, 28 }, { 180, 80, 200, 30 }, { 280, 80, 200, 33 }, { 380, 80, 200, 35 },
            { 480, 80, 200, 40 } });
}

// These measure along the scan lines, by the method every earlier width was made by.
class Form1AnalysisTest : public Form1Fixture {
protected:
    void SetUp() override
    {
        programSettings = "[analysis]\r\nacrossCrack=false\r\n";
        Form1Fixture::SetUp();
    }

    void show(const QImage& image) { open(writePicture(QStringLiteral("shot.bmp"), image)); }
    void analyse() { get<QPushButton>(QStringLiteral("Command2"))->click(); }

    FlexGrid* grid1() { return get<FlexGrid>(QStringLiteral("MSFlexGrid1")); }
    FlexGrid* grid2() { return get<FlexGrid>(QStringLiteral("MSFlexGrid2")); }
    QLineEdit* text(const char* name) { return get<QLineEdit>(QString::fromLatin1(name)); }
    QCheckBox* check(const char* name) { return get<QCheckBox>(QString::fromLatin1(name)); }
    QString sokuTitle() { return get<QMenu>(QStringLiteral("soku"))->title(); }

    std::array<QString, 6> lineCells()
    {
        std::array<QString, 6> cells;
        for (int row = 1; row <= 6; ++row)
            cells[static_cast<std::size_t>(row - 1)] = grid1()->textMatrix(row, 1);
        return cells;
    }
    QColor text3Background() { return text("Text3")->palette().color(QPalette::Base); }
};

TEST_F(Form1AnalysisTest, run_measuresFiveLinesAndFilesTheTrimmedMean)
{
    show(fiveWidths());
    analyse();

    EXPECT_EQ(lineCells(), (std::array<QString, 6> { "28", "30", "33", "35", "40", "0.36" }));
    // (166 - 40 - 28) / 3 / 91 = 0.359: the widest and the narrowest line are left out.
    const std::array<QColor, 6> backgrounds { palette::brightWhite(), palette::brightGreen(), palette::brightGreen(),
        palette::brightGreen(), palette::brightWhite(), palette::brightCyan() };
    for (int row = 1; row <= 6; ++row)
        EXPECT_EQ(grid1()->cellBackColor(row, 1), backgrounds[static_cast<std::size_t>(row - 1)]) << row;

    EXPECT_EQ(grid2()->rows(), 1);
    EXPECT_EQ(grid2()->textMatrix(0, 0), "1");
    EXPECT_EQ(grid2()->textMatrix(0, 1), "0.36");
    EXPECT_EQ(text("Text3")->text(), "0.36");
    EXPECT_EQ(sokuTitle(), "測定値:0.36mm");
    EXPECT_EQ(menuItem(QStringLiteral("sokuDD(0)"))->text(), "1: 0.36");
    EXPECT_TRUE(get<QPushButton>(QStringLiteral("Command4(0)"))->isEnabled());
    EXPECT_TRUE(get<QPushButton>(QStringLiteral("Command4(1)"))->isEnabled());
}

TEST_F(Form1AnalysisTest, run_marksEachLineWithItsWidthInMillimetres)
{
    show(fiveWidths());
    analyse();

    const std::array<int, 5> widths { 28, 30, 33, 35, 40 };
    for (int k = 0; k < 5; ++k) {
        OverlayLine* marker = line(QStringLiteral("Line2(%1)").arg(k).toLatin1().constData());
        const int x = 120 + 100 * k;
        EXPECT_TRUE(marker->isVisible()) << k;
        EXPECT_EQ(marker->p1(), QPointF(x, 200)) << k;
        EXPECT_EQ(marker->p2(), QPointF(x, 200 + widths[static_cast<std::size_t>(k)])) << k;
        EXPECT_EQ(marker->color(), k == 0 || k == 4 ? palette::brightRed() : palette::brightGreen()) << k;
    }
    EXPECT_FALSE(line("Line2(5)")->isVisible());

    const auto& labels = picture1->printedTexts();
    ASSERT_EQ(labels.size(), 5);
    EXPECT_EQ(labels[0].text, "0.308mm"); // 28 / 91
    EXPECT_EQ(labels[0].topLeft, QPointF(125, 214)); // right of the line, halfway down the run
    EXPECT_EQ(labels[4].text, "0.440mm"); // 40 / 91
    EXPECT_EQ(labels[4].color, palette::brightRed());
    EXPECT_EQ(picture1->drawWidth(), 2);
}

TEST_F(Form1AnalysisTest, run_drawsTheTenthMillimetreRulerDownTheLeftEdge)
{
    show(fiveWidths());
    analyse();

    // 91 pixels per mm at 1:1: a tick every 9 pixels from y = 5 to the box's height of 484.
    const auto& ticks = picture1->drawnLines();
    ASSERT_EQ(ticks.size(), 54);
    EXPECT_EQ(ticks[0].line, QLineF(0, 5, 30, 5));
    EXPECT_EQ(ticks[1].line, QLineF(0, 14, 10, 14));
    EXPECT_EQ(ticks[5].line, QLineF(0, 50, 20, 50));
    EXPECT_EQ(ticks[10].line, QLineF(0, 95, 30, 95));
    EXPECT_EQ(ticks[53].line.y1(), 5 + 53 * 9);
    EXPECT_EQ(ticks[0].color, palette::brightRed());
    EXPECT_EQ(ticks[0].width, 1);
}

TEST_F(Form1AnalysisTest, secondRun_replacesTheMarksAndOverwritesTheLastRow)
{
    show(fiveWidths());
    analyse();
    analyse();
    EXPECT_EQ(grid2()->rows(), 1);
    EXPECT_EQ(picture1->printedTexts().size(), 5);
    EXPECT_EQ(picture1->drawnLines().size(), 54);
}

// A picture size chosen first gives a scale, but the empty grey picture behind it is no crack, even to
// the inverted methods.
TEST_F(Form1AnalysisTest, beforeAnyPicture_runChangesNothing_evenAfterAPictureSize)
{
    const struct {
        const char* name;
        const char* size; // nullptr: none chosen
        std::function<void()> run;
    } rows[] = {
        { "button", nullptr, [this] { analyse(); } },
        { "button_560", "DspS(1)", [this] { analyse(); } },
        { "menu_640", "DspS(0)", [this] { Q_EMIT get<QMenu>(QStringLiteral("Bun"))->aboutToShow(); } },
        { "hiddenItem_560", "DspS(1)", [this] { menuItem(QStringLiteral("bunGo"))->trigger(); } },
    };
    menuItem(QStringLiteral("bunseki(2)"))->trigger();
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        if (row.size)
            menuItem(QString::fromLatin1(row.size))->trigger();
        picture1->clear();
        row.run();
        for (const QString& cell : lineCells())
            EXPECT_TRUE(cell.isEmpty());
        EXPECT_TRUE(picture1->drawnLines().isEmpty());
        EXPECT_EQ(grid2()->rows(), 0);
        EXPECT_EQ(text("Text3")->text(), "0");
    }
}

TEST_F(Form1AnalysisTest, fewerThanTwoLines_showsADashAndFilesNothing)
{
    show(picture(640, 480, { { 300, 40, 200, 25 } }));
    analyse();

    EXPECT_EQ(lineCells(), (std::array<QString, 6> { "0", "0", "25", "0", "0", "-" }));
    for (int row = 1; row <= 5; ++row)
        EXPECT_EQ(grid1()->cellBackColor(row, 1), palette::brightWhite()) << row;
    EXPECT_EQ(grid2()->rows(), 0);
    EXPECT_EQ(sokuTitle(), "測定値："); // says nothing found only across the crack
    EXPECT_EQ(text("Text3")->text(), "0");
    EXPECT_FALSE(get<QPushButton>(QStringLiteral("Command4(0)"))->isEnabled());
    EXPECT_TRUE(line("Line2(2)")->isVisible()); // the one crack found is still marked
}

TEST_F(Form1AnalysisTest, horizontalScan_crossesUprightCracksAndRelabelsTheGrid)
{
    menuItem(QStringLiteral("ScanH(1)"))->trigger();
    EXPECT_TRUE(menuItem(QStringLiteral("ScanH(1)"))->isChecked());
    EXPECT_FALSE(menuItem(QStringLiteral("ScanH(0)"))->isChecked());
    EXPECT_EQ(grid1()->textMatrix(1, 0), "上");
    EXPECT_EQ(grid1()->textMatrix(3, 0), "中");
    EXPECT_EQ(grid1()->textMatrix(5, 0), "下");

    // Horizontal lines at y = 40, 140, 240, 340, 440; one upright crack 12 pixels wide at x = 300.
    show(picture(640, 480, { { 300, 12, 0, 480 } }));
    analyse();
    EXPECT_EQ(lineCells(), (std::array<QString, 6> { "12", "12", "12", "12", "12", "0.13" }));
    EXPECT_EQ(line("Line2(2)")->p1(), QPointF(300, 240));
    EXPECT_EQ(line("Line2(2)")->p2(), QPointF(312, 240));
    // Tenths of a millimetre along the top edge.
    EXPECT_EQ(picture1->drawnLines()[0].line, QLineF(5, 4, 5, 14));
    EXPECT_EQ(picture1->drawnLines()[5].line, QLineF(50, 4, 50, 24));

    menuItem(QStringLiteral("ScanH(0)"))->trigger();
    EXPECT_EQ(grid1()->textMatrix(1, 0), "左");
    EXPECT_EQ(grid1()->textMatrix(5, 0), "右");
    EXPECT_EQ(grid1()->textMatrix(1, 1), "12"); // the widths stay until the next run
}

struct MethodCase {
    const char* name;
    int method;
    bool negative; // the picture's negative: a light crack on dark concrete
    const char* width;
};

class AnalysisMethodTest : public Form1AnalysisTest, public ::testing::WithParamInterface<MethodCase> { };

// Each line crosses a wide grey run (30 pixels, brightness 31) and, further down, a narrow black one
// (10 pixels, brightness 0).
TEST_P(AnalysisMethodTest, widthOrDarknessPriorityPicksItsRun)
{
    const MethodCase& c = GetParam();
    QImage image = picture(640, 480, { { 0, 640, 100, 30, 80 }, { 0, 640, 300, 10, 0 } });
    if (c.negative)
        image.invertPixels();
    menuItem(QStringLiteral("bunseki(%1)").arg(c.method))->trigger();
    show(image);
    analyse();
    EXPECT_EQ(grid1()->textMatrix(3, 1), c.width);
    for (int i = 0; i < 4; ++i)
        EXPECT_EQ(menuItem(QStringLiteral("bunseki(%1)").arg(i))->isChecked(), i == c.method) << i;
}

INSTANTIATE_TEST_SUITE_P(Methods, AnalysisMethodTest,
    ::testing::Values(MethodCase { "widthPriority", 0, false, "30" }, MethodCase { "darknessPriority", 1, false, "10" },
        MethodCase { "invertedWidthPriority", 2, true, "30" },
        MethodCase { "invertedWhitenessPriority", 3, true, "10" },
        // Without inversion a light crack on dark ground is the ground itself: no run ends inside the picture.
        MethodCase { "lightCrackUninverted", 0, true, "0" }),
    caseName<MethodCase>);

TEST_F(Form1AnalysisTest, automaticThreshold_writesEachLinesMidpointAndIsUndoneTo40)
{
    check("Check2")->setChecked(true);
    EXPECT_FALSE(text("Text2")->isEnabled());

    // White (100) and grey 38 (brightness 15): the midpoint is 57.5.
    show(picture(640, 480, { { 0, 640, 200, 20, 38 } }));
    analyse();
    EXPECT_EQ(text("Text2")->text(), "57.5");
    EXPECT_EQ(grid1()->textMatrix(1, 1), "20");

    check("Check2")->setChecked(false);
    EXPECT_TRUE(text("Text2")->isEnabled());
    EXPECT_EQ(text("Text2")->text(), "40");
}

TEST_F(Form1AnalysisTest, widthLimit_dropsARunWiderThanTheLimitOnlyWhileInForce)
{
    // 100 pixels at 91 per mm is 1.1 mm, over the 1 mm limit.
    show(picture(640, 480, { { 0, 640, 200, 100 } }));
    analyse();
    EXPECT_EQ(grid1()->textMatrix(6, 1), "-");

    check("Check5")->setChecked(false);
    analyse();
    EXPECT_EQ(grid1()->textMatrix(6, 1), "1.10");
}

// A 1280 x 960 picture at 0.5: "５倍" picks the 128 x 96 range at (256, 192), which the analysis shows
// magnified over the whole view. Picture rows 470 to 489 are dark across columns 540 to 739.
class MagnifiedAnalysisTest : public Form1AnalysisTest {
protected:
    void SetUp() override
    {
        Form1AnalysisTest::SetUp();
        show(picture(1280, 960, { { 540, 200, 470, 20 } }));
        menuItem(QStringLiteral("ops(2)"))->trigger();
        analyse();
    }
};

TEST_F(MagnifiedAnalysisTest, run_showsTheRangeMagnifiedAndMapsItsMarks)
{
    EXPECT_FLOAT_EQ(form->state().Zoom, 5);
    EXPECT_FALSE(line("Line1(0)")->isVisible());
    EXPECT_EQ(lineCells(), (std::array<QString, 6> { "20", "20", "20", "20", "20", "0.11" }));
    // Line 2 at picture column 640: view x (640 * 0.5 - 256) * 5 = 320, rows from (470 * 0.5 - 192) * 5.
    EXPECT_EQ(line("Line2(2)")->p1(), QPointF(320, 215));
    EXPECT_EQ(line("Line2(2)")->p2(), QPointF(320, 265));
    // Hundredths of a millimetre: 182 * 0.5 * 5 / 100 rounds to a 5-pixel step.
    EXPECT_EQ(picture1->drawnLines()[1].line, QLineF(0, 10, 10, 10));
    // The magnified picture is the new background: picture pixel (640, 480) is dark at view (320, 240).
    EXPECT_EQ(qGray(picture1->baseImage().pixel(320, 240)), 40);
    EXPECT_EQ(qGray(picture1->baseImage().pixel(320, 300)), 255);
}

TEST_F(MagnifiedAnalysisTest, draggedLine_isMeasuredThroughTheRange)
{
    // From view (320, 150) down 200 pixels: picture column 640, rows 444 to 524, one sample per row.
    press({ 320, 150 });
    moveTo({ 320, 350 });
    release({ 320, 350 });

    EXPECT_EQ(text("Text3")->text(), "0.11"); // 20 / 182
    EXPECT_EQ(text3Background(), palette::brightGreen());
    ASSERT_FALSE(picture1->drawnLines().isEmpty());
    const auto& segment = picture1->drawnLines().last();
    EXPECT_EQ(segment.line, QLineF(320, 215, 320, 265)); // on the analysis's own marker
    EXPECT_EQ(segment.color, palette::brightGreen());
    EXPECT_EQ(picture1->printedTexts().last().text, "0.110mm");
    EXPECT_EQ(picture1->printedTexts().last().topLeft, QPointF(325, 240));
    // The measurement corrects the row the analysis filed.
    EXPECT_EQ(grid2()->textMatrix(0, 1), "0.11");
}

// A 1600 x 1200 picture with rows 570 to 606 dark across columns 200 to 1399.
class ManualLineTest : public Form1AnalysisTest {
protected:
    void SetUp() override
    {
        Form1AnalysisTest::SetUp();
        show(picture(1600, 1200, { { 200, 1200, 570, 37 } }));
    }

    void drag(QPoint from, QPoint to)
    {
        press(from);
        moveTo(to);
        release(to);
    }
};

TEST_F(ManualLineTest, lineAcrossTheCrack_marksItAndShowsTheWidthOnGreen)
{
    // At 0.4 the line from (100, 200) to (100, 260) samples picture column 250, rows 500 to 650.
    drag({ 100, 200 }, { 100, 260 });

    EXPECT_FALSE(line("Line1(0)")->isVisible());
    EXPECT_EQ(text("Text3")->text(), "0.20"); // 37 samples at 185 per mm
    EXPECT_EQ(text3Background(), palette::brightGreen());
    ASSERT_EQ(picture1->drawnLines().size(), 1);
    EXPECT_EQ(picture1->drawnLines()[0].line.p1(), QPointF(100, 228));
    EXPECT_NEAR(picture1->drawnLines()[0].line.y2(), 242.8, 1e-9);
    ASSERT_EQ(picture1->printedTexts().size(), 1);
    EXPECT_EQ(picture1->printedTexts()[0].text, "0.200mm");
    EXPECT_NEAR(picture1->printedTexts()[0].topLeft.x(), 105, 1e-9);
    EXPECT_NEAR(picture1->printedTexts()[0].topLeft.y(), 235.4, 1e-9);
    EXPECT_EQ(picture1->printedTexts()[0].color, palette::brightRed());
    // Nothing to correct yet: the measured-values caption stays as it was.
    EXPECT_EQ(sokuTitle(), "測定値：");
}

// A picture white but for a dark band of rows across its whole width, measured by the analysis and by a
// line dragged down across the band.
struct OneScaleCase {
    const char* name;
    int width;
    int height;
    bool smallPicture;
    int bandTop;
    int bandRows;
    QPoint from; // view pixels
    QPoint to;
    const char* label; // what both print
    const char* width2; // what both put in the correction field
};

class OneScaleTest : public Form1AnalysisTest, public ::testing::WithParamInterface<OneScaleCase> { };

// One scale per picture: the dragged line reads a crossing as the analysis does, in either display size and
// whatever the picture's proportions.
TEST_P(OneScaleTest, draggedLineReadsTheCrossingAsTheAnalysis)
{
    const OneScaleCase& c = GetParam();
    if (c.smallPicture)
        menuItem(QStringLiteral("DspS(1)"))->trigger();
    show(picture(c.width, c.height, { { 0, c.width, c.bandTop, c.bandRows } }));
    analyse();
    EXPECT_EQ(lineCells()[2], QString::number(c.bandRows));
    EXPECT_EQ(text("Text3")->text(), c.width2);
    ASSERT_FALSE(picture1->printedTexts().isEmpty());
    EXPECT_EQ(picture1->printedTexts().last().text, c.label);

    const qsizetype printed = picture1->printedTexts().size();
    press(c.from);
    moveTo(c.to);
    release(c.to);
    ASSERT_EQ(picture1->printedTexts().size(), printed + 1);
    EXPECT_EQ(picture1->printedTexts().last().text, c.label);
    EXPECT_EQ(text("Text3")->text(), c.width2);
    EXPECT_EQ(text3Background(), palette::brightGreen());
}

// The lines sample one picture row apart, so both count the band's rows: 37 at 185 per mm for 1600 columns,
// 90 at 273 per mm for 1920.
INSTANTIATE_TEST_SUITE_P(Pictures, OneScaleTest,
    ::testing::Values(
        OneScaleCase { "uxga", 1600, 1200, false, 570, 37, { 100, 200 }, { 100, 260 }, "0.200mm", "0.20" },
        // 0.35: 149 samples a little under one row apart; rows 570 to 606 are samples 70 to 106.
        OneScaleCase { "uxga_small", 1600, 1200, true, 570, 37, { 88, 175 }, { 88, 227 }, "0.200mm", "0.20" },
        OneScaleCase { "hd", 1920, 1080, false, 500, 90, { 100, 150 }, { 100, 220 }, "0.330mm", "0.33" },
        OneScaleCase { "hd_small", 1920, 1080, true, 500, 90, { 100, 140 }, { 100, 175 }, "0.330mm", "0.33" }),
    caseName<OneScaleCase>);

TEST_F(ManualLineTest, whileDrawing_theLineFollowsTheMouse)
{
    press({ 100, 200 });
    EXPECT_TRUE(form->state().LineDrag);
    EXPECT_FALSE(line("Line1(0)")->isVisible()); // shown from the first move
    moveTo({ 130, 240 });
    EXPECT_TRUE(line("Line1(0)")->isVisible());
    EXPECT_EQ(line("Line1(0)")->p1(), QPointF(100, 200));
    EXPECT_EQ(line("Line1(0)")->p2(), QPointF(130, 240));

    // A right release is not the end of the line; the left release is.
    release({ 130, 240 }, Qt::RightButton);
    EXPECT_TRUE(line("Line1(0)")->isVisible());
    EXPECT_TRUE(form->state().LineDrag);
    release({ 100, 260 });
    EXPECT_FALSE(line("Line1(0)")->isVisible());
    EXPECT_EQ(text("Text3")->text(), "0.20");
}

TEST_F(ManualLineTest, clickWithoutMoving_orLineMissingTheCrack_changesNothing)
{
    drag({ 100, 200 }, { 100, 200 });
    drag({ 600, 100 }, { 600, 160 }); // picture column 1500: no crack there
    EXPECT_FALSE(line("Line1(0)")->isVisible());
    EXPECT_EQ(text("Text3")->text(), "0");
    EXPECT_NE(text3Background(), palette::brightGreen());
    EXPECT_TRUE(picture1->drawnLines().isEmpty());
}

TEST_F(ManualLineTest, automaticThreshold_isWrittenEvenWhenNoCrackIsFound)
{
    check("Check2")->setChecked(true);
    drag({ 600, 100 }, { 600, 160 }); // all white: threshold 100, nothing darker
    EXPECT_EQ(text("Text2")->text(), "100");
    EXPECT_EQ(text("Text3")->text(), "0");
}

TEST_F(ManualLineTest, nextAnalysis_resetsTheBackgroundOfTheCorrectionField)
{
    drag({ 100, 200 }, { 100, 260 });
    analyse();
    EXPECT_EQ(text("Text3")->text(), "0.20");
    EXPECT_EQ(text3Background(), QApplication::palette(text("Text3")).color(QPalette::Base));
}

// Setting the correction field to the text it already shows still files it: a re-measured crack of the
// same width fills its new row, and an analysis of that width refreshes the caption.
TEST_F(ManualLineTest, sameWidthAsShown_isStillFiled)
{
    drag({ 100, 200 }, { 100, 260 }); // "0.20", nothing to file yet
    analyse();
    EXPECT_EQ(sokuTitle(), "測定値:0.20mm");
    ASSERT_EQ(grid2()->rows(), 1);

    listRows({ "0.20", "" }); // a new shot's empty row
    drag({ 100, 200 }, { 100, 260 });
    EXPECT_EQ(grid2()->textMatrix(1, 1), "0.20");
    listRows({ "0.20", "0.20", "" });
    drag({ 100, 200 }, { 100, 260 });
    EXPECT_EQ(grid2()->textMatrix(2, 1), "0.20");
    EXPECT_EQ(sokuTitle(), "測定値:0.20mm");
}

TEST_F(ManualLineTest, beforeAnyPicture_releaseOnlyHidesTheLine)
{
    Form1 fresh(fake.services());
    fresh.Form_Load();
    fresh.Picture1_MouseDown(1, 0, 10, 10);
    fresh.Picture1_MouseMove(1, 0, 50, 50);
    fresh.Picture1_MouseUp(1, 0, 50, 50);
    auto* freshPicture = fresh.findChild<PictureBox*>(QStringLiteral("Picture1"));
    EXPECT_FALSE(freshPicture->findChild<OverlayLine*>(QStringLiteral("Line1(0)"))->isVisible());
    EXPECT_TRUE(freshPicture->drawnLines().isEmpty());
}

} // namespace

namespace {

// A dark crack 41 pixels across through the middle of a white 640 x 480 picture. Its normal is turned by the
// angle from the vertical: at 0 it lies level and the vertical scan lines cross it at a right angle, at 90 it
// stands upright along them.
QImage inclinedCrack(double degrees)
{
    const double angle = degrees * M_PI / 180;
    const QPointF along(std::cos(angle), std::sin(angle));
    const QPointF normal(-std::sin(angle), std::cos(angle));
    const QPointF middle(320, 240);
    QImage image(640, 480, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(40, 40, 40));
    painter.drawPolygon(QPolygonF { middle - 1000 * along - 20.5 * normal, middle + 1000 * along - 20.5 * normal,
        middle + 1000 * along + 20.5 * normal, middle - 1000 * along + 20.5 * normal });
    return image;
}

struct AcrossCase {
    const char* name;
    double degrees;
    int scan; // ScanH index set in the menu
    bool across;
    double listedPx; // the listed width in pixels (91 a millimetre)
    const char* note; // after the width in the measured-value caption
    const char* firstLineLabel; // of the grid: the direction actually scanned
};

class AcrossCrackTest : public Form1AnalysisTest, public ::testing::WithParamInterface<AcrossCase> {
protected:
    void SetUp() override { Form1Fixture::SetUp(); } // no norvel.ini: the default
};

TEST_P(AcrossCrackTest, listsTheWidthAcrossTheCrackUnlessTheItemIsTurnedOff)
{
    const AcrossCase& c = GetParam();
    menuItem(QStringLiteral("ScanH(%1)").arg(c.scan))->trigger();
    if (!c.across)
        menuItem(QStringLiteral("AcrossCrack"))->trigger();
    EXPECT_EQ(menuItem(QStringLiteral("AcrossCrack"))->isChecked(), c.across);
    show(inclinedCrack(c.degrees));
    analyse();

    ASSERT_EQ(grid2()->rows(), 1);
    // Listed to the hundredth of a millimetre: within half a pixel and the rounding.
    EXPECT_NEAR(grid2()->textMatrix(0, 1).toDouble(), c.listedPx / 91, 0.5 / 91 + 0.005);
    EXPECT_EQ(sokuTitle(), QStringLiteral("測定値:%1mm%2").arg(grid2()->textMatrix(0, 1), QString::fromUtf8(c.note)));
    EXPECT_TRUE(menuItem(QStringLiteral("ScanH(%1)").arg(c.scan))->isChecked());
    EXPECT_EQ(grid1()->textMatrix(1, 0), QString::fromUtf8(c.firstLineLabel));
    if (c.across && c.degrees > 0 && c.degrees < 90) {
        // The middle line's mark runs across the crack, along its normal.
        const QLineF mark(line("Line2(2)")->p1(), line("Line2(2)")->p2());
        EXPECT_NEAR(mark.length(), 41, 1);
        EXPECT_NEAR(std::fmod(mark.angle() + 360, 180), 90 - c.degrees, 1.5);
    }
    EXPECT_EQ(
        contents(fake.programFolder.filePath(QStringLiteral("norvel.ini"))).contains("acrossCrack=false"), !c.across);
    startAfresh();
    EXPECT_EQ(menuItem(QStringLiteral("AcrossCrack"))->isChecked(), c.across);
}

INSTANTIATE_TEST_SUITE_P(Analysis, AcrossCrackTest,
    ::testing::Values(AcrossCase { "offAlongTheLines", 40, 0, false, 41 / std::cos(40 * M_PI / 180), "", "左" },
        AcrossCase { "onAcrossTheCrack", 40, 0, true, 41, "", "左" },
        AcrossCase { "onUprightCrackMeasuredByRows", 90, 0, true, 41, "（横）", "上" },
        AcrossCase { "onLevelCrackMeasuredByColumns", 0, 1, true, 41, "（縦）", "左" }),
    caseName<AcrossCase>);

// Kept only beside a listed width, to the hundredth listed; marked where the view shows the picture's pixels.
TEST(WidestPlace, KeptBesideAListedWidthAndMarkedInTheView)
{
    AcrossAnalysis listed;
    listed.analysis.pxPerMm = 100;
    listed.combinedMm = 0.3f;
    listed.widest = WidestStation { 32.5, QLineF(100, 200, 132.5, 210) };
    AcrossAnalysis unlisted = listed;
    unlisted.combinedMm.reset();
    const std::pair<AcrossAnalysis, std::optional<RecordedWidest>> rows[] {
        { listed, RecordedWidest { 0.33, listed.widest->across } }, { unlisted, std::nullopt }
    };
    for (const auto& [analysis, kept] : rows)
        EXPECT_EQ(recordedWidest(analysis), kept);
    const WidestMark mark
        = widestMark({ 0.33, QLineF(100, 200, 132.5, 210) }, { 0.5f, 2, { { 10, 100 }, { 20, 100 } } });
    EXPECT_EQ(mark.line, QLineF(80, 160, 112.5, 170));
    EXPECT_EQ(mark.labelTopLeft, QPointF(117.5, 175));
}

} // namespace
