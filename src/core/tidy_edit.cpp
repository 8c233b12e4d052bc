// SPDX-License-Identifier: GPL-3.0-or-later
// "Tidy jumpgates": every jumpgate drawn through a third planet rerouted through that planet, as
// one edit, so that a reader can tell which planets each line joins.

#include "core/galaxy_edit.h"
#include "core/galaxy_figures.h"

#include <algorithm>

namespace orvek {

namespace {

using Planets = std::vector<Planet>;
using Links = std::vector<std::vector<std::int32_t>>;

// Every planet's links replaced by another set; positions, names and features stay.
class Relink : public GalaxyEdit {
public:
    Relink(const Planets& planets, Links links, int rerouted)
        : new_(std::move(links)), rerouted_(rerouted)
    {
        for (const Planet& p : planets)
            old_.push_back(p.links);
    }
    void apply(Planets& planets) override { set(planets, new_); }
    void revert(Planets& planets) override { set(planets, old_); }
    std::string text() const override
    {
        return "Tidy " + std::to_string(rerouted_) +
               (rerouted_ == 1 ? " jumpgate" : " jumpgates");
    }

private:
    static void set(Planets& planets, const Links& links)
    {
        for (std::size_t p = 0; p < planets.size(); ++p)
            planets[p].links = links[p];
    }
    Links old_, new_;
    int rerouted_;
};

void unlink(Planet& from, int to)
{
    std::erase(from.links, to);
}

void link(Planet& from, int to)
{
    if (std::find(from.links.begin(), from.links.end(), to) == from.links.end())
        from.links.push_back(static_cast<std::int32_t>(to));
}

}  // namespace

EditPointer tidy_gates(const Planets& planets)
{
    Planets tidied = planets;
    std::vector<GateThrough> left_as_they_are;
    int rerouted = 0;
    // Each reroute replaces a gate by two shorter ones, which may pass other planets in turn;
    // the bound only guards against a galaxy no sequence of reroutes can clear.
    for (int round = 0; round < 4 * kMostPlanets * kMaxLinks; ++round) {
        const std::vector<GateThrough> through = gates_in_the_way(tidied).through;
        const auto next = std::find_if(through.begin(), through.end(), [&](const GateThrough& g) {
            return std::find(left_as_they_are.begin(), left_as_they_are.end(), g) ==
                   left_as_they_are.end();
        });
        if (next == through.end())
            break;
        const auto [a, b, c] = *next;
        Planet& in_the_way = tidied[static_cast<std::size_t>(c)];
        // A planet with no room for two more links keeps the gate passing it.
        if (in_the_way.links.size() + 2 > static_cast<std::size_t>(kMaxLinks)) {
            left_as_they_are.push_back(*next);
            continue;
        }
        for (const auto& [from, to] : {std::pair{a, b}, std::pair{b, a}}) {
            unlink(tidied[static_cast<std::size_t>(from)], to);
            link(tidied[static_cast<std::size_t>(from)], c);
            link(in_the_way, from);
        }
        ++rerouted;
    }
    if (rerouted == 0)
        throw EditRefused(left_as_they_are.empty()
                              ? "No jumpgate is drawn through a planet."
                              : "The planets in the way of the jumpgates have no room for more "
                                "jumpgates.");
    Links links;
    for (const Planet& p : tidied)
        links.push_back(p.links);
    return std::make_unique<Relink>(planets, std::move(links), rerouted);
}

}  // namespace orvek
