#include "gamedata/text_file.h"

#include "core/error.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

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

TEST(ReadFile, MissingFileGivesTheOpenErrorWithPathAndReason)
{
    testing::TempDir dir;
    const std::string path = (dir.path() / "nope.txt").string();
    try {
        read_file(path);
        FAIL();
    } catch (const Error& e) {
        EXPECT_EQ(std::string(e.what()),
                  "Cannot open file \"" + path + "\". " + system_reason(ENOENT));
    }
}

TEST(WriteFileAtomically, ReplacesAndLeavesNoStagingFile)
{
    testing::TempDir dir;
    const std::string path = (dir.path() / "a.txt").string();
    dir.write("a.txt", "old");
    write_file_atomically(path, std::string("new\0bytes", 9));
    EXPECT_EQ(testing::read_bytes(path), std::string("new\0bytes", 9));
    EXPECT_FALSE(std::filesystem::exists(staging_path(path)));
}

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
