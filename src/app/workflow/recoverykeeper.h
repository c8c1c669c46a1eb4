#pragma once

#include "files/backgroundfilewriter.h"
#include "files/regularfile.h"
#include "results/recoveryrecord.h"
#include "services/services.h"

#include <QDateTime>

#include <functional>
#include <optional>

namespace norvel {

class ResultList;

// The survey day through a crash or a power cut: the result list and the pole in hand, with the shot taken in
// last until it has left the camera folder, written beside the program after every change and read back when
// the program starts after a run that did not end through its shut-down.
class RecoveryKeeper {
public:
    // Written at every change of list; poleText gives the pole number box's text as it stands.
    RecoveryKeeper(const Services& services, ResultList& list, std::function<QString()> poleText);

    [[nodiscard]] QString path() const;

    // The pole number's text changed: written now, or once the outermost batch ends. Written now, it is waited
    // for on disk, unless a take-in's batch is open.
    void changed();
    // Changes made while a batch lives are written once, when the outermost one ends: a take-in changes the list
    // several times and pays for one durable write.
    class Batch;
    // A take-in's batch: the record is written beside the filing and not waited for; the take-in calls onDisk
    // before its shot may leave the camera folder.
    [[nodiscard]] bool besideTakeIn() const { return m_besideTakeIn; }
    // Writes the record as it is now without waiting for it.
    void write();
    // Waits for the record on disk; a failure is said once until a write succeeds again.
    void onDisk();
    // Ended as it should: nothing is left to restore. A failure is said.
    void remove();

    // The shot at cameraPath as it was read for the take-in, taken in into the given row.
    [[nodiscard]] static PendingShot pendingShotOf(
        const QByteArray& cameraPath, const FileStamp& read, int row, const QDateTime& now);
    // The shot in the record from now on (nullopt: none); not written until the next change.
    void setPendingShot(std::optional<PendingShot> shot) { m_pending = std::move(shot); }
    // Where the pending shot's filed copy and kept original go (empty: not kept).
    void setPendingFiling(const QString& filedPath, const QString& originalPath);

    // The record a run without its shut-down left, nullopt when there is none or it cannot be used (said; a
    // damaged one is set aside). Its last shot is settled against the camera folder watched at watchPath:
    // filed, or measured with filing off, it is deleted, or handed to deleteLater when that fails; otherwise
    // its row goes, so that the watcher takes the shot in again.
    [[nodiscard]] std::optional<RecoveryRecord> read(
        const QString& watchPath, const std::function<void(const QByteArray& name)>& deleteLater);

private:
    void commit();
    void settlePendingShot(RecoveryRecord& record, const QString& watchPath,
        const std::function<void(const QByteArray& name)>& deleteLater) const;
    void setDamagedAside(const QString& why);
    void report(const QString& text) const { m_services.errors->showError(text); }

    Services m_services;
    ResultList& m_list;
    std::function<QString()> m_poleText;
    BackgroundFileWriter m_writer;
    std::optional<PendingShot> m_pending;
    int m_held = 0; // open batches
    bool m_dirty = false;
    bool m_besideTakeIn = false;
    bool m_failureReported = false;
};

class RecoveryKeeper::Batch {
public:
    enum class Kind { Plain, BesideTakeIn };
    explicit Batch(RecoveryKeeper& keeper, Kind kind = Kind::Plain)
        : m_keeper(keeper)
        , m_wasBesideTakeIn(keeper.m_besideTakeIn)
    {
        ++m_keeper.m_held;
        if (kind == Kind::BesideTakeIn)
            m_keeper.m_besideTakeIn = true;
    }
    ~Batch()
    {
        if (--m_keeper.m_held == 0 && m_keeper.m_dirty)
            m_keeper.commit();
        m_keeper.m_besideTakeIn = m_wasBesideTakeIn;
    }
    Batch(const Batch&) = delete;
    Batch& operator=(const Batch&) = delete;

private:
    RecoveryKeeper& m_keeper;
    bool m_wasBesideTakeIn;
};

} // namespace norvel
