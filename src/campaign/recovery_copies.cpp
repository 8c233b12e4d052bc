// SPDX-License-Identifier: GPL-3.0-or-later
#include "campaign/recovery_copies.h"

#include "core/error.h"
#include "gamedata/file_system.h"

#include <algorithm>
#include <chrono>
#include <cstdlib>

namespace orvek {

namespace {

constexpr std::string_view kCopyEnd = ".json", kLockEnd = ".lock", kStagedEnd = ".json.new";

// The copies of one game folder share the start of their names: a hash of the folder's path.
std::string folder_key(const std::string& game_folder)
{
    std::uint64_t hash = 14695981039346656037u;
    for (const char c : game_folder)
        hash = (hash ^ static_cast<unsigned char>(c)) * 1099511628211u;
    static const char kDigits[] = "0123456789abcdef";
    std::string key = "unsaved-";
    for (int shift = 60; shift >= 0; shift -= 4)
        key += kDigits[(hash >> shift) & 15];
    return key;
}

bool ends_with(std::string_view text, std::string_view end)
{
    return text.size() >= end.size() && text.substr(text.size() - end.size()) == end;
}

// Opens the folder at `path`, making it and any missing folder above it.
Folder open_or_make(const std::string& path)
{
    if (entry_kind(path) != EntryKind::Missing)
        return Folder::open(path);
    const std::size_t slash = path.find_last_of("/\\");
    if (slash == std::string::npos || slash == 0)
        return Folder::open(path);
    const Folder parent = open_or_make(path.substr(0, slash));
    parent.create_folder(path.substr(slash + 1));
    return parent.sub(path.substr(slash + 1));
}

// Whether a window still running keeps the copy whose lock file is `lock`.
bool kept_by_a_window(const Folder& folder, const std::string& lock)
{
    if (folder.kind(lock) != EntryKind::File)
        return false;
    try {
        return FileLock::try_acquire(folder.path_of(lock)) == nullptr;
    } catch (const Error&) {
        return false;
    }
}

}  // namespace

std::string recovery_folder()
{
#ifdef _WIN32
    const char* local = std::getenv("LOCALAPPDATA");
    if (!local || !*local)
        return {};
    return std::string(local) + "\\Orvek Galaxy Generator\\Recovery";
#else
    const char* state = std::getenv("XDG_STATE_HOME");
    if (state && *state == '/')
        return std::string(state) + "/orvek-galaxy-generator";
    const char* home = std::getenv("HOME");
    if (!home || *home != '/')
        return {};
    return std::string(home) + "/.local/state/orvek-galaxy-generator";
#endif
}

std::vector<FoundCopy> abandoned_copies(const std::string& path, const std::string& game_folder)
{
    if (path.empty() || entry_kind(path) == EntryKind::Missing)
        return {};
    const Folder folder = Folder::open(path);
    const std::string key = game_folder.empty() ? "unsaved-" : folder_key(game_folder);
    std::vector<FoundCopy> found;
    for (const FolderEntry& entry : folder.entries()) {
        if (entry.name.rfind(key, 0) != 0 || !ends_with(entry.name, kCopyEnd))
            continue;
        const std::string stem = entry.name.substr(0, entry.name.size() - kCopyEnd.size());
        if (kept_by_a_window(folder, stem + std::string(kLockEnd)))
            continue;
        FoundCopy copy{entry.name, std::nullopt, {}};
        try {
            copy.work = read_unsaved_work(folder.read_file(entry.name, kUnsavedWorkLimit));
            if (!game_folder.empty() && copy.work->game_folder != game_folder)
                continue;
        } catch (const Error& e) {
            copy.problem = e.what();
        }
        found.push_back(std::move(copy));
    }
    std::stable_sort(found.begin(), found.end(), [](const FoundCopy& a, const FoundCopy& b) {
        if (a.work.has_value() != b.work.has_value())
            return a.work.has_value();
        return a.work && a.work->time > b.work->time;
    });
    return found;
}

void delete_copy(const std::string& path, const std::string& file)
{
    const Folder folder = Folder::open(path);
    folder.delete_file(file);
    // What a window killed while it wrote left beside it, and its lock, go with it.
    if (ends_with(file, kCopyEnd)) {
        const std::string stem = file.substr(0, file.size() - kCopyEnd.size());
        for (const std::string_view end : {kStagedEnd, kLockEnd})
            if (folder.kind(stem + std::string(end)) != EntryKind::Missing)
                folder.delete_file(stem + std::string(end));
    }
    folder.sync();
}

OwnCopy::OwnCopy(std::string folder, const std::string& game_folder) : folder_(std::move(folder))
{
    const auto now = std::chrono::duration_cast<std::chrono::milliseconds>(
                         std::chrono::system_clock::now().time_since_epoch())
                         .count();
    const std::string stem = folder_key(game_folder) + "-" + std::to_string(process_id()) + "-" +
                             std::to_string(now);
    const Folder opened = open_or_make(folder_);
    // Two windows of one process may begin within one millisecond: the second takes the next
    // free name.
    std::string lock;
    for (int n = 0;; ++n) {
        file_ = stem + (n ? "-" + std::to_string(n) : "") + std::string(kCopyEnd);
        lock = file_.substr(0, file_.size() - kCopyEnd.size()) + std::string(kLockEnd);
        if (opened.kind(lock) != EntryKind::Missing || opened.kind(file_) != EntryKind::Missing)
            continue;
        opened.write_file(lock, "");
        break;
    }
    lock_ = FileLock::try_acquire(opened.path_of(lock));
    if (!lock_)
        throw Error("Cannot lock file \"" + opened.path_of(lock) + "\".");
}

OwnCopy::~OwnCopy()
{
    lock_.reset();
    // The lock file goes; the copy stays when there is one: it is work no Save wrote.
    try {
        const Folder folder = Folder::open(folder_);
        const std::string stem = file_.substr(0, file_.size() - kCopyEnd.size());
        folder.delete_file(stem + std::string(kLockEnd));
    } catch (const Error&) {
        // An abandoned lock file is harmless: a lock nobody holds keeps no copy.
    }
}

void OwnCopy::store(std::string_view text) const
{
    const Folder folder = Folder::open(folder_);
    const std::string staged =
        file_.substr(0, file_.size() - kCopyEnd.size()) + std::string(kStagedEnd);
    if (folder.kind(staged) != EntryKind::Missing)
        folder.delete_file(staged);
    folder.write_file(staged, text);
    try {
        folder.move(staged, folder, file_);
    } catch (const Error&) {
        try {
            folder.delete_file(staged);
        } catch (const Error&) {
            // The rename's error is the one to report; the staged file goes at the next store.
        }
        throw;
    }
    folder.sync();
}

void OwnCopy::remove() const
{
    const Folder folder = Folder::open(folder_);
    if (folder.kind(file_) != EntryKind::Missing) {
        folder.delete_file(file_);
        folder.sync();
    }
}

}  // namespace orvek
