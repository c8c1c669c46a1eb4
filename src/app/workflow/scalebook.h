#pragma once

#include "analysis/scalecalibration.h"
#include "services/services.h"

#include <QPointF>

#include <optional>

namespace norvel {

// The calibrated scales, one per picture size, as in the program folder's scale file, and the calibration the
// next dragged line makes. The file changes only when a scale is set or taken away; a failure is said.
class ScaleBook {
public:
    explicit ScaleBook(const Services& services);

    // Reads the scale file again; a damaged one is said and leaves no scales.
    void read();
    [[nodiscard]] std::optional<float> scaleFor(QSize pictureSize) const;

    // The next line dragged on the picture sets the scale instead of measuring.
    void startCalibrating() { m_calibrating = true; }
    [[nodiscard]] bool calibrating() const { return m_calibrating; }
    // The line from press to release on a view magnified zoom times at dspRate view pixels to a picture pixel:
    // the length is asked for and checked, and a figure far from the described one confirmed. True when the
    // book changed.
    [[nodiscard]] bool calibrateAlong(
        QPointF press, QPointF release, float zoom, float dspRate, QSize pictureSize, const QString& pictureName);
    // True when the size had a scale and the file no longer holds it.
    [[nodiscard]] bool forget(QSize pictureSize);

private:
    [[nodiscard]] bool save(const ScaleCalibrations& changed);

    Services m_services;
    ScaleCalibrations m_scales;
    bool m_calibrating = false;
};

} // namespace norvel
