#include "ledger/ledgermarks.h"

#include "analysis/acrosscrack.h"
#include "analysis/summary.h"
#include "ledger/ledgerday.h"
#include "results/measurementrecord.h"

#include <algorithm>

namespace norvel {

namespace {

QString widthLabel(int width, float pxPerMm)
{
    return pxPerMm > 0 ? millimetreLabel(static_cast<float>(width) / pxPerMm) : QString();
}

qint16 clampedWidth(int width)
{
    return static_cast<qint16>(std::clamp(width, 0, 32767));
}

QLineF alongSegment(const RecordedScanLine& line, bool horizontal)
{
    return horizontal ? QLineF(line.start, line.position, line.start + line.width, line.position)
                      : QLineF(line.position, line.start, line.position, line.start + line.width);
}

// An analysis measured across the crack, drawn as the window drew it: a kept line's mark across the crack,
// labelled with its width across and green when that entered the mean; a line off the crack's path its run along
// the line in whole pixels, red. The lines are those of the direction scanned, which may not be the menu's.
void addAcrossMarks(const MeasurementEntry& entry, const RecordedAcross& across, QList<LedgerMark>& marks)
{
    const std::array<RecordedScanLine, 5>& lines = *entry.lines;
    std::array<AcrossLine, 5> kept;
    std::array<double, 5> widths {};
    for (std::size_t k = 0; k < 5; ++k) {
        const RecordedAcrossLine& line = across.lines[k];
        if (lines[k].width <= 0 || !line.kept)
            continue;
        AcrossLine& measured = kept[k];
        measured.found = true;
        measured.kept = true;
        measured.edges = { line.centre - line.along / 2, line.centre + line.along / 2 };
        measured.angleDegrees = line.angleDegrees;
        measured.spreadDegrees = line.spreadDegrees;
        widths[k] = kept[k].across();
    }
    const FractionalSummary summary = summariseFractionalWidths(widths, entry.pxPerMm);
    const ScanDirection scanned = across.horizontal ? ScanDirection::Horizontal : ScanDirection::Vertical;
    const auto label = [&entry](double px) {
        return entry.pxPerMm > 0 ? millimetreLabel(static_cast<float>(px / entry.pxPerMm)) : QString();
    };
    for (std::size_t k = 0; k < 5; ++k) {
        if (lines[k].width <= 0)
            continue;
        if (kept[k].kept)
            marks.append({ acrossSegment(scanned, lines[k].position, kept[k]), label(widths[k]), summary.used[k],
                across.horizontal });
        else
            marks.append({ alongSegment(lines[k], across.horizontal), widthLabel(lines[k].width, entry.pxPerMm), false,
                across.horizontal });
    }
}

} // namespace

QList<LedgerMark> marksOf(const MeasurementEntry& entry)
{
    QList<LedgerMark> marks;
    if (entry.lines && entry.across) {
        addAcrossMarks(entry, *entry.across, marks);
        if (const std::optional<RecordedWidest>& widest = entry.across->widest)
            marks.append({ widest->across, widestLabel(widest->mm), false, false, true });
    } else if (entry.lines) {
        std::array<qint16, 5> widths {};
        for (std::size_t k = 0; k < 5; ++k)
            widths[k] = clampedWidth((*entry.lines)[k].width);
        const WidthSummary summary = summariseWidths(widths, entry.pxPerMm);
        for (std::size_t k = 0; k < 5; ++k) {
            const RecordedScanLine& line = (*entry.lines)[k];
            if (line.width <= 0)
                continue;
            marks.append({ alongSegment(line, entry.horizontal), widthLabel(line.width, entry.pxPerMm), summary.used[k],
                entry.horizontal });
        }
    }
    if (entry.manual && entry.manual->steps > 0 && entry.manual->width > 0) {
        const RecordedManualLine& line = *entry.manual;
        const QPointF step = (line.to - line.from) / line.steps;
        const QLineF segment(line.from + step * line.start, line.from + step * (line.start + line.width));
        marks.append({ segment, widthLabel(line.width, entry.pxPerMm), true, false });
    }
    return marks;
}

} // namespace norvel
