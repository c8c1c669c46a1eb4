#include "widgets/fullpicture.h"

namespace norvel {

namespace {
const QColor Empty(240, 240, 240);
}

FullPicture::FullPicture(QWidget* parent)
    : QWidget(parent)
    , m_image(640, 480, QImage::Format_RGB32)
{
    m_image.fill(Empty);
    // Only a store for the picture; it is never shown.
    setVisible(false);
    resize(m_image.size());
}

// Whatever comes in is converted, so point() can read 32-bit pixels directly; a null image leaves an
// empty picture, outside of which every point is.
void FullPicture::setImage(const QImage& image)
{
    m_image = image.convertToFormat(QImage::Format_RGB32);
    resize(m_image.size());
}

void FullPicture::blank()
{
    m_image.fill(Empty);
}

qint32 FullPicture::point(int x, int y) const
{
    if (x < 0 || y < 0 || x >= m_image.width() || y >= m_image.height())
        return -1;
    const QRgb rgb = reinterpret_cast<const QRgb*>(m_image.constScanLine(y))[x];
    return qRed(rgb) | (qGreen(rgb) << 8) | (qBlue(rgb) << 16);
}

} // namespace norvel
