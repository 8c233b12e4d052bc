// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// What the fault suites share: a fresh demo game folder that runs the tool (as an ordinary user
// where a permission fault needs one) and plants bad templates and pictures.

#include "support/game_copy.h"

#include <filesystem>
#include <fstream>
#include <string>

#include <unistd.h>

namespace orvek::testing {

namespace fs = std::filesystem;

inline std::string template_folder(const TempDir& dir)
{
    return (dir.path() / "campaign/data/encounters/all").string();
}

struct Game : testing::DemoGame {
    // Runs the tool in this game folder; as root, permission faults need an ordinary user, so the
    // tool then runs as "nobody" on a folder opened up to it.
    testing::CommandResult run(const std::string& args, bool as_user = false,
                               const std::string& prefix = "") const
    {
        const bool root = geteuid() == 0;
        return DemoGame::run(args, prefix + (as_user && root ? "setpriv --reuid=65534 "
                                                               "--regid=65534 --clear-groups "
                                                             : ""));
    }
    void open_to_everyone() const
    {
        fs::permissions(dir.path(), fs::perms::all);
        for (const auto& e : fs::recursive_directory_iterator(dir.path()))
            fs::permissions(e.path(), e.is_directory()
                                          ? fs::perms::all
                                          : fs::perms::owner_read | fs::perms::owner_write |
                                                fs::perms::group_read | fs::perms::others_read |
                                                fs::perms::others_write | fs::perms::group_write);
    }
    void every_template(const std::string& bytes) const
    {
        for (const auto& e : fs::directory_iterator(template_folder(dir)))
            std::ofstream(e.path(), std::ios::binary | std::ios::trunc) << bytes;
    }
    void picture(const std::string& bytes) const
    {
        fs::remove_all(dir.path() / "campaign/data/bitmaps/ui");
        dir.write("campaign/data/bitmaps/ui/nebula1.jpg", bytes);
    }
};

inline bool starts_with(const std::string& text, const std::string& start)
{
    return text.rfind(start, 0) == 0;
}

}  // namespace orvek::testing
