#include "app/workflow/recoverykeeper.h"

#include "acquisition/camerafolder.h"
#include "files/durablefile.h"
#include "files/folderlisting.h"
#include "files/regularfile.h"
#include "results/polenumber.h"
#include "results/resultlist.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <limits>

namespace norvel {

RecoveryKeeper::RecoveryKeeper(const Services& services, ResultList& list, std::function<QString()> poleText)
    : m_services(services)
    , m_list(list)
    , m_poleText(std::move(poleText))
{
    list.listen([this](const ResultChange&) { changed(); });
}

QString RecoveryKeeper::path() const
{
    return m_services.programFolder + QLatin1Char('/') + RecoveryFileName;
}

void RecoveryKeeper::changed()
{
    m_dirty = true;
    if (m_held == 0)
        commit();
}

void RecoveryKeeper::commit()
{
    m_dirty = false;
    write();
    if (!m_besideTakeIn)
        onDisk();
}

void RecoveryKeeper::write()
{
    RecoveryRecord record;
    record.pole = m_list.pole();
    record.poleText = m_poleText();
    record.day = m_list.day();
    record.rows = m_list.rows();
    record.pending = m_pending;
    m_writer.write(path(), serializeRecovery(record));
}

void RecoveryKeeper::onDisk()
{
    QString error;
    if (m_writer.flush(&error)) {
        m_failureReported = false;
        return;
    }
    // Said once until a write succeeds again: the measuring goes on, only a crash would now lose results.
    if (!std::exchange(m_failureReported, true))
        report(notWrittenMessage(QStringLiteral("復元用ファイル"), path(),
            QStringLiteral("このまま異常終了すると、一覧の測定結果は失われます。\n") + error));
}

void RecoveryKeeper::remove()
{
    m_writer.remove(path());
    QString error;
    if (!m_writer.flush(&error))
        report(QStringLiteral("復元用ファイル「%1」を削除できませんでした。次の起動で測定結果が復元されます。\n%2")
                   .arg(QDir::toNativeSeparators(path()), error));
}

PendingShot RecoveryKeeper::pendingShotOf(
    const QByteArray& cameraPath, const FileStamp& read, int row, const QDateTime& now)
{
    return PendingShot { cameraPath, read.size, read.modifiedMs, {}, now.toMSecsSinceEpoch(), row, {} };
}

void RecoveryKeeper::setPendingFiling(const QString& filedPath, const QString& originalPath)
{
    if (!m_pending)
        return;
    m_pending->filedPath = filedPath;
    m_pending->originalPath = originalPath;
}

std::optional<RecoveryRecord> RecoveryKeeper::read(
    const QString& watchPath, const std::function<void(const QByteArray& name)>& deleteLater)
{
    const FileContent file = readRegularFile(path(), RecoveryFileLimitBytes);
    if (file.missing())
        return std::nullopt;
    if (file.status == RegularFile::Status::Failed) {
        // Perhaps only its permissions are wrong: it stays where it is, for the user to mend.
        report(QStringLiteral("復元用ファイル「%1」を読めないため、前回の測定結果を復元できませんでした。%2\n"
                              "読めるようにしてから起動し直すと復元できます。このまま測定すると、このファイルは新しい測"
                              "定結果で置き換えられます。")
                   .arg(QDir::toNativeSeparators(path()), file.error));
        return std::nullopt;
    }
    if (!file.read()) {
        setDamagedAside(file.error);
        return std::nullopt;
    }
    const RecoveryParse parsed = parseRecovery(file.content);
    if (!parsed.record) {
        setDamagedAside(parsed.error);
        return std::nullopt;
    }
    // The record is only as trustworthy as whoever could write the program folder: what it names must pass the
    // checks the window makes of what is typed.
    if (const QString problem = poleNumberProblem(parsed.record->pole); !problem.isEmpty()) {
        setDamagedAside(QStringLiteral("調査柱No「%1」は使えません。%2").arg(parsed.record->pole, problem));
        return std::nullopt;
    }
    // Rows are counted in 16 bits, like every count of the list.
    if (parsed.record->rows.size() > std::numeric_limits<qint16>::max()) {
        setDamagedAside(QStringLiteral("一覧の行が %1 行あり、多すぎます。").arg(parsed.record->rows.size()));
        return std::nullopt;
    }
    RecoveryRecord record = *parsed.record;
    settlePendingShot(record, watchPath, deleteLater);
    return record;
}

// Filed (or measured with filing off), the shot only had not been deleted yet; without its filed copy its row
// goes, and the watcher takes the shot in again.
void RecoveryKeeper::settlePendingShot(RecoveryRecord& record, const QString& watchPath,
    const std::function<void(const QByteArray& name)>& deleteLater) const
{
    const std::optional<PendingShot> pending = std::exchange(record.pending, std::nullopt);
    if (!pending)
        return;
    // Only a shot of the watched folder is ever deleted, whatever the record names.
    const std::optional<QByteArray> name = watchedNameOf(watchPath, pending->cameraPath);
    if (!name)
        return;
    const std::optional<FileStamp> stamp = regularFileStamp(pending->cameraPath);
    if (!stamp || stamp->size != pending->size || stamp->modifiedMs != pending->modifiedMs)
        return; // gone, or another shot under its name
    // A filed copy from before the take-in (a pole measured again) is not this shot's; file times may be
    // coarse.
    constexpr qint64 slackMs = 2000;
    const std::optional<FileStamp> filed = regularFileStamp(QFile::encodeName(pending->filedPath));
    const std::optional<FileStamp> original = regularFileStamp(QFile::encodeName(pending->originalPath));
    const bool done = pending->filedPath.isEmpty()
        || (filed && filed->modifiedMs >= pending->takenInMs - slackMs
            && (pending->originalPath.isEmpty() || (original && original->size == pending->size)));
    if (done) {
        // Its row is in the list: should it not go now, the watcher deletes it later, never takes it in again.
        if (!removeName(pending->cameraPath) && nameExists(pending->cameraPath))
            deleteLater(*name);
        return;
    }
    if (record.rows.size() == pending->row)
        record.rows.removeLast();
}

void RecoveryKeeper::setDamagedAside(const QString& why)
{
    const QString bad = m_services.programFolder + QLatin1Char('/') + DamagedRecoveryFileName;
    // One step, and on disk: a power cut must not bring the damaged record back to be read again.
    const bool kept
        = renameName(QFile::encodeName(path()), QFile::encodeName(bad)) == 0 && syncFolderOf(QFile::encodeName(bad));
    report(
        QStringLiteral("復元用ファイル「%1」が壊れていたため、前回の測定結果を復元できませんでした。%2\n%3")
            .arg(QDir::toNativeSeparators(path()),
                kept ? QStringLiteral("「%1」として残しました。").arg(QDir::toNativeSeparators(bad)) : QString(), why));
}

} // namespace norvel
