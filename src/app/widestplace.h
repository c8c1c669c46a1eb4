#pragma once

#include "results/measurementrecord.h"

#include <QLineF>
#include <QPointF>

#include <optional>

// The widest place along the crack as the window keeps and marks it after an analysis across the crack.
namespace norvel {

struct AcrossAnalysis;
struct ViewGeometry;

// The widest place as the record keeps it, its width to the two decimals a width is listed in; none where the
// analysis listed no width or had no scale to give it in millimetres.
[[nodiscard]] std::optional<RecordedWidest> recordedWidest(const AcrossAnalysis& analysis);

// Its mark in view pixels, and where its label's top left corner goes: beside the mark's second end, clear of the
// labels the scan lines print beside their middles.
struct WidestMark {
    QLineF line;
    QPointF labelTopLeft;
};
[[nodiscard]] WidestMark widestMark(const RecordedWidest& widest, const ViewGeometry& view);

} // namespace norvel
