#include "picture/jpegcodec.h"

#include "picture/picturelimits.h"
#include "picture/picturememory.h"

#include <QColorSpace>

#include <algorithm>
#include <csetjmp>
#include <cstdio> // jpeglib.h needs FILE
#include <cstdlib>
#include <utility>

#include <jerror.h>
#include <jpeglib.h>

namespace norvel {

namespace {

// Rows handed on at a time: small enough for the encoder to follow the decoder closely, large enough
// that handing them on costs nothing.
constexpr int Band = 32;

// QImage::Format_RGB32 in memory, as libjpeg names it.
constexpr J_COLOR_SPACE Rgb32Space = Q_BYTE_ORDER == Q_LITTLE_ENDIAN ? JCS_EXT_BGRX : JCS_EXT_XRGB;

// libjpeg reports a fault by calling error_exit, which must not return: it jumps back to runGuarded.
struct JpegErrors {
    jpeg_error_mgr manager; // first, so libjpeg's pointer to it is a pointer to the whole
    std::jmp_buf jump;
};

[[noreturn]] void giveUp(j_common_ptr info)
{
    std::longjmp(reinterpret_cast<JpegErrors*>(info->err)->jump, 1);
}

// A warning means damaged data that libjpeg would patch over; Qt's reader decides what such a file gives.
void onMessage(j_common_ptr info, int level)
{
    if (level < 0)
        giveUp(info);
}

void silently(j_common_ptr) { }

jpeg_error_mgr* attach(JpegErrors& errors)
{
    jpeg_std_error(&errors.manager);
    errors.manager.error_exit = giveUp;
    errors.manager.emit_message = onMessage;
    errors.manager.output_message = silently;
    return &errors.manager;
}

// Runs work with libjpeg's faults jumping back here: false when it gave up. No object with a destructor
// may be alive inside work while libjpeg runs, as the jump would skip it.
template <typename Work> bool runGuarded(JpegErrors& errors, Work&& work)
{
    if (setjmp(errors.jump) != 0)
        return false;
    work();
    return true;
}

// The dots per metre Qt's reader gives for a JFIF density; 0 keeps the default.
int dotsPerMetre(int unit, int density)
{
    if (density <= 0)
        return 0;
    if (unit == 1)
        return int(100.0 * density / 2.54);
    if (unit == 2)
        return density * 100;
    return 0;
}

// The density Qt's writer gives for dots per metre: per centimetre when both are whole, else per inch.
void setDensity(jpeg_compress_struct& info, const QImage& picture)
{
    const int x = picture.dotsPerMeterX();
    const int y = picture.dotsPerMeterY();
    if (x % 100 == 0 && y % 100 == 0) {
        info.density_unit = 2;
        info.X_density = static_cast<UINT16>(x / 100);
        info.Y_density = static_cast<UINT16>(y / 100);
    } else {
        info.density_unit = 1;
        info.X_density = static_cast<UINT16>(qRound(x * 0.0254));
        info.Y_density = static_cast<UINT16>(qRound(y * 0.0254));
    }
}

// The picture to decode a size into: reuse's memory when it fits (*taken then says so), else a new picture.
QImage pictureToDecodeInto(QSize size, QImage* reuse, bool* taken)
{
    // A picture Qt decoded may carry text and a colour space that this one must not inherit.
    *taken = reuse && reuse->size() == size && reuse->format() == QImage::Format_RGB32 && reuse->textKeys().isEmpty()
        && !reuse->colorSpace().isValid();
    if (!*taken)
        return newPicture(size, QImage::Format_RGB32);
    QImage image = std::exchange(*reuse, QImage());
    // A fresh picture's density, as the memory comes from one that may have had its own.
    const QImage fresh(1, 1, QImage::Format_RGB32);
    image.setDotsPerMeterX(fresh.dotsPerMeterX());
    image.setDotsPerMeterY(fresh.dotsPerMeterY());
    return image;
}

// Reads the header of a JPEG in memory into info, created here: false when libjpeg refused it.
bool readHeader(JpegErrors& errors, jpeg_decompress_struct& info, const QByteArray& jpeg)
{
    return runGuarded(errors, [&] {
        jpeg_create_decompress(&info);
        jpeg_mem_src(
            &info, reinterpret_cast<const unsigned char*>(jpeg.constData()), static_cast<unsigned long>(jpeg.size()));
        // Qt's reader turns comments into text and a colour profile into a colour space, which its writer
        // writes again: such files are Qt's to decode.
        // (a limit of 0 would skip them unrecorded)
        jpeg_save_markers(&info, JPEG_COM, 1);
        jpeg_save_markers(&info, JPEG_APP0 + 2, 1);
        jpeg_read_header(&info, TRUE);
    });
}

// Decodes the rows a band at a time into bits, telling the sink of each band; false on a stall. Runs guarded.
bool readBands(jpeg_decompress_struct& info, uchar* bits, qsizetype stride, PictureRowSink* sink)
{
    JSAMPROW rows[Band];
    while (info.output_scanline < info.output_height) {
        const JDIMENSION first = info.output_scanline;
        const JDIMENSION count = std::min<JDIMENSION>(Band, info.output_height - first);
        for (JDIMENSION i = 0; i < count; ++i)
            rows[i] = bits + qsizetype(first + i) * stride;
        while (info.output_scanline < first + count) {
            const JDIMENSION done = info.output_scanline - first;
            if (jpeg_read_scanlines(&info, rows + done, count - done) == 0)
                return false; // a memory source never suspends: a stall is a fault
        }
        if (sink)
            sink->rowsFinished(int(info.output_scanline));
    }
    return true;
}

} // namespace

std::optional<QImage> decodeCameraJpeg(const QByteArray& jpeg, QImage* reuse, PictureRowSink* sink)
{
    JpegErrors errors;
    jpeg_decompress_struct info {};
    info.err = attach(errors);
    const bool headerRead = readHeader(errors, info, jpeg);
    const auto finish = [&]() -> std::optional<QImage> {
        jpeg_destroy_decompress(&info);
        return std::nullopt;
    };
    if (!headerRead || info.num_components != 3 || info.jpeg_color_space != JCS_YCbCr || info.data_precision != 8
        || info.marker_list != nullptr)
        return finish();
    const qint64 width = info.image_width;
    const qint64 height = info.image_height;
    if (width <= 0 || height <= 0 || width > PictureMaxSide || height > PictureMaxSide
        || width * height > PictureMaxPixels)
        return finish();

    bool taken = false;
    QImage image = pictureToDecodeInto({ int(width), int(height) }, reuse, &taken);
    if (image.isNull())
        return finish();
    if (const int x = dotsPerMetre(info.density_unit, info.X_density); x > 0)
        image.setDotsPerMeterX(x);
    if (const int y = dotsPerMetre(info.density_unit, info.Y_density); y > 0)
        image.setDotsPerMeterY(y);

    // Taken before the sink shares the picture: writing through them must not detach it.
    uchar* const bits = image.bits();
    const qsizetype stride = image.bytesPerLine();
    if (sink)
        sink->picturePrepared(image);
    bool complete = false;
    const bool decoded = runGuarded(errors, [&] {
        info.out_color_space = Rgb32Space;
        jpeg_start_decompress(&info);
        if (info.output_width != JDIMENSION(width) || info.output_height != JDIMENSION(height)
            || info.output_components != 4 || !readBands(info, bits, stride, sink))
            return;
        jpeg_finish_decompress(&info);
        complete = true;
    });
    jpeg_destroy_decompress(&info);
    if (decoded && complete)
        return image;
    if (sink)
        sink->decodingAbandoned();
    if (taken)
        *reuse = std::move(image); // still memory to decode the next picture into
    return std::nullopt;
}

JpegBuffer::~JpegBuffer()
{
    std::free(m_data);
}

QByteArray JpegBuffer::bytes() const
{
    return QByteArray::fromRawData(reinterpret_cast<const char*>(m_data), qsizetype(m_size));
}

// libjpeg's output going into a JpegBuffer, which grows as needed and keeps its size.
struct BufferDestination {
    jpeg_destination_mgr manager; // first, so libjpeg's pointer to it is a pointer to the whole
    JpegBuffer* buffer;

    static BufferDestination* of(j_compress_ptr info) { return reinterpret_cast<BufferDestination*>(info->dest); }

    static bool grow(JpegBuffer* buffer, std::size_t capacity)
    {
        auto* grown = static_cast<unsigned char*>(std::realloc(buffer->m_data, capacity));
        if (!grown)
            return false;
        buffer->m_data = grown;
        buffer->m_capacity = capacity;
        return true;
    }

    static void start(j_compress_ptr info)
    {
        JpegBuffer* buffer = of(info)->buffer;
        constexpr std::size_t initial = 64 * 1024;
        if (buffer->m_capacity < initial && !grow(buffer, initial))
            ERREXIT1(info, JERR_OUT_OF_MEMORY, 0);
        info->dest->next_output_byte = buffer->m_data;
        info->dest->free_in_buffer = buffer->m_capacity;
    }

    // Called when the whole buffer is full; the written part is kept and the rest follows it.
    static boolean full(j_compress_ptr info)
    {
        JpegBuffer* buffer = of(info)->buffer;
        const std::size_t used = buffer->m_capacity;
        if (!grow(buffer, used * 2))
            ERREXIT1(info, JERR_OUT_OF_MEMORY, 1);
        info->dest->next_output_byte = buffer->m_data + used;
        info->dest->free_in_buffer = buffer->m_capacity - used;
        return TRUE;
    }

    static void end(j_compress_ptr info)
    {
        JpegBuffer* buffer = of(info)->buffer;
        buffer->m_size = buffer->m_capacity - info->dest->free_in_buffer;
    }
};

bool encodeRgb32Jpeg(const QImage& picture, int quality, const RowsReady& rowsReady, JpegBuffer* out)
{
    if (picture.isNull() || picture.format() != QImage::Format_RGB32 || !out)
        return false;
    out->clear();
    const uchar* const bits = picture.constBits();
    const qsizetype stride = picture.bytesPerLine();
    const int height = picture.height();

    JpegErrors errors;
    jpeg_compress_struct info {};
    info.err = attach(errors);
    BufferDestination destination { {}, out };
    destination.manager.init_destination = BufferDestination::start;
    destination.manager.empty_output_buffer = BufferDestination::full;
    destination.manager.term_destination = BufferDestination::end;
    bool stopped = false;
    const bool encoded = runGuarded(errors, [&] {
        jpeg_create_compress(&info);
        info.dest = &destination.manager;
        info.image_width = JDIMENSION(picture.width());
        info.image_height = JDIMENSION(height);
        info.input_components = 4;
        info.in_color_space = Rgb32Space;
        jpeg_set_defaults(&info);
        jpeg_set_quality(&info, quality, TRUE);
        setDensity(info, picture);
        jpeg_start_compress(&info, TRUE);
        JSAMPROW rows[Band];
        int next = 0;
        while (next < height) {
            const int ready = rowsReady ? std::min(rowsReady(next), height) : height;
            if (ready < 0) {
                stopped = true;
                return;
            }
            while (next < ready) {
                const int count = std::min(Band, ready - next);
                for (int i = 0; i < count; ++i)
                    rows[i] = const_cast<JSAMPROW>(bits + qsizetype(next + i) * stride);
                next += int(jpeg_write_scanlines(&info, rows, JDIMENSION(count)));
            }
        }
        jpeg_finish_compress(&info);
    });
    jpeg_destroy_compress(&info);
    if (!encoded || stopped) {
        out->clear();
        return false;
    }
    return true;
}

} // namespace norvel
