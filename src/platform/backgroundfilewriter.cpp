#include "platform/backgroundfilewriter.h"

#include "platform/durablefile.h"

#include <QFile>

#include <algorithm>
#include <cerrno>

#include <unistd.h>

namespace norvel {

BackgroundFileWriter::BackgroundFileWriter()
    : m_worker(&BackgroundFileWriter::run, this)
{
}

BackgroundFileWriter::~BackgroundFileWriter()
{
    {
        const std::lock_guard lock(m_mutex);
        m_stop = true;
    }
    m_changed.notify_all();
    m_worker.join();
}

void BackgroundFileWriter::write(const QString& path, QByteArray content)
{
    queue({ Kind::Write, path, {}, std::move(content) });
}

void BackgroundFileWriter::remove(const QString& path)
{
    queue({ Kind::Remove, path, {}, {} });
}

void BackgroundFileWriter::append(const QString& path, QByteArray header, QByteArray bytes)
{
    queue({ Kind::Append, path, std::move(header), std::move(bytes) });
}

void BackgroundFileWriter::queue(Job job)
{
    {
        const std::lock_guard lock(m_mutex);
        if (job.kind != Kind::Append) {
            // Only the newest content of a file matters; what it replaces need not reach the disk first.
            const auto superseded = [&](const Job& waiting) {
                return waiting.kind != Kind::Append && waiting.path == job.path;
            };
            const auto gone = std::remove_if(m_jobs.begin(), m_jobs.end(), superseded);
            m_done += quint64(m_jobs.end() - gone);
            m_jobs.erase(gone, m_jobs.end());
        }
        m_jobs.push_back(std::move(job));
        ++m_handedOver;
    }
    m_changed.notify_all();
}

bool BackgroundFileWriter::flush(QString* error)
{
    std::unique_lock lock(m_mutex);
    m_changed.wait(lock, [this] { return m_done == m_handedOver; });
    const bool failed = m_wholeFileFailed || std::exchange(m_appendFailed, false);
    if (failed && error)
        *error = m_error;
    return !failed;
}

bool BackgroundFileWriter::perform(const Job& job, QString* error)
{
    switch (job.kind) {
    case Kind::Write:
        return writeFileDurably(job.path, job.bytes, error);
    case Kind::Append:
        return appendFileDurably(job.path, job.header, job.bytes, error);
    case Kind::Remove:
        break;
    }
    const QByteArray path = QFile::encodeName(job.path);
    if (::unlink(path.constData()) == 0) {
        syncFolderOf(path);
        return true;
    }
    if (errno == ENOENT)
        return true;
    *error = qt_error_string(errno);
    return false;
}

void BackgroundFileWriter::run()
{
    std::unique_lock lock(m_mutex);
    for (;;) {
        // Stopping still does what was handed over: it is what a restart would read.
        m_changed.wait(lock, [this] { return !m_jobs.empty() || m_stop; });
        if (m_jobs.empty())
            return;
        const Job job = std::move(m_jobs.front());
        m_jobs.pop_front();
        lock.unlock();
        QString error;
        const bool done = perform(job, &error);
        lock.lock();
        if (job.kind == Kind::Append)
            m_appendFailed = m_appendFailed || !done;
        else
            m_wholeFileFailed = !done;
        if (!done)
            m_error = error;
        ++m_done;
        m_changed.notify_all();
    }
}

} // namespace norvel
