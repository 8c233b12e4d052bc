// SPDX-License-Identifier: GPL-3.0-or-later
#include "gamedata/file_system.h"

#include "core/error.h"
#include "support/errors.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <cerrno>

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
// replaces an entry of its name, and one that cannot be written whole is not left behind.
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
#endif
}

}  // namespace
}  // namespace orvek
