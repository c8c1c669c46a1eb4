// The photo ledger of a full survey day: 50 poles of 6 camera shots of 2592 x 1944, each with its analysis
// marks. Reports the PDF's size ("pdf_MB") beside the time.
#include "ledger/ledgerday.h"
#include "ledger/ledgerpdf.h"
#include "results/measurementrecord.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImageWriter>
#include <QPainter>
#include <QRandomGenerator>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

using namespace norvel;

namespace {

constexpr int Poles = 50;
constexpr int ShotsPerPole = 6;
const QSize ShotSize(2592, 1944);

// Concrete grain with a dark crack across it: flat pictures compress unrealistically well.
QImage texturedShot(int seed)
{
    QImage image(ShotSize, QImage::Format_RGB32);
    QRandomGenerator random(seed);
    for (int y = 0; y < image.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < image.width(); ++x) {
            const int grain = 150 + int(random.bounded(60)) + ((x / 7 + y / 5) % 9);
            line[x] = qRgb(grain, grain - 4, grain - 10);
        }
    }
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(QColor(45, 40, 38), image.height() / 25.0, Qt::SolidLine, Qt::RoundCap));
    painter.drawLine(QPointF(seed * 50, 0), QPointF(image.width() * 0.6 + seed * 40, image.height()));
    return image;
}

struct Day {
    QTemporaryDir folder;
    QString path;
    QList<MeasurementEntry> entries;
};

// Six different shots, each filed under every pole.
const Day& surveyDay()
{
    static Day day;
    if (!day.path.isEmpty())
        return day;
    day.path = day.folder.filePath("20240501");
    QList<QByteArray> shots;
    for (int s = 0; s < ShotsPerPole; ++s) {
        QByteArray jpeg;
        QBuffer buffer(&jpeg);
        buffer.open(QIODevice::WriteOnly);
        QImageWriter writer(&buffer, "jpeg");
        writer.setQuality(92);
        writer.write(texturedShot(s + 1));
        shots << jpeg;
    }
    for (int p = 1; p <= Poles; ++p) {
        const QString pole = QString::number(p);
        QDir().mkpath(day.path + "/" + pole);
        QByteArray results;
        for (int row = 1; row <= ShotsPerPole; ++row) {
            results += QByteArray::number(row) + ",0." + QByteArray::number(10 + (p * 7 + row) % 40) + "\r\n";
            const QString name = pole + "_" + QString::number(row) + ".jpg";
            QFile picture(day.path + "/" + pole + "/" + name);
            picture.open(QIODevice::WriteOnly);
            picture.write(shots[row - 1]);
            MeasurementEntry entry;
            entry.pole = pole;
            entry.row = row;
            entry.change = RecordedChange::TakeInAnalysis;
            entry.picture = name;
            entry.pictureSize = ShotSize;
            entry.lines = std::array<RecordedScanLine, 5> { { { 400, 800, 30 }, { 900, 820, 32 }, { 1300, 840, 34 },
                { 1700, 860, 36 }, { 2200, 880, 38 } } };
            entry.pxPerMm = 91;
            day.entries << entry;
        }
        QFile file(day.path + "/" + pole + "/No" + pole + "CP.csv");
        file.open(QIODevice::WriteOnly);
        file.write(results);
    }
    return day;
}

void BM_LedgerOfAFullDay(benchmark::State& state)
{
    const Day& day = surveyDay();
    const QString pdf = day.folder.filePath("ledger.pdf");
    for (auto _ : state) {
        const LedgerDay ledger = loadLedgerDay(day.path, day.entries);
        QString error;
        if (!writeLedgerPdf(ledger, 0.2, pdf, {}, &error))
            state.SkipWithError(error.toUtf8().constData());
    }
    state.counters["pdf_MB"] = double(QFileInfo(pdf).size()) / (1024 * 1024);
}
BENCHMARK(BM_LedgerOfAFullDay)->Unit(benchmark::kSecond)->UseRealTime()->Iterations(1);

} // namespace
