#pragma once

#include "files/durablefile.h"

#include <QString>

#include <QFile>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <limits>
#include <mutex>
#include <thread>

// Disks that fail or stall the way real ones do, for the tests of everything that writes.

// A disk that fails the way a full or failing one does: a write past a byte count, or the sync. chunk: the
// most one write takes, as a disk that writes short does.
class FailingFile : public norvel::DurableFile {
public:
    FailingFile(const QString& path, qint64 writableBytes, qint64 chunk, bool syncFails)
        : DurableFile(path)
        , m_left(writableBytes)
        , m_chunk(chunk)
        , m_syncFails(syncFails)
    {
    }
    FailingFile(const QString& path, qint64 writableBytes, bool syncFails)
        : FailingFile(path, writableBytes, std::numeric_limits<qint64>::max(), syncFails)
    {
    }

protected:
    qint64 writeToDisk(int fd, const char* data, qint64 size) override
    {
        if (m_left <= 0) {
            errno = ENOSPC;
            return -1;
        }
        const qint64 written = DurableFile::writeToDisk(fd, data, std::min({ size, m_left, m_chunk }));
        m_left -= written;
        return written;
    }
    bool syncToDisk(int fd) override
    {
        if (m_syncFails) {
            errno = EIO;
            return false;
        }
        return DurableFile::syncToDisk(fd);
    }

private:
    qint64 m_left;
    qint64 m_chunk;
    bool m_syncFails;
};

// A disk that does not answer until it is let go, shared with a writer's thread that may outlive the test's
// writer.
struct Gate {
    std::mutex mutex;
    std::condition_variable opened;
    bool open = false;

    void pass()
    {
        std::unique_lock lock(mutex);
        opened.wait(lock, [this] { return open; });
    }
    void letGo()
    {
        {
            const std::lock_guard lock(mutex);
            open = true;
        }
        opened.notify_all();
    }
};

// Whether a file written on another thread shows up within the limit; the writer's thread is not told to hurry.
inline bool appearsWithin(const QString& path, std::chrono::milliseconds limit)
{
    for (auto until = std::chrono::steady_clock::now() + limit; std::chrono::steady_clock::now() < until;) {
        if (QFile::exists(path))
            return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return QFile::exists(path);
}
