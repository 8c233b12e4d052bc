#pragma once
// The file calls every write of the tool goes through: each one checked, each failure an Error
// that names the file and gives the system's reason, and data flushed to disk where it matters.

#include <chrono>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace orvek {

// Creates or truncates the file, writes the bytes and flushes them to disk (fsync on POSIX,
// FlushFileBuffers on Windows) before closing it. Throws Error "Cannot create file "<shown>".
// <reason>" on any failure, after removing what it created; <shown> is `shown_as` when given
// (the file the user asked for, when this one only stands in for it), else `path`.
void write_durable_file(const std::string& path, std::string_view bytes,
                        const std::string& shown_as = {});

// Renames `from` to `to`, replacing a file there. Throws Error "Cannot rename file "<from>" to
// "<to>". <reason>".
void rename_file(const std::string& from, const std::string& to);

// Deletes a file or a link (on Windows a read-only file too). Throws Error "Cannot delete file
// "<path>". <reason>".
void delete_file(const std::string& path);

// Creates one folder level. Throws Error "Cannot create folder "<path>". <reason>".
void create_folder(const std::string& path);

// Deletes an empty folder. Throws Error "Cannot delete folder "<path>". <reason>".
void delete_folder(const std::string& path);

// Flushes a folder's entries to disk, so that renames and deletions in it survive a power loss.
// Throws Error "Cannot flush folder "<path>" to disk. <reason>". Windows keeps folder entries in
// the file system's own journal, so there it only checks that the folder exists.
void sync_folder(const std::string& path);

enum class EntryKind { Missing, File, Folder };

// What `path` is, links counted as files. Throws Error "Cannot open file "<path>". <reason>" when
// the system cannot tell (anything but a missing entry).
EntryKind entry_kind(const std::string& path);

struct FolderEntry {
    std::string name;
    bool is_folder = false;  // a link to a folder counts as a file
};

// Every entry of the folder but "." and "..", in the system's order. Throws Error "Cannot open
// folder "<path>". <reason>" when the folder cannot be listed to its end.
std::vector<FolderEntry> list_entries(const std::string& folder);

// An exclusive lock held on an existing file while the object lives. It is the operating system's
// lock (flock on POSIX, LockFileEx beyond the end of the file on Windows, which leaves the file's
// bytes readable), so the death of its process releases it; the file itself is never changed.
class FileLock {
public:
    // Waits up to `patience` for the lock. Throws Error `busy_message` when another process still
    // holds it then, Error "Cannot open file "<path>". <reason>" when the file cannot be opened,
    // or Error "Cannot lock file "<path>". <reason>" when the system refuses the lock itself.
    FileLock(const std::string& path, std::chrono::milliseconds patience,
             const std::string& busy_message);
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
