#pragma once

#include "core/crackdirection.h"

#include <QByteArray>
#include <QDate>
#include <QDateTime>
#include <QIODevice>
#include <QLineF>
#include <QList>
#include <QPointF>
#include <QSize>
#include <QString>

#include <array>
#include <functional>
#include <optional>

// The measurement record of a survey day: one line for every change of the result list, saying what
// produced the figure (settings, range, scan lines or the dragged line, scale), so that a width questioned
// later can be traced and drawn again. A CSV file in the day folder, UTF-8 with a BOM, CR LF, one header
// row; lines are only ever appended.
namespace norvel {

inline const QString MeasurementRecordFileName = QStringLiteral("測定記録.csv");

enum class RecordedChange {
    TakeInAnalysis, // a shot from the camera folder taken in and analysed
    Analysis, // the analysis run by hand on the picture on screen
    ManualLine, // a width measured along a dragged line
    TypedCorrection, // a width typed into the correction box
    RowCleared,
    AllCleared,
    CopiedAndCleared,
    PoleChanged, // a pole change that wrote the list to its result file and emptied it; the result names the pole
                 // entered
    ShutDown, // the shut-down wrote the list to its result file and emptied it
    PoleResumed, // a pole entered again brought its rows of the day back from its result file; row: how many
    RowSetAside, // the last row cleared: gone from the list and the result file, its pictures moved to 取消
    Undone, // the rows of the last clear brought back, with their pictures; row: the first of them
    AnalysisNotApplied, // an analysis whose width the inspector declined in favour of the typed or dragged one
};
inline constexpr RecordedChange LastRecordedChange = RecordedChange::AnalysisNotApplied;

// One scan line of an analysis, in picture pixels: its fixed coordinate (a column for vertical lines, a row
// for horizontal ones), and the crack run found on it (width 0: none).
struct RecordedScanLine {
    int position = 0;
    int start = 0;
    int width = 0;
    friend bool operator==(const RecordedScanLine&, const RecordedScanLine&) = default;
};

// A dragged line in picture pixels: its first and last sample, the number of steps between them, and the
// crack run found on it, counted in samples (width 0: none).
struct RecordedManualLine {
    QPointF from;
    QPointF to;
    int steps = 0;
    int start = 0;
    int width = 0;
    friend bool operator==(const RecordedManualLine&, const RecordedManualLine&) = default;
};

// One scan line measured across the crack: its run to a fraction of a pixel along the line, the angle between the
// crack's normal and the line, whether it lay on the crack's path, and how far its two edges' angles part.
struct RecordedAcrossLine {
    double along = 0; // picture pixels along the line
    double centre = 0; // the run's centre along the line
    double angleDegrees = 0;
    bool kept = false;
    double spreadDegrees = 0; // the end edge's angle less the start edge's: 0 where the crack runs straight
    friend bool operator==(const RecordedAcrossLine&, const RecordedAcrossLine&) = default;
};
// The widest place along the followed crack: its width in millimetres, to the two decimals a width is listed in,
// and its mark from edge to edge across the crack in picture pixels.
struct RecordedWidest {
    double mm = 0;
    QLineF across;
    friend bool operator==(const RecordedWidest&, const RecordedWidest&) = default;
};
// The widest place's label over the picture, in the window and in the ledger alike: "最大 0.32mm".
[[nodiscard]] QString widestLabel(double mm);
struct RecordedAcross {
    bool horizontal = false; // the direction actually scanned, which may differ from the menu's
    std::array<RecordedAcrossLine, 5> lines;
    std::optional<RecordedWidest> widest = std::nullopt; // only where the analysis listed a width
    friend bool operator==(const RecordedAcross&, const RecordedAcross&) = default;
};

struct MeasurementEntry {
    QDateTime time;
    QString pole; // in force after the change
    int row = 0; // the row changed, counted from 1; 0 for changes of the whole list
    RecordedChange change = RecordedChange::Analysis;
    QString picture; // file name as filed (or as opened / as the camera named it); empty for none
    QSize pictureSize; // invalid for none
    // The analysis settings in force.
    int method = 1; // 0 to 3
    bool horizontal = false;
    QString threshold; // the threshold text as used
    bool autoThreshold = false;
    bool widthLimitOn = true;
    QString widthLimit; // the text of the limit box
    QString displaySize; // "640*480" or "560*420"
    std::array<int, 2> rangeX { 0, 0 }; // left edge and width, unmagnified display pixels
    std::array<int, 2> rangeY { 0, 0 }; // top edge and height
    float zoom = 1;
    float dspRate = 0; // display pixels per picture pixel
    // Analyses only; measured across the crack, the runs of the direction actually scanned.
    std::optional<std::array<RecordedScanLine, 5>> lines;
    float pxPerMm = 0; // picture pixels per millimetre used; 0 when nothing was measured
    bool calibrated = false; // pxPerMm is a scale set from a ruler, not the described one
    std::optional<RecordedManualLine> manual; // manual lines only
    QString result; // the row's text after the change; empty for a removed row
    // Take-ins only: the shot's name in the camera folder and its modification time.
    QString cameraFile;
    QDateTime cameraModified;
    std::optional<RecordedAcross> across; // analyses measured across the crack only
    CrackDirection estimated = CrackDirection::Unknown; // the crack's direction as the analysis saw it
    // Take-ins only: the kept original's name in the pole folder's 原画像, empty when none was kept; nullopt for a
    // line written before it was recorded, whose original can only be guessed from the camera's name.
    std::optional<QString> original = QString();
    friend bool operator==(const MeasurementEntry&, const MeasurementEntry&) = default;
};

// The word the record uses for each kind of change ("取込分析", "手動線", ...).
[[nodiscard]] QString recordedChangeName(RecordedChange change);
[[nodiscard]] std::optional<RecordedChange> recordedChangeFromName(const QString& name);

// The BOM and the header row, CR LF included: what a new file starts with.
[[nodiscard]] QByteArray measurementRecordHeader();
// One entry as a CSV line in UTF-8, ended by CR LF; fields with a comma, a quote or a line break quoted.
[[nodiscard]] QByteArray measurementRecordLine(const MeasurementEntry& entry);

// Reading a record: lines end with CR LF or LF alike. A line that is not valid UTF-8 is read as Shift_JIS
// (CP932), as a spreadsheet program saves the file back, and a time may also be in its form
// ("2024/5/1 9:30", "2024/5/1 9:30:15"). A quoted field may run over several lines only when the line
// so made is an entry: otherwise a stray quote costs its own line and reading goes on at the next one.
// Lines that cannot be read (cut short by a crash, edited by hand) are counted and left out, and the
// first MaxListedUnreadableLines of their numbers are kept (the header is line 1).
inline constexpr int MaxListedUnreadableLines = 1000;
// A line (with the lines its quoted fields run over) longer than this is not an entry.
inline constexpr qsizetype MaxRecordLineBytes = 1024 * 1024;

struct MeasurementRecordLines {
    int unreadableLines = 0;
    QList<qint64> unreadableLineNumbers; // in file order, at most MaxListedUnreadableLines
    QString error; // Japanese: the file could not be read to its end (the entries before were given)
};

// The entries of a record file, in file order.
struct MeasurementRecordRead {
    QList<MeasurementEntry> entries;
    int unreadableLines = 0;
    QList<qint64> unreadableLineNumbers;
};
[[nodiscard]] MeasurementRecordRead readMeasurementRecord(const QByteArray& content);

// The same read line by line from an open device, at most size bytes of it, each entry handed to take as
// it is read: memory does not grow with the file.
[[nodiscard]] MeasurementRecordLines readMeasurementRecord(
    QIODevice& device, qint64 size, const std::function<void(MeasurementEntry&&)>& take);

// "3, 7–9, 12 行目" for line numbers in order; at most limit of them named, then "ほか n 行" for the count
// beyond those named.
[[nodiscard]] QString lineNumbersText(const QList<qint64>& numbers, int count, int limit = 20);

[[nodiscard]] QString measurementRecordPath(const QString& programFolder, const QDate& day);

} // namespace norvel
