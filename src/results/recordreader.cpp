#include "results/measurementrecord.h"

#include "core/numbers.h"
#include "files/csvfields.h"
#include "results/recordcolumns.h"
#include "results/recordtext.h"

#include <QBuffer>
#include <QFileDevice>
#include <QStringList>

#include <cstddef>
#include <cstring>
#include <deque>
#include <utility>

namespace norvel {

namespace {

// A line of the file as read: its bytes with the line end, up to MaxRecordLineBytes.
struct PhysicalLine {
    QByteArray bytes;
    qint64 number = 0; // from 1
    bool ended = false; // by a line end; the last line of a file cut short is not
    bool overlong = false; // longer than MaxRecordLineBytes: bytes is empty
    bool oddQuotes = false; // an odd number of quotes: a quoted field is left open at its end
};

// The lines of at most size bytes of a device, read a block at a time, ended by LF, CR LF or a CR alone (as a
// spreadsheet program may save the file); a CR inside a quoted field ends a line here too, and the quote takes in
// the next. The quotes and line ends are the same bytes in UTF-8 and in Shift_JIS, whose second bytes are never
// below 0x40.
class PhysicalLines {
public:
    PhysicalLines(QIODevice& device, qint64 size)
        : m_device(device)
        , m_left(size)
    {
    }

    std::optional<PhysicalLine> next()
    {
        PhysicalLine line;
        bool any = false;
        for (;;) {
            if (m_at >= m_block.size() && !readBlock())
                break;
            any = true;
            const qsizetype feed = lineEnd();
            const qsizetype end = feed < 0 ? m_block.size() : feed + 1;
            const QByteArrayView piece(m_block.constData() + m_at, end - m_at);
            if (piece.count('"') % 2 != 0)
                line.oddQuotes = !line.oddQuotes;
            if (!line.overlong && line.bytes.size() + piece.size() > MaxRecordLineBytes) {
                line.overlong = true;
                line.bytes = QByteArray();
            }
            if (!line.overlong)
                line.bytes += piece;
            m_at = end;
            if (feed >= 0) {
                line.ended = true;
                break;
            }
        }
        if (!any)
            return std::nullopt;
        line.number = ++m_number;
        if (line.number == 1 && line.bytes.startsWith("\xEF\xBB\xBF"))
            line.bytes.remove(0, 3);
        return line;
    }

    [[nodiscard]] const QString& error() const { return m_error; }

private:
    // Where the line from m_at ends in the block (the LF of a CR LF), or -1 when it goes on past it. A CR last in the
    // block takes in the next block to see whether an LF follows.
    qsizetype lineEnd()
    {
        const qsizetype feed = m_block.indexOf('\n', m_at);
        const qsizetype before = feed < 0 ? m_block.size() : feed;
        const void* found = std::memchr(m_block.constData() + m_at, '\r', std::size_t(before - m_at));
        if (!found)
            return feed;
        const qsizetype cr = static_cast<const char*>(found) - m_block.constData();
        if (cr + 1 == m_block.size()) {
            const QByteArray read = std::exchange(m_block, {});
            const qsizetype at = m_at;
            const bool more = readBlock();
            m_block = more ? read + m_block : read;
            m_at = at;
            if (!more)
                return cr;
        }
        return m_block[cr + 1] == '\n' ? cr + 1 : cr;
    }

    bool readBlock()
    {
        constexpr qint64 BlockSize = 64 * 1024;
        if (m_left <= 0)
            return false;
        m_block = m_device.read(std::min(BlockSize, m_left));
        m_at = 0;
        if (m_block.isEmpty()) {
            const auto* file = qobject_cast<const QFileDevice*>(&m_device);
            m_error = file && file->error() != QFileDevice::NoError
                ? QStringLiteral("読めません（%1）。").arg(file->errorString())
                : QStringLiteral("読んでいる間にファイルが短くなりました。");
            m_left = 0;
            return false;
        }
        m_left -= m_block.size();
        return true;
    }

    QIODevice& m_device;
    qint64 m_left;
    QByteArray m_block;
    qsizetype m_at = 0;
    qint64 m_number = 0;
    QString m_error;
};

std::optional<bool> flagFrom(const QString& text)
{
    if (text == QLatin1String("1"))
        return true;
    if (text == QLatin1String("0"))
        return false;
    return std::nullopt;
}

// The fields of a line in order; an entry is read field by field, and the first that is not as written fails it.
class FieldReader {
public:
    explicit FieldReader(const QStringList& fields)
        : m_fields(fields)
    {
    }

    const QString& next() { return m_fields[m_at++]; }
    // A typed or foreign text, as it was before the writer kept it from a spreadsheet's formulas.
    QString text() { return fromSpreadsheetSafe(next()); }
    [[nodiscard]] const QString& peek() const { return m_fields[m_at]; }

    template <typename T> bool number(T* value)
    {
        const std::optional<T> n = exactNumber<T>(next());
        if (n)
            *value = *n;
        return n.has_value();
    }

    // A number within low to high, ends included.
    template <typename T> bool numberWithin(T* value, T low, T high)
    {
        return number(value) && *value >= low && *value <= high;
    }

    // Whether the next count fields are all empty, as for a part of the line that does not apply.
    bool empty(int count)
    {
        bool all = true;
        for (int k = 0; k < count; ++k)
            all = next().isEmpty() && all;
        return all;
    }

private:
    const QStringList& m_fields;
    qsizetype m_at = 0;
};

// Time, pole, row, change, picture and its size.
bool readWhatChanged(FieldReader& f, MeasurementEntry& e)
{
    e.time = recordedTime(f.next());
    e.pole = f.text();
    const auto row = exactNumber<int>(f.next());
    const auto change = recordedChangeFromName(f.next());
    if (!e.time.isValid() || !row || *row < 0 || !change)
        return false;
    e.row = *row;
    e.change = *change;
    e.picture = f.text();
    const QString width = f.next();
    const QString height = f.next();
    if (!width.isEmpty() || !height.isEmpty()) {
        const auto w = exactNumber<int>(width);
        const auto h = exactNumber<int>(height);
        // A size with a negative side is no picture's, and would be written back as none.
        if (!w || !h || *w < 0 || *h < 0)
            return false;
        e.pictureSize = QSize(*w, *h);
    }
    return true;
}

// The analysis settings, range and view scale in force.
bool readSettings(FieldReader& f, MeasurementEntry& e)
{
    const auto method = std::find(recordMethodNames().begin(), recordMethodNames().end(), f.next());
    if (method == recordMethodNames().end())
        return false;
    e.method = int(method - recordMethodNames().begin());
    const QString direction = f.next();
    if (direction != RecordVertical && direction != RecordHorizontal)
        return false;
    e.horizontal = direction == RecordHorizontal;
    e.threshold = f.text();
    const auto autoThreshold = flagFrom(f.next());
    const auto limitOn = flagFrom(f.next());
    if (!autoThreshold || !limitOn)
        return false;
    e.autoThreshold = *autoThreshold;
    e.widthLimitOn = *limitOn;
    e.widthLimit = f.text();
    e.displaySize = f.text();
    for (int* value : { &e.rangeX[0], &e.rangeY[0], &e.rangeX[1], &e.rangeY[1] }) {
        if (!f.number(value))
            return false;
    }
    const bool zoom = f.number(&e.zoom);
    return f.number(&e.dspRate) && zoom;
}

// The five scan lines of an analysis, or five empty ones.
bool readScanLines(FieldReader& f, MeasurementEntry& e)
{
    if (f.peek().isEmpty())
        return f.empty(15);
    std::array<RecordedScanLine, 5> lines;
    for (RecordedScanLine& line : lines) {
        for (int* value : { &line.position, &line.start, &line.width }) {
            if (!f.number(value))
                return false;
        }
    }
    e.lines = lines;
    return true;
}

// The dragged line of a manual measurement, or its seven fields empty.
bool readManualLine(FieldReader& f, MeasurementEntry& e)
{
    if (f.peek().isEmpty())
        return f.empty(7);
    RecordedManualLine manual;
    std::array<double, 4> ends {};
    for (double& end : ends) {
        if (!f.number(&end))
            return false;
    }
    manual.from = QPointF(ends[0], ends[1]);
    manual.to = QPointF(ends[2], ends[3]);
    for (int* value : { &manual.steps, &manual.start, &manual.width }) {
        if (!f.number(value))
            return false;
    }
    e.manual = manual;
    return true;
}

// The measurement across the crack, or its fields all empty. The limits are those of a picture the program opens,
// at most 32767 pixels a side, with a pixel's allowance for run edges placed beyond the line's ends.
bool readAcross(FieldReader& f, MeasurementEntry& e)
{
    if (f.peek().isEmpty())
        return f.empty(AcrossColumns);
    const QString direction = f.next();
    if (direction != RecordVertical && direction != RecordHorizontal)
        return false;
    RecordedAcross across;
    across.horizontal = direction == RecordHorizontal;
    for (RecordedAcrossLine& line : across.lines) {
        if (!f.numberWithin(&line.along, 0.0, 32767.0) || !f.numberWithin(&line.centre, -1.0, 32768.0)
            || !f.numberWithin(&line.angleDegrees, -90.0, 90.0) || !f.numberWithin(&line.spreadDegrees, -90.0, 90.0))
            return false;
        const auto kept = flagFrom(f.next());
        if (!kept)
            return false;
        line.kept = *kept;
    }
    e.across = across;
    return true;
}

// The widest place along the crack, or its fields all empty; only an analysis across the crack has one. Its width is
// no crack's beyond a metre, and its ends lie across a crack inside a picture the program opens.
bool readWidest(FieldReader& f, MeasurementEntry& e)
{
    if (f.peek().isEmpty())
        return f.empty(WidestColumns);
    RecordedWidest widest;
    std::array<double, 4> ends {};
    if (!e.across || !f.numberWithin(&widest.mm, 0.0, 1000.0))
        return false;
    for (double& end : ends) {
        if (!f.numberWithin(&end, -32768.0, 65536.0))
            return false;
    }
    widest.across = QLineF(ends[0], ends[1], ends[2], ends[3]);
    e.across->widest = widest;
    return true;
}

std::optional<MeasurementEntry> entryFrom(QStringList fields)
{
    // Lines of earlier versions are made whole with what their missing columns meant: the described scale, no
    // camera file, nothing measured across the crack, no direction estimated, an original only guessed (nullopt),
    // no widest place along the crack.
    const qsizetype full = recordColumns().size();
    const qsizetype beforeWidest = full - WidestColumns;
    const bool originalNamed = fields.size() >= beforeWidest;
    const qsizetype beforeOriginal = beforeWidest - OriginalColumns;
    const qsizetype beforeEstimate = beforeOriginal - EstimatedDirectionColumns;
    const qsizetype beforeAcross = beforeEstimate - AcrossColumns;
    if (fields.size() == beforeAcross - CameraColumns - 1)
        fields.insert(CalibratedColumn, QStringLiteral("0"));
    if (fields.size() == beforeAcross - CameraColumns)
        fields << QString() << QString();
    if (fields.size() == beforeAcross) {
        for (int k = 0; k < AcrossColumns; ++k)
            fields << QString();
    }
    if (fields.size() == beforeEstimate)
        fields << QString();
    if (fields.size() == beforeOriginal)
        fields << QString();
    if (fields.size() == beforeWidest) {
        for (int k = 0; k < WidestColumns; ++k)
            fields << QString();
    }
    if (fields.size() != full)
        return std::nullopt;
    FieldReader f(fields);
    MeasurementEntry e;
    if (!readWhatChanged(f, e) || !readSettings(f, e) || !readScanLines(f, e))
        return std::nullopt;
    const auto pxPerMm = exactNumber<float>(f.next());
    const auto calibrated = flagFrom(f.next());
    if (!pxPerMm || !calibrated)
        return std::nullopt;
    e.pxPerMm = *pxPerMm;
    e.calibrated = *calibrated;
    if (!readManualLine(f, e))
        return std::nullopt;
    e.result = f.text();
    e.cameraFile = f.text();
    if (const QString modified = f.next(); !modified.isEmpty()) {
        e.cameraModified = recordedTime(modified);
        if (!e.cameraModified.isValid())
            return std::nullopt;
    }
    if (!readAcross(f, e))
        return std::nullopt;
    // A word that names no direction is as unreadable as any other field not as written.
    const std::optional<CrackDirection> estimated = crackDirectionFromName(f.next());
    if (!estimated)
        return std::nullopt;
    e.estimated = *estimated;
    e.original = f.text();
    if (!originalNamed)
        e.original.reset();
    if (!readWidest(f, e))
        return std::nullopt;
    return e;
}

// The first count pending lines, bytes long together, as one line of the record: the header, or an entry
// handed to take. False when it is neither.
bool takeLine(const std::deque<PhysicalLine>& pending, std::size_t count, qsizetype bytes, LineDecoder& decoder,
    const std::function<void(MeasurementEntry&&)>& take)
{
    QByteArray line;
    line.reserve(bytes);
    for (std::size_t k = 0; k < count; ++k)
        line += pending[k].bytes;
    line.chop(line.endsWith("\r\n") ? 2 : 1);
    const std::optional<QString> text = decoder.decode(line);
    if (!text)
        return false;
    const QStringList fields = csvFields(*text);
    // The header, also as written before the calibration column.
    if (pending.front().number == 1 && fields.front() == recordColumns().front())
        return true;
    std::optional<MeasurementEntry> entry = entryFrom(fields);
    if (!entry)
        return false;
    take(*std::move(entry));
    return true;
}

} // namespace

MeasurementRecordLines readMeasurementRecord(
    QIODevice& device, qint64 size, const std::function<void(MeasurementEntry&&)>& take)
{
    MeasurementRecordLines result;
    PhysicalLines source(device, size);
    LineDecoder decoder;
    std::deque<PhysicalLine> pending;
    bool atEnd = false;
    const auto readMore = [&] {
        if (atEnd)
            return false;
        std::optional<PhysicalLine> line = source.next();
        if (!line) {
            atEnd = true;
            return false;
        }
        pending.push_back(*std::move(line));
        return true;
    };
    while (!pending.empty() || readMore()) {
        // A quote left open on the first line takes in the lines up to the one that closes it.
        const PhysicalLine& first = pending.front();
        bool open = first.oddQuotes && !first.overlong;
        std::size_t count = 1;
        qsizetype bytes = first.bytes.size();
        while (open && pending[count - 1].ended) {
            if (count == pending.size() && !readMore())
                break;
            const PhysicalLine& next = pending[count];
            if (next.overlong || bytes + next.bytes.size() > MaxRecordLineBytes)
                break;
            bytes += next.bytes.size();
            open = open != next.oddQuotes;
            ++count;
        }
        const bool read
            = !open && !first.overlong && pending[count - 1].ended && takeLine(pending, count, bytes, decoder, take);
        if (read) {
            pending.erase(pending.begin(), pending.begin() + std::ptrdiff_t(count));
            continue;
        }
        // Only the first line is lost: the lines a stray quote took in are read again on their own.
        ++result.unreadableLines;
        if (result.unreadableLineNumbers.size() < MaxListedUnreadableLines)
            result.unreadableLineNumbers << first.number;
        pending.pop_front();
    }
    result.error = source.error();
    return result;
}

MeasurementRecordRead readMeasurementRecord(const QByteArray& content)
{
    QBuffer buffer;
    buffer.setData(content);
    buffer.open(QIODevice::ReadOnly);
    MeasurementRecordRead read;
    const MeasurementRecordLines lines = readMeasurementRecord(
        buffer, content.size(), [&read](MeasurementEntry&& entry) { read.entries << std::move(entry); });
    read.unreadableLines = lines.unreadableLines;
    read.unreadableLineNumbers = lines.unreadableLineNumbers;
    return read;
}

} // namespace norvel
