#include "acquisition/pictureshow.h"

#include "core/numbers.h"

#include <limits>

namespace norvel {

namespace {

QString caption(const PictureScale& scale, const QString& shownWidth, const QString& shownHeight)
{
    return QStringLiteral("サイズ：%1×%2 ⇒ %3×%4").arg(scale.width).arg(scale.height).arg(shownWidth, shownHeight);
}

bool isFourByThree(const PictureScale& scale)
{
    return 3 * qint32(scale.width) == 4 * qint32(scale.height);
}

// A tenth of a pixel says enough about a size that is not whole; the digits of the single scale do not.
QString tenthsText(double shown)
{
    QString text = fixedText(shown, 1);
    if (text.endsWith(QLatin1String(".0")))
        text.chop(2);
    return text;
}

QString roundedCaption(const PictureScale& scale)
{
    const double rate = scale.dspRate;
    return caption(scale, tenthsText(rate * scale.width), tenthsText(rate * scale.height));
}

} // namespace

std::optional<PictureScale> fitPicture(qint64 width, qint64 height, bool smallPicture)
{
    constexpr qint64 Largest = std::numeric_limits<qint16>::max();
    if (width < 1 || height < 1 || width > Largest || height > Largest)
        return std::nullopt;
    PictureScale scale;
    scale.width = static_cast<qint16>(width);
    scale.height = static_cast<qint16>(height);
    const qint64 boxWidth = smallPicture ? 560 : 640;
    const qint64 boxHeight = smallPicture ? 420 : 480;
    // Compared in whole numbers, so that a 4:3 picture takes the rows' quotient to the last bit.
    const bool rowsDecide = width * boxHeight <= height * boxWidth;
    scale.dspRate = static_cast<float>(rowsDecide ? static_cast<double>(boxHeight) / static_cast<double>(height)
                                                  : static_cast<double>(boxWidth) / static_cast<double>(width));
    return scale;
}

QString sizeCaption(const PictureScale& scale)
{
    if (!isFourByThree(scale))
        return roundedCaption(scale);
    return caption(scale, singleText(scale.shownWidth()), singleText(scale.shownHeight()));
}

QString sizeCaptionDouble(const PictureScale& scale)
{
    if (!isFourByThree(scale))
        return roundedCaption(scale);
    const double rate = scale.dspRate;
    return caption(scale, doubleText(rate * scale.width), doubleText(rate * scale.height));
}

QString savedPictureFileName(const QDateTime& when)
{
    return when.toString(QStringLiteral("yyMMdd_HHmmss")) + QStringLiteral(".jpg");
}

} // namespace norvel
