#include "app/form1.h"

#include "widgets/fullpicture.h"
#include "widgets/picturebox.h"

#include <QAction>
#include <QRadioButton>

// The analysis range: the choice of whole picture or a 2.5x / 5x rectangle, dragging the rectangle, and the
// magnified view the analysis shows. Presses on the picture go either to the rectangle or to a measuring line.
namespace norvel {

float Form1::innerWidth() const
{
    return static_cast<float>(Picture1->innerWidth());
}

float Form1::innerHeight() const
{
    return static_cast<float>(Picture1->innerHeight());
}

void Form1::setAnalysisRange(const AnalysisRange& range)
{
    m_state.BunHX = range.x;
    m_state.BunHY = range.y;
}

void Form1::selectOption1(int index)
{
    Option1[index]->setChecked(true);
    Option1_Click(index);
}

void Form1::paintWholePicture()
{
    const auto width = static_cast<float>(Picture2->pictureWidth());
    const auto height = static_cast<float>(Picture2->pictureHeight());
    Picture1->clear();
    hideMarkLines();
    Picture1->paintPicture(Picture2->image(), QRectF(0, 0, width * m_state.DspRate, height * m_state.DspRate),
        QRectF(0, 0, width, height));
    Picture1->makeContentBase();
}

void Form1::showRectangle(bool visible)
{
    for (OverlayLine* line : Line1)
        line->setVisible(visible);
}

void Form1::placeRectangle(QPoint topLeft)
{
    const std::array<QLineF, 4> sides = rectangleSides(topLeft, m_state.BunHX[1], m_state.BunHY[1]);
    for (int i = 0; i < 4; ++i)
        Line1[i]->setLine(sides[i].p1(), sides[i].p2());
}

void Form1::Option1_Click(int Index)
{
    chooseRange(Index, true);
}

void Form1::chooseRange(int Index, bool paint)
{
    m_choices.range = Index;
    updateActions();
    // Before any picture or picture size there is no scale to work with.
    if (m_state.DspRate == 0)
        return;
    if (paint)
        paintWholePicture();
    if (Index == 0) {
        m_state.Zoom = 1.0f;
        showRectangle(false);
        setAnalysisRange(wholeRange(innerWidth(), innerHeight()));
        return;
    }
    m_state.Zoom = 2.5f * static_cast<float>(Index);
    showRectangle(true);
    setAnalysisRange(centredRange(innerWidth(), innerHeight(), m_state.Zoom));
    placeRectangle(analysisRange().topLeft());
}

void Form1::showAnalysisRange()
{
    if (m_state.Zoom > 1) {
        Picture1->paintPicture(Picture2->image(), QRectF(0, 0, innerWidth(), innerHeight()),
            magnifiedSource(analysisRange(), m_state.DspRate));
        Picture1->makeContentBase();
        // With the rectangle gone, the next left press starts a measuring line.
        showRectangle(false);
    } else {
        setAnalysisRange(wholeRange(innerWidth(), innerHeight()));
    }
}

bool Form1::wholePictureChosen() const
{
    return Option1[0]->isChecked();
}

// A left press starts a measuring line unless the range rectangle is up; every other press may start
// dragging the rectangle.
void Form1::Picture1_MouseDown(int Button, int, double X, double Y)
{
    if (Button == PictureTool::LeftButton && !Line1[0]->isVisible()) {
        m_lineTool.press(Button, QPointF(X, Y));
        return;
    }
    m_state.LineDrag = false;
    m_rangeTool.press(Button, QPointF(X, Y));
}

void Form1::Picture1_MouseMove(int Button, int, double X, double Y)
{
    activeTool(Button).move(Button, QPointF(X, Y));
}

void Form1::Picture1_MouseUp(int Button, int, double X, double Y)
{
    activeTool(Button).release(Button, QPointF(X, Y));
}

PictureTool& Form1::activeTool(int button)
{
    if (button == PictureTool::LeftButton && m_lineTool.drawing())
        return m_lineTool;
    return m_rangeTool;
}

void Form1::moveRange(QPoint topLeft)
{
    m_state.BunHX[0] = static_cast<qint16>(topLeft.x());
    m_state.BunHY[0] = static_cast<qint16>(topLeft.y());
    placeRectangle(topLeft);
}

} // namespace norvel
