// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// What the suites that run the tool on a game folder share: a snapshot of a tree to compare
// before and after, and (where the build names it) a fresh copy of the demo game folder with the
// tool run in it.

#include "support/run_command.h"
#include "support/temp_dir.h"

#include <filesystem>
#include <functional>
#include <map>
#include <string>

namespace orvek::testing {

// Every entry under `root` as it is: folders, links (by their target) and special files
// described, never followed or opened; files by their bytes, or by size and hash when `short`
// (so that a failure prints short). `keep` chooses entries by their path relative to `root`.
inline std::map<std::string, std::string>
snapshot(const std::filesystem::path& root, bool short_files = false,
         const std::function<bool(const std::string&)>& keep = {})
{
    namespace fs = std::filesystem;
    std::map<std::string, std::string> entries;
    for (const auto& entry : fs::recursive_directory_iterator(root)) {
        const std::string relative = fs::relative(entry.path(), root).generic_string();
        if (keep && !keep(relative))
            continue;
        const fs::file_status status = entry.symlink_status();
        std::string& seen = entries[relative];
        if (fs::is_symlink(status))
            seen = "link to " + fs::read_symlink(entry.path()).string();
        else if (!fs::is_regular_file(status))
            seen = fs::is_directory(status) ? "<folder>" : "<special>";
        else if (short_files)
            seen = std::to_string(fs::file_size(entry.path())) + " bytes, hash " +
                   std::to_string(std::hash<std::string>{}(read_bytes(entry.path())));
        else
            seen = read_bytes(entry.path());
    }
    return entries;
}

#ifdef ORVEK_DEMO_GAME
// A copy of the demo game folder, so that saves never touch the shared one.
struct DemoGame {
    TempDir dir;
    DemoGame()
    {
        std::filesystem::copy(ORVEK_DEMO_GAME, dir.path(),
                              std::filesystem::copy_options::recursive);
    }

#ifdef ORVEK_CLI
    // The tool in this game folder; `prefix` goes before it on the shell's line.
    CommandResult run(const std::string& args, const std::string& prefix = "") const
    {
        return run_command(prefix + std::string(ORVEK_CLI) + " --quiet --game-dir '" + dir.str() +
                           "' " + args);
    }
#endif

    // The campaign data that Saves write: everything but the templates and the pictures.
    std::map<std::string, std::string> campaigns() const
    {
        return snapshot(dir.path() / "campaign/data", false, [](const std::string& path) {
            return path.rfind("encounters/all", 0) != 0 && path.rfind("bitmaps", 0) != 0;
        });
    }

    // How many files Saves have written.
    std::size_t saved_files() const
    {
        std::size_t files = 0;
        for (const auto& [path, bytes] : campaigns())
            files += bytes != "<folder>";
        return files;
    }

    std::filesystem::path campaign(const std::string& id) const
    {
        return dir.path() / "campaign/data/encounters" / id;
    }
};
#endif

}  // namespace orvek::testing
