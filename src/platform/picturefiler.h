#pragma once

#include "platform/jpegcodec.h"

#include <QImage>
#include <QString>

#include <condition_variable>
#include <functional>
#include <mutex>
#include <optional>
#include <thread>

// Filing a shot as a JPEG on a thread of its own while the window shows and measures it. Fed as the rows
// of a picture are decoded, the encoding follows the decoding band by band; the file is written, whole
// or not at all, once the window has said where.
namespace norvel {

class PictureFiler : public PictureRowSink {
public:
    explicit PictureFiler(int quality);
    ~PictureFiler() override; // waits for a filing given its place, discards any other
    PictureFiler(const PictureFiler&) = delete;
    PictureFiler& operator=(const PictureFiler&) = delete;

    // A picture decoded band by band: the encoding starts at once and follows the rows.
    void picturePrepared(const QImage& picture) override;
    void rowsFinished(int rows) override;
    void decodingAbandoned() override;

    // A picture that is there whole (one Qt decoded): encoded as the program's JPEG writer does.
    void fileWhole(const QImage& picture);
    // Whether a picture is being filed: fed, and not yet finished or discarded.
    [[nodiscard]] bool busy() const { return m_worker.joinable(); }

    // Where the JPEG goes; the file there is replaced whole as soon as the encoding is done. From here on the
    // filing is written whatever comes, unless the decoding is abandoned.
    void writeTo(const QString& path);
    // Nothing is written, unless writeTo was called.
    void discard();
    // Called on the filer's thread when a file given to writeTo is written or has failed.
    void setEnded(std::function<void()> ended);
    // Waits until the file given to writeTo is written or has failed; at once when none was given.
    void waitForWrite();
    // Waits for the filing and ends it (discarding it when no place was given): true when written, else
    // false with a message naming the file in error.
    [[nodiscard]] bool finish(QString* error);

private:
    void start(const QImage& picture, int rows);
    void run();
    int waitForRows(int next);
    void stop(bool evenIfPlaced = false);

    const int m_quality;
    std::function<void()> m_ended;
    std::thread m_worker;
    std::mutex m_mutex;
    std::condition_variable m_changed;
    // Shared with the worker, under m_mutex.
    QImage m_picture;
    int m_rows = 0;
    bool m_stop = false;
    std::optional<QString> m_path;
    bool m_done = false;
    bool m_written = false;
    QString m_error;
    JpegBuffer m_buffer; // the worker's alone while it runs
};

} // namespace norvel
