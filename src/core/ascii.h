#pragma once
// Letter case of plain ASCII letters only: file names and campaign ids are 8-bit text in which
// every other byte (accented letters of Windows-1252 included) keeps its case.

namespace orvek {

constexpr char ascii_upper(char c)
{
    return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
}

constexpr char ascii_lower(char c)
{
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

}  // namespace orvek
