#pragma once

#include <QString>

#include <optional>

// Which way a crack runs on the pole, as inspection records name it: 横 (transverse, around the pole), 縦
// (longitudinal, along it) or 斜め. A photograph of a standing pole shows a transverse crack level.
namespace norvel {

enum class CrackDirection { Unknown, Transverse, Longitudinal, Oblique };

// "横", "縦", "斜め", or empty for Unknown.
[[nodiscard]] QString crackDirectionName(CrackDirection direction);
// The direction a name stands for; an empty name is Unknown, any other word none.
[[nodiscard]] std::optional<CrackDirection> crackDirectionFromName(const QString& name);

// From the crack's angle on the picture, in degrees from the level: within 30 degrees of the level it is
// transverse, within 30 of the upright longitudinal, else oblique.
[[nodiscard]] CrackDirection crackDirectionOfAngle(double degreesFromLevel);

} // namespace norvel
