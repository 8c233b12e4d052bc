// SPDX-License-Identifier: GPL-3.0-or-later
#include "gamedata/game_finder.h"

#include "core/error.h"
#include "gamedata/file_system.h"
#include "gamedata/game_folder.h"

#include <algorithm>
#include <cctype>

namespace orvek {

namespace {

// A libraryfolders.vdf holds a handful of libraries; these bound a hostile one.
constexpr std::size_t kVdfLimit = 1024 * 1024;
constexpr int kDeepest = 8;
constexpr std::size_t kMostEntries = 10'000;
constexpr std::size_t kMostGamesPerLibrary = 10'000;

// The tokens of the format: quoted strings (with backslash escapes), braces, and // comments.
class VdfReader {
public:
    explicit VdfReader(std::string_view text) : text_(text) {}

    enum class Kind { String, Open, Close, End };
    Kind next(std::string& value)
    {
        skip_space_and_comments();
        if (at_ >= text_.size())
            return Kind::End;
        const char c = text_[at_++];
        if (c == '{')
            return Kind::Open;
        if (c == '}')
            return Kind::Close;
        if (c != '"')
            return Kind::End;  // not the format: what was read so far stands
        value.clear();
        while (at_ < text_.size() && text_[at_] != '"') {
            if (text_[at_] == '\\' && at_ + 1 < text_.size())
                ++at_;
            value += text_[at_++];
        }
        if (at_ >= text_.size())
            return Kind::End;  // an unclosed string
        ++at_;
        return Kind::String;
    }

private:
    void skip_space_and_comments()
    {
        while (at_ < text_.size()) {
            if (std::isspace(static_cast<unsigned char>(text_[at_])))
                ++at_;
            else if (text_.substr(at_, 2) == "//")
                at_ = std::min(text_.size(), text_.find('\n', at_));
            else
                break;
        }
    }

    std::string_view text_;
    std::size_t at_ = 0;
};

bool all_digits(const std::string& text)
{
    return !text.empty() && std::all_of(text.begin(), text.end(), [](char c) {
        return std::isdigit(static_cast<unsigned char>(c)) != 0;
    });
}

std::string joined(const std::string& folder, std::string_view name)
{
    if (!folder.empty() && (folder.back() == '/' || folder.back() == kPathSeparator))
        return folder + std::string(name);
    return folder + kPathSeparator + std::string(name);
}

// Where the finder stopped short, for `notes` when there are any.
void note(std::vector<std::string>* notes, std::string sentence)
{
    if (notes)
        notes->push_back(std::move(sentence));
}

std::vector<std::string> libraries_of(const std::string& steam, std::vector<std::string>* notes)
{
    std::vector<std::string> libraries{steam};
    const std::string vdf = joined(joined(steam, "steamapps"), "libraryfolders.vdf");
    try {
        if (target_kind(vdf) != EntryKind::File)
            return libraries;
        bool cut = false;
        std::string stopped;
        for (std::string& path : parse_library_folders(read_file_start(vdf, kVdfLimit, cut),
                                                       &stopped))
            libraries.push_back(std::move(path));
        if (cut)
            note(notes, "\"" + vdf + "\" holds more than " + std::to_string(kVdfLimit) +
                            " bytes: only its first " + std::to_string(kVdfLimit) + " were read");
        else if (!stopped.empty())
            note(notes, "\"" + vdf + "\": " + stopped);
    } catch (const Error& e) {
        // A list that cannot be read adds no library.
        note(notes, e.what());
    }
    return libraries;
}

void add_once(std::vector<std::string>& found, std::vector<std::string>& seen,
              const std::string& path)
{
    // The same folder by another spelling (through a link, with a trailing separator) counts once.
    const std::string same = real_path(path);
    if (std::find(seen.begin(), seen.end(), same) != seen.end())
        return;
    seen.push_back(same);
    if (is_game_folder(path))
        found.push_back(path);
}

}  // namespace

std::vector<std::string> parse_library_folders(std::string_view vdf, std::string* stopped)
{
    const auto stop = [&](const std::string& why) {
        if (stopped)
            *stopped = why;
    };
    std::vector<std::string> paths;
    VdfReader reader(vdf);
    std::vector<std::string> keys;  // the keys of the open blocks
    std::string key, value;
    std::size_t entries = 0;
    for (;;) {
        VdfReader::Kind kind = reader.next(key);
        if (kind == VdfReader::Kind::Close && !keys.empty()) {
            keys.pop_back();
            continue;
        }
        if (kind != VdfReader::Kind::String)
            return paths;
        if (++entries > kMostEntries) {
            stop("it has more than " + std::to_string(kMostEntries) +
                 " entries; the libraries after them were not read");
            return paths;
        }
        kind = reader.next(value);
        if (kind == VdfReader::Kind::Open) {
            if (keys.size() >= kDeepest) {
                stop("its blocks nest deeper than " + std::to_string(kDeepest) +
                     "; the libraries after that were not read");
                return paths;
            }
            keys.push_back(key);
        } else if (kind != VdfReader::Kind::String) {
            return paths;
        } else if ((keys.size() == 2 && key == "path") || (keys.size() == 1 && all_digits(key))) {
            paths.push_back(value);  // today's entry { "path" "…" }, or the older "1" "…"
        }
    }
}

bool is_game_folder(const std::string& path)
{
    return game_folder_lack(path).empty();
}

std::string game_folder_lack(const std::string& path)
{
    try {
        const GameFolder folder(path);
        if (target_kind(path) != EntryKind::Folder)
            return "it is no folder";
        if (!folder.has_game_executable())
            return "it holds no \"" + std::string(kGameExecutable) + "\"";
        if (target_kind(folder.templates_folder()) != EntryKind::Folder)
            return "it holds no folder campaign/data/encounters/all, where the game keeps its "
                   "campaign templates";
        return {};
    } catch (const Error& e) {
        return e.what();
    }
}

std::vector<std::string> steam_folders(const std::string& home)
{
#ifdef _WIN32
    (void)home;
    std::vector<std::string> folders;
    if (std::string registered = user_registry_text("Software\\Valve\\Steam", "SteamPath");
        !registered.empty()) {
        std::replace(registered.begin(), registered.end(), '/', '\\');
        folders.push_back(registered);
    }
    folders.push_back("C:\\Program Files (x86)\\Steam");
    return folders;
#else
    return {joined(home, ".steam/steam"), joined(home, ".local/share/Steam"),
            joined(home, ".var/app/com.valvesoftware.Steam/.local/share/Steam")};
#endif
}

std::vector<std::string> find_game_folders(const std::vector<std::string>& first,
                                           const std::vector<std::string>& steam,
                                           std::vector<std::string>* notes)
{
    std::vector<std::string> found, seen;
    for (const std::string& path : first)
        add_once(found, seen, path);
    std::vector<std::string> libraries_seen;
    for (const std::string& folder : steam)
        for (const std::string& library : libraries_of(folder, notes)) {
            // ~/.steam/steam is usually a link to ~/.local/share/Steam: one library, looked at
            // once.
            const std::string real = real_path(library);
            if (std::find(libraries_seen.begin(), libraries_seen.end(), real) !=
                libraries_seen.end())
                continue;
            libraries_seen.push_back(real);
            const std::string common = joined(joined(library, "steamapps"), "common");
            try {
                std::size_t games = 0;
                // In name order, so that the chooser lists them the same way on every run.
                std::vector<FolderEntry> entries = list_folder_entries(common);
                std::sort(
                    entries.begin(), entries.end(),
                    [](const FolderEntry& a, const FolderEntry& b) { return a.name < b.name; });
                for (const FolderEntry& entry : entries)
                    if (entry.kind == EntryKind::Folder && ++games <= kMostGamesPerLibrary)
                        add_once(found, seen, joined(common, entry.name));
                if (games > kMostGamesPerLibrary)
                    note(notes, "\"" + common + "\" holds " + std::to_string(games) +
                                    " games: only the first " +
                                    std::to_string(kMostGamesPerLibrary) +
                                    " by name were looked at");
            } catch (const Error& e) {
                // A library that cannot be listed adds no game (a missing one lists nothing).
                note(notes, e.what());
            }
        }
    return found;
}

}  // namespace orvek
