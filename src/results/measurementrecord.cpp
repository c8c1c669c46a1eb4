#include "results/measurementrecord.h"

#include "platform/numbers.h"
#include "results/polenumber.h"

#include <QStringList>


namespace norvel {

namespace {

constexpr QStringView TimeFormat = u"yyyy-MM-dd HH:mm:ss.zzz";

const QStringList& columns()
{
    static const QStringList names = [] {
        QStringList list { QStringLiteral("時刻"), QStringLiteral("調査柱No"), QStringLiteral("行"), QStringLiteral("操作"),
            QStringLiteral("画像"), QStringLiteral("画像幅"), QStringLiteral("画像高"), QStringLiteral("分析方法"),
            QStringLiteral("スキャン方向"), QStringLiteral("閾値"), QStringLiteral("自動閾値"), QStringLiteral("検出幅制限"),
            QStringLiteral("制限幅mm"), QStringLiteral("表示サイズ"), QStringLiteral("範囲X"), QStringLiteral("範囲Y"),
            QStringLiteral("範囲幅"), QStringLiteral("範囲高"), QStringLiteral("倍率"), QStringLiteral("表示縮尺") };
        for (int k = 1; k <= 5; ++k)
            list << QStringLiteral("線%1位置").arg(k) << QStringLiteral("線%1始点").arg(k) << QStringLiteral("線%1幅").arg(k);
        list << QStringLiteral("画素/mm") << QStringLiteral("校正済") << QStringLiteral("手動線始点X") << QStringLiteral("手動線始点Y")
             << QStringLiteral("手動線終点X") << QStringLiteral("手動線終点Y") << QStringLiteral("手動線ステップ数")
             << QStringLiteral("手動線ひび始点") << QStringLiteral("手動線ひび幅") << QStringLiteral("結果");
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


QByteArray csvLine(const QStringList& fields)
{
    QStringList out;
    for (const QString& field : fields)
        out << csvField(field);
    return out.join(QLatin1Char(',')).toUtf8() + "\r\n";
}

// Splits the record into lines of fields; a quoted field may hold a line break. Each line comes with
// whether it ended with CR LF: one cut short by a crash does not.
struct CsvLine {
    QStringList fields;
    bool complete = false;
};

QList<CsvLine> csvLines(const QString& text)
{
    QList<CsvLine> lines;
    CsvLine line;
    QString field;
    bool inQuotes = false;
    bool any = false;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        any = true;
        if (inQuotes) {
            if (c == QLatin1Char('"')) {
                if (i + 1 < text.size() && text[i + 1] == QLatin1Char('"')) {
                    field += c;
                    ++i;
                } else {
                    inQuotes = false;
                }
            } else {
                field += c;
            }
        } else if (c == QLatin1Char('"')) {
            inQuotes = true;
        } else if (c == QLatin1Char(',')) {
            line.fields << std::exchange(field, QString());
        } else if (c == QLatin1Char('\r') && i + 1 < text.size() && text[i + 1] == QLatin1Char('\n')) {
            line.fields << std::exchange(field, QString());
            line.complete = true;
            lines << std::exchange(line, CsvLine());
            any = false;
            ++i;
        } else {
            field += c;
        }
    }
    if (any) {
        line.fields << field;
        lines << line;
    }
    return lines;
}

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

std::optional<MeasurementEntry> entryFrom(QStringList f)
{
    if (f.size() == columns().size() - 1)
        f.insert(CalibratedColumn, QStringLiteral("0"));
    if (f.size() != columns().size())
        return std::nullopt;
    MeasurementEntry e;
    int i = 0;
    e.time = QDateTime::fromString(f[i++], TimeFormat);
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
    }
    return {};
}

std::optional<RecordedChange> recordedChangeFromName(const QString& name)
{
    for (int c = 0; c <= int(RecordedChange::PoleChanged); ++c)
        if (recordedChangeName(RecordedChange(c)) == name)
            return RecordedChange(c);
    return std::nullopt;
}

QString csvField(const QString& field)
{
    if (!field.contains(QLatin1Char(',')) && !field.contains(QLatin1Char('"')) && !field.contains(QLatin1Char('\r'))
        && !field.contains(QLatin1Char('\n')))
        return field;
    QString out = field;
    out.replace(QLatin1Char('"'), QStringLiteral("\"\""));
    return QLatin1Char('"') + out + QLatin1Char('"');
}

QByteArray measurementRecordHeader()
{
    // The BOM tells spreadsheet programs that the file is UTF-8, not the system's code page.
    static const QByteArray header = QByteArray("\xEF\xBB\xBF") + csvLine(columns());
    return header;
}

QByteArray measurementRecordLine(const MeasurementEntry& e)
{
    QStringList f { e.time.toString(TimeFormat), e.pole, QString::number(e.row), recordedChangeName(e.change), e.picture };
    if (e.pictureSize.isValid())
        f << QString::number(e.pictureSize.width()) << QString::number(e.pictureSize.height());
    else
        f << QString() << QString();
    f << methodNames()[std::size_t(std::clamp(e.method, 0, 3))] << (e.horizontal ? Horizontal : Vertical) << e.threshold
      << flag(e.autoThreshold) << flag(e.widthLimitOn) << e.widthLimit << e.displaySize
      << QString::number(e.rangeX[0]) << QString::number(e.rangeY[0]) << QString::number(e.rangeX[1])
      << QString::number(e.rangeY[1]) << exactText(e.zoom) << exactText(e.dspRate);
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
    f << e.result;
    return csvLine(f);
}

MeasurementRecordRead readMeasurementRecord(const QByteArray& content)
{
    MeasurementRecordRead read;
    QString text = QString::fromUtf8(content); // drops the BOM
    const QList<CsvLine> lines = csvLines(text);
    for (qsizetype n = 0; n < lines.size(); ++n) {
        const CsvLine& line = lines[n];
        // The header, also as written before the calibration column.
        if (n == 0 && !line.fields.isEmpty() && line.fields.front() == columns().front())
            continue;
        const std::optional<MeasurementEntry> entry = line.complete ? entryFrom(line.fields) : std::nullopt;
        if (entry)
            read.entries << *entry;
        else
            ++read.unreadableLines;
    }
    return read;
}

QString measurementRecordPath(const QString& programFolder, const QDate& day)
{
    return programFolder + QLatin1Char('/') + dayFolderName(day) + QLatin1Char('/') + MeasurementRecordFileName;
}

} // namespace norvel
