#pragma once

#include <QByteArray>
#include <QString>

#include <chrono>
#include <functional>
#include <memory>
#include <thread>

namespace norvel {

// Writes files on a thread of its own, through the durable writer: the window hands work over and goes on,
// and waits only where a file must be on disk before it acts, and then never longer than a limit: a write
// that hangs (a network folder gone, a card that no longer answers) is said as a failure, goes on in the
// background, and is said as what it came to at a later flush. Jobs run in the order handed over, except
// that a whole-file write or removal not yet begun gives way to a newer one for the same file.
class BackgroundFileWriter {
public:
    enum class Kind { Write, Remove, Append };
    struct Job {
        Kind kind;
        QString path;
        QByteArray header;
        QByteArray bytes;
    };
    // Does one job on the writer's thread: false, with the reason in error, when it failed.
    using Runner = std::function<bool(const Job& job, QString* error)>;

    // How long the window waits for the writer at most, at a flush and when the writer goes.
    static constexpr std::chrono::milliseconds DefaultWaitLimit { 10'000 };

    // runner, when given, does the jobs instead of performOnDisk: tests hold them up with it.
    explicit BackgroundFileWriter(std::chrono::milliseconds waitLimit = DefaultWaitLimit, Runner runner = {});
    // Does what was handed over, waiting up to the limit; past it the thread goes on alone until it is done.
    ~BackgroundFileWriter();
    BackgroundFileWriter(const BackgroundFileWriter&) = delete;
    BackgroundFileWriter& operator=(const BackgroundFileWriter&) = delete;

    void write(const QString& path, QByteArray content);
    void remove(const QString& path);
    // Bytes added to the end of the file; a new file starts with header.
    void append(const QString& path, QByteArray header, QByteArray bytes);
    // Waits until everything handed over is done, at most the limit. False, with the reason, when the last
    // whole-file job failed, or an append failed since the last flush that saw it, or the limit ran out
    // (the writing goes on; a later flush tells how it ended).
    [[nodiscard]] bool flush(QString* error);
    [[nodiscard]] bool flush(QString* error, std::chrono::milliseconds limit);

    // The durable writer's way of doing a job.
    [[nodiscard]] static bool performOnDisk(const Job& job, QString* error);

private:
    struct Shared; // with the thread, which may outlive the writer when a job hangs
    void queue(Job job);
    static void run(std::shared_ptr<Shared> shared);

    const std::chrono::milliseconds m_waitLimit;
    std::shared_ptr<Shared> m_shared;
    std::thread m_worker; // last: it starts on what is above
};

// The reason given when a wait for a writer ran out; the writing goes on.
[[nodiscard]] QString unfinishedWriteReason(std::chrono::milliseconds waited);

} // namespace norvel
