// SPDX-License-Identifier: GPL-3.0-or-later
// The mend of an opened campaign's planet whose file was not read: a new file made from a
// template the player chooses, as one edit.

#include "core/galaxy_edit.h"
#include "core/farthest_kept.h"

#include <algorithm>

namespace orvek {

namespace {

using Planets = std::vector<Planet>;

// One planet's record replaced whole by another; the other planets are left as they are.
class Replace : public GalaxyEdit, FarthestKept {
public:
    Replace(const Planets& planets, int p, Planet planet, std::string text)
        : p_(p), old_(planets[planet_index(p)]), new_(std::move(planet)), text_(std::move(text))
    {}
    void apply(Planets& planets) override
    {
        remember(planets);
        planets[planet_index(p_)] = new_;
        update_farthest(planets);
    }
    void revert(Planets& planets) override
    {
        planets[planet_index(p_)] = old_;
        restore(planets);
    }
    std::string text() const override { return text_; }

private:
    int p_;
    Planet old_, new_;
    std::string text_;
};

}  // namespace

EditPointer give_template(const Planets& planets, int p, const std::string& template_file,
                          const NewPlanetSources& sources)
{
    if (p < 0 || planet_index(p) >= planets.size())
        throw EditRefused("There is no planet " + std::to_string(p) + ".");
    if (!planets[planet_index(p)].unread)
        throw EditRefused(planet_title(planets, p) + "'s file was read: it needs no new one.");
    const auto place = free_place_near_middle(planets, p);
    if (!place)
        throw EditRefused("The map has no free place left for " + planet_title(planets, p) + ".");
    // The record as an added planet would have it, but for the template chosen; the planet's
    // own record is left out of the names and templates in use, as it goes.
    Planets others = planets;
    others[planet_index(p)].template_file.clear();
    others[planet_index(p)].system_name.clear();
    if (std::any_of(others.begin(), others.end(),
                    [&](const Planet& q) { return q.template_file == template_file; }))
        throw EditRefused("The template " + template_file + " is in use by another planet.");
    Planet mended =
        planet_to_add(others, place->first, place->second, {{template_file}, sources.names});
    mended.home = planets[planet_index(p)].home;
    for (std::size_t q = 0; q < planets.size(); ++q)
        if (q != planet_index(p) && std::find(planets[q].links.begin(), planets[q].links.end(),
                                              p) != planets[q].links.end())
            mended.links.push_back(static_cast<std::int32_t>(q));
    return std::make_unique<Replace>(planets, p, std::move(mended),
                                     "Give planet " + std::to_string(p) + " the template " +
                                         template_file);
}

}  // namespace orvek
