#pragma once

#include "core/dayfolder.h"
#include "core/resultfile.h"
#include "ledger/ledgerwidths.h"
#include "results/inspectionfacts.h"
#include "settings/surveyheader.h"

#include <QByteArray>
#include <QDateTime>
#include <QLineF>
#include <QList>
#include <QSize>
#include <QString>
#include <QStringList>

#include <optional>

// A survey day as the photo ledger shows it: every pole's rows from its result file, how each width was
// measured and the marks to draw over its picture, taken from the day's measurement record, and the facts the
// inspector entered for poles and cracks. No widgets.
namespace norvel {

class PreviousInspections;

struct MeasurementEntry;

enum class MeasuredHow { Unknown, Automatic, ManualLine, Typed };

// "自動", "手動線", "修正"; empty when the record does not say.
[[nodiscard]] QString measuredHowText(MeasuredHow how);

// A mark over a picture, in picture pixels, with its label ("0.352mm"). counts: the line's width went into
// the row's figure (drawn green); an analysis line left out of the mean is drawn red, as the window does. An
// analysis measured across the crack marks its kept lines across it, with their widths across, and the widest place
// along the crack (widest: magenta, "最大 0.32mm"). The label goes beside the mark's middle: below the mark of a
// horizontal scan line, right of any other mark; the widest place's beside its second end, below and right.
struct LedgerMark {
    QLineF segment;
    QString label;
    bool counts = true;
    bool labelBelow = false;
    bool widest = false;
    friend bool operator==(const LedgerMark&, const LedgerMark&) = default;
};

struct LedgerRow {
    int row = 0; // counted from 1, as in the result file
    QString width; // the text of the result file
    std::optional<double> widthMm; // the text read as a number, when it is one within 0 to LargestWidthMm
    bool outOfRange = false; // a number, but not a width (below 0, above LargestWidthMm, infinite or nan)
    MeasuredHow how = MeasuredHow::Unknown;
    QString picturePath; // empty when the pole folder holds no picture for the row
    QByteArray pictureFile; // the same path as the file system's bytes
    QString pictureName; // "<pole>_<row>.jpg", as the record names it
    QSize pictureSize; // as its header gives it; invalid without a readable picture
    QString pictureError; // why the picture there cannot be shown; empty when it can be
    QList<LedgerMark> marks;
    // From the record's last analysis of the row: the widest place along the crack it found, when it listed the
    // width the row has (not one typed or dragged over it); and whether it found no width for a row that has none.
    std::optional<double> widestPlaceMm;
    bool nothingFound = false;
    CrackFacts facts; // from the day's 調査情報.csv: the direction judges the width
    // The direction the row's last analysis estimated (a later typed correction or dragged line measures the same
    // crack): the width is judged by it while the facts confirm none.
    CrackDirection estimated = CrackDirection::Unknown;
    // From the record: the camera file's time at the take-in (shotFromCamera), else the take-in's own time; the
    // camera's original kept in the pole folder's 原画像 (its name, empty when not there); whether the last
    // analysis measured across the crack; the scale of the last measurement, in picture pixels per millimetre
    // (0 when the record has none) and whether it was set from a ruler.
    QDateTime shotTime;
    bool shotFromCamera = false;
    QString originalName;
    bool across = false;
    double pxPerMm = 0;
    bool calibrated = false;
    QDate calibrationDate; // of a calibrated scale, when the scale file beside the day folders still holds it
};

// A row's width as the ledger prints it: its text, at most characters of it (see ledgertext::shortened), "検出なし"
// where the last analysis found no width, else "-".
[[nodiscard]] QString rowWidthText(const LedgerRow& row, qsizetype characters);
// " 最大 0.32 mm" to follow the row's width where the analysis that listed it found its widest place; else empty.
[[nodiscard]] QString widestPlaceText(const LedgerRow& row);

struct LedgerPole {
    QString pole;
    QList<LedgerRow> rows;
    std::optional<double> widestMm; // of the widths that are numbers
    std::optional<double> meanMm;
    QString error; // why its result file could not be read; the pole is listed without rows
    PoleFacts facts; // from the day's 調査情報.csv
};

// A file or folder of the day that the ledger could not read, whole or in part, and why. Never left out
// without a word: the cover and the message after the ledger name each one.
struct LedgerProblem {
    QString file; // relative to the day folder ("7/No7CP.csv", "測定記録.csv"); names that are not UTF-8 shown lossily
    QString reason; // Japanese
    friend bool operator==(const LedgerProblem&, const LedgerProblem&) = default;
};

// Rows that the window holds for the day (kept in the program folder's recovery.dat) but that the pole's result file
// lacks, or holds with other widths: measured, not saved, and so not in the ledger.
struct UnsavedRows {
    QString pole;
    int rows = 0;
    friend bool operator==(const UnsavedRows&, const UnsavedRows&) = default;
};

struct LedgerDay {
    QString folder;
    QString day; // the day folder's name, "20221019"
    QList<LedgerPole> poles;
    int shots = 0; // rows of all poles
    std::optional<double> widestMm;
    QString widestPole; // the first pole in order with the widest crack
    int outOfRange = 0; // rows whose width is a number outside 0 to LargestWidthMm
    QList<LedgerProblem> problems; // in the order found: the day folder, the poles in order, the facts, the record,
                                   // the scale file, the recovery file, earlier days' facts
    int unlistedProblems = 0; // found beyond LedgerProblemLimit
    std::optional<UnsavedRows> unsaved;
};

// The most bytes the ledger reads of each kind of file (result files: ResultFileLimitBytes): a record some 400
// bytes a change (read a line at a time), a filed picture a few megabytes.
inline constexpr qint64 RecordFileLimitBytes = qint64(256) * 1024 * 1024;
inline constexpr qint64 LedgerPictureLimitBytes = 64 * 1024 * 1024;
// The rows of all poles of a day: beyond them a result file is named as a problem and not read, so that
// no day of hostile files can fill the memory.
inline constexpr int LedgerRowLimit = 100000;
// Problems beyond this many are counted in LedgerDay::unlistedProblems.
inline constexpr int LedgerProblemLimit = 10000;

// The day folder's poles: each subfolder holding its result file "No<pole>CP.csv" (and the day folder
// itself for the pole without a number, "NoCP.csv"), listed by the names' bytes, hidden ones and names
// that are not UTF-8 included. Blank lines of a result file are left out; other lines that are not
// "i,width" too, but named as a problem with their line numbers. A row's picture is "<pole>_<row>.jpg" in
// the pole folder. A result file or picture that cannot be read (not a regular file, too large, no
// permission) is named in problems with the reason, as is a pole folder with pictures but no result file.
// The record's entries, in time order, say how a row was measured: the last analysis, dragged line or
// typed correction for its pole and row; clearing and pole changes after it do not matter, since the result
// file says which rows exist; the last analysis also gives the direction it estimated. The day's 調査情報.csv gives
// poles and rows their facts; a file that cannot be read, or lines of it, are named in problems and the rows judged as
// cracks of no confirmed direction. Marks come from the last analysis or dragged line for the row whose picture name
// and size are those of the filed picture, so a record of an older picture under the same name draws nothing. Without
// entries the rows have neither.
// The folder holding the day folders (the program folder) gives the calibrations' dates from its scale.ini and, for a
// day folder named by its date, the rows not saved from its recovery.dat (see UnsavedRows); either file there that
// cannot be read is named in problems ("../scale.ini", "../recovery.dat").
[[nodiscard]] LedgerDay loadLedgerDay(const QString& dayFolder, const QList<MeasurementEntry>& entries);

// Rows with a picture that the record gives no scale are taken at the described scale for their size.

// The same with the entries of the day folder's measurement record, read a line at a time; a record that
// cannot be read, or lines of it, are named in problems.
[[nodiscard]] LedgerDay readLedgerDay(const QString& dayFolder);

// The facts files of days before this one that previous could not read, whole or in lines, named in problems after
// the day's own: a pole's previous inspection is looked up without them. A day of the same program folder is named
// from the day folder ("../20221003/調査情報.csv"), one elsewhere by its whole path.
void addPastFactsProblems(LedgerDay& day, const PreviousInspections& previous);

// "未保存の測定があります" says the rows; this line after it names them: "調査柱No「7」の 3 行が…".
inline const QString UnsavedHeadline = QStringLiteral("未保存の測定があります");
[[nodiscard]] QString unsavedText(const UnsavedRows& unsaved);

// A problem as one line of a message: "7/No7CP.csv: 普通のファイルでは…".
[[nodiscard]] QString problemLine(const LedgerProblem& problem);

// "集計_20221019.csv", "ひび割れ_20221019.csv", and "写真台帳_20221019.pdf" of three a page or
// "写真台帳6_20221019.pdf" of six: the two forms of a day live side by side, neither replacing the other.
[[nodiscard]] QString summaryCsvFileName(const QString& day);
[[nodiscard]] QString ledgerPdfFileName(const QString& day, LedgerForm form = LedgerForm::ThreePerPage);
[[nodiscard]] QString crackCsvFileName(const QString& day);
// Whether a file's name is one of those, of any day.
[[nodiscard]] bool isLedgerFileName(const QString& name);

} // namespace norvel
