// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Nebula pictures: JPEG decoding (by libjpeg) into plain RGB pixels, and encoding, for the demo
// game folder and the built-in picture. No GUI toolkit is involved.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace orvek {

struct RgbImage {
    int width = 0;
    int height = 0;
    std::vector<std::uint8_t> pixels;  // rows top to bottom, 3 bytes per pixel
};

// The most pixels a decoded picture may have (a 8192 x 8192 picture is within it).
inline constexpr long long kMaxDecodedPixels = 80'000'000;

// Decodes JPEG bytes. When `min_side` is above 0, the picture may be decoded at 1/2, 1/4 or 1/8
// of its size as long as both sides stay at least min_side (to keep huge pictures cheap).
// Throws Error "JPEG error #<code>" with libjpeg's message code when the data is not a JPEG
// picture libjpeg can decode, or when the decoded picture would have more than max_pixels
// pixels (the code of libjpeg's "image too big" message).
RgbImage decode_jpeg(std::string_view bytes, int min_side = 0,
                     long long max_pixels = kMaxDecodedPixels);

// Loads a picture file: its name must end in ".jpg" or ".jpeg" (else Error "Unknown picture file
// extension (.<ext>)"), it must be readable (else the open error) and decode as above.
RgbImage load_picture(const std::string& path, int min_side = 0);

// Encodes the pixels as a baseline JPEG of the given quality (1..100).
std::string encode_jpeg(const RgbImage& image, int quality);

}  // namespace orvek
