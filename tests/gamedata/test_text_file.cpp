// SPDX-License-Identifier: GPL-3.0-or-later
#include "gamedata/file_system.h"
#include "gamedata/text_file.h"

#include "core/error.h"
#include "support/errors.h"
#include "support/game_copy.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <thread>

#ifndef _WIN32
#include <sys/stat.h>
#endif

namespace orvek {
namespace {

TEST(SplitLines, EveryKindOfLineBreak)
{
    using Lines = std::vector<std::string>;
    struct Case {
        std::string text;
        Lines lines;
    } cases[] = {
        {"", {}},
        {"a", {"a"}},
        {"a\r\n", {"a"}},
        {"a\r\nb", {"a", "b"}},
        {"a\rb\r", {"a", "b"}},
        {"a\nb\n", {"a", "b"}},
        {"a\n\nb", {"a", "", "b"}},
        {"\r\n", {""}},
        {"\r\n\r\n", {"", ""}},
        {"a\n\r\nb", {"a", "", "b"}},
        {"a\r\rb", {"a", "", "b"}},
        {"  x  \r\n", {"  x  "}},
        {std::string("a\0b\nc", 5), {std::string("a\0b", 3), "c"}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(split_lines(c.text), c.lines) << ::testing::PrintToString(c.text);
}

// The write leaves no staging file of its own, and removes those a killed run left in the folder
// (a process number that no process has), but not a running process's, nor a link (which leads
// into a victim folder that stays as it was), a pipe or a folder of such a name.
TEST(WriteFileAtomically, ReplacesAndLeavesNoStagingFile)
{
    namespace fs = std::filesystem;
    testing::TempDir dir;
    const std::string path = (dir.path() / "a.txt").string();
    dir.write("a.txt", "old");
    dir.write(".orvek-new-999999999-a.txt", "left by a kill");
    dir.write(".orvek-new-999999999-other.png", "left by a kill");
    dir.write(".orvek-new-999999999.txt", "no staging name: no dash after the number");
#ifdef _WIN32
    const std::string running = ".orvek-new-" + std::to_string(process_id()) + "-b.txt";
#else
    const std::string running = ".orvek-new-1-b.txt";  // the first process runs for ever
#endif
    dir.write(running, "being written by a running process");
#ifndef _WIN32
    testing::TempDir victim;
    victim.write("letter.txt", "dear");
    const auto victim_before = testing::snapshot(victim.path());
    fs::create_symlink(victim.path() / "letter.txt", dir.path() / ".orvek-new-999999998-c.txt");
    ASSERT_EQ(::mkfifo((dir.path() / ".orvek-new-999999997-d.txt").c_str(), 0666), 0);
    fs::create_directory(dir.path() / ".orvek-new-999999996-e");
#endif
    write_file_atomically(path, std::string("new\0bytes", 9));
    EXPECT_EQ(testing::read_bytes(path), std::string("new\0bytes", 9));
    EXPECT_FALSE(fs::exists(staging_path(path)));
    EXPECT_FALSE(fs::exists(dir.path() / ".orvek-new-999999999-a.txt"));
    EXPECT_FALSE(fs::exists(dir.path() / ".orvek-new-999999999-other.png"));
    EXPECT_TRUE(fs::exists(dir.path() / running));
    EXPECT_TRUE(fs::exists(dir.path() / ".orvek-new-999999999.txt"));
#ifndef _WIN32
    EXPECT_TRUE(fs::is_symlink(dir.path() / ".orvek-new-999999998-c.txt"));
    EXPECT_TRUE(fs::is_fifo(dir.path() / ".orvek-new-999999997-d.txt"));
    EXPECT_TRUE(fs::is_directory(dir.path() / ".orvek-new-999999996-e"));
    EXPECT_EQ(testing::snapshot(victim.path()), victim_before);
#endif
}

#ifndef _WIN32
// An output the user names may be a link, a device or a pipe: the link is followed and its
// target replaced (keeping its permissions), a device or pipe is written into, a folder refused.
TEST(WriteOutputFile, LinksDevicesPipesAndFolders)
{
    namespace fs = std::filesystem;
    testing::TempDir dir;
    const fs::path target = dir.write("target.json", "old");
    fs::permissions(target, fs::perms::owner_read | fs::perms::owner_write);
    fs::create_symlink("target.json", dir.path() / "link.json");
    write_output_file((dir.path() / "link.json").string(), "new");
    EXPECT_TRUE(fs::is_symlink(dir.path() / "link.json"));
    EXPECT_EQ(testing::read_bytes(target), "new");
    EXPECT_EQ(fs::status(target).permissions() & fs::perms::all,
              fs::perms::owner_read | fs::perms::owner_write);

    write_output_file("/dev/null", "into the device");
    EXPECT_TRUE(fs::is_character_file("/dev/null"));

    const fs::path pipe = dir.path() / "pipe";
    ASSERT_EQ(::mkfifo(pipe.c_str(), 0666), 0);
    std::string received;
    std::thread reader([&] { received = testing::read_bytes(pipe); });
    write_output_file(pipe.string(), "through the pipe");
    reader.join();
    EXPECT_EQ(received, "through the pipe");
    EXPECT_TRUE(fs::is_fifo(pipe));

    dir.mkdir("folder");
    const std::string refused =
        testing::error_of([&] { write_output_file((dir.path() / "folder").string(), "x"); });
    EXPECT_EQ(refused.rfind("Cannot create file", 0), 0u)
        << "refused before any staging: " << refused;
    EXPECT_TRUE(fs::is_directory(dir.path() / "folder"));
}
#endif

TEST(WriteFileAtomically, MissingFolderGivesTheCreateError)
{
    testing::TempDir dir;
    const std::string path = (dir.path() / "missing" / "a.txt").string();
    try {
        write_file_atomically(path, "x");
        FAIL();
    } catch (const Error& e) {
#ifdef _WIN32
        // Windows words it as a missing path, in its own language.
        EXPECT_EQ(std::string(e.what()).rfind("Cannot create file \"" + path + "\". ", 0), 0u);
#else
        EXPECT_EQ(std::string(e.what()),
                  "Cannot create file \"" + path + "\". " + system_reason(ENOENT));
#endif
    }
}

}  // namespace
}  // namespace orvek
