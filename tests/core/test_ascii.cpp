// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/ascii.h"

#include <gtest/gtest.h>

#include <string>

namespace orvek {
namespace {

// Only the 26 ASCII letters change case, both ends included; the bytes beside them and the
// accented letters of Windows-1252 stay as they are.
TEST(Ascii, OnlyPlainLettersChangeCase)
{
    const std::string mixed = "@AZ[`az{\xC9\xE9";
    std::string lower, upper;
    for (const char c : mixed) {
        lower += ascii_lower(c);
        upper += ascii_upper(c);
    }
    EXPECT_EQ(lower, "@az[`az{\xC9\xE9");
    EXPECT_EQ(upper, "@AZ[`AZ{\xC9\xE9");
    const struct {
        const char *a, *b;
        bool same;
    } rows[] = {
        {"Zeta", "zETA", true}, {"Ab", "ab ", false}, {"\xC9t", "\xE9t", false}, {"[", "{", false}};
    for (const auto& r : rows)
        EXPECT_EQ(same_ignoring_case(r.a, r.b), r.same) << r.a << " / " << r.b;
}

}  // namespace
}  // namespace orvek
