// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/galaxy_figures.h"

#include "core/galaxy_edit.h"
#include "core/gate_geometry.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>

namespace orvek {

namespace {

// The galaxy as lists of distinct neighbours.
using Graph = std::vector<std::vector<int>>;

Graph graph_of(const std::vector<Planet>& planets)
{
    const int n = static_cast<int>(planets.size());
    Graph graph(planets.size());
    const auto add = [&](int a, int b) {
        std::vector<int>& row = graph[static_cast<std::size_t>(a)];
        if (std::find(row.begin(), row.end(), b) == row.end())
            row.push_back(b);
    };
    for (int p = 0; p < n; ++p)
        for (const int q : planets[static_cast<std::size_t>(p)].links)
            if (q >= 0 && q < n && q != p) {
                add(p, q);
                add(q, p);
            }
    return graph;
}

// Jumps from `from` to every planet, -1 where none lead. `queue` is scratch room.
void hops_from(const Graph& graph, int from, std::vector<int>& hops, std::vector<int>& queue)
{
    std::fill(hops.begin(), hops.end(), -1);
    queue.clear();
    hops[static_cast<std::size_t>(from)] = 0;
    queue.push_back(from);
    for (std::size_t next = 0; next < queue.size(); ++next) {
        const int p = queue[next];
        for (const int q : graph[static_cast<std::size_t>(p)])
            if (hops[static_cast<std::size_t>(q)] < 0) {
                hops[static_cast<std::size_t>(q)] = hops[static_cast<std::size_t>(p)] + 1;
                queue.push_back(q);
            }
    }
}

// Chokepoints (articulation points) and bridges by one depth-first search of each piece,
// without recursion: `low` is the earliest discovery a planet's subtree reaches by one back link.
struct CutFinder {
    const Graph& graph;
    std::vector<int> found, low, parent;
    std::vector<std::size_t> next_edge;
    int clock = 0;
    GalaxyCuts cuts;

    explicit CutFinder(const Graph& g)
        : graph(g), found(g.size(), -1), low(g.size()), parent(g.size(), -1), next_edge(g.size())
    {
        for (std::size_t root = 0; root < g.size(); ++root)
            if (found[root] < 0)
                search(static_cast<int>(root));
    }

    void search(int root)
    {
        std::vector<int> stack{root};
        std::vector<int> children(graph.size(), 0);
        found[static_cast<std::size_t>(root)] = low[static_cast<std::size_t>(root)] = clock++;
        std::vector<bool> cut(graph.size(), false);
        while (!stack.empty()) {
            const auto p = static_cast<std::size_t>(stack.back());
            if (next_edge[p] < graph[p].size()) {
                const int q = graph[p][next_edge[p]++];
                const auto uq = static_cast<std::size_t>(q);
                if (found[uq] < 0) {
                    parent[uq] = static_cast<int>(p);
                    found[uq] = low[uq] = clock++;
                    ++children[p];
                    stack.push_back(q);
                } else if (q != parent[p]) {
                    low[p] = std::min(low[p], found[uq]);
                }
                continue;
            }
            stack.pop_back();
            const int up = parent[p];
            if (up < 0)
                continue;
            const auto uu = static_cast<std::size_t>(up);
            low[uu] = std::min(low[uu], low[p]);
            if (low[p] > found[uu])
                cuts.bridges.emplace_back(std::min(up, static_cast<int>(p)),
                                          std::max(up, static_cast<int>(p)));
            if (low[p] >= found[uu] && parent[uu] >= 0)
                cut[uu] = true;
        }
        cut[static_cast<std::size_t>(root)] = children[static_cast<std::size_t>(root)] > 1;
        for (std::size_t p = 0; p < cut.size(); ++p)
            if (cut[p])
                cuts.chokepoints.push_back(static_cast<int>(p));
    }
};

// The longest of the shortest paths: every planet's reach grows by one jump a round, all
// planets at once as rows of bits, until no reach grows; the rounds that grew are the diameter.
int diameter_of(const Graph& graph)
{
    const std::size_t n = graph.size(), words = (n + 63) / 64;
    std::vector<std::uint64_t> reach(n * words, 0), grown(n * words);
    for (std::size_t p = 0; p < n; ++p)
        reach[p * words + p / 64] = std::uint64_t{1} << (p % 64);
    for (int rounds = 0;; ++rounds) {
        bool changed = false;
        for (std::size_t p = 0; p < n; ++p)
            for (std::size_t w = 0; w < words; ++w) {
                std::uint64_t bits = reach[p * words + w];
                for (const int q : graph[p])
                    bits |= reach[static_cast<std::size_t>(q) * words + w];
                changed |= bits != reach[p * words + w];
                grown[p * words + w] = bits;
            }
        if (!changed)
            return rounds;
        reach.swap(grown);
    }
}

// Each jumpgate once, lower number first, in order.
std::vector<std::pair<int, int>> gates_of(const Graph& graph)
{
    std::vector<std::pair<int, int>> gates;
    for (int p = 0; p < static_cast<int>(graph.size()); ++p)
        for (const int q : graph[static_cast<std::size_t>(p)])
            if (p < q)
                gates.emplace_back(p, q);
    std::sort(gates.begin(), gates.end());
    return gates;
}

}  // namespace

GatesInTheWay gates_in_the_way(const std::vector<Planet>& planets)
{
    using namespace gate_geometry;
    GatesInTheWay found;
    const std::vector<std::pair<int, int>> gates = gates_of(graph_of(planets));
    const auto at = [&](int p) -> const Planet& { return planets[static_cast<std::size_t>(p)]; };
    for (const auto& [a, b] : gates) {
        int nearest = -1;
        double closest = 0;
        for (int p = 0; p < static_cast<int>(planets.size()); ++p) {
            // Most planets lie well outside the gate's box: those are passed over at once.
            const Planet& q = at(p);
            if (p == a || p == b || q.unread || q.x < std::min(at(a).x, at(b).x) - kGateClearance ||
                q.x > std::max(at(a).x, at(b).x) + kGateClearance ||
                q.y < std::min(at(a).y, at(b).y) - kGateClearance ||
                q.y > std::max(at(a).y, at(b).y) + kGateClearance)
                continue;
            if (!passes_near(at(a), at(b), at(p)))
                continue;
            if (const double d = distance_squared(at(a), at(b), at(p)); nearest < 0 || d <= closest)
                nearest = p, closest = d;
        }
        if (nearest >= 0)
            found.through.push_back({a, b, nearest});
    }
    for (std::size_t i = 0; i < gates.size(); ++i)
        for (std::size_t j = i + 1; j < gates.size(); ++j) {
            const auto [a, b] = gates[i];
            const auto [c, d] = gates[j];
            if (a != c && a != d && b != c && b != d && boxes_meet(at(a), at(b), at(c), at(d)) &&
                segments_meet(at(a), at(b), at(c), at(d)))
                ++found.crossings;
        }
    return found;
}

GalaxyFigures galaxy_figures(const std::vector<Planet>& planets)
{
    GalaxyFigures figures;
    const Graph graph = graph_of(planets);
    for (const std::vector<int>& neighbours : graph) {
        figures.links += static_cast<int>(neighbours.size());
        figures.dead_ends += neighbours.size() == 1 ? 1 : 0;
    }
    figures.links /= 2;
    if (planets.empty())
        return figures;
    figures.diameter = diameter_of(graph);
    std::vector<int> hops(planets.size()), queue;
    queue.reserve(planets.size());
    hops_from(graph, home_planet(planets), hops, queue);
    long long sum = 0;
    for (std::size_t i = 1; i < queue.size(); ++i)
        sum += hops[static_cast<std::size_t>(queue[i])];
    figures.hops_from_home_max = hops[static_cast<std::size_t>(queue.back())];
    if (queue.size() > 1)
        figures.hops_from_home_mean =
            std::round(100.0 * static_cast<double>(sum) / static_cast<double>(queue.size() - 1)) /
            100.0;
    const CutFinder cuts(graph);
    figures.chokepoints = static_cast<int>(cuts.cuts.chokepoints.size());
    figures.bridges = static_cast<int>(cuts.cuts.bridges.size());
    const GatesInTheWay in_the_way = gates_in_the_way(planets);
    figures.through_planets = static_cast<int>(in_the_way.through.size());
    figures.crossings = in_the_way.crossings;
    return figures;
}

GalaxyCuts galaxy_cuts(const std::vector<Planet>& planets)
{
    GalaxyCuts cuts = CutFinder(graph_of(planets)).cuts;
    std::sort(cuts.chokepoints.begin(), cuts.chokepoints.end());
    std::sort(cuts.bridges.begin(), cuts.bridges.end());
    return cuts;
}

std::string figures_in_words(const GalaxyFigures& f)
{
    char mean[32];
    std::snprintf(mean, sizeof mean, "%.2f", f.hops_from_home_mean);
    return "the farthest planet lies " + std::to_string(f.hops_from_home_max) +
           " jumps from home, the planets " + mean + " on average\n" + std::to_string(f.links) +
           " jumpgates; the longest way between two planets takes " + std::to_string(f.diameter) +
           " jumps\n" + std::to_string(f.dead_ends) + " dead ends, " +
           std::to_string(f.chokepoints) + " chokepoints, " + std::to_string(f.bridges) +
           " bridges\n" + std::to_string(f.through_planets) +
           (f.through_planets == 1 ? " jumpgate" : " jumpgates") + " through a planet, " +
           std::to_string(f.crossings) + (f.crossings == 1 ? " crossing\n" : " crossings\n");
}

}  // namespace orvek
