#pragma once

#include "core/crackdirection.h"

// Which way the analysed crack runs on the pole, as the analysis saw it: offered to the inspector to confirm, and
// what the ledger judges a row by until one is confirmed.
namespace norvel {

enum class ScanDirection;
struct AcrossAnalysis;
struct AnalysisResult;

// Along the scan lines: the straight line fitted by least squares through the run centres (fixed, start + width / 2)
// of the lines that made the combined width, its angle then named by crackDirectionOfAngle. Vertical lines give the
// crack's slope from the level, horizontal ones from the upright. Unknown with fewer than 2 such lines, or when they
// all lie at one fixed coordinate.
[[nodiscard]] CrackDirection estimatedDirection(const AnalysisResult& analysis, ScanDirection direction);

// Across the crack: the mean angle of the kept lines, from the level for columns and from the upright for rows (in the
// direction actually scanned). Unknown without a kept line.
[[nodiscard]] CrackDirection estimatedDirection(const AcrossAnalysis& across);

} // namespace norvel
