// SPDX-License-Identifier: GPL-3.0-or-later
// Finding game folders: Steam's list of libraries read as the format allows and no further, and
// a fake home folder whose libraries hold games, decoys, links in loops and a hostile list.

#include "gamedata/game_finder.h"

#include "support/game_copy.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

#ifndef _WIN32
#include <sys/stat.h>
#endif

namespace orvek {
namespace {

using testing::TempDir;
namespace fs = std::filesystem;

TEST(GameFinder, ReadsTheLibraryListAsFarAsItIsTheFormat)
{
    // Blocks `levels` deep, closed, then one more library.
    const auto nested = [](int levels) {
        std::string vdf = "\"l\" { \"0\" { \"path\" \"/a\" } ";
        for (int i = 1; i < levels; ++i)
            vdf += "\"k\" { ";
        for (int i = 1; i < levels; ++i)
            vdf += "} ";
        return vdf + "\"1\" { \"path\" \"/b\" } }";
    };
    // The outer key and `n` libraries: n + 1 entries.
    const auto listing = [](int n) {
        std::string many = "\"libraryfolders\" {";
        for (int i = 0; i < n; ++i)
            many += "\"" + std::to_string(i) + "\" \"/l" + std::to_string(i) + "\" ";
        return many;
    };
    const struct {
        const char* name;
        std::string vdf;
        std::vector<std::string> paths;
    } rows[] = {
        {"today's format",
         "\"libraryfolders\"\n{\n\t\"0\"\n\t{\n\t\t\"path\"\t\t\"/home/a/.local/share/Steam\"\n"
         "\t\t\"apps\" { \"228980\" \"1\" }\n\t}\n\t\"1\" { \"path\" \"/mnt/Games\" \"label\" \"\" "
         "}\n}\n",
         {"/home/a/.local/share/Steam", "/mnt/Games"}},
        {"the older format",
         "\"LibraryFolders\" { \"TimeNextStatsReport\" \"1\" \"1\" "
         "\"D:\\\\Steam Library\" }",
         {"D:\\Steam Library"}},
        {"comments",
         "// Steam\n\"libraryfolders\" { // list\n \"0\" { \"path\" \"/x\" } }",
         {"/x"}},
        {"a path key deeper down", "\"l\" { \"0\" { \"apps\" { \"path\" \"/no\" } } }", {}},
        {"junk", "\x7F\x45LF\x02\x01", {}},
        {"empty", "", {}},
        {"an unclosed string after a path",
         "\"l\" { \"0\" { \"path\" \"/a\" } \"1\" { \"path\" \"/b",
         {"/a"}},
        {"eight blocks deep", nested(8), {"/a", "/b"}},
        {"nine blocks deep", nested(9), {"/a"}},
    };
    for (const auto& row : rows)
        EXPECT_EQ(parse_library_folders(row.vdf), row.paths) << row.name;
    std::string stopped;
    EXPECT_EQ(parse_library_folders(listing(9'999), &stopped).size(), 9'999u);
    EXPECT_EQ(stopped, "") << "10,000 entries are read";
    EXPECT_EQ(parse_library_folders(listing(10'000), &stopped).size(), 9'999u) << "not 10,001";
    EXPECT_NE(stopped.find("more than 10000 entries"), std::string::npos) << "and say so";
}

// A game folder: "Orvek.exe" in the given letter case and the templates folder; without the
// templates, a decoy.
void make_game(const fs::path& folder, const char* executable, bool templates = true)
{
    fs::create_directories(folder);
    std::ofstream(folder / executable) << "";
    if (templates)
        fs::create_directories(folder / "campaign/data/encounters/all");
}

TEST(GameFinder, FindsExactlyTheGameFoldersOfTheSteamLibraries)
{
    TempDir home, elsewhere, victim;
    const fs::path steam = home.path() / ".local/share/Steam";
    const fs::path library = elsewhere.path() / "SteamLibrary";
    make_game(steam / "steamapps/common/Tessarine", "Orvek.exe");
    make_game(steam / "steamapps/common/Decoy", "Orvek.exe", false);
    make_game(library / "steamapps/common/TESSARINE", "orvek.exe");
    // Found in the order of their names, whatever order the folder lists them in.
    for (const char* more : {"Mid", "Zeta", "Alpha"})
        make_game(library / "steamapps/common" / more, "Orvek.exe");
    // Steam writes a Windows path's backslashes doubled, as the format escapes them.
    const auto quoted = [](const fs::path& path) {
        std::string text;
        for (const char c : path.string())
            text += c == '\\' ? std::string("\\\\") : std::string(1, c);
        return "\"" + text + "\"";
    };
    // A shared list may name anything: the victim folder (whose steamapps/common holds a decoy
    // and a link back to the victim), a path climbing out with "..", the file system's root.
    victim.write("letter.txt", "dear");
    make_game(victim.path() / "steamapps/common/Decoy", "Orvek.exe", false);
#ifndef _WIN32
    fs::create_directory_symlink(victim.path(), victim.path() / "steamapps/common/back");
#endif
    home.write(".local/share/Steam/steamapps/libraryfolders.vdf",
               "\"libraryfolders\" { \"0\" { \"path\" " + quoted(steam) + " } \"1\" { \"path\" " +
                   quoted(library) + " } \"2\" { \"path\" " + quoted(library) +
                   " } \"3\" { \"path\" " + quoted(victim.path()) +
                   " } \"4\" { \"path\" \"../../..\" } \"5\" { \"path\" \"/\" } }");
    // A library listed twice whose steamapps/common is a file is one note, not two; a library
    // of 10,001 folders is looked at as far as its first 10,000, and a note says so (not under
    // Wine, where looking at 10,000 folders takes more than a minute).
    elsewhere.write("FileLibrary/steamapps/common", "");
    fs::create_directories(elsewhere.path() / "Crowded/steamapps/common");
#ifndef _WIN32
    for (int i = 0; i <= 10'000; ++i)
        fs::create_directory(elsewhere.path() / "Crowded/steamapps/common" /
                             std::to_string(100'000 + i));
    // The 10,000th by name is looked at, the 10,001st not.
    make_game(elsewhere.path() / "Crowded/steamapps/common/109999", "Orvek.exe");
    make_game(elsewhere.path() / "Crowded/steamapps/common/110000", "Orvek.exe");
#endif
    home.write(".steam/more/steamapps/libraryfolders.vdf",
               "\"libraryfolders\" { \"0\" { \"path\" " + quoted(elsewhere.path() / "FileLibrary") +
                   " } \"1\" { \"path\" " + quoted(elsewhere.path() / "FileLibrary") +
                   " } \"2\" { \"path\" " + quoted(elsewhere.path() / "Crowded") + " } }");
    home.write("working/Orvek.exe", "");
    home.mkdir("working/campaign/data/encounters/all");
    const auto victim_before = testing::snapshot(victim.path());
#ifndef _WIN32
    // ~/.steam/steam is a link to the same Steam folder; a link in a library leads back into
    // it, another to itself; the Flatpak Steam's list is a pipe that nobody writes.
    fs::create_directories(home.path() / ".steam");
    fs::create_directory_symlink(steam, home.path() / ".steam/steam");
    fs::create_directory_symlink(steam / "steamapps", steam / "steamapps/common/loop");
    fs::create_symlink(library / "steamapps/common/self", library / "steamapps/common/self");
    fs::create_directories(home.path() / ".var/app/com.valvesoftware.Steam/.local/share/Steam/"
                                         "steamapps");
    ASSERT_EQ(::mkfifo((home.path() / ".var/app/com.valvesoftware.Steam/.local/share/Steam/"
                                      "steamapps/libraryfolders.vdf")
                           .c_str(),
                       0644),
              0);
#endif
    // One more Steam folder, whose list of 100 MB (sparse) is read as far as its first 1 MiB,
    // which names one more library; a note says where the search stopped.
    const fs::path big = elsewhere.path() / "BigSteam/steamapps/libraryfolders.vdf";
    fs::create_directories(big.parent_path());
    make_game(elsewhere.path() / "BigLibrary/steamapps/common/Orvek", "Orvek.exe");
    std::ofstream(big) << "\"libraryfolders\" { \"0\" { \"path\" " +
                              quoted(elsewhere.path() / "BigLibrary") + " } ";
    fs::resize_file(big, 100u << 20);
#ifdef _WIN32
    std::vector<std::string> steams = {steam.string()};  // the registry's is tested under Wine
#else
    std::vector<std::string> steams = steam_folders(home.str());
    ASSERT_EQ(steams.size(), 3u) << "~/.steam/steam, ~/.local/share/Steam and the Flatpak one";
#endif
    steams.push_back((elsewhere.path() / "BigSteam").string());
    steams.push_back((home.path() / ".steam/more").string());
    // The working folder first, then a remembered one that a library holds too: each once.
    const std::string working = (home.path() / "working").string(),
                      remembered = (steam / "steamapps/common/Tessarine").string();
    std::vector<std::string> notes;
    const std::vector<std::string> found =
        find_game_folders({working, remembered}, steams, &notes);
    std::vector<std::string> expected = {
        working,
        remembered,
        (library / "steamapps" / "common" / "Alpha").string(),
        (library / "steamapps" / "common" / "Mid").string(),
        (library / "steamapps" / "common" / "TESSARINE").string(),
        (library / "steamapps" / "common" / "Zeta").string(),
        (elsewhere.path() / "BigLibrary" / "steamapps" / "common" / "Orvek").string()};
#ifdef _WIN32
    EXPECT_EQ(found, expected);
    ASSERT_EQ(notes.size(), 2u) << ::testing::PrintToString(notes);
#else
    expected.push_back((elsewhere.path() / "Crowded" / "steamapps" / "common" / "109999").string());
    EXPECT_EQ(found, expected);
    ASSERT_EQ(notes.size(), 3u) << ::testing::PrintToString(notes);
    EXPECT_NE(notes[2].find("holds 10001 games: only the first 10000 by name were looked at"),
              std::string::npos)
        << notes[2];
#endif
    EXPECT_NE(notes[0].find("holds more than 1048576 bytes: only its first 1048576 were read"),
              std::string::npos)
        << notes[0];
    EXPECT_NE(notes[1].find("FileLibrary"), std::string::npos) << notes[1];
    EXPECT_EQ(testing::snapshot(victim.path()), victim_before) << "the search only reads";
}

TEST(GameFinder, SaysWhatAFolderLacks)
{
    TempDir dir;
    make_game(dir.path() / "game", "Orvek.exe");
    make_game(dir.path() / "no-templates", "Orvek.exe", false);
    dir.mkdir("empty");
    dir.write("file", "");
    const struct {
        const char* name;
        std::string lack;
    } rows[] = {
        {"game", ""},
        {"no-templates", "it holds no folder campaign/data/encounters/all, where the game keeps "
                         "its campaign templates"},
        {"empty", "it holds no \"Orvek.exe\""},
        {"file", "it is no folder"},
    };
    for (const auto& row : rows) {
        const std::string path = (dir.path() / row.name).string();
        EXPECT_EQ(game_folder_lack(path), row.lack) << row.name;
        EXPECT_EQ(is_game_folder(path), row.lack.empty()) << row.name;
    }
}

}  // namespace
}  // namespace orvek
