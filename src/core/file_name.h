// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The file name at the end of a path, whichever system wrote it: a campaign or a template list
// made on Windows may be read on Linux and the other way round, so every separator counts.

#include <string>
#include <string_view>

namespace orvek {

// The part of `path` after its last backslash, slash or colon (a drive letter's); all of it
// when it has none.
inline std::string file_name_of(std::string_view path)
{
    const std::size_t cut = path.find_last_of("\\:/");
    return std::string(cut == std::string_view::npos ? path : path.substr(cut + 1));
}

}  // namespace orvek
