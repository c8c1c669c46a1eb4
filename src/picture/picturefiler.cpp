#include "picture/picturefiler.h"

#include "files/backgroundfilewriter.h"
#include "files/durablefile.h"
#include "picture/jpegwriter.h"

#include <QBuffer>
#include <QColorSpace>

#include <algorithm>
#include <condition_variable>
#include <mutex>
#include <optional>

namespace norvel {

namespace {
// Rows the encoding waits for before it goes on: it is faster than the decoding it follows, and the window shows and
// measures the picture after the decoding for longer than the encoding of these rows takes.
constexpr int EncodedAtOnce = 256;
} // namespace

struct PictureFiler::Filing {
    int quality = 0;
    FileWriter writer;
    std::unique_ptr<JpegBuffer> buffer; // the thread's alone while it runs
    std::mutex mutex;
    std::condition_variable changed;
    // Under mutex.
    QImage picture;
    int rows = 0;
    int awaited = 0; // the rows the encoding waits for, 0 while it does not: fewer wake-ups cost the decoding less
    bool stop = false;
    std::optional<QString> path;
    Companion companion; // set with path
    std::function<void()> ended; // emptied when the filer stops waiting, so a late end tells nobody
    bool done = false; // the thread is at its end
    bool written = false;
    QString error;
};

PictureFiler::PictureFiler(int quality, std::chrono::milliseconds waitLimit, FileWriter writer)
    : m_quality(quality)
    , m_waitLimit(waitLimit)
    , m_writer(writer ? std::move(writer) : FileWriter(&writeFileDurably))
    , m_buffer(std::make_unique<JpegBuffer>())
{
}

PictureFiler::~PictureFiler()
{
    stop();
}

void PictureFiler::setEnded(std::function<void()> ended)
{
    m_ended = std::move(ended);
    if (m_filing) {
        const std::lock_guard lock(m_filing->mutex);
        m_filing->ended = m_ended;
    }
}

bool PictureFiler::stop(bool evenIfPlaced)
{
    if (!m_worker.joinable())
        return true;
    Filing& filing = *m_filing;
    bool ended = false;
    {
        std::unique_lock lock(filing.mutex);
        // A filing given its place is written all the same: its shot may already count as filed.
        if (evenIfPlaced || !filing.path)
            filing.stop = true;
        filing.changed.notify_all();
        ended = filing.changed.wait_for(lock, m_waitLimit, [&] { return filing.done; });
        if (ended) {
            m_written = filing.written;
            m_error = filing.error;
        } else {
            // Left to go on alone: it may still write the file, but tells nobody.
            filing.ended = nullptr;
            m_written = false;
            m_error = filing.path ? jpegFileError(*filing.path, unfinishedWriteReason(m_waitLimit)) : QString();
        }
    }
    if (ended) {
        m_worker.join();
        m_buffer = std::move(filing.buffer);
    } else {
        m_worker.detach();
        m_buffer = std::make_unique<JpegBuffer>();
    }
    m_filing.reset();
    return ended;
}

void PictureFiler::start(const QImage& picture, int rows)
{
    stop(); // an earlier filing is dropped, or written first when it was given its place
    m_written = false;
    m_error.clear();
    m_filing = std::make_shared<Filing>();
    m_filing->quality = m_quality;
    m_filing->writer = m_writer;
    m_filing->buffer = std::move(m_buffer);
    m_filing->picture = picture;
    m_filing->rows = rows;
    m_filing->ended = m_ended;
    m_worker = std::thread(&PictureFiler::run, m_filing);
}

void PictureFiler::picturePrepared(const QImage& picture)
{
    start(picture, 0);
}

void PictureFiler::rowsFinished(int rows)
{
    if (!m_filing)
        return;
    bool awaited = false;
    {
        const std::lock_guard lock(m_filing->mutex);
        m_filing->rows = rows;
        awaited = m_filing->awaited > 0 && rows >= m_filing->awaited;
    }
    if (awaited)
        m_filing->changed.notify_all();
}

void PictureFiler::decodingAbandoned()
{
    stop(true); // the rows still missing will never come
}

void PictureFiler::fileWhole(const QImage& picture)
{
    start(picture, picture.height());
}

void PictureFiler::writeTo(const QString& path, Companion companion)
{
    if (!m_filing)
        return;
    {
        const std::lock_guard lock(m_filing->mutex);
        m_filing->path = path;
        m_filing->companion = std::move(companion);
    }
    m_filing->changed.notify_all();
}

void PictureFiler::discard()
{
    stop();
}

bool PictureFiler::finish(QString* error)
{
    stop();
    if (!m_written && error)
        *error = m_error;
    return m_written;
}

// The thread's own share of the filing: the filer may let it go on alone, and go.
void PictureFiler::run(std::shared_ptr<Filing> owned)
{
    Filing& filing = *owned;
    QImage picture = filing.picture; // set before this thread started
    // What Qt's writer would add (text, a colour profile) or convert (other formats) is left to it.
    const bool ours
        = picture.format() == QImage::Format_RGB32 && picture.textKeys().isEmpty() && !picture.colorSpace().isValid();
    QByteArray qtEncoded;
    QString reason;
    bool encoded = false;
    if (ours) {
        // Woken for a good many rows at a time, or the last of them.
        const int height = picture.height();
        const auto waitForRows = [&](int next) {
            std::unique_lock lock(filing.mutex);
            if (!filing.stop && filing.rows <= next) {
                filing.awaited = std::min(next + EncodedAtOnce, height);
                filing.changed.wait(lock, [&] { return filing.stop || filing.rows >= filing.awaited; });
                filing.awaited = 0;
            }
            return filing.stop ? -1 : filing.rows;
        };
        encoded = encodeRgb32Jpeg(picture, filing.quality, waitForRows, filing.buffer.get());
        if (!encoded)
            reason = QStringLiteral("画像をJPEGに変換できませんでした。");
    } else {
        QBuffer device(&qtEncoded);
        device.open(QIODevice::WriteOnly);
        encoded = writeJpeg(picture, picture.width(), picture.height(), &device, filing.quality, &reason);
    }
    // The window's picture is its own again: changing it must not copy it.
    picture = QImage();
    std::optional<QString> path;
    Companion companion;
    {
        std::unique_lock lock(filing.mutex);
        filing.picture = QImage();
        filing.changed.wait(lock, [&] { return filing.stop || filing.path; });
        if (!filing.stop) {
            path = filing.path;
            companion = filing.companion;
        }
    }
    bool written = false;
    QString error;
    if (path && encoded)
        written = filing.writer(*path, ours ? filing.buffer->bytes() : qtEncoded, &reason);
    if (path && !written)
        error = jpegFileError(*path, reason);
    else if (written && companion)
        written = companion(&error);
    {
        const std::lock_guard lock(filing.mutex);
        filing.written = written;
        filing.error = error;
        filing.done = true;
        // Under the lock: once the filer has stopped waiting for this filing, it is told nothing more.
        if (path && filing.ended)
            filing.ended();
        filing.changed.notify_all();
    }
}

} // namespace norvel
