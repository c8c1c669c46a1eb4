#pragma once

#include <QByteArray>
#include <QImage>

#include <cstddef>
#include <functional>
#include <optional>

// Camera JPEGs decoded and encoded with libjpeg directly, row band by row band, so that the filed copy of a
// shot can be encoded while the shot is still being decoded. Only the common case is handled here; the
// pictures and files come out byte for byte as Qt's reader and writer make them, and everything else is
// left to Qt.
namespace norvel {

// Told of a picture's rows as they are decoded.
class PictureRowSink {
public:
    virtual ~PictureRowSink() = default;
    // The picture the rows go into; its pixels are final only up to the rows reported.
    virtual void picturePrepared(const QImage& picture) = 0;
    // Rows 0 to rows - 1 are final.
    virtual void rowsFinished(int rows) = 0;
    // The decoding gave up part way: the rows reported so far mean nothing.
    virtual void decodingAbandoned() = 0;
};

// Decodes an 8-bit YCbCr JPEG without a colour profile or comment (what cameras write) into an RGB32
// picture, as Qt's reader does: the same pixels and dots per metre. nullopt for any other JPEG, for one
// over the picture size limits, and for any stream libjpeg fails on or warns about: Qt's reader decides
// those, with its own messages. reuse, when given, is a picture whose memory may be taken over; when
// nullopt is returned it keeps that memory, though the decoding may have begun to fill it.
[[nodiscard]] std::optional<QImage> decodeCameraJpeg(
    const QByteArray& jpeg, QImage* reuse = nullptr, PictureRowSink* sink = nullptr);

// Memory for encoded JPEGs that keeps its size from one picture to the next: fresh memory costs more to
// touch than encoding into it.
class JpegBuffer {
public:
    JpegBuffer() = default;
    ~JpegBuffer();
    JpegBuffer(const JpegBuffer&) = delete;
    JpegBuffer& operator=(const JpegBuffer&) = delete;

    // The encoded bytes, valid until the next encoding.
    [[nodiscard]] QByteArray bytes() const;
    void clear() { m_size = 0; }

private:
    friend struct BufferDestination;
    unsigned char* m_data = nullptr;
    std::size_t m_capacity = 0;
    std::size_t m_size = 0;
};

// Tells, for rows 0 to next - 1 done, how many rows are final (more than next), blocking until there are;
// -1 stops the encoding.
using RowsReady = std::function<int(int next)>;

// Encodes an RGB32 picture as Qt's JPEG writer does at this quality, byte for byte, taking its rows as
// rowsReady hands them out. False when stopped or out of memory.
[[nodiscard]] bool encodeRgb32Jpeg(const QImage& picture, int quality, const RowsReady& rowsReady, JpegBuffer* out);

} // namespace norvel
