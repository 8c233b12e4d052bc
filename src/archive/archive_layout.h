// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Where a campaign archive keeps its files, and what writing and reading it share: the names of
// its entries, the kinds of entry a Unix archiver marks, and a zip handle that closes itself.

#include <zip.h>

#include <cctype>
#include <memory>
#include <string>

namespace orvek::archive_layout {

inline std::string map_entry(const std::string& id)
{
    return id + "/maps/" + id + ".txt";
}

inline std::string encounters_entry(const std::string& id)
{
    return id + "/encounters/" + id + "/";
}

inline std::string lower(std::string text)
{
    for (char& c : text)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

// A regular file and a folder as Unix systems mark them in an entry's attributes.
inline constexpr zip_uint32_t kTypeMask = 0170000, kRegular = 0100000, kFolder = 0040000;

struct ZipCloser {
    void operator()(zip_t* zip) const { zip_discard(zip); }
};
using Zip = std::unique_ptr<zip_t, ZipCloser>;

}  // namespace orvek::archive_layout
