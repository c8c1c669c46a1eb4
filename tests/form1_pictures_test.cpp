#include "form1fixture.h"
#include "testsupport.h"
#include "widgets/fullpicture.h"
#include "widgets/picturebox.h"
#include "widgets/uifont.h"

#include <QAction>
#include <QApplication>
#include <QBuffer>
#include <QCheckBox>
#include <QFile>
#include <QGroupBox>
#include <QImageReader>
#include <QImageWriter>
#include <QMenu>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <functional>
#include <memory>

using namespace norvel;

namespace {

// Red grows from left to right and green from top to bottom, so every shown pixel tells which picture
// pixel it came from.
QImage gradient(int width, int height)
{
    QImage image(width, height, QImage::Format_RGB32);
    for (int y = 0; y < height; ++y) {
        auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < width; ++x)
            line[x] = qRgb(x * 256 / width, y * 256 / height, 128);
    }
    return image;
}

class Form1PicturesTest : public Form1Fixture {
protected:
    QString sizeCaption() { return get<QMenu>(QStringLiteral("Sz"))->title(); }

    // Opens a 1280 x 960 gradient, shown at 640 x 480 (DspRate 0.5).
    void openVga() { open(writePicture(QStringLiteral("vga.bmp"), gradient(1280, 960))); }

    // Marks as an analysis leaves them: drawn content and the red mark lines.
    void drawMarks()
    {
        picture1->drawLine(QPointF(10, 10), QPointF(100, 10), Qt::red);
        for (const char* name : { "Line2(0)", "Line2(5)" })
            line(name)->setVisible(true);
    }
};

struct OpenCase {
    const char* name;
    int width;
    int height;
    const char* file;
    bool smallPicture;
    float dspRate;
    const char* caption;
    double outerWidth;
    double outerHeight;
    int windowHeight;
};

class OpenPictureTest : public Form1PicturesTest, public ::testing::WithParamInterface<OpenCase> { };

TEST_P(OpenPictureTest, showsThePictureScaledToTheRowsWithItsSize)
{
    const OpenCase& c = GetParam();
    if (c.smallPicture)
        menuItem(QStringLiteral("DspS(1)"))->trigger();
    const QImage source = gradient(c.width, c.height);
    open(writePicture(QString::fromLatin1(c.file), source));

    EXPECT_EQ(fake.fileFilters.constLast(), QStringLiteral("写真画像ファイル (*.JPG)"));
    EXPECT_EQ(picture2->pictureWidth(), c.width);
    EXPECT_EQ(picture2->pictureHeight(), c.height);
    EXPECT_EQ(form->state().DspRate, c.dspRate);
    EXPECT_EQ(form->state().Zoom, 1.0f);
    EXPECT_EQ(sizeCaption(), QString::fromUtf8(c.caption));
    EXPECT_NEAR(picture1->outerWidth(), c.outerWidth, 1e-3);
    EXPECT_NEAR(picture1->outerHeight(), c.outerHeight, 1e-3);
    EXPECT_EQ(form->outerHeightTwips(), c.windowHeight);
    // Nothing of the picture lies under the panel on its right.
    EXPECT_LE(picture1->x() + picture1->outerWidth(), get<QGroupBox>(QStringLiteral("Frame2"))->x());
    EXPECT_EQ(get<QPushButton>(QStringLiteral("Command5"))->text(), QStringLiteral("縮小"));
    EXPECT_EQ(menuItem(QStringLiteral("Bic"))->text(), QStringLiteral("縮小"));
    EXPECT_TRUE(get<QRadioButton>(QStringLiteral("Option1(0)"))->isChecked());

    // The view's base image is the picture scaled: its middle shows the picture's middle.
    const QImage shown = picture1->baseImage();
    const QRgb middle = shown.pixel(static_cast<int>(c.outerWidth - 4) / 2, static_cast<int>(c.outerHeight - 4) / 2);
    EXPECT_NEAR(qRed(middle), 128, 6);
    EXPECT_NEAR(qGreen(middle), 128, 6);
    EXPECT_EQ(picture1->content(), shown);
}

INSTANTIATE_TEST_SUITE_P(Pictures, OpenPictureTest,
    ::testing::Values(OpenCase { "camera_jpeg", 2592, 1944, "IMG_0001.JPG", false, static_cast<float>(480.0 / 1944),
                          "サイズ：2592×1944 ⇒ 640×480", 644, 484, 9000 },
        OpenCase { "uxga_bmp", 1600, 1200, "shot.bmp", false, 0.4f, "サイズ：1600×1200 ⇒ 640×480", 644, 484, 9000 },
        OpenCase { "sxga", 1280, 960, "a.jpg", false, 0.5f, "サイズ：1280×960 ⇒ 640×480", 644, 484, 9000 },
        OpenCase { "sxga_small", 1280, 960, "a.jpg", true, 0.4375f, "サイズ：1280×960 ⇒ 560×420", 564, 424, 8100 },
        OpenCase { "hd", 1920, 1080, "hd.jpeg", false, static_cast<float>(640.0 / 1920), "サイズ：1920×1080 ⇒ 640×360",
            644, 364, 9000 },
        OpenCase { "hd_small", 1920, 1080, "hd.jpg", true, static_cast<float>(560.0 / 1920),
            "サイズ：1920×1080 ⇒ 560×315", 564, 319, 8100 },
        OpenCase { "three_two", 480, 320, "tt.jpg", false, static_cast<float>(640.0 / 480),
            "サイズ：480×320 ⇒ 640×426.7", 644, 430.6667, 9000 },
        OpenCase { "portrait_small", 1080, 1920, "up.jpg", true, 0.21875f, "サイズ：1080×1920 ⇒ 236.3×420", 240.25, 424,
            8100 },
        OpenCase { "vga_small", 640, 480, "vga.bmp", true, 0.875f, "サイズ：640×480 ⇒ 560×420", 564, 424, 8100 }),
    caseName<OpenCase>);

TEST_F(Form1PicturesTest, open_smallScreenAndSmallPicture_giveTheShortestFullHeight)
{
    menuItem(QStringLiteral("minDisp"))->trigger();
    menuItem(QStringLiteral("DspS(1)"))->trigger();
    form->Command5_Click(); // reduced again
    openVga();
    EXPECT_EQ(form->outerHeightTwips(), 6930);
}

TEST_F(Form1PicturesTest, open_offersTheLastFileAgain)
{
    openVga();
    fake.files.push_back(std::nullopt);
    menuItem(QStringLiteral("JPOP"))->trigger();
    EXPECT_EQ(fake.lastFilesOffered, (QStringList { QString(), pictures.filePath(QStringLiteral("vga.bmp")) }));
}

TEST_F(Form1PicturesTest, cancel_leavesEverythingAsItWas)
{
    openVga();
    drawMarks();
    form->Command5_Click();
    const QImage content = picture1->content();
    const int height = form->outerHeightTwips();

    fake.files.push_back(std::nullopt);
    menuItem(QStringLiteral("JPOP"))->trigger();

    EXPECT_EQ(picture1->content(), content);
    EXPECT_TRUE(line("Line2(0)")->isVisible());
    EXPECT_EQ(form->outerHeightTwips(), height);
    EXPECT_EQ(sizeCaption(), QStringLiteral("サイズ：1280×960 ⇒ 640×480"));
    EXPECT_EQ(form->state().DspRate, 0.5f);
    EXPECT_EQ(picture2->pictureWidth(), 1280);
}

struct BadFileCase {
    const char* name;
    std::function<QByteArray(const QByteArray& goodJpeg)> content;
};

class UnreadableFileTest : public Form1PicturesTest, public ::testing::WithParamInterface<BadFileCase> { };

// The view is prepared for a new picture, but the old picture, its scale and its caption stay.
TEST_P(UnreadableFileTest, keepsThePreviousPicture)
{
    openVga();
    const QImage base = picture1->baseImage();
    form->ops_Click(2);
    form->showAnalysisRange(); // magnified: the whole picture has to be painted again
    ASSERT_NE(picture1->baseImage(), base);
    drawMarks();
    form->Command5_Click();
    ASSERT_EQ(form->outerHeightTwips(), 1770);

    QByteArray goodJpeg;
    {
        QBuffer buffer(&goodJpeg);
        buffer.open(QIODevice::WriteOnly);
        QImageWriter(&buffer, "jpg").write(gradient(800, 600));
    }
    const QString path = pictures.filePath(QStringLiteral("bad.JPG"));
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(GetParam().content(goodJpeg));
    file.close();
    open(path);

    EXPECT_EQ(form->outerHeightTwips(), 9000);
    EXPECT_FALSE(line("Line2(0)")->isVisible());
    EXPECT_TRUE(get<QRadioButton>(QStringLiteral("Option1(0)"))->isChecked());
    EXPECT_FALSE(line("Line1(0)")->isVisible());
    EXPECT_EQ(form->state().Zoom, 1.0f);
    EXPECT_EQ(picture1->content(), base);

    EXPECT_EQ(picture2->pictureWidth(), 1280);
    EXPECT_EQ(form->state().DspRate, 0.5f);
    EXPECT_EQ(sizeCaption(), QStringLiteral("サイズ：1280×960 ⇒ 640×480"));
}

INSTANTIATE_TEST_SUITE_P(Files, UnreadableFileTest,
    ::testing::Values(BadFileCase { "text", [](const QByteArray&) { return QByteArray("not a picture\r\n"); } },
        BadFileCase { "empty", [](const QByteArray&) { return QByteArray(); } },
        BadFileCase { "truncated_jpeg", [](const QByteArray& jpeg) { return jpeg.left(jpeg.size() * 2 / 3); } },
        // Wider than 16-bit positions reach.
        BadFileCase { "too_wide",
            [](const QByteArray&) {
                QByteArray bmp;
                QBuffer buffer(&bmp);
                buffer.open(QIODevice::WriteOnly);
                QImageWriter(&buffer, "bmp").write(gradient(32768, 1));
                return bmp;
            } }),
    caseName<BadFileCase>);

TEST_F(Form1PicturesTest, open_withAutoReduce_startsTheDelayedReduceAfresh)
{
    auto* timer2 = get<QTimer>(QStringLiteral("Timer2"));
    openVga();
    EXPECT_FALSE(timer2->isActive());

    get<QCheckBox>(QStringLiteral("Check3"))->setChecked(true);
    open(pictures.filePath(QStringLiteral("vga.bmp")));
    EXPECT_TRUE(timer2->isActive());
    EXPECT_EQ(timer2->remainingTime() > 4000, true);
    form->Timer2_Timer();
    EXPECT_EQ(form->outerHeightTwips(), 1770);
}

TEST_F(Form1PicturesTest, rangeChoice_beforeAnyPicture_movesOnlyTheCheckMarks)
{
    menuItem(QStringLiteral("ops(2)"))->trigger();
    EXPECT_TRUE(menuItem(QStringLiteral("ops(2)"))->isChecked());
    EXPECT_FALSE(menuItem(QStringLiteral("ops(0)"))->isChecked());
    EXPECT_TRUE(get<QRadioButton>(QStringLiteral("Option1(2)"))->isChecked());
    EXPECT_EQ(form->state().Zoom, 1.0f);
    EXPECT_EQ(range(), AnalysisRange {});
    EXPECT_FALSE(line("Line1(0)")->isVisible());
}

struct RangeCase {
    const char* name;
    bool smallPicture;
    int index;
    float zoom;
    AnalysisRange expected;
};

class RangeChoiceTest : public Form1PicturesTest, public ::testing::WithParamInterface<RangeCase> { };

TEST_P(RangeChoiceTest, centresTheRectangleOrTakesTheWholePicture)
{
    const RangeCase& c = GetParam();
    if (c.smallPicture)
        menuItem(QStringLiteral("DspS(1)"))->trigger();
    openVga();
    drawMarks();
    QTest::mouseClick(get<QRadioButton>(QString::fromLatin1("Option1(%1)").arg(c.index)), Qt::LeftButton);

    EXPECT_EQ(form->state().Zoom, c.zoom);
    EXPECT_EQ(range(), c.expected);
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(menuItem(QString::fromLatin1("ops(%1)").arg(i))->isChecked(), i == c.index);
    // Marks of an earlier analysis are gone.
    EXPECT_EQ(picture1->content(), picture1->baseImage());
    EXPECT_FALSE(line("Line2(0)")->isVisible());

    const bool rectangle = c.index > 0;
    const qreal left = c.expected.x[0];
    const qreal top = c.expected.y[0];
    const qreal right = left + c.expected.x[1];
    const qreal bottom = top + c.expected.y[1];
    const std::array<QLineF, 4> sides { QLineF(left, top, left, bottom), QLineF(left, top, right, top),
        QLineF(right, top, right, bottom), QLineF(left, bottom, right, bottom) };
    for (int i = 0; i < 4; ++i) {
        OverlayLine* side = picture1->findChild<OverlayLine*>(QString::fromLatin1("Line1(%1)").arg(i));
        EXPECT_EQ(side->isVisible(), rectangle);
        if (rectangle) {
            EXPECT_EQ(QLineF(side->p1(), side->p2()), sides[i]) << i;
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Ranges, RangeChoiceTest,
    ::testing::Values(RangeCase { "whole", false, 0, 1, { { 0, 640 }, { 0, 480 } } },
        RangeCase { "two_and_half", false, 1, 2.5f, { { 192, 256 }, { 144, 192 } } },
        RangeCase { "five", false, 2, 5, { { 256, 128 }, { 192, 96 } } },
        RangeCase { "small_whole", true, 0, 1, { { 0, 560 }, { 0, 420 } } },
        RangeCase { "small_two_and_half", true, 1, 2.5f, { { 168, 224 }, { 126, 168 } } },
        RangeCase { "small_five", true, 2, 5, { { 224, 112 }, { 168, 84 } } }),
    caseName<RangeCase>);

// Mouse events through the widget itself: positions are drawing-area pixels plus the 2-pixel border.
class RangeDragTest : public Form1PicturesTest {
protected:
    void SetUp() override
    {
        Form1PicturesTest::SetUp();
        openVga();
        form->ops_Click(2); // 128 x 96 at (256, 192)
    }

    QPointF rectangleTopLeft() { return line("Line1(0)")->p1(); }
};

TEST_F(RangeDragTest, dragMovesTheRectangleAndKeepsItsSize)
{
    press({ 300, 240 });
    moveTo({ 320, 250 });
    EXPECT_EQ(rectangleTopLeft(), QPointF(276, 202));
    EXPECT_EQ(range(), (AnalysisRange { { 256, 128 }, { 192, 96 } })); // only a release stores it
    moveTo({ 290, 230 });
    EXPECT_EQ(rectangleTopLeft(), QPointF(246, 182)); // from the press point, not the last move
    release({ 310, 260 });
    EXPECT_EQ(range(), (AnalysisRange { { 266, 128 }, { 212, 96 } }));
    EXPECT_EQ(line("Line1(3)")->p2(), QPointF(394, 308));
}

TEST_F(RangeDragTest, dragPastAnEdgeStopsAtIt)
{
    press({ 300, 240 });
    release({ 300 - 256 - 50, 240 });
    EXPECT_EQ(range().x[0], 0);
    press({ 50, 240 });
    release({ 50 + 700, 240 + 700 });
    EXPECT_EQ(range(), (AnalysisRange { { 512, 128 }, { 384, 96 } }));
    press({ 600, 400 });
    release({ 600 - 1000, 400 - 1000 });
    EXPECT_EQ(range(), (AnalysisRange { { 0, 128 }, { 0, 96 } }));
}

TEST_F(RangeDragTest, pressOnASideOrOutsideDoesNotDrag)
{
    for (const QPoint p : { QPoint(256, 240), QPoint(384, 240), QPoint(300, 192), QPoint(300, 288), QPoint(10, 10) }) {
        press(p);
        moveTo(p + QPoint(30, 30));
        release(p + QPoint(30, 30));
        EXPECT_EQ(range(), (AnalysisRange { { 256, 128 }, { 192, 96 } })) << p.x() << "," << p.y();
        EXPECT_EQ(rectangleTopLeft(), QPointF(256, 192));
    }
}

TEST_F(RangeDragTest, rightButtonChangesNothing)
{
    press({ 300, 240 }, Qt::RightButton);
    release({ 340, 280 }, Qt::RightButton);
    EXPECT_EQ(range(), (AnalysisRange { { 256, 128 }, { 192, 96 } }));
    EXPECT_EQ(form->state().DownX, 0);
    EXPECT_FALSE(form->state().LineDrag);
}

TEST_F(RangeDragTest, wholePictureNeverDrags)
{
    form->ops_Click(0);
    press({ 300, 240 });
    EXPECT_TRUE(form->state().LineDrag); // a left press there starts a measuring line instead
    form->state().LineDrag = false;
    form->Picture1_MouseUp(1, 0, 340, 280);
    EXPECT_EQ(range(), (AnalysisRange { { 0, 640 }, { 0, 480 } }));
    EXPECT_FALSE(line("Line1(0)")->isVisible());
}

TEST_F(Form1PicturesTest, magnifiedView_stretchesTheRangeOverTheWholeView)
{
    openVga();
    form->ops_Click(2); // 128 x 96 at (256, 192): picture pixels 512..768 x 384..576
    form->showAnalysisRange();

    for (int i = 0; i < 4; ++i)
        EXPECT_FALSE(picture1->findChild<OverlayLine*>(QString::fromLatin1("Line1(%1)").arg(i))->isVisible());
    const QImage view = picture1->baseImage();
    EXPECT_EQ(picture1->content(), view);
    // View (x, y) shows picture pixel (x / 5 + 256) / 0.5: red = px * 256 / 1280, green = py * 256 / 960.
    for (const QPoint p : { QPoint(20, 20), QPoint(320, 240), QPoint(620, 460) }) {
        const double px = (p.x() / 5.0 + 256) / 0.5;
        const double py = (p.y() / 5.0 + 192) / 0.5;
        EXPECT_NEAR(qRed(view.pixel(p)), px * 256 / 1280, 3) << p.x();
        EXPECT_NEAR(qGreen(view.pixel(p)), py * 256 / 960, 3) << p.y();
    }

    // Choosing a range again brings back the whole picture before the new rectangle.
    form->ops_Click(1);
    const QRgb corner = picture1->baseImage().pixel(620, 460);
    EXPECT_NEAR(qRed(corner), 620 / 0.5 * 256 / 1280, 3);
    EXPECT_TRUE(line("Line1(0)")->isVisible());
    EXPECT_EQ(range(), (AnalysisRange { { 192, 256 }, { 144, 192 } }));
}

TEST_F(Form1PicturesTest, analysisWithoutMagnification_resetsTheRangeToTheWholePicture)
{
    openVga();
    form->state().BunHX = { 10, 20 };
    form->state().BunHY = { 30, 40 };
    const QImage before = picture1->baseImage();
    form->showAnalysisRange();
    EXPECT_EQ(range(), (AnalysisRange { { 0, 640 }, { 0, 480 } }));
    EXPECT_EQ(picture1->baseImage(), before);
}

TEST_F(Form1PicturesTest, pictureSize_rescalesTheShownPictureAndEnlargesTheWindow)
{
    openVga();
    drawMarks();
    form->Command5_Click();
    ASSERT_EQ(form->outerHeightTwips(), 1770);

    menuItem(QStringLiteral("DspS(1)"))->trigger();
    EXPECT_TRUE(menuItem(QStringLiteral("DspS(1)"))->isChecked());
    EXPECT_FALSE(menuItem(QStringLiteral("DspS(0)"))->isChecked());
    EXPECT_EQ(form->state().DspRate, 0.4375f);
    EXPECT_EQ(sizeCaption(), QStringLiteral("サイズ：1280×960 ⇒ 560×420"));
    EXPECT_DOUBLE_EQ(picture1->outerWidth(), 564);
    EXPECT_DOUBLE_EQ(picture1->outerHeight(), 424);
    EXPECT_EQ(picture1->baseImage().size(), QSize(560, 420));
    EXPECT_FALSE(line("Line2(0)")->isVisible());
    EXPECT_EQ(picture1->content(), picture1->baseImage());
    EXPECT_EQ(form->outerHeightTwips(), 8100);
    EXPECT_EQ(form->outerWidthTwips(), 9930);
    EXPECT_EQ(get<QGroupBox>(QStringLiteral("Frame2"))->x(), 564);
    EXPECT_EQ(get<QPushButton>(QStringLiteral("Command5"))->text(), QStringLiteral("縮小"));

    menuItem(QStringLiteral("DspS(0)"))->trigger();
    EXPECT_EQ(form->state().DspRate, 0.5f);
    EXPECT_EQ(form->outerWidthTwips(), 11130);
    EXPECT_EQ(get<QGroupBox>(QStringLiteral("Frame2"))->x(), 644);
}

// A range belongs to the display size it was chosen in; after a change a dragged line would measure
// another place than the one it is drawn on.
TEST_F(Form1PicturesTest, pictureSize_returnsToTheWholePicture)
{
    const struct {
        const char* name;
        bool magnified;
    } rows[] = { { "rectangleChosen", false }, { "magnified", true } };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        openVga();
        menuItem(QStringLiteral("DspS(0)"))->trigger();
        get<QRadioButton>(QStringLiteral("Option1(2)"))->click();
        if (row.magnified)
            get<QPushButton>(QStringLiteral("Command2"))->click();
        menuItem(QStringLiteral("DspS(1)"))->trigger();
        EXPECT_TRUE(get<QRadioButton>(QStringLiteral("Option1(0)"))->isChecked());
        EXPECT_TRUE(menuItem(QStringLiteral("ops(0)"))->isChecked());
        EXPECT_EQ(form->state().Zoom, 1.0f);
        EXPECT_EQ(range(), (AnalysisRange { { 0, 560 }, { 0, 420 } }));
        for (const char* side : { "Line1(0)", "Line1(1)", "Line1(2)", "Line1(3)" })
            EXPECT_FALSE(line(side)->isVisible()) << side;
        EXPECT_EQ(picture1->baseImage().size(), QSize(560, 420));
        EXPECT_EQ(picture1->content(), picture1->baseImage());
    }
}

// A 4:3 picture's shown size in double precision; other proportions fit the box and read as on opening.
TEST_F(Form1PicturesTest, pictureSize_fitsTheBoxAndWritesTheShownSize)
{
    const struct {
        const char* name;
        int width;
        int height;
        const char* size; // the picture size chosen
        float dspRate;
        const char* caption;
        double outerWidth;
        double outerHeight;
    } rows[] = {
        { "uxga", 1600, 1200, "DspS(0)", 0.4f, "サイズ：1600×1200 ⇒ 640.000009536743×480.000007152557", 644, 484 },
        { "hd", 1920, 1080, "DspS(0)", static_cast<float>(640.0 / 1920), "サイズ：1920×1080 ⇒ 640×360", 644, 364 },
        { "hd_small", 1920, 1080, "DspS(1)", static_cast<float>(560.0 / 1920), "サイズ：1920×1080 ⇒ 560×315", 564,
            319 },
        { "three_two_small", 480, 320, "DspS(1)", static_cast<float>(560.0 / 480), "サイズ：480×320 ⇒ 560×373.3", 564,
            377.3333 },
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        menuItem(QStringLiteral("DspS(0)"))->trigger();
        open(writePicture(QStringLiteral("p.jpg"), gradient(row.width, row.height)));
        auto* timer2 = get<QTimer>(QStringLiteral("Timer2"));
        timer2->start();
        menuItem(QString::fromLatin1(row.size))->trigger();
        EXPECT_EQ(form->state().DspRate, row.dspRate);
        EXPECT_EQ(sizeCaption(), QString::fromUtf8(row.caption));
        EXPECT_NEAR(picture1->outerWidth(), row.outerWidth, 1e-3);
        EXPECT_NEAR(picture1->outerHeight(), row.outerHeight, 1e-3);
        EXPECT_LE(picture1->x() + picture1->outerWidth(), get<QGroupBox>(QStringLiteral("Frame2"))->x());
        EXPECT_EQ(range(),
            (AnalysisRange { { 0, qint16(row.outerWidth - 4 + 0.5) }, { 0, qint16(row.outerHeight - 4 + 0.5) } }));
        EXPECT_TRUE(timer2->isActive());
    }
}

TEST_F(Form1PicturesTest, pictureSize_beforeAnyPicture_scalesTheEmptyPicture)
{
    menuItem(QStringLiteral("DspS(0)"))->trigger();
    EXPECT_EQ(form->state().DspRate, 1.0f);
    menuItem(QStringLiteral("DspS(1)"))->trigger();
    EXPECT_EQ(form->state().DspRate, 0.875f);
    EXPECT_EQ(sizeCaption(), QStringLiteral("サイズ：640×480 ⇒ 560×420"));
}

TEST_F(Form1PicturesTest, save_writesTheFullPictureWithoutMarks)
{
    open(writePicture(QStringLiteral("IMG_0002.JPG"), gradient(2592, 1944)));
    drawMarks();
    form->ops_Click(1);
    drawMarks();
    menuItem(QStringLiteral("Psave"))->trigger();

    EXPECT_EQ(picture1->content(), picture1->baseImage());
    EXPECT_FALSE(line("Line2(0)")->isVisible());
    EXPECT_TRUE(line("Line1(0)")->isVisible()); // the range rectangle stays

    const QString saved = fake.programFolder.filePath(QStringLiteral("221019_143005.jpg"));
    QImageReader reader(saved);
    EXPECT_EQ(reader.format(), "jpeg");
    const QImage image = reader.read();
    ASSERT_EQ(image.size(), QSize(2592, 1944));
    // Where the marks were drawn on the view, the file holds the picture.
    const QRgb at = image.pixel(100, 20);
    EXPECT_NEAR(qRed(at), 100 * 256 / 2592, 8);
    EXPECT_NEAR(qGreen(at), 20 * 256 / 1944, 8);
    EXPECT_TRUE(fake.errors.isEmpty());
}

TEST_F(Form1PicturesTest, save_twiceInTheSameSecond_replacesTheFile)
{
    openVga();
    menuItem(QStringLiteral("Psave"))->trigger();
    open(writePicture(QStringLiteral("other.bmp"), gradient(800, 600)));
    menuItem(QStringLiteral("Psave"))->trigger();
    EXPECT_EQ(QDir(fake.programFolder.path()).entryList(QDir::Files), QStringList { "221019_143005.jpg" });
    EXPECT_EQ(QImageReader(fake.programFolder.filePath(QStringLiteral("221019_143005.jpg"))).size(), QSize(800, 600));
}

TEST_F(Form1PicturesTest, save_thatFails_saysSoNamingTheFile)
{
    fake.clockNow = QDateTime(QDate(2023, 1, 2), QTime(3, 4, 5));
    QDir(fake.programFolder.path()).mkdir(QStringLiteral("230102_030405.jpg")); // a folder in the way
    openVga();
    menuItem(QStringLiteral("Psave"))->trigger();
    ASSERT_EQ(fake.errors.size(), 1);
    EXPECT_TRUE(fake.errors.constFirst().contains(QStringLiteral("230102_030405.jpg")))
        << fake.errors.constFirst().toStdString();
}

} // namespace
