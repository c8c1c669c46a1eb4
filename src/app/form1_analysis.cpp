#include "app/form1.h"

#include "analysis/directionestimate.h"
#include "analysis/scanlines.h"
#include "analysis/summary.h"
#include "core/numbers.h"
#include "measure/manualline.h"
#include "widgets/flexgrid.h"
#include "widgets/fullpicture.h"
#include "widgets/palettecolours.h"
#include "widgets/picturebox.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QSignalBlocker>

// The automatic analysis on five scan lines, its settings, and the measurement along a line the user
// drags over the picture.
namespace norvel {

DetectionSettings Form1::detectionSettings() const
{
    return { m_state.bunsekiIndex, Check2->isChecked(), Text2->text(), Check5->isChecked(), Text6->text() };
}

ViewGeometry Form1::viewGeometry() const
{
    return { m_state.DspRate, m_state.Zoom, analysisRange() };
}

void Form1::bunseki_Click(int Index)
{
    m_state.bunsekiIndex = static_cast<qint16>(Index);
    updateActions();
}

void Form1::ScanH_Click(int Index)
{
    m_choices.scan = Index;
    updateActions();
    labelLines(Index == 1 ? ScanDirection::Horizontal : ScanDirection::Vertical);
}

void Form1::labelLines(ScanDirection direction)
{
    const bool horizontal = direction == ScanDirection::Horizontal;
    MSFlexGrid1->setTextMatrix(1, 0, horizontal ? QStringLiteral("上") : QStringLiteral("左"));
    MSFlexGrid1->setTextMatrix(5, 0, horizontal ? QStringLiteral("下") : QStringLiteral("右"));
}

void Form1::Check2_Click()
{
    // With the automatic threshold each run writes its own threshold into the box.
    updateActions();
    if (!Check2->isChecked())
        Text2->setText(QStringLiteral("40"));
}

void Form1::Command2_Click()
{
    const std::optional<AnalysisOutcome> outcome = runAnalysis();
    if (outcome && outcome->measured)
        listAnalysis(*outcome);
    else if (outcome && outcome->entry.across)
        m_listView->showNothingFound();
}

std::optional<Form1::AnalysisOutcome> Form1::runAnalysis()
{
    // A picture size chosen before any picture sets a scale, but there is still nothing to measure; nor is
    // there once the picture's pole or row has gone.
    if (!m_list.picture() || m_state.DspRate == 0)
        return std::nullopt;
    Picture1->clear();
    hideMarkLines();
    showAnalysisRange();
    Picture1->setDrawWidth(1);
    const ScanDirection direction = m_choices.scan == 1 ? ScanDirection::Horizontal : ScanDirection::Vertical;
    return m_choices.acrossCrack ? analyseAcrossCrack(direction, viewGeometry())
                                 : analyseAlongLines(direction, viewGeometry());
}

void Form1::listAnalysis(const AnalysisOutcome& outcome)
{
    if (!m_list.pictureBelongs())
        return;
    const QString width = outcome.measured->width;
    // The inspector's own figure is not replaced unasked; declined, the record still keeps what the analysis found.
    if (const std::optional<QString> kept = m_list.handMeasuredReplacedBy(width);
        kept && !ask(QStringLiteral("修正した値 %1 を分析の値 %2 で置き換えますか？").arg(*kept, width))) {
        MeasurementEntry entry = outcome.entry;
        entry.change = RecordedChange::AnalysisNotApplied;
        m_log.record(entry, m_list.pole(), m_list.day(), m_list.count(), width);
        return;
    }
    if (m_list.measure(*outcome.measured, outcome.entry) && outcome.otherDirection)
        showScannedDirection(*outcome.otherDirection);
}

void Form1::showScannedDirection(ScanDirection scanned)
{
    // The inspector sees which way a picture was measured when it was not the way the menu says.
    soku->setTitle(
        soku->title() + (scanned == ScanDirection::Horizontal ? QStringLiteral("（横）") : QStringLiteral("（縦）")));
}

std::optional<Form1::AnalysisOutcome> Form1::analyseAlongLines(ScanDirection direction, const ViewGeometry& view)
{
    AnalysisResult result;
    try {
        result = analysePicture(Picture2->image(), direction, view, detectionSettings(), calibratedScale());
    } catch (const OverflowError&) {
        // A range left over from another display size can reach past what positions hold; nothing to measure.
        return std::nullopt;
    }
    labelLines(direction); // after a picture measured the other way
    drawRuler(direction, result.pxPerMm, view);
    Picture1->setDrawWidth(2);
    MSFlexGrid1->setCol(1);
    Picture1->setForeColor(palette::brightRed());
    std::array<qint16, 5> widths {};
    std::array<RecordedScanLine, 5> recorded {};
    for (int k = 0; k < 5; ++k) {
        const ScanLineResult& line = result.lines[static_cast<std::size_t>(k)];
        if (Check2->isChecked())
            Text2->setText(line.scan.thresholdText);
        markLine(k, direction, line, view, result.pxPerMm);
        widths[static_cast<std::size_t>(k)] = line.scan.run.width;
        recorded[static_cast<std::size_t>(k)] = { line.fixed, line.scan.run.start, line.scan.run.width };
    }
    AnalysisOutcome outcome;
    outcome.entry = measurementEntry(RecordedChange::Analysis);
    outcome.entry.lines = recorded;
    outcome.entry.pxPerMm = result.pxPerMm;
    outcome.entry.estimated = estimatedDirection(result, direction);
    const WidthSummary summary = summariseWidths(widths, result.pxPerMm);
    if (const std::optional<QString> width = presentCombined(summary.used, summary.combinedMm)) {
        outcome.measured = ResultRow { {}, *width, WidthSource::Analysis };
        outcome.measured->estimated = outcome.entry.estimated;
    }
    return outcome;
}

void Form1::drawRuler(ScanDirection direction, float pxPerMm, const ViewGeometry& view)
{
    for (const QLineF& tick : rulerTicks(direction, pxPerMm, view, Picture1->outerWidth(), Picture1->outerHeight()))
        Picture1->drawLine(tick.p1(), tick.p2(), palette::brightRed());
}

void Form1::markLine(
    int k, ScanDirection direction, const ScanLineResult& line, const ViewGeometry& view, float pxPerMm)
{
    const qint16 width = line.scan.run.width;
    if (width != 0) {
        const RunMark mark = runMark(direction, line.fixed, line.scan.run, view);
        Line2[k]->setLine(mark.line.p1(), mark.line.p2());
        Line2[k]->setVisible(true);
        Picture1->printText(mark.labelTopLeft, millimetreLabel(static_cast<float>(width) / pxPerMm));
    }
    MSFlexGrid1->setTextMatrix(k + 1, 1, QString::number(width));
}

std::optional<QString> Form1::presentCombined(const std::array<bool, 5>& used, std::optional<float> combinedMm)
{
    MSFlexGrid1->setRow(6);
    if (!combinedMm) {
        MSFlexGrid1->setTextMatrix(6, 1, QStringLiteral("-"));
        for (int row = 1; row <= 5; ++row)
            MSFlexGrid1->setCellBackColor(row, 1, palette::brightWhite());
        return std::nullopt;
    }
    const QString width = fixedText(*combinedMm, 2);
    MSFlexGrid1->setTextMatrix(6, 1, width);
    for (int j = 0; j < 5; ++j) {
        const bool inMean = used[static_cast<std::size_t>(j)];
        MSFlexGrid1->setCellBackColor(j + 1, 1, inMean ? palette::brightGreen() : palette::brightWhite());
        Line2[j]->setColor(inMean ? palette::brightGreen() : palette::brightRed());
    }
    MSFlexGrid1->setCellBackColor(6, 1, palette::brightCyan());
    return width;
}

void Form1::startMeasuringLine(QPointF start)
{
    // The line shows from the first move on.
    Line1[0]->setP1(start);
}

void Form1::followMeasuringLine(QPointF end)
{
    Line1[0]->setVisible(true);
    Line1[0]->setP2(end);
}

void Form1::measureLine(double x, double y)
{
    Line1[0]->setVisible(false);
    Line1[0]->setP2(QPointF(x, y));
    if (m_state.DspRate == 0 || !m_list.picture())
        return;
    // The analysis's scale for this picture: a crack reads the same by hand and automatically, whatever the
    // display size and the picture's proportions.
    const float pxPerMm = calibratedScale().value_or(analysisPxPerMm(Picture2->image().width()));
    const QPointF press = Line1[0]->p1();
    const ViewMapping mapping { m_state.DspRate, m_state.Zoom, m_state.BunHX[0], m_state.BunHY[0] };
    std::optional<DraggedLine> line;
    try {
        line = draggedLine(press, QPointF(x, y), mapping);
    } catch (const OverflowError&) {
        // Longer than a line can be sampled: dragged far beyond the picture.
        return;
    }
    if (!line)
        return;
    if (m_scaleBook.calibrating())
        calibrateAlong(press, QPointF(x, y));
    else
        measureDraggedLine(press, *line, pxPerMm);
}

void Form1::measureDraggedLine(QPointF press, const DraggedLine& line, float pxPerMm)
{
    const std::vector<QPointF> points = linePoints(line, m_state.DspRate);
    const Profile profile = samplePoints(Picture2->image(), points, invertsBrightness(m_state.bunsekiIndex));
    const LineScan scan = scanProfile(profile, detectionSettings(), pxPerMm);
    if (Check2->isChecked())
        Text2->setText(scan.thresholdText);
    if (scan.run.width < 1)
        return;

    const float widthMm = static_cast<float>(scan.run.width) / pxPerMm;
    const LineRunMark mark = lineRunMark(press, line, m_state.Zoom, scan.run.start, scan.run.width);
    Picture1->drawLine(mark.segment.p1(), mark.segment.p2(), palette::brightGreen());
    Picture1->setForeColor(palette::brightRed());
    Picture1->printText(mark.labelTopLeft, millimetreLabel(widthMm));
    MeasurementEntry entry = measurementEntry(RecordedChange::ManualLine);
    entry.manual = RecordedManualLine { points.front(), points.back(), line.n, scan.run.start, scan.run.width };
    entry.pxPerMm = pxPerMm;
    const QString width = fixedText(widthMm, 2);
    // With no row to take it, the width is still shown where the inspector looks for it.
    if (!m_list.setByHand(width, WidthSource::DraggedLine, entry))
        m_listView->showWidth(width, palette::brightGreen());
}

} // namespace norvel
