#include "results/measurementrecord.h"

#include "core/dayfolder.h"
#include "core/numbers.h"
#include "files/csvfields.h"

#include <QBuffer>
#include <QFileDevice>
#include <QStringDecoder>
#include <QStringList>

#include <cstddef>
#include <deque>

namespace norvel {

namespace {

constexpr QStringView TimeFormat = u"yyyy-MM-dd HH:mm:ss.zzz";

const QStringList& columns()
{
    static const QStringList names = [] {
        QStringList list { QStringLiteral("時刻"), QStringLiteral("調査柱No"), QStringLiteral("行"),
            QStringLiteral("操作"), QStringLiteral("画像"), QStringLiteral("画像幅"), QStringLiteral("画像高"),
            QStringLiteral("分析方法"), QStringLiteral("スキャン方向"), QStringLiteral("閾値"),
            QStringLiteral("自動閾値"), QStringLiteral("検出幅制限"), QStringLiteral("制限幅mm"),
            QStringLiteral("表示サイズ"), QStringLiteral("範囲X"), QStringLiteral("範囲Y"), QStringLiteral("範囲幅"),
            QStringLiteral("範囲高"), QStringLiteral("倍率"), QStringLiteral("表示縮尺") };
        for (int k = 1; k <= 5; ++k)
            list << QStringLiteral("線%1位置").arg(k) << QStringLiteral("線%1始点").arg(k)
                 << QStringLiteral("線%1幅").arg(k);
        list << QStringLiteral("画素/mm") << QStringLiteral("校正済") << QStringLiteral("手動線始点X")
             << QStringLiteral("手動線始点Y") << QStringLiteral("手動線終点X") << QStringLiteral("手動線終点Y")
             << QStringLiteral("手動線ステップ数") << QStringLiteral("手動線ひび始点") << QStringLiteral("手動線ひび幅")
             << QStringLiteral("結果") << QStringLiteral("カメラ画像") << QStringLiteral("カメラ画像時刻");
        return list;
    }();
    return names;
}

const std::array<QString, 4>& methodNames()
{
    static const std::array<QString, 4> names { QStringLiteral("亀裂幅優先"), QStringLiteral("黒さ優先"),
        QStringLiteral("白黒反転幅優先"), QStringLiteral("白黒反転白さ優先") };
    return names;
}

const QString Vertical = QStringLiteral("縦スキャン");
const QString Horizontal = QStringLiteral("横スキャン");

// The record's own time form first, then the forms a spreadsheet program saves a time in.
QDateTime recordedTime(const QString& text)
{
    static const std::array<QString, 6> forms { TimeFormat.toString(), QStringLiteral("yyyy/M/d H:mm:ss.zzz"),
        QStringLiteral("yyyy/M/d H:mm:ss"), QStringLiteral("yyyy/M/d H:mm"), QStringLiteral("yyyy-M-d H:mm:ss"),
        QStringLiteral("yyyy-M-d H:mm") };
    for (const QString& form : forms) {
        const QDateTime time = QDateTime::fromString(text, form);
        if (time.isValid())
            return time;
    }
    return {};
}

// A line of the file as read: its bytes with the line end, up to MaxRecordLineBytes.
struct PhysicalLine {
    QByteArray bytes;
    qint64 number = 0; // from 1
    bool ended = false; // by a line feed; the last line of a file cut short is not
    bool overlong = false; // longer than MaxRecordLineBytes: bytes is empty
    bool oddQuotes = false; // an odd number of quotes: a quoted field is left open at its end
};

// The lines of at most size bytes of a device, read a block at a time. The quotes and line feeds are
// the same bytes in UTF-8 and in Shift_JIS, whose second bytes are never below 0x40.
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
            const qsizetype feed = m_block.indexOf('\n', m_at);
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

// A line's text: UTF-8 as the program writes it, or else Shift_JIS as a spreadsheet program saves it.
class LineDecoder {
public:
    std::optional<QString> decode(QByteArrayView bytes)
    {
        QString text = m_utf8.decode(bytes);
        if (!m_utf8.hasError())
            return text;
        m_utf8.resetState();
        if (!m_shiftJis.isValid())
            return std::nullopt;
        text = m_shiftJis.decode(bytes);
        if (m_shiftJis.hasError()) {
            m_shiftJis.resetState();
            return std::nullopt;
        }
        return text;
    }

private:
    QStringDecoder m_utf8 { QStringDecoder::Utf8,
        QStringDecoder::Flag::Stateless | QStringDecoder::Flag::ConvertInitialBom };
    QStringDecoder m_shiftJis { "windows-31j",
        QStringDecoder::Flag::Stateless | QStringDecoder::Flag::ConvertInitialBom };
};

QString flag(bool on)
{
    return on ? QStringLiteral("1") : QStringLiteral("0");
}

std::optional<bool> flagFrom(const QString& text)
{
    if (text == QLatin1String("1"))
        return true;
    if (text == QLatin1String("0"))
        return false;
    return std::nullopt;
}

// Where the calibration column stands; lines written before it existed lack it.
constexpr int CalibratedColumn = 36;
// The camera's name and time close the line; lines written before they were recorded lack both.
constexpr int CameraColumns = 2;

std::optional<MeasurementEntry> entryFrom(QStringList f)
{
    const qsizetype full = columns().size();
    if (f.size() == full - CameraColumns - 1)
        f.insert(CalibratedColumn, QStringLiteral("0"));
    if (f.size() == full - CameraColumns)
        f << QString() << QString();
    if (f.size() != full)
        return std::nullopt;
    MeasurementEntry e;
    int i = 0;
    e.time = recordedTime(f[i++]);
    e.pole = f[i++];
    const auto row = exactNumber<int>(f[i++]);
    const auto change = recordedChangeFromName(f[i++]);
    if (!e.time.isValid() || !row || *row < 0 || !change)
        return std::nullopt;
    e.row = *row;
    e.change = *change;
    e.picture = f[i++];
    const QString width = f[i++];
    const QString height = f[i++];
    if (!width.isEmpty() || !height.isEmpty()) {
        const auto w = exactNumber<int>(width);
        const auto h = exactNumber<int>(height);
        // A size with a negative side is no picture's, and would be written back as none.
        if (!w || !h || *w < 0 || *h < 0)
            return std::nullopt;
        e.pictureSize = QSize(*w, *h);
    }
    const auto method = std::find(methodNames().begin(), methodNames().end(), f[i++]);
    if (method == methodNames().end())
        return std::nullopt;
    e.method = int(method - methodNames().begin());
    const QString direction = f[i++];
    if (direction != Vertical && direction != Horizontal)
        return std::nullopt;
    e.horizontal = direction == Horizontal;
    e.threshold = f[i++];
    const auto autoThreshold = flagFrom(f[i++]);
    const auto limitOn = flagFrom(f[i++]);
    if (!autoThreshold || !limitOn)
        return std::nullopt;
    e.autoThreshold = *autoThreshold;
    e.widthLimitOn = *limitOn;
    e.widthLimit = f[i++];
    e.displaySize = f[i++];
    for (int* value : { &e.rangeX[0], &e.rangeY[0], &e.rangeX[1], &e.rangeY[1] }) {
        const auto n = exactNumber<int>(f[i++]);
        if (!n)
            return std::nullopt;
        *value = *n;
    }
    const auto zoom = exactNumber<float>(f[i++]);
    const auto dspRate = exactNumber<float>(f[i++]);
    if (!zoom || !dspRate)
        return std::nullopt;
    e.zoom = *zoom;
    e.dspRate = *dspRate;
    if (!f[i].isEmpty()) {
        std::array<RecordedScanLine, 5> lines;
        for (RecordedScanLine& line : lines) {
            for (int* value : { &line.position, &line.start, &line.width }) {
                const auto n = exactNumber<int>(f[i++]);
                if (!n)
                    return std::nullopt;
                *value = *n;
            }
        }
        e.lines = lines;
    } else {
        for (int k = 0; k < 15; ++k)
            if (!f[i++].isEmpty())
                return std::nullopt;
    }
    const auto pxPerMm = exactNumber<float>(f[i++]);
    const auto calibrated = flagFrom(f[i++]);
    if (!pxPerMm || !calibrated)
        return std::nullopt;
    e.pxPerMm = *pxPerMm;
    e.calibrated = *calibrated;
    if (!f[i].isEmpty()) {
        RecordedManualLine manual;
        std::array<double, 4> ends {};
        for (double& end : ends) {
            const auto n = exactNumber<double>(f[i++]);
            if (!n)
                return std::nullopt;
            end = *n;
        }
        manual.from = QPointF(ends[0], ends[1]);
        manual.to = QPointF(ends[2], ends[3]);
        for (int* value : { &manual.steps, &manual.start, &manual.width }) {
            const auto n = exactNumber<int>(f[i++]);
            if (!n)
                return std::nullopt;
            *value = *n;
        }
        e.manual = manual;
    } else {
        for (int k = 0; k < 7; ++k)
            if (!f[i++].isEmpty())
                return std::nullopt;
    }
    e.result = f[i++];
    e.cameraFile = f[i++];
    if (const QString modified = f[i++]; !modified.isEmpty()) {
        e.cameraModified = recordedTime(modified);
        if (!e.cameraModified.isValid())
            return std::nullopt;
    }
    return e;
}

} // namespace

QString recordedChangeName(RecordedChange change)
{
    switch (change) {
    case RecordedChange::TakeInAnalysis:
        return QStringLiteral("取込分析");
    case RecordedChange::Analysis:
        return QStringLiteral("分析");
    case RecordedChange::ManualLine:
        return QStringLiteral("手動線");
    case RecordedChange::TypedCorrection:
        return QStringLiteral("修正入力");
    case RecordedChange::RowCleared:
        return QStringLiteral("1行クリア");
    case RecordedChange::AllCleared:
        return QStringLiteral("全クリア");
    case RecordedChange::CopiedAndCleared:
        return QStringLiteral("コピー後クリア");
    case RecordedChange::PoleChanged:
        return QStringLiteral("柱変更");
    case RecordedChange::ShutDown:
        return QStringLiteral("終了");
    case RecordedChange::PoleResumed:
        return QStringLiteral("柱再開");
    }
    return {};
}

std::optional<RecordedChange> recordedChangeFromName(const QString& name)
{
    for (int c = 0; c <= int(RecordedChange::PoleResumed); ++c)
        if (recordedChangeName(RecordedChange(c)) == name)
            return RecordedChange(c);
    return std::nullopt;
}

QByteArray measurementRecordHeader()
{
    // The BOM tells spreadsheet programs that the file is UTF-8, not the system's code page.
    static const QByteArray header = QByteArray("\xEF\xBB\xBF") + csvLine(columns());
    return header;
}

QByteArray measurementRecordLine(const MeasurementEntry& e)
{
    QStringList f { e.time.toString(TimeFormat), e.pole, QString::number(e.row), recordedChangeName(e.change),
        e.picture };
    if (e.pictureSize.isValid())
        f << QString::number(e.pictureSize.width()) << QString::number(e.pictureSize.height());
    else
        f << QString() << QString();
    f << methodNames()[std::size_t(std::clamp(e.method, 0, 3))] << (e.horizontal ? Horizontal : Vertical) << e.threshold
      << flag(e.autoThreshold) << flag(e.widthLimitOn) << e.widthLimit << e.displaySize << QString::number(e.rangeX[0])
      << QString::number(e.rangeY[0]) << QString::number(e.rangeX[1]) << QString::number(e.rangeY[1])
      << exactText(e.zoom) << exactText(e.dspRate);
    for (int k = 0; k < 5; ++k) {
        if (e.lines) {
            const RecordedScanLine& line = (*e.lines)[std::size_t(k)];
            f << QString::number(line.position) << QString::number(line.start) << QString::number(line.width);
        } else {
            f << QString() << QString() << QString();
        }
    }
    f << exactText(e.pxPerMm) << flag(e.calibrated);
    if (e.manual)
        f << exactText(e.manual->from.x()) << exactText(e.manual->from.y()) << exactText(e.manual->to.x())
          << exactText(e.manual->to.y()) << QString::number(e.manual->steps) << QString::number(e.manual->start)
          << QString::number(e.manual->width);
    else
        f << QString() << QString() << QString() << QString() << QString() << QString() << QString();
    f << e.result << e.cameraFile << (e.cameraModified.isValid() ? e.cameraModified.toString(TimeFormat) : QString());
    return csvLine(f);
}

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
        bool read = false;
        if (!open && !first.overlong && pending[count - 1].ended) {
            QByteArray line;
            line.reserve(bytes);
            for (std::size_t k = 0; k < count; ++k)
                line += pending[k].bytes;
            line.chop(line.endsWith("\r\n") ? 2 : 1);
            if (const std::optional<QString> text = decoder.decode(line)) {
                const QStringList fields = csvFields(*text);
                // The header, also as written before the calibration column.
                if (first.number == 1 && fields.front() == columns().front()) {
                    read = true;
                } else if (std::optional<MeasurementEntry> entry = entryFrom(fields)) {
                    take(*std::move(entry));
                    read = true;
                }
            }
        }
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

QString lineNumbersText(const QList<qint64>& numbers, int count, int limit)
{
    const qsizetype named = std::min<qsizetype>(numbers.size(), limit);
    QStringList parts;
    for (qsizetype i = 0; i < named;) {
        qsizetype last = i;
        while (last + 1 < named && numbers[last + 1] == numbers[last] + 1)
            ++last;
        parts << (last == i ? QString::number(numbers[i])
                            : QString::number(numbers[i]) + QChar(0x2013) + QString::number(numbers[last]));
        i = last + 1;
    }
    QString text = parts.join(QStringLiteral(", ")) + QStringLiteral(" 行目");
    if (count > named)
        text += QStringLiteral("ほか %1 行").arg(count - named);
    return text;
}

QString measurementRecordPath(const QString& programFolder, const QDate& day)
{
    return dayFolderPath(programFolder, day) + QLatin1Char('/') + MeasurementRecordFileName;
}

} // namespace norvel
