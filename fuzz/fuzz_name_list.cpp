// SPDX-License-Identifier: GPL-3.0-or-later
// Name-list reading on arbitrary bytes: entries hold no line breaks and no NUL, and joining them
// with CR LF gives back the text up to its first NUL (up to the kind of each break).

#include "gamedata/names.h"

#include <cstdlib>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const auto entries = orvek::parse_name_list(text);
    std::size_t bytes = 0;
    for (const std::string& entry : entries) {
        if (entry.find_first_of(std::string_view("\r\n\0", 3)) != std::string::npos)
            std::abort();
        bytes += entry.size();
    }
    const std::string_view before_nul = text.substr(0, text.find('\0'));
    std::size_t content = 0;
    for (char c : before_nul)
        content += c != '\r' && c != '\n';
    if (bytes != content)
        std::abort();
    return 0;
}
