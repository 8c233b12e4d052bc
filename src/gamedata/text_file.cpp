#include "gamedata/text_file.h"

#include "core/error.h"
#include "gamedata/file_system.h"

#include <cerrno>

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
    return path.substr(0, at) + ".orvek-new-" + path.substr(at);
}

void write_file_atomically(const std::string& path, std::string_view bytes)
{
    // A link stays a link: the file it leads to is the one replaced.
    const std::string target = link_target(path);
    const std::string staged = staging_path(target);
    try {
        write_durable_file(staged, bytes, path);
        copy_permissions(target, staged);
        rename_file(staged, target);
    } catch (const Error&) {
        discard_file(staged);
        throw;
    }
    const std::size_t at = name_start(target);
    sync_folder(at == 0 ? std::string(".") : target.substr(0, at));
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
