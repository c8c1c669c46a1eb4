#include "platform/latestfilewriter.h"

#include "platform/durablefile.h"

#include <QFile>

#include <cerrno>

#include <unistd.h>

namespace norvel {

LatestFileWriter::LatestFileWriter(QString path)
    : m_path(std::move(path))
    , m_worker(&LatestFileWriter::run, this)
{
}

LatestFileWriter::~LatestFileWriter()
{
    {
        const std::lock_guard lock(m_mutex);
        m_stop = true;
    }
    m_changed.notify_all();
    m_worker.join();
}

void LatestFileWriter::write(QByteArray content)
{
    {
        const std::lock_guard lock(m_mutex);
        m_job.emplace(std::move(content));
        ++m_handedOver;
    }
    m_changed.notify_all();
}

void LatestFileWriter::remove()
{
    {
        const std::lock_guard lock(m_mutex);
        m_job.emplace(std::nullopt);
        ++m_handedOver;
    }
    m_changed.notify_all();
}

bool LatestFileWriter::flush(QString* error)
{
    std::unique_lock lock(m_mutex);
    m_changed.wait(lock, [this] { return m_done == m_handedOver; });
    if (m_failed && error)
        *error = m_error;
    return !m_failed;
}

void LatestFileWriter::run()
{
    std::unique_lock lock(m_mutex);
    for (;;) {
        // Stopping still writes what was handed over: it is what a restart would read.
        m_changed.wait(lock, [this] { return m_job || m_stop; });
        if (!m_job)
            return;
        const std::optional<QByteArray> content = *std::exchange(m_job, std::nullopt);
        const quint64 handedOver = m_handedOver;
        lock.unlock();
        QString error;
        bool written = true;
        if (content) {
            written = writeFileDurably(m_path, *content, &error);
        } else {
            const QByteArray path = QFile::encodeName(m_path);
            if (::unlink(path.constData()) == 0) {
                syncFolderOf(path);
            } else if (errno != ENOENT) {
                written = false;
                error = qt_error_string(errno);
            }
        }
        lock.lock();
        m_failed = !written;
        m_error = error;
        m_done = handedOver;
        m_changed.notify_all();
    }
}

} // namespace norvel
