// The photo ledger of a survey day, made as the menu makes it: the day folder, its record read a line at a
// time, the PDF written straight to its temporary file and put in place with the summary.
// - BM_LedgerOfAFullDay/3 and /6: 50 poles of 6 camera shots of 2592 x 1944, each with its analysis marks, three
//   cracks a page and six photos a page.
// - BM_LedgerOfALargeDay: NORVEL_LEDGER_BENCH_POLES poles (default 2000) of 3 shots (hard links to three
//   files), a ledger of some 600 MB.
// - BM_ReadingALargeRecord: the 50 poles' day with a measurement record of some 100 MB.
// Each reports the PDF's size ("pdf_MB"), its pages and the peak resident memory of the process during the run
// ("peak_MB", from VmHWM after resetting it, Linux only) beside the time. Run a release build for figures
// that mean something: AddressSanitizer keeps freed memory in quarantine.
#include "files/durablefile.h"
#include "ledger/ledgerday.h"
#include "ledger/ledgerdialog.h"
#include "ledger/ledgerpdf.h"
#include "ledger/ledgerplan.h"
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

#include <unistd.h>

using namespace norvel;

namespace {

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

QByteArray jpegOf(const QImage& image)
{
    QByteArray jpeg;
    QBuffer buffer(&jpeg);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, "jpeg");
    writer.setQuality(92);
    writer.write(image);
    return jpeg;
}

void writeFile(const QString& path, const QByteArray& content)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(content) != content.size())
        qFatal("cannot write %s", qPrintable(path));
}

MeasurementEntry analysisOf(const QString& pole, int row)
{
    MeasurementEntry entry;
    entry.time = QDateTime(QDate(2024, 5, 1), QTime(9, 0)).addSecs(row);
    entry.pole = pole;
    entry.row = row;
    entry.change = RecordedChange::TakeInAnalysis;
    entry.picture = pole + "_" + QString::number(row) + ".jpg";
    entry.pictureSize = ShotSize;
    entry.lines = std::array<RecordedScanLine, 5> { { { 400, 800, 30 }, { 900, 820, 32 }, { 1300, 840, 34 },
        { 1700, 860, 36 }, { 2200, 880, 38 } } };
    entry.pxPerMm = 91;
    entry.result = QStringLiteral("0.35");
    return entry;
}

// A day of poles x shots, every picture a hard link to one of the shots, and its record; recordMB pads the
// record with more analyses of the same rows up to that size.
struct Day {
    QTemporaryDir folder;
    QString path;

    Day(int poles, int shotsPerPole, int recordMB)
    {
        path = folder.filePath("20240501");
        QDir().mkpath(path);
        QStringList shots;
        for (int s = 0; s < shotsPerPole; ++s) {
            shots << folder.filePath(QString("shot%1.jpg").arg(s));
            writeFile(shots.back(), jpegOf(texturedShot(s + 1)));
        }
        QByteArray record = measurementRecordHeader();
        for (int p = 1; p <= poles; ++p) {
            const QString pole = QString::number(p);
            QDir().mkpath(path + "/" + pole);
            QByteArray results;
            for (int row = 1; row <= shotsPerPole; ++row) {
                results += QByteArray::number(row) + ",0." + QByteArray::number(10 + (p * 7 + row) % 40) + "\r\n";
                const QString picture = path + "/" + pole + "/" + pole + "_" + QString::number(row) + ".jpg";
                if (::link(QFile::encodeName(shots[row - 1]).constData(), QFile::encodeName(picture).constData()) != 0)
                    qFatal("cannot link %s", qPrintable(picture));
                record += measurementRecordLine(analysisOf(pole, row));
            }
            writeFile(path + "/" + pole + "/No" + pole + "CP.csv", results);
        }
        const qint64 target = qint64(recordMB) * 1024 * 1024;
        for (int n = 0; record.size() < target; ++n)
            record += measurementRecordLine(analysisOf(QString::number(1 + n % poles), 1 + n % shotsPerPole));
        writeFile(path + "/" + MeasurementRecordFileName, record);
    }
};

// Peak resident memory since the last reset, in megabytes; 0 where /proc does not tell.
void resetPeakMemory()
{
    QFile clear("/proc/self/clear_refs");
    if (clear.open(QIODevice::WriteOnly))
        clear.write("5");
}

double peakMemoryMB()
{
    QFile status("/proc/self/status");
    if (!status.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray& line : status.readAll().split('\n')) {
        if (line.startsWith("VmHWM:"))
            return line.mid(6).trimmed().split(' ').value(0).toDouble() / 1024;
    }
    return 0;
}

// The ledger as the menu makes it, without the progress dialog.
void makeLedger(benchmark::State& state, const Day& day, LedgerForm form)
{
    const QDir folder(day.path);
    LedgerOptions options;
    options.header = { "県道1号 ひび割れ調査", "山田 太郎", "北陸電設", "晴れ", "USB顕微鏡", "北陸電力", "R7-0042" };
    options.form = form;
    resetPeakMemory();
    for (auto _ : state) {
        const LedgerDay ledger = readLedgerDay(day.path);
        DurableFile pdf(folder.filePath(ledgerPdfFileName(ledger.day)));
        DurableFile csv(folder.filePath(summaryCsvFileName(ledger.day)));
        QString error;
        if (!writeLedgerFiles(ledger, options, pdf, csv, {}, &error, nullptr))
            state.SkipWithError(error.toUtf8().constData());
        state.counters["pages"] = double(planLedger(ledger, form).size());
    }
    state.counters["peak_MB"] = peakMemoryMB();
    state.counters["pdf_MB"] = double(QFileInfo(folder.filePath("写真台帳_20240501.pdf")).size()) / (1024 * 1024);
}

void BM_LedgerOfAFullDay(benchmark::State& state)
{
    static const Day day(50, 6, 0);
    makeLedger(state, day, static_cast<LedgerForm>(state.range(0)));
}
BENCHMARK(BM_LedgerOfAFullDay)->Arg(3)->Arg(6)->Unit(benchmark::kSecond)->UseRealTime()->Iterations(1);

void BM_LedgerOfALargeDay(benchmark::State& state)
{
    const int poles = qEnvironmentVariableIsSet("NORVEL_LEDGER_BENCH_POLES")
        ? qEnvironmentVariableIntValue("NORVEL_LEDGER_BENCH_POLES")
        : 2000;
    const Day day(poles, 3, 0);
    makeLedger(state, day, LedgerForm::ThreePerPage);
}
BENCHMARK(BM_LedgerOfALargeDay)->Unit(benchmark::kSecond)->UseRealTime()->Iterations(1);

void BM_ReadingALargeRecord(benchmark::State& state)
{
    const Day day(50, 6, 100);
    resetPeakMemory();
    for (auto _ : state) {
        const LedgerDay ledger = readLedgerDay(day.path);
        if (!ledger.problems.isEmpty())
            state.SkipWithError(problemLine(ledger.problems.front()).toUtf8().constData());
    }
    state.counters["peak_MB"] = peakMemoryMB();
    state.counters["record_MB"] = double(QFileInfo(day.path + "/" + MeasurementRecordFileName).size()) / (1024 * 1024);
}
BENCHMARK(BM_ReadingALargeRecord)->Unit(benchmark::kSecond)->UseRealTime()->Iterations(1);

} // namespace
