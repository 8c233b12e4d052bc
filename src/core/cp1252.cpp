// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/cp1252.h"

#include <cstdint>

namespace orvek {

namespace {

// Characters of the bytes 0x80..0x9F. The five bytes that Windows-1252 leaves unassigned map to
// the control characters of the same number, as Windows itself converts them.
constexpr char32_t kHigh[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};

char32_t char_of(unsigned char byte)
{
    return (byte >= 0x80 && byte < 0xA0) ? kHigh[byte - 0x80] : byte;
}

void append_utf8(std::string& out, char32_t c)
{
    if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += static_cast<char>(0xC0 | (c >> 6));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        out += static_cast<char>(0xE0 | (c >> 12));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (c >> 18));
        out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
}

// The Windows-1252 byte of c, or -1 when it has none.
int byte_or_none(char32_t c)
{
    if (c < 0x80 || (c >= 0xA0 && c <= 0xFF))
        return static_cast<int>(c);
    for (int i = 0; i < 32; ++i)
        if (kHigh[i] == c)
            return 0x80 + i;
    return -1;
}

char byte_of(char32_t c)
{
    const int byte = byte_or_none(c);
    return byte < 0 ? kReplacement : static_cast<char>(byte);
}

// Reads one UTF-8 character from the front of `text` into c. Returns its length in bytes, or 0
// for a malformed, cut-off or overlong sequence or an encoded surrogate.
std::size_t decode_utf8(std::string_view text, char32_t& c)
{
    const auto lead = static_cast<unsigned char>(text[0]);
    std::size_t extra;
    char32_t least;
    if (lead < 0x80) {
        c = lead;
        return 1;
    } else if (lead >= 0xC2 && lead < 0xE0) {
        extra = 1, least = 0x80, c = lead & 0x1F;
    } else if (lead >= 0xE0 && lead < 0xF0) {
        extra = 2, least = 0x800, c = lead & 0x0F;
    } else if (lead >= 0xF0 && lead < 0xF5) {
        extra = 3, least = 0x10000, c = lead & 0x07;
    } else {
        return 0;
    }
    if (text.size() <= extra)
        return 0;
    for (std::size_t k = 1; k <= extra; ++k) {
        const auto next = static_cast<unsigned char>(text[k]);
        if ((next & 0xC0) != 0x80)
            return 0;
        c = (c << 6) | (next & 0x3F);
    }
    // A UTF-16 surrogate has no character of its own: written back, it would make the text
    // that names the characters a name lacks invalid UTF-8.
    const bool surrogate = c >= 0xD800 && c <= 0xDFFF;
    return (c < least || c > 0x10FFFF || surrogate) ? 0 : extra + 1;
}

}  // namespace

std::string cp1252_to_utf8(std::string_view bytes)
{
    std::string out;
    out.reserve(bytes.size());
    for (char b : bytes)
        append_utf8(out, char_of(static_cast<unsigned char>(b)));
    return out;
}

std::string utf8_to_cp1252(std::string_view utf8)
{
    std::string out;
    out.reserve(utf8.size());
    for (std::size_t i = 0; i < utf8.size();) {
        char32_t c = 0;
        const std::size_t length = decode_utf8(utf8.substr(i), c);
        out += length == 0 ? kReplacement : byte_of(c);
        i += length == 0 ? 1 : length;
    }
    return out;
}

std::string unsupported_characters(std::string_view utf8)
{
    std::string out;
    for (std::size_t i = 0; i < utf8.size();) {
        char32_t c = 0xFFFD;
        const std::size_t length = decode_utf8(utf8.substr(i), c);
        if (length == 0)
            c = 0xFFFD;
        i += length == 0 ? 1 : length;
        if (byte_or_none(c) >= 0)
            continue;
        std::string character;
        append_utf8(character, c);
        if (out.find(character) == std::string::npos)
            out += character;
    }
    return out;
}

}  // namespace orvek
