#include "app/tools/measuringlinetool.h"
#include "app/tools/rangedragtool.h"
#include "testsupport.h"

#include <QRegularExpression>
#include <QStringList>

#include <gtest/gtest.h>

using namespace norvel;

namespace {

// A script of mouse events on the picture, "p" press, "m" move, "r" release, each with its button and point:
// "p1 150,150" is a left press at (150, 150).
struct ToolCase {
    const char* name;
    bool wholePicture;
    const char* events;
    const char* effects; // what the tool did, in order
};

template <typename Tool> void play(Tool& tool, const char* events)
{
    for (const QString& event : QString::fromLatin1(events).split(QLatin1Char(';'), Qt::SkipEmptyParts)) {
        const QStringList parts = event.trimmed().split(QRegularExpression(QStringLiteral("[ ,]")));
        const int button = parts[0].mid(1).toInt();
        const QPointF at(parts[1].toDouble(), parts[2].toDouble());
        if (parts[0].startsWith(QLatin1Char('p')))
            tool.press(button, at);
        else if (parts[0].startsWith(QLatin1Char('m')))
            tool.move(button, at);
        else
            tool.release(button, at);
    }
}

QString point(QPointF at)
{
    return QStringLiteral("%1,%2").arg(at.x()).arg(at.y());
}

class RangeDragToolTest : public ::testing::TestWithParam<ToolCase> { };

// The range 100..300 x 100..250 in a 640*480 view.
TEST_P(RangeDragToolTest, movesTheRangeOnlyByALeftDragFromInsideIt)
{
    const ToolCase& c = GetParam();
    AnalysisRange range { { 100, 200 }, { 100, 150 } };
    qint16 heldX = 0;
    qint16 heldY = 0;
    QStringList effects;
    RangeDragTool tool(heldX, heldY,
        { [&] { return range; }, [&] { return c.wholePicture; }, [] { return QSizeF(640, 480); },
            [&](QPoint topLeft) { effects << QStringLiteral("show ") + point(topLeft); },
            [&](QPoint topLeft) {
                range.x[0] = qint16(topLeft.x());
                range.y[0] = qint16(topLeft.y());
                effects << QStringLiteral("move ") + point(topLeft);
            } });
    play(tool, c.events);
    EXPECT_EQ(effects.join(QStringLiteral("; ")), QString::fromLatin1(c.effects));
}

INSTANTIATE_TEST_SUITE_P(Tools, RangeDragToolTest,
    ::testing::Values(ToolCase { "dragged", false, "p1 150,150; m1 160,170; r1 170,190", "show 110,120; move 120,140" },
        ToolCase { "stopsAtTheEdge", false, "p1 150,150; r1 700,150", "move 440,100" },
        ToolCase { "pressOnTheSideHoldsNothing", false, "p1 100,150; m1 160,170; r1 170,190", "" },
        ToolCase { "pressOutsideHoldsNothing", false, "p1 50,50; m1 160,170; r1 170,190", "" },
        ToolCase { "rightButton", false, "p2 150,150; m2 160,170; r2 170,190", "" },
        ToolCase { "wholePicture", true, "p1 150,150; m1 160,170; r1 170,190", "" },
        ToolCase { "anotherPressLetsGo", false, "p1 150,150; p2 150,150; r1 170,190", "" }),
    caseName<ToolCase>);

class MeasuringLineToolTest : public ::testing::TestWithParam<ToolCase> { };

TEST_P(MeasuringLineToolTest, measuresALeftDragOnly)
{
    const ToolCase& c = GetParam();
    bool drawing = false;
    QStringList effects;
    MeasuringLineTool tool(drawing,
        { [&](QPointF at) { effects << QStringLiteral("start ") + point(at); },
            [&](QPointF at) { effects << QStringLiteral("follow ") + point(at); },
            [&](QPointF at) { effects << QStringLiteral("measure ") + point(at); } });
    play(tool, c.events);
    EXPECT_EQ(effects.join(QStringLiteral("; ")), QString::fromLatin1(c.effects));
    EXPECT_EQ(drawing, tool.drawing());
}

INSTANTIATE_TEST_SUITE_P(Tools, MeasuringLineToolTest,
    ::testing::Values(
        ToolCase { "drawn", false, "p1 10,10; m1 20,30; r1 40,50", "start 10,10; follow 20,30; measure 40,50" },
        ToolCase { "otherButtons", false, "p2 10,10; m2 20,30; r2 40,50", "" },
        ToolCase { "moveWithoutPress", false, "m1 20,30; r1 40,50", "" }),
    caseName<ToolCase>);

} // namespace
