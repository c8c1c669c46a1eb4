#include "acquisition/pictureshow.h"

#include "platform/numbers.h"

#include <limits>

namespace norvel {

namespace {

constexpr float ViewBorders = 4;

QString caption(const PictureScale& scale, const QString& shownWidth, const QString& shownHeight)
{
    return QStringLiteral("サイズ：%1×%2 ⇒ %3×%4").arg(scale.width).arg(scale.height).arg(shownWidth, shownHeight);
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
    scale.dspRate = static_cast<float>((smallPicture ? 420.0 : 480.0) / static_cast<double>(height));
    // Checked at the larger picture size, so the picture can be shown at either.
    const auto widestView = static_cast<float>(width) * static_cast<float>(480.0 / static_cast<double>(height));
    if (widestView + ViewBorders > static_cast<float>(Largest))
        return std::nullopt;
    return scale;
}

QString sizeCaption(const PictureScale& scale)
{
    return caption(scale, singleText(scale.shownWidth()), singleText(scale.shownHeight()));
}

QString sizeCaptionDouble(const PictureScale& scale)
{
    const double rate = scale.dspRate;
    return caption(scale, doubleText(rate * scale.width), doubleText(rate * scale.height));
}

QString savedPictureFileName(const QDateTime& when)
{
    return when.toString(QStringLiteral("yyMMdd_HHmmss")) + QStringLiteral(".jpg");
}

QString filedPictureFileName(const QString& pole, int resultRow)
{
    return pole + QLatin1Char('_') + QString::number(resultRow) + QStringLiteral(".jpg");
}

} // namespace norvel
