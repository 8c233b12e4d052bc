// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Names and campaign texts are 8-bit Windows-1252 bytes from end to end; these conversions are
// for showing them (UTF-8 in the window and in JSON) and for reading what a user typed.

#include <string>
#include <string_view>

namespace orvek {

// Every byte becomes its character; never fails.
std::string cp1252_to_utf8(std::string_view bytes);

// What stands for a character that Windows-1252 lacks.
inline constexpr char kReplacement = '?';

// Every character becomes its Windows-1252 byte; a character that Windows-1252 lacks, or a
// malformed UTF-8 sequence, becomes kReplacement.
std::string utf8_to_cp1252(std::string_view utf8);

// The characters of `utf8` that Windows-1252 lacks, each once, in the order they first appear,
// as UTF-8 (a malformed sequence counts as U+FFFD). Empty when the game can show the whole text.
std::string unsupported_characters(std::string_view utf8);

}  // namespace orvek
