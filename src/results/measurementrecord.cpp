#include "results/measurementrecord.h"

#include "core/dayfolder.h"
#include "core/numbers.h"
#include "files/csvfields.h"
#include "results/recordcolumns.h"

#include <QStringList>

namespace norvel {

namespace {

QString flag(bool on)
{
    return on ? QStringLiteral("1") : QStringLiteral("0");
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
    case RecordedChange::RowSetAside:
        return QStringLiteral("取消");
    case RecordedChange::Undone:
        return QStringLiteral("元に戻す");
    case RecordedChange::AnalysisNotApplied:
        return QStringLiteral("分析不採用");
    }
    return {};
}

std::optional<RecordedChange> recordedChangeFromName(const QString& name)
{
    for (int c = 0; c <= int(LastRecordedChange); ++c)
        if (recordedChangeName(RecordedChange(c)) == name)
            return RecordedChange(c);
    return std::nullopt;
}

QByteArray measurementRecordHeader()
{
    // The BOM tells spreadsheet programs that the file is UTF-8, not the system's code page.
    static const QByteArray header = QByteArray("\xEF\xBB\xBF") + csvLine(recordColumns());
    return header;
}

QByteArray measurementRecordLine(const MeasurementEntry& e)
{
    // What was typed or named by the camera is written as text a spreadsheet does not work out (read back exactly).
    QStringList f { e.time.toString(RecordTimeFormat), spreadsheetSafe(e.pole), QString::number(e.row),
        recordedChangeName(e.change), spreadsheetSafe(e.picture) };
    if (e.pictureSize.isValid())
        f << QString::number(e.pictureSize.width()) << QString::number(e.pictureSize.height());
    else
        f << QString() << QString();
    f << recordMethodNames()[std::size_t(std::clamp(e.method, 0, 3))]
      << (e.horizontal ? RecordHorizontal : RecordVertical) << spreadsheetSafe(e.threshold) << flag(e.autoThreshold)
      << flag(e.widthLimitOn) << spreadsheetSafe(e.widthLimit) << spreadsheetSafe(e.displaySize)
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
    f << spreadsheetSafe(e.result) << spreadsheetSafe(e.cameraFile)
      << (e.cameraModified.isValid() ? e.cameraModified.toString(RecordTimeFormat) : QString());
    if (e.across) {
        f << (e.across->horizontal ? RecordHorizontal : RecordVertical);
        for (const RecordedAcrossLine& line : e.across->lines)
            f << exactText(line.along) << exactText(line.centre) << exactText(line.angleDegrees)
              << exactText(line.spreadDegrees) << flag(line.kept);
    } else {
        for (int k = 0; k < AcrossColumns; ++k)
            f << QString();
    }
    f << crackDirectionName(e.estimated) << spreadsheetSafe(e.original.value_or(QString()));
    if (e.across && e.across->widest) {
        const RecordedWidest& widest = *e.across->widest;
        f << fixedText(widest.mm, 2) << exactText(widest.across.x1()) << exactText(widest.across.y1())
          << exactText(widest.across.x2()) << exactText(widest.across.y2());
    } else {
        for (int k = 0; k < WidestColumns; ++k)
            f << QString();
    }
    return csvLine(f);
}

QString widestLabel(double mm)
{
    return QStringLiteral("最大 ") + fixedText(mm, 2) + QStringLiteral("mm");
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
