#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QHash>
#include <QSet>
#include <QString>

#include <functional>
#include <optional>

// The capture watcher's decisions, tick by tick, over a folder it is handed. A shot is taken in on the
// second tick that finds it first in the listing, so a file the camera is still writing gets time to be
// finished; the status word shows what the last tick did.
//
// No shot leaves the camera folder unseen: a shot is deleted only once it was filed, or measured with
// filing off. Any other shot that has to go (filing declined or failed, a file that never loads, a shot
// found when the folder is cleared) is set aside into "未取込" instead.
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
    Measured, // shown and measured, and filed or filing is off: the file is deleted
    MeasuredNotFiled, // shown and measured, but its filed copy could not be written: the file is set aside
    Filing, // shown and measured, its filed copy still being written: the file stays until filingEnded
    // Shown and measured, but the camera wrote its name again since it was read: the file stays, a new shot to
    // be taken in.
    MeasuredNameReused,
};

// What becomes of a file that has to leave the camera folder.
enum class Disposal {
    Delete, // a copy is filed, or none was wanted
    SetAside, // no filed copy: moved into "未取込"
    Leave, // the name holds a new shot by now: left for a later tick to take in, never a left-over
};

class CaptureWatcher {
public:
    using StatusChanged = std::function<void(const QString& status)>;
    // Shows and measures the picture of the given name; the status is "Lood" meanwhile.
    using TakeIn = std::function<TakeInResult(const QByteArray& name)>;
    // A shot that could not be set aside; each file is reported once.
    using Report = std::function<void(const QString& text)>;

    // A file that fails to load for this long is no shot in the making: it is set aside.
    static constexpr qint64 GiveUpLoadingMs = 10000;
    // A file that could not be disposed of is tried again this often: a copy that fails for want of room
    // must not be written again every tick.
    static constexpr qint64 RetryStuckMs = 30000;

    explicit CaptureWatcher(StatusChanged statusChanged = {}, Report report = {});

    // One tick at the given time: the result of the take-in when a picture was taken in.
    std::optional<TakeInResult> tick(CaptureFolder& folder, const TakeIn& takeIn, const QDateTime& now);

    // A step for the shots that arrived whole, run as soon as one arrives: the first name listed is taken in when
    // it is one of them. Anything else (a shot still being written, a left-over) is left to the ticks.
    std::optional<TakeInResult> arrivalStep(CaptureFolder& folder, const TakeIn& takeIn, const QDateTime& now);

    // The filed copy of the shot taken in with TakeInResult::Filing is written (filed) or has failed: the shot is
    // deleted or set aside. Until then every tick waits, so shots are filed one after the other, in order.
    void filingEnded(CaptureFolder& folder, Disposal disposal);
    void filingEnded(CaptureFolder& folder, bool filed)
    {
        filingEnded(folder, filed ? Disposal::Delete : Disposal::SetAside);
    }
    [[nodiscard]] bool filingPending() const { return !m_filingName.isEmpty(); }

    // A file closed after writing, or moved in whole, as the file system told: it is complete, so the step that
    // finds it first takes it in at once, without the look one tick earlier. Any other file still waits a tick.
    void arrived(const QByteArray& name);
    // Whether a shot that arrived whole may still be waiting in the folder.
    [[nodiscard]] bool hasArrivals() const { return !m_arrived.isEmpty(); }

    // A file that was meant to be gone already is disposed of by later ticks rather than taken in as a new
    // shot. reported: its failure has been shown already.
    void treatAsLeftOver(const QByteArray& name, Disposal disposal, bool reported = false);
    // Names left over in a folder no longer watched mean nothing in the next one.
    void forgetLeftOvers();

    [[nodiscard]] const QString& status() const { return m_status; }
    [[nodiscard]] const QByteArray& pendingName() const { return m_pendingName; }

private:
    std::optional<TakeInResult> step(CaptureFolder& folder, const QByteArray& first, const TakeIn& takeIn);
    void nothingNew(CaptureFolder& folder);
    void afterTakeIn(CaptureFolder& folder, const QByteArray& first, TakeInResult result);
    void setStatus(const QString& status);
    void dispose(CaptureFolder& folder, const QByteArray& name, Disposal disposal);
    void retryStuck(CaptureFolder& folder);
    void reportOnce(const QByteArray& name, const QString& reason);
    void disposeTakenIn(CaptureFolder& folder, const QByteArray& name, Disposal disposal);

    StatusChanged m_statusChanged;
    Report m_report;
    QString m_status;
    QByteArray m_pendingName; // as the file system holds it
    std::optional<QDateTime> m_loadFailingSince; // of the pending name
    // Files taken in (or given up) whose disposal is still to come; any file not in here is a shot not yet
    // seen.
    QHash<QByteArray, Disposal> m_leftOvers;
    // Left-overs whose disposal failed: the listing passes over them, so later shots are still taken in,
    // and they are tried again, now and then, when the folder has nothing else.
    QSet<QByteArray> m_stuck;
    QDateTime m_now; // of the tick running
    std::optional<QDateTime> m_nextStuckRetry;
    QSet<QByteArray> m_reported;
    QByteArray m_filingName; // the shot whose filed copy is being written
    QSet<QByteArray> m_arrived; // names the file system reported complete, not yet taken in
};

} // namespace norvel
