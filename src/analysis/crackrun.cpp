#include "analysis/crackrun.h"

#include "core/numbers.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <vector>

namespace norvel {

namespace {

struct RunSlot {
    bool active = false;
    int start = 0;
    int width = 0; // held wider than the result, so a run over a whole 32767-pixel line cannot wrap
    float level = 0; // sum of brightness while active, mean after
};

float widthMm(const RunSlot& slot, float pxPerMm)
{
    return static_cast<float>(slot.width) / pxPerMm;
}

void end(RunSlot& slot)
{
    slot.active = false;
    slot.level = slot.level / static_cast<float>(slot.width);
}

void begin(RunSlot& slot, int position, qint16 value)
{
    slot.active = true;
    slot.start = position;
    slot.width = 1;
    slot.level = value;
}

} // namespace

const std::array<qint16, 766>& brightnessBySum()
{
    static const std::array<qint16, 766> table = [] {
        std::array<qint16, 766> values {};
        for (int sum = 0; sum < 766; ++sum)
            values[static_cast<std::size_t>(sum)] = nearest(static_cast<double>(sum) * 100 / 256 / 3);
        return values;
    }();
    return table;
}

qint16 brightness(int red, int green, int blue)
{
    return brightnessBySum()[static_cast<std::size_t>(red + green + blue)];
}

qint16 colourBrightness(qint32 colour)
{
    const auto bits = static_cast<quint32>(colour);
    return brightness(
        static_cast<int>(bits & 0xff), static_cast<int>((bits >> 8) & 0xff), static_cast<int>((bits >> 16) & 0xff));
}

LineExtremes extremes(const Profile& profile)
{
    LineExtremes result;
    for (int p = profile.first; p <= profile.last; ++p) {
        const qint16 v = profile.values[static_cast<std::size_t>(p)];
        if (v < result.smallest)
            result.smallest = v;
        if (v > result.largest)
            result.largest = v;
    }
    return result;
}

QString autoThresholdText(LineExtremes lineExtremes)
{
    const int sum = lineExtremes.smallest + lineExtremes.largest;
    return sum % 2 == 0 ? QString::number(sum / 2) : QString::number(sum / 2) + QStringLiteral(".5");
}

CrackRun chooseRun(const Profile& profile, const RunRules& rules)
{
    RunSlot best;
    RunSlot candidate;
    for (int p = profile.first; p <= profile.last; ++p) {
        const qint16 v = profile.values[static_cast<std::size_t>(p)];
        if (v < rules.threshold) {
            if (best.active) {
                ++best.width;
                best.level += static_cast<float>(v);
            } else if (candidate.active) {
                ++candidate.width;
                candidate.level += static_cast<float>(v);
            } else if (best.width != 0) {
                begin(candidate, p, v);
            } else {
                begin(best, p, v);
            }
        } else if (best.active) {
            end(best);
            // A best run wider than the limit is no crack, nor one cut by the picture's edge; the slot is free
            // for the next run.
            const bool cut = profile.startsAtEdge && best.start == profile.first;
            if (cut || (rules.limitInForce && rules.limitMm < widthMm(best, rules.pxPerMm)))
                best.width = 0;
        } else if (candidate.active) {
            end(candidate);
            if (!rules.limitInForce || rules.limitMm > widthMm(candidate, rules.pxPerMm)) {
                const bool better
                    = rules.darknessPriority ? best.level > candidate.level : best.width < candidate.width;
                if (better) {
                    best.start = candidate.start;
                    best.width = candidate.width;
                    best.level = candidate.level;
                }
            }
            candidate.width = 0;
        }
    }
    if (best.active && (profile.endsAtEdge || (profile.startsAtEdge && best.start == profile.first)))
        best.width = 0;
    return { static_cast<qint16>(best.start), static_cast<qint16>(std::min(best.width, 32767)) };
}

namespace {

// The run reaching the picture's edge at either end of the line, if any.
CrackRun edgeRun(const Profile& profile, double threshold)
{
    const auto dark = [&](int p) { return profile.values[static_cast<std::size_t>(p)] < threshold; };
    if (profile.first > profile.last)
        return {};
    int p = profile.first;
    if (profile.startsAtEdge)
        while (p <= profile.last && dark(p))
            ++p;
    if (p > profile.first)
        return { static_cast<qint16>(profile.first), static_cast<qint16>(std::min(p - profile.first, 32767)) };
    p = profile.last;
    if (profile.endsAtEdge)
        while (p >= profile.first && dark(p))
            --p;
    return { static_cast<qint16>(p + 1), static_cast<qint16>(std::min(profile.last - p, 32767)) };
}

} // namespace

LineScan scanProfile(const Profile& profile, const DetectionSettings& settings, float pxPerMm)
{
    LineScan scan;
    if (!settings.autoThreshold)
        scan.thresholdText = settings.thresholdText;
    else
        scan.thresholdText = autoThresholdText(extremes(profile));
    const RunRules rules { leadingNumber(scan.thresholdText), settings.limitInForce,
        static_cast<float>(leadingNumber(settings.limitText)), pxPerMm, prefersDarkness(settings.method) };
    scan.run = chooseRun(profile, rules);
    if (scan.run.width == 0)
        scan.leftOut = edgeRun(profile, rules.threshold);
    return scan;
}

} // namespace norvel
