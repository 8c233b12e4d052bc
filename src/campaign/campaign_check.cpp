// SPDX-License-Identifier: GPL-3.0-or-later
#include "campaign/campaign_check.h"

#include "core/ascii.h"
#include "core/free_map.h"
#include "core/galaxy_edit.h"
#include "core/galaxy_figures.h"
#include "core/generator.h"
#include "campaign/features.h"
#include "campaign/map_file.h"
#include "gamedata/game_folder.h"

#include <algorithm>
#include <map>
#include <set>

namespace orvek {

namespace {

// A file's text quoted in a finding is cut to this many bytes.
constexpr std::size_t kQuotedMost = 80;

// "a, b and c".
std::string join_words(const std::vector<std::string>& words)
{
    std::string text;
    for (std::size_t i = 0; i < words.size(); ++i)
        text += (i == 0 ? "" : i + 1 == words.size() ? " and " : ", ") + words[i];
    return text;
}

class Checker {
public:
    Checker(const LoadedCampaign& c, const std::vector<std::string>& pictures,
            const std::vector<std::string>& templates, const TemplateFeatures& template_features)
        : c_(c), pictures_(pictures), templates_(templates.begin(), templates.end()),
          template_features_(template_features)
    {}

    std::vector<Finding> run()
    {
        map_layout();
        map_values();
        for (const ReadNote& note : c_.reading) {
            // Why a planet's file was not read is the problem the player mends it by.
            if (const int unread = unread_planet_of(note); unread >= 0)
                fixable("what could not be read", note.file, note.line, unread, note.sentence,
                        Finding::Fix::MendUnread, -1);
            else
                problem("what could not be read", note.file, note.line, -1, note.sentence);
        }
        text_form(c_.map_file, c_.map_bytes);
        files();
        for (std::size_t i = 0; i < c_.planets.size(); ++i)
            planet(static_cast<int>(i));
        clearance();
        reach();
        gates_through_planets();
        leftovers();
        summarise();
        std::stable_partition(out_.begin(), out_.end(), [](const Finding& f) { return f.problem; });
        return std::move(out_);
    }

private:
    int count() const { return static_cast<int>(c_.planets.size()); }

    // Each kind of finding is listed at most kListed times; the rest are counted, so that a
    // hostile campaign cannot make the check's report grow without bound.
    static constexpr int kListed = 20;

    void add(bool is_problem, const char* kind, const std::string& file, int line, int planet,
             std::string sentence)
    {
        auto& [count, last] = kinds_[kind];
        if (++count <= kListed)
            out_.push_back({is_problem, file, line, planet, std::move(sentence)});
        last = {is_problem, file, 0, -1, std::string()};
    }
    void problem(const char* kind, const std::string& file, int line, int planet,
                 std::string sentence)
    {
        add(true, kind, file, line, planet, std::move(sentence));
    }
    // A problem with a clear fix, which the window offers.
    void fixable(const char* kind, const std::string& file, int line, int planet,
                 std::string sentence, Finding::Fix fix, int other)
    {
        const std::size_t before = out_.size();
        add(true, kind, file, line, planet, std::move(sentence));
        if (out_.size() > before)
            out_.back().fix = fix, out_.back().other = other;
    }
    void note(const char* kind, const std::string& file, int line, int planet, std::string sentence)
    {
        add(false, kind, file, line, planet, std::move(sentence));
    }

    void summarise()
    {
        for (auto& [kind, seen] : kinds_)
            if (seen.first > kListed) {
                Finding more = seen.second;
                more.sentence = "and " + thousands(seen.first - kListed) + " more: " + kind;
                out_.push_back(std::move(more));
            }
    }

    static std::string thousands(long long n)
    {
        std::string digits = std::to_string(n);
        for (int at = static_cast<int>(digits.size()) - 3; at > 0; at -= 3)
            digits.insert(static_cast<std::size_t>(at), ",");
        return digits;
    }

    int key_line(MapKey key) const { return c_.key_lines[static_cast<std::size_t>(key)]; }

    // The planet whose file was not read that a reading note is about (its map file line, or
    // its file as a whole), or -1.
    int unread_planet_of(const ReadNote& note) const
    {
        for (std::size_t i = 0; i < c_.planets.size(); ++i) {
            const LoadedPlanet& p = c_.planets[i];
            if (!p.read && ((note.file == c_.map_file && note.line == p.map_line) ||
                            (note.line == 0 && !p.file_name.empty() && note.file == p.file_name)))
                return static_cast<int>(i);
        }
        return -1;
    }

    // Another planet as a finding names it: by its name and number ("Heze (planet 3)"), or by
    // its number where it has no name (its file was not read).
    std::string title(int q) const
    {
        const std::string& name = c_.planets[static_cast<std::size_t>(q)].planet.system_name;
        const std::string number = "planet " + std::to_string(q);
        // Sentences are 8-bit text, as the files' names and lines they quote.
        return name.empty() ? number : name + " (" + number + ")";
    }

    // The lines before the entries, in the order the Save writes them.
    void map_layout()
    {
        const auto want = [](int line) -> std::string {
            if (line == 1)
                return std::string(kMapConfigHeader);
            if (line == kMapHeadLines - 1)
                return "";
            if (line == kMapHeadLines)
                return std::string(kMapEntriesHeader);
            return std::string(map_key_name(static_cast<MapKey>(line - 2))) + " = ";
        };
        for (int line = 1; line <= kMapHeadLines; ++line) {
            const std::string expected = want(line);
            if (static_cast<std::size_t>(line) > c_.map_lines.size())
                return problem("map file layout", c_.map_file, line, -1,
                               "the map file ends before its line " +
                                   quoted(expected, kQuotedMost));
            const std::string& have = c_.map_lines[static_cast<std::size_t>(line) - 1];
            if (expected.empty() ? !have.empty() : have.rfind(expected, 0) != 0)
                return problem(
                    "map file layout", c_.map_file, line, -1,
                    "lines are missing or out of order: this one should be " +
                        quoted(expected.empty() ? "(empty)" : expected + "…", kQuotedMost));
        }
    }

    void map_values()
    {
        const std::string& f = c_.map_file;
        if (!c_.planet_count.is(count()))
            problem("map file values", f, key_line(MapKey::Planets), -1,
                    "Planets is " + c_.planet_count.text() + " but the map file has " +
                        std::to_string(count()) + " entries");
        for (int i = 0; i < count(); ++i)
            if (c_.planets[static_cast<std::size_t>(i)].entry != i)
                problem("entries numbered out of order", f,
                        c_.planets[static_cast<std::size_t>(i)].map_line, i,
                        "this entry is numbered " +
                            std::to_string(c_.planets[static_cast<std::size_t>(i)].entry) +
                            " where " + std::to_string(i) + " should be");
        std::string id = c_.id;
        std::transform(id.begin(), id.end(), id.begin(), ascii_lower);
        if (c_.name_key != id)
            problem("map file values", f, key_line(MapKey::Name), -1,
                    "Name is " + quoted(c_.name_key, kQuotedMost) + " but the campaign is " +
                        quoted(id, kQuotedMost));
        const MapSize size = map_size(count());
        if (!c_.size_x.is(size.width) || !c_.size_y.is(size.height))
            problem("map file values", f, key_line(MapKey::MapSizeX), -1,
                    "the map size is " + c_.size_x.text() + " x " + c_.size_y.text() + " where " +
                        std::to_string(count()) + " planets give " + std::to_string(size.width) +
                        " x " + std::to_string(size.height));
        if (!c_.home.below(count()))
            problem("map file values", f, key_line(MapKey::Homeworld), -1,
                    "Homeworld is " + c_.home.text() + ", which is no planet of the map");
        bool found = false;
        for (const std::string& picture : pictures_)
            found = found || same_ignoring_case(picture, c_.picture);
        if (!found)
            problem("map file values", f, key_line(MapKey::MapTexture), -1,
                    "the picture " + quoted(c_.picture, kQuotedMost) +
                        " is not in the pictures folder");
    }

    // 8-bit text with CR LF line ends, as the game reads it.
    void text_form(const std::string& file, const std::string& bytes)
    {
        const char* kind = "files not in the game's text form";
        if (bytes.rfind("\xEF\xBB\xBF", 0) == 0)
            return problem(kind, file, 1, -1, "the file begins with a byte-order mark");
        int line = 1;
        for (std::size_t i = 0; i < bytes.size(); ++i) {
            const auto b = static_cast<unsigned char>(bytes[i]);
            const bool lone_lf = b == '\n' && (i == 0 || bytes[i - 1] != '\r');
            const bool lone_cr = b == '\r' && (i + 1 == bytes.size() || bytes[i + 1] != '\n');
            if (lone_lf || lone_cr)
                return problem(kind, file, line, -1, "this line ends without CR LF");
            if (b >= 0xC2 && b <= 0xF4 && i + 1 < bytes.size() &&
                (static_cast<unsigned char>(bytes[i + 1]) & 0xC0) == 0x80)
                return problem(kind, file, line, -1,
                               "this line holds UTF-8 text where the game reads Windows-1252");
            line += b == '\n';
        }
    }

    void files()
    {
        std::map<std::string, int> named;
        for (const LoadedPlanet& p : c_.planets)
            if (!p.file_name.empty() && ++named[p.file_name] == 2)
                problem("files named twice", c_.map_file, p.map_line, p.entry,
                        "the file " + quoted(p.file_name, kQuotedMost) +
                            " is named by two entries");
        for (const LoadedPlanet& p : c_.planets)
            if (p.read)
                text_form(p.file_name, p.bytes);
    }

    // The config lines the game needs, each named where the file lacks it.
    void keys(int i, const LoadedPlanet& p)
    {
        const std::string& f = p.file_name;
        for (const ConfigRule rule :
             {ConfigRule::EncounterId, ConfigRule::PositionX, ConfigRule::PositionY,
              ConfigRule::GuiName, ConfigRule::Wormholes})
            if (p.key_line(rule) == 0)
                problem("lines missing from encounter files", f, 0, i,
                        "the file has no " + std::string(config_key(rule)) + " line");
        if (p.encounter_id && *p.encounter_id != i)
            problem("EncounterIDs that differ from the planet's number", f,
                    p.key_line(ConfigRule::EncounterId), i,
                    "EncounterID is not " + std::to_string(i) + ", this planet's number");
        if (p.has_x && p.has_y &&
            (std::min(p.planet.x, p.planet.y) < kMapMin ||
             std::max(p.planet.x, p.planet.y) > kMapMax))
            problem("positions outside the map", f, p.key_line(ConfigRule::PositionX), i,
                    "the position lies outside 0.0200..0.9790");
    }

    void planet(int i)
    {
        const LoadedPlanet& p = c_.planets[static_cast<std::size_t>(i)];
        if (!p.read)
            return;
        const std::string& f = p.file_name;
        keys(i, p);
        links(i, p);
        if (c_.home.is(i))
            for (const char* facility : {"largefactory", "shipyarda", "smallacademy"}) {
                const auto at =
                    std::find(kFeatureKeywords.begin(), kFeatureKeywords.end(), facility);
                if (!p.planet.features[static_cast<std::size_t>(at - kFeatureKeywords.begin())])
                    problem("home facilities missing", f, p.facilities_line, i,
                            std::string("the home planet lacks its ") + facility);
            }
        for (const FacilityGroup& g : kFacilityGroups) {
            std::vector<std::string> held;
            for (int v = g.first; v < g.first + g.variants; ++v)
                if (p.planet.features[static_cast<std::size_t>(v)])
                    held.emplace_back(kFeatureKeywords[static_cast<std::size_t>(v)]);
            if (held.size() > 1 && !from_template(p, g))
                note("two variants of a facility", f, p.facilities_line, i,
                     "the planet holds " + join_words(held) + ", two variants of one facility");
        }
        for (const std::string& keyword : p.unknown_keywords)
            note("unknown features", f, 0, i,
                 "the feature " + quoted(keyword, kQuotedMost) + " is unknown to this program");
    }

    void links(int i, const LoadedPlanet& p)
    {
        const std::string& f = p.file_name;
        const int line = p.key_line(ConfigRule::Wormholes);
        std::set<int> seen;
        std::vector<std::pair<int, int>> hops = {{i, 0}};
        for (const std::int32_t l : p.planet.links) {
            hops.emplace_back(l, 1);
            if (l < 0 || l >= count())
                fixable("links to no planet", f, line, i,
                        "a link goes to planet " + std::to_string(l) + ", which does not exist",
                        Finding::Fix::CutLink, l);
            else if (l == i)
                problem("links to the planet itself", f, line, i, "the planet links to itself");
            else if (!seen.insert(l).second)
                problem("links written twice", f, line, i,
                        "the planet links to " + title(l) + " twice");
            else if (const LoadedPlanet& q = c_.planets[static_cast<std::size_t>(l)];
                     q.read && std::find(q.planet.links.begin(), q.planet.links.end(), i) ==
                                   q.planet.links.end())
                fixable("links that are not mutual", f, line, i,
                        "the link to " + title(l) +
                            " is not mutual: that planet does not link back",
                        Finding::Fix::MakeMutual, l);
        }
        if (p.hopcounts != hops)
            problem("hop counts that do not match the links", f, p.hopcounts_line, i,
                    "the [hopcounts] section does not match the links");
    }

    void clearance()
    {
        for (int i = 0; i < count(); ++i)
            for (int j = i + 1; j < count(); ++j) {
                const LoadedPlanet& a = c_.planets[static_cast<std::size_t>(i)];
                const LoadedPlanet& b = c_.planets[static_cast<std::size_t>(j)];
                if (a.has_x && a.has_y && b.has_x && b.has_y &&
                    positions_clash(a.planet.x, a.planet.y, b.planet.x, b.planet.y))
                    problem("planets too close to another", b.file_name,
                            b.key_line(ConfigRule::PositionX), j,
                            "the planet lies within " + std::to_string(kClearance) +
                                " map units of " + title(i));
            }
    }

    void reach()
    {
        if (count() == 0)
            return;
        const int home = c_.home.below(count()) ? static_cast<int>(c_.home.value) : 0;
        std::vector<Planet> planets;
        for (const LoadedPlanet& p : c_.planets)
            planets.push_back(p.planet);
        const std::vector<int> lost = unreachable_planets(planets, home);
        std::string named;
        for (std::size_t k = 0; k < lost.size() && k < 20; ++k)
            named += (k ? ", " : "") + title(lost[k]);
        if (lost.size() > 20)
            named += " and " + thousands(static_cast<long long>(lost.size() - 20)) + " more";
        if (!lost.empty())
            problem("planets no jumpgate reaches", c_.map_file, 0, lost.front(),
                    named + " cannot be reached from " + title(home));
    }

    // A jumpgate drawn through a third planet reads as joining that planet too; the map's menu
    // reroutes it ("Tidy jumpgates"). Planets whose files were not read have no place to judge.
    void gates_through_planets()
    {
        std::vector<Planet> planets;
        for (const LoadedPlanet& p : c_.planets) {
            planets.push_back(p.planet);
            planets.back().unread = !p.read;
        }
        for (const GateThrough& g : gates_in_the_way(planets).through)
            if (!planets[static_cast<std::size_t>(g.a)].unread &&
                !planets[static_cast<std::size_t>(g.b)].unread)
                note("jumpgates drawn through a planet", c_.map_file, 0, g.a,
                     "the jumpgate to " + title(g.b) + " is drawn through " + title(g.in_the_way) +
                         "; \"Tidy jumpgates\" on the map's menu reroutes it through that planet");
    }

    void leftovers()
    {
        std::set<std::string> named;
        for (const LoadedPlanet& p : c_.planets)
            named.insert(p.file_name);
        for (const std::string& file : c_.folder_files)
            if (!named.count(file))
                note("files no entry names", file, 0, -1,
                     "no entry of the map file names this file");
        for (const LoadedPlanet& p : c_.planets)
            if (p.read && !templates_.count(p.file_name))
                note("templates no longer in encounters/all", p.file_name, 0, p.entry,
                     "its template is no longer in encounters/all");
    }

    // Whether the planet's variants of the group are its template's own: a Save that keeps the
    // template's facilities writes them so, which is nothing the player did or can mend here.
    bool from_template(const LoadedPlanet& p, const FacilityGroup& g) const
    {
        if (!template_features_ || !templates_.count(p.file_name))
            return false;
        const std::optional<std::array<bool, kFeatureCount>> own = template_features_(p.file_name);
        if (!own)
            return false;
        for (auto v = static_cast<std::size_t>(g.first);
             v < static_cast<std::size_t>(g.first + g.variants); ++v)
            if (p.planet.features[v] != (*own)[v])
                return false;
        return true;
    }

    const LoadedCampaign& c_;
    const std::vector<std::string>& pictures_;
    const std::set<std::string> templates_;
    const TemplateFeatures& template_features_;
    std::vector<Finding> out_;
    std::map<std::string, std::pair<long long, Finding>> kinds_;
};

}  // namespace

std::vector<Finding> check_campaign(const LoadedCampaign& campaign,
                                    const std::vector<std::string>& pictures,
                                    const std::vector<std::string>& templates,
                                    const TemplateFeatures& template_features)
{
    return Checker(campaign, pictures, templates, template_features).run();
}

std::vector<Finding> check_campaign(const GameFolder& folder, const LoadedCampaign& campaign)
{
    const auto names = [](std::vector<std::string> paths) {
        for (std::string& path : paths)
            path = file_name_of(path);
        return paths;
    };
    // A template is read only for a planet that holds two variants of a facility, once.
    std::map<std::string, std::optional<std::array<bool, kFeatureCount>>> read;
    const TemplateFeatures of_template =
        [&](const std::string& name) -> std::optional<std::array<bool, kFeatureCount>> {
        if (const auto known = read.find(name); known != read.end())
            return known->second;
        return read[name] = template_features(folder, name);
    };
    return check_campaign(campaign, names(list_backgrounds(folder)), names(list_templates(folder)),
                          of_template);
}

int problem_count(const std::vector<Finding>& findings)
{
    return static_cast<int>(std::count_if(findings.begin(), findings.end(),
                                          [](const Finding& f) { return f.problem; }));
}

}  // namespace orvek
