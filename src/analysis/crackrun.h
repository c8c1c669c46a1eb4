#pragma once

#include <QString>
#include <QtGlobal>

#include <array>
#include <vector>

// Finding the crack on one line of the picture: brightness on a 0 (black) to 100 (white) scale, the
// threshold below which a pixel belongs to a crack, and the choice of one run of crack pixels. The
// automatic analysis and the manual line both measure through these rules, so they must agree to the
// last pixel with the widths inspectors have filed.
namespace norvel {

// Brightness of a colour: (r + g + b) * 100 / 256 / 3, rounded half to even. The divisor is 256, so
// white reads 100 and (128, 128, 128) exactly 50.
[[nodiscard]] qint16 brightness(int red, int green, int blue);
// The same by the sum of the three bytes, so a pixel reads one table entry.
[[nodiscard]] const std::array<qint16, 766>& brightnessBySum();
// The same for a colour as 0x00BBGGRR; -1 (a point outside the picture) reads as white.
[[nodiscard]] qint16 colourBrightness(qint32 colour);

// Brightness values along one line, indexed by the position along it. Only first..last are filled;
// first > last means an empty line.
struct Profile {
    std::vector<qint16> values;
    int first = 0;
    int last = -1;
    // first (last) is the picture's edge: a run reaching it may go on past the picture, so is no whole crossing.
    bool startsAtEdge = false;
    bool endsAtEdge = false;
};

// What a line scan reads from the window's controls; the texts are read as their leading number.
struct DetectionSettings {
    qint16 method = 1; // 0, 1 width / darkness priority; 2, 3 the same on inverted brightness
    bool autoThreshold = false;
    QString thresholdText = QStringLiteral("40");
    bool limitInForce = true;
    QString limitText = QStringLiteral("1"); // millimetres
};

[[nodiscard]] inline bool invertsBrightness(qint16 method)
{
    return method / 2 == 1;
}
[[nodiscard]] inline bool prefersDarkness(qint16 method)
{
    return method % 2 == 1;
}

struct LineExtremes {
    qint16 smallest = 100;
    qint16 largest = 0;
};
[[nodiscard]] LineExtremes extremes(const Profile& profile);

// The automatic threshold, midway between the extremes, as the shortest text: "45" or "45.5".
[[nodiscard]] QString autoThresholdText(LineExtremes lineExtremes);

// The rules of one run choice, already read from the settings.
struct RunRules {
    double threshold = 40; // a crack pixel is strictly darker
    bool limitInForce = true;
    float limitMm = 1;
    float pxPerMm = 91;
    bool darknessPriority = true;
};

// First position and length of the chosen run; width 0 means no crack on the line.
struct CrackRun {
    qint16 start = 0;
    qint16 width = 0;
    friend bool operator==(const CrackRun&, const CrackRun&) = default;
};

// Of the runs of crack pixels in first..last, the one that stands for the crack. A later run replaces
// the best one only when strictly wider (or strictly darker on average); a best run wider than the limit
// is dropped, a candidate is compared only when strictly narrower than it. A best run still open at the
// end counts as it stands; an open candidate is lost. A run reaching the picture's edge is left out, as though
// it were not there.
[[nodiscard]] CrackRun chooseRun(const Profile& profile, const RunRules& rules);

struct LineScan {
    QString thresholdText; // what the threshold box reads after the scan: rewritten by the automatic threshold
    CrackRun run;
    CrackRun leftOut; // with no run chosen, a run cut by the picture's edge, shown as left out
};

// Threshold, width limit and run choice over an already sampled (and, for methods 2 and 3, inverted)
// profile, with the settings as the window holds them.
[[nodiscard]] LineScan scanProfile(const Profile& profile, const DetectionSettings& settings, float pxPerMm);

} // namespace norvel
