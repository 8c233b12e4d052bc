// SPDX-License-Identifier: GPL-3.0-or-later
// The file calls of file_system on POSIX systems that are not about a folder's files: writing
// to a pipe or device (the tool's outputs) and the lock that keeps one Save at a time.

#ifndef _WIN32

#include "gamedata/file_system.h"

#include "core/error.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

namespace orvek {

namespace {

// Opens a pipe or device for writing without blocking: a pipe without a reader is tried again
// every 20 ms until one comes or `cancel` is set.
int open_stream(const std::string& path, const std::atomic<bool>* cancel)
{
    for (;;) {
        const int fd = ::open(path.c_str(), O_WRONLY | O_NOCTTY | O_CLOEXEC | O_NONBLOCK);
        if (fd >= 0)
            return fd;
        if (errno != ENXIO && errno != EINTR)
            throw file_error("Cannot create file", path, system_reason(errno));
        if (cancel && cancel->load())
            throw WaitCancelled{};
        ::usleep(20'000);
    }
}

// Writes everything, waiting (in steps of 50 ms, so that `cancel` is seen) while a full pipe
// takes nothing. False with errno set on an error.
bool write_waiting(int fd, std::string_view bytes, const std::atomic<bool>* cancel)
{
    while (!bytes.empty()) {
        const ssize_t written = ::write(fd, bytes.data(), bytes.size());
        if (written > 0) {
            bytes.remove_prefix(static_cast<std::size_t>(written));
            continue;
        }
        if (written < 0 && errno != EAGAIN && errno != EINTR)
            return false;
        if (written == 0) {
            errno = EIO;
            return false;
        }
        if (cancel && cancel->load())
            throw WaitCancelled{};
        pollfd ready{fd, POLLOUT, 0};
        ::poll(&ready, 1, 50);
    }
    return true;
}

}  // namespace

void write_to_stream(const std::string& path, std::string_view bytes,
                     const std::atomic<bool>* cancel)
{
    struct stat info;
    if (::stat(path.c_str(), &info) != 0)
        throw file_error("Cannot create file", path, system_reason(errno));
    if (!S_ISCHR(info.st_mode) && !S_ISFIFO(info.st_mode))
        throw file_error("Cannot create file", path,
                         "It is not a regular file, a character device or a pipe");
    const int fd = open_stream(path, cancel);
    bool ok = false;
    try {
        ok = write_waiting(fd, bytes, cancel);
    } catch (const WaitCancelled&) {
        ::close(fd);
        throw;
    }
    int error_number = ok ? 0 : errno;
    if (::close(fd) != 0 && ok) {
        ok = false;
        error_number = errno;
    }
    if (!ok)
        throw file_error("Cannot create file", path, system_reason(error_number));
}

FileLock::FileLock(const std::string& path) : path_(path)
{
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0)
        throw file_error("Cannot open file", path, system_reason(errno));
    handle_ = fd;
}

bool FileLock::try_lock()
{
    while (::flock(static_cast<int>(handle_), LOCK_EX | LOCK_NB) != 0) {
        if (errno == EWOULDBLOCK)
            return false;
        if (errno != EINTR)
            throw file_error("Cannot lock file", path_, system_reason(errno));
    }
    return true;
}

FileLock::~FileLock()
{
    if (handle_ != -1)
        ::close(static_cast<int>(handle_));  // closing releases the lock
}

}  // namespace orvek

#endif
