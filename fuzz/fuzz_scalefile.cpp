// The scale file: parseScaleFile takes any bytes (a file a person or another program wrote).
// - a refusal, and only a refusal, gives a reason;
// - what it accepts, written again, reads back as the same calibrations, and every figure is a positive
//   number a single can hold (so no width is measured as zero or infinite).
#include "analysis/scalecalibration.h"
#include "fuzzcheck.h"

#include <cmath>
#include <cstdint>
#include <limits>

using namespace norvel;
using norvel::fuzz::require;
using norvel::fuzz::shown;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    QString error;
    const std::optional<ScaleCalibrations> parsed = parseScaleFile(bytes, &error);
    require(parsed.has_value() == error.isEmpty(), "a refusal, and only a refusal, gives a reason",
        shown(QString::fromLatin1(bytes)) + QStringLiteral(" error ") + shown(error));
    if (!parsed)
        return 0;
    for (const ScaleCalibration& calibration : *parsed) {
        const float figure = static_cast<float>(calibration.pxPerMm);
        require(std::isfinite(figure) && figure > 0, "every figure measures", QString::number(calibration.pxPerMm));
    }
    QString again;
    const std::optional<ScaleCalibrations> reread = parseScaleFile(scaleFileContent(*parsed), &again);
    require(reread == parsed, "accepted calibrations read back the same after writing", shown(again));
    return 0;
}
