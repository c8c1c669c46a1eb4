#pragma once

#include "analysis/scanlines.h"

#include <QImage>
#include <QPointF>
#include <QSize>

#include <vector>

// Close-ups of a crack in concrete drawn with their truth known exactly: the width across the crack, its
// direction and its bend. The tests and benchmarks of the measuring core hold the measurement against it.
namespace norvel {

// A dark blot on the concrete: a speck away from the crack, darker than the crack so that a line crossing it takes
// it, or an air void, lighter or darker, anywhere.
struct Speck {
    QPointF centre;
    double radius = 4;
    double level = 8; // brightness
};

// What is drawn. The crack passes through the picture's centre. Its direction is given against the lines it is
// meant for, in their own coordinates (fixed, along): it runs along (cos a, sin a), so a is the angle between its
// normal and those lines, positive when the crack moves forward along them as the fixed coordinate grows.
struct CrackScene {
    QSize size { 640, 480 };
    double widthMm = 0.2; // across the crack, in picture pixels by analysisPxPerMm of the width
    ScanDirection crossedBy = ScanDirection::Vertical;
    double angleDegrees = 0;
    double radiusPx = 0; // the circle the crack follows, its centre on the normal's side when positive; 0 straight
    double blurSigma = 0; // of the edges in pixels; 0: a pixel is darkened by the share of it the crack covers
    double background = 70; // brightness of the concrete, 0 black..100 white
    double texture = 3; // amplitude of its blotches
    double noise = 1; // standard deviation of the sensor's noise
    double core = 15; // brightness of the crack where nothing of the concrete shows
    std::vector<Speck> specks;
    unsigned seed = 1;
    // A kink: kinkAlongPx from the picture's centre in the crack's direction, a straight crack turns by kinkDegrees
    // towards its normal's side, so the arm past it runs at angleDegrees + kinkDegrees. Not with a bend.
    double kinkAlongPx = 0;
    double kinkDegrees = 0;
    // Pores: this many small dark holes scattered over the concrete, drawn from their own random numbers.
    int pores = 0;
    // Where the crack lies further than faintFromPx along its first direction from the picture's centre, its core
    // reads faintCore instead, as a crack choked with dust; none when faintCore is negative.
    double faintFromPx = 0;
    double faintCore = -1;
    // A tapering crack: its width grows by this share of widthMm per pixel along its first direction from the
    // picture's centre, and narrows behind it.
    double widthGrowthPerPx = 0;
};

// The width at the picture's centre.
[[nodiscard]] double crackWidthPx(const CrackScene& scene);
// The width beside a point, where the crack tapers.
[[nodiscard]] double crackWidthPx(const CrackScene& scene, QPointF point);

// Signed distance in picture pixels from a point to the crack's centreline, positive on the normal's side.
[[nodiscard]] double crackDistance(const CrackScene& scene, QPointF point);

[[nodiscard]] QImage drawCrack(const CrackScene& scene);

// The whole picture shown in the 640 x 480 view, as the window shows a picture just opened.
[[nodiscard]] ViewGeometry wholePictureView(QSize size);

// Air voids, one on each of the given lines as the analysis places them, offsetPx along the line from where it
// crosses the crack's centreline: 0 puts them on the crack, and with no crack drawn they lie as one would.
void addVoidsOnLines(CrackScene& scene, ScanDirection direction, const ViewGeometry& view, std::vector<int> lines,
    double offsetPx, double radius, double level);

// Specks centred on distinct scan lines of the view, at random places along them well clear of the crack.
void addSpecksOnLines(CrackScene& scene, ScanDirection direction, const ViewGeometry& view, int count);

} // namespace norvel
