// SPDX-License-Identifier: GPL-3.0-or-later
// The file calls of file_system on Windows: paths throughout, each checked for a reparse point
// before it is written, moved or deleted through.

#ifdef _WIN32

#include "gamedata/file_system.h"

#include "core/error.h"

#include <windows.h>

#include <algorithm>
#include <system_error>

namespace orvek {

namespace {

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

}  // namespace

Folder Folder::sub(std::string_view name) const
{
    const std::string path = path_of(name);
    const EntryKind found = kind(name);
    if (found == EntryKind::Missing)
        throw file_error("Cannot open folder", path, windows_reason(ERROR_PATH_NOT_FOUND));
    if (found != EntryKind::Folder)
        throw Error(refusal(path, found, EntryKind::Folder));
    return Folder(path, -1);
}

EntryKind Folder::kind(std::string_view name) const
{
    return entry_kind(path_of(name));
}

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

void write_to_stream(const std::string& path, std::string_view, const std::atomic<bool>*)
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

std::uint64_t process_id()
{
    return GetCurrentProcessId();
}

bool process_running(std::uint64_t pid)
{
    if (pid == 0 || pid > 0xFFFFFFFFu)
        return false;
    HANDLE process =
        OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, static_cast<DWORD>(pid));
    if (!process)
        return GetLastError() == ERROR_ACCESS_DENIED;  // there, but not ours to look at
    DWORD code = 0;
    const bool running = !GetExitCodeProcess(process, &code) || code == STILL_ACTIVE;
    CloseHandle(process);
    return running;
}

std::string user_registry_text(const std::string& key, const std::string& value)
{
    char buffer[MAX_PATH + 1];
    DWORD size = sizeof buffer;
    if (RegGetValueA(HKEY_CURRENT_USER, key.c_str(), value.c_str(), RRF_RT_REG_SZ, nullptr, buffer,
                     &size) != ERROR_SUCCESS)
        return {};
    return std::string(buffer);
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

}  // namespace orvek

#endif
