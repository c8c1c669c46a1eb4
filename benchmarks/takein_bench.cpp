// A camera shot taken in as the window does it, step by step, against the floor of decoding and encoding
// the same file with libjpeg-turbo directly. The take-in benchmarks report their time as a multiple of
// that floor ("x_floor") and the 4000 x 3000 one its peak memory ("peak_MB").
#include "analysis/acrosscrack.h"
#include "analysis/scanlines.h"
#include "app/form1.h"
#include "files/durablefile.h"
#include "picture/picturefile.h"
#include "picture/picturefiler.h"
#include "results/polenumber.h"
#include "results/recoveryrecord.h"
#include "services/services.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QImageWriter>
#include <QPainter>
#include <QRandomGenerator>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>
#include <turbojpeg.h>

#include <algorithm>
#include <cstdio>
#include <map>
#include <tuple>
#include <vector>

using namespace norvel;

namespace {

// Concrete grain with a dark crack across it: flat pictures compress unrealistically well.
QImage texturedShot(int width, int height)
{
    QImage image(width, height, QImage::Format_RGB32);
    QRandomGenerator random(width);
    for (int y = 0; y < height; ++y) {
        auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < width; ++x) {
            const int grain = 150 + int(random.bounded(60)) + ((x / 7 + y / 5) % 9);
            line[x] = qRgb(grain, grain - 4, grain - 10);
        }
    }
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(QColor(45, 40, 38), height / 25.0, Qt::SolidLine, Qt::RoundCap));
    painter.drawLine(QPointF(0, height * 0.45), QPointF(width, height * 0.52));
    return image;
}

struct Shot {
    QString path;
    QByteArray bytes;
};

// Written once per run into a folder of its own.
const Shot& shot(int width, int height, const char* format)
{
    static QTemporaryDir folder;
    static std::map<std::tuple<int, int, QByteArray>, Shot> shots;
    const auto key = std::tuple(width, height, QByteArray(format));
    if (const auto found = shots.find(key); found != shots.end())
        return found->second;
    const QString path = folder.filePath(QStringLiteral("%1x%2.%3").arg(width).arg(height).arg(format));
    QImageWriter writer(path, format);
    writer.setQuality(92);
    writer.write(texturedShot(width, height));
    QFile file(path);
    file.open(QIODevice::ReadOnly);
    return shots[key] = { path, file.readAll() };
}

// The single-threaded decode + encode at quality 75 of libjpeg-turbo, in nanoseconds (median of 7).
double floorNs(const QByteArray& jpeg)
{
    tjhandle decoder = tjInitDecompress();
    tjhandle encoder = tjInitCompress();
    int width = 0;
    int height = 0;
    int subsampling = 0;
    int colours = 0;
    tjDecompressHeader3(decoder, reinterpret_cast<const unsigned char*>(jpeg.constData()),
        static_cast<unsigned long>(jpeg.size()), &width, &height, &subsampling, &colours);
    std::vector<unsigned char> pixels(std::size_t(width) * height * 4);
    std::vector<double> times;
    for (int round = 0; round < 7; ++round) {
        QElapsedTimer timer;
        timer.start();
        tjDecompress2(decoder, reinterpret_cast<const unsigned char*>(jpeg.constData()),
            static_cast<unsigned long>(jpeg.size()), pixels.data(), width, 0, height, TJPF_BGRX, 0);
        unsigned char* encoded = nullptr;
        unsigned long encodedSize = 0;
        tjCompress2(encoder, pixels.data(), width, 0, height, TJPF_BGRX, &encoded, &encodedSize, TJSAMP_420, 75, 0);
        times.push_back(double(timer.nsecsElapsed()));
        tjFree(encoded);
    }
    tjDestroy(decoder);
    tjDestroy(encoder);
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}

long peakResidentKb()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray& line : status.readAll().split('\n')) {
        if (line.startsWith("VmHWM:"))
            return line.mid(6).trimmed().split(' ').value(0).toLong();
    }
    return -1;
}

void resetPeakResident()
{
    QFile clear(QStringLiteral("/proc/self/clear_refs"));
    if (clear.open(QIODevice::WriteOnly))
        clear.write("5");
}

void readFile(benchmark::State& state, int width, int height, const char* format)
{
    const QString path = shot(width, height, format).path;
    for (auto _ : state) {
        QFile file(path);
        file.open(QIODevice::ReadOnly);
        benchmark::DoNotOptimize(file.readAll());
    }
}

void decode(benchmark::State& state, int width, int height, const char* format)
{
    const QByteArray bytes = shot(width, height, format).bytes;
    for (auto _ : state)
        benchmark::DoNotOptimize(decodePicture(bytes));
}

void displayScaling(benchmark::State& state, int width, int height, const char* format)
{
    const QImage picture = decodePicture(shot(width, height, format).bytes).image;
    QImage view(640, 480, QImage::Format_RGB32);
    for (auto _ : state) {
        QPainter painter(&view);
        painter.setRenderHint(QPainter::SmoothPixmapTransform);
        painter.drawImage(QRectF(0, 0, 640, 480), picture, QRectF(picture.rect()));
    }
}

// The whole picture fitted to a 480-pixel-high view, as a take-in shows it.
ViewGeometry fittedView(int width, int height)
{
    const auto dspRate = static_cast<float>(480.0 / height);
    return { dspRate, 1.0f, { { 0, static_cast<qint16>(qRound(width * dspRate)) }, { 0, static_cast<qint16>(480) } } };
}

void analysis(benchmark::State& state, int width, int height, const char* format)
{
    const QImage picture = decodePicture(shot(width, height, format).bytes).image;
    const ViewGeometry view = fittedView(width, height);
    for (auto _ : state)
        benchmark::DoNotOptimize(analysePicture(picture, ScanDirection::Vertical, view, DetectionSettings {}));
}

// The analysis a take-in runs by default: across the crack, on the whole picture.
void acrossAnalysis(benchmark::State& state, int width, int height, const char* format)
{
    const QImage picture = decodePicture(shot(width, height, format).bytes).image;
    const ViewGeometry view = fittedView(width, height);
    for (auto _ : state)
        benchmark::DoNotOptimize(analyseAcross(picture, ScanDirection::Vertical, view, DetectionSettings {}));
}

// Encoding and writing a whole decoded picture on the filer's thread, waited for.
void filing(benchmark::State& state, int width, int height, const char* format)
{
    const QImage picture = decodePicture(shot(width, height, format).bytes).image;
    QTemporaryDir folder;
    const QString path = folder.filePath(QStringLiteral("1_1.jpg"));
    PictureFiler filer(75);
    for (auto _ : state) {
        filer.fileWhole(picture);
        filer.writeTo(path);
        benchmark::DoNotOptimize(filer.finish(nullptr));
    }
}

class BenchServices : public QuestionBox, public ErrorReporter, public Clock {
public:
    bool askOkCancel(const QString&) override { return true; }
    void showError(const QString& text) override { std::fprintf(stderr, "%s\n", qPrintable(text)); }
    void showNotice(const QString&) override { }
    QDateTime now() const override { return QDateTime::currentDateTime(); }
};

// A started window watching a camera folder of its own for pictures of the given format.
struct WatchingWindow {
    // cameraFolder: a folder template for the camera's pictures, when not beside the program's.
    explicit WatchingWindow(const char* format, const QString& cameraFolder = {})
        : camera(cameraFolder.isEmpty() ? QDir::tempPath() + QStringLiteral("/norvel-XXXXXX") : cameraFolder)
        , form(wiring())
    {
        form.Form_Load();
        form.state().WatchPath = camera.path() + QStringLiteral("/*.") + QString::fromLatin1(format);
    }
    Services wiring()
    {
        Services wired;
        wired.question = &services;
        wired.errors = &services;
        wired.clock = &services;
        wired.programFolder = program.path();
        return wired;
    }

    QTemporaryDir program;
    QTemporaryDir camera;
    BenchServices services;
    Form1 form;
};

// The two ticks of a shot through the window: the one that sees it and the one that takes it in (loading,
// showing, painting, analysing, filing), and then the wait for its filed copy to be written and the shot to be
// deleted, with the camera's original kept beside its filed copy. "x_floor" is all of it, "x_floor_shown" the
// two ticks alone: what the inspector waits for before the width is on screen. cameraFolder as for WatchingWindow:
// on another file system the original is written, not linked.
void takeInFrom(benchmark::State& state, int width, int height, const char* format, const QString& cameraFolder)
{
    const Shot& source = shot(width, height, format);
    WatchingWindow window(format, cameraFolder);
    const QString target = window.camera.filePath(QStringLiteral("IMG_0001.") + QString::fromLatin1(format));
    const double floor = floorNs(shot(width, height, "jpg").bytes);
    double spent = 0;
    double shown = 0;
    long peakKb = 0;
    for (auto _ : state) {
        state.PauseTiming();
        window.form.Command3_Click(0);
        QDir(window.program.path()).removeRecursively();
        QDir().mkpath(window.program.path());
        QFile::copy(source.path, target);
        resetPeakResident();
        state.ResumeTiming();
        QElapsedTimer timer;
        timer.start();
        window.form.Timer1_Timer();
        window.form.Timer1_Timer();
        shown += double(timer.nsecsElapsed());
        while (window.form.filingPending())
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
        spent += double(timer.nsecsElapsed());
        state.PauseTiming();
        if (QFile::exists(target))
            state.SkipWithError("the shot was not taken in");
        const QString original = poleFolderPath(window.program.path(), QDate::currentDate(), QStringLiteral("1"))
            + QStringLiteral("/原画像/1_1_IMG_0001.") + QString::fromLatin1(format);
        if (!QFile::exists(original))
            state.SkipWithError("the camera's original was not kept");
        peakKb = std::max(peakKb, peakResidentKb());
        state.ResumeTiming();
    }
    state.counters["x_floor"] = spent / double(state.iterations()) / floor;
    state.counters["x_floor_shown"] = shown / double(state.iterations()) / floor;
    state.counters["floor_ms"] = floor / 1e6;
    state.counters["peak_MB"] = double(peakKb) / 1024.0;
}

void takeIn(benchmark::State& state, int width, int height, const char* format)
{
    takeInFrom(state, width, height, format, {});
}

void takeInFromMemoryDisk(benchmark::State& state, int width, int height, const char* format)
{
    takeInFrom(state, width, height, format, QStringLiteral("/dev/shm/norvel-XXXXXX"));
}

// What the inspector feels: from a shot's rename into the camera folder to its width listed and painted, through
// the real event loop, the file system's word and Timer1 running as in the program. Each round lands 20 shots one
// after the other; the time reported is their median, "max_ms" the slowest, "on_disk_ms" the median until the shot
// has left the camera folder (its filed copy, original, records and result file all on disk).
void landing(benchmark::State& state, int width, int height)
{
    constexpr int Shots = 20;
    const Shot& source = shot(width, height, "jpg");
    WatchingWindow window("jpg");
    QTemporaryDir staging(QDir::tempPath() + QStringLiteral("/norvel-XXXXXX")); // on the camera folder's disk
    window.form.Kil();
    std::vector<double> listed;
    std::vector<double> onDisk;
    for (auto _ : state) {
        for (int i = 0; i < Shots; ++i) {
            const QString name = QStringLiteral("IMG_%1.jpg").arg(i, 4, 10, QLatin1Char('0'));
            const QString staged = staging.filePath(name);
            const QString target = window.camera.filePath(name);
            QFile::copy(source.path, staged);
            const qsizetype rows = window.form.resultList().count();
            QElapsedTimer timer;
            timer.start();
            QFile::rename(staged, target);
            while (window.form.resultList().count() == rows && timer.elapsed() < 10000)
                QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
            QCoreApplication::processEvents(); // the painting the new row asked for
            const double shown = double(timer.nsecsElapsed());
            while (QFile::exists(target) && timer.elapsed() < 10000)
                QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 5);
            if (QFile::exists(target))
                state.SkipWithError("the shot was not taken in");
            listed.push_back(shown / 1e6);
            onDisk.push_back(double(timer.nsecsElapsed()) / 1e6);
        }
        window.form.Command3_Click(0); // the rows grow no longer than a round
    }
    std::sort(listed.begin(), listed.end());
    std::sort(onDisk.begin(), onDisk.end());
    state.counters["median_ms"] = listed[listed.size() / 2];
    state.counters["max_ms"] = listed.back();
    state.counters["on_disk_ms"] = onDisk[onDisk.size() / 2];
}

void idleTick(benchmark::State& state)
{
    WatchingWindow window("jpg");
    for (auto _ : state)
        window.form.Timer1_Timer();
}

// What keeping the list safe from a crash adds to a take-in: the recovery record of a pole's list written durably.
void recoveryRecord(benchmark::State& state)
{
    RecoveryRecord record { QStringLiteral("12"), QStringLiteral("12"), QDate::currentDate(), {},
        PendingShot { "/camera/IMG_0031.JPG", 1940000, 1700000000000, QStringLiteral("/program/20261207/12/12_31.jpg"),
            1700000000000, 31, QStringLiteral("/program/20261207/12/原画像/12_31_IMG_0031.JPG") } };
    for (int row = 1; row <= int(state.range(0)); ++row)
        record.rows.append({ QString::number(row), QStringLiteral("0.%1").arg(row % 90 + 10) });
    QTemporaryDir folder;
    const QString path = folder.filePath(RecoveryFileName);
    QString error;
    for (auto _ : state)
        benchmark::DoNotOptimize(writeFileDurably(path, serializeRecovery(record), &error));
}

void turboFloor(benchmark::State& state, int width, int height)
{
    const QByteArray jpeg = shot(width, height, "jpg").bytes;
    for (auto _ : state)
        state.SetIterationTime(floorNs(jpeg) / 1e9);
}

#define NORVEL_SIZES(step)                                                                                             \
    BENCHMARK_CAPTURE(step, vga_jpg, 640, 480, "jpg")->Unit(benchmark::kMillisecond);                                  \
    BENCHMARK_CAPTURE(step, 5mp_jpg, 2592, 1944, "jpg")->Unit(benchmark::kMillisecond);                                \
    BENCHMARK_CAPTURE(step, 12mp_jpg, 4000, 3000, "jpg")->Unit(benchmark::kMillisecond);                               \
    BENCHMARK_CAPTURE(step, 5mp_bmp, 2592, 1944, "bmp")->Unit(benchmark::kMillisecond)

NORVEL_SIZES(readFile);
NORVEL_SIZES(decode);
NORVEL_SIZES(displayScaling);
NORVEL_SIZES(analysis);
NORVEL_SIZES(acrossAnalysis);
NORVEL_SIZES(filing);
NORVEL_SIZES(takeIn);
BENCHMARK_CAPTURE(takeInFromMemoryDisk, 5mp_jpg, 2592, 1944, "jpg")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(turboFloor, vga, 640, 480)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(turboFloor, 5mp, 2592, 1944)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(turboFloor, 12mp, 4000, 3000)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(landing, vga, 640, 480)->Iterations(1)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(landing, 5mp, 2592, 1944)->Iterations(1)->Unit(benchmark::kMillisecond);
BENCHMARK(idleTick)->Unit(benchmark::kMicrosecond);
BENCHMARK(recoveryRecord)->Arg(30)->Arg(300)->Unit(benchmark::kMillisecond);

} // namespace
