#include "gamedata/file_system.h"

#include "core/error.h"
#include "gamedata/text_file.h"

#include <cerrno>
#include <thread>

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

namespace {

#ifdef _WIN32
// The system's own words for the thread's last Windows error.
std::string last_reason()
{
    std::string reason = std::system_category().message(static_cast<int>(GetLastError()));
    while (!reason.empty() &&
           (reason.back() == '\n' || reason.back() == '\r' || reason.back() == ' '))
        reason.pop_back();
    return reason;
}
#else
std::string last_reason()
{
    return system_reason(errno);
}
#endif

#ifndef _WIN32
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
#endif

}  // namespace

#ifdef _WIN32

void write_durable_file(const std::string& path, std::string_view bytes,
                        const std::string& shown_as)
{
    const std::string& shown = shown_as.empty() ? path : shown_as;
    HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        throw file_error("Cannot create file", shown, last_reason());
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

void rename_file(const std::string& from, const std::string& to)
{
    if (!MoveFileExA(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
        throw file_error("Cannot rename file \"" + from + "\" to", to, last_reason());
}

void delete_file(const std::string& path)
{
    const DWORD attributes = GetFileAttributesA(path.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY))
        SetFileAttributesA(path.c_str(), attributes & ~DWORD{FILE_ATTRIBUTE_READONLY});
    if (!DeleteFileA(path.c_str()))
        throw file_error("Cannot delete file", path, last_reason());
}

void create_folder(const std::string& path)
{
    if (!CreateDirectoryA(path.c_str(), nullptr))
        throw file_error("Cannot create folder", path, last_reason());
}

void delete_folder(const std::string& path)
{
    if (!RemoveDirectoryA(path.c_str()))
        throw file_error("Cannot delete folder", path, last_reason());
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
    const bool link = attributes & FILE_ATTRIBUTE_REPARSE_POINT;
    return (attributes & FILE_ATTRIBUTE_DIRECTORY) && !link ? EntryKind::Folder : EntryKind::File;
}

std::vector<FolderEntry> list_entries(const std::string& folder)
{
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA((folder + "\\*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE)
        throw file_error("Cannot open folder", folder, last_reason());
    std::vector<FolderEntry> entries;
    do {
        const std::string name = found.cFileName;
        if (name == "." || name == "..")
            continue;
        const DWORD a = found.dwFileAttributes;
        entries.push_back(
            {name, (a & FILE_ATTRIBUTE_DIRECTORY) && !(a & FILE_ATTRIBUTE_REPARSE_POINT)});
    } while (FindNextFileA(search, &found));
    const DWORD error = GetLastError();
    FindClose(search);
    if (error != ERROR_NO_MORE_FILES) {
        SetLastError(error);
        throw file_error("Cannot open folder", folder, last_reason());
    }
    return entries;
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
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    if (fd < 0)
        throw file_error("Cannot create file", shown, last_reason());
    bool ok = write_all(fd, bytes) && ::fsync(fd) == 0;
    int error_number = ok ? 0 : errno;
    if (::close(fd) != 0 && ok) {
        ok = false;
        error_number = errno;
    }
    if (!ok) {
        ::unlink(path.c_str());
        throw file_error("Cannot create file", shown, system_reason(error_number));
    }
}

void rename_file(const std::string& from, const std::string& to)
{
    if (::rename(from.c_str(), to.c_str()) != 0)
        throw file_error("Cannot rename file \"" + from + "\" to", to, last_reason());
}

void delete_file(const std::string& path)
{
    if (::unlink(path.c_str()) != 0)
        throw file_error("Cannot delete file", path, last_reason());
}

void create_folder(const std::string& path)
{
    if (::mkdir(path.c_str(), 0777) != 0)
        throw file_error("Cannot create folder", path, last_reason());
}

void delete_folder(const std::string& path)
{
    if (::rmdir(path.c_str()) != 0)
        throw file_error("Cannot delete folder", path, last_reason());
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

EntryKind entry_kind(const std::string& path)
{
    struct stat info;
    if (::lstat(path.c_str(), &info) != 0) {
        if (errno == ENOENT)
            return EntryKind::Missing;
        throw file_error("Cannot open file", path, last_reason());
    }
    return S_ISDIR(info.st_mode) ? EntryKind::Folder : EntryKind::File;
}

std::vector<FolderEntry> list_entries(const std::string& folder)
{
    DIR* dir = ::opendir(folder.c_str());
    if (!dir)
        throw file_error("Cannot open folder", folder, last_reason());
    std::vector<FolderEntry> entries;
    for (;;) {
        errno = 0;
        const dirent* entry = ::readdir(dir);
        if (!entry)
            break;
        const std::string name = entry->d_name;
        if (name == "." || name == "..")
            continue;
        bool is_folder = entry->d_type == DT_DIR;
        if (entry->d_type == DT_UNKNOWN)
            is_folder = entry_kind(folder + "/" + name) == EntryKind::Folder;
        entries.push_back({name, is_folder});
    }
    const int error_number = errno;
    ::closedir(dir);
    if (error_number != 0)
        throw file_error("Cannot open folder", folder, system_reason(error_number));
    return entries;
}

FileLock::FileLock(const std::string& path) : path_(path)
{
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
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
                   const std::string& busy_message)
    : FileLock(path)
{
    const auto give_up = std::chrono::steady_clock::now() + patience;
    while (!try_lock()) {
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
