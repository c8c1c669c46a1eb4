#include "app/form1.h"

#include "analysis/acrosscrack.h"
#include "analysis/directionestimate.h"
#include "analysis/summary.h"
#include "app/widestplace.h"
#include "core/numbers.h"
#include "measure/range.h"
#include "widgets/flexgrid.h"
#include "widgets/fullpicture.h"
#include "widgets/palettecolours.h"
#include "widgets/picturebox.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QMenu>

// The analysis across the crack: the same five lines, their runs turned across the crack's path, and the marks
// drawn across it.
namespace norvel {

std::optional<Form1::AnalysisOutcome> Form1::analyseAcrossCrack(ScanDirection direction, const ViewGeometry& view)
{
    AcrossAnalysis analysis;
    try {
        analysis = analyseAcross(Picture2->image(), direction, view, detectionSettings(), calibratedScale());
    } catch (const OverflowError&) {
        return std::nullopt; // as for the analysis along the lines
    }
    const float pxPerMm = analysis.analysis.pxPerMm;
    labelLines(analysis.scanned);
    drawRuler(analysis.scanned, pxPerMm, view);
    Picture1->setDrawWidth(2);
    MSFlexGrid1->setCol(1);
    Picture1->setForeColor(palette::brightRed());
    for (int k = 0; k < 5; ++k) {
        if (Check2->isChecked())
            Text2->setText(analysis.analysis.lines[static_cast<std::size_t>(k)].scan.thresholdText);
        markAcrossLine(k, analysis, view);
    }
    AnalysisOutcome outcome;
    outcome.entry = acrossEntry(analysis);
    if (outcome.entry.across->widest)
        markWidest(*outcome.entry.across->widest, view);
    outcome.entry.estimated = estimatedDirection(analysis);
    if (const std::optional<QString> width = presentCombined(analysis.used, analysis.combinedMm)) {
        outcome.measured = ResultRow { {}, *width, WidthSource::Analysis };
        outcome.measured->acrossCrack = true;
        outcome.measured->estimated = outcome.entry.estimated;
        if (analysis.otherDirection)
            outcome.otherDirection = analysis.scanned;
    }
    return outcome;
}

void Form1::markAcrossLine(int k, const AcrossAnalysis& analysis, const ViewGeometry& view)
{
    const auto index = static_cast<std::size_t>(k);
    const ScanLineResult& found = analysis.analysis.lines[index];
    const AcrossLine& line = analysis.lines[index];
    const float pxPerMm = analysis.analysis.pxPerMm;
    if (!line.found) {
        MSFlexGrid1->setTextMatrix(k + 1, 1, QStringLiteral("0"));
        return;
    }
    if (!line.kept) {
        // Off the crack's path, or cut by the picture's edge: marked along its line, as found, and left out.
        ScanLineResult shown = found;
        if (shown.scan.run.width == 0)
            shown.scan.run = shown.scan.leftOut;
        markLine(k, analysis.scanned, shown, view, pxPerMm);
        return;
    }
    const ViewMapping mapping { view.dspRate, view.zoom, view.range.x[0], view.range.y[0] };
    const QLineF segment = acrossSegment(analysis.scanned, found.fixed, line);
    const QPointF from = imageToView(mapping, segment.p1());
    const QPointF to = imageToView(mapping, segment.p2());
    Line2[k]->setLine(from, to);
    Line2[k]->setVisible(true);
    const QPointF middle = (from + to) / 2;
    const QPointF labelTopLeft
        = middle + (analysis.scanned == ScanDirection::Horizontal ? QPointF(0, 5) : QPointF(5, 0));
    Picture1->printText(labelTopLeft, millimetreLabel(static_cast<float>(line.across() / pxPerMm)));
    MSFlexGrid1->setTextMatrix(k + 1, 1, fixedText(line.across(), 1));
}

void Form1::markWidest(const RecordedWidest& widest, const ViewGeometry& view)
{
    // Apart from the kept lines' green and the left-out lines' red: the place the inspector files.
    const WidestMark mark = widestMark(widest, view);
    Picture1->drawLine(mark.line.p1(), mark.line.p2(), palette::brightMagenta());
    Picture1->setForeColor(palette::brightMagenta());
    Picture1->printText(mark.labelTopLeft, widestLabel(widest.mm));
    Picture1->setForeColor(palette::brightRed());
}

MeasurementEntry Form1::acrossEntry(const AcrossAnalysis& analysis) const
{
    MeasurementEntry entry = measurementEntry(RecordedChange::Analysis);
    std::array<RecordedScanLine, 5> recorded {};
    for (std::size_t k = 0; k < 5; ++k) {
        const ScanLineResult& line = analysis.analysis.lines[k];
        recorded[k] = { line.fixed, line.scan.run.start, line.scan.run.width };
    }
    entry.lines = recorded;
    entry.pxPerMm = analysis.analysis.pxPerMm;
    RecordedAcross across;
    across.horizontal = analysis.scanned == ScanDirection::Horizontal;
    for (std::size_t k = 0; k < 5; ++k) {
        const AcrossLine& line = analysis.lines[k];
        if (line.found)
            across.lines[k] = { line.along(), line.centre(), line.angleDegrees, line.kept, line.spreadDegrees };
    }
    across.widest = recordedWidest(analysis);
    entry.across = across;
    return entry;
}

} // namespace norvel
