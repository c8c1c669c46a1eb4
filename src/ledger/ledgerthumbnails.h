#pragma once

#include <QByteArray>
#include <QFuture>
#include <QImage>
#include <QList>
#include <QSemaphore>
#include <QSize>
#include <QString>
#include <QThreadPool>

#include <deque>

// The ledger's pictures, decoded small on a pool of threads while the pages are painted.
namespace norvel {

// The size a picture is decoded at for the ledger: halved up to three times while its longer side stays at
// least 640 pixels, since JPEG decoding gives 1/2, 1/4 and 1/8 of a picture directly and much faster; then
// shrunk to fit 800 x 600 if it is still larger. About 190 to 230 dpi in its place on the page: a day of 300
// camera shots makes a PDF of some 30 MB.
[[nodiscard]] QSize ledgerDecodeSize(QSize pictureSize);

struct Thumbnail {
    QImage image;
    QString error; // why there is no picture
    bool truncated = false; // a JPEG without its end: what Qt decodes of it is padded with grey
};

// A picture to decode: its file, or the reason found on loading the day why it cannot be shown.
struct PictureJob {
    QByteArray file;
    QString error;
};

// Decodes the pictures in the order they are painted on a pool of threads, a few ahead of the painter.
class ThumbnailQueue {
public:
    explicit ThumbnailQueue(QList<PictureJob> jobs);
    ~ThumbnailQueue();
    ThumbnailQueue(const ThumbnailQueue&) = delete;
    ThumbnailQueue& operator=(const ThumbnailQueue&) = delete;

    // The next picture in order.
    [[nodiscard]] Thumbnail take();

private:
    void startNext();

    const QList<PictureJob> m_jobs;
    QSemaphore m_budget;
    QThreadPool m_pool;
    qsizetype m_started = 0;
    std::deque<QFuture<Thumbnail>> m_pending;
};

} // namespace norvel
