#pragma once

#include <QSet>
#include <QString>

#include <functional>
#include <optional>

// The capture watcher's decisions, tick by tick, over a folder it is handed. A shot is taken in on the
// second tick that finds it first in the listing, so a file the camera is still writing gets time to be
// finished; the status word shows what the last tick did.
namespace norvel {

class CaptureFolder;

namespace watcherstatus {
inline const QString Ready = QStringLiteral("Ready");
inline const QString Lood = QStringLiteral("Lood");
inline const QString LoodErr = QStringLiteral("LoodErr");
inline const QString Kill = QStringLiteral("Kill");
inline const QString KillErr = QStringLiteral("KillErr");
inline const QString NoFile = QStringLiteral("NoFile");
} // namespace watcherstatus

enum class TakeInResult {
    LoadFailed, // the picture could not be loaded yet; it is tried again on the next tick
    Declined, // the user refused to overwrite a filed picture; nothing was measured
    Measured, // shown and measured: the file is deleted
};

class CaptureWatcher {
public:
    using StatusChanged = std::function<void(const QString& status)>;
    // Shows and measures the picture of the given name; the status is "Lood" meanwhile.
    using TakeIn = std::function<TakeInResult(const QString& name)>;

    explicit CaptureWatcher(StatusChanged statusChanged = {});

    // One tick: the result of the take-in when a picture was taken in.
    std::optional<TakeInResult> tick(CaptureFolder& folder, const TakeIn& takeIn);

    // A file that was meant to be gone already (clearing the folder could not delete it) is deleted by later
    // ticks rather than taken in as a new shot.
    void treatAsLeftOver(const QString& name) { m_leftOvers.insert(name); }

    [[nodiscard]] const QString& status() const { return m_status; }
    [[nodiscard]] const QString& pendingName() const { return m_pendingName; }

private:
    void setStatus(const QString& status);

    StatusChanged m_statusChanged;
    QString m_status;
    QString m_pendingName;
    // Pictures taken in whose file could not be deleted: later ticks delete them instead of taking them in
    // a second time. Any file not in here is a shot not yet seen.
    QSet<QString> m_leftOvers;
};

} // namespace norvel
