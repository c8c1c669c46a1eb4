// The scale file: parseScaleFile takes any bytes (a file a person or another program wrote).
// - a refusal, and only a refusal, gives a reason;
// - what it accepts, written again, reads back as the same calibrations, and every figure is a positive
//   number a single can hold (so no width is measured as zero or infinite);
// - every figure it accepts lies within the bounds for its picture size, and the ruler can be stepped with
//   it at both display sizes and every range (no 16-bit rule throws).
#include "analysis/scalecalibration.h"
#include "analysis/summary.h"
#include "core/numbers.h"
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
    for (auto it = parsed->cbegin(); it != parsed->cend(); ++it) {
        const float figure = static_cast<float>(it->pxPerMm);
        require(std::isfinite(figure) && figure > 0, "every figure measures", QString::number(it->pxPerMm));
        const QStringList sides = it.key().split(u'x');
        const QSize picture(sides.value(0).toInt(), sides.value(1).toInt());
        require(picture.isValid() && scaleSizeKey(picture) == it.key(), "every key is a picture size", it.key());
        require(it->pxPerMm >= MinimumPxPerMm && it->pxPerMm <= largestPxPerMm(picture),
            "every figure is within the bounds for its size", it.key() + u'=' + exactText(it->pxPerMm));
        for (const double rows : { 480.0, 420.0 }) {
            for (const float zoom : { 1.0f, 2.5f, 5.0f }) {
                bool stepped = true;
                try {
                    (void)rulerStep(figure, static_cast<float>(rows / picture.height()), zoom);
                } catch (const OverflowError&) {
                    stepped = false;
                }
                require(stepped, "the ruler steps with every figure", it.key() + u'=' + exactText(it->pxPerMm));
            }
        }
    }
    QString again;
    const std::optional<ScaleCalibrations> reread = parseScaleFile(scaleFileContent(*parsed), &again);
    require(reread == parsed, "accepted calibrations read back the same after writing", shown(again));
    return 0;
}
