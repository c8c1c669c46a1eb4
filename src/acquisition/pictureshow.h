#pragma once

#include <QDateTime>
#include <QString>
#include <QtGlobal>

#include <optional>

// How a picture is fitted to the view: the largest scale at which the whole picture fits the view box,
// 640 x 480 or 560 x 420 (small picture). A 4:3 picture fills the box; a wider one is as wide as the box,
// so it never runs under the panel beside it.
namespace norvel {

struct PictureScale {
    qint16 width = 0; // picture pixels
    qint16 height = 0;
    float dspRate = 0; // view pixels per picture pixel, single precision as stored

    [[nodiscard]] float shownWidth() const { return static_cast<float>(width) * dspRate; }
    [[nodiscard]] float shownHeight() const { return static_cast<float>(height) * dspRate; }
};

// min(640 / width, 480 / height), or 560 and 420 for the small picture, held as a single. Pictures of 4:3
// and taller are scaled by their rows exactly as they always were, rows / height rounded once to a single;
// wider ones by their columns. nullopt when the picture cannot be shown: empty, or a side larger than
// 16-bit positions allow.
[[nodiscard]] std::optional<PictureScale> fitPicture(qint64 width, qint64 height, bool smallPicture);

// "サイズ：1600×1200 ⇒ 640×480". For a 4:3 picture the shown size is the single product written with up to
// 7 digits, as opening a picture writes it; sizeCaptionDouble() writes the double product with up to 15, as
// changing the picture size does ("640.000009536743×480.000007152557"). Pictures of other proportions get
// the same caption from both: the double product rounded to one decimal, whole pixels without a point
// ("サイズ：1920×1080 ⇒ 640×360", "サイズ：480×320 ⇒ 640×426.7").
[[nodiscard]] QString sizeCaption(const PictureScale& scale);
[[nodiscard]] QString sizeCaptionDouble(const PictureScale& scale);

// Saved and filed pictures are written at this JPEG quality.
inline constexpr quint8 PictureJpegQuality = 75;

// Name of a saved picture: "yymmdd_hhMMSS.jpg", 24-hour clock.
[[nodiscard]] QString savedPictureFileName(const QDateTime& when);

} // namespace norvel
