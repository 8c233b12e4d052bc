// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A fresh folder under the system's temporary folder, removed with everything in it at the end
// of the test; the place where tests build their own game folders.

#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
#include <string>

namespace orvek::testing {

class TempDir {
public:
    TempDir()
    {
        std::random_device seed;
        path_ = std::filesystem::temp_directory_path() /
                ("orvek-test-" + std::to_string(seed()) + std::to_string(seed()));
        std::filesystem::create_directories(path_);
    }
    ~TempDir()
    {
        std::error_code ec;
        // Read-only folders made by a test would stop the removal; open them up first.
        for (auto it = std::filesystem::recursive_directory_iterator(path_, ec);
             !ec && it != std::filesystem::recursive_directory_iterator(); it.increment(ec))
            std::filesystem::permissions(it->path(), std::filesystem::perms::owner_all,
                                         std::filesystem::perm_options::add, ec);
        std::filesystem::permissions(path_, std::filesystem::perms::owner_all,
                                     std::filesystem::perm_options::add, ec);
        std::filesystem::remove_all(path_, ec);
    }
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::filesystem::path& path() const { return path_; }
    std::string str() const { return path_.string(); }

    // Writes `bytes` to the file at `relative`, creating its folders.
    std::filesystem::path write(const std::string& relative, const std::string& bytes) const
    {
        std::filesystem::path file = path_ / relative;
        std::filesystem::create_directories(file.parent_path());
        std::ofstream(file, std::ios::binary) << bytes;
        return file;
    }

    std::filesystem::path mkdir(const std::string& relative) const
    {
        std::filesystem::create_directories(path_ / relative);
        return path_ / relative;
    }

private:
    std::filesystem::path path_;
};

inline std::string read_bytes(const std::filesystem::path& file)
{
    // Read through the stream's buffer in one call: the tests are built without optimisation, and
    // a character at a time takes seconds over a game folder.
    std::ifstream in(file, std::ios::binary);
    std::ostringstream bytes;
    bytes << in.rdbuf();
    return std::move(bytes).str();
}

// A small game folder: the marker, `templates` one-section templates, two pictures and names.
inline void make_small_game(const TempDir& dir, int templates = 40)
{
    dir.write("Orvek.exe", "");
    for (int i = 0; i < templates; ++i) {
        std::string number = std::to_string(1000 + i).substr(1);
        dir.write("campaign/data/encounters/all/campaign_all_" + number + ".txt",
                  "[config]\r\nname = t" + number + "\r\nguiname = T " + number +
                      "\r\nMapPosition.X = 0.5000\r\nMapPosition.Y = 0.5000\r\nEncounterID = 0"
                      "\r\nmapiconsize = 24.0000\r\nwormholes = \r\n[terrain]\r\nsun = 1\r\n");
    }
    dir.write("campaign/data/bitmaps/ui/nebula1.jpg", "");
    dir.write("campaign/data/bitmaps/ui/nebula2.jpg", "");
    dir.mkdir("campaign/data/maps");
    dir.write("stars.txt", "Vega\r\nDeneb\r\nAltair\r\n");
    dir.write("regions.txt", "Cygnus\r\nOrion\r\n");
    dir.write("types.txt", "Drift\r\nReach\r\n");
}

}  // namespace orvek::testing
