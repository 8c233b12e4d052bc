#include "gamedata/text_file.h"

#include "core/error.h"
#include "gamedata/file_system.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <system_error>

#ifdef _WIN32
#include <windows.h>
#endif

namespace orvek {

namespace {

std::filesystem::path fs_path(const std::string& path)
{
    return std::filesystem::path(path);
}

Error open_error(const std::string& path, int error_number)
{
    return file_error("Cannot open file", path, system_reason(error_number));
}

}  // namespace

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

std::string read_file(const std::string& path)
{
    std::error_code ec;
    if (std::filesystem::is_directory(fs_path(path), ec))
        throw open_error(path, EISDIR);
    errno = 0;
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (!file)
        throw open_error(path, errno ? errno : ENOENT);
    std::string bytes;
    char buffer[1 << 16];
    std::size_t got;
    while ((got = std::fread(buffer, 1, sizeof buffer, file)) > 0)
        bytes.append(buffer, got);
    bool failed = std::ferror(file) != 0;
    int error_number = errno;
    std::fclose(file);
    if (failed)
        throw open_error(path, error_number ? error_number : EIO);
    return bytes;
}

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
    std::filesystem::path p = fs_path(path);
    return (p.parent_path() / (".orvek-new-" + p.filename().string())).string();
}

void write_file_atomically(const std::string& path, std::string_view bytes)
{
    const std::string staged = staging_path(path);
    try {
        write_durable_file(staged, bytes, path);
        copy_permissions(path, staged);
        rename_file(staged, path);
    } catch (const Error&) {
        std::error_code ignored;  // the write's own error is the one to report
        std::filesystem::remove(fs_path(staged), ignored);
        throw;
    }
    std::filesystem::path folder = fs_path(path).parent_path();
    sync_folder(folder.empty() ? std::string(".") : folder.string());
}

}  // namespace orvek

namespace orvek {

void write_output_file(const std::string& path, std::string_view bytes)
{
    const std::string target = link_target(path);
    switch (target_kind(target)) {
    case EntryKind::Missing:
    case EntryKind::File: return write_file_atomically(target, bytes);
    case EntryKind::Special: return write_to_stream(target, bytes);
    default: throw file_error("Cannot create file", path, system_reason(EISDIR));
    }
}

}  // namespace orvek
