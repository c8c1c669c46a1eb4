#pragma once

#include <QImage>
#include <QWidget>

namespace norvel {

// The picture under measurement at full resolution, never drawn on. Hidden; its size is the picture's.
class FullPicture : public QWidget {
    Q_OBJECT

public:
    explicit FullPicture(QWidget* parent = nullptr); // starts as an empty 640 x 480 picture

    [[nodiscard]] const QImage& image() const { return m_image; } // Format_RGB32
    void setImage(const QImage& image);
    // No picture: the empty picture's colour all over, the size and the memory kept.
    void blank();
    [[nodiscard]] int pictureWidth() const { return m_image.width(); }
    [[nodiscard]] int pictureHeight() const { return m_image.height(); }
    // Colour at (x, y) as 0x00BBGGRR (red in the low byte), -1 outside the picture.
    [[nodiscard]] qint32 point(int x, int y) const;

private:
    QImage m_image;
};

} // namespace norvel
