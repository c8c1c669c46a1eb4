#pragma once

#include <QDateTime>
#include <QString>
#include <QtGlobal>

#include <optional>

// How a picture is fitted to the view: a fixed number of rows, 480 or 420, and whatever width the
// picture's proportions give.
namespace norvel {

struct PictureScale {
    qint16 width = 0; // picture pixels
    qint16 height = 0;
    float dspRate = 0; // view pixels per picture pixel, single precision as stored

    [[nodiscard]] float shownWidth() const { return static_cast<float>(width) * dspRate; }
    [[nodiscard]] float shownHeight() const { return static_cast<float>(height) * dspRate; }
};

// nullopt when the picture cannot be shown: a side larger than 16-bit positions allow, an empty picture,
// or a shown size too large for a view measured in 16-bit pixels (a sliver of a picture a few pixels high
// would otherwise be blown up to millions of pixels).
[[nodiscard]] std::optional<PictureScale> fitPicture(qint64 width, qint64 height, bool smallPicture);

// "サイズ：1920×1080 ⇒ 853.3333×480" with the shown size in single precision, as opening a picture writes it.
[[nodiscard]] QString sizeCaption(const PictureScale& scale);
// The same with the shown size computed and written in double precision, as changing the picture size
// writes it: "サイズ：1920×1080 ⇒ 853.333339691162×480".
[[nodiscard]] QString sizeCaptionDouble(const PictureScale& scale);

// Saved and filed pictures are written at this JPEG quality.
inline constexpr quint8 PictureJpegQuality = 75;

// Name of a saved picture: "yymmdd_hhMMSS.jpg", 24-hour clock.
[[nodiscard]] QString savedPictureFileName(const QDateTime& when);

// Name of a captured picture filed with the results: the pole number, "_", the number of its result row
// counted from 1, ".jpg" ("12_3.jpg").
[[nodiscard]] QString filedPictureFileName(const QString& pole, int resultRow);

} // namespace norvel
