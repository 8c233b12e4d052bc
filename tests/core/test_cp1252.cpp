// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/cp1252.h"

#include <gtest/gtest.h>

namespace orvek {
namespace {

TEST(Cp1252, ConvertsBothWays)
{
    struct Case {
        std::string bytes, utf8;
    } cases[] = {
        {"Vega", "Vega"},
        {"\xE9toile", "\xC3\xA9toile"},    // é
        {"\x80", "\xE2\x82\xAC"},          // €
        {"\x8A\x9F", "\xC5\xA0\xC5\xB8"},  // Š Ÿ
        {"\xFF", "\xC3\xBF"},
        {"\xA0\xA1", "\xC2\xA0\xC2\xA1"},  // the first of Latin-1: a no-break space, ¡
        {std::string("a\0b", 3), std::string("a\0b", 3)},
        // Every byte of 0x80..0x9F, as the code page's table has them (the five it leaves
        // unassigned as the controls of their number, as Windows converts them).
        {"\x80\x81\x82\x83\x84\x85\x86\x87\x88\x89\x8A\x8B\x8C\x8D\x8E\x8F"
         "\x90\x91\x92\x93\x94\x95\x96\x97\x98\x99\x9A\x9B\x9C\x9D\x9E\x9F",
         "\u20AC\u0081\u201A\u0192\u201E\u2026\u2020\u2021\u02C6\u2030\u0160\u2039"
         "\u0152\u008D\u017D\u008F\u0090\u2018\u2019\u201C\u201D\u2022\u2013\u2014"
         "\u02DC\u2122\u0161\u203A\u0153\u009D\u017E\u0178"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(cp1252_to_utf8(c.bytes), c.utf8);
        EXPECT_EQ(utf8_to_cp1252(c.utf8), c.bytes);
    }
}

TEST(Cp1252, MissingCharactersAndBrokenUtf8BecomeQuestionMarks)
{
    EXPECT_EQ(utf8_to_cp1252("\xE4\xB8\xAD"), "?");        // a CJK character
    EXPECT_EQ(utf8_to_cp1252("\xF0\x9F\x9A\x80x"), "?x");  // an emoji
    EXPECT_EQ(utf8_to_cp1252("\xC3"), "?");                // cut short
    EXPECT_EQ(utf8_to_cp1252("\xFFz"), "?z");
    EXPECT_EQ(utf8_to_cp1252("\xE0\x81\x81"), "???") << "an overlong A is no A";
    EXPECT_EQ(utf8_to_cp1252("\xE0\x83\xA9"), "???") << "nor a three-byte \u00E9";
    EXPECT_EQ(utf8_to_cp1252("\xF4\x90\x80\x80"), "????") << "past U+10FFFF";
    EXPECT_EQ(utf8_to_cp1252(std::string_view("caf\xC3\xA9", 4)), "caf?") << "cut by the view";
    EXPECT_EQ(utf8_to_cp1252("\xC3\xA9\xC3"), "\xE9?");
    EXPECT_EQ(utf8_to_cp1252("\xC2\x80\xC2\x85"), "??")
        << "the controls U+0080 and U+0085, whose bytes hold \u20AC and \u2026";
}

TEST(Cp1252, NamesTheCharactersItLacksOnceEach)
{
    struct Case {
        const char* name;
        std::string utf8, lacking;
    } cases[] = {
        {"all shown", "\xC3\xA9 \xC3\xB1 \xC3\xBC \xE2\x82\xAC ?", ""},
        {"Polish and CJK",
         "\xC5\x81\xC3\xB3"
         "d\xC5\xBA \xE6\x9D\xB1\xE4\xBA\xAC\xC5\x81",
         "\xC5\x81\xC5\xBA\xE6\x9D\xB1\xE4\xBA\xAC"},
        {"emoji", "a\xF0\x9F\x9A\x80", "\xF0\x9F\x9A\x80"},
        {"the last character of three bytes", "a\xEF\xBF\xBF", "\xEF\xBF\xBF"},
        {"broken", "\xFFz\xC3", "\xEF\xBF\xBD"},
        {"a sequence cut short by a plain character", "\xC3(", "\xEF\xBF\xBD"},
        {"a surrogate, which has no character", "\xED\xA0\x80", "\xEF\xBF\xBD"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(unsupported_characters(c.utf8), c.lacking) << c.name;
}

}  // namespace
}  // namespace orvek
