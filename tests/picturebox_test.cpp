#include "widgets/fullpicture.h"
#include "widgets/picturebox.h"

#include <QApplication>
#include <QMouseEvent>
#include <QSignalSpy>
#include <QTest>

#include <gtest/gtest.h>

using namespace norvel;

namespace {

const QColor Grey(240, 240, 240);

QColor at(const QImage& image, int x, int y)
{
    return image.pixelColor(x, y);
}

// Drawing-area pixel as shown on screen, past the border.
QColor shown(PictureBox& box, int x, int y)
{
    return at(box.grab().toImage(), x + PictureBox::Border, y + PictureBox::Border);
}

// A mouse signal's arguments in a form failures print readably.
using MouseArgs = std::tuple<int, int, double, double>;
MouseArgs mouseArgs(const QVariantList& a)
{
    return { a[0].toInt(), a[1].toInt(), a[2].toDouble(), a[3].toDouble() };
}

bool isDark(const QColor& c)
{
    return c.red() < 64 && c.green() < 64 && c.blue() < 64;
}

} // namespace

TEST(FullPicture, StartsAsAnEmptyGreyPicture)
{
    QWidget form;
    auto* picture = new FullPicture(&form);
    form.show();
    EXPECT_FALSE(picture->isVisible());
    EXPECT_EQ(picture->pictureWidth(), 640);
    EXPECT_EQ(picture->pictureHeight(), 480);
    EXPECT_EQ(picture->point(639, 479), 0xF0F0F0);
}

TEST(FullPicture, PointIsRedInTheLowByte)
{
    const struct {
        QColor color;
        qint32 expected;
    } cases[] = {
        { QColor(255, 0, 0), 0x0000FF },
        { QColor(0, 255, 0), 0x00FF00 },
        { QColor(0, 0, 255), 0xFF0000 },
        { QColor(1, 2, 3), 0x030201 },
    };
    for (const auto& c : cases) {
        // A 24-bit source checks the conversion as well as the byte order.
        QImage image(3, 2, QImage::Format_RGB888);
        image.fill(Qt::white);
        image.setPixelColor(2, 1, c.color);
        FullPicture picture;
        picture.setImage(image);
        EXPECT_EQ(picture.image().format(), QImage::Format_RGB32);
        EXPECT_EQ(picture.point(2, 1), c.expected) << c.color.name().toStdString();
        EXPECT_EQ(picture.point(0, 0), 0xFFFFFF);
    }
}

TEST(FullPicture, PointOutsideIsMinusOne)
{
    FullPicture picture;
    QImage image(5, 4, QImage::Format_ARGB32);
    image.fill(Qt::black);
    picture.setImage(image);
    const QPoint outside[] = { { -1, 0 }, { 0, -1 }, { 5, 0 }, { 0, 4 }, { 5, 4 } };
    for (const QPoint p : outside)
        EXPECT_EQ(picture.point(p.x(), p.y()), -1) << p.x() << "," << p.y();
    EXPECT_NE(picture.point(4, 3), -1);
    picture.setImage(QImage());
    EXPECT_EQ(picture.point(0, 0), -1);
}

TEST(PictureBox, OuterSizeRoundsUpAndSizesTheCanvas)
{
    const struct {
        double w, h;
        QSize widget, canvas;
    } cases[] = {
        { 644, 484, { 644, 484 }, { 640, 480 } },
        { 857.333, 484, { 858, 484 }, { 854, 480 } },
        { 10.01, 6.5, { 11, 7 }, { 7, 3 } },
        { 4, 4, { 4, 4 }, { 0, 0 } },
        { 3, 2, { 3, 2 }, { 0, 0 } },
    };
    for (const auto& c : cases) {
        PictureBox box;
        box.setOuterSize(c.w, c.h);
        EXPECT_EQ(box.outerWidth(), c.w);
        EXPECT_EQ(box.size(), c.widget) << c.w;
        EXPECT_EQ(box.content().size(), c.canvas) << c.w;
        EXPECT_EQ(box.baseImage().size(), c.canvas) << c.w;
        // Drawing on an empty area is harmless.
        box.drawLine({ 0, 0 }, { 5, 5 }, Qt::black);
        box.printText({ 0, 0 }, "x");
        box.paintPicture(QImage(2, 2, QImage::Format_RGB32), QRectF(0, 0, 4, 4), QRectF(0, 0, 2, 2));
        EXPECT_EQ(box.grab().size(), c.widget);
    }
}

TEST(PictureBox, ResizeKeepsTheDrawingAtTopLeft)
{
    PictureBox box;
    box.setOuterSize(24, 24);
    box.drawLine({ 1, 1 }, { 18, 1 }, Qt::black);
    box.setOuterSize(14, 34);
    EXPECT_EQ(box.content().size(), QSize(10, 30));
    EXPECT_TRUE(isDark(at(box.content(), 9, 1)));
    box.setOuterSize(44, 44);
    EXPECT_TRUE(isDark(at(box.content(), 1, 1)));
    EXPECT_EQ(at(box.content(), 15, 1), Grey) << "cut off part stays gone";
    EXPECT_EQ(at(box.content(), 39, 39), Grey);
    EXPECT_EQ(at(box.baseImage(), 39, 39), Grey);
}

TEST(PictureBox, ClearShowsTheBaseAgain)
{
    PictureBox box;
    box.setOuterSize(44, 44);
    QImage blue(1, 1, QImage::Format_RGB32);
    blue.fill(Qt::blue);
    box.paintPicture(blue, QRectF(0, 0, 40, 20), QRectF(0, 0, 1, 1));
    box.clear();
    EXPECT_EQ(at(box.content(), 5, 5), Grey) << "a painted picture is drawn content until made the base";

    box.paintPicture(blue, QRectF(0, 0, 40, 20), QRectF(0, 0, 1, 1));
    box.makeContentBase();
    box.drawLine({ 0, 30 }, { 39, 30 }, Qt::red);
    EXPECT_EQ(at(box.content(), 5, 30), QColor(Qt::red));
    EXPECT_EQ(at(box.baseImage(), 5, 30), Grey);
    box.clear();
    EXPECT_EQ(at(box.content(), 5, 5), QColor(Qt::blue));
    EXPECT_EQ(at(box.content(), 5, 30), Grey);
    EXPECT_EQ(shown(box, 5, 30), Grey);
    EXPECT_EQ(shown(box, 5, 5), QColor(Qt::blue));
}

TEST(PictureBox, RemembersWhatWasDrawnUntilClearedOrMadeTheBase)
{
    PictureBox box;
    box.setOuterSize(44, 44);
    box.setDrawWidth(2);
    box.drawLine({ 0, 30 }, { 39, 30 }, Qt::red);
    box.setForeColor(Qt::green);
    box.printText({ 3, 4 }, QStringLiteral("0.200mm"));
    ASSERT_EQ(box.drawnLines().size(), 1);
    EXPECT_EQ(box.drawnLines()[0].line, QLineF(0, 30, 39, 30));
    EXPECT_EQ(box.drawnLines()[0].width, 2);
    ASSERT_EQ(box.printedTexts().size(), 1);
    EXPECT_EQ(box.printedTexts()[0].text, "0.200mm");
    EXPECT_EQ(box.printedTexts()[0].color, QColor(Qt::green));

    box.makeContentBase(); // drawn into the picture now, no longer separate marks
    EXPECT_TRUE(box.drawnLines().isEmpty());
    box.drawLine({ 0, 1 }, { 9, 1 }, Qt::red);
    box.clear();
    EXPECT_TRUE(box.drawnLines().isEmpty());
    EXPECT_TRUE(box.printedTexts().isEmpty());
}

TEST(PictureBox, PaintPictureStretchesAFractionalSource)
{
    PictureBox box;
    box.setOuterSize(44, 24);
    QImage picture(2, 1, QImage::Format_RGB32);
    picture.setPixelColor(0, 0, Qt::red);
    picture.setPixelColor(1, 0, Qt::blue);
    // One and a half source pixels over 30: red takes the first two thirds.
    box.paintPicture(picture, QRectF(5, 3, 30, 10), QRectF(0, 0, 1.5, 1));
    const QImage& content = box.content();
    EXPECT_EQ(at(content, 4, 8), Grey);
    EXPECT_EQ(at(content, 20, 2), Grey);
    EXPECT_EQ(at(content, 20, 13), Grey);
    EXPECT_EQ(at(content, 35, 8), Grey);
    EXPECT_EQ(at(content, 6, 8), QColor(Qt::red));
    const QColor nearSplit = at(content, 5 + 17, 8);
    EXPECT_GT(nearSplit.red(), nearSplit.blue());
    const QColor end = at(content, 5 + 28, 8);
    EXPECT_GT(end.blue(), 200);
    EXPECT_LT(end.red(), 55);
}

TEST(PictureBox, LinesCoverTheirEndPixels)
{
    const struct {
        int width;
        QPoint from, to;
        QRect covered;
    } cases[] = {
        { 1, { 5, 4 }, { 5, 14 }, QRect(QPoint(5, 4), QPoint(5, 14)) },
        { 1, { 3, 5 }, { 10, 5 }, QRect(QPoint(3, 5), QPoint(10, 5)) },
        { 2, { 5, 4 }, { 5, 14 }, QRect(QPoint(4, 3), QPoint(5, 14)) },
        { 3, { 3, 8 }, { 12, 8 }, QRect(QPoint(2, 7), QPoint(13, 9)) },
    };
    for (const auto& c : cases) {
        PictureBox box;
        box.setOuterSize(24, 24);
        box.setDrawWidth(c.width);
        box.drawLine(c.from, c.to, Qt::black);
        EXPECT_EQ(box.currentPoint(), QPointF(c.to));
        for (int y = 0; y < 20; ++y)
            for (int x = 0; x < 20; ++x)
                EXPECT_EQ(isDark(at(box.content(), x, y)), c.covered.contains(x, y))
                    << "width " << c.width << " at " << x << "," << y;
    }
}

TEST(PictureBox, DrawLineByStartsAtTheCurrentPoint)
{
    PictureBox box;
    box.setOuterSize(24, 24);
    box.setCurrentPoint({ 2, 3 });
    box.drawLineBy({ 6, 0 }, Qt::black);
    box.drawLineBy({ 0, 5 }, Qt::black);
    EXPECT_EQ(box.currentPoint(), QPointF(8, 8));
    EXPECT_TRUE(isDark(at(box.content(), 2, 3)));
    EXPECT_TRUE(isDark(at(box.content(), 8, 8)));
    EXPECT_FALSE(isDark(at(box.content(), 1, 3)));
    EXPECT_FALSE(isDark(at(box.content(), 8, 9)));
}

TEST(PictureBox, PrintTextHangsBelowAndRightOfThePoint)
{
    PictureBox box;
    box.setOuterSize(104, 64);
    QFont font = box.font();
    font.setPixelSize(16);
    box.setFont(font);
    box.setForeColor(Qt::red);
    box.printText({ 20, 20 }, "HWH");
    int top = 1000, red = 0;
    for (int y = 0; y < 60; ++y)
        for (int x = 0; x < 100; ++x) {
            const QColor c = at(box.content(), x, y);
            if (c == Grey)
                continue;
            EXPECT_GE(x, 20);
            EXPECT_GE(y, 20);
            top = std::min(top, y);
            red += c.red() > 200 && c.green() < 60 && c.blue() < 60;
        }
    EXPECT_GT(red, 10);
    // Capitals reach close to the top of the line, not a full line further down.
    EXPECT_LT(top, 20 + QFontMetrics(font).ascent() / 2);
}

TEST(PictureBox, OverlayLinesLieAboveTheContentAndSurviveClear)
{
    QWidget form;
    auto* box = new PictureBox(&form);
    box->setOuterSize(54, 54);
    OverlayLine* line = box->addOverlayLine("Line1(0)", Qt::red, 1);
    EXPECT_EQ(form.findChild<OverlayLine*>("Line1(0)"), line);
    EXPECT_EQ(box->overlayLines(), QList<OverlayLine*> { line });
    EXPECT_FALSE(line->isVisible());

    box->setDrawWidth(5);
    box->drawLine({ 0, 20 }, { 40, 20 }, Qt::blue);
    line->setLine({ 10, 0 }, { 10, 40 });
    EXPECT_EQ(shown(*box, 10, 20), QColor(Qt::blue)) << "hidden lines are not painted";
    EXPECT_EQ(shown(*box, 10, 30), Grey);

    line->setVisible(true);
    EXPECT_EQ(shown(*box, 10, 20), QColor(Qt::red));
    EXPECT_EQ(shown(*box, 10, 30), QColor(Qt::red));
    EXPECT_EQ(shown(*box, 9, 30), Grey);
    EXPECT_EQ(shown(*box, 30, 20), QColor(Qt::blue));

    box->clear();
    EXPECT_TRUE(line->isVisible());
    EXPECT_EQ(shown(*box, 10, 20), QColor(Qt::red));
    EXPECT_EQ(shown(*box, 30, 20), Grey);
    EXPECT_NE(at(box->grab().toImage(), 0, 0), Grey) << "the border";
}

TEST(PictureBox, OverlayLineSignalsOnlyRealChanges)
{
    PictureBox box;
    OverlayLine* line = box.addOverlayLine("Line2", Qt::red, 2);
    line->setLine({ 1, 2 }, { 3, 4 });
    QSignalSpy spy(line, &OverlayLine::changed);
    const struct {
        const char* what;
        std::function<void()> act;
        int signals;
    } cases[] = {
        { "same line",
            [&] {
                line->setLine({ 1, 2 }, { 3, 4 });
            },
            0 },
        { "same p1",
            [&] {
                line->setP1({ 1, 2 });
            },
            0 },
        { "same colour", [&] { line->setColor(Qt::red); }, 0 },
        { "still hidden", [&] { line->setVisible(false); }, 0 },
        { "new p1",
            [&] {
                line->setP1({ 5, 2 });
            },
            1 },
        { "new p2",
            [&] {
                line->setP2({ 5, 9 });
            },
            1 },
        { "new colour", [&] { line->setColor(Qt::green); }, 1 },
        { "shown", [&] { line->setVisible(true); }, 1 },
    };
    for (const auto& c : cases) {
        spy.clear();
        c.act();
        EXPECT_EQ(spy.count(), c.signals) << c.what;
    }
    EXPECT_EQ(line->p1(), QPointF(5, 2));
    EXPECT_EQ(line->p2(), QPointF(5, 9));
    EXPECT_EQ(line->width(), 2);
}

TEST(PictureBox, MouseEventsUseDrawingAreaCoordinatesAndVbCodes)
{
    PictureBox box;
    box.setOuterSize(104, 104);
    QSignalSpy down(&box, &PictureBox::mouseDown);
    QSignalSpy move(&box, &PictureBox::mouseMove);
    QSignalSpy up(&box, &PictureBox::mouseUp);
    const struct {
        Qt::MouseButton button;
        Qt::KeyboardModifiers modifiers;
        int code, shift;
    } cases[] = {
        { Qt::LeftButton, Qt::NoModifier, 1, 0 },
        { Qt::RightButton, Qt::ShiftModifier, 2, 1 },
        { Qt::MiddleButton, Qt::ControlModifier, 4, 2 },
        { Qt::LeftButton, Qt::AltModifier | Qt::ShiftModifier, 1, 5 },
    };
    for (const auto& c : cases) {
        down.clear();
        up.clear();
        QTest::mousePress(&box, c.button, c.modifiers, QPoint(12, 7));
        ASSERT_EQ(down.count(), 1);
        EXPECT_EQ(mouseArgs(down[0]), MouseArgs(c.code, c.shift, 10.0, 5.0));
        QTest::mouseRelease(&box, c.button, c.modifiers, QPoint(0, 1));
        ASSERT_EQ(up.count(), 1);
        EXPECT_EQ(mouseArgs(up[0]), MouseArgs(c.code, c.shift, -2.0, -1.0));
    }

    // A second button pressed during a drag reports only itself, as does its release.
    down.clear();
    up.clear();
    QTest::mousePress(&box, Qt::LeftButton, {}, QPoint(20, 20));
    QTest::mousePress(&box, Qt::RightButton, {}, QPoint(20, 20));
    QTest::mouseRelease(&box, Qt::RightButton, {}, QPoint(20, 20));
    QTest::mouseRelease(&box, Qt::LeftButton, {}, QPoint(20, 20));
    ASSERT_EQ(down.count(), 2);
    ASSERT_EQ(up.count(), 2);
    EXPECT_EQ(down[1][0].toInt(), 2);
    EXPECT_EQ(up[0][0].toInt(), 2);

    const auto sendMove = [&](QPointF pos, Qt::MouseButtons buttons) {
        QMouseEvent event(QEvent::MouseMove, pos, box.mapToGlobal(pos), Qt::NoButton, buttons, Qt::ControlModifier);
        QApplication::sendEvent(&box, &event);
    };
    move.clear();
    sendMove({ 50.5, 30 }, Qt::LeftButton | Qt::RightButton);
    sendMove({ 150, 3 }, Qt::NoButton);
    ASSERT_EQ(move.count(), 2);
    EXPECT_EQ(mouseArgs(move[0]), MouseArgs(3, 2, 48.5, 28.0));
    EXPECT_EQ(mouseArgs(move[1]), MouseArgs(0, 2, 148.0, 1.0));
    EXPECT_TRUE(box.hasMouseTracking());
}
