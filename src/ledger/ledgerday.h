#pragma once

#include <QByteArray>
#include <QLineF>
#include <QList>
#include <QSize>
#include <QString>
#include <QStringList>

#include <optional>

// A survey day as the photo ledger shows it: every pole's rows from its result file, how each width was
// measured and the marks to draw over its picture, taken from the day's measurement record. No widgets.
namespace norvel {

struct MeasurementEntry;

enum class MeasuredHow { Unknown, Automatic, ManualLine, Typed };

// "自動", "手動線", "修正"; empty when the record does not say.
[[nodiscard]] QString measuredHowText(MeasuredHow how);

// A mark over a picture, in picture pixels, with its label ("0.352mm"). counts: the line's width went into
// the row's figure (drawn green); an analysis line left out of the mean is drawn red, as the window does. The
// label goes beside the mark's middle: below a horizontal scan line, right of any other mark.
struct LedgerMark {
    QLineF segment;
    QString label;
    bool counts = true;
    bool labelBelow = false;
    friend bool operator==(const LedgerMark&, const LedgerMark&) = default;
};

struct LedgerRow {
    int row = 0; // counted from 1, as in the result file
    QString width; // the text of the result file
    std::optional<double> widthMm; // the text read as a number, when it is one
    MeasuredHow how = MeasuredHow::Unknown;
    QString picturePath; // empty when the pole folder holds no picture for the row
    QSize pictureSize; // as its header gives it; invalid without a readable picture
    QList<LedgerMark> marks;
};

struct LedgerPole {
    QString pole;
    QList<LedgerRow> rows;
    std::optional<double> widestMm; // of the widths that are numbers
    std::optional<double> meanMm;
};

struct LedgerDay {
    QString folder;
    QString day; // the day folder's name, "20221019"
    QList<LedgerPole> poles;
    int shots = 0; // rows of all poles
    std::optional<double> widestMm;
    QString widestPole; // the first pole in order with the widest crack
};

// A width as a number: the whole text, blanks around it allowed, must be a finite decimal number ("0.35",
// " 1 ", "1e-1"); "0.35mm", "-" and "" are not widths.
[[nodiscard]] std::optional<double> widthNumber(const QString& text);

// Pole order: poles named by a number first, by value (ties by text); then the others by text, runs of
// digits compared as numbers ("A2" before "A10"). Equal names keep their order.
[[nodiscard]] bool poleBefore(const QString& a, const QString& b);

// "要注意" for a width at or above the judgement line, else empty (also for no width).
[[nodiscard]] QString judgementText(std::optional<double> widthMm, double judgementMm);

// The day folder's poles: each subfolder holding its result file "No<pole>CP.csv" (and the day folder
// itself for the pole without a number, "NoCP.csv"). Lines of a result file that are not "i,width" are
// left out. A row's picture is "<pole>_<row>.jpg" in the pole folder.
// The record's entries, in time order, say how a row was measured: the last analysis, dragged line or
// typed correction for its pole and row; clearing and pole changes after it do not matter, since the result
// file says which rows exist. Marks come from the last analysis or dragged line for the row whose picture
// name and size are those of the filed picture, so a record of an older picture under the same name draws
// nothing. Without entries the rows have neither.
// The results still in the window, of the pole in hand, are not in its result file before the pole changes
// or the program ends: given as open, they stand in for that file.
struct OpenResults {
    QString pole;
    QStringList widths; // row 1 first
};
[[nodiscard]] LedgerDay loadLedgerDay(
    const QString& dayFolder, const QList<MeasurementEntry>& entries, const std::optional<OpenResults>& open = std::nullopt);

// "集計_20221019.csv" and "写真台帳_20221019.pdf"
[[nodiscard]] QString summaryCsvFileName(const QString& day);
[[nodiscard]] QString ledgerPdfFileName(const QString& day);

// The day's summary: UTF-8 with a BOM, CR LF, the header row 調査柱No,行数,最大幅mm,平均幅mm,判定 and one line
// per pole in ledger order, widths as "0.00" (empty for a pole without a numeric width).
[[nodiscard]] QByteArray summaryCsv(const LedgerDay& day, double judgementMm);

} // namespace norvel
