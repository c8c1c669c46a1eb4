#include "ledger/ledgerday.h"

#include "acquisition/pictureshow.h"
#include "analysis/acrosscrack.h"
#include "analysis/summary.h"
#include "core/numbers.h"
#include "core/resultfile.h"
#include "results/measurementrecord.h"

#include "files/folderlisting.h"
#include "files/regularfile.h"
#include "picture/picturefile.h"

#include <QDir>
#include <QFile>
#include <QHash>
#include <QImageReader>
#include <QRegularExpression>

#include <algorithm>
#include <cerrno>
#include <cmath>

namespace norvel {

namespace {

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

QLineF alongSegment(const RecordedScanLine& line, bool horizontal)
{
    return horizontal ? QLineF(line.start, line.position, line.start + line.width, line.position)
                      : QLineF(line.position, line.start, line.position, line.start + line.width);
}

// An analysis measured across the crack, drawn as the window drew it: a kept line's mark across the crack,
// labelled with its width across and green when that entered the mean; a line off the crack's path its run along
// the line in whole pixels, red. The lines are those of the direction scanned, which may not be the menu's.
void addAcrossMarks(const MeasurementEntry& entry, const RecordedAcross& across, QList<LedgerMark>& marks)
{
    const std::array<RecordedScanLine, 5>& lines = *entry.lines;
    std::array<AcrossLine, 5> kept;
    std::array<double, 5> widths {};
    for (std::size_t k = 0; k < 5; ++k) {
        const RecordedAcrossLine& line = across.lines[k];
        if (lines[k].width <= 0 || !line.kept)
            continue;
        AcrossLine& measured = kept[k];
        measured.found = true;
        measured.kept = true;
        measured.edges = { line.centre - line.along / 2, line.centre + line.along / 2 };
        measured.angleDegrees = line.angleDegrees;
        measured.spreadDegrees = line.spreadDegrees;
        widths[k] = kept[k].across();
    }
    const FractionalSummary summary = summariseFractionalWidths(widths, entry.pxPerMm);
    const ScanDirection scanned = across.horizontal ? ScanDirection::Horizontal : ScanDirection::Vertical;
    const auto label = [&entry](double px) {
        return entry.pxPerMm > 0 ? millimetreLabel(static_cast<float>(px / entry.pxPerMm)) : QString();
    };
    for (std::size_t k = 0; k < 5; ++k) {
        if (lines[k].width <= 0)
            continue;
        if (kept[k].kept)
            marks.append({ acrossSegment(scanned, lines[k].position, kept[k]), label(widths[k]), summary.used[k],
                across.horizontal });
        else
            marks.append({ alongSegment(lines[k], across.horizontal), widthLabel(lines[k].width, entry.pxPerMm), false,
                across.horizontal });
    }
}

QList<LedgerMark> marksOf(const MeasurementEntry& entry)
{
    QList<LedgerMark> marks;
    if (entry.lines && entry.across) {
        addAcrossMarks(entry, *entry.across, marks);
    } else if (entry.lines) {
        std::array<qint16, 5> widths {};
        for (std::size_t k = 0; k < 5; ++k)
            widths[k] = clampedWidth((*entry.lines)[k].width);
        const WidthSummary summary = summariseWidths(widths, entry.pxPerMm);
        for (std::size_t k = 0; k < 5; ++k) {
            const RecordedScanLine& line = (*entry.lines)[k];
            if (line.width <= 0)
                continue;
            marks.append({ alongSegment(line, entry.horizontal), widthLabel(line.width, entry.pxPerMm), summary.used[k],
                entry.horizontal });
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

using RowKey = std::pair<QString, int>;

void addProblem(LedgerDay& day, const QString& file, const QString& reason)
{
    if (day.problems.size() < LedgerProblemLimit)
        day.problems.append({ file, reason });
    else
        ++day.unlistedProblems;
}

QByteArray nativeName(const QString& name)
{
    return QFile::encodeName(name);
}

QString shownName(const QByteArray& name)
{
    return QFile::decodeName(name);
}

// The subfolders of a folder by their names' bytes, links to folders included; error when it cannot be
// listed.
QList<QByteArray> subfolders(const QByteArray& folder, QString* error)
{
    QList<QByteArray> names;
    FolderListing listing(folder);
    if (!listing.opened()) {
        *error = QStringLiteral("フォルダの中を見られません（%1）。").arg(qt_error_string(listing.errorCode()));
        return names;
    }
    while (const std::optional<FolderEntry> entry = listing.next()) {
        bool folderEntry = entry->type == EntryType::Folder;
        if (entry->type == EntryType::Unknown || entry->type == EntryType::Link)
            folderEntry = listing.followedType(entry->name) == EntryType::Folder;
        if (folderEntry)
            names << entry->name;
    }
    if (listing.errorCode() != 0)
        *error = QStringLiteral("フォルダの中を最後まで見られません（%1）。").arg(qt_error_string(listing.errorCode()));
    return names;
}

// Pictures "<pole>_*.jpg" in a pole folder that has no result file.
int strayPictures(const QByteArray& folder, const QByteArray& pole)
{
    FolderListing listing(folder);
    const QByteArray prefix = pole + '_';
    int count = 0;
    while (const std::optional<FolderEntry> entry = listing.next()) {
        if (entry->name.startsWith(prefix) && entry->name.endsWith(".jpg"))
            ++count;
    }
    return count;
}

// A candidate pole: a folder of the day folder (or the day folder itself for the pole without a number).
struct PoleFolder {
    QString pole; // as shown
    QByteArray name; // the folder's name as the file system's bytes
    QByteArray path;
    QString shownPath; // relative to the day folder, with a slash at the end; empty for the day folder
};

void findPicture(LedgerDay& day, const PoleFolder& folder, LedgerRow& row)
{
    const QByteArray name = folder.name + '_' + QByteArray::number(row.row) + ".jpg";
    const QByteArray path = folder.path + '/' + name;
    const RegularFile file = openRegularFile(path, LedgerPictureLimitBytes);
    if (file.status == RegularFile::Status::Missing)
        return;
    row.pictureFile = path;
    row.picturePath = shownName(path);
    row.pictureName = filedPictureFileName(folder.pole, row.row);
    if (file.status == RegularFile::Status::Opened) {
        QImageReader reader(file.file.get());
        const QSize size = reader.size();
        if (!size.isValid())
            row.pictureError = QStringLiteral("画像として読めません（%1）。").arg(reader.errorString());
        else if (qint64(size.width()) * size.height() > PictureMaxPixels || size.width() > PictureMaxSide
            || size.height() > PictureMaxSide)
            row.pictureError
                = QStringLiteral("画像が大きすぎます（%1×%2 画素）。").arg(size.width()).arg(size.height());
        else
            row.pictureSize = size;
    } else {
        row.pictureError = file.error;
    }
    if (!row.pictureError.isEmpty())
        addProblem(day, folder.shownPath + shownName(name), row.pictureError);
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

namespace {

void setWidth(LedgerRow& row)
{
    row.widthMm = rowWidth(row.width, &row.outOfRange);
}

// The day folder itself, its subfolders and the pole still open in the window, in pole order.
QList<PoleFolder> poleFolders(LedgerDay& day, const QByteArray& dayPath, const std::optional<OpenResults>& open)
{
    QList<PoleFolder> candidates { PoleFolder { QString(), QByteArray(), dayPath, QString() } };
    QString listingError;
    for (const QByteArray& name : subfolders(dayPath, &listingError))
        candidates.append({ shownName(name), name, dayPath + '/' + name, shownName(name) + u'/' });
    if (!listingError.isEmpty())
        addProblem(day, QStringLiteral("（日付のフォルダ）"),
            listingError + QStringLiteral("載っていない調査柱があるかもしれません。"));
    if (open && !open->widths.isEmpty() && std::none_of(candidates.begin(), candidates.end(), [&](const PoleFolder& c) {
            return c.pole == open->pole;
        })) {
        const QByteArray name = nativeName(open->pole);
        candidates.append({ open->pole, name, open->pole.isEmpty() ? dayPath : dayPath + '/' + name,
            open->pole.isEmpty() ? QString() : open->pole + u'/' });
    }
    std::stable_sort(candidates.begin(), candidates.end(),
        [](const PoleFolder& a, const PoleFolder& b) { return poleBefore(a.pole, b.pole); });
    return candidates;
}

// The rows of the pole's result file, read when the day's rows so far (rows) leave room; false when the pole
// folder has no result file and is no pole.
bool readPoleRows(LedgerDay& day, const PoleFolder& candidate, int rows, LedgerPole& pole)
{
    const QByteArray resultName = resultFileName(candidate.name);
    const QString shownFile = candidate.shownPath + shownName(resultName);
    const FileContent content = rows < LedgerRowLimit
        ? readRegularFile(candidate.path + '/' + resultName, ResultFileLimitBytes)
        : FileContent { RegularFile::Status::Refused, {},
              QStringLiteral("この日の行数が上限の %1 行に達したため、読みませんでした。").arg(LedgerRowLimit) };
    if (content.missing()) {
        if (!candidate.name.isEmpty()) {
            if (const int pictures = strayPictures(candidate.path, candidate.name))
                addProblem(day, candidate.shownPath,
                    QStringLiteral("結果ファイル「%1」がないため、写真 %2 枚を載せていません。")
                        .arg(shownName(resultName))
                        .arg(pictures));
        }
        return false;
    }
    if (!content.read()) {
        pole.error = content.error;
        addProblem(day, shownFile, content.error + QStringLiteral("この調査柱の行は載せていません。"));
        return true;
    }
    const ResultFileRows read = readResultFileRows(content.content, MaxListedUnreadableLines);
    if (rows + read.rows.size() > LedgerRowLimit) {
        pole.error = QStringLiteral("この日の行数が上限の %1 行を超えるため、読みませんでした。").arg(LedgerRowLimit);
        addProblem(day, shownFile, pole.error);
        return true;
    }
    if (read.badCount > 0)
        addProblem(day, shownFile,
            QStringLiteral("「行番号,幅」として読めない行が %1 行あります（%2）。その行は載せていません。")
                .arg(read.badCount)
                .arg(lineNumbersText(read.badLines, read.badCount)));
    for (const ResultFileRow& line : read.rows) {
        LedgerRow row;
        row.row = line.row;
        row.width = line.width;
        pole.rows.append(row);
    }
    return true;
}

// The pole's widths, pictures and figures, counted into the day's.
void addPole(LedgerDay& day, const PoleFolder& candidate, LedgerPole pole)
{
    for (LedgerRow& row : pole.rows) {
        setWidth(row);
        day.outOfRange += row.outOfRange ? 1 : 0;
        findPicture(day, candidate, row);
    }
    summarisePole(pole);
    day.shots += static_cast<int>(pole.rows.size());
    if (pole.widestMm && (!day.widestMm || *pole.widestMm > *day.widestMm)) {
        day.widestMm = pole.widestMm;
        day.widestPole = pole.pole;
    }
    day.poles.append(pole);
}

// The facts entered for the day's poles and rows. Without them a row is a crack of no known direction.
void addFacts(LedgerDay& day)
{
    QString error;
    const InspectionFacts facts = readInspectionFactsOf(day.folder, &error);
    if (!error.isEmpty())
        addProblem(
            day, InspectionFactsFileName, error + QStringLiteral("\n方向の分からないひび割れとして判定しています。"));
    if (facts.unreadableLines > 0)
        addProblem(day, InspectionFactsFileName,
            QStringLiteral("読めない行が %1 行あります。その行の調査情報は載せていません。")
                .arg(facts.unreadableLines));
    for (LedgerPole& pole : day.poles) {
        pole.facts = facts.pole(pole.pole);
        for (LedgerRow& row : pole.rows)
            row.facts = facts.crack(pole.pole, row.row);
    }
}

// The poles of the day folder and their rows and pictures, without the record.
LedgerDay loadPoles(const QString& dayFolder, const std::optional<OpenResults>& open)
{
    LedgerDay day;
    day.folder = dayFolder;
    day.day = QDir(dayFolder).dirName();
    int rows = 0;
    for (const PoleFolder& candidate : poleFolders(day, nativeName(dayFolder), open)) {
        LedgerPole pole;
        pole.pole = candidate.pole;
        if (open && !open->widths.isEmpty() && open->pole == candidate.pole) {
            for (qsizetype i = 0; i < open->widths.size(); ++i) {
                LedgerRow row;
                row.row = int(i + 1);
                row.width = open->widths[i];
                pole.rows.append(row);
            }
        } else if (!readPoleRows(day, candidate, rows, pole)) {
            continue;
        }
        rows += int(pole.rows.size());
        addPole(day, candidate, std::move(pole));
    }
    addFacts(day);
    return day;
}

// Gives each row how it was last measured and its marks, entry by entry in time order.
class RecordReader {
public:
    explicit RecordReader(LedgerDay& day)
        : m_day(day)
    {
        for (int p = 0; p < day.poles.size(); ++p) {
            for (int r = 0; r < day.poles[p].rows.size(); ++r)
                m_rows[RowKey(day.poles[p].pole, day.poles[p].rows[r].row)].append({ p, r });
        }
    }

    void take(const MeasurementEntry& entry)
    {
        if (!isMeasuringChange(entry.change))
            return;
        const auto found = m_rows.constFind(RowKey(entry.pole, entry.row));
        if (found == m_rows.constEnd())
            return;
        for (const auto& [p, r] : *found) {
            LedgerRow& row = m_day.poles[p].rows[r];
            row.how = howOf(entry.change);
            if (drawsMarks(entry.change) && !row.picturePath.isEmpty() && entry.picture == row.pictureName
                && entry.pictureSize == row.pictureSize)
                row.marks = marksOf(entry);
        }
    }

private:
    LedgerDay& m_day;
    QHash<RowKey, QList<std::pair<int, int>>> m_rows;
};

} // namespace

LedgerDay loadLedgerDay(
    const QString& dayFolder, const QList<MeasurementEntry>& entries, const std::optional<OpenResults>& open)
{
    LedgerDay day = loadPoles(dayFolder, open);
    RecordReader reader(day);
    for (const MeasurementEntry& entry : entries)
        reader.take(entry);
    return day;
}

LedgerDay readLedgerDay(const QString& dayFolder, const std::optional<OpenResults>& open)
{
    LedgerDay day = loadPoles(dayFolder, open);
    RecordReader reader(day);
    const RegularFile record
        = openRegularFile(nativeName(dayFolder) + '/' + nativeName(MeasurementRecordFileName), RecordFileLimitBytes);
    const QString lost = QStringLiteral("測定方法と線を載せていない行があります。");
    if (record.status == RegularFile::Status::Opened) {
        const MeasurementRecordLines lines = readMeasurementRecord(
            *record.file, record.size, [&reader](MeasurementEntry&& entry) { reader.take(entry); });
        if (lines.unreadableLines > 0)
            addProblem(day, MeasurementRecordFileName,
                QStringLiteral("読めない行が %1 行あります（%2）。その行の測定方法と線は載せていません。")
                    .arg(lines.unreadableLines)
                    .arg(lineNumbersText(lines.unreadableLineNumbers, lines.unreadableLines)));
        if (!lines.error.isEmpty())
            addProblem(
                day, MeasurementRecordFileName, QStringLiteral("途中までしか読めませんでした。") + lines.error + lost);
    } else if (record.status != RegularFile::Status::Missing) {
        addProblem(day, MeasurementRecordFileName, record.error + QStringLiteral("測定方法と線は載せていません。"));
    }
    return day;
}

QString problemLine(const LedgerProblem& problem)
{
    return QDir::toNativeSeparators(problem.file) + QStringLiteral(": ") + problem.reason;
}

QString summaryCsvFileName(const QString& day)
{
    return QStringLiteral("集計_") + day + QStringLiteral(".csv");
}

QString ledgerPdfFileName(const QString& day)
{
    return QStringLiteral("写真台帳_") + day + QStringLiteral(".pdf");
}

} // namespace norvel
