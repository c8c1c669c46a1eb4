#include "app/workflow/shotfiling.h"

#include "acquisition/camerafolder.h"
#include "acquisition/capturewatcher.h"
#include "acquisition/pictureshow.h"
#include "app/workflow/recoverykeeper.h"
#include "files/folderlisting.h"

#include <QFileInfo>

namespace norvel {

ShotFiling::ShotFiling(const Services& services, CaptureWatcher& watcher, RecoveryKeeper& recovery, Effects effects)
    : m_services(services)
    , m_watcher(watcher)
    , m_recovery(recovery)
    , m_effects(std::move(effects))
    , m_filer(PictureJpegQuality)
{
}

std::optional<QString> ShotFiling::filedPath(const Shot& shot, QString* name, QString* error) const
{
    // Beside the pole's result file: the pole in force, the day of its list.
    const std::optional<QString> folder = m_effects.poleFolder(error);
    *name = filedPictureFileName(shot.pole, shot.row);
    if (!folder)
        return std::nullopt;
    return *folder + QLatin1Char('/') + *name;
}

ShotFiling::Outcome ShotFiling::start(const CameraOriginal& original, const Shot& shot)
{
    QString name;
    QString error;
    const std::optional<QString> path = filedPath(shot, &name, &error);
    if (!path || !m_effects.replacesWithoutAsking(*path))
        return Outcome::Undecided;
    writeTo(*path, original, shot);
    return Outcome::Writing;
}

ShotFiling::Outcome ShotFiling::file(const CameraOriginal& original, const Shot& shot)
{
    QString name;
    QString error;
    const std::optional<QString> path = filedPath(shot, &name, &error);
    if (!path) {
        m_filer.discard();
        m_services.errors->showError(QStringLiteral("画像「%1」を保存できませんでした。\n").arg(name) + error);
        return Outcome::Failed;
    }
    if (!m_effects.mayReplace(*path)) {
        m_filer.discard();
        return Outcome::Declined;
    }
    writeTo(*path, original, shot);
    return Outcome::Writing;
}

// The filed copy goes to path, and the camera's original beside it when originals are kept.
void ShotFiling::writeTo(const QString& path, const CameraOriginal& original, const Shot& shot)
{
    m_filedName = QFileInfo(path).fileName();
    m_watchPath = shot.watchPath;
    PictureFiler::Companion keep;
    QString originalPath;
    m_original = original;
    m_kept = std::make_shared<KeptOriginal>(KeptOriginal { false, original.stamp });
    if (shot.keepOriginal) {
        const QString folder = QFileInfo(path).path() + QLatin1Char('/') + OriginalsFolderName + QLatin1Char('/');
        const QString cameraName = QFileInfo(QFile::decodeName(original.cameraPath)).fileName();
        originalPath = folder
            + freeFileName(originalFileName(shot.pole, shot.row, cameraName),
                [&](const QString& name) { return nameExists(QFile::encodeName(folder + name)); });
        keep = [original, originalPath, kept = m_kept](
                   QString* error) { return keepOriginal(original, originalPath, error, kept.get()); };
    }
    m_originalName = originalPath.isEmpty() ? QString() : QFileInfo(originalPath).fileName();
    m_originalPath = originalPath;
    m_recovery.setPendingFiling(path, originalPath);
    m_filer.writeTo(path, std::move(keep));
}

void ShotFiling::end()
{
    if (!m_watcher.filingPending())
        return; // ended already, by a shut-down or a change of folder
    QString error;
    bool filed = m_filer.finish(&error);
    m_effects.besideOnDisk();
    Disposal disposal = filed ? Disposal::Delete : Disposal::SetAside;
    // Ended, the filer's thread has joined: what it kept is safe to read.
    if (filed && m_kept && !cameraFileUnchanged(m_original, m_kept->stamp)) {
        disposal = Disposal::Leave;
        filed = keepOriginalApart(m_original, m_originalPath, *m_kept, &error);
    }
    m_original = {};
    WatchedFolder folder(m_watchPath, m_services.programFolder, m_services.clock->now());
    m_watcher.filingEnded(folder, disposal);
    m_recovery.setPendingShot(std::nullopt);
    if (!filed)
        m_services.errors->showError(error);
}

} // namespace norvel
