#include "widgets/picturebox.h"

#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>

#include <algorithm>
#include <cmath>

namespace norvel {

namespace {

// The classic button-face grey an empty box shows.
const QColor Background(240, 240, 240);

// Square caps so a 1-pixel line covers both of its end pixels; no antialiasing, so a measured edge
// stays one crisp pixel.
QPen linePen(const QColor& color, int width)
{
    QPen pen(color, std::max(width, 1));
    pen.setCapStyle(Qt::SquareCap);
    pen.setJoinStyle(Qt::MiterJoin);
    return pen;
}

// The image grown or cut to the size, what it held kept at the top left.
QImage resized(const QImage& image, QSize size)
{
    if (image.size() == size)
        return image;
    QImage result(size, QImage::Format_RGB32);
    if (result.isNull())
        return result;
    result.fill(Background);
    if (!image.isNull()) {
        QPainter painter(&result);
        painter.drawImage(QPoint(0, 0), image);
    }
    return result;
}

int vbButtons(Qt::MouseButtons buttons)
{
    int result = 0;
    if (buttons & Qt::LeftButton)
        result |= 1;
    if (buttons & Qt::RightButton)
        result |= 2;
    if (buttons & Qt::MiddleButton)
        result |= 4;
    return result;
}

int vbShift(Qt::KeyboardModifiers modifiers)
{
    int result = 0;
    if (modifiers & Qt::ShiftModifier)
        result |= 1;
    if (modifiers & Qt::ControlModifier)
        result |= 2;
    if (modifiers & Qt::AltModifier)
        result |= 4;
    return result;
}

} // namespace

OverlayLine::OverlayLine(const QString& name, const QColor& color, int width, QObject* parent)
    : QObject(parent)
    , m_color(color)
    , m_width(width)
{
    setObjectName(name);
}

void OverlayLine::setP1(QPointF p)
{
    setLine(p, m_p2);
}

void OverlayLine::setP2(QPointF p)
{
    setLine(m_p1, p);
}

void OverlayLine::setLine(QPointF p1, QPointF p2)
{
    if (p1 == m_p1 && p2 == m_p2)
        return;
    m_p1 = p1;
    m_p2 = p2;
    Q_EMIT changed();
}

void OverlayLine::setVisible(bool visible)
{
    if (visible == m_visible)
        return;
    m_visible = visible;
    Q_EMIT changed();
}

void OverlayLine::setColor(const QColor& color)
{
    if (color == m_color)
        return;
    m_color = color;
    Q_EMIT changed();
}

PictureBox::PictureBox(QWidget* parent)
    : QWidget(parent)
    , m_outerWidth(width())
    , m_outerHeight(height())
{
    // Moves without a button held are reported too, as the program follows the pointer over the picture.
    setMouseTracking(true);
    setAttribute(Qt::WA_OpaquePaintEvent);
    resizeCanvas();
}

void PictureBox::setOuterSize(double width, double height)
{
    m_outerWidth = width;
    m_outerHeight = height;
    resize(std::max(0, static_cast<int>(std::ceil(width))), std::max(0, static_cast<int>(std::ceil(height))));
    resizeCanvas();
    update();
}

void PictureBox::resizeCanvas()
{
    const QSize size(std::max(0, static_cast<int>(std::ceil(innerWidth()))),
        std::max(0, static_cast<int>(std::ceil(innerHeight()))));
    m_base = resized(m_base, size);
    m_content = resized(m_content, size);
}

void PictureBox::clear()
{
    m_content = m_base;
    m_drawnLines.clear();
    m_printedTexts.clear();
    update();
}

void PictureBox::makeContentBase()
{
    m_base = m_content;
    m_drawnLines.clear();
    m_printedTexts.clear();
}

void PictureBox::paintPicture(const QImage& picture, const QRectF& target, const QRectF& source)
{
    if (m_content.isNull() || picture.isNull())
        return;
    QPainter painter(&m_content);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    painter.drawImage(target, picture, source);
    update();
}

void PictureBox::setDrawWidth(int width)
{
    m_drawWidth = std::max(width, 1);
}

void PictureBox::setForeColor(const QColor& color)
{
    m_foreColor = color;
}

void PictureBox::setCurrentPoint(QPointF p)
{
    m_current = p;
}

void PictureBox::drawLine(QPointF from, QPointF to, const QColor& color)
{
    m_current = to;
    if (m_content.isNull())
        return;
    m_drawnLines.append({ QLineF(from, to), color, m_drawWidth });
    QPainter painter(&m_content);
    painter.setPen(linePen(color, m_drawWidth));
    painter.drawLine(from, to);
    update();
}

void PictureBox::drawLineBy(QPointF delta, const QColor& color)
{
    drawLine(m_current, m_current + delta, color);
}

void PictureBox::printText(QPointF topLeft, const QString& text)
{
    if (m_content.isNull() || text.isEmpty())
        return;
    m_printedTexts.append({ topLeft, text, m_foreColor });
    QPainter painter(&m_content);
    painter.setFont(font());
    painter.setPen(m_foreColor);
    // Metrics for the image, not the screen: a point-size font is laid out at the device's resolution.
    const QFontMetricsF metrics(font(), &m_content);
    painter.drawText(QPointF(topLeft.x(), topLeft.y() + metrics.ascent()), text);
    update();
}

OverlayLine* PictureBox::addOverlayLine(const QString& name, const QColor& color, int width)
{
    auto* line = new OverlayLine(name, color, width, this);
    connect(line, &OverlayLine::changed, this, qOverload<>(&QWidget::update));
    m_lines.append(line);
    return line;
}

void PictureBox::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    const int w = width();
    const int h = height();
    painter.fillRect(rect(), Background);
    painter.drawImage(QPoint(Border, Border), m_content);

    // A sunken edge: shadow on the top and left, light on the bottom and right, two pixels deep.
    const auto edge = [&](int inset, const QColor& topLeft, const QColor& bottomRight) {
        const int right = w - 1 - inset;
        const int bottom = h - 1 - inset;
        if (right < inset || bottom < inset)
            return;
        painter.setPen(topLeft);
        painter.drawLine(inset, inset, right - 1, inset);
        painter.drawLine(inset, inset, inset, bottom - 1);
        painter.setPen(bottomRight);
        painter.drawLine(inset, bottom, right, bottom);
        painter.drawLine(right, inset, right, bottom);
    };
    edge(0, QColor(160, 160, 160), Qt::white);
    edge(1, QColor(105, 105, 105), QColor(227, 227, 227));

    // Overlay lines stay inside the drawing area, like controls clipped by their container.
    painter.setClipRect(QRect(Border, Border, w - 2 * Border, h - 2 * Border));
    painter.translate(Border, Border);
    for (const OverlayLine* line : std::as_const(m_lines)) {
        if (!line->isVisible())
            continue;
        painter.setPen(linePen(line->color(), line->width()));
        painter.drawLine(line->p1(), line->p2());
    }
}

void PictureBox::mousePressEvent(QMouseEvent* event)
{
    const QPointF p = event->position() - QPointF(Border, Border);
    Q_EMIT mouseDown(vbButtons(event->button()), vbShift(event->modifiers()), p.x(), p.y());
}

void PictureBox::mouseMoveEvent(QMouseEvent* event)
{
    const QPointF p = event->position() - QPointF(Border, Border);
    Q_EMIT mouseMove(vbButtons(event->buttons()), vbShift(event->modifiers()), p.x(), p.y());
}

void PictureBox::mouseReleaseEvent(QMouseEvent* event)
{
    const QPointF p = event->position() - QPointF(Border, Border);
    Q_EMIT mouseUp(vbButtons(event->button()), vbShift(event->modifiers()), p.x(), p.y());
}

} // namespace norvel
