#include "acquisition/capturewatcher.h"

#include "acquisition/camerafolder.h"

namespace norvel {

CaptureWatcher::CaptureWatcher(StatusChanged statusChanged)
    : m_statusChanged(std::move(statusChanged))
{
}

void CaptureWatcher::setStatus(const QString& status)
{
    m_status = status;
    if (m_statusChanged)
        m_statusChanged(status);
}

std::optional<TakeInResult> CaptureWatcher::tick(CaptureFolder& folder, const TakeIn& takeIn)
{
    const QString first = folder.firstName();
    if (first.isEmpty()) {
        // Nothing matches, so no left-over file remains either.
        m_leftOvers.clear();
        if (!m_pendingName.isEmpty()) {
            setStatus(watcherstatus::NoFile);
            m_pendingName.clear();
        }
        return std::nullopt;
    }

    if (m_leftOvers.contains(first)) {
        if (folder.remove(first)) {
            m_leftOvers.remove(first);
            setStatus(watcherstatus::Kill);
        } else {
            setStatus(watcherstatus::KillErr);
        }
        return std::nullopt;
    }

    const bool waiting = m_status == watcherstatus::Ready || m_status == watcherstatus::LoodErr;
    if (first != m_pendingName || !waiting) {
        // A shot not seen before, including a new one under the name of a picture already taken in and
        // deleted: it waits one tick before it is taken in.
        setStatus(watcherstatus::Ready);
        m_pendingName = first;
        return std::nullopt;
    }

    setStatus(watcherstatus::Lood);
    const TakeInResult result = takeIn(first);
    switch (result) {
    case TakeInResult::LoadFailed:
        setStatus(watcherstatus::LoodErr);
        break;
    case TakeInResult::Declined:
        // Shown but not measured: the file goes on a later tick, without a second take-in.
        m_leftOvers.insert(first);
        break;
    case TakeInResult::Measured:
        if (!folder.remove(first))
            m_leftOvers.insert(first);
        break;
    }
    return result;
}

} // namespace norvel
