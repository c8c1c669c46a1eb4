#include "analysis/scanlines.h"
#include "app/form1.h"
#include "services/services.h"

#include <QDateTime>
#include <QImageWriter>
#include <QPainter>
#include <QPushButton>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>

using namespace norvel;

namespace {

// A 5-megapixel shot as the camera takes it: light concrete with a dark crack across the middle.
QImage cameraShot()
{
    QImage image(2592, 1944, QImage::Format_RGB32);
    image.fill(QColor(200, 196, 190));
    QPainter painter(&image);
    painter.setPen(QPen(QColor(40, 38, 36), 60));
    painter.drawLine(0, 900, 2592, 1060);
    painter.setPen(QPen(QColor(40, 38, 36), 60));
    painter.drawLine(1250, 0, 1350, 1944);
    return image;
}

ViewGeometry wholeView()
{
    const auto dspRate = static_cast<float>(480.0 / 1944);
    return { dspRate, 1.0f, { { 0, 640 }, { 0, 480 } } };
}

void detection(benchmark::State& state, ScanDirection direction, bool automatic)
{
    const QImage picture = cameraShot();
    DetectionSettings settings;
    settings.autoThreshold = automatic;
    for (auto _ : state)
        benchmark::DoNotOptimize(analysePicture(picture, direction, wholeView(), settings));
}

BENCHMARK_CAPTURE(detection, vertical, ScanDirection::Vertical, false)->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(detection, horizontal, ScanDirection::Horizontal, false)->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(detection, verticalAutomatic, ScanDirection::Vertical, true)->Unit(benchmark::kMicrosecond);

class OpenShot : public FileOpenDialog {
public:
    explicit OpenShot(QString path)
        : m_path(std::move(path))
    {
    }
    std::optional<QString> chooseFile(const QString&, const QString&) override { return m_path; }

private:
    QString m_path;
};

// What the window asks of the world while it opens a shot and analyses it: the time, and messages only
// printed, so that a failure shows instead of hanging the run on a dialog.
class BenchServices : public ErrorReporter, public Clock {
public:
    void showError(const QString& text) override { std::fprintf(stderr, "%s\n", qPrintable(text)); }
    void showNotice(const QString&) override { }
    QDateTime now() const override { return QDateTime::currentDateTime(); }
};

// The whole run as the analysis button does it: clearing the view, the ruler, the marks and the grids.
void windowRun(benchmark::State& state)
{
    QTemporaryDir folder;
    const QString path = folder.filePath(QStringLiteral("shot.bmp"));
    QImageWriter(path, "bmp").write(cameraShot());
    OpenShot dialog(path);
    BenchServices world;
    Services services;
    services.fileOpen = &dialog;
    services.errors = &world;
    services.clock = &world;
    services.programFolder = folder.path();
    Form1 form(services);
    form.Form_Load();
    form.JPOP_Click();
    for (auto _ : state)
        form.Command2_Click();
}

BENCHMARK(windowRun)->Unit(benchmark::kMicrosecond);

} // namespace
