#pragma once

#include "acquisition/originalcopy.h"
#include "picture/picturefiler.h"
#include "services/services.h"

#include <functional>
#include <memory>
#include <optional>

namespace norvel {

class CaptureWatcher;
class RecoveryKeeper;

// The filed copy of the shot being taken in, and the camera's original kept beside it: where they go, whether a
// file there may be replaced, the writing on the filer's thread while the window measures, and its end, when
// the shot leaves the camera folder. The watcher holds the shot, and the next, until then.
class ShotFiling {
public:
    enum class Outcome { Filed, Declined, Failed, Writing, Undecided };
    struct Effects {
        // The pole's folder for the list's day, made when missing; nullopt with the reason in error.
        std::function<std::optional<QString>(QString* error)> poleFolder;
        // Whether the file at path is replaced without asking; and, asking when needed, whether it may be.
        std::function<bool(const QString& path)> replacesWithoutAsking;
        std::function<bool(const QString& path)> mayReplace;
        // What the take-in wrote beside the filing (the recovery record, the measurement record), on disk.
        std::function<void()> besideOnDisk;
    };
    // The shot as the list holds it: its pole and row name the copy; watchPath is the folder it came from.
    struct Shot {
        QString pole;
        int row = 0;
        bool keepOriginal = false;
        QString watchPath;
    };
    ShotFiling(const Services& services, CaptureWatcher& watcher, RecoveryKeeper& recovery, Effects effects);

    // Fed with the decoded rows by the window, told where to write here.
    [[nodiscard]] PictureFiler& filer() { return m_filer; }
    // Writing starts at once where nothing needs saying; a failure or a file to overwrite is left to file.
    [[nodiscard]] Outcome start(const CameraOriginal& original, const Shot& shot);
    // As start, saying a failure and asking before a file is replaced.
    [[nodiscard]] Outcome file(const CameraOriginal& original, const Shot& shot);
    // The file name of the copy being written, once start or file said Writing.
    [[nodiscard]] const QString& filedName() const { return m_filedName; }
    // The kept original's name in the pole folder's 原画像, once start or file said Writing; empty when none is kept.
    [[nodiscard]] const QString& originalName() const { return m_originalName; }
    // The filed copy of the last shot is written, or could not be: the shot leaves the camera folder, deleted or
    // set aside (a failure said), and the watcher goes on. A shot the camera wrote again meanwhile stays, to be
    // taken in anew, and its kept original is made to hold the bytes read. Nothing when no filing is pending.
    void end();

private:
    [[nodiscard]] std::optional<QString> filedPath(const Shot& shot, QString* name, QString* error) const;
    void writeTo(const QString& path, const CameraOriginal& original, const Shot& shot);

    Services m_services;
    CaptureWatcher& m_watcher;
    RecoveryKeeper& m_recovery;
    Effects m_effects;
    PictureFiler m_filer;
    QString m_watchPath; // of the camera folder the shot being filed came from
    QString m_filedName;
    QString m_originalName;
    // The shot being filed as read, where its original goes, and how it was kept (written on the filer's thread,
    // read only once the filer has ended).
    CameraOriginal m_original;
    QString m_originalPath;
    std::shared_ptr<KeptOriginal> m_kept;
};

} // namespace norvel
