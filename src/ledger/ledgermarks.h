#pragma once

#include <QList>

// The marks a measurement drew over its picture, as the ledger draws them again from the record.
namespace norvel {

struct LedgerMark;
struct MeasurementEntry;

// The measuring lines of an analysis or a dragged line in picture pixels, labelled with their widths, and the widest
// place along the crack an analysis across it found, in the colours the window gave them. None for other changes.
[[nodiscard]] QList<LedgerMark> marksOf(const MeasurementEntry& entry);

} // namespace norvel
