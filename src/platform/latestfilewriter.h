#pragma once

#include <QByteArray>
#include <QString>

#include <condition_variable>
#include <mutex>
#include <optional>
#include <thread>

namespace norvel {

// Keeps one file up to date on a thread of its own, through the durable writer: the window hands over the
// newest content and goes on, and waits only where the file must be on disk before it acts. Content not yet
// written when newer content comes is dropped.
class LatestFileWriter {
public:
    explicit LatestFileWriter(QString path);
    ~LatestFileWriter(); // writes what was handed over, then stops
    LatestFileWriter(const LatestFileWriter&) = delete;
    LatestFileWriter& operator=(const LatestFileWriter&) = delete;

    [[nodiscard]] const QString& path() const { return m_path; }
    void write(QByteArray content);
    // The file goes, once what was handed over before is written.
    void remove();
    // Waits until everything handed over is done: false, with the reason, when the last of it failed.
    [[nodiscard]] bool flush(QString* error);

private:
    void run();

    const QString m_path;
    std::mutex m_mutex;
    std::condition_variable m_changed;
    // Under m_mutex: the newest job (content, or nullopt for removal), and how far the work has come.
    std::optional<std::optional<QByteArray>> m_job;
    quint64 m_handedOver = 0;
    quint64 m_done = 0;
    bool m_failed = false;
    QString m_error;
    bool m_stop = false;
    std::thread m_worker; // last: it starts on what is above
};

} // namespace norvel
