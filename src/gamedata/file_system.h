// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The file calls every write of the tool goes through: each one checked, each failure an Error
// that names the file and gives the system's reason, and data flushed to disk where it matters.

#include <atomic>
#include <chrono>
#include <functional>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace orvek {

#ifdef _WIN32
constexpr char kPathSeparator = '\\';
#else
constexpr char kPathSeparator = '/';
#endif

// The system's own words for a failure given as a C library error number (errno).
std::string system_reason(int error_number);

// No file the program reads whole (a template, a name list, a picture) is larger.
inline constexpr std::size_t kReadLimit = std::size_t{256} << 20;

// The bytes of the regular file at `path` (links followed: the game's files may be links).
// Throws Error "Cannot open file "<path>". <reason>" when it cannot be read, is a folder, a
// pipe or a device (which are never opened, so nothing blocks), or holds more than `limit`.
std::string read_file(const std::string& path, std::size_t limit = kReadLimit);

// The first `limit` bytes of the regular file at `path`, as read_file reads it; `cut` tells
// whether the file holds more. Throws as read_file, but never for the file's size.
std::string read_file_start(const std::string& path, std::size_t limit, bool& cut);

// When the file at `path` was last written, in seconds since 1970, or 0 when the system cannot
// tell.
std::int64_t modification_time(const std::string& path);

// The current working directory, or "." when the system cannot tell.
std::string current_folder();

// Deletes a file for cleaning up after another error, whose message is the one to report: a
// failure here is left for that error to explain.
void discard_file(const std::string& path) noexcept;

// Creates or truncates the file, writes the bytes and flushes them to disk (fsync on POSIX,
// FlushFileBuffers on Windows) before closing it. A link at `path` is never written through.
// Throws Error "Cannot create file "<shown>". <reason>" on any failure, after removing what it
// created; <shown> is `shown_as` when given (the file the user asked for, when this one only
// stands in for it), else `path`.
void write_durable_file(const std::string& path, std::string_view bytes,
                        const std::string& shown_as = {});

// Renames `from` to `to`, replacing a file there. Throws Error "Cannot rename file "<from>" to
// "<to>". <reason>".
void rename_file(const std::string& from, const std::string& to);

// Flushes a folder's entries to disk, so that renames and deletions in it survive a power loss.
// Throws Error "Cannot flush folder "<path>" to disk. <reason>". Windows keeps folder entries in
// the file system's own journal, so there it only checks that the folder exists.
void sync_folder(const std::string& path);

// What an entry is, never looking through a link: a regular file, a real folder, a link (a
// symbolic link, or on Windows any reparse point such as a junction), or anything else (a pipe,
// a device, a socket).
enum class EntryKind { Missing, File, Folder, Link, Special };

// What `path` is. Throws Error "Cannot open file "<path>". <reason>" when the system cannot tell
// (anything but a missing entry).
EntryKind entry_kind(const std::string& path);

// What `path` leads to when links are followed: Missing for a dangling link. Throws as entry_kind.
EntryKind target_kind(const std::string& path);

// The path that the links at the end of `path` lead to (at most 40 of them), or `path` itself
// when it is no link. Throws Error "Cannot open file ..." when a link cannot be read or the
// chain is longer.
std::string link_target(const std::string& path);

// `path` with every link, "." and ".." on the way resolved, for telling whether two paths name
// the same folder; `path` itself when that cannot be done. Never fails.
std::string real_path(const std::string& path);

// The text value `value` of the current user's registry key `key` on Windows ("SteamPath" of
// "Software\Valve\Steam"); empty where there is none, and on every other system.
std::string user_registry_text(const std::string& key, const std::string& value);

// This process's number, and whether the process numbered `pid` is running (true also when it
// is there but another user's).
std::uint64_t process_id();
bool process_running(std::uint64_t pid);

// Gives `file` the permission bits of `model` (a regular file), so that a file replaced by a
// rename keeps who may read and write it. Does nothing on Windows, where the folder's rules
// apply. Throws Error "Cannot create file "<file>". <reason>".
void copy_permissions(const std::string& model, const std::string& file);

// Thrown by a wait for another process (a lock, a pipe's reader) when its cancel flag is set.
struct WaitCancelled {};

// Writes the bytes into an existing character device or pipe at `path` (through links: the
// user named it), without creating, truncating or replacing anything. A pipe that nobody reads
// is waited for; setting `*cancel` (a signal) ends the wait with WaitCancelled. Throws Error
// "Cannot create file "<path>". <reason>", also when it is anything else.
void write_to_stream(const std::string& path, std::string_view bytes,
                     const std::atomic<bool>* cancel = nullptr);

// The sentence that refuses `path` for being `found` where `wanted` (File or Folder) must be.
std::string refusal(const std::string& path, EntryKind found, EntryKind wanted);

struct FolderEntry {
    std::string name;
    EntryKind kind = EntryKind::File;
    bool hidden = false;  // Windows' hidden or system attribute; elsewhere a leading "."
};

// Every entry of the folder at `path` but "." and "..", each kind what its links lead to (a
// dangling link is Missing). A missing folder has no entries. Throws Error "Cannot open folder
// "<path>". <reason>" when the folder cannot be listed to its end.
std::vector<FolderEntry> list_folder_entries(const std::string& path);

// A folder opened once; every call names a plain entry in it. On POSIX it is held open and
// worked on relative to its handle (openat, renameat, unlinkat), so a folder swapped for a link
// after it was opened is never followed; Windows has no such calls, so there each call first
// checks that its entry is no reparse point.
class Folder {
public:
    // Opens the folder at `path`, following links on the way (the game folder is wherever the
    // player put it). Throws Error "Cannot open folder "<path>". <reason>".
    static Folder open(const std::string& path);

    // Opens the entry `name` as a folder, never through a link. Throws Error "Cannot open folder
    // ..." when that fails, or the refusal sentence when the entry is not a real folder.
    Folder sub(std::string_view name) const;

    // What the entry `name` is. Throws Error "Cannot open file ..." when the system cannot tell.
    EntryKind kind(std::string_view name) const;

    // Every entry but "." and "..". Throws Error "Cannot open folder ..." when the folder cannot
    // be listed to its end.
    std::vector<FolderEntry> entries() const;

    // Each throws Error "Cannot create folder / delete folder / delete file / rename file ..."
    // with the system's reason. Deleting removes a link itself, never what it points at, and
    // (on Windows) clears a read-only attribute first; only an empty folder is deleted.
    void create_folder(std::string_view name) const;
    void delete_folder(std::string_view name) const;
    void delete_file(std::string_view name) const;
    void move(std::string_view name, const Folder& to, std::string_view new_name) const;

    // Writes a new regular file `name` (never through a link; an entry there is an error) and
    // flushes it to disk. Throws Error "Cannot create file ...", after removing what it made.
    void write_file(std::string_view name, std::string_view bytes) const;

    // The bytes of the regular file `name`, never through a link. Throws Error "Cannot open
    // file ..." when it cannot be read, is not a regular file, or holds more than `limit` bytes;
    // nothing blocks on a pipe or a device.
    std::string read_file(std::string_view name, std::size_t limit) const;

    // Flushes the folder's entries to disk. Throws Error "Cannot flush folder ...".
    void sync() const;

    const std::string& path() const { return path_; }
    std::string path_of(std::string_view name) const;

    Folder(Folder&& other) noexcept;
    Folder& operator=(Folder&& other) noexcept;
    Folder(const Folder&) = delete;
    Folder& operator=(const Folder&) = delete;
    ~Folder();

private:
    Folder(std::string path, std::intptr_t handle) : path_(std::move(path)), handle_(handle) {}
    std::string path_;
    std::intptr_t handle_ = -1;
};

// Thrown by a FileLock still waiting when its cancel flag is set.
using LockWaitCancelled = WaitCancelled;

// An exclusive lock held on an existing file while the object lives. It is the operating system's
// lock (flock on POSIX, LockFileEx beyond the end of the file on Windows, which leaves the file's
// bytes readable), so the death of its process releases it; the file itself is never changed.
class FileLock {
public:
    // Waits up to `patience` for the lock, calling `waiting` once when it has to wait at all.
    // Throws Error `busy_message` when another process still holds it then, LockWaitCancelled as
    // soon as `*cancel` is set while waiting, Error "Cannot open file "<path>". <reason>" when
    // the file cannot be opened, or Error "Cannot lock file "<path>". <reason>" when the system
    // refuses the lock itself.
    FileLock(const std::string& path, std::chrono::milliseconds patience,
             const std::string& busy_message, const std::atomic<bool>* cancel = nullptr,
             const std::function<void()>& waiting = {});
    ~FileLock();
    FileLock(const FileLock&) = delete;
    FileLock& operator=(const FileLock&) = delete;

    // Takes the lock only if it is free at once: null when another process holds it. Throws the
    // same open error.
    static std::unique_ptr<FileLock> try_acquire(const std::string& path);

private:
    explicit FileLock(const std::string& path);
    bool try_lock();
    std::string path_;
    std::intptr_t handle_ = -1;
};

}  // namespace orvek
