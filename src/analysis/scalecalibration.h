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

// The calibrations of such a text. Nullopt, with a reason in error, for a text that is not one: a line that
// is neither a section, a key=value nor blank; a [scale] key that is not WIDTHxHEIGHT with positive sizes;
// a figure that is not a finite positive number; a key or section twice. Other sections (another program's
// notes) and unknown keys are ignored, and so is a size section without a figure; a date or length that
// cannot be read, like a missing one, stays unset: the figure is what measures.
[[nodiscard]] std::optional<ScaleCalibrations> parseScaleFile(const QByteArray& content, QString* error);

// The program folder's calibrations: none without a file; none, with a message naming the file in error,
// when it cannot be read or is damaged.
[[nodiscard]] ScaleCalibrations readScaleFile(const QString& programFolder, QString* error);

// Replaces the file whole through the durable writer; false, with a message naming the file, on failure.
[[nodiscard]] bool writeScaleFile(const QString& programFolder, const ScaleCalibrations& calibrations, QString* error);

// The calibrated figure for pictures of this size, as a single.
[[nodiscard]] std::optional<float> calibratedPxPerMm(const ScaleCalibrations& calibrations, QSize pictureSize);

// A line of linePx picture pixels dragged along lengthMm of a ruler on a picture of pictureSize, checked:
// a refusal text for a line shorter than MinimumCalibrationLinePx ("…100画素…") or a length outside
// MinimumCalibrationLengthMm..MaximumCalibrationLengthMm ("…0.01…100 mm…"), else empty. pxPerMm is
// linePx / lengthMm, describedPxPerMm the analysis's described scale for that size, differencePercent
// (pxPerMm / described − 1) × 100.
struct CalibrationCheck {
    QString refusal;
    double pxPerMm = 0;
    double describedPxPerMm = 0;
    double differencePercent = 0;
};
[[nodiscard]] CalibrationCheck checkCalibration(double linePx, double lengthMm, QSize pictureSize);

} // namespace norvel
