// SPDX-License-Identifier: GPL-3.0-or-later
#include "template_variants.h"

#include <algorithm>
#include <cstdio>
#include <functional>
#include <iterator>

namespace orvek::demo {

namespace {

using Lines = std::vector<std::string>;

Lines split(const std::string& text)
{
    Lines lines;
    std::size_t start = 0;
    for (std::size_t end; (end = text.find("\r\n", start)) != std::string::npos; start = end + 2)
        lines.push_back(text.substr(start, end - start));
    return lines;
}

std::string join(const Lines& lines, const std::string& end)
{
    std::string text;
    for (const std::string& line : lines)
        text += line + end;
    return text;
}

// The index of the first line that begins with `start`, or the end.
std::size_t find_line(const Lines& lines, const std::string& start)
{
    const auto at = std::find_if(lines.begin(), lines.end(),
                                 [&](const std::string& l) { return l.rfind(start, 0) == 0; });
    return static_cast<std::size_t>(at - lines.begin());
}

void insert_after(Lines& lines, const std::string& start, const Lines& added)
{
    const std::size_t at = std::min(find_line(lines, start) + 1, lines.size());
    lines.insert(lines.begin() + static_cast<std::ptrdiff_t>(at), added.begin(), added.end());
}

void erase_lines(Lines& lines, const std::string& start)
{
    std::erase_if(lines, [&](const std::string& l) { return l.rfind(start, 0) == 0; });
}

// Drops a section: its header and every line up to the next header.
void erase_section(Lines& lines, const std::string& header)
{
    const std::size_t from = find_line(lines, header);
    std::size_t to = from + (from < lines.size());
    while (to < lines.size() && lines[to].rfind('[', 0) != 0)
        ++to;
    lines.erase(lines.begin() + static_cast<std::ptrdiff_t>(from),
                lines.begin() + static_cast<std::ptrdiff_t>(to));
}

// Keys that hold other keys, in [config] and elsewhere; one shape for each template, by number.
Lines substrings(Lines lines, int number)
{
    switch (number % 6) {
    case 0: insert_after(lines, "wormholes", {"wormholes_allowed = 1"}); break;
    case 1: insert_after(lines, "guiname", {"guiname_short = Short", "old_EncounterID = 7"}); break;
    case 2: insert_after(lines, "MapPosition.X", {"MapPosition.X.offset = 3"}); break;
    case 3: insert_after(lines, "owner", {"guiname_wormholes = 1", "mapiconsize_max = 30"}); break;
    case 4: insert_after(lines, "MapPosition.Y", {"MapPosition.X / MapPosition.Y = 0.5"}); break;
    default: break;
    }
    // Outside [config] such keys are copied as they are.
    insert_after(lines, "[terrain]", {"wormholes_visible = 1", "guiname_font = serif"});
    if (number % 4 == 1)
        insert_after(lines, "[variables]", {"wormholes_allowed = 0"});
    return lines;
}

// Sections and keys that repeat, sections that are missing, text before the first section,
// comments and blank lines, a header with a remark after it.
Lines repeats(Lines lines, int number)
{
    switch (number % 7) {
    case 0: lines.insert(lines.end(), {"[config]", "EncounterID = 3", "wormholes = 1,"}); break;
    case 1: lines.insert(lines.end(), {"[terrain]", "moons = 2", "[hopcounts]", "4 = 1,1"}); break;
    case 2: erase_section(lines, "[variables]"), erase_section(lines, "[facilities]"); break;
    case 3: erase_section(lines, "[terrain]"); break;
    case 4: lines.insert(lines.begin(), {"; made by hand", "version = 3", ""}); break;
    case 5: insert_after(lines, "wormholes", {"// the links", "", "MapPosition.X = 0.1"}); break;
    default:
        for (std::string& line : lines)
            if (line == "[terrain]")
                line = "  [terrain] ; the ground";
        break;
    }
    lines.insert(lines.end(), {"[variables]", "// inherited", "; from the base game", ""});
    return lines;
}

// Windows-1252 bytes and keys in other letter case, which the writer copies as they are.
Lines encodings(Lines lines, int number)
{
    insert_after(lines, "[terrain]",
                 {"remark = Caf\xE9 \xB1"
                  "5 \x80 au large"});
    if (number % 3 == 0)
        insert_after(lines, "owner",
                     {"Wormholes = 1", "GUIName = Other", "mapIconSize = 3", "encounterid = 9",
                      "mapposition.x = 0.1000"});
    return lines;
}

// Templates that lack a line the game needs, one kind for each template, by number; most lack
// nothing, so that a galaxy holds planets of both kinds.
Lines missing(Lines lines, int number)
{
    switch (number % 10) {
    case 0: erase_lines(lines, "wormholes"); break;
    case 1: erase_lines(lines, "MapPosition."); break;
    case 2: erase_lines(lines, "EncounterID"); break;
    case 3: erase_lines(lines, "guiname"); break;
    default: break;
    }
    return lines;
}

struct Variant {
    TemplateVariant about;
    std::function<Lines(Lines, int)> vary;
};

const std::vector<Variant>& variants()
{
    static const std::vector<Variant> all = {
        {{"substrings",
          "[config] keys that hold other keys (wormholes_allowed, guiname_short, "
          "old_EncounterID, MapPosition.X.offset, mapiconsize_max), a line with both guiname and "
          "wormholes, one with both position keys, and such keys in other sections"},
         substrings},
        {{"repeats",
          "repeated [config], [terrain] and [hopcounts] sections and repeated keys, missing "
          "[variables], [facilities] or [terrain], text before the first section, comments and "
          "blank lines, a header with a remark after it"},
         repeats},
        {{"encodings",
          "line ends CR LF, LF alone, CR alone and mixed, a last line without a break, "
          "Windows-1252 bytes, keys in other letter case, template file names in capitals"},
         encodings},
        {{"missing",
          "templates without a wormholes line, without position lines, without EncounterID or "
          "without guiname (one in ten each)"},
         missing},
    };
    return all;
}

}  // namespace

const std::vector<TemplateVariant>& template_variants()
{
    static const std::vector<TemplateVariant> about = [] {
        std::vector<TemplateVariant> list;
        for (const Variant& v : variants())
            list.push_back(v.about);
        return list;
    }();
    return about;
}

bool is_template_variant(const std::string& name)
{
    const auto& all = variants();
    return std::any_of(all.begin(), all.end(),
                       [&](const Variant& v) { return name == v.about.name; });
}

std::string vary_template(const std::string& variant, int number, const std::string& demo)
{
    for (const Variant& v : variants())
        if (variant == v.about.name) {
            const Lines lines = v.vary(split(demo), number);
            if (variant != "encodings")
                return join(lines, "\r\n");
            // Every line end the game's files may have, and a last line without one.
            const char* ends[] = {"\r\n", "\n", "\r"};
            if (number % 4 < 3)
                return join(lines, ends[number % 4]);
            std::string text;
            for (std::size_t i = 0; i < lines.size(); ++i)
                text += lines[i] + (i + 1 == lines.size() ? "" : ends[i % 3]);
            return text;
        }
    return demo;
}

std::string variant_template_name(const std::string& variant, int number)
{
    char name[32];
    const bool capitals = variant == "encodings" && number % 5 == 2;
    std::snprintf(name, sizeof name, capitals ? "CAMPAIGN_ALL_%03d.TXT" : "campaign_all_%03d.txt",
                  number);
    return name;
}

}  // namespace orvek::demo
