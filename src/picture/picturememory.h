#pragma once

#include <QImage>
#include <QSize>

namespace norvel {

// A new picture for decoding into. A large one gets memory the system may back with huge pages: touching a
// fresh picture-sized buffer page by page can cost more than decoding a picture into it (120 ms against 5 ms
// for 48 MB on a virtual machine). Null when the memory is not there.
[[nodiscard]] QImage newPicture(QSize size, QImage::Format format);

} // namespace norvel
