#pragma once

#include "ledger/ledgerpdf.h"
#include "ledger/previousinspection.h"

#include <QColor>
#include <QFont>
#include <QList>
#include <QRectF>
#include <QSize>
#include <QString>

#include <optional>

class QPainter;

// Painting the ledger's pages: the cover with its figures, chart and pole list, the pages of three cracks, and the
// six-a-page form's tables and pictures, each in the frame of subject, day and page number. Sizes in millimetres.
namespace norvel {

struct CoverLayout;
struct LedgerDay;
struct LedgerItem;
struct LedgerPage;
struct LedgerPole;
struct LedgerProblem;
struct LedgerRow;
struct Thumbnail;
class ThumbnailQueue;

inline constexpr int LedgerResolution = 600; // dots per inch of the painter; text and lines stay vectors

// Where the picture of a pair of photos whose part of the page starts at top is drawn (column 0 left, 1 right), in
// millimetres from the page's top left corner: its cell's width and picture height, shrunk to the picture's shape
// and centred across the cell.
[[nodiscard]] QRectF ledgerPictureRect(double top, int column, QSize pictureSize);
// Where the photo of a crack whose part of the page starts at top is drawn: shrunk to the picture's shape.
[[nodiscard]] QRectF ledgerCrackPhotoRect(double top, QSize pictureSize);

class LedgerPainter {
public:
    LedgerPainter(
        QPainter& painter, const LedgerDay& day, const LedgerOptions& options, int pages, QList<LedgerProblem>* found);

    // The page's content and its frame, numbered from 1.
    void paintPage(const LedgerPage& page, int pageNumber, ThumbnailQueue& thumbnails);

private:
    // The cover.
    void paintCover(const LedgerPage& page);
    [[nodiscard]] double paintFigures(const CoverLayout& layout);
    void paintChart(const CoverLayout& layout);
    void paintLegend(double top, int marked);
    void paintListHeading(double top);
    void paintListLine(int pole, double top);
    // Six a page.
    void paintProblems(const LedgerPage& page);
    void paintPoleList(const LedgerPage& page);
    void paintTableHeading(double top);
    void paintTableLine(const LedgerItem& item);
    void paintPhoto(int pole, int row, double top, int column, const Thumbnail& thumbnail);
    // Three a page.
    void paintItems(const QList<LedgerItem>& items, ThumbnailQueue& thumbnails);
    void paintPoleHeading(int pole, double top);
    void paintCrack(const LedgerItem& item, const Thumbnail& thumbnail);
    void paintCrackFacts(const LedgerPole& pole, const LedgerRow& row, int poleIndex, double top);
    void paintRowLine(const LedgerItem& item);
    void paintProblemLine(int problem, double top);

    void paintFrame(int pageNumber, const QString& subject);
    [[nodiscard]] QString pageSubject(const LedgerPage& page) const;
    [[nodiscard]] static double dots(double mm) { return mm * LedgerResolution / 25.4; }
    [[nodiscard]] static QRectF rect(double x, double y, double width, double height)
    {
        return { dots(x), dots(y), dots(width), dots(height) };
    }
    [[nodiscard]] static QRectF rect(const QRectF& mm) { return rect(mm.x(), mm.y(), mm.width(), mm.height()); }
    void write(const QRectF& mmRect, double points, int flags, const QString& text, const QColor& colour = Qt::black);
    // One line, cut with "…" to its width.
    void writeLine(const QRectF& mmRect, double points, const QString& text, const QColor& colour = Qt::black);
    // Never cut: on one line at points where it fits, else wrapped onto more, its size stepped down until the
    // whole text fits the box (identifiers a reviewer looks a pole up by are read whole or not at all).
    void writeWhole(const QRectF& mmRect, double points, const QString& text, const QColor& colour = Qt::black,
        Qt::Alignment align = Qt::AlignLeft);
    // A row of cells with their borders, each text whole (see writeWhole).
    void writeCells(double top, double height, const QList<double>& widths, const QStringList& texts, double points,
        const QList<QColor>& colours = {});
    // Text in a colour with a light outline, so that it reads on a dark crack as on light concrete.
    void writeHaloed(const QPointF& topLeft, double points, const QString& text, const QColor& colour);
    void paintPicture(const QRectF& mmRect, const LedgerPole& pole, const LedgerRow& row, const Thumbnail& thumbnail,
        bool withScaleBar);
    void paintMarks(const QRectF& target, const LedgerRow& row);
    void paintScaleBar(const QRectF& target, const LedgerRow& row);
    void note(const QRectF& target, const QString& text);
    // The row's judgement with the line that judged it, or "範囲外" for a width that is no crack's.
    [[nodiscard]] QString judgementShown(const LedgerRow& row) const;
    // The pole's, with the line of its widest marked row.
    [[nodiscard]] QString poleJudgementShown(const LedgerPole& pole) const;
    void paintApprovalBoxes();
    // The pole's previous inspection beside a crack (row), or beside the pole's widest (none).
    [[nodiscard]] QString previousText(int pole, const LedgerRow* row) const;

    QPainter& m_painter;
    const LedgerDay& m_day;
    const LedgerOptions m_options;
    const int m_pages;
    QList<LedgerProblem>* m_found;
    QList<std::optional<PreviousInspection>> m_before; // per pole
    int m_photos = 0; // photos painted so far: their numbers run through the ledger in page order
};

// Shared by the painter's parts.
namespace ledgertext {
[[nodiscard]] QFont font(double points);
// "2022年10月19日", or the text itself when it is not a day.
[[nodiscard]] QString dayText(const QString& day);
[[nodiscard]] QString poleTitle(const QString& pole);
// The text, or "-" for an empty one.
[[nodiscard]] QString dash(const QString& text);
// "0.35mm", "-" for none.
[[nodiscard]] QString millimetres(std::optional<double> width);
// At most this many characters of a text from a file are shown in a cell or caption.
[[nodiscard]] QString shortened(const QString& text, qsizetype characters = 24);
// "0.35 mm 最大 0.41 mm（自動・直交）", "検出なし（自動）" or "-": the width and how it was measured.
[[nodiscard]] QString widthWithHow(const LedgerRow& row);
// For a pole without a width: "検出なし" where an analysis of one of its rows found nothing, else "-".
[[nodiscard]] QString noWidthText(const LedgerPole& pole);
// "要注意（横 ≥ 0.05）": the row's judgement with its judged direction's line (with "未確認" for none); empty where it
// is not marked.
[[nodiscard]] QString judgementWithLine(const LedgerRow& row, const JudgementLines& lines);
// The direction of the pole's widest crack as the ledger prints it ("縦", "横（推定）", "方向未確認"); empty
// without a width.
[[nodiscard]] QString widestDirection(const LedgerPole& pole);
inline const QColor MarkGreen(0, 255, 0);
inline const QColor MarkRed(255, 0, 0);
inline const QColor MarkMagenta(255, 0, 255); // the widest place along the crack
inline const QColor BarBlue(70, 110, 170);
inline const QColor HeadingGrey(230, 230, 230);
} // namespace ledgertext

} // namespace norvel
