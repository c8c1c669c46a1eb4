#pragma once

#include <QByteArray>
#include <QList>
#include <QObject>
#include <QString>

class QSocketNotifier;

// Files that arrive whole in one folder, as the kernel tells of them (inotify): a file closed after writing, or
// moved in. The names come as the file system's bytes, without the folder. Nothing is polled: an idle folder
// costs nothing.
namespace norvel {

class FileArrivals : public QObject {
    Q_OBJECT
public:
    explicit FileArrivals(QObject* parent = nullptr);
    ~FileArrivals() override;
    FileArrivals(const FileArrivals&) = delete;
    FileArrivals& operator=(const FileArrivals&) = delete;

    enum class Watch {
        Watching,
        NoFolder, // nothing there to watch (yet): no fault of the system's
        Refused, // the system will not watch it (no watches left, no permission, not supported); reason says why
    };
    // Watches folder in place of any folder watched before.
    Watch watch(const QByteArray& folder, QString* reason = nullptr);
    void stop();
    // Whether a folder is watched: false after stop, a refusal, or once the folder went (deleted, moved away,
    // unmounted).
    [[nodiscard]] bool watching() const { return m_watch >= 0; }
    [[nodiscard]] const QByteArray& folder() const { return m_folder; }

Q_SIGNALS:
    // Should the kernel's queue run over, the names lost are not told: whoever listens must not rely on hearing
    // of every file.
    void arrived(const QList<QByteArray>& names);

private:
    void readEvents();

    int m_fd = -1;
    int m_watch = -1;
    QByteArray m_folder;
    QSocketNotifier* m_notifier = nullptr;
};

} // namespace norvel
