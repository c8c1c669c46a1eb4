#include "ledger/ledgerday.h"

#include "analysis/scalecalibration.h"
#include "analysis/scanlines.h"
#include "core/dayfolder.h"
#include "core/numbers.h"
#include "core/resultfile.h"
#include "ledger/ledgermarks.h"
#include "ledger/previousinspection.h"
#include "results/measurementrecord.h"
#include "results/recoveryrecord.h"

#include "files/folderlisting.h"
#include "files/regularfile.h"
#include "picture/picturefile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
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

QString rowWidthText(const LedgerRow& row, qsizetype characters)
{
    if (!row.width.trimmed().isEmpty())
        return row.width.size() <= characters ? row.width : row.width.left(characters) + QChar(0x2026);
    return row.nothingFound ? QStringLiteral("検出なし") : QStringLiteral("-");
}

QString widestPlaceText(const LedgerRow& row)
{
    return row.widestPlaceMm ? QStringLiteral(" 最大 ") + fixedText(*row.widestPlaceMm, 2) + QStringLiteral(" mm")
                             : QString();
}

namespace {

void setWidth(LedgerRow& row)
{
    row.widthMm = rowWidth(row.width, &row.outOfRange);
}

// The day folder itself and its subfolders, in pole order.
QList<PoleFolder> poleFolders(LedgerDay& day, const QByteArray& dayPath)
{
    QList<PoleFolder> candidates { PoleFolder { QString(), QByteArray(), dayPath, QString() } };
    QString listingError;
    for (const QByteArray& name : subfolderNames(dayPath, &listingError))
        candidates.append({ shownName(name), name, dayPath + '/' + name, shownName(name) + u'/' });
    if (!listingError.isEmpty())
        addProblem(day, QStringLiteral("（日付のフォルダ）"),
            listingError + QStringLiteral("載っていない調査柱があるかもしれません。"));
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
        addProblem(day, InspectionFactsFileName,
            error + QStringLiteral("\n方向の確認されていないひび割れとして判定しています。"));
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
LedgerDay loadPoles(const QString& dayFolder)
{
    LedgerDay day;
    day.folder = dayFolder;
    day.day = QDir(dayFolder).dirName();
    int rows = 0;
    for (const PoleFolder& candidate : poleFolders(day, nativeName(dayFolder))) {
        LedgerPole pole;
        pole.pole = candidate.pole;
        if (!readPoleRows(day, candidate, rows, pole))
            continue;
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
            const bool ofPicture = !row.picturePath.isEmpty() && entry.picture == row.pictureName
                && entry.pictureSize == row.pictureSize;
            if (drawsMarks(entry.change) && ofPicture)
                row.marks = marksOf(entry);
            if (drawsMarks(entry.change) && entry.pxPerMm > 0) {
                row.pxPerMm = entry.pxPerMm;
                row.calibrated = entry.calibrated;
                row.across = entry.across.has_value();
            }
            if (entry.change == RecordedChange::TakeInAnalysis || entry.change == RecordedChange::Analysis) {
                row.estimated = entry.estimated;
                takeWidest(entry, row);
            }
            if (entry.change == RecordedChange::TakeInAnalysis)
                takeShot(entry, row);
        }
    }

private:
    // The widest place goes with the width the analysis listed, only while the row still has it; a take-in declined
    // before its analysis (no lines) found nothing, and says nothing.
    static void takeWidest(const MeasurementEntry& entry, LedgerRow& row)
    {
        const bool listedThis = !entry.result.isEmpty() && entry.result == row.width;
        row.widestPlaceMm.reset();
        if (listedThis && entry.across && entry.across->widest)
            row.widestPlaceMm = entry.across->widest->mm;
        row.nothingFound = entry.lines && entry.result.trimmed().isEmpty() && row.width.trimmed().isEmpty();
    }

    static void takeShot(const MeasurementEntry& entry, LedgerRow& row)
    {
        row.shotFromCamera = entry.cameraModified.isValid();
        row.shotTime = row.shotFromCamera ? entry.cameraModified : entry.time;
        row.originalName.clear();
        if (entry.cameraFile.isEmpty() || row.pictureFile.isEmpty())
            return;
        // Kept beside the filed picture, under the name the take-in gave it: recorded, or by older lines only
        // guessed from the camera's.
        const QString name = entry.original.value_or(originalFileName(entry.pole, entry.row, entry.cameraFile));
        if (name.isEmpty())
            return;
        const QByteArray folder = row.pictureFile.left(row.pictureFile.lastIndexOf('/'));
        if (followedPathType(folder + '/' + nativeName(OriginalsFolderName) + '/' + nativeName(name)).error == 0)
            row.originalName = name;
    }

    LedgerDay& m_day;
    QHash<RowKey, QList<std::pair<int, int>>> m_rows;
};

// The folder the day folders are in: the program folder, as the window makes them.
QString programFolderOf(const LedgerDay& day)
{
    return QFileInfo(day.folder).absolutePath();
}

// The program folder's file as a problem names it, relative to the day folder.
QString besideTheDays(const QString& name)
{
    return QStringLiteral("../") + name;
}

// The program folder's calibrations, read only for their dates; one that cannot be read is said, as the dates are
// then left out.
ScaleCalibrations calibrationsOf(LedgerDay& day)
{
    const FileContent file = readRegularFile(QDir(programFolderOf(day)).filePath(ScaleFileName), ScaleFileLimitBytes);
    if (file.missing())
        return {};
    const QString lost = QStringLiteral("校正の日付は載せていません。");
    if (!file.read()) {
        addProblem(day, besideTheDays(ScaleFileName), file.error + lost);
        return {};
    }
    QString reason;
    const std::optional<ScaleCalibrations> calibrations = parseScaleFile(file.content, &reason);
    if (!calibrations)
        addProblem(day, besideTheDays(ScaleFileName), QStringLiteral("壊れています。") + reason + lost);
    return calibrations.value_or(ScaleCalibrations());
}

// The list the window has not written yet is kept in the program folder's recovery.dat: its rows of this day that
// the pole's result file lacks, or holds with another width, are not in the ledger. Read only for a day folder named
// by its date, since the record names the day; one that cannot be read is said, as the ledger may then lack rows
// unawares.
void findUnsavedRows(LedgerDay& day)
{
    const QDate date = QDate::fromString(day.day, QStringLiteral("yyyyMMdd"));
    if (!date.isValid())
        return;
    const FileContent file
        = readRegularFile(QDir(programFolderOf(day)).filePath(RecoveryFileName), RecoveryFileLimitBytes);
    if (file.missing())
        return;
    const QString unknown = QStringLiteral("保存されていない測定があるかどうか分かりません。");
    if (!file.read()) {
        addProblem(day, besideTheDays(RecoveryFileName), file.error + unknown);
        return;
    }
    const RecoveryParse parsed = parseRecovery(file.content);
    if (!parsed.record) {
        addProblem(day, besideTheDays(RecoveryFileName), parsed.error + unknown);
        return;
    }
    const RecoveryRecord& record = *parsed.record;
    if (record.day != date)
        return;
    QMultiHash<int, QString> filed;
    for (const LedgerPole& pole : std::as_const(day.poles)) {
        if (pole.pole != record.pole)
            continue;
        // A result file that could not be read is named already: whether it holds the rows is not known.
        if (!pole.error.isEmpty())
            return;
        for (const LedgerRow& row : pole.rows)
            filed.insert(row.row, row.width);
        break;
    }
    int missing = 0;
    for (qsizetype i = 0; i < record.rows.size(); ++i) {
        if (!filed.contains(int(i + 1), record.rows[i].width))
            ++missing;
    }
    if (missing > 0)
        day.unsaved = UnsavedRows { record.pole, missing };
}

// The scale file of the folder the day folders are in says when a calibrated scale was set.
void settleScales(LedgerDay& day)
{
    const ScaleCalibrations calibrations = calibrationsOf(day);
    for (LedgerPole& pole : day.poles) {
        for (LedgerRow& row : pole.rows) {
            if (!row.pictureSize.isValid())
                continue;
            if (row.pxPerMm <= 0) {
                row.pxPerMm = analysisPxPerMm(row.pictureSize.width());
                row.calibrated = false;
            }
            const auto found = calibrations.constFind(scaleSizeKey(row.pictureSize));
            // The record keeps the figure as a float.
            if (row.calibrated && found != calibrations.constEnd()
                && std::abs(found->pxPerMm - row.pxPerMm) <= 1e-5 * found->pxPerMm)
                row.calibrationDate = found->date;
        }
    }
}

} // namespace

LedgerDay loadLedgerDay(const QString& dayFolder, const QList<MeasurementEntry>& entries)
{
    LedgerDay day = loadPoles(dayFolder);
    RecordReader reader(day);
    for (const MeasurementEntry& entry : entries)
        reader.take(entry);
    settleScales(day);
    findUnsavedRows(day);
    return day;
}

LedgerDay readLedgerDay(const QString& dayFolder)
{
    LedgerDay day = loadPoles(dayFolder);
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
    settleScales(day);
    findUnsavedRows(day);
    return day;
}

QString unsavedText(const UnsavedRows& unsaved)
{
    return QStringLiteral("調査柱No「%1」の %2 行が結果ファイルに保存されておらず、この台帳に載っていません。")
        .arg(unsaved.pole)
        .arg(unsaved.rows);
}

void addPastFactsProblems(LedgerDay& day, const PreviousInspections& previous)
{
    // Only a day folder named by its date looks up previous inspections.
    const QDate date = QDate::fromString(day.day, QStringLiteral("yyyyMMdd"));
    if (!date.isValid())
        return;
    for (const UnreadablePastFacts& facts : previous.unreadable()) {
        if (facts.day >= date)
            continue;
        const QFileInfo dayFolder(QFileInfo(facts.path).path());
        const QString shown = sameFolder(dayFolder.path(), programFolderOf(day))
            ? besideTheDays(dayFolder.fileName() + u'/' + InspectionFactsFileName)
            : facts.path;
        addProblem(day, shown, facts.reason);
    }
}

QString problemLine(const LedgerProblem& problem)
{
    return QDir::toNativeSeparators(problem.file) + QStringLiteral(": ") + problem.reason;
}

namespace {
const QString SummaryPrefix = QStringLiteral("集計_");
const QString SummarySuffix = QStringLiteral(".csv");
const QString LedgerPrefix = QStringLiteral("写真台帳_");
const QString CompactLedgerPrefix = QStringLiteral("写真台帳6_");
const QString LedgerSuffix = QStringLiteral(".pdf");
const QString CrackPrefix = QStringLiteral("ひび割れ_");
} // namespace

QString summaryCsvFileName(const QString& day)
{
    return SummaryPrefix + day + SummarySuffix;
}

QString ledgerPdfFileName(const QString& day, LedgerForm form)
{
    return (form == LedgerForm::SixPerPage ? CompactLedgerPrefix : LedgerPrefix) + day + LedgerSuffix;
}

QString crackCsvFileName(const QString& day)
{
    return CrackPrefix + day + SummarySuffix;
}

bool isLedgerFileName(const QString& name)
{
    return ((name.startsWith(LedgerPrefix) || name.startsWith(CompactLedgerPrefix)) && name.endsWith(LedgerSuffix))
        || (name.startsWith(SummaryPrefix) && name.endsWith(SummarySuffix))
        || (name.startsWith(CrackPrefix) && name.endsWith(SummarySuffix));
}

} // namespace norvel
