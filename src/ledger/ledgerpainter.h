#pragma once

#include "ledger/ledgerpdf.h"

#include <QColor>
#include <QList>
#include <QRectF>
#include <QSize>
#include <QString>

class QPainter;

// Painting the ledger's pages: the cover with its chart, the list of unreadable files, a pole's table and its
// pictures with their marks, each in the frame of day, subject and page number. Sizes in millimetres.
namespace norvel {

struct LedgerDay;
struct LedgerPage;
struct LedgerPole;
struct LedgerProblem;
struct LedgerRow;
struct Thumbnail;
class ThumbnailQueue;

inline constexpr int LedgerResolution = 600; // dots per inch of the painter; text and lines stay vectors

// Where the picture of a picture page's slot (0 to 5, row by row) is drawn, in millimetres from the page's
// top left corner: its cell's width and height, shrunk to the picture's shape and centred across the cell.
[[nodiscard]] QRectF ledgerPictureRect(int slot, QSize pictureSize);

class LedgerPainter {
public:
    LedgerPainter(
        QPainter& painter, const LedgerDay& day, const LedgerOptions& options, int pages, QList<LedgerProblem>* found)
        : m_painter(painter)
        , m_day(day)
        , m_options(options)
        , m_lines(options.lines)
        , m_pages(pages)
        , m_found(found)
    {
    }

    // The page's content and its frame, numbered from 1.
    void paintPage(const LedgerPage& page, int pageNumber, ThumbnailQueue& thumbnails);

private:
    void paintCover();
    void paintProblems(const LedgerPage& page);
    void paintTable(const LedgerPage& page);
    void paintPictures(const LedgerPage& page, ThumbnailQueue& thumbnails);
    void paintFrame(int pageNumber, const QString& subject);
    [[nodiscard]] static double dots(double mm) { return mm * LedgerResolution / 25.4; }
    [[nodiscard]] static QRectF rect(double x, double y, double width, double height)
    {
        return { dots(x), dots(y), dots(width), dots(height) };
    }
    void write(const QRectF& mmRect, double points, int flags, const QString& text, const QColor& colour = Qt::black);
    // One line, cut with "…" to its width.
    void writeLine(const QRectF& mmRect, double points, const QString& text, const QColor& colour = Qt::black);
    void paintChart(double top, double bottom);
    void paintPicture(const QRectF& mmRect, const LedgerPole& pole, const LedgerRow& row, const Thumbnail& thumbnail);
    void note(const QRectF& target, const QString& text);

    QPainter& m_painter;
    const LedgerDay& m_day;
    const LedgerOptions m_options;
    const JudgementLines m_lines;
    const int m_pages;
    QList<LedgerProblem>* m_found;
};

} // namespace norvel
