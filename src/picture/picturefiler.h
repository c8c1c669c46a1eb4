#pragma once

#include "picture/jpegcodec.h"

#include <QImage>
#include <QString>

#include <chrono>
#include <functional>
#include <memory>
#include <thread>

// Filing a shot as a JPEG on a thread of its own while the window shows and measures it. Fed as the rows
// of a picture are decoded, the encoding follows the decoding band by band; the file is written, whole
// or not at all, once the window has said where. The window waits for the filer's thread only up to a limit: a
// write that hangs goes on alone, and the filing counts as failed.
namespace norvel {

class PictureFiler : public PictureRowSink {
public:
    // Writes the encoded file, whole or not at all; false with the reason. writeFileDurably, unless a test
    // holds the writing up.
    using FileWriter = std::function<bool(const QString& path, const QByteArray& content, QString* error)>;
    // The longest wait for the filer's thread, which may still be encoding a large picture.
    static constexpr std::chrono::milliseconds DefaultWaitLimit { 20'000 };

    explicit PictureFiler(int quality, std::chrono::milliseconds waitLimit = DefaultWaitLimit, FileWriter writer = {});
    ~PictureFiler() override; // waits (up to the limit) for a filing given its place, discards any other
    PictureFiler(const PictureFiler&) = delete;
    PictureFiler& operator=(const PictureFiler&) = delete;

    // A picture decoded band by band: the encoding starts at once and follows the rows.
    void picturePrepared(const QImage& picture) override;
    void rowsFinished(int rows) override;
    void decodingAbandoned() override;

    // A picture that is there whole (one Qt decoded): encoded as the program's JPEG writer does.
    void fileWhole(const QImage& picture);
    // Whether a picture is being filed: fed, and not yet finished, discarded or left to go on alone.
    [[nodiscard]] bool busy() const { return m_worker.joinable(); }

    // Written on the filer's thread once the JPEG is: false with a message naming the file in error.
    using Companion = std::function<bool(QString* error)>;
    // Where the JPEG goes; the file there is replaced whole as soon as the encoding is done. From here on the
    // filing is written whatever comes, unless the decoding is abandoned. A companion, when given, is
    // written after it, and the filing counts as written only when both are.
    void writeTo(const QString& path, Companion companion = {});
    // Nothing is written, unless writeTo was called.
    void discard();
    // Called on the filer's thread when a file given to writeTo is written or has failed; never once the wait
    // for that filing ran out. It must not call the filer.
    void setEnded(std::function<void()> ended);
    // Waits for the filing and ends it (discarding it when no place was given): true when written, else
    // false with a message naming the file in error, also when the limit ran out (the writing goes on).
    [[nodiscard]] bool finish(QString* error);

private:
    struct Filing; // shared with the filer's thread, which outlives the filer when a write hangs
    void start(const QImage& picture, int rows);
    static void run(std::shared_ptr<Filing> filing);
    // Ends the filing's thread within the limit: false when it was left to go on alone.
    bool stop(bool evenIfPlaced = false);

    const int m_quality;
    const std::chrono::milliseconds m_waitLimit;
    const FileWriter m_writer;
    std::function<void()> m_ended;
    std::shared_ptr<Filing> m_filing; // the one being filed, while m_worker runs
    std::thread m_worker;
    // The last filing's outcome, once its thread has ended or was let go.
    bool m_written = false;
    QString m_error;
    std::unique_ptr<JpegBuffer> m_buffer; // kept from one filing to the next, while none runs
};

} // namespace norvel
