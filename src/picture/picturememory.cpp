#include "picture/picturememory.h"

#include <cstdlib>
#include <limits>

#include <sys/mman.h>

namespace norvel {

namespace {

constexpr qsizetype HugePage = qsizetype(2) * 1024 * 1024;

void release(void* memory)
{
    std::free(memory);
}

} // namespace

QImage newPicture(QSize size, QImage::Format format)
{
#ifdef MADV_HUGEPAGE
    const int depth = QImage::toPixelFormat(format).bitsPerPixel();
    if ((depth == 32 || depth == 24) && size.width() > 0 && size.height() > 0) {
        // Rows padded to 4 bytes, as QImage pads its own.
        const qsizetype stride = (qsizetype(size.width()) * depth / 8 + 3) / 4 * 4;
        const qsizetype bytes = stride * size.height();
        const qsizetype length = (bytes + HugePage - 1) / HugePage * HugePage;
        void* memory = nullptr;
        if (bytes >= 2 * HugePage && stride <= std::numeric_limits<int>::max()
            && ::posix_memalign(&memory, std::size_t(HugePage), std::size_t(length)) == 0) {
            ::madvise(memory, std::size_t(length), MADV_HUGEPAGE); // a hint: refused, the pages are small
            QImage picture(static_cast<uchar*>(memory), size.width(), size.height(), stride, format, release, memory);
            if (!picture.isNull())
                return picture;
            std::free(memory);
        }
    }
#endif
    return QImage(size, format);
}

} // namespace norvel
