#pragma once

#include <QtGlobal>

// The largest pictures the program reads: shared by the loader and the JPEG decoder it hands camera shots to.
namespace norvel {

// Big enough for camera pictures of 8000 x 6000 and more; Qt's default of 256 MB is not.
inline constexpr int PictureAllocationLimitMB = 1024;
// Larger files are refused unread; a camera picture is a few megabytes.
inline constexpr qint64 PictureFileLimitBytes = qint64(256) * 1024 * 1024;
// Pictures whose header claims more pixels, or a longer side, are refused before decoding.
inline constexpr qint64 PictureMaxPixels = 100'000'000;
inline constexpr int PictureMaxSide = 32767;

} // namespace norvel
