#pragma once

#include <QByteArray>
#include <QString>

#include <condition_variable>
#include <deque>
#include <mutex>
#include <thread>

namespace norvel {

// Writes files on a thread of its own, through the durable writer: the window hands work over and goes on,
// and waits only where a file must be on disk before it acts. Jobs run in the order handed over, except
// that a whole-file write or removal not yet begun gives way to a newer one for the same file.
class BackgroundFileWriter {
public:
    BackgroundFileWriter();
    ~BackgroundFileWriter(); // does what was handed over, then stops
    BackgroundFileWriter(const BackgroundFileWriter&) = delete;
    BackgroundFileWriter& operator=(const BackgroundFileWriter&) = delete;

    void write(const QString& path, QByteArray content);
    void remove(const QString& path);
    // Bytes added to the end of the file; a new file starts with header.
    void append(const QString& path, QByteArray header, QByteArray bytes);
    // Waits until everything handed over is done. False, with the reason, when the last whole-file job
    // failed, or an append failed since the last flush.
    [[nodiscard]] bool flush(QString* error);

private:
    enum class Kind { Write, Remove, Append };
    struct Job {
        Kind kind;
        QString path;
        QByteArray header;
        QByteArray bytes;
    };
    void queue(Job job);
    void run();
    [[nodiscard]] static bool perform(const Job& job, QString* error);

    std::mutex m_mutex;
    std::condition_variable m_changed;
    // Under m_mutex.
    std::deque<Job> m_jobs;
    quint64 m_handedOver = 0;
    quint64 m_done = 0;
    bool m_wholeFileFailed = false;
    bool m_appendFailed = false;
    QString m_error;
    bool m_stop = false;
    std::thread m_worker; // last: it starts on what is above
};

} // namespace norvel
