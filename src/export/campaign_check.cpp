#include "export/campaign_check.h"

#include "core/ascii.h"
#include "core/free_map.h"
#include "core/generator.h"
#include "export/features.h"
#include "export/map_file.h"
#include "gamedata/game_folder.h"

#include <algorithm>
#include <map>
#include <set>

namespace orvek {

namespace {

bool same_ignoring_case(std::string_view a, std::string_view b)
{
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return ascii_lower(x) == ascii_lower(y);
           });
}

std::string quoted(std::string_view text)
{
    return "\"" + std::string(text.substr(0, 80)) + (text.size() > 80 ? "…" : "") + "\"";
}

// The lines a Save writes before the entries, each by how it begins.
constexpr const char* kMapHead[] = {"[config]",    "Homeworld = ",  "MapSizeX = ",
                                    "MapSizeY = ", "MapTexture = ", "Name = ",
                                    "GUIName = ",  "Planets = ",    "",
                                    "[encounters]"};

class Checker {
public:
    Checker(const LoadedCampaign& c, const std::vector<std::string>& pictures,
            const std::vector<std::string>& templates)
        : c_(c), pictures_(pictures), templates_(templates.begin(), templates.end())
    {}

    std::vector<Finding> run()
    {
        map_layout();
        map_values();
        for (const ReadNote& note : c_.reading)
            problem(note.file, note.line, -1, note.sentence);
        text_form(c_.map_file, c_.map_bytes);
        files();
        for (std::size_t i = 0; i < c_.planets.size(); ++i)
            planet(static_cast<int>(i));
        clearance();
        reach();
        leftovers();
        std::stable_partition(out_.begin(), out_.end(), [](const Finding& f) { return f.problem; });
        return std::move(out_);
    }

private:
    int count() const { return static_cast<int>(c_.planets.size()); }

    void problem(const std::string& file, int line, int planet, std::string sentence)
    {
        out_.push_back({true, file, line, planet, std::move(sentence)});
    }
    void note(const std::string& file, int line, int planet, std::string sentence)
    {
        out_.push_back({false, file, line, planet, std::move(sentence)});
    }

    void map_layout()
    {
        for (std::size_t i = 0; i < std::size(kMapHead); ++i) {
            const std::string want = kMapHead[i];
            const int line = static_cast<int>(i) + 1;
            if (i >= c_.map_lines.size())
                return problem(c_.map_file, line, -1,
                               "the map file ends before its line " + quoted(want));
            const std::string& have = c_.map_lines[i];
            if (want.empty() ? !have.empty() : have.rfind(want, 0) != 0)
                return problem(c_.map_file, line, -1,
                               "lines are missing or out of order: this one should be " +
                                   quoted(want.empty() ? "(empty)" : want + "…"));
        }
    }

    void map_values()
    {
        const std::string& f = c_.map_file;
        if (c_.planet_count != count())
            problem(f, 8, -1,
                    "Planets is " + std::to_string(c_.planet_count) + " but the map file has " +
                        std::to_string(count()) + " entries");
        for (int i = 0; i < count(); ++i)
            if (c_.planets[static_cast<std::size_t>(i)].entry != i)
                problem(f, c_.planets[static_cast<std::size_t>(i)].map_line, i,
                        "this entry is numbered " +
                            std::to_string(c_.planets[static_cast<std::size_t>(i)].entry) +
                            " where " + std::to_string(i) + " should be");
        std::string id = c_.id;
        std::transform(id.begin(), id.end(), id.begin(), ascii_lower);
        if (c_.name_key != id)
            problem(f, 6, -1,
                    "Name is " + quoted(c_.name_key) + " but the campaign is " + quoted(id));
        const MapSize size = map_size(count());
        if (c_.size_x != size.width || c_.size_y != size.height)
            problem(f, 3, -1,
                    "the map size is " + std::to_string(c_.size_x) + " x " +
                        std::to_string(c_.size_y) + " where " + std::to_string(count()) +
                        " planets give " + std::to_string(size.width) + " x " +
                        std::to_string(size.height));
        if (c_.home < 0 || c_.home >= count())
            problem(f, 2, -1,
                    "Homeworld is " + std::to_string(c_.home) + ", which is no planet of the map");
        bool found = false;
        for (const std::string& picture : pictures_)
            found = found || same_ignoring_case(picture, c_.picture);
        if (!found)
            problem(f, 5, -1,
                    "the picture " + quoted(c_.picture) + " is not in the pictures folder");
    }

    // 8-bit text with CR LF line ends, as the game reads it.
    void text_form(const std::string& file, const std::string& bytes)
    {
        if (bytes.rfind("\xEF\xBB\xBF", 0) == 0)
            return problem(file, 1, -1, "the file begins with a byte-order mark");
        int line = 1;
        for (std::size_t i = 0; i < bytes.size(); ++i) {
            const auto b = static_cast<unsigned char>(bytes[i]);
            const bool lone_lf = b == '\n' && (i == 0 || bytes[i - 1] != '\r');
            const bool lone_cr = b == '\r' && (i + 1 == bytes.size() || bytes[i + 1] != '\n');
            if (lone_lf || lone_cr)
                return problem(file, line, -1, "this line ends without CR LF");
            if (b >= 0xC2 && b <= 0xF4 && i + 1 < bytes.size() &&
                (static_cast<unsigned char>(bytes[i + 1]) & 0xC0) == 0x80)
                return problem(file, line, -1,
                               "this line holds UTF-8 text where the game reads Windows-1252");
            line += b == '\n';
        }
    }

    void files()
    {
        std::map<std::string, int> named;
        for (const LoadedPlanet& p : c_.planets)
            if (!p.file_name.empty() && ++named[p.file_name] == 2)
                problem(c_.map_file, p.map_line, p.entry,
                        "the file " + quoted(p.file_name) + " is named by two entries");
        for (const LoadedPlanet& p : c_.planets)
            if (p.read)
                text_form(p.file_name, p.bytes);
    }

    void planet(int i)
    {
        const LoadedPlanet& p = c_.planets[static_cast<std::size_t>(i)];
        if (!p.read)
            return;
        const std::string& f = p.file_name;
        if (p.encounter_id != i)
            problem(f, p.encounter_id_line, i,
                    p.encounter_id_line == 0
                        ? std::string("the file has no EncounterID")
                        : "EncounterID is not " + std::to_string(i) + ", this planet's number");
        if (!p.has_x || !p.has_y)
            problem(f, p.position_line, i,
                    "the file has no usable MapPosition.X and MapPosition.Y");
        else if (std::min(p.planet.x, p.planet.y) < kMapMin ||
                 std::max(p.planet.x, p.planet.y) > kMapMin + kMapRange - 1)
            problem(f, p.position_line, i, "the position lies outside 0.0200..0.9790");
        links(i, p);
        if (static_cast<long long>(i) == c_.home)
            for (const char* facility : {"largefactory", "shipyarda", "smallacademy"}) {
                const auto at = std::find(FeatureKeywords.begin(), FeatureKeywords.end(), facility);
                if (!p.planet.features[static_cast<std::size_t>(at - FeatureKeywords.begin())])
                    problem(f, p.facilities_line, i,
                            std::string("the home planet lacks its ") + facility);
            }
        for (const std::string& keyword : p.unknown_keywords)
            note(f, 0, i, "the feature " + quoted(keyword) + " is unknown to this program");
    }

    void links(int i, const LoadedPlanet& p)
    {
        const std::string& f = p.file_name;
        std::set<int> seen;
        std::vector<std::pair<int, int>> hops = {{i, 0}};
        for (const std::int32_t l : p.planet.links) {
            hops.emplace_back(l, 1);
            if (l < 0 || l >= count())
                problem(f, p.links_line, i,
                        "a link goes to planet " + std::to_string(l) + ", which does not exist");
            else if (l == i)
                problem(f, p.links_line, i, "the planet links to itself");
            else if (!seen.insert(l).second)
                problem(f, p.links_line, i,
                        "the planet links to planet " + std::to_string(l) + " twice");
            else if (const LoadedPlanet& q = c_.planets[static_cast<std::size_t>(l)];
                     q.read && std::find(q.planet.links.begin(), q.planet.links.end(), i) ==
                                   q.planet.links.end())
                problem(f, p.links_line, i,
                        "the link to planet " + std::to_string(l) +
                            " is not mutual: that planet does not link back");
        }
        if (p.hopcounts != hops)
            problem(f, p.hopcounts_line, i, "the [hopcounts] section does not match the links");
    }

    void clearance()
    {
        for (int i = 0; i < count(); ++i)
            for (int j = i + 1; j < count(); ++j) {
                const LoadedPlanet& a = c_.planets[static_cast<std::size_t>(i)];
                const LoadedPlanet& b = c_.planets[static_cast<std::size_t>(j)];
                if (a.has_x && a.has_y && b.has_x && b.has_y &&
                    positions_clash(a.planet.x, a.planet.y, b.planet.x, b.planet.y))
                    problem(b.file_name, b.position_line, j,
                            "the planet lies within 55 map units of planet " + std::to_string(i));
            }
    }

    void reach()
    {
        if (count() == 0)
            return;
        // Links are followed both ways, as the game goes through a jumpgate.
        std::vector<std::vector<int>> joined(c_.planets.size());
        for (int p = 0; p < count(); ++p)
            for (const std::int32_t l : c_.planets[static_cast<std::size_t>(p)].planet.links)
                if (l >= 0 && l < count()) {
                    joined[static_cast<std::size_t>(p)].push_back(l);
                    joined[static_cast<std::size_t>(l)].push_back(p);
                }
        std::vector<bool> reached(c_.planets.size());
        std::vector<int> next = {0};
        reached[0] = true;
        while (!next.empty()) {
            const int p = next.back();
            next.pop_back();
            for (const int q : joined[static_cast<std::size_t>(p)])
                if (!reached[static_cast<std::size_t>(q)]) {
                    reached[static_cast<std::size_t>(q)] = true;
                    next.push_back(q);
                }
        }
        std::string lost;
        int first = -1;
        for (int p = 0; p < count(); ++p)
            if (!reached[static_cast<std::size_t>(p)]) {
                lost += (lost.empty() ? "" : ", ") + std::to_string(p);
                first = first < 0 ? p : first;
            }
        if (!lost.empty())
            problem(c_.map_file, 0, first, "planets " + lost + " cannot be reached from planet 0");
    }

    void leftovers()
    {
        std::set<std::string> named;
        for (const LoadedPlanet& p : c_.planets)
            named.insert(p.file_name);
        for (const std::string& file : c_.folder_files)
            if (!named.count(file))
                note(file, 0, -1, "no entry of the map file names this file");
        for (const LoadedPlanet& p : c_.planets)
            if (p.read && !templates_.count(p.file_name))
                note(p.file_name, 0, p.entry, "its template is no longer in encounters/all");
    }

    const LoadedCampaign& c_;
    const std::vector<std::string>& pictures_;
    const std::set<std::string> templates_;
    std::vector<Finding> out_;
};

}  // namespace

std::vector<Finding> check_campaign(const LoadedCampaign& campaign,
                                    const std::vector<std::string>& pictures,
                                    const std::vector<std::string>& templates)
{
    return Checker(campaign, pictures, templates).run();
}

std::vector<Finding> check_campaign(const GameFolder& folder, const LoadedCampaign& campaign)
{
    const auto names = [](std::vector<std::string> paths) {
        for (std::string& path : paths)
            path = file_name_of(path);
        return paths;
    };
    return check_campaign(campaign, names(list_backgrounds(folder)), names(Get_Templates(folder)));
}

int problem_count(const std::vector<Finding>& findings)
{
    return static_cast<int>(std::count_if(findings.begin(), findings.end(),
                                          [](const Finding& f) { return f.problem; }));
}

}  // namespace orvek
