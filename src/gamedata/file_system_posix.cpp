// SPDX-License-Identifier: GPL-3.0-or-later
// The file calls of file_system on POSIX systems: folders held open and worked in relative to
// their handles, never through a link.

#ifndef _WIN32

#include "gamedata/file_system.h"

#include "core/error.h"

#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <limits>

namespace orvek {

namespace {

std::string last_reason()
{
    return system_reason(errno);
}

int fd_of(std::intptr_t handle)
{
    return static_cast<int>(handle);
}

bool write_all(int fd, std::string_view bytes)
{
    while (!bytes.empty()) {
        const ssize_t written = ::write(fd, bytes.data(), bytes.size());
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0) {
            if (written == 0)
                errno = EIO;
            return false;
        }
        bytes.remove_prefix(static_cast<std::size_t>(written));
    }
    return true;
}

// Writes, flushes and closes `fd`; on failure removes the file through `remove` and throws.
template <typename Remove>
void finish_durable_write(int fd, std::string_view bytes, const std::string& shown, Remove remove)
{
    bool ok = write_all(fd, bytes) && ::fsync(fd) == 0;
    int error_number = ok ? 0 : errno;
    if (::close(fd) != 0 && ok) {
        ok = false;
        error_number = errno;
    }
    if (!ok) {
        remove();
        throw file_error("Cannot create file", shown, system_reason(error_number));
    }
}

EntryKind kind_of_mode(mode_t mode)
{
    if (S_ISREG(mode))
        return EntryKind::File;
    if (S_ISDIR(mode))
        return EntryKind::Folder;
    return S_ISLNK(mode) ? EntryKind::Link : EntryKind::Special;
}

}  // namespace

Folder Folder::sub(std::string_view name) const
{
    const std::string path = path_of(name);
    const int fd = ::openat(fd_of(handle_), std::string(name).c_str(),
                            O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0) {
        const int error_number = errno;
        if (error_number == ELOOP || error_number == ENOTDIR) {
            const EntryKind found = kind(name);
            if (found != EntryKind::Folder && found != EntryKind::Missing)
                throw Error(refusal(path, found, EntryKind::Folder));
        }
        throw file_error("Cannot open folder", path, system_reason(error_number));
    }
    return Folder(path, fd);
}

EntryKind Folder::kind(std::string_view name) const
{
    struct stat info;
    if (::fstatat(fd_of(handle_), std::string(name).c_str(), &info, AT_SYMLINK_NOFOLLOW) != 0) {
        if (errno == ENOENT)
            return EntryKind::Missing;
        throw file_error("Cannot open file", path_of(name), last_reason());
    }
    return kind_of_mode(info.st_mode);
}

void write_durable_file(const std::string& path, std::string_view bytes,
                        const std::string& shown_as)
{
    const std::string& shown = shown_as.empty() ? path : shown_as;
    const int fd =
        ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_NOFOLLOW | O_CLOEXEC, 0666);
    if (fd < 0) {
        if (errno == ELOOP)
            throw Error(refusal(path, EntryKind::Link, EntryKind::File));
        throw file_error("Cannot create file", shown, last_reason());
    }
    finish_durable_write(fd, bytes, shown, [&] { ::unlink(path.c_str()); });
}

void rename_file(const std::string& from, const std::string& to)
{
    if (::rename(from.c_str(), to.c_str()) != 0)
        throw file_error("Cannot rename file \"" + from + "\" to", to, last_reason());
}

void sync_folder(const std::string& path)
{
    const int fd = ::open(path.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    bool ok = fd >= 0 && ::fsync(fd) == 0;
    const int error_number = errno;
    if (fd >= 0)
        ::close(fd);  // read-only: closing it cannot lose data
    if (!ok)
        throw Error("Cannot flush folder \"" + path + "\" to disk. " + system_reason(error_number));
}

namespace {

// What stat or lstat (`status`) says `path` is.
EntryKind kind_by(int (*status)(const char*, struct stat*), const std::string& path)
{
    struct stat info;
    if (status(path.c_str(), &info) != 0) {
        if (errno == ENOENT)
            return EntryKind::Missing;
        throw file_error("Cannot open file", path, last_reason());
    }
    return kind_of_mode(info.st_mode);
}

}  // namespace

EntryKind entry_kind(const std::string& path)
{
    return kind_by(::lstat, path);
}

EntryKind target_kind(const std::string& path)
{
    return kind_by(::stat, path);
}

std::string link_target(const std::string& path)
{
    std::string current = path;
    for (int hops = 0; entry_kind(current) == EntryKind::Link; ++hops) {
        std::string target(4096, '\0');
        const ssize_t length = ::readlink(current.c_str(), target.data(), target.size());
        if (hops == 40 || length < 0 || static_cast<std::size_t>(length) == target.size())
            throw file_error("Cannot open file", path, system_reason(length < 0 ? errno : ELOOP));
        target.resize(static_cast<std::size_t>(length));
        const std::size_t slash = current.rfind('/');
        current = target.front() == '/' || slash == std::string::npos
                      ? target
                      : current.substr(0, slash + 1) + target;
    }
    return current;
}

void copy_permissions(const std::string& model, const std::string& file)
{
    struct stat info;
    if (::stat(model.c_str(), &info) != 0 || !S_ISREG(info.st_mode))
        return;
    if (::chmod(file.c_str(), info.st_mode & 07777) != 0)
        throw file_error("Cannot create file", file, last_reason());
}

namespace {

// Reads a listing to its end and closes it; `describe` makes each entry (not "." and "..").
template <typename Describe>
std::vector<FolderEntry> read_listing(DIR* dir, const std::string& path, Describe describe)
{
    std::vector<FolderEntry> entries;
    try {
        for (;;) {
            errno = 0;
            const dirent* entry = ::readdir(dir);
            if (!entry)
                break;
            const std::string name = entry->d_name;
            if (name != "." && name != "..")
                entries.push_back(describe(*entry, name));
        }
    } catch (...) {
        ::closedir(dir);
        throw;
    }
    const int error_number = errno;
    ::closedir(dir);  // read-only: closing it cannot lose data
    if (error_number != 0)
        throw file_error("Cannot open folder", path, system_reason(error_number));
    return entries;
}

}  // namespace

std::vector<FolderEntry> list_folder_entries(const std::string& path)
{
    DIR* dir = ::opendir(path.c_str());
    if (!dir) {
        if (errno == ENOENT)
            return {};
        throw file_error("Cannot open folder", path, last_reason());
    }
    return read_listing(dir, path, [dir, &path](const dirent& entry, const std::string& name) {
        struct stat info;
        const bool there = ::fstatat(::dirfd(dir), entry.d_name, &info, 0) == 0;
        // An entry gone since the listing, or a link that leads nowhere, is no entry; any other
        // failure would silently drop, say, a template from the galaxy's draws.
        if (!there && errno != ENOENT && errno != ELOOP && errno != ENOTDIR)
            throw file_error("Cannot open file", (path.ends_with('/') ? path : path + "/") + name,
                             last_reason());
        return FolderEntry{name, there ? kind_of_mode(info.st_mode) : EntryKind::Missing,
                           name.front() == '.'};
    });
}

std::int64_t modification_time(const std::string& path)
{
    struct stat info;
    return ::stat(path.c_str(), &info) == 0 ? static_cast<std::int64_t>(info.st_mtime) : 0;
}

std::uint64_t process_id()
{
    return static_cast<std::uint64_t>(::getpid());
}

bool process_running(std::uint64_t pid)
{
    // Signal 0 only asks whether the process is there; EPERM says it is, someone else's.
    if (pid == 0 || pid > static_cast<std::uint64_t>(std::numeric_limits<pid_t>::max()))
        return false;
    return ::kill(static_cast<pid_t>(pid), 0) == 0 || errno != ESRCH;
}

std::string user_registry_text(const std::string&, const std::string&)
{
    return {};  // a registry is Windows' own
}

std::string current_folder()
{
    std::string buffer(4096, '\0');
    if (!::getcwd(buffer.data(), buffer.size()))
        return ".";
    buffer.resize(std::char_traits<char>::length(buffer.c_str()));
    return buffer;
}

Folder Folder::open(const std::string& path)
{
    const int fd = ::open(path.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        throw file_error("Cannot open folder", path, last_reason());
    return Folder(path, fd);
}

Folder::~Folder()
{
    if (handle_ != -1)
        ::close(fd_of(handle_));  // read-only: closing it cannot lose data
}

std::vector<FolderEntry> Folder::entries() const
{
    const int fd = ::openat(fd_of(handle_), ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    DIR* dir = fd < 0 ? nullptr : ::fdopendir(fd);
    if (!dir) {
        const int error_number = errno;
        if (fd >= 0)
            ::close(fd);
        throw file_error("Cannot open folder", path_, system_reason(error_number));
    }
    return read_listing(dir, path_, [this](const dirent& entry, const std::string& name) {
        switch (entry.d_type) {
        case DT_REG: return FolderEntry{name, EntryKind::File};
        case DT_DIR: return FolderEntry{name, EntryKind::Folder};
        case DT_LNK: return FolderEntry{name, EntryKind::Link};
        case DT_UNKNOWN: return FolderEntry{name, kind(name)};
        default: return FolderEntry{name, EntryKind::Special};
        }
    });
}

void Folder::create_folder(std::string_view name) const
{
    if (::mkdirat(fd_of(handle_), std::string(name).c_str(), 0777) != 0)
        throw file_error("Cannot create folder", path_of(name), last_reason());
}

void Folder::delete_folder(std::string_view name) const
{
    if (::unlinkat(fd_of(handle_), std::string(name).c_str(), AT_REMOVEDIR) != 0)
        throw file_error("Cannot delete folder", path_of(name), last_reason());
}

void Folder::delete_file(std::string_view name) const
{
    if (::unlinkat(fd_of(handle_), std::string(name).c_str(), 0) != 0)
        throw file_error("Cannot delete file", path_of(name), last_reason());
}

void Folder::move(std::string_view name, const Folder& to, std::string_view new_name) const
{
    if (::renameat(fd_of(handle_), std::string(name).c_str(), fd_of(to.handle_),
                   std::string(new_name).c_str()) != 0)
        throw file_error("Cannot rename file \"" + path_of(name) + "\" to", to.path_of(new_name),
                         last_reason());
}

void Folder::write_file(std::string_view name, std::string_view bytes) const
{
    const std::string entry(name);
    const std::string path = path_of(name);
    const int fd = ::openat(fd_of(handle_), entry.c_str(),
                            O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
    if (fd < 0)
        throw file_error("Cannot create file", path, last_reason());
    finish_durable_write(fd, bytes, path, [&] { ::unlinkat(fd_of(handle_), entry.c_str(), 0); });
}

std::string Folder::read_file(std::string_view name, std::size_t limit) const
{
    const std::string path = path_of(name);
    // Checked before opening: opening a device can itself do something (rewind a tape).
    const EntryKind found = kind(name);
    if (found != EntryKind::File && found != EntryKind::Missing)
        throw Error(refusal(path, found, EntryKind::File));
    const int fd = ::openat(fd_of(handle_), std::string(name).c_str(),
                            O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0)
        throw file_error("Cannot open file", path, last_reason());
    struct stat info;
    std::string bytes;
    std::string reason;
    if (::fstat(fd, &info) != 0)
        reason = last_reason();
    else if (!S_ISREG(info.st_mode))
        reason = "It is not a regular file";
    char buffer[1 << 16];
    while (reason.empty()) {
        const ssize_t got = ::read(fd, buffer, sizeof buffer);
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0)
            reason = last_reason();
        else if (got == 0)
            break;
        else if (bytes.size() + static_cast<std::size_t>(got) > limit)
            reason = "It holds more than " + std::to_string(limit) + " bytes";
        else
            bytes.append(buffer, static_cast<std::size_t>(got));
    }
    ::close(fd);  // read-only: closing it cannot lose data
    if (!reason.empty())
        throw file_error("Cannot open file", path, reason);
    return bytes;
}

void Folder::sync() const
{
    if (::fsync(fd_of(handle_)) != 0)
        throw Error("Cannot flush folder \"" + path_ + "\" to disk. " + last_reason());
}

}  // namespace orvek

#endif
