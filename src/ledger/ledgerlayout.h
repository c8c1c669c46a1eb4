#pragma once

#include <QDate>
#include <QList>
#include <QSize>

#include <algorithm>

// Where things go on the ledger's A4 pages, in millimetres from the page's top left corner, and the scale bar drawn
// on each photo. No painting: the page plan and the painter share these figures.
namespace norvel {

struct LedgerDay;

namespace ledgerpage {
inline constexpr double Left = 15;
inline constexpr double Right = 195;
inline constexpr double ContentTop = 20; // below the header line
inline constexpr double ContentBottom = 279; // above the page number
inline constexpr double Height = ContentBottom - ContentTop;

// Three cracks a page: each a photo on the left with its facts beside it. A page holds three cracks and the
// headings of three poles.
inline constexpr double PhotoWidth = 104;
inline constexpr double PhotoHeight = 71;
inline constexpr double CrackHeight = 75; // photo and the gap below it
inline constexpr double PoleHeadingHeight = 11;
inline constexpr double RowLineHeight = 6; // a row without a picture
inline constexpr double ListHeadingHeight = 6.5; // the pole list's column names
inline constexpr double ListLineHeight = 5.5;
inline constexpr double ProblemHeadingHeight = 9;
inline constexpr double ProblemLineHeight = 9;
inline constexpr int CracksPerPage = 3;

// Six photos a page: a pole's table of rows, then its photos two abreast, each photo in its cell with its caption's
// lines below it.
inline constexpr double TableHeadingHeight = 5.5;
inline constexpr double TableLineHeight = 5;
inline constexpr double CellWidth = 88;
inline constexpr double CellGap = 4;
inline constexpr double CellPictureHeight = 60;
inline constexpr int CaptionLines = 5;
inline constexpr double CaptionLineHeight = 3.2;
inline constexpr double PhotoPairHeight = CellPictureHeight + 1 + CaptionLines * CaptionLineHeight + 3;

// The cover: the approval boxes top right, the survey's figures, then the chart, then as much of the pole list as
// fits.
inline constexpr double ApprovalBoxWidth = 17;
inline constexpr double ApprovalCaptionHeight = 4.5;
inline constexpr double ApprovalStampHeight = 13;
inline constexpr double FigureTop = ContentTop + ApprovalCaptionHeight + ApprovalStampHeight + 2;
inline constexpr double FigureHeight = 6;
inline constexpr double CoverProblemHeight = 8.6;
} // namespace ledgerpage

// A scale the day's pictures were measured at: per picture size, picture pixels per millimetre, and whether it
// was set from a ruler (with the day it was set, when the scale file beside the day folders still has it).
struct LedgerScale {
    QSize size;
    double pxPerMm = 0;
    bool calibrated = false;
    QDate date;
    friend bool operator==(const LedgerScale&, const LedgerScale&) = default;
};

// The scales of the day's rows with a picture, in the order first met; the cover names each on its line, or, beyond
// CoverScaleLines scales, several to a line, so that no number of picture sizes pushes the chart off the page.
[[nodiscard]] QList<LedgerScale> scalesOf(const LedgerDay& day);
inline constexpr int CoverScaleLines = 6;
// How many of count scales go on each line.
[[nodiscard]] constexpr int scalesPerLine(qsizetype count)
{
    return static_cast<int>(std::max<qsizetype>(1, (count + CoverScaleLines - 1) / CoverScaleLines));
}

// The bar drawn on a photo photoWidthMm wide of a picture pictureWidth pixels wide at pxPerMm: 1 mm, or 0.5 mm or
// 0.1 mm where the longer does not fit in 40 % of the photo's width; mm is 0 (no bar) for an unknown scale or
// where not even 0.1 mm fits in 90 % of it.
struct ScaleBar {
    double mm = 0;
    double lengthMm = 0; // on the page
    friend bool operator==(const ScaleBar&, const ScaleBar&) = default;
};
[[nodiscard]] ScaleBar scaleBar(double pxPerMm, int pictureWidth, double photoWidthMm);

// How the cover is divided: the figures' lines (problems named included), the chart's band, and the pole list's
// first listRows lines from listTop (its column names above them); the rest of the list follows on the next pages.
struct CoverLayout {
    int figureLines = 0;
    int problemLines = 0; // problems named on the cover, and a line saying how many more
    double chartTop = 0;
    double chartBottom = 0;
    double barHeight = 0; // per pole
    double listTop = 0;
    int listRows = 0;
};
// settingNotes: lines naming settings that could not be used, among the figures.
[[nodiscard]] CoverLayout coverLayout(const LedgerDay& day, int settingNotes = 0);

} // namespace norvel
