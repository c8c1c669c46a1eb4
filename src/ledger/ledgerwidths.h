#pragma once

#include "core/crackdirection.h"
#include "settings/programsettings.h"

#include <QString>

#include <array>
#include <optional>

// The widths of a survey day as the ledger reads them from result files, the order its poles are listed in,
// and the judgement against the line set for the ledger.
namespace norvel {

// Widths above this many millimetres, below 0 or not finite are typing slips, not cracks: they are shown
// as typed with "範囲外" but left out of every figure.
inline constexpr double LargestWidthMm = 100;

// A row's width read from its text: a number within 0 to LargestWidthMm, in half or full width ("０．５０");
// outOfRange, when given, tells whether the text is a number outside it ("1e308", "-5", "inf", "nan", "1e999").
[[nodiscard]] std::optional<double> rowWidth(const QString& text, bool* outOfRange = nullptr);

// A width as a number: the whole text, blanks around it allowed, must be a finite decimal number ("0.35",
// " 1 ", "1e-1", "１２"); "0.35mm", "-" and "" are not widths.
[[nodiscard]] std::optional<double> widthNumber(const QString& text);

// Pole order: poles named by a number first, by value (ties by text); then the others by text, runs of
// digits compared as numbers ("A2" before "A10"). Equal names keep their order.
[[nodiscard]] bool poleBefore(const QString& a, const QString& b);

// "要注意" for a width at or above the judgement line, else empty (also for no width).
[[nodiscard]] QString judgementText(std::optional<double> widthMm, double judgementMm);

// The chart's width axis: ticks every step (1, 2 or 5 times a power of ten, about five of them) from 0 up to top,
// a whole number of steps that covers the widest bar and the judgement line with a little room.
struct ChartAxis {
    double top = 0;
    double step = 0;
};
[[nodiscard]] ChartAxis chartAxis(double widestMm, double lineMm);

// The widest crack of a pole in each direction, a crack without a direction under Unknown.
struct DirectionWidths {
    std::array<std::optional<double>, 4> widest; // indexed by CrackDirection

    void add(CrackDirection direction, double widthMm);
    [[nodiscard]] std::optional<double> of(CrackDirection direction) const;
    // The widest of all directions.
    [[nodiscard]] std::optional<double> overall() const;
    // Some direction's widest at or above its own line: the pole is as bad as its worst crack.
    [[nodiscard]] bool marked(const JudgementLines& lines) const;
};

} // namespace norvel
