#include "files/filearrivals.h"

#include <QSocketNotifier>

#include <cerrno>
#include <cstring>

#include <sys/inotify.h>
#include <unistd.h>

namespace norvel {

namespace {

constexpr uint32_t Arrivals = IN_CLOSE_WRITE | IN_MOVED_TO;

} // namespace

FileArrivals::FileArrivals(QObject* parent)
    : QObject(parent)
{
}

FileArrivals::~FileArrivals()
{
    if (m_fd >= 0)
        ::close(m_fd);
}

FileArrivals::Watch FileArrivals::watch(const QByteArray& folder, QString* reason)
{
    stop();
    m_folder = folder;
    if (m_fd < 0) {
        m_fd = ::inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
        if (m_fd < 0) {
            if (reason)
                *reason = qt_error_string(errno);
            return Watch::Refused;
        }
        m_notifier = new QSocketNotifier(m_fd, QSocketNotifier::Read, this);
        connect(m_notifier, &QSocketNotifier::activated, this, &FileArrivals::readEvents);
    }
    // IN_ONLYDIR: a file where the folder should be is no folder to watch.
    m_watch = ::inotify_add_watch(m_fd, folder.constData(), Arrivals | IN_ONLYDIR);
    if (m_watch >= 0)
        return Watch::Watching;
    const int error = errno;
    if (reason)
        *reason = qt_error_string(error);
    return error == ENOENT || error == ENOTDIR ? Watch::NoFolder : Watch::Refused;
}

void FileArrivals::stop()
{
    if (m_watch >= 0)
        ::inotify_rm_watch(m_fd, m_watch);
    m_watch = -1;
    // Events of the watch just removed may still be queued: they are read and dropped by their watch number.
}

void FileArrivals::readEvents()
{
    // Big enough for many events at once; names are at most NAME_MAX bytes.
    alignas(inotify_event) char buffer[64 * 1024];
    QList<QByteArray> names;
    for (;;) {
        const ssize_t got = ::read(m_fd, buffer, sizeof buffer);
        if (got <= 0)
            break; // EAGAIN: all read
        for (ssize_t at = 0; at + ssize_t(sizeof(inotify_event)) <= got;) {
            inotify_event event;
            std::memcpy(&event, buffer + at, sizeof event);
            const char* name = buffer + at + sizeof(inotify_event);
            at += ssize_t(sizeof(inotify_event) + event.len);
            if (at > got)
                break;
            if (event.wd != m_watch)
                continue; // a watch stopped or replaced (-1 is no watch's number)
            if (event.mask & IN_IGNORED) {
                m_watch = -1; // the folder went
                continue;
            }
            if ((event.mask & Arrivals) && !(event.mask & IN_ISDIR) && event.len > 0)
                names.append(QByteArray(name, qsizetype(::strnlen(name, event.len))));
        }
    }
    if (!names.isEmpty())
        Q_EMIT arrived(names);
}

} // namespace norvel
