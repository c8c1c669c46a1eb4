#pragma once

#include <QColor>
#include <QImage>
#include <QLineF>
#include <QList>
#include <QObject>
#include <QPointF>
#include <QWidget>

class QRectF;

namespace norvel {

// A straight line object lying over a picture box: drawn above the box's content and untouched by
// clearing it. Coordinates are pixels of the box's drawing area.
class OverlayLine : public QObject {
    Q_OBJECT

public:
    OverlayLine(const QString& name, const QColor& color, int width, QObject* parent);

    [[nodiscard]] QPointF p1() const { return m_p1; }
    [[nodiscard]] QPointF p2() const { return m_p2; }
    void setP1(QPointF p);
    void setP2(QPointF p);
    void setLine(QPointF p1, QPointF p2);
    [[nodiscard]] bool isVisible() const { return m_visible; }
    void setVisible(bool visible);
    [[nodiscard]] QColor color() const { return m_color; }
    void setColor(const QColor& color);
    [[nodiscard]] int width() const { return m_width; }

Q_SIGNALS:
    void changed();

private:
    QPointF m_p1;
    QPointF m_p2;
    QColor m_color;
    int m_width;
    bool m_visible = false;
};

// The view a picture is shown and measured on. It holds a base image, drawn content above it (lines and
// text; clear() removes them and shows the base image again) and overlay lines above both. The outer size
// is the drawing area plus a 2-pixel border on each side; all coordinates are pixels of the drawing area.
class PictureBox : public QWidget {
    Q_OBJECT

public:
    static constexpr int Border = 2;

    explicit PictureBox(QWidget* parent = nullptr);

    // The outer size as last set, possibly fractional; the widget takes the size rounded up.
    void setOuterSize(double width, double height);
    [[nodiscard]] double outerWidth() const { return m_outerWidth; }
    [[nodiscard]] double outerHeight() const { return m_outerHeight; }
    [[nodiscard]] double innerWidth() const { return m_outerWidth - 2 * Border; }
    [[nodiscard]] double innerHeight() const { return m_outerHeight - 2 * Border; }

    [[nodiscard]] QImage baseImage() const { return m_base; }
    [[nodiscard]] QImage content() const { return m_content; } // base image with the drawn content on it
    void clear();
    void makeContentBase();

    // Paints the source rectangle of a picture (fractional, in its pixels) stretched into the target
    // rectangle of the drawing area, as drawn content.
    void paintPicture(const QImage& picture, const QRectF& target, const QRectF& source);

    [[nodiscard]] int drawWidth() const { return m_drawWidth; }
    void setDrawWidth(int width);
    void setForeColor(const QColor& color); // colour of printed text
    [[nodiscard]] QPointF currentPoint() const { return m_current; }
    void setCurrentPoint(QPointF p);

    // Lines in the given colour at the current draw width; both leave the current point at the line's end.
    void drawLine(QPointF from, QPointF to, const QColor& color);
    void drawLineBy(QPointF delta, const QColor& color); // from the current point
    // Text in the fore colour and the box's font, its top left corner at the point.
    void printText(QPointF topLeft, const QString& text);

    // What was drawn since the content was last cleared or made the base image, in order.
    struct DrawnLine {
        QLineF line;
        QColor color;
        int width = 1;
    };
    struct PrintedText {
        QPointF topLeft;
        QString text;
        QColor color;
    };
    [[nodiscard]] const QList<DrawnLine>& drawnLines() const { return m_drawnLines; }
    [[nodiscard]] const QList<PrintedText>& printedTexts() const { return m_printedTexts; }

    [[nodiscard]] QList<OverlayLine*> overlayLines() const { return m_lines; }
    OverlayLine* addOverlayLine(const QString& name, const QColor& color, int width);

Q_SIGNALS:
    // button: the button pressed or released (1 left, 2 right, 4 middle); for a move, the buttons held.
    // shift: 1 Shift, 2 Ctrl, 4 Alt. x, y: drawing-area pixels.
    void mouseDown(int button, int shift, double x, double y);
    void mouseMove(int button, int shift, double x, double y);
    void mouseUp(int button, int shift, double x, double y);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    void resizeCanvas();

    double m_outerWidth = 0;
    double m_outerHeight = 0;
    QImage m_base;
    QImage m_content;
    int m_drawWidth = 1;
    QColor m_foreColor = Qt::black;
    QPointF m_current;
    QList<DrawnLine> m_drawnLines;
    QList<PrintedText> m_printedTexts;
    QList<OverlayLine*> m_lines;
};

} // namespace norvel
