#include "ledger/ledgerday.h"

#include "acquisition/pictureshow.h"
#include "analysis/summary.h"
#include "platform/numbers.h"
#include "results/measurementrecord.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QImageReader>

#include <algorithm>
#include <cmath>

namespace norvel {

namespace {

// Epsilon for "at or above": 0.2 typed and 0.2 from the spin box are the same double, but a mean or a
// width read from "0.20" must not fall just short of the line through rounding.
constexpr double JudgementTolerance = 1e-9;

bool isMeasuringChange(RecordedChange change)
{
    return change == RecordedChange::TakeInAnalysis || change == RecordedChange::Analysis
        || change == RecordedChange::ManualLine || change == RecordedChange::TypedCorrection;
}

bool drawsMarks(RecordedChange change)
{
    return change == RecordedChange::TakeInAnalysis || change == RecordedChange::Analysis
        || change == RecordedChange::ManualLine;
}

MeasuredHow howOf(RecordedChange change)
{
    switch (change) {
    case RecordedChange::TakeInAnalysis:
    case RecordedChange::Analysis:
        return MeasuredHow::Automatic;
    case RecordedChange::ManualLine:
        return MeasuredHow::ManualLine;
    case RecordedChange::TypedCorrection:
        return MeasuredHow::Typed;
    default:
        return MeasuredHow::Unknown;
    }
}

QString widthLabel(int width, float pxPerMm)
{
    return pxPerMm > 0 ? millimetreLabel(static_cast<float>(width) / pxPerMm) : QString();
}

qint16 clampedWidth(int width)
{
    return static_cast<qint16>(std::clamp(width, 0, 32767));
}

QList<LedgerMark> marksOf(const MeasurementEntry& entry)
{
    QList<LedgerMark> marks;
    if (entry.lines) {
        std::array<qint16, 5> widths {};
        for (std::size_t k = 0; k < 5; ++k)
            widths[k] = clampedWidth((*entry.lines)[k].width);
        const WidthSummary summary = summariseWidths(widths, entry.pxPerMm);
        for (std::size_t k = 0; k < 5; ++k) {
            const RecordedScanLine& line = (*entry.lines)[k];
            if (line.width <= 0)
                continue;
            const QLineF segment = entry.horizontal
                ? QLineF(line.start, line.position, line.start + line.width, line.position)
                : QLineF(line.position, line.start, line.position, line.start + line.width);
            marks.append({ segment, widthLabel(line.width, entry.pxPerMm), summary.used[k], entry.horizontal });
        }
    }
    if (entry.manual && entry.manual->steps > 0 && entry.manual->width > 0) {
        const RecordedManualLine& line = *entry.manual;
        const QPointF step = (line.to - line.from) / line.steps;
        const QLineF segment(line.from + step * line.start, line.from + step * (line.start + line.width));
        marks.append({ segment, widthLabel(line.width, entry.pxPerMm), true, false });
    }
    return marks;
}

QList<LedgerRow> readResultRows(const QString& path)
{
    QList<LedgerRow> rows;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return rows;
    const QList<QByteArray> lines = file.readAll().split('\n');
    for (QByteArray line : lines) {
        if (line.endsWith('\r'))
            line.chop(1);
        const qsizetype comma = line.indexOf(',');
        if (comma < 0)
            continue;
        bool ok = false;
        const int row = line.left(comma).trimmed().toInt(&ok);
        if (!ok || row < 1)
            continue;
        LedgerRow result;
        result.row = row;
        result.width = QString::fromUtf8(line.mid(comma + 1));
        result.widthMm = widthNumber(result.width);
        rows.append(result);
    }
    return rows;
}

using RowKey = std::pair<QString, int>;

// The record's measuring entries per pole and row, in time order.
QHash<RowKey, QList<const MeasurementEntry*>> measuringEntries(const QList<MeasurementEntry>& entries)
{
    QHash<RowKey, QList<const MeasurementEntry*>> byRow;
    for (const MeasurementEntry& entry : entries) {
        if (isMeasuringChange(entry.change))
            byRow[RowKey(entry.pole, entry.row)].append(&entry);
    }
    return byRow;
}

void describeRow(LedgerRow& row, const QList<const MeasurementEntry*>& entries)
{
    if (entries.isEmpty())
        return;
    row.how = howOf(entries.back()->change);
    if (row.picturePath.isEmpty())
        return;
    const QString pictureName = QFileInfo(row.picturePath).fileName();
    for (auto entry = entries.rbegin(); entry != entries.rend(); ++entry) {
        if (drawsMarks((*entry)->change) && (*entry)->picture == pictureName
            && (*entry)->pictureSize == row.pictureSize) {
            row.marks = marksOf(**entry);
            return;
        }
    }
}

void summarisePole(LedgerPole& pole)
{
    double sum = 0;
    int count = 0;
    for (const LedgerRow& row : pole.rows) {
        if (!row.widthMm)
            continue;
        sum += *row.widthMm;
        ++count;
        if (!pole.widestMm || *row.widthMm > *pole.widestMm)
            pole.widestMm = row.widthMm;
    }
    if (count > 0)
        pole.meanMm = sum / count;
}

int compareDigitRuns(QStringView a, QStringView b)
{
    while (a.size() > 1 && a.front().digitValue() == 0)
        a = a.mid(1);
    while (b.size() > 1 && b.front().digitValue() == 0)
        b = b.mid(1);
    if (a.size() != b.size())
        return a.size() < b.size() ? -1 : 1;
    for (qsizetype i = 0; i < a.size(); ++i) {
        if (a[i].digitValue() != b[i].digitValue())
            return a[i].digitValue() < b[i].digitValue() ? -1 : 1;
    }
    return 0;
}

qsizetype digitRunEnd(QStringView text, qsizetype from)
{
    while (from < text.size() && text[from].isDigit())
        ++from;
    return from;
}

// Text order with runs of digits compared by value; texts equal that way ("A01", "A1") by their characters.
int naturalCompare(QStringView a, QStringView b)
{
    qsizetype i = 0;
    qsizetype j = 0;
    while (i < a.size() && j < b.size()) {
        if (a[i].isDigit() && b[j].isDigit()) {
            const qsizetype endA = digitRunEnd(a, i);
            const qsizetype endB = digitRunEnd(b, j);
            if (const int order = compareDigitRuns(a.sliced(i, endA - i), b.sliced(j, endB - j)))
                return order;
            i = endA;
            j = endB;
            continue;
        }
        if (a[i] != b[j])
            return a[i] < b[j] ? -1 : 1;
        ++i;
        ++j;
    }
    if (i < a.size() || j < b.size())
        return i < a.size() ? 1 : -1;
    const int order = a.compare(b);
    return order < 0 ? -1 : (order > 0 ? 1 : 0);
}

QByteArray csvWidth(std::optional<double> width)
{
    return width ? fixedText(*width, 2).toUtf8() : QByteArray();
}

} // namespace

QString measuredHowText(MeasuredHow how)
{
    switch (how) {
    case MeasuredHow::Automatic:
        return QStringLiteral("自動");
    case MeasuredHow::ManualLine:
        return QStringLiteral("手動線");
    case MeasuredHow::Typed:
        return QStringLiteral("修正");
    case MeasuredHow::Unknown:
        break;
    }
    return {};
}

std::optional<double> widthNumber(const QString& text)
{
    bool ok = false;
    const double value = text.trimmed().toDouble(&ok);
    if (!ok || !std::isfinite(value))
        return std::nullopt;
    return value;
}

bool poleBefore(const QString& a, const QString& b)
{
    const std::optional<double> numberA = widthNumber(a);
    const std::optional<double> numberB = widthNumber(b);
    if (numberA.has_value() != numberB.has_value())
        return numberA.has_value();
    if (numberA && *numberA != *numberB)
        return *numberA < *numberB;
    return naturalCompare(a, b) < 0;
}

QString judgementText(std::optional<double> widthMm, double judgementMm)
{
    return widthMm && *widthMm >= judgementMm - JudgementTolerance ? QStringLiteral("要注意") : QString();
}

LedgerDay loadLedgerDay(const QString& dayFolder, const QList<MeasurementEntry>& entries, const std::optional<OpenResults>& open)
{
    LedgerDay day;
    day.folder = dayFolder;
    const QDir folder(dayFolder);
    day.day = folder.dirName();

    QStringList poles;
    if (QFileInfo::exists(folder.filePath(QStringLiteral("NoCP.csv"))))
        poles << QString();
    for (const QString& name : folder.entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name)) {
        if (QFileInfo::exists(folder.filePath(name + QStringLiteral("/No") + name + QStringLiteral("CP.csv"))))
            poles << name;
    }
    if (open && !open->widths.isEmpty() && !poles.contains(open->pole))
        poles << open->pole;
    std::stable_sort(poles.begin(), poles.end(), poleBefore);

    const auto byRow = measuringEntries(entries);
    for (const QString& name : poles) {
        const QDir poleFolder(name.isEmpty() ? dayFolder : folder.filePath(name));
        LedgerPole pole;
        pole.pole = name;
        if (open && !open->widths.isEmpty() && open->pole == name) {
            for (qsizetype i = 0; i < open->widths.size(); ++i) {
                LedgerRow row;
                row.row = int(i + 1);
                row.width = open->widths[i];
                row.widthMm = widthNumber(row.width);
                pole.rows.append(row);
            }
        } else {
            pole.rows = readResultRows(poleFolder.filePath(QStringLiteral("No") + name + QStringLiteral("CP.csv")));
        }
        for (LedgerRow& row : pole.rows) {
            const QString picture = poleFolder.filePath(filedPictureFileName(name, row.row));
            if (QFileInfo(picture).isFile()) {
                row.picturePath = picture;
                row.pictureSize = QImageReader(picture).size();
            }
            describeRow(row, byRow.value(RowKey(name, row.row)));
        }
        summarisePole(pole);
        day.shots += static_cast<int>(pole.rows.size());
        if (pole.widestMm && (!day.widestMm || *pole.widestMm > *day.widestMm)) {
            day.widestMm = pole.widestMm;
            day.widestPole = name;
        }
        day.poles.append(pole);
    }
    return day;
}

QString summaryCsvFileName(const QString& day)
{
    return QStringLiteral("集計_") + day + QStringLiteral(".csv");
}

QString ledgerPdfFileName(const QString& day)
{
    return QStringLiteral("写真台帳_") + day + QStringLiteral(".pdf");
}

QByteArray summaryCsv(const LedgerDay& day, double judgementMm)
{
    QByteArray csv("\xEF\xBB\xBF");
    csv += QStringLiteral("調査柱No,行数,最大幅mm,平均幅mm,判定\r\n").toUtf8();
    for (const LedgerPole& pole : day.poles) {
        csv += csvField(pole.pole).toUtf8() + ',' + QByteArray::number(pole.rows.size()) + ',' + csvWidth(pole.widestMm) + ','
            + csvWidth(pole.meanMm) + ',' + judgementText(pole.widestMm, judgementMm).toUtf8() + "\r\n";
    }
    return csv;
}

} // namespace norvel
