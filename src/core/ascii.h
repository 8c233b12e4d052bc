// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Letter case of plain ASCII letters only: file names and campaign ids are 8-bit text in which
// every other byte (accented letters of Windows-1252 included) keeps its case.

#include <algorithm>
#include <string_view>

namespace orvek {

constexpr char ascii_upper(char c)
{
    return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
}

constexpr char ascii_lower(char c)
{
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

// Whether two names are the same but for the letter case of ASCII letters.
constexpr bool same_ignoring_case(std::string_view a, std::string_view b)
{
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return ascii_lower(x) == ascii_lower(y);
           });
}

}  // namespace orvek
