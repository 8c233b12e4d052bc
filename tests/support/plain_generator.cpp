// SPDX-License-Identifier: GPL-3.0-or-later
#include "support/plain_generator.h"

#include "core/error.h"
#include "core/file_name.h"
#include "core/galaxy_shape.h"
#include "core/random.h"
#include "core/settings.h"

#include <algorithm>
#include <cmath>
#include <optional>
#include <string>
#include <vector>

namespace orvek::testing {

namespace {

// Coverage of the map by the clearance squares, one cell per position, to know when no free
// position is left (a full map abandons the attempt).
struct Coverage {
    std::vector<unsigned char> covered = std::vector<unsigned char>(960 * 960, 0);
    long free = 960 * 960;
    void cover(int x, int y)
    {
        for (int yy = std::max(20, y - 55); yy <= std::min(979, y + 55); ++yy)
            for (int xx = std::max(20, x - 55); xx <= std::min(979, x + 55); ++xx) {
                unsigned char& c = covered[(yy - 20) * 960 + (xx - 20)];
                if (!c) {
                    c = 1;
                    --free;
                }
            }
    }
};

bool among_links(const Planet& planet, int number)
{
    return std::find(planet.links.begin(), planet.links.end(), number) != planet.links.end();
}

}  // namespace

void make_links_mutual(std::vector<Planet>& planets)
{
    for (std::size_t p = 0; p < planets.size(); ++p) {
        const std::size_t own = planets[p].links.size();
        for (std::size_t k = 0; k < own; ++k) {
            Planet& t = planets[static_cast<std::size_t>(planets[p].links[k])];
            if (!among_links(t, static_cast<int>(p)))
                t.links.push_back(static_cast<std::int32_t>(p));
        }
    }
}

GenerationResult plain_generate_galaxy(const GalaxyParams& params, GenerationServices& services,
                                       Random& random, Galaxy& galaxy, std::uint64_t max_attempts,
                                       PlainStats* stats)
{
    PlainStats ignored;
    if (!stats)
        stats = &ignored;
    const int n = params.planets;
    // The weights' sums wrap around as 32-bit numbers.
    const auto wrapped = [](std::int32_t a, std::int32_t b) {
        return static_cast<std::int32_t>(static_cast<std::uint32_t>(a) +
                                         static_cast<std::uint32_t>(b));
    };
    const std::int32_t j1 = params.join1, j12 = wrapped(j1, params.join2),
                       j123 = wrapped(j12, params.join3);
    std::vector<Planet> planets;
    std::vector<std::string> templates, wormhole_pool;
    std::vector<double> distance(n);
    std::vector<char> marks(n);
    galaxy.planets.clear();
    std::string caption;
    while (caption != "The Galaxy is ready!") {
        caption = "CALCULATING!";
        if (max_attempts != 0 && stats->attempts == max_attempts)
            return GenerationResult::Cancelled;
        ++stats->attempts;
        galaxy.background_path = services.backgrounds.draw_background(random);
        planets.assign(n, Planet{});
        // Each planet's drawn link count; its four nearest planets are found first, and then its
        // links are the first that many of them.
        std::vector<int> own_links(n, 0);
        for (auto& planet : planets)
            planet.links.assign(4, 0);
        int home = static_cast<int>(random(n - 1));
        planets[home].home = true;
        wormhole_pool.clear();
        services.templates.list_templates(templates);
        std::vector<std::string> name_pool = services.names.load_system_names();
        // Fewer than 75 planets can never fill the map; only larger galaxies need the coverage.
        // A shape's outline is full when 65,536 draws in a row find no clear place in it.
        const ShapeOutline outline(params.shape, n);
        std::optional<Coverage> coverage;
        if (n > 74 && outline.whole_map())
            coverage.emplace();
        bool full = false;
        for (int p = 0; p < n && !full; ++p) {
            if (p >= 1 && coverage && coverage->free == 0) {
                full = true;
                break;
            }
            int x, y;
            bool clash;
            int draws = 0;
            do {
                x = 20 + static_cast<int>(random(960));
                y = 20 + static_cast<int>(random(960));
                clash = !outline.inside(x, y);
                for (int q = 0; q < p; ++q)
                    if (positions_clash(x, y, planets[q].x, planets[q].y))
                        clash = true;
            } while (clash && (outline.whole_map() || ++draws < 65536));
            if (clash) {
                full = true;
                break;
            }
            planets[p].x = x;
            planets[p].y = y;
            if (coverage)
                coverage->cover(x, y);
            if (!name_pool.empty()) {
                std::uint32_t k = random(static_cast<std::uint32_t>(name_pool.size()));
                planets[p].system_name = name_pool[k];
                name_pool.erase(name_pool.begin() + k);
            } else {
                services.names.make_up_system_name(random, planets[p].system_name);
            }
            std::uint32_t i = random(static_cast<std::uint32_t>(templates.size()));
            if (i >= templates.size())
                throw list_index_error(i);
            planets[p].template_file = file_name_of(templates[i]);
            templates.erase(templates.begin() + i);
            auto r = static_cast<std::int32_t>(random(static_cast<std::uint32_t>(j123)));
            own_links[p] = r < j1 ? 1 : (r < j12 ? 2 : 3);
        }
        if (full) {
            ++stats->full_maps;
            continue;
        }
        for (int p = 0; p < n; ++p) {
            for (int i = 0; i < n; ++i) {
                int dx = planets[p].x - planets[i].x, dy = planets[p].y - planets[i].y;
                distance[i] = std::sqrt(static_cast<double>(dx * dx + dy * dy));
            }
            double most = 0.0;
            for (int i = 0; i < n; ++i)
                if (distance[i] > most) {
                    most = distance[i];
                    planets[p].farthest = i;
                }
            distance[p] = 9999999.0;
            for (int k = 0; k < 4; ++k) {
                double least = 99999.0;
                int found = 0;
                for (int i = 0; i < n; ++i)
                    if (distance[i] < least) {
                        least = distance[i];
                        found = i;
                    }
                planets[p].links[k] = found;
                distance[found] = 9999999.0;
            }
        }
        for (int p = 0; p < n; ++p)
            planets[p].links.resize(own_links[p]);
        for (int p = 0; p < n; ++p)
            wormhole_pool.push_back(std::to_string(p));
        const std::int32_t wormholes = parse_int(params.wormhole_text);
        for (std::int32_t w = 0; w < wormholes; ++w) {
            std::uint32_t j = random(static_cast<std::uint32_t>(wormhole_pool.size()));
            if (j >= wormhole_pool.size())
                throw list_index_error(j);
            Planet& q = planets[std::stoi(wormhole_pool[j])];
            if (!among_links(q, q.farthest))
                q.links.push_back(q.farthest);
            wormhole_pool.erase(wormhole_pool.begin() + j);
        }
        make_links_mutual(planets);
        std::fill(marks.begin(), marks.end(), 'N');
        marks[0] = 'C';
        for (bool changed = true; changed;) {
            changed = false;
            for (int p = 0; p < n; ++p) {
                if (marks[p] != 'C')
                    continue;
                for (const int q : planets[p].links)
                    if (marks[q] == 'N') {
                        marks[q] = 'C';
                        changed = true;
                    }
                marks[p] = 'D';
            }
        }
        caption = "The Galaxy is ready!";
        for (int p = 0; p < n; ++p)
            if (marks[p] == 'N') {
                caption = "CALCULATING!";
                break;
            }
    }
    galaxy.planets = std::move(planets);
    services.status.show_status("The Galaxy is ready!");
    return GenerationResult::Complete;
}

}  // namespace orvek::testing
