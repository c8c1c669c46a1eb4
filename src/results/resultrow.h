#pragma once

#include "core/crackdirection.h"

#include <QString>

// One row of a pole's result list: what the grid shows, the result file holds and the recovery record keeps.
namespace norvel {

// How a row's width came to be. A row read back from its result file says no more than its text.
enum class WidthSource {
    Unknown, // read back from the result file, or kept by an older program
    TakeIn, // the analysis of a shot as it was taken in (or none, when it found no crack)
    Analysis, // the analysis run again on the picture on screen
    DraggedLine, // measured along a line dragged across the crack
    Typed, // typed into the correction box
};

struct ResultRow {
    QString number {}; // the first column: empty on a shot's row until an analysis numbers it
    QString width {}; // the second, as shown and filed
    WidthSource source = WidthSource::Unknown;
    bool acrossCrack = false; // the width was measured across the crack's path
    QString picture {}; // the filed picture's name in the pole folder; empty when none was filed
    QString original {}; // the kept camera original's name in the pole folder's 原画像; empty when none
    CrackDirection estimated = CrackDirection::Unknown; // the way the analysis saw the crack run
    friend bool operator==(const ResultRow&, const ResultRow&) = default;
};

// Typed and dragged widths are the inspector's own judgement: an analysis does not replace them unasked.
[[nodiscard]] inline bool isHandMeasured(WidthSource source)
{
    return source == WidthSource::Typed || source == WidthSource::DraggedLine;
}

} // namespace norvel
