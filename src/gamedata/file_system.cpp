// SPDX-License-Identifier: GPL-3.0-or-later
// The file calls that both systems share: the system's reasons, whole-file reading, the refusal
// sentences, and the save lock's waiting. The rest is in file_system_posix.cpp and
// file_system_windows.cpp.

#include "gamedata/file_system.h"

#include "core/error.h"

#include <filesystem>
#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <system_error>
#include <thread>
#include <utility>

#ifdef _WIN32
#include <windows.h>
#endif

namespace orvek {

std::string system_reason(int error_number)
{
#ifdef _WIN32
    // Windows users know the system's own wording of these failures, so the C library's error
    // numbers are turned into the matching Windows errors first.
    int windows_error = 0;
    switch (error_number) {
    case ENOENT: windows_error = ERROR_FILE_NOT_FOUND; break;
    case EACCES:
    case EISDIR: windows_error = ERROR_ACCESS_DENIED; break;
    case ENOTDIR: windows_error = ERROR_DIRECTORY; break;
    case ENOSPC:
    case EFBIG: windows_error = ERROR_DISK_FULL; break;
    default: break;
    }
    std::string reason = windows_error != 0 ? std::system_category().message(windows_error)
                                            : std::generic_category().message(error_number);
#else
    std::string reason = std::generic_category().message(error_number);
#endif
    // Some system messages end in a line break; the message they go into does not.
    while (!reason.empty() &&
           (reason.back() == '\n' || reason.back() == '\r' || reason.back() == ' '))
        reason.pop_back();
    return reason;
}

namespace {

// The first `limit` bytes of the regular file at `path`, and whether it holds more.
std::string read_start(const std::string& path, std::size_t limit, bool& more)
{
    const auto open_error = [&](int error_number) {
        return file_error("Cannot open file", path, system_reason(error_number));
    };
    // Checked before opening: a pipe would block the open, a device could do anything.
    switch (target_kind(path)) {
    case EntryKind::Missing: throw open_error(ENOENT);
    case EntryKind::Folder: throw open_error(EISDIR);
    case EntryKind::File: break;
    default: throw file_error("Cannot open file", path, "It is not a regular file");
    }
    errno = 0;
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (!file)
        throw open_error(errno ? errno : ENOENT);
    std::string bytes;
    char buffer[1 << 16];
    std::size_t got;
    while (bytes.size() <= limit && (got = std::fread(buffer, 1, sizeof buffer, file)) > 0)
        bytes.append(buffer, got);
    const bool failed = std::ferror(file) != 0;
    const int error_number = errno;
    std::fclose(file);  // read-only: closing it cannot lose data
    if (failed)
        throw open_error(error_number ? error_number : EIO);
    more = bytes.size() > limit;
    if (more)
        bytes.resize(limit);
    return bytes;
}

}  // namespace

std::string read_file(const std::string& path, std::size_t limit)
{
    bool more = false;
    std::string bytes = read_start(path, limit, more);
    if (more)
        throw file_error("Cannot open file", path,
                         "It holds more than " + std::to_string(limit) + " bytes");
    return bytes;
}

std::string read_file_start(const std::string& path, std::size_t limit, bool& cut)
{
    return read_start(path, limit, cut);
}

void discard_file(const std::string& path) noexcept
{
    std::remove(path.c_str());
}

namespace {

const char* kind_words(EntryKind kind)
{
    switch (kind) {
    case EntryKind::Missing: return "missing";
    case EntryKind::File: return "a file";
    case EntryKind::Folder: return "a folder";
    case EntryKind::Link: return "a link";
    case EntryKind::Special: return "a pipe or a device";
    }
    return "";
}

}  // namespace

std::string refusal(const std::string& path, EntryKind found, EntryKind wanted)
{
    std::string sentence = "\"" + path + "\" is " + kind_words(found) + ", not " +
                           (wanted == EntryKind::Folder ? "a folder" : "a file");
    if (found == EntryKind::Link)
        sentence += "; files are never written, moved or deleted through links";
    return sentence;
}

std::string Folder::path_of(std::string_view name) const
{
    std::string path = path_;
    if (!path.empty() && path.back() != '/' && path.back() != '\\')
        path += kPathSeparator;
    return path += name;
}

Folder::Folder(Folder&& other) noexcept
    : path_(std::move(other.path_)), handle_(std::exchange(other.handle_, -1))
{}

Folder& Folder::operator=(Folder&& other) noexcept
{
    std::swap(path_, other.path_);
    std::swap(handle_, other.handle_);
    return *this;
}

FileLock::FileLock(const std::string& path, std::chrono::milliseconds patience,
                   const std::string& busy_message, const std::atomic<bool>* cancel,
                   const std::function<void()>& waiting)
    : FileLock(path)
{
    const auto give_up = std::chrono::steady_clock::now() + patience;
    bool said = false;
    while (!try_lock()) {
        if (waiting && !std::exchange(said, true))
            waiting();
        if (cancel && cancel->load())
            throw LockWaitCancelled{};
        if (std::chrono::steady_clock::now() >= give_up)
            throw Error(busy_message);
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
}

std::unique_ptr<FileLock> FileLock::try_acquire(const std::string& path)
{
    std::unique_ptr<FileLock> lock(new FileLock(path));
    if (!lock->try_lock())
        return nullptr;
    return lock;
}

std::string real_path(const std::string& path)
{
    std::error_code error;
    const std::filesystem::path real = std::filesystem::canonical(path, error);
    return error ? path : real.string();
}

}  // namespace orvek
