#include "analysis/directionestimate.h"

#include "analysis/acrosscrack.h"
#include "analysis/summary.h"

#include <cmath>
#include <numbers>
#include <optional>
#include <vector>

namespace norvel {

namespace {

double degrees(double radians)
{
    return radians * 180 / std::numbers::pi;
}

// An angle measured against the lines: from the level where they are columns, from the upright where they are rows.
CrackDirection fromLines(double degreesFromLines, ScanDirection scanned)
{
    return crackDirectionOfAngle(
        scanned == ScanDirection::Horizontal ? 90 - std::abs(degreesFromLines) : degreesFromLines);
}

// The slope of the least-squares line through the points (fixed, centre); none where the fixed coordinates do not
// differ.
std::optional<double> fittedSlope(const std::vector<std::pair<double, double>>& points)
{
    if (points.size() < 2)
        return std::nullopt;
    double meanFixed = 0;
    double meanCentre = 0;
    for (const auto& [fixed, centre] : points) {
        meanFixed += fixed;
        meanCentre += centre;
    }
    meanFixed /= static_cast<double>(points.size());
    meanCentre /= static_cast<double>(points.size());
    double spread = 0;
    double together = 0;
    for (const auto& [fixed, centre] : points) {
        spread += (fixed - meanFixed) * (fixed - meanFixed);
        together += (fixed - meanFixed) * (centre - meanCentre);
    }
    if (spread <= 0)
        return std::nullopt;
    return together / spread;
}

} // namespace

CrackDirection estimatedDirection(const AnalysisResult& analysis, ScanDirection direction)
{
    std::array<qint16, 5> widths {};
    for (std::size_t k = 0; k < 5; ++k)
        widths[k] = analysis.lines[k].scan.run.width;
    // Only which lines are used matters here, not the width in millimetres.
    const WidthSummary summary = summariseWidths(widths, 1);
    std::vector<std::pair<double, double>> centres;
    for (std::size_t k = 0; k < 5; ++k) {
        if (!summary.used[k])
            continue;
        const CrackRun& run = analysis.lines[k].scan.run;
        centres.emplace_back(analysis.lines[k].fixed, run.start + run.width / 2.0);
    }
    const std::optional<double> slope = fittedSlope(centres);
    return slope ? fromLines(degrees(std::atan(*slope)), direction) : CrackDirection::Unknown;
}

CrackDirection estimatedDirection(const AcrossAnalysis& across)
{
    double sum = 0;
    int kept = 0;
    for (const AcrossLine& line : across.lines) {
        if (line.kept) {
            sum += line.angleDegrees;
            ++kept;
        }
    }
    return kept > 0 ? fromLines(sum / kept, across.scanned) : CrackDirection::Unknown;
}

} // namespace norvel
