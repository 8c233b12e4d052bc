// SPDX-License-Identifier: GPL-3.0-or-later
#include "gamedata/file_system.h"

#include "core/error.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <cerrno>

#ifndef _WIN32
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

}  // namespace
}  // namespace orvek
