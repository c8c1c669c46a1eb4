// The measurement record: readMeasurementRecord takes any bytes (a file cut short, edited by hand).
// - every entry it reads is written again as a line that reads back as the same entry;
// - an entry made from the input (its text in every text field, numbers from its length) reads back equal,
//   also with the line ended by LF alone, and after a line with a stray quote, which costs only its own line.
#include "fuzzcheck.h"
#include "results/measurementrecord.h"

#include <QStringDecoder>

#include <cstdint>

using namespace norvel;
using norvel::fuzz::require;
using norvel::fuzz::shown;

namespace {

void checkEntriesReadBack(const QByteArray& bytes)
{
    const MeasurementRecordRead read = readMeasurementRecord(bytes);
    for (const MeasurementEntry& entry : read.entries) {
        const QByteArray line = measurementRecordLine(entry);
        const MeasurementRecordRead again = readMeasurementRecord(measurementRecordHeader() + line);
        // An older line only lets the original be guessed; written anew it names none kept.
        MeasurementEntry expected = entry;
        expected.original = entry.original.value_or(QString());
        require(again.unreadableLines == 0 && again.entries.size() == 1 && again.entries[0] == expected,
            "an entry read is written as a line that reads back the same", shown(QString::fromUtf8(line)));
    }
}

void checkMadeEntry(const QByteArray& bytes)
{
    // Text as UTF-8 decodes it: a lone surrogate has no UTF-8 form for any file to keep.
    const QString text = QStringDecoder(QStringDecoder::Utf8).decode(bytes);
    const int n = int(bytes.size());
    MeasurementEntry entry;
    entry.time = QDateTime(QDate(2024, 5, 1), QTime(9, 30)).addMSecs(qint64(n) * 1237);
    entry.pole = text;
    entry.row = n;
    entry.change = RecordedChange(n % 8);
    entry.picture = text;
    entry.pictureSize = n % 2 ? QSize(n, n + 1) : QSize();
    entry.method = n % 4;
    entry.horizontal = n % 3 == 0;
    entry.threshold = text;
    entry.widthLimit = text;
    entry.displaySize = text;
    entry.rangeX = { -n, n };
    entry.zoom = float(n) / 7;
    entry.dspRate = float(n) / 3;
    if (n % 2)
        entry.lines = std::array<RecordedScanLine, 5> { { { n, -n, n }, {}, { 1, 2, 3 }, {}, { n, n, n } } };
    else
        entry.manual = RecordedManualLine { QPointF(n / 3.0, -n / 7.0), QPointF(1e-7 * n, 1e7 * n), n, n / 2, n / 3 };
    // Figures across the crack within the ranges the reader takes.
    if (n % 4 == 1) {
        const int m = n % 32768;
        entry.across = RecordedAcross { n % 3 == 1,
            { { { m / 3.0, m / 7.0 - 1, (n % 181) - 90.0, true, (n % 7) - 3.5 }, {},
                { 1e-7 * m, double(m), -m / 367.0, n % 5 == 0 }, {}, { double(m), -1, 90, false } } } };
        // Written to two decimals, as listed.
        if (n % 8 == 1)
            entry.across->widest = RecordedWidest { (n % 100001) / 100.0, QLineF(m / 3.0, -m, 2.0 * m, m / 7.0) };
    }
    entry.estimated = CrackDirection(n % 4);
    entry.pxPerMm = float(n) / 11;
    entry.result = text;
    const QByteArray line = measurementRecordLine(entry);
    const MeasurementRecordRead read = readMeasurementRecord(measurementRecordHeader() + line);
    require(read.unreadableLines == 0 && read.entries.size() == 1 && read.entries[0] == entry,
        "a written entry reads back equal", shown(text));
    const MeasurementRecordRead lf = readMeasurementRecord(measurementRecordHeader() + line.chopped(2) + '\n');
    require(lf.unreadableLines == 0 && lf.entries.size() == 1 && lf.entries[0] == entry,
        "a written entry ended by LF alone reads back equal", shown(text));
    const MeasurementRecordRead afterQuote = readMeasurementRecord(measurementRecordHeader() + "\"\r\n" + line);
    require(afterQuote.unreadableLines == 1 && afterQuote.unreadableLineNumbers == QList<qint64> { 2 }
            && afterQuote.entries.size() == 1 && afterQuote.entries[0] == entry,
        "a stray quote on the line before costs only its own line", shown(text));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    checkEntriesReadBack(bytes);
    checkMadeEntry(bytes);
    return 0;
}
