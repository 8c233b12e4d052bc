// SPDX-License-Identifier: GPL-3.0-or-later
#include "gamedata/file_system.h"

#include "core/error.h"
#include "support/errors.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <filesystem>

#ifndef _WIN32
#include <csignal>
#include <sys/resource.h>
#include <sys/stat.h>
#endif

namespace orvek {
namespace {

// What read_file refuses, each with the file's path and the reason: nothing it cannot read
// whole and at once, so that a pipe or a device in the game folder never blocks a command.
TEST(ReadFile, RefusesWhatItCannotReadWhole)
{
    testing::TempDir dir;
    const std::string missing = (dir.path() / "nope.txt").string();
    const std::string big = dir.write("big.txt", std::string(100, 'x')).string();
    struct Row {
        const char* what;
        std::string path;
        std::size_t limit;
        std::string reason;
    } rows[] = {
        {"missing", missing, kReadLimit, system_reason(ENOENT)},
        {"a folder", dir.str(), kReadLimit, system_reason(EISDIR)},
        {"over its limit", big, 99, "It holds more than 99 bytes"},
#ifndef _WIN32
        {"a pipe", (dir.path() / "pipe").string(), kReadLimit, "It is not a regular file"},
        {"a device", "/dev/zero", kReadLimit, "It is not a regular file"},
#endif
    };
#ifndef _WIN32
    ASSERT_EQ(::mkfifo((dir.path() / "pipe").c_str(), 0666), 0);
#endif
    for (const Row& row : rows) {
        try {
            read_file(row.path, row.limit);
            ADD_FAILURE() << row.what << " was read";
        } catch (const Error& e) {
            EXPECT_EQ(std::string(e.what()), "Cannot open file \"" + row.path + "\". " + row.reason)
                << row.what;
        }
    }
    EXPECT_EQ(read_file(big, 100), std::string(100, 'x'));
}

// A folder's files are read whole up to their limit and not a byte over; a new file never
// replaces an entry of its name, one that cannot be written whole is not left behind, and a move
// that fails says so.
TEST(Folder, WritesNewFilesWholeAndReadsUpToTheLimit)
{
    using testing::error_of;
    testing::TempDir dir;
    const Folder folder = Folder::open(dir.str());
    const std::string old(100, 'x');
    folder.write_file("a.txt", old);
    EXPECT_EQ(folder.read_file("a.txt", 100), old);
    EXPECT_EQ(error_of([&] { folder.read_file("a.txt", 99); }),
              "Cannot open file \"" + folder.path_of("a.txt") + "\". It holds more than 99 bytes");
    EXPECT_EQ(error_of([&] { folder.write_file("a.txt", "new"); }).rfind("Cannot create file", 0),
              0u);
    EXPECT_EQ(folder.read_file("a.txt", 100), old) << "the old file is kept";
#ifndef _WIN32
    // The system lets no file of this process grow past 10 bytes while it writes.
    rlimit before{};
    ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &before), 0);
    rlimit small = before;
    small.rlim_cur = 10;
    const auto ignored = std::signal(SIGXFSZ, SIG_IGN);
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
    const std::string error = error_of([&] { folder.write_file("b.txt", old); });
    ::setrlimit(RLIMIT_FSIZE, &before);
    std::signal(SIGXFSZ, ignored);
    EXPECT_EQ(error,
              "Cannot create file \"" + folder.path_of("b.txt") + "\". " + system_reason(EFBIG));
    EXPECT_EQ(folder.kind("b.txt"), EntryKind::Missing);
    // A move that fails names both its ends.
    EXPECT_EQ(error_of([&] { folder.move("none.txt", folder, "c.txt"); }),
              "Cannot rename file \"" + folder.path_of("none.txt") + "\" to \"" +
                  folder.path_of("c.txt") + "\". " + system_reason(ENOENT));
#endif
}

// The save lock: while another holds it, try_acquire gives nothing at once and a wait lasts its
// patience, tells `waiting` once and gives up with the busy message; a cancel ends it at once.
TEST(FileLock, WaitsItsPatienceThenGivesUp)
{
    using namespace std::chrono_literals;
    testing::TempDir dir;
    const std::string path = dir.write("Orvek.exe", "").string();
    {
        const FileLock held(path, 0ms, "busy");
        EXPECT_EQ(FileLock::try_acquire(path), nullptr);
        int told = 0;
        const auto start = std::chrono::steady_clock::now();
        EXPECT_EQ(
            testing::error_of([&] { FileLock(path, 100ms, "busy", nullptr, [&] { ++told; }); }),
            "busy");
        EXPECT_GE(std::chrono::steady_clock::now() - start, 100ms);
        EXPECT_EQ(told, 1);
        const std::atomic<bool> cancel{true};
        EXPECT_THROW(FileLock(path, 1h, "busy", &cancel), LockWaitCancelled);
    }
    EXPECT_NE(FileLock::try_acquire(path), nullptr) << "free once its holder is gone";
    EXPECT_TRUE(process_running(process_id()));
    EXPECT_FALSE(process_running(0));
}

#ifndef _WIN32
// What each call makes of links, pipes and hidden entries: a listing says what a link leads to,
// a held folder that it is a link; the calls that open, read or write an entry refuse a link or
// a pipe with the sentence that says why, and nothing is written through one.
TEST(Folder, TellsAndRefusesLinksAndPipes)
{
    namespace fs = std::filesystem;
    using testing::error_of;
    testing::TempDir dir;
    dir.write("file.txt", "x");
    dir.write(".hidden", "x");
    dir.mkdir("real");
    fs::create_symlink(dir.path() / "file.txt", dir.path() / "to-file");
    fs::create_directory_symlink(dir.path() / "real", dir.path() / "to-folder");
    fs::create_symlink(dir.path() / "nowhere", dir.path() / "dangling");
    ASSERT_EQ(::mkfifo((dir.path() / "pipe").c_str(), 0666), 0);
    const Folder folder = Folder::open(dir.str() + "/");
    const std::vector<FolderEntry> listed = list_folder_entries(dir.str()), held = folder.entries();
    const auto entry = [](const std::vector<FolderEntry>& entries, const char* name) {
        const auto found = std::find_if(entries.begin(), entries.end(),
                                        [&](const FolderEntry& e) { return e.name == name; });
        return found == entries.end() ? FolderEntry{"(none)", EntryKind::Missing} : *found;
    };
    const struct Row {
        const char* name;
        EntryKind listed, held;
        bool hidden;
    } rows[] = {
        {"file.txt", EntryKind::File, EntryKind::File, false},
        {".hidden", EntryKind::File, EntryKind::File, true},
        {"real", EntryKind::Folder, EntryKind::Folder, false},
        {"to-file", EntryKind::File, EntryKind::Link, false},
        {"to-folder", EntryKind::Folder, EntryKind::Link, false},
        {"dangling", EntryKind::Missing, EntryKind::Link, false},
        {"pipe", EntryKind::Special, EntryKind::Special, false},
    };
    for (const Row& row : rows) {
        EXPECT_EQ(entry(listed, row.name).name, row.name);
        EXPECT_EQ(entry(listed, row.name).kind, row.listed) << row.name;
        EXPECT_EQ(entry(listed, row.name).hidden, row.hidden) << row.name;
        EXPECT_EQ(entry(held, row.name).kind, row.held) << row.name;
    }
    const std::string link = folder.path_of("to-folder");
    EXPECT_EQ(link, dir.str() + "/to-folder") << "one separator between the folder and the name";
    EXPECT_EQ(error_of([&] { folder.sub("to-folder"); }),
              "\"" + link +
                  "\" is a link, not a folder; files are never written, moved or deleted through "
                  "links");
    EXPECT_EQ(error_of([&] { folder.read_file("pipe", 100); }),
              "\"" + folder.path_of("pipe") + "\" is a pipe or a device, not a file");
    EXPECT_EQ(error_of([&] { write_durable_file(folder.path_of("to-file"), "y"); }),
              refusal(folder.path_of("to-file"), EntryKind::Link, EntryKind::File));
    EXPECT_EQ(testing::read_bytes(dir.path() / "file.txt"), "x");
    // A file's permissions come from a file only.
    fs::permissions(dir.path() / "real", fs::perms::owner_all);
    copy_permissions((dir.path() / "real").string(), (dir.path() / "file.txt").string());
    EXPECT_EQ(fs::status(dir.path() / "file.txt").permissions() & fs::perms::all,
              fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read |
                  fs::perms::others_read);
    // Links are followed 40 deep, each relative to its own folder, and no deeper.
    dir.mkdir("chain");
    for (int i = 1; i <= 41; ++i)
        fs::create_symlink(i == 1 ? "../file.txt" : "link" + std::to_string(i - 1),
                           dir.path() / "chain" / ("link" + std::to_string(i)));
    const std::string chain = dir.str() + "/chain/";
    EXPECT_EQ(link_target(chain + "link40"), chain + "../file.txt");
    EXPECT_EQ(error_of([&] { link_target(chain + "link41"); }),
              "Cannot open file \"" + chain + "link41\". " + system_reason(ELOOP));
    // A folder that is not there cannot be opened; an empty one is deleted as a folder.
    EXPECT_EQ(error_of([&] { Folder::open(dir.str() + "/missing"); }),
              "Cannot open folder \"" + dir.str() + "/missing\". " + system_reason(ENOENT));
    folder.create_folder("empty");
    folder.delete_folder("empty");
    EXPECT_FALSE(fs::exists(dir.path() / "empty"));
    // A real path resolves links and dots; one that leads nowhere comes back as it was given.
    EXPECT_EQ(real_path(dir.str() + "/to-folder/../real"),
              fs::canonical(dir.path() / "real").string());
    EXPECT_EQ(real_path(dir.str() + "/dangling"), dir.str() + "/dangling");
}
#endif

}  // namespace
}  // namespace orvek
