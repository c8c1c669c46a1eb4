#pragma once

#include <QByteArray>
#include <QDate>
#include <QMap>
#include <QSize>
#include <QString>

#include <optional>

// The scale of a microscope set from a photograph of a ruler: picture pixels per millimetre, one figure per
// picture size, kept in "scale.ini" in the program folder. A size without a figure is measured with the
// described scale. No widgets.
namespace norvel {

inline const QString ScaleFileName = QStringLiteral("scale.ini");

// The shortest calibration line and the lengths a ruler can be read at.
constexpr double MinimumCalibrationLinePx = 100;
constexpr double MinimumCalibrationLengthMm = 0.01;
constexpr double MaximumCalibrationLengthMm = 100;

// The scales a microscope photograph can have, in picture pixels per millimetre. Outside them a figure is
// a typing error or damage, and is refused wherever it comes from (the file, a calibration).
//
// Lowest, 1: a pixel a millimetre wide is no microscope, and it is what the longest line along the shortest
// length gives (100 px over 100 mm). No 16-bit rule bounds it from below, the figure only divides there (at
// 1 a run of at most 32767 px reads at most 32767 mm); far below it, 1e-40 reads every width as infinite.
//
// Highest, 20000 (50 nm a pixel, finer than light can resolve). The one 16-bit rule the figure enters is
// the ruler's step, nearest(figure × dspRate / 10) view pixels at zoom 1 and nearest(figure × dspRate ×
// zoom / 100) at zoom 2.5 and 5 (at most figure × dspRate / 20), where dspRate is at most 480 / height at
// the larger display size and 420 / height at the smaller one (less for pictures wider than 4:3, which the
// width fits). The step must round to at most 32767, so
// figure < 32767.5 × 10 × height / 480 = 682.66 × height. The marks, the labels and a dragged line are
// drawn from run widths × dspRate × zoom and widths / figure: no position depends on the figure.
// At the largest picture the loader accepts (32767 rows, PictureMaxSide) this allows 22.4 million px/mm and
// 20000 gives a step of 29 px; the limit falls with the height, and 20000 fits every picture of 30 rows or
// more (682.66 × 30 = 20479). Pictures of 1 to 29 rows, which the loader takes too, have the lower limit
// of largestPxPerMm().
constexpr double MinimumPxPerMm = 1;
constexpr double MaximumPxPerMm = 20000;

struct ScaleCalibration {
    double pxPerMm = 0;
    QDate date; // when it was set
    double lengthMm = 0; // the reference length the line was dragged along
    QString picture; // the file name of the ruler's picture; may be empty
    friend bool operator==(const ScaleCalibration&, const ScaleCalibration&) = default;
};

// Keyed by scaleSizeKey: "2592x1944".
using ScaleCalibrations = QMap<QString, ScaleCalibration>;

[[nodiscard]] QString scaleSizeKey(QSize size);

// The INI text: a section [scale] with one key per size, "2592x1944=368.55" (C locale, the shortest text
// that reads back as the same double), then per size a section [2592x1944] with date=yyyy-MM-dd,
// lengthMm=<double> and picture=<name>. CR LF line ends, UTF-8.
[[nodiscard]] QByteArray scaleFileContent(const ScaleCalibrations& calibrations);

// The largest figure the ruler can be drawn with for pictures of this size at either display size and every
// magnification: MaximumPxPerMm, or less for pictures fewer than 30 rows high; a whole number there.
[[nodiscard]] double largestPxPerMm(QSize pictureSize);

// Why a figure cannot be the scale of pictures of this size (Japanese, naming figureText, as written or
// shown), or empty: outside MinimumPxPerMm..largestPxPerMm(pictureSize), NaN included.
[[nodiscard]] QString scaleFigureRefusal(double pxPerMm, QSize pictureSize, const QString& figureText);

// The calibrations of such a text. Nullopt, with a reason in error, for a text that is not one: a line that
// is neither a section, a key=value nor blank; a [scale] key that is not WIDTHxHEIGHT with positive sizes;
// a figure that is not a number, or one scaleFigureRefusal refuses; a key or section twice. Other sections (another
// program's notes) and unknown keys are ignored, and so is a size section without a figure; a date or length that
// cannot be read, like a missing one, stays unset: the figure is what measures.
[[nodiscard]] std::optional<ScaleCalibrations> parseScaleFile(const QByteArray& content, QString* error);

// Larger scale files are refused unread: one holds a few lines a picture size.
constexpr qint64 ScaleFileLimitBytes = 256 * 1024;

// The program folder's calibrations: none without a file; none, with a message naming the file in error,
// when it cannot be read, is damaged, or is no regular file of at most ScaleFileLimitBytes (a pipe or a
// device is not waited for or read).
[[nodiscard]] ScaleCalibrations readScaleFile(const QString& programFolder, QString* error);

// Replaces the file whole through the durable writer; false, with a message naming the file, on failure.
[[nodiscard]] bool writeScaleFile(const QString& programFolder, const ScaleCalibrations& calibrations, QString* error);

// The calibrated figure for pictures of this size, as a single.
[[nodiscard]] std::optional<float> calibratedPxPerMm(const ScaleCalibrations& calibrations, QSize pictureSize);

// A line of linePx picture pixels dragged along lengthMm of a ruler on a picture of pictureSize, checked:
// a refusal text for a line shorter than MinimumCalibrationLinePx ("…100画素…"), a length outside
// MinimumCalibrationLengthMm..MaximumCalibrationLengthMm ("…0.01…100 mm…") or a figure the scale file
// would refuse (scaleFigureRefusal), else empty. pxPerMm is linePx / lengthMm, describedPxPerMm the
// analysis's described scale for that size, differencePercent (pxPerMm / described − 1) × 100. question,
// for a figure that is not refused but more than twice or less than half the described one, asks whether
// to calibrate with it all the same; empty otherwise.
struct CalibrationCheck {
    QString refusal;
    double pxPerMm = 0;
    double describedPxPerMm = 0;
    double differencePercent = 0;
    QString question;
};
[[nodiscard]] CalibrationCheck checkCalibration(double linePx, double lengthMm, QSize pictureSize);

// The ruler length typed into the calibration: the whole text, blanks around it aside, as a decimal number
// (full-width forms too, as halfWidthNumberText reads them); nullopt for anything else.
[[nodiscard]] std::optional<double> typedLengthMm(const QString& text);

// checkCalibration for a typed length; a text that is no number is refused as such ("…数字…").
[[nodiscard]] CalibrationCheck checkTypedCalibration(double linePx, const QString& lengthText, QSize pictureSize);

} // namespace norvel
