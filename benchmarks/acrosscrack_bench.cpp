#include "analysis/acrosscrack.h"
#include "analysis/summary.h"
#include "testing/crackpicture.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

using namespace norvel;

namespace {

const QSize Large { 2592, 1944 };

CrackScene inclinedCrack(double angle)
{
    CrackScene scene;
    scene.size = Large;
    scene.widthMm = 0.2;
    scene.angleDegrees = angle;
    scene.blurSigma = 1;
    return scene;
}

// 30 degrees is measured in the direction in force alone; 60 tries the other one as well.
void across(benchmark::State& state, double angle)
{
    const CrackScene scene = inclinedCrack(angle);
    const QImage picture = drawCrack(scene);
    const ViewGeometry view = wholePictureView(scene.size);
    for (auto _ : state)
        benchmark::DoNotOptimize(analyseAcross(picture, ScanDirection::Vertical, view, DetectionSettings {}));
}

void along(benchmark::State& state)
{
    const CrackScene scene = inclinedCrack(30);
    const QImage picture = drawCrack(scene);
    const ViewGeometry view = wholePictureView(scene.size);
    for (auto _ : state)
        benchmark::DoNotOptimize(analysePicture(picture, ScanDirection::Vertical, view, DetectionSettings {}));
}

// What one case of the accuracy grid costs beyond the measuring.
void drawing(benchmark::State& state)
{
    const CrackScene scene = inclinedCrack(30);
    for (auto _ : state)
        benchmark::DoNotOptimize(drawCrack(scene));
}

BENCHMARK(along)->Unit(benchmark::kMicrosecond);
BENCHMARK(drawing)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(across, inclined30, 30.0)->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(across, otherDirection60, 60.0)->Unit(benchmark::kMicrosecond);

// One generated picture measured both ways, in picture pixels; nullopt where no combined width came out.
struct Outcome {
    CrackScene scene;
    double truth = 0;
    std::optional<double> described;
    std::optional<double> across;
    int kept = 0; // lines kept across the crack
};

Outcome measure(const CrackScene& scene)
{
    const QImage picture = drawCrack(scene);
    const ViewGeometry view = wholePictureView(scene.size);
    Outcome outcome { scene, crackWidthPx(scene), std::nullopt, std::nullopt };
    const AnalysisResult found = analysePicture(picture, scene.crossedBy, view, DetectionSettings {});
    std::array<qint16, 5> widths {};
    for (std::size_t k = 0; k < 5; ++k)
        widths[k] = found.lines[k].scan.run.width;
    if (const std::optional<float> mm = summariseWidths(widths, found.pxPerMm).combinedMm)
        outcome.described = *mm * static_cast<double>(found.pxPerMm);
    const AcrossAnalysis measured = analyseAcross(picture, scene.crossedBy, view, DetectionSettings {});
    outcome.kept = static_cast<int>(
        std::count_if(measured.lines.begin(), measured.lines.end(), [](const AcrossLine& l) { return l.kept; }));
    if (measured.combinedMm)
        outcome.across = *measured.combinedMm * static_cast<double>(measured.analysis.pxPerMm);
    return outcome;
}

// The grid the tests sample, in full at 640 x 480 and more sparsely at 2592 x 1944; every fifth case has a
// dark speck on one of the lines.
std::vector<CrackScene> grid()
{
    std::vector<CrackScene> scenes;
    unsigned seed = 1;
    for (const QSize size : { QSize(640, 480), Large }) {
        const bool small = size.width() == 640;
        const std::vector<double> widths = small ? std::vector<double> { 0.05, 0.1, 0.2, 0.3, 0.5, 0.7, 1.0 }
                                                 : std::vector<double> { 0.05, 0.2, 0.5, 1.0 };
        const std::vector<double> angles
            = small ? std::vector<double> { 0, 10, 20, 30, 40, 50, 60 } : std::vector<double> { 0, 20, 40, 60 };
        for (const double widthMm : widths)
            for (const double angle : angles)
                for (const ScanDirection direction : { ScanDirection::Vertical, ScanDirection::Horizontal })
                    for (const double bend : { 0.0, 2.0, -3.0 })
                        for (const double sigma : { 0.0, 0.5, 1.0, 1.5 }) {
                            CrackScene scene;
                            scene.size = size;
                            scene.widthMm = widthMm;
                            // Signs and specks fall across the other parameters rather than with one of them.
                            scene.angleDegrees = seed / 4 % 2 == 0 ? angle : -angle;
                            scene.crossedBy = direction;
                            scene.radiusPx = bend * size.width();
                            scene.blurSigma = sigma;
                            scene.seed = seed++;
                            if (seed % 5 == 0)
                                addSpecksOnLines(scene, direction, wholePictureView(size), 1);
                            scenes.push_back(scene);
                        }
    }
    return scenes;
}

struct Tally {
    int cases = 0;
    int found = 0;
    double worst = 0;
    double sum = 0;
    double worstShare = 0;
    double shareSum = 0;

    void add(const Outcome& outcome, const std::optional<double>& measured)
    {
        ++cases;
        if (!measured)
            return;
        ++found;
        const double error = std::abs(*measured - outcome.truth);
        worst = std::max(worst, error);
        sum += error;
        worstShare = std::max(worstShare, error / outcome.truth * 100);
        shareSum += error / outcome.truth * 100;
    }

    std::string row() const
    {
        char text[120];
        std::snprintf(text, sizeof text, "%4d/%-4d %7.2f %6.2f %7.1f%% %6.1f%%", found, cases, worst,
            found ? sum / found : 0.0, worstShare, found ? shareSum / found : 0.0);
        return text;
    }
};

void printTable(
    const char* title, const std::vector<Outcome>& outcomes, const std::function<std::string(const Outcome&)>& key)
{
    std::map<std::string, std::pair<Tally, Tally>> rows;
    for (const Outcome& outcome : outcomes) {
        auto& [described, acrossTally] = rows[key(outcome)];
        described.add(outcome, outcome.described);
        acrossTally.add(outcome, outcome.across);
    }
    std::printf("\n%-14s %-42s %s\n", title, "along the lines (described)", "across the crack");
    std::printf(
        "%-14s %-42s %s\n", "", "found     worst px mean px worst%  mean%", "found     worst px mean px worst%  mean%");
    for (const auto& [name, tallies] : rows)
        std::printf("%-14s %-42s %s\n", name.c_str(), tallies.first.row().c_str(), tallies.second.row().c_str());
}

std::string number(const char* format, double value)
{
    char text[32];
    std::snprintf(text, sizeof text, format, value);
    return text;
}

// The measured widths against the truth over the grid; the tables print once, after the run.
void accuracy(benchmark::State& state)
{
    std::vector<Outcome> outcomes;
    for (auto _ : state) {
        outcomes.clear();
        for (const CrackScene& scene : grid())
            outcomes.push_back(measure(scene));
    }
    Tally described, acrossTally;
    for (const Outcome& outcome : outcomes) {
        described.add(outcome, outcome.described);
        acrossTally.add(outcome, outcome.across);
    }
    state.counters["cases"] = static_cast<double>(outcomes.size());
    state.counters["acrossFewerThan3Lines"] = static_cast<double>(
        std::count_if(outcomes.begin(), outcomes.end(), [](const Outcome& o) { return o.kept < 3; }));
    state.counters["describedWorstPx"] = described.worst;
    state.counters["acrossWorstPx"] = acrossTally.worst;
    state.counters["acrossMeanPx"] = acrossTally.found ? acrossTally.sum / acrossTally.found : 0;

    printTable("sigma px", outcomes, [](const Outcome& o) { return number("%.1f", o.scene.blurSigma); });
    printTable("angle deg", outcomes, [](const Outcome& o) { return number("%2.0f", std::abs(o.scene.angleDegrees)); });
    printTable("width mm", outcomes, [](const Outcome& o) { return number("%.2f", o.scene.widthMm); });
    printTable("picture", outcomes, [](const Outcome& o) { return number("%.0f wide", o.scene.size.width()); });
    printTable("bend", outcomes, [](const Outcome& o) {
        return o.scene.radiusPx == 0 ? std::string("straight")
                                     : number("r %+.0f w", o.scene.radiusPx / o.scene.size.width());
    });
    printTable("specks", outcomes, [](const Outcome& o) { return number("%.0f", o.scene.specks.size()); });
    std::printf("\n");
    if (std::getenv("NORVEL_ACCURACY_CASES")) {
        for (const Outcome& o : outcomes) {
            const double e = o.across ? *o.across - o.truth : 999;
            std::printf("case %4d %5.2fmm %+3.0f %s r%+5.0f s%.1f sp%zu truth %7.2f along %7.2f across %+7.2f\n",
                o.scene.size.width(), o.scene.widthMm, o.scene.angleDegrees,
                o.scene.crossedBy == ScanDirection::Vertical ? "V" : "H", o.scene.radiusPx, o.scene.blurSigma,
                o.scene.specks.size(), o.truth, o.described ? *o.described - o.truth : 999.0, e);
        }
    }
}

BENCHMARK(accuracy)->Iterations(1)->Unit(benchmark::kMillisecond);

} // namespace
