// SPDX-License-Identifier: GPL-3.0-or-later
// The campaign id of any name, typed (UTF-8) or read (8-bit): only a-z and 0-9, and the same id
// whether the name is taken as bytes or through the Windows-1252 conversions.

#include "core/cp1252.h"
#include "gamedata/names.h"

#include <cstdlib>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    const std::string id = orvek::campaign_id(bytes);
    for (char c : id)
        if (!((c >= 'a' && c <= 'z') || (c >= '0' && c <= '9')))
            std::abort();
    if (orvek::campaign_id(orvek::utf8_to_cp1252(orvek::cp1252_to_utf8(bytes))) != id)
        std::abort();
    orvek::campaign_id(orvek::utf8_to_cp1252(bytes));
    return 0;
}
