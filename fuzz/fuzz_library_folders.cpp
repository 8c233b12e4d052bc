// SPDX-License-Identifier: GPL-3.0-or-later
// Any bytes as Steam's libraryfolders.vdf: reading it never crashes or hangs, and gives no more
// libraries, nor bytes of them, than the text and the bound of entries allow.

#include "gamedata/game_finder.h"

#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    std::string stopped;
    const std::vector<std::string> paths = orvek::parse_library_folders(text, &stopped);
    std::size_t bytes = 0;
    for (const std::string& path : paths)
        bytes += path.size();
    // Each path is a quoted string of the text, and the entries are bounded at 10,000.
    if (bytes > size || paths.size() > 10'000)
        std::abort();
    return 0;
}
