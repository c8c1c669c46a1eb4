#include "acquisition/capturewatcher.h"

#include "acquisition/camerafolder.h"

#include <utility>

namespace norvel {

CaptureWatcher::CaptureWatcher(StatusChanged statusChanged, Report report)
    : m_statusChanged(std::move(statusChanged))
    , m_report(std::move(report))
{
}

void CaptureWatcher::setStatus(const QString& status)
{
    m_status = status;
    if (m_statusChanged)
        m_statusChanged(status);
}

void CaptureWatcher::treatAsLeftOver(const QByteArray& name, Disposal disposal, bool reported)
{
    m_leftOvers.insert(name, disposal);
    if (reported)
        m_reported.insert(name);
}

void CaptureWatcher::arrived(const QByteArray& name)
{
    // A flood of names (a copied folder) must not grow without end: beyond this the ticks take them in.
    constexpr qsizetype MaxArrivals = 4096;
    if (m_arrived.size() < MaxArrivals)
        m_arrived.insert(name);
}

void CaptureWatcher::forgetLeftOvers()
{
    m_arrived.clear();
    m_leftOvers.clear();
    m_stuck.clear();
    m_reported.clear();
    m_nextStuckRetry.reset();
}

std::optional<TakeInResult> CaptureWatcher::tick(CaptureFolder& folder, const TakeIn& takeIn, const QDateTime& now)
{
    m_now = now;
    if (filingPending())
        return std::nullopt;
    if (!folder.usable()) {
        // Refused like an empty pattern: nothing is listed and nothing is touched.
        m_pendingName.clear();
        m_loadFailingSince.reset();
        m_arrived.clear();
        if (m_status != watcherstatus::NoFile)
            setStatus(watcherstatus::NoFile);
        return std::nullopt;
    }

    const QByteArray first = folder.firstName(m_stuck);
    if (first.isEmpty()) {
        nothingNew(folder);
        return std::nullopt;
    }
    return step(folder, first, takeIn);
}

std::optional<TakeInResult> CaptureWatcher::arrivalStep(
    CaptureFolder& folder, const TakeIn& takeIn, const QDateTime& now)
{
    m_now = now;
    if (m_arrived.isEmpty() || filingPending() || !folder.usable())
        return std::nullopt;
    const QByteArray first = folder.firstName(m_stuck);
    if (first.isEmpty())
        m_arrived.clear();
    // Shots still being written, and left-overs, keep the pace of the ticks.
    if (!m_arrived.contains(first) || m_leftOvers.contains(first))
        return std::nullopt;
    return step(folder, first, takeIn);
}

std::optional<TakeInResult> CaptureWatcher::step(CaptureFolder& folder, const QByteArray& first, const TakeIn& takeIn)
{
    if (const auto leftOver = m_leftOvers.constFind(first); leftOver != m_leftOvers.constEnd()) {
        dispose(folder, first, *leftOver);
        return std::nullopt;
    }

    const bool waiting = m_status == watcherstatus::Ready || m_status == watcherstatus::LoodErr;
    if (first != m_pendingName || !waiting) {
        // A shot not seen before, including a new one under the name of a picture already taken in and
        // deleted: it waits one tick before it is taken in, unless it arrived whole.
        setStatus(watcherstatus::Ready);
        m_pendingName = first;
        m_loadFailingSince.reset();
        if (!m_arrived.contains(first))
            return std::nullopt;
    }

    // Should it fail to load, it waits for the ticks again, or for its next arrival.
    m_arrived.remove(first);
    setStatus(watcherstatus::Lood);
    const TakeInResult result = takeIn(first);
    afterTakeIn(folder, first, result);
    return result;
}

// No shot listed, beyond those stuck.
void CaptureWatcher::nothingNew(CaptureFolder& folder)
{
    // Left-overs that are not stuck would have been listed: they are gone, as is every shot that arrived.
    m_arrived.clear();
    for (auto it = m_leftOvers.begin(); it != m_leftOvers.end();)
        it = m_stuck.contains(it.key()) ? std::next(it) : m_leftOvers.erase(it);
    // A stuck file is still there: the folder is not empty, it only has nothing new.
    if (!m_pendingName.isEmpty() && !m_stuck.contains(m_pendingName)) {
        setStatus(watcherstatus::NoFile);
        m_pendingName.clear();
        m_loadFailingSince.reset();
        return;
    }
    m_pendingName.clear();
    m_loadFailingSince.reset();
    retryStuck(folder);
}

// What becomes of the shot after its take-in.
void CaptureWatcher::afterTakeIn(CaptureFolder& folder, const QByteArray& first, TakeInResult result)
{
    switch (result) {
    case TakeInResult::LoadFailed:
        if (!m_loadFailingSince)
            m_loadFailingSince = m_now;
        if (m_loadFailingSince->msecsTo(m_now) >= GiveUpLoadingMs) {
            // Not a picture, or a shot never finished: it must not hold back the shots behind it.
            m_loadFailingSince.reset();
            dispose(folder, first, Disposal::SetAside);
        } else {
            setStatus(watcherstatus::LoodErr);
        }
        break;
    case TakeInResult::Declined:
        // Shown but not measured: the file is set aside on a later tick, without a second take-in.
        m_leftOvers.insert(first, Disposal::SetAside);
        break;
    case TakeInResult::Measured:
    case TakeInResult::MeasuredNotFiled:
        disposeTakenIn(folder, first, result == TakeInResult::Measured ? Disposal::Delete : Disposal::SetAside);
        break;
    case TakeInResult::MeasuredNameReused:
        break; // seen anew on the next tick, as any new shot
    case TakeInResult::Filing:
        m_filingName = first;
        break;
    }
}

void CaptureWatcher::filingEnded(CaptureFolder& folder, Disposal disposal)
{
    if (!filingPending())
        return;
    disposeTakenIn(folder, std::exchange(m_filingName, {}), disposal);
}

void CaptureWatcher::disposeTakenIn(CaptureFolder& folder, const QByteArray& name, Disposal disposal)
{
    if (disposal == Disposal::Leave)
        return;
    if (disposal == Disposal::Delete) {
        if (!folder.remove(name))
            m_leftOvers.insert(name, Disposal::Delete);
        return;
    }
    QString reason;
    if (!folder.setAside(name, &reason)) {
        m_leftOvers.insert(name, Disposal::SetAside);
        reportOnce(name, reason);
    }
}

void CaptureWatcher::dispose(CaptureFolder& folder, const QByteArray& name, Disposal disposal)
{
    QString reason;
    const bool done = disposal == Disposal::Delete ? folder.remove(name) : folder.setAside(name, &reason);
    m_arrived.remove(name); // a left-over is never a new shot
    if (done || !folder.exists(name)) {
        m_leftOvers.remove(name);
        m_stuck.remove(name);
        m_reported.remove(name);
        setStatus(done ? watcherstatus::Kill : watcherstatus::KillErr);
        return;
    }
    m_leftOvers.insert(name, disposal);
    m_stuck.insert(name);
    if (!m_nextStuckRetry)
        m_nextStuckRetry = m_now.addMSecs(RetryStuckMs);
    // A filed shot that cannot be deleted loses nothing; a shot without a copy that cannot be set aside is
    // the inspector's to know about.
    if (disposal == Disposal::SetAside)
        reportOnce(name, reason);
    setStatus(watcherstatus::KillErr);
}

void CaptureWatcher::reportOnce(const QByteArray& name, const QString& reason)
{
    if (m_reported.contains(name))
        return;
    m_reported.insert(name);
    if (m_report)
        m_report(reason);
}

void CaptureWatcher::retryStuck(CaptureFolder& folder)
{
    if (m_stuck.isEmpty() || (m_nextStuckRetry && m_now < *m_nextStuckRetry))
        return;
    m_nextStuckRetry.reset();
    const QSet<QByteArray> stuck = m_stuck;
    for (const QByteArray& name : stuck)
        dispose(folder, name, m_leftOvers.value(name, Disposal::SetAside));
}

} // namespace norvel
