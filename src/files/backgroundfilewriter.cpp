#include "files/backgroundfilewriter.h"

#include "files/durablefile.h"

#include <QFile>

#include <algorithm>
#include <cerrno>
#include <condition_variable>
#include <deque>
#include <mutex>

#include <unistd.h>

namespace norvel {

struct BackgroundFileWriter::Shared {
    Runner runner;
    std::mutex mutex;
    std::condition_variable changed;
    // Under mutex.
    std::deque<Job> jobs;
    quint64 handedOver = 0;
    quint64 done = 0;
    bool wholeFileFailed = false;
    bool appendFailed = false;
    QString error;
    bool stop = false;
};

QString unfinishedWriteReason(std::chrono::milliseconds waited)
{
    return QStringLiteral("書き込みが終わりません（%1秒）").arg(QString::number(double(waited.count()) / 1000.0));
}

BackgroundFileWriter::BackgroundFileWriter(std::chrono::milliseconds waitLimit, Runner runner)
    : m_waitLimit(waitLimit)
    , m_shared(std::make_shared<Shared>())
{
    m_shared->runner = runner ? std::move(runner) : Runner(&BackgroundFileWriter::performOnDisk);
    m_worker = std::thread(&BackgroundFileWriter::run, m_shared);
}

BackgroundFileWriter::~BackgroundFileWriter()
{
    bool finished = false;
    {
        std::unique_lock lock(m_shared->mutex);
        finished
            = m_shared->changed.wait_for(lock, m_waitLimit, [this] { return m_shared->done == m_shared->handedOver; });
        // Stopping still does what was handed over: it is what a restart would read.
        m_shared->stop = true;
    }
    m_shared->changed.notify_all();
    if (finished)
        m_worker.join();
    else
        m_worker.detach(); // it holds what it works on, and ends once it is done
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
    Shared& shared = *m_shared;
    {
        const std::lock_guard lock(shared.mutex);
        if (job.kind != Kind::Append) {
            // Only the newest content of a file matters; what it replaces need not reach the disk first.
            const auto superseded
                = [&](const Job& waiting) { return waiting.kind != Kind::Append && waiting.path == job.path; };
            const auto gone = std::remove_if(shared.jobs.begin(), shared.jobs.end(), superseded);
            shared.done += quint64(shared.jobs.end() - gone);
            shared.jobs.erase(gone, shared.jobs.end());
        }
        shared.jobs.push_back(std::move(job));
        ++shared.handedOver;
    }
    shared.changed.notify_all();
}

bool BackgroundFileWriter::flush(QString* error)
{
    return flush(error, m_waitLimit);
}

bool BackgroundFileWriter::flush(QString* error, std::chrono::milliseconds limit)
{
    Shared& shared = *m_shared;
    std::unique_lock lock(shared.mutex);
    if (!shared.changed.wait_for(lock, limit, [&] { return shared.done == shared.handedOver; })) {
        // What failed meanwhile is kept for the flush that sees the jobs done.
        if (error)
            *error = unfinishedWriteReason(limit);
        return false;
    }
    const bool failed = shared.wholeFileFailed || std::exchange(shared.appendFailed, false);
    if (failed && error)
        *error = shared.error;
    return !failed;
}

bool BackgroundFileWriter::performOnDisk(const Job& job, QString* error)
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
    if (::unlink(path.constData()) == 0)
        return syncFolderOf(path, error);
    if (errno == ENOENT)
        return true;
    *error = QStringLiteral("削除できません（%1）。").arg(qt_error_string(errno));
    return false;
}

// The thread's own share: the writer may go while a job hangs, and this thread goes on with what it holds.
void BackgroundFileWriter::run(std::shared_ptr<Shared> owned)
{
    Shared& shared = *owned;
    std::unique_lock lock(shared.mutex);
    for (;;) {
        shared.changed.wait(lock, [&] { return !shared.jobs.empty() || shared.stop; });
        if (shared.jobs.empty())
            return;
        const Job job = std::move(shared.jobs.front());
        shared.jobs.pop_front();
        lock.unlock();
        QString error;
        const bool done = shared.runner(job, &error);
        lock.lock();
        if (job.kind == Kind::Append)
            shared.appendFailed = shared.appendFailed || !done;
        else
            shared.wholeFileFailed = !done;
        if (!done)
            shared.error = error;
        ++shared.done;
        shared.changed.notify_all();
    }
}

} // namespace norvel
