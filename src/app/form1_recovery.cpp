#include "app/form1.h"

#include "acquisition/camerafolder.h"
#include "files/regularfile.h"
#include "results/polenumber.h"
#include "widgets/flexgrid.h"

#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGroupBox>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QScopedValueRollback>
#include <QSignalBlocker>

#include <cerrno>
#include <limits>

#include <sys/stat.h>
#include <unistd.h>

// The survey day through a crash or a power cut: the result list and the pole in hand are written beside
// the program after every change, and read back when the program starts after a run that did not end
// through its shut-down.
namespace norvel {

namespace {

// A recovery record is a few kilobytes; anything far larger is not one.
constexpr qint64 RecoveryFileLimit = 16 * 1024 * 1024;

} // namespace

QString Form1::recoveryPath() const
{
    return m_services.programFolder + QLatin1Char('/') + RecoveryFileName;
}

RecoveryRecord Form1::recoveryRecord() const
{
    RecoveryRecord record;
    record.pole = m_state.CurTyoNo;
    record.poleText = Text4->text();
    record.day = listDay();
    for (int row = 0; row < MSFlexGrid2->rows(); ++row)
        record.rows.append({ MSFlexGrid2->textMatrix(row, 0), MSFlexGrid2->textMatrix(row, 1) });
    record.pending = m_pendingShot;
    return record;
}

std::optional<PendingShot> Form1::pendingShotOf(const QByteArray& cameraPath, int row, const QDateTime& now)
{
    const std::optional<FileStamp> stamp = regularFileStamp(cameraPath);
    if (!stamp)
        return std::nullopt;
    return PendingShot { cameraPath, stamp->size, stamp->modifiedMs, {}, now.toMSecsSinceEpoch(), row, {} };
}

void Form1::saveRecovery()
{
    m_recoveryDirty = true;
    if (m_recoveryHeld == 0)
        commitRecovery();
}

void Form1::commitRecovery()
{
    m_recoveryDirty = false;
    writeRecovery();
    if (!m_recoveryBesideTakeIn)
        recoveryOnDisk();
}

void Form1::writeRecovery()
{
    m_recoveryWriter.write(recoveryPath(), serializeRecovery(recoveryRecord()));
}

void Form1::recoveryOnDisk()
{
    QString error;
    if (m_recoveryWriter.flush(&error)) {
        m_recoveryFailureReported = false;
        return;
    }
    // Said once until a write succeeds again: the measuring goes on, only a crash would now lose results.
    if (!std::exchange(m_recoveryFailureReported, true))
        report(QStringLiteral(
            "復元用ファイル「%1」を書き込めませんでした。このまま異常終了すると、一覧の測定結果は失われます。\n%2")
                   .arg(QDir::toNativeSeparators(recoveryPath()), error));
}

void Form1::removeRecovery()
{
    m_recoveryWriter.remove(recoveryPath());
    QString error;
    if (!m_recoveryWriter.flush(&error))
        report(QStringLiteral("復元用ファイル「%1」を削除できませんでした。次の起動で測定結果が復元されます。\n%2")
                   .arg(QDir::toNativeSeparators(recoveryPath()), error));
}

std::optional<RecoveryRecord> Form1::readRecovery()
{
    const FileContent file = readRegularFile(recoveryPath(), RecoveryFileLimit);
    if (file.missing())
        return std::nullopt;
    if (file.status == RegularFile::Status::Failed) {
        // Perhaps only its permissions are wrong: it stays where it is, for the user to mend.
        report(QStringLiteral("復元用ファイル「%1」を読めないため、前回の測定結果を復元できませんでした。%2\n"
                              "読めるようにしてから起動し直すと復元できます。このまま測定すると、このファイルは新しい測"
                              "定結果で置き換えられます。")
                   .arg(QDir::toNativeSeparators(recoveryPath()), file.error));
        return std::nullopt;
    }
    if (!file.read()) {
        setDamagedRecoveryAside(file.error);
        return std::nullopt;
    }
    const RecoveryParse parsed = parseRecovery(file.content);
    if (!parsed.record) {
        setDamagedRecoveryAside(parsed.error);
        return std::nullopt;
    }
    // The record is only as trustworthy as whoever could write the program folder: what it names must pass the
    // checks the window makes of what is typed.
    if (const QString problem = poleNumberProblem(parsed.record->pole); !problem.isEmpty()) {
        setDamagedRecoveryAside(QStringLiteral("調査柱No「%1」は使えません。%2").arg(parsed.record->pole, problem));
        return std::nullopt;
    }
    // Rows are counted in 16 bits, like every count of the list.
    if (parsed.record->rows.size() > std::numeric_limits<qint16>::max()) {
        setDamagedRecoveryAside(QStringLiteral("一覧の行が %1 行あり、多すぎます。").arg(parsed.record->rows.size()));
        return std::nullopt;
    }
    RecoveryRecord record = *parsed.record;
    settlePendingShot(record);
    return record;
}

void Form1::restoreRecovery(const RecoveryRecord& record)
{
    restoreRows(record);
    // The pending shot is settled: the record on disk says so from now on.
    writeRecovery();
    if (record.rows.isEmpty())
        return;
    QString text = QStringLiteral("前回、終了処理を経ずに終わったため、調査柱No「%1」の測定結果 %2 件を復元しました。")
                       .arg(record.pole)
                       .arg(record.rows.size());
    // A list from an earlier day goes to that day's folder, where its pictures are; today starts empty.
    if (Check1->isChecked() && listDay() < m_services.clock->now().date()) {
        const QString day = listDay().toString(QStringLiteral("yyyy/MM/dd"));
        const RecoveryBatch batch(*this);
        if (writePoleResults()) {
            const MeasurementLog::Scope cause = m_log.clearedBy(RecordedChange::PoleChanged);
            Command3_Click(0);
            text += QStringLiteral("\n%1 の結果ファイルに書き込みました。").arg(day);
        } else {
            text += QStringLiteral("\n%1 の結果として一覧に残しています。").arg(day);
        }
    }
    notify(text);
}

void Form1::restoreRows(const RecoveryRecord& record)
{
    m_state.CurTyoNo = record.pole;
    {
        // The text as it stood, without running a pole change.
        const QSignalBlocker quiet(Text4);
        Text4->setText(record.poleText);
    }
    showPoleCaption();
    MSFlexGrid2->setRows(int(record.rows.size()));
    for (int row = 0; row < record.rows.size(); ++row) {
        MSFlexGrid2->setTextMatrix(row, 0, record.rows[row].number);
        MSFlexGrid2->setTextMatrix(row, 1, record.rows[row].width);
    }
    for (QPushButton* button : Command4)
        button->setEnabled(!record.rows.isEmpty());
    if (!record.rows.isEmpty() && record.day.isValid())
        m_surveyDay = record.day;
    SodDt();
}

// The shot taken in last may still be in the camera folder. Filed (or measured with filing off), it only
// had not been deleted yet; without its filed copy its row goes, and the watcher takes the shot in again.
void Form1::settlePendingShot(RecoveryRecord& record)
{
    const std::optional<PendingShot> pending = std::exchange(record.pending, std::nullopt);
    if (!pending)
        return;
    // Only a shot of the watched folder is ever deleted, whatever the record names.
    const std::optional<QByteArray> name = watchedNameOf(m_state.WatchPath, pending->cameraPath);
    if (!name)
        return;
    const std::optional<FileStamp> stamp = regularFileStamp(pending->cameraPath);
    if (!stamp || stamp->size != pending->size || stamp->modifiedMs != pending->modifiedMs)
        return; // gone, or another shot under its name
    // A filed copy from before the take-in (a pole measured again) is not this shot's; file times may be
    // coarse.
    constexpr qint64 slackMs = 2000;
    const QFileInfo filed(pending->filedPath);
    const QFileInfo original(pending->originalPath);
    const bool done = pending->filedPath.isEmpty()
        || (filed.isFile() && filed.lastModified().toMSecsSinceEpoch() >= pending->takenInMs - slackMs
            && (pending->originalPath.isEmpty() || (original.isFile() && original.size() == pending->size)));
    if (done) {
        // Its row is in the list: should it not go now, the watcher deletes it later, never takes it in again.
        if (::unlink(pending->cameraPath.constData()) != 0 && errno != ENOENT)
            m_watcher.treatAsLeftOver(*name, Disposal::Delete);
        return;
    }
    if (record.rows.size() == pending->row)
        record.rows.removeLast();
}

void Form1::setDamagedRecoveryAside(const QString& why)
{
    const QString bad = m_services.programFolder + QLatin1Char('/') + DamagedRecoveryFileName;
    QFile::remove(bad);
    const bool kept = QFile::rename(recoveryPath(), bad);
    report(
        QStringLiteral("復元用ファイル「%1」が壊れていたため、前回の測定結果を復元できませんでした。%2\n%3")
            .arg(QDir::toNativeSeparators(recoveryPath()),
                kept ? QStringLiteral("「%1」として残しました。").arg(QDir::toNativeSeparators(bad)) : QString(), why));
}

} // namespace norvel
