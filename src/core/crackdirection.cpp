#include "core/crackdirection.h"

#include <cmath>

namespace norvel {

QString crackDirectionName(CrackDirection direction)
{
    switch (direction) {
    case CrackDirection::Transverse:
        return QStringLiteral("横");
    case CrackDirection::Longitudinal:
        return QStringLiteral("縦");
    case CrackDirection::Oblique:
        return QStringLiteral("斜め");
    case CrackDirection::Unknown:
        break;
    }
    return {};
}

std::optional<CrackDirection> crackDirectionFromName(const QString& name)
{
    for (const CrackDirection direction :
        { CrackDirection::Unknown, CrackDirection::Transverse, CrackDirection::Longitudinal, CrackDirection::Oblique })
        if (crackDirectionName(direction) == name)
            return direction;
    return std::nullopt;
}

CrackDirection crackDirectionOfAngle(double degreesFromLevel)
{
    if (!std::isfinite(degreesFromLevel))
        return CrackDirection::Unknown;
    // Folded to 0..90: a crack has no sense of direction.
    double angle = std::fmod(std::abs(degreesFromLevel), 180.0);
    if (angle > 90)
        angle = 180 - angle;
    if (angle <= 30)
        return CrackDirection::Transverse;
    if (angle >= 60)
        return CrackDirection::Longitudinal;
    return CrackDirection::Oblique;
}

} // namespace norvel
