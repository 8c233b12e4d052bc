#include "gamedata/file_system.h"

#include "core/error.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <system_error>
#include <thread>
#include <utility>

#ifdef _WIN32
#include <windows.h>
#include <system_error>
#else
#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
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

std::string read_file(const std::string& path, std::size_t limit)
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
    if (bytes.size() > limit)
        throw file_error("Cannot open file", path,
                         "It holds more than " + std::to_string(limit) + " bytes");
    return bytes;
}

void discard_file(const std::string& path) noexcept
{
    std::remove(path.c_str());
}

namespace {

#ifdef _WIN32
std::string windows_reason(DWORD error)
{
    std::string reason = std::system_category().message(static_cast<int>(error));
    while (!reason.empty() &&
           (reason.back() == '\n' || reason.back() == '\r' || reason.back() == ' '))
        reason.pop_back();
    return reason;
}

// The system's own words for the thread's last Windows error.
std::string last_reason()
{
    return windows_reason(GetLastError());
}
#else
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
#endif

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

Folder Folder::sub(std::string_view name) const
{
    const std::string path = path_of(name);
#ifdef _WIN32
    const EntryKind found = kind(name);
    if (found == EntryKind::Missing)
        throw file_error("Cannot open folder", path, windows_reason(ERROR_PATH_NOT_FOUND));
    if (found != EntryKind::Folder)
        throw Error(refusal(path, found, EntryKind::Folder));
    return Folder(path, -1);
#else
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
#endif
}

EntryKind Folder::kind(std::string_view name) const
{
#ifdef _WIN32
    return entry_kind(path_of(name));
#else
    struct stat info;
    if (::fstatat(fd_of(handle_), std::string(name).c_str(), &info, AT_SYMLINK_NOFOLLOW) != 0) {
        if (errno == ENOENT)
            return EntryKind::Missing;
        throw file_error("Cannot open file", path_of(name), last_reason());
    }
    return kind_of_mode(info.st_mode);
#endif
}

#ifdef _WIN32

namespace {

EntryKind kind_of_attributes(DWORD attributes)
{
    if (attributes & FILE_ATTRIBUTE_REPARSE_POINT)
        return EntryKind::Link;
    return (attributes & FILE_ATTRIBUTE_DIRECTORY) ? EntryKind::Folder : EntryKind::File;
}

HANDLE create_new_file(const std::string& path, DWORD disposition)
{
    return CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, disposition,
                       FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
}

void write_and_flush(HANDLE file, std::string_view bytes, const std::string& path,
                     const std::string& shown)
{
    bool ok = true;
    while (ok && !bytes.empty()) {
        const DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(bytes.size(), 1u << 30));
        DWORD written = 0;
        ok = WriteFile(file, bytes.data(), chunk, &written, nullptr) && written > 0;
        bytes.remove_prefix(written);
    }
    ok = ok && FlushFileBuffers(file);
    const std::string reason = ok ? std::string() : last_reason();
    ok = CloseHandle(file) && ok;
    if (!ok) {
        const std::string why = reason.empty() ? last_reason() : reason;
        DeleteFileA(path.c_str());
        throw file_error("Cannot create file", shown, why);
    }
}

}  // namespace

void write_durable_file(const std::string& path, std::string_view bytes,
                        const std::string& shown_as)
{
    const std::string& shown = shown_as.empty() ? path : shown_as;
    if (entry_kind(path) == EntryKind::Link)
        throw Error(refusal(path, EntryKind::Link, EntryKind::File));
    HANDLE file = create_new_file(path, CREATE_ALWAYS);
    if (file == INVALID_HANDLE_VALUE)
        throw file_error("Cannot create file", shown, last_reason());
    write_and_flush(file, bytes, path, shown);
}

void rename_file(const std::string& from, const std::string& to)
{
    if (!MoveFileExA(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
        throw file_error("Cannot rename file \"" + from + "\" to", to, last_reason());
}

void sync_folder(const std::string& path)
{
    const DWORD attributes = GetFileAttributesA(path.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES || !(attributes & FILE_ATTRIBUTE_DIRECTORY))
        throw Error("Cannot flush folder \"" + path + "\" to disk. " + last_reason());
}

EntryKind entry_kind(const std::string& path)
{
    const DWORD attributes = GetFileAttributesA(path.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) {
        const DWORD error = GetLastError();
        if (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND)
            return EntryKind::Missing;
        throw file_error("Cannot open file", path, last_reason());
    }
    return kind_of_attributes(attributes);
}

EntryKind target_kind(const std::string& path)
{
    // Windows opens devices by reserved names, not through entries of a folder, so a path is
    // either missing, a folder or something a file can be written to.
    const EntryKind kind = entry_kind(path);
    return kind == EntryKind::Link ? EntryKind::File : kind;
}

std::string link_target(const std::string& path)
{
    // A link on Windows is replaced whole; the cases where that matters (a user's own links to
    // output files) are rare enough there that the path is taken as given.
    return path;
}

void copy_permissions(const std::string&, const std::string&) {}

void write_to_stream(const std::string& path, std::string_view)
{
    throw file_error("Cannot create file", path, windows_reason(ERROR_ACCESS_DENIED));
}

std::vector<FolderEntry> list_folder_entries(const std::string& path)
{
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA((path + "\\*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) {
        const DWORD error = GetLastError();
        if (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND)
            return {};
        throw file_error("Cannot open folder", path, windows_reason(error));
    }
    std::vector<FolderEntry> entries;
    do {
        const std::string name = found.cFileName;
        const DWORD a = found.dwFileAttributes;
        if (name != "." && name != "..")
            entries.push_back({name,
                               (a & FILE_ATTRIBUTE_DIRECTORY) ? EntryKind::Folder : EntryKind::File,
                               (a & (FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM)) != 0});
    } while (FindNextFileA(search, &found));
    const DWORD error = GetLastError();
    FindClose(search);
    if (error != ERROR_NO_MORE_FILES)
        throw file_error("Cannot open folder", path, windows_reason(error));
    return entries;
}

std::int64_t modification_time(const std::string& path)
{
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data))
        return 0;
    // FILETIME counts 100 ns steps from 1601.
    const std::uint64_t ticks =
        (static_cast<std::uint64_t>(data.ftLastWriteTime.dwHighDateTime) << 32) |
        data.ftLastWriteTime.dwLowDateTime;
    return static_cast<std::int64_t>(ticks / 10000000u) - 11644473600LL;
}

std::string current_folder()
{
    char buffer[MAX_PATH + 1];
    const DWORD length = GetCurrentDirectoryA(sizeof buffer, buffer);
    return length == 0 || length > MAX_PATH ? std::string(".") : std::string(buffer, length);
}

Folder Folder::open(const std::string& path)
{
    const DWORD attributes = GetFileAttributesA(path.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES)
        throw file_error("Cannot open folder", path, last_reason());
    if (!(attributes & FILE_ATTRIBUTE_DIRECTORY))
        throw file_error("Cannot open folder", path, windows_reason(ERROR_DIRECTORY));
    return Folder(path, -1);
}

Folder::~Folder() = default;

std::vector<FolderEntry> Folder::entries() const
{
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA(path_of("*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE)
        throw file_error("Cannot open folder", path_, last_reason());
    std::vector<FolderEntry> entries;
    do {
        const std::string name = found.cFileName;
        if (name != "." && name != "..")
            entries.push_back({name, kind_of_attributes(found.dwFileAttributes)});
    } while (FindNextFileA(search, &found));
    const DWORD error = GetLastError();
    FindClose(search);
    if (error != ERROR_NO_MORE_FILES)
        throw file_error("Cannot open folder", path_, windows_reason(error));
    return entries;
}

void Folder::create_folder(std::string_view name) const
{
    if (!CreateDirectoryA(path_of(name).c_str(), nullptr))
        throw file_error("Cannot create folder", path_of(name), last_reason());
}

void Folder::delete_folder(std::string_view name) const
{
    if (!RemoveDirectoryA(path_of(name).c_str()))
        throw file_error("Cannot delete folder", path_of(name), last_reason());
}

void Folder::delete_file(std::string_view name) const
{
    const std::string path = path_of(name);
    const DWORD attributes = GetFileAttributesA(path.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY))
        SetFileAttributesA(path.c_str(), attributes & ~DWORD{FILE_ATTRIBUTE_READONLY});
    if (!DeleteFileA(path.c_str()))
        throw file_error("Cannot delete file", path, last_reason());
}

void Folder::move(std::string_view name, const Folder& to, std::string_view new_name) const
{
    rename_file(path_of(name), to.path_of(new_name));
}

void Folder::write_file(std::string_view name, std::string_view bytes) const
{
    const std::string path = path_of(name);
    HANDLE file = create_new_file(path, CREATE_NEW);
    if (file == INVALID_HANDLE_VALUE)
        throw file_error("Cannot create file", path, last_reason());
    write_and_flush(file, bytes, path, path);
}

std::string Folder::read_file(std::string_view name, std::size_t limit) const
{
    const std::string path = path_of(name);
    const EntryKind found = kind(name);
    if (found != EntryKind::File && found != EntryKind::Missing)
        throw Error(refusal(path, found, EntryKind::File));
    HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        throw file_error("Cannot open file", path, last_reason());
    LARGE_INTEGER size{};
    std::string bytes;
    bool ok = GetFileSizeEx(file, &size) && static_cast<unsigned long long>(size.QuadPart) <= limit;
    const std::string reason = ok ? std::string() : last_reason();
    if (ok) {
        bytes.resize(static_cast<std::size_t>(size.QuadPart));
        DWORD got = 0;
        ok = bytes.empty() ||
             (ReadFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &got, nullptr) &&
              got == bytes.size());
    }
    CloseHandle(file);
    if (!ok)
        throw file_error("Cannot open file", path,
                         size.QuadPart > static_cast<long long>(limit)
                             ? "It holds more than " + std::to_string(limit) + " bytes"
                             : reason);
    return bytes;
}

void Folder::sync() const
{
    sync_folder(path_);
}

FileLock::FileLock(const std::string& path) : path_(path)
{
    HANDLE file = CreateFileA(path.c_str(), GENERIC_READ,
                              FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                              OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        throw file_error("Cannot open file", path, last_reason());
    handle_ = reinterpret_cast<std::intptr_t>(file);
}

// One byte far beyond any real end of file: locking it blocks no reader of the file's bytes.
constexpr DWORD kLockOffsetHigh = 0x40000000;

bool FileLock::try_lock()
{
    OVERLAPPED at{};
    at.OffsetHigh = kLockOffsetHigh;
    if (LockFileEx(reinterpret_cast<HANDLE>(handle_),
                   LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY, 0, 1, 0, &at))
        return true;
    if (GetLastError() == ERROR_LOCK_VIOLATION || GetLastError() == ERROR_IO_PENDING)
        return false;
    throw file_error("Cannot lock file", path_, last_reason());
}

FileLock::~FileLock()
{
    if (handle_ == -1)
        return;
    OVERLAPPED at{};
    at.OffsetHigh = kLockOffsetHigh;
    UnlockFileEx(reinterpret_cast<HANDLE>(handle_), 0, 1, 0, &at);
    CloseHandle(reinterpret_cast<HANDLE>(handle_));
}

#else

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

void write_to_stream(const std::string& path, std::string_view bytes)
{
    struct stat info;
    if (::stat(path.c_str(), &info) != 0)
        throw file_error("Cannot create file", path, last_reason());
    if (!S_ISCHR(info.st_mode) && !S_ISFIFO(info.st_mode))
        throw file_error("Cannot create file", path,
                         "It is not a regular file, a character device or a pipe");
    const int fd = ::open(path.c_str(), O_WRONLY | O_NOCTTY | O_CLOEXEC);
    if (fd < 0)
        throw file_error("Cannot create file", path, last_reason());
    bool ok = write_all(fd, bytes);
    int error_number = ok ? 0 : errno;
    if (::close(fd) != 0 && ok) {
        ok = false;
        error_number = errno;
    }
    if (!ok)
        throw file_error("Cannot create file", path, system_reason(error_number));
}

namespace {

// Reads a listing to its end and closes it; `describe` makes each entry (not "." and "..").
template <typename Describe>
std::vector<FolderEntry> read_listing(DIR* dir, const std::string& path, Describe describe)
{
    std::vector<FolderEntry> entries;
    for (;;) {
        errno = 0;
        const dirent* entry = ::readdir(dir);
        if (!entry)
            break;
        const std::string name = entry->d_name;
        if (name != "." && name != "..")
            entries.push_back(describe(*entry, name));
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
    return read_listing(dir, path, [dir](const dirent& entry, const std::string& name) {
        struct stat info;
        const bool there = ::fstatat(::dirfd(dir), entry.d_name, &info, 0) == 0;
        return FolderEntry{name, there ? kind_of_mode(info.st_mode) : EntryKind::Missing,
                           name.front() == '.'};
    });
}

std::int64_t modification_time(const std::string& path)
{
    struct stat info;
    return ::stat(path.c_str(), &info) == 0 ? static_cast<std::int64_t>(info.st_mtime) : 0;
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

FileLock::FileLock(const std::string& path) : path_(path)
{
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0)
        throw file_error("Cannot open file", path, last_reason());
    handle_ = fd;
}

bool FileLock::try_lock()
{
    while (::flock(static_cast<int>(handle_), LOCK_EX | LOCK_NB) != 0) {
        if (errno == EWOULDBLOCK)
            return false;
        if (errno != EINTR)
            throw file_error("Cannot lock file", path_, last_reason());
    }
    return true;
}

FileLock::~FileLock()
{
    if (handle_ != -1)
        ::close(static_cast<int>(handle_));  // closing releases the lock
}

#endif

FileLock::FileLock(const std::string& path, std::chrono::milliseconds patience,
                   const std::string& busy_message, const std::atomic<bool>* cancel)
    : FileLock(path)
{
    const auto give_up = std::chrono::steady_clock::now() + patience;
    while (!try_lock()) {
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

}  // namespace orvek
