// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/galaxy_edit.h"

#include "core/ascii.h"
#include "core/cp1252.h"
#include "core/file_name.h"
#include "core/free_map.h"
#include "core/generator.h"

#include <algorithm>
#include <cstdlib>

#include <utility>

namespace orvek {

namespace {

using Planets = std::vector<Planet>;

template <class Range, class Taken>
const std::string* first_free(const Range& range, Taken taken)
{
    for (const std::string& item : range)
        if (!taken(item))
            return &item;
    return nullptr;
}

}  // namespace

std::string planet_title(const Planets& planets, int p)
{
    // A planet read from a file without a name is called by its number alone.
    const std::string name = cp1252_to_utf8(planets[planet_index(p)].system_name);
    return name.empty() ? "planet " + std::to_string(p)
                        : name + " (planet " + std::to_string(p) + ")";
}

namespace {

// Why a planet cannot stand at (x, y) among the planets that `moving` does not name (those move
// with it), or empty when it can.
template <class Moving>
std::string place_refusal(const Planets& planets, int x, int y, Moving moving)
{
    // A player drags a marker towards an edge; the edge is what the refusal speaks of.
    if (x < kMapMin || x > kMapMax || y < kMapMin || y > kMapMax)
        return std::string("Too close to the map's ") +
               (x < kMapMin   ? "left"
                : x > kMapMax ? "right"
                : y < kMapMin ? "top"
                              : "bottom") +
               " edge: a planet keeps a marker's room from every edge.";
    for (std::size_t q = 0; q < planets.size(); ++q)
        if (!moving(static_cast<int>(q)) && positions_clash(x, y, planets[q].x, planets[q].y))
            return "Too close to " + planet_title(planets, static_cast<int>(q)) +
                   ": planets stand more than " + std::to_string(kClearance) +
                   " map units apart on one axis at least.";
    return {};
}

}  // namespace

std::optional<std::pair<int, int>> free_place_near_middle(const Planets& planets, int p)
{
    constexpr int kMiddle = (kMapMin + kMapMax) / 2, kStep = 5;
    for (int r = 0; r <= kMiddle - kMapMin; r += kStep)
        for (int dx = -r; dx <= r; dx += kStep)
            for (int dy = -r; dy <= r; dy += kStep) {
                if (std::max(std::abs(dx), std::abs(dy)) != r)
                    continue;  // the ring only: the inside was searched before
                if (position_refusal(planets, p, kMiddle + dx, kMiddle + dy).empty())
                    return std::pair(kMiddle + dx, kMiddle + dy);
            }
    return std::nullopt;
}

std::string position_refusal(const Planets& planets, int p, int x, int y)
{
    return place_refusal(planets, x, y, [p](int q) { return q == p; });
}

std::string move_refusal(const Planets& planets, const std::vector<int>& group, int dx, int dy)
{
    const auto in_group = [&](int q) {
        return std::find(group.begin(), group.end(), q) != group.end();
    };
    for (const int p : group)
        if (std::string refusal = place_refusal(planets, planets[planet_index(p)].x + dx,
                                                planets[planet_index(p)].y + dy, in_group);
            !refusal.empty())
            return refusal;
    return {};
}

std::vector<int> unreachable_planets(const Planets& planets, int from)
{
    // Links are followed both ways, as a ship goes through a jumpgate, so that a link one planet
    // of an opened campaign lacks still joins the two.
    std::vector<std::vector<int>> joined(planets.size());
    for (std::size_t p = 0; p < planets.size(); ++p)
        for (const int q : planets[p].links)
            if (q >= 0 && planet_index(q) < planets.size()) {
                joined[p].push_back(q);
                joined[planet_index(q)].push_back(static_cast<int>(p));
            }
    std::vector<bool> reached(planets.size(), false);
    std::vector<int> queue;
    if (from >= 0 && planet_index(from) < planets.size())
        reached[planet_index(from)] = true, queue.push_back(from);
    for (std::size_t next = 0; next < queue.size(); ++next)
        for (const int q : joined[planet_index(queue[next])])
            if (!reached[planet_index(q)])
                reached[planet_index(q)] = true, queue.push_back(q);
    std::vector<int> unreachable;
    for (std::size_t i = 0; i < planets.size(); ++i)
        if (!reached[i])
            unreachable.push_back(static_cast<int>(i));
    return unreachable;
}

std::vector<int> unreachable_planets(const Planets& planets)
{
    return unreachable_planets(planets, home_planet(planets));
}

int home_planet(const Planets& planets)
{
    const auto home = std::find_if(planets.begin(), planets.end(), [](auto& p) { return p.home; });
    return home == planets.end() ? 0 : static_cast<int>(home - planets.begin());
}

void update_farthest(Planets& planets)
{
    const int n = static_cast<int>(planets.size());
    const auto position = [&](int i) {
        return std::pair<std::int64_t, std::int64_t>(planets[planet_index(i)].x,
                                                     planets[planet_index(i)].y);
    };
    for (int p = 0; p < n; ++p)
        planets[planet_index(p)].farthest = farthest_planet(n, p, position);
}

std::string game_planet_name(const std::string& utf8)
{
    if (utf8.empty())
        throw EditRefused("A planet needs a name.");
    if (std::any_of(utf8.begin(), utf8.end(),
                    [](char c) { return static_cast<unsigned char>(c) < 32 || c == 127; }))
        throw EditRefused("A planet's name cannot hold control characters.");
    if (const std::string lacking = unsupported_characters(utf8); !lacking.empty())
        throw EditRefused("The game cannot show these characters of the name: " + lacking + ".");
    std::string name = utf8_to_cp1252(utf8);
    if (name.size() > static_cast<std::size_t>(kMaxNameLength))
        throw EditRefused("A planet's name has at most " + std::to_string(kMaxNameLength) +
                          " characters.");
    // The name is written into lines that the game and the loader tell apart by these keys: a
    // name holding one would turn its line into another key's line.
    std::string lower = name;
    std::transform(lower.begin(), lower.end(), lower.begin(), ascii_lower);
    for (const char* key : {"mapposition.", "encounterid", "mapiconsize", "guiname", "wormholes"})
        if (lower.find(key) != std::string::npos)
            throw EditRefused("A planet's name cannot hold \"" + std::string(key) +
                              "\": the encounter file would read it as that key.");
    return name;
}

Planet planet_to_add(const Planets& planets, int x, int y, const NewPlanetSources& sources)
{
    Planet planet;
    planet.x = x;
    planet.y = y;
    const std::string* path = first_free(sources.templates, [&](const std::string& t) {
        return std::any_of(planets.begin(), planets.end(),
                           [&](const Planet& q) { return q.template_file == file_name_of(t); });
    });
    if (!path)
        throw EditRefused("Every encounter template of the game is in use already: a galaxy has "
                          "at most one planet for each template.");
    planet.template_file = file_name_of(*path);
    const auto has_name = [&](const std::string& name) {
        return std::any_of(planets.begin(), planets.end(),
                           [&](const Planet& q) { return q.system_name == name; });
    };
    if (const std::string* name = first_free(sources.names, has_name))
        planet.system_name = *name;
    for (int n = 1; planet.system_name.empty(); ++n)
        if (!has_name("New planet " + std::to_string(n)))
            planet.system_name = "New planet " + std::to_string(n);
    return planet;
}

}  // namespace orvek
