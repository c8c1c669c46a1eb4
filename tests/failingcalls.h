#pragma once

// System calls a test makes fail, to see that the code under test checks them. Defined here, in the test
// program, these are the ones its code links to instead of the C library's; unless told to fail they do what
// the C library does. Include this header in one source file of a test program only.

#include <atomic>
#include <cerrno>
#include <cstring>
#include <string>

#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace failing {

// The errno the call fails with; 0: it does not fail.
inline std::atomic<int> fchmodError { 0 };
inline std::atomic<int> folderSyncError { 0 }; // fsync(2) of a folder only
// fdatasync(2) of a ".jpg" file only: the disk fails under a picture being filed, its bytes written already.
inline std::atomic<int> pictureSyncError { 0 };

// Sets a call to fail for the life of the object.
class Failing {
public:
    Failing(std::atomic<int>& call, int error)
        : m_call(call)
    {
        m_call = error;
    }
    ~Failing() { m_call = 0; }
    Failing(const Failing&) = delete;
    Failing& operator=(const Failing&) = delete;

private:
    std::atomic<int>& m_call;
};

} // namespace failing

extern "C" int fchmod(int fd, mode_t mode) noexcept
{
    if (const int error = failing::fchmodError) {
        errno = error;
        return -1;
    }
    return static_cast<int>(::syscall(SYS_fchmod, fd, mode));
}

extern "C" int fsync(int fd)
{
    struct stat status { };
    if (const int error = failing::folderSyncError; error && ::fstat(fd, &status) == 0 && S_ISDIR(status.st_mode)) {
        errno = error;
        return -1;
    }
    return static_cast<int>(::syscall(SYS_fsync, fd));
}

extern "C" int fdatasync(int fd)
{
    char name[4096] {}; // the file's path, as the system keeps it for the descriptor
    if (failing::pictureSyncError
        && ::readlink(("/proc/self/fd/" + std::to_string(fd)).c_str(), name, sizeof name - 1) > 0
        && std::strstr(name, ".jpg")) {
        errno = failing::pictureSyncError;
        return -1;
    }
    return static_cast<int>(::syscall(SYS_fdatasync, fd));
}
