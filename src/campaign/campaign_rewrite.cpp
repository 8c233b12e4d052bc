// SPDX-License-Identifier: GPL-3.0-or-later
#include "campaign/campaign_rewrite.h"

#include "campaign/map_file.h"
#include "gamedata/game_folder.h"

#include <algorithm>
#include <array>
#include <optional>
#include <utility>

namespace orvek {

namespace {

bool is_blank(std::string_view line)
{
    return line.find_first_not_of(" \t") == std::string_view::npos;
}

// The lines joined as the file was: CR LF unless it used LF alone, and a break after the last
// line only when the file had one.
std::string join_like(const std::string& original, const std::vector<std::string>& lines)
{
    const bool lf_only =
        original.find("\r\n") == std::string::npos && original.find('\n') != std::string::npos;
    const std::string end = lf_only ? "\n" : "\r\n";
    const bool last_break = original.empty() || original.back() == '\n' || original.back() == '\r';
    std::string text;
    for (std::size_t i = 0; i < lines.size(); ++i)
        text += lines[i] + (i + 1 < lines.size() || last_break ? end : "");
    return text;
}

bool same_links(const Planet& a, const Planet& b)
{
    return a.links == b.links;
}

// Which config rules now write something else than the file holds.
std::array<bool, 8> changed_rules(const Planet& was, int index, const Planet& now)
{
    std::array<bool, 8> changed{};
    changed[static_cast<std::size_t>(ConfigRule::PositionX)] = was.x != now.x;
    changed[static_cast<std::size_t>(ConfigRule::PositionY)] = was.y != now.y;
    changed[static_cast<std::size_t>(ConfigRule::EncounterId)] = index != now.source;
    changed[static_cast<std::size_t>(ConfigRule::Name)] = was.system_name != now.system_name;
    changed[static_cast<std::size_t>(ConfigRule::GuiName)] = was.system_name != now.system_name;
    changed[static_cast<std::size_t>(ConfigRule::Wormholes)] = !same_links(was, now);
    return changed;
}

using Sections = std::array<std::optional<std::vector<std::string>>, 5>;

// The file's lines with each section of `sections` written anew where the file has it, and
// each changed config line (as `changed` says) written as the planet now is; the sections the
// file lacked go at its end.
std::vector<std::string> rewritten_lines(const LoadedPlanet& file, Sections& sections,
                                         const std::array<bool, 8>& changed, int index,
                                         const Planet& planet)
{
    std::vector<std::string> out;
    int section = kFirstWrittenSection;
    for (const std::string& line : file.lines) {
        if (const int opened = encounter_section(line); opened >= 0) {
            section = opened;
            auto& fresh = sections[static_cast<std::size_t>(section)];
            if (fresh) {
                if (!fresh->empty())
                    out.insert(out.end(), fresh->begin(), fresh->end()), fresh->clear();
                continue;
            }
            // A config header that holds a key is that key's line: the key rewriting below has it.
            if (section != kConfig || config_rule(line) == ConfigRule::None) {
                out.push_back(line);
                continue;
            }
        }
        // A section written anew keeps the blank lines that followed its old entries.
        if (section >= 0 && sections[static_cast<std::size_t>(section)] && !is_blank(line))
            continue;
        const ConfigRule rule = section == kConfig ? config_rule(line) : ConfigRule::None;
        out.push_back(changed[static_cast<std::size_t>(rule)] ? config_line(rule, index, planet)
                                                              : line);
    }
    // A section the file lacked goes at its end.
    for (auto& fresh : sections)
        if (fresh && !fresh->empty()) {
            out.insert(out.end(), fresh->begin(), fresh->end());
            out.emplace_back();
        }
    return out;
}

}  // namespace

std::string rewrite_encounter(const LoadedPlanet& file, const Planet& as_read, int index,
                              const Planet& planet, const EncounterOptions& options)
{
    const std::array<bool, 8> changed = changed_rules(as_read, index, planet);
    Sections sections;
    // With a box unticked the file keeps its own features of that kind, but for those the
    // player set by hand; a planet that is no longer home keeps no facilities of its own.
    if (options.write_inhibitions)
        sections[kVariables] = variables_section(planet);
    else if (has_features_by_hand(planet, 0, kInhibitionCount))
        sections[kVariables] = variables_section(with_features_by_hand(planet, as_read.features));
    const bool facilities_by_hand =
        !planet.home && has_features_by_hand(planet, kInhibitionCount, kFeatureCount);
    if (options.write_facilities || planet.home != as_read.home || facilities_by_hand)
        sections[kFacilities] =
            options.write_facilities || planet.home
                ? facilities_section(planet)
                : facilities_section(with_features_by_hand(
                      planet, as_read.home ? std::array<bool, kFeatureCount>{} : as_read.features));
    if (index != planet.source || !same_links(as_read, planet))
        sections[kHopcounts] = hopcounts_section(index, planet);
    if (std::none_of(changed.begin(), changed.end(), [](bool c) { return c; }) &&
        std::none_of(sections.begin(), sections.end(), [](auto& s) { return s.has_value(); }))
        return file.bytes;
    return join_like(file.bytes, rewritten_lines(file, sections, changed, index, planet));
}

namespace {

std::vector<std::string> entries(const LoadedCampaign& c, const std::vector<Planet>& planets)
{
    const std::string folder = file_name_of(c.folder);
    std::vector<std::string> lines;
    for (std::size_t i = 0; i < planets.size(); ++i) {
        const int source = planets[i].source;
        lines.push_back(
            std::to_string(i) + " = " +
            (source >= 0 ? c.planets[static_cast<std::size_t>(source)].entry_path
                         : "campaign/data/encounters/" + folder + "/" + planets[i].template_file));
    }
    return lines;
}

}  // namespace

namespace {

// What the map file's keys say of the galaxy now.
struct MapKeys {
    int home;
    bool recount;  // the planet count changed
    std::size_t count;
    MapSize size;
    std::string picture, name;
};

// The line as the galaxy has it now: its key's line written anew where the value changed (which
// `changed` then records), else the line as read.
std::string key_line_now(const std::string& line, const LoadedCampaign& c, const MapKeys& now,
                         bool& changed)
{
    const auto pick = [&](bool differs, const std::string& fresh) {
        changed = changed || differs;
        return differs ? fresh : line;
    };
    switch (map_key(line)) {
    case MapKey::Homeworld:
        return pick(!c.home.is(now.home), "Homeworld = " + std::to_string(now.home));
    case MapKey::MapSizeX:
        return pick(now.recount, "MapSizeX = " + std::to_string(now.size.width) + ".0000");
    case MapKey::MapSizeY:
        return pick(now.recount, "MapSizeY = " + std::to_string(now.size.height) + ".0000");
    case MapKey::Planets: return pick(now.recount, "Planets = " + std::to_string(now.count));
    case MapKey::MapTexture: return pick(now.picture != c.picture, "MapTexture = " + now.picture);
    case MapKey::GUIName: return pick(now.name != c.name, "GUIName = " + now.name);
    default: break;
    }
    return line;
}

}  // namespace

std::string rewrite_map_file(const LoadedCampaign& c, const std::string& campaign_name, int home,
                             const std::vector<Planet>& planets, const std::string& background_path)
{
    const MapKeys now{home,
                      planets.size() != c.planets.size(),
                      planets.size(),
                      map_size(static_cast<long long>(planets.size())),
                      file_name_of(background_path),
                      campaign_name};
    bool reentered = now.recount;
    for (std::size_t i = 0; i < planets.size(); ++i)
        reentered = reentered || planets[i].source != static_cast<int>(i);
    std::vector<int> entry_lines;
    for (const LoadedPlanet& p : c.planets)
        entry_lines.push_back(p.map_line);

    // The entries read give way, at the first of them, to the galaxy's when those changed.
    std::vector<std::string> out;
    bool changed = false, entries_written = !reentered;
    for (std::size_t i = 0; i < c.map_lines.size(); ++i) {
        const std::string& line = c.map_lines[i];
        const bool entry = std::find(entry_lines.begin(), entry_lines.end(),
                                     static_cast<int>(i) + 1) != entry_lines.end();
        if (!entry)
            out.push_back(key_line_now(line, c, now, changed));
        else if (!reentered)
            out.push_back(line);
        else if (!std::exchange(entries_written, true))
            for (std::string& fresh : entries(c, planets))
                out.push_back(std::move(fresh));
    }
    if (!entries_written)
        for (std::string& fresh : entries(c, planets))
            out.push_back(std::move(fresh));
    return changed || reentered ? join_like(c.map_bytes, out) : c.map_bytes;
}

}  // namespace orvek
