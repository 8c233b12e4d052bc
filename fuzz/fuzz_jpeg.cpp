// SPDX-License-Identifier: GPL-3.0-or-later
// The JPEG loader on arbitrary bytes: a picture or the JPEG error, nothing else.

#include "core/error.h"
#include "image/jpeg.h"

#include <cstdlib>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    try {
        // Keep each run small: the loader's own limit is far larger than a fuzzer can afford.
        orvek::RgbImage image = orvek::decode_jpeg(
            std::string_view(reinterpret_cast<const char*>(data), size), 750, 4'000'000);
        if (image.pixels.size() != static_cast<std::size_t>(image.width) * image.height * 3)
            std::abort();
    } catch (const orvek::Error& e) {
        if (std::string_view(e.what()).rfind("JPEG error #", 0) != 0)
            std::abort();
    }
    return 0;
}
