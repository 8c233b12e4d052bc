// SPDX-License-Identifier: GPL-3.0-or-later
#include "gamedata/text_file.h"

#include "core/error.h"
#include "gamedata/file_system.h"

#include <cerrno>
#include <charconv>

namespace orvek {

namespace {

// Where the folder part of a path ends: after its last separator, or 0 when it has none.
std::size_t name_start(const std::string& path)
{
#ifdef _WIN32
    const std::size_t cut = path.find_last_of("\\/");
#else
    const std::size_t cut = path.rfind('/');
#endif
    return cut == std::string::npos ? 0 : cut + 1;
}

}  // namespace

std::vector<std::string> split_lines(std::string_view text)
{
    std::vector<std::string> lines;
    std::size_t start = 0, i = 0;
    while (i < text.size()) {
        char c = text[i];
        if (c == '\r' || c == '\n') {
            lines.emplace_back(text.substr(start, i - start));
            i += (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ? 2 : 1;
            start = i;
        } else {
            ++i;
        }
    }
    if (start < text.size())
        lines.emplace_back(text.substr(start));
    return lines;
}

std::string staging_path(const std::string& path)
{
    const std::size_t at = name_start(path);
    return path.substr(0, at) + std::string(kStagingPrefix) + std::to_string(process_id()) + "-" +
           path.substr(at);
}

namespace {

// The number of the process that staged the file `name`, or 0 when no staging names it.
std::uint64_t staging_process(std::string_view name)
{
    if (name.substr(0, kStagingPrefix.size()) != kStagingPrefix)
        return 0;
    name.remove_prefix(kStagingPrefix.size());
    std::uint64_t pid = 0;
    const auto [rest, error] = std::from_chars(name.data(), name.data() + name.size(), pid);
    return error == std::errc() && rest != name.data() + name.size() && *rest == '-' ? pid : 0;
}

}  // namespace

void remove_stranded_staging(const std::string& folder_path)
{
    // Nothing here may stop the write that follows: a folder that cannot be listed, or a file
    // that cannot be deleted, is left for the next run to try again.
    try {
        const Folder folder = Folder::open(folder_path);
        for (const FolderEntry& entry : folder.entries()) {
            const std::uint64_t pid = staging_process(entry.name);
            // A link is never a staging file of ours, and a running process's file is still
            // being written.
            if (pid != 0 && entry.kind == EntryKind::File && pid != process_id() &&
                !process_running(pid))
                folder.delete_file(entry.name);
        }
    } catch (const Error&) {
    }
}

void write_file_atomically(const std::string& path, std::string_view bytes)
{
    // A link stays a link: the file it leads to is the one replaced.
    const std::string target = link_target(path);
    const std::size_t at = name_start(target);
    const std::string folder = at == 0 ? std::string(".") : target.substr(0, at);
    remove_stranded_staging(folder);
    const std::string staged = staging_path(target);
    try {
        write_durable_file(staged, bytes, path);
        copy_permissions(target, staged);
        rename_file(staged, target);
    } catch (const Error&) {
        discard_file(staged);
        throw;
    }
    sync_folder(folder);
}

void write_output_file(const std::string& path, std::string_view bytes,
                       const std::atomic<bool>* cancel)
{
    switch (target_kind(path)) {
    case EntryKind::Missing:
    case EntryKind::File: return write_file_atomically(path, bytes);
    case EntryKind::Special: return write_to_stream(path, bytes, cancel);
    default: throw file_error("Cannot create file", path, system_reason(EISDIR));
    }
}

}  // namespace orvek
