#include "ledger/ledgerthumbnails.h"

#include "files/regularfile.h"
#include "ledger/ledgerday.h"
#include "picture/picturefile.h"

#include <QBuffer>
#include <QFile>
#include <QImageReader>
#include <QThread>
#include <QtConcurrent/QtConcurrentRun>

#include <algorithm>

namespace norvel {

namespace {

// Pictures in memory at once, in megabytes, whatever the number of threads: a picture file is read whole
// for the completeness check.
constexpr int PictureBudgetMB = 128;
constexpr qint64 Megabyte = 1024 * 1024;

Thumbnail decodeThumbnail(const PictureJob& job, QSemaphore* budget)
{
    if (!job.error.isEmpty())
        return { {}, job.error };
    const RegularFile file = openRegularFile(job.file, LedgerPictureLimitBytes);
    if (file.status != RegularFile::Status::Opened)
        return { {}, file.error };
    const int units = int(std::clamp<qint64>((file.size + Megabyte - 1) / Megabyte, 1, PictureBudgetMB));
    budget->acquire(units);
    const QSemaphoreReleaser release(budget, units);
    QByteArray data = file.file->read(file.size);
    if (data.size() != file.size)
        return { {}, QStringLiteral("読んでいる間にファイルが短くなりました。") };
    // The take-in's check: Qt's decoder would pad a cut JPEG with grey and call it a success.
    const bool truncated = data.startsWith("\xFF\xD8") && !jpegIsComplete(data);
    QBuffer buffer(&data);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer);
    reader.setAutoTransform(false);
    const QSize size = reader.size();
    if (size.isValid()
        && (qint64(size.width()) * size.height() > PictureMaxPixels || size.width() > PictureMaxSide
            || size.height() > PictureMaxSide))
        return { {}, QStringLiteral("画像が大きすぎます（%1×%2 画素）。").arg(size.width()).arg(size.height()),
            truncated };
    if (size.isValid())
        reader.setScaledSize(ledgerDecodeSize(size));
    QImage image = reader.read();
    if (image.isNull())
        return { {}, reader.errorString(), truncated };
    return { image, {}, truncated };
}

} // namespace

ThumbnailQueue::ThumbnailQueue(QList<PictureJob> jobs)
    : m_jobs(std::move(jobs))
    , m_budget(PictureBudgetMB)
{
    m_pool.setMaxThreadCount(std::max(1, QThread::idealThreadCount()));
    const int ahead = 4 * m_pool.maxThreadCount();
    while (m_started < m_jobs.size() && m_started < ahead)
        startNext();
}

ThumbnailQueue::~ThumbnailQueue()
{
    m_pool.clear();
    m_pool.waitForDone();
}

Thumbnail ThumbnailQueue::take()
{
    if (m_started < m_jobs.size())
        startNext();
    QFuture<Thumbnail> next = m_pending.front();
    m_pending.pop_front();
    return next.result();
}

void ThumbnailQueue::startNext()
{
    m_pending.push_back(QtConcurrent::run(&m_pool, decodeThumbnail, m_jobs[m_started], &m_budget));
    ++m_started;
}

QSize ledgerDecodeSize(QSize pictureSize)
{
    constexpr int SmallestSide = 640;
    constexpr QSize Box(800, 600);
    QSize size = pictureSize;
    for (int halved = 0; halved < 3 && std::max(size.width(), size.height()) / 2 >= SmallestSide; ++halved)
        size /= 2;
    if (size.width() > Box.width() || size.height() > Box.height())
        size = size.scaled(Box, Qt::KeepAspectRatio);
    return size;
}

} // namespace norvel
