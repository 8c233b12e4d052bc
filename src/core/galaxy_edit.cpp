// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/galaxy_edit.h"
#include "core/farthest_kept.h"
#include "core/file_name.h"

#include "core/ascii.h"
#include "core/cp1252.h"
#include "core/free_map.h"
#include "core/generator.h"

#include <algorithm>
#include <utility>

namespace orvek {

namespace {

using Planets = std::vector<Planet>;
using Links = std::vector<std::int32_t>;

void check_planet(const Planets& planets, int p)
{
    if (p < 0 || planet_index(p) >= planets.size())
        throw EditRefused("There is no planet " + std::to_string(p) +
                          ": the galaxy has planets 0 to " +
                          std::to_string(static_cast<int>(planets.size()) - 1) + ".");
}

bool joined(const Planet& planet, int q)
{
    return std::find(planet.links.begin(), planet.links.end(), q) != planet.links.end();
}

std::string name_of(const Planets& planets, int p)
{
    return cp1252_to_utf8(planets[planet_index(p)].system_name);
}

class Move : public GalaxyEdit, FarthestKept {
public:
    Move(const Planets& planets, int p, int x, int y)
        : p_(p), x_(x), y_(y), old_x_(planets[planet_index(p)].x),
          old_y_(planets[planet_index(p)].y), text_("Move " + name_of(planets, p))
    {}
    void apply(Planets& planets) override
    {
        remember(planets);
        place(planets, x_, y_);
        update_farthest(planets);
    }
    void revert(Planets& planets) override
    {
        place(planets, old_x_, old_y_);
        restore(planets);
    }
    std::string text() const override { return text_; }

private:
    void place(Planets& planets, int x, int y) const
    {
        planets[planet_index(p_)].x = x;
        planets[planet_index(p_)].y = y;
    }
    int p_, x_, y_, old_x_, old_y_;
    std::string text_;
};

// A planet's link list as it stands, so that revert can give it back exactly.
struct LinkState {
    Links links;

    explicit LinkState(const Planet& planet) : links(planet.links) {}
    void restore(Planet& planet) const { planet.links = links; }
};

// Join and cut change the link lists of two planets.
class LinkEdit : public GalaxyEdit {
public:
    LinkEdit(const Planets& planets, int p, int q, bool join, std::string text)
        : p_(p), q_(q), join_(join), old_p_(planets[planet_index(p)]),
          old_q_(planets[planet_index(q)]), text_(std::move(text))
    {}
    void apply(Planets& planets) override
    {
        change(planets[planet_index(p_)], q_);
        change(planets[planet_index(q_)], p_);
    }
    void revert(Planets& planets) override
    {
        old_p_.restore(planets[planet_index(p_)]);
        old_q_.restore(planets[planet_index(q_)]);
    }
    std::string text() const override { return text_; }

private:
    void change(Planet& planet, int other) const
    {
        if (join_)
            planet.links.push_back(other);
        else
            planet.links.erase(std::find(planet.links.begin(), planet.links.end(), other));
    }
    int p_, q_;
    bool join_;
    LinkState old_p_, old_q_;
    std::string text_;
};

// A link changed on one planet only, as an opened campaign's may need: a link to no planet cut
// from the planet that holds it, or a link held one way given back by the other planet.
class OneSidedLink : public GalaxyEdit {
public:
    OneSidedLink(const Planets& planets, int p, int q, bool add, std::string text)
        : p_(p), q_(q), add_(add), old_(planets[planet_index(p)]), text_(std::move(text))
    {}
    void apply(Planets& planets) override
    {
        Links& links = planets[planet_index(p_)].links;
        if (add_)
            links.push_back(q_);
        else
            links.erase(std::find(links.begin(), links.end(), q_));
    }
    void revert(Planets& planets) override { old_.restore(planets[planet_index(p_)]); }
    std::string text() const override { return text_; }

private:
    int p_, q_;
    bool add_;
    LinkState old_;
    std::string text_;
};

class Rename : public GalaxyEdit {
public:
    Rename(const Planets& planets, int p, std::string name)
        : p_(p), name_(std::move(name)), old_(planets[planet_index(p)].system_name),
          text_("Rename " + cp1252_to_utf8(old_) + " to " + cp1252_to_utf8(name_))
    {}
    void apply(Planets& planets) override { planets[planet_index(p_)].system_name = name_; }
    void revert(Planets& planets) override { planets[planet_index(p_)].system_name = old_; }
    std::string text() const override { return text_; }

private:
    int p_;
    std::string name_, old_, text_;
};

class MakeHome : public GalaxyEdit {
public:
    MakeHome(const Planets& planets, int p) : p_(p), text_("Make " + name_of(planets, p) + " home")
    {
        for (const Planet& planet : planets)
            old_.push_back(planet.home);
    }
    void apply(Planets& planets) override
    {
        for (Planet& planet : planets)
            planet.home = false;
        planets[planet_index(p_)].home = true;
    }
    void revert(Planets& planets) override
    {
        for (std::size_t i = 0; i < planets.size(); ++i)
            planets[i].home = old_[i];
    }
    std::string text() const override { return text_; }

private:
    int p_;
    std::vector<bool> old_;
    std::string text_;
};

// A link to no planet (an opened campaign may hold one) keeps pointing at no planet: those at
// or past the new planet's number move up one, so that none comes to name the new planet.
class Add : public GalaxyEdit, FarthestKept {
public:
    Add(const Planets& planets, Planet planet)
        : planet_(std::move(planet)), text_("Add " + cp1252_to_utf8(planet_.system_name))
    {
        for (std::size_t i = 0; i < planets.size(); ++i)
            for (std::size_t k = 0; k < planets[i].links.size(); ++k)
                if (planets[i].links[k] >= static_cast<std::int32_t>(planets.size()))
                    dangling_.emplace_back(i, k);
    }
    void apply(Planets& planets) override
    {
        remember(planets);
        for (const auto& [i, k] : dangling_)
            ++planets[i].links[k];
        planets.push_back(planet_);
        update_farthest(planets);
    }
    void revert(Planets& planets) override
    {
        planets.pop_back();
        for (const auto& [i, k] : dangling_)
            --planets[i].links[k];
        restore(planets);
    }
    std::string text() const override { return text_; }

private:
    Planet planet_;
    std::vector<std::pair<std::size_t, std::size_t>> dangling_;
    std::string text_;
};

// The planets after the deleted one move down a number; every link list is kept whole for
// revert, since the numbers in all of them change.
class Delete : public GalaxyEdit, FarthestKept {
public:
    Delete(const Planets& planets, int p)
        : p_(p), planet_(planets[planet_index(p)]), text_("Delete " + name_of(planets, p))
    {
        for (const Planet& planet : planets)
            old_links_.emplace_back(planet);
    }
    void apply(Planets& planets) override
    {
        remember(planets);
        const auto count = static_cast<std::int32_t>(planets.size());
        planets.erase(planets.begin() + p_);
        for (Planet& planet : planets) {
            std::erase(planet.links, p_);
            // A link to no planet keeps its number, and with it its meaning.
            for (std::int32_t& link : planet.links)
                link -= link > p_ && link < count ? 1 : 0;
        }
        update_farthest(planets);
    }
    void revert(Planets& planets) override
    {
        planets.insert(planets.begin() + p_, planet_);
        for (std::size_t i = 0; i < planets.size(); ++i)
            old_links_[i].restore(planets[i]);
        restore(planets);
    }
    std::string text() const override { return text_; }

private:
    int p_;
    Planet planet_;
    std::vector<LinkState> old_links_;
    std::string text_;
};

void check_join(const Planets& planets, int p, int q)
{
    check_planet(planets, p);
    check_planet(planets, q);
    if (p == q)
        throw EditRefused("A planet cannot be joined to itself.");
    if (joined(planets[planet_index(p)], q))
        throw EditRefused(planet_title(planets, p) + " and " + planet_title(planets, q) +
                          " are joined already.");
    for (int r : {p, q})
        if (std::ssize(planets[planet_index(r)].links) >= kMaxLinks)
            throw EditRefused(planet_title(planets, r) + " has " + std::to_string(kMaxLinks) +
                              " jumpgates already, the most a planet can hold.");
}

}  // namespace

EditPointer move_planet(const Planets& planets, int p, int x, int y)
{
    check_planet(planets, p);
    if (const std::string refusal = position_refusal(planets, p, x, y); !refusal.empty())
        throw EditRefused(refusal);
    return std::make_unique<Move>(planets, p, x, y);
}

EditPointer join_planets(const Planets& planets, int p, int q)
{
    check_join(planets, p, q);
    return std::make_unique<LinkEdit>(
        planets, p, q, true, "Join " + name_of(planets, p) + " and " + name_of(planets, q));
}

EditPointer cut_link(const Planets& planets, int p, int q)
{
    check_planet(planets, p);
    if ((q < 0 || planet_index(q) >= planets.size()) && joined(planets[planet_index(p)], q))
        return std::make_unique<OneSidedLink>(planets, p, q, false,
                                              "Cut " + name_of(planets, p) +
                                                  " \xE2\x80\x93 planet " + std::to_string(q));
    check_planet(planets, q);
    if (p == q || !joined(planets[planet_index(p)], q) || !joined(planets[planet_index(q)], p))
        throw EditRefused(planet_title(planets, p) + " and " + planet_title(planets, q) +
                          " are not joined.");
    return std::make_unique<LinkEdit>(planets, p, q, false,
                                      "Cut " + name_of(planets, p) + " \xE2\x80\x93 " +
                                          name_of(planets, q));
}

EditPointer link_back(const Planets& planets, int p, int q)
{
    check_planet(planets, p);
    check_planet(planets, q);
    if (p == q || !joined(planets[planet_index(p)], q) || joined(planets[planet_index(q)], p))
        throw EditRefused(planet_title(planets, p) + " holds no jumpgate to " +
                          planet_title(planets, q) + " that lacks its way back.");
    if (std::ssize(planets[planet_index(q)].links) >= kMaxLinks)
        throw EditRefused(planet_title(planets, q) + " has " + std::to_string(kMaxLinks) +
                          " jumpgates already, the most a planet can hold.");
    return std::make_unique<OneSidedLink>(
        planets, q, p, true, "Link " + name_of(planets, q) + " back to " + name_of(planets, p));
}

EditPointer rename_planet(const Planets& planets, int p, const std::string& name)
{
    check_planet(planets, p);
    return std::make_unique<Rename>(planets, p, game_planet_name(name));
}

EditPointer make_home(const Planets& planets, int p)
{
    check_planet(planets, p);
    if (planets[planet_index(p)].home)
        throw EditRefused(planet_title(planets, p) + " is the home planet already.");
    return std::make_unique<MakeHome>(planets, p);
}

EditPointer add_planet(const Planets& planets, int x, int y, const NewPlanetSources& sources)
{
    if (planets.size() >= static_cast<std::size_t>(kMostPlanets))
        throw EditRefused("A galaxy holds at most " + std::to_string(kMostPlanets) + " planets.");
    if (const std::string refusal = position_refusal(planets, -1, x, y); !refusal.empty())
        throw EditRefused(refusal);
    return std::make_unique<Add>(planets, planet_to_add(planets, x, y, sources));
}

EditPointer delete_planet(const Planets& planets, int p)
{
    check_planet(planets, p);
    if (planets.size() <= static_cast<std::size_t>(kFewestPlanets))
        throw EditRefused("A galaxy keeps at least " + std::to_string(kFewestPlanets) +
                          " planets.");
    if (planets[planet_index(p)].home)
        throw EditRefused("The home planet cannot be deleted: make another planet home first.");
    return std::make_unique<Delete>(planets, p);
}

}  // namespace orvek
