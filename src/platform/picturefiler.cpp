#include "platform/picturefiler.h"

#include "platform/durablefile.h"
#include "platform/jpegwriter.h"

#include <QBuffer>
#include <QColorSpace>

namespace norvel {

PictureFiler::PictureFiler(int quality)
    : m_quality(quality)
{
}

PictureFiler::~PictureFiler()
{
    stop();
}

void PictureFiler::setEnded(std::function<void()> ended)
{
    m_ended = std::move(ended);
}

void PictureFiler::stop(bool evenIfPlaced)
{
    if (!m_worker.joinable())
        return;
    {
        const std::lock_guard lock(m_mutex);
        // A filing given its place is written all the same: its shot may already count as filed.
        if (evenIfPlaced || !m_path)
            m_stop = true;
    }
    m_changed.notify_all();
    m_worker.join();
}

void PictureFiler::start(const QImage& picture, int rows)
{
    stop(); // an earlier filing is dropped, or written first when it was given its place
    m_picture = picture;
    m_rows = rows;
    m_stop = false;
    m_path.reset();
    m_done = false;
    m_written = false;
    m_error.clear();
    m_worker = std::thread(&PictureFiler::run, this);
}

void PictureFiler::picturePrepared(const QImage& picture)
{
    start(picture, 0);
}

void PictureFiler::rowsFinished(int rows)
{
    {
        const std::lock_guard lock(m_mutex);
        m_rows = rows;
    }
    m_changed.notify_all();
}

void PictureFiler::decodingAbandoned()
{
    stop(true); // the rows still missing will never come
}

void PictureFiler::fileWhole(const QImage& picture)
{
    start(picture, picture.height());
}

void PictureFiler::writeTo(const QString& path)
{
    {
        const std::lock_guard lock(m_mutex);
        m_path = path;
    }
    m_changed.notify_all();
}

void PictureFiler::discard()
{
    stop();
}

void PictureFiler::waitForWrite()
{
    std::unique_lock lock(m_mutex);
    m_changed.wait(lock, [this] { return m_done || !m_path || m_stop; });
}

bool PictureFiler::finish(QString* error)
{
    stop();
    if (!m_written && error)
        *error = m_error;
    return m_written;
}

int PictureFiler::waitForRows(int next)
{
    std::unique_lock lock(m_mutex);
    m_changed.wait(lock, [&] { return m_stop || m_rows > next; });
    return m_stop ? -1 : m_rows;
}

void PictureFiler::run()
{
    QImage picture = m_picture; // set before this thread started
    // What Qt's writer would add (text, a colour profile) or convert (other formats) is left to it.
    const bool ours = picture.format() == QImage::Format_RGB32 && picture.textKeys().isEmpty()
        && !picture.colorSpace().isValid();
    QByteArray qtEncoded;
    QString reason;
    bool encoded = false;
    if (ours) {
        encoded = encodeRgb32Jpeg(picture, m_quality, [this](int next) { return waitForRows(next); }, &m_buffer);
        if (!encoded)
            reason = QStringLiteral("the picture could not be encoded as JPEG");
    } else {
        QBuffer device(&qtEncoded);
        device.open(QIODevice::WriteOnly);
        encoded = writeJpeg(picture, picture.width(), picture.height(), &device, m_quality, &reason);
    }
    // The window's picture is its own again: changing it must not copy it.
    picture = QImage();
    std::optional<QString> path;
    {
        std::unique_lock lock(m_mutex);
        m_picture = QImage();
        m_changed.wait(lock, [this] { return m_stop || m_path; });
        if (!m_stop)
            path = m_path;
    }
    bool written = false;
    if (path && encoded)
        written = writeFileDurably(*path, ours ? m_buffer.bytes() : qtEncoded, &reason);
    {
        const std::lock_guard lock(m_mutex);
        m_written = written;
        if (path && !written)
            m_error = jpegFileError(*path, reason);
        m_done = true;
    }
    m_changed.notify_all();
    if (path && m_ended)
        m_ended();
}

} // namespace norvel
