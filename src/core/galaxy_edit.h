// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The player's edits of a galaxy: move, join, cut, rename, make home, add and delete a planet,
// and set its features.
// Each is checked against the galaxy when it is made and can then be applied and reverted any
// number of times; the window's undo stack and the command-line tool share them.
//
// galaxy_edit.cpp holds the edits of one planet; group_edit.cpp those of a selection;
// feature_edit.cpp the features set by hand; mend_edit.cpp the mend of a planet whose file was not
// read; tidy_edit.cpp the jumpgates drawn through planets rerouted;
// galaxy_rules.cpp the rules they and the check share (where a planet may stand, which planets
// are reached, each planet's farthest, a planet's title).

#include "core/error.h"
#include "core/planet.h"
#include "core/settings.h"

#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace orvek {

// The links a planet record has room for, and the longest name of a planet. A galaxy holds
// kFewestPlanets to kMostPlanets planets (settings.h).
inline constexpr int kMaxLinks = 10;
inline constexpr int kMaxNameLength = 40;

// An edit the galaxy cannot take; what() is a sentence that says why.
class EditRefused : public Error {
public:
    using Error::Error;
};

class GalaxyEdit {
public:
    virtual ~GalaxyEdit() = default;
    // Applies the edit to the galaxy it was made for, or reverts it on the galaxy that apply
    // left. Revert gives that galaxy back exactly. Neither fails.
    virtual void apply(std::vector<Planet>& planets) = 0;
    virtual void revert(std::vector<Planet>& planets) = 0;
    // What the edit does, for the undo menu ("Move Heze"), in UTF-8.
    virtual std::string text() const = 0;
};

using EditPointer = std::unique_ptr<GalaxyEdit>;

// What an added planet is given: the first template of the listing (full paths, in listing
// order) whose file name no planet uses, and the first name of the name lists no planet has.
struct NewPlanetSources {
    std::vector<std::string> templates;
    std::vector<std::string> names;  // 8-bit text
};

// Each of these throws EditRefused when the galaxy cannot take the edit (a planet number out of
// range, a place too close to another planet, a name the game cannot show...).
EditPointer move_planet(const std::vector<Planet>& planets, int p, int x, int y);
EditPointer join_planets(const std::vector<Planet>& planets, int p, int q);
// A link of p to no planet (q out of range, which an opened campaign may hold) can be cut too.
EditPointer cut_link(const std::vector<Planet>& planets, int p, int q);
// A link of p to q that q lacks (an opened campaign's) made mutual: q links back to p.
EditPointer link_back(const std::vector<Planet>& planets, int p, int q);
// `name` is UTF-8 as typed; the planet gets its Windows-1252 bytes.
EditPointer rename_planet(const std::vector<Planet>& planets, int p, const std::string& name);
EditPointer make_home(const std::vector<Planet>& planets, int p);
EditPointer add_planet(const std::vector<Planet>& planets, int x, int y,
                       const NewPlanetSources& sources);
EditPointer delete_planet(const std::vector<Planet>& planets, int p);
// A planet of an opened campaign whose file was not read, given a new file made from the game's
// template `template_file` (a file name no planet uses): it takes the free place nearest the
// map's middle, the first name of the name lists no planet has (`sources.names`), and links to
// the planets that link to it; it keeps being home where it was. Refused when p is no unread
// planet or the template is in use.
EditPointer give_template(const std::vector<Planet>& planets, int p,
                          const std::string& template_file, const NewPlanetSources& sources);

// A selection (planet numbers, in any order, each counted once) moved by (dx, dy) map units or
// deleted, as one edit. Refused as a whole, with the first reason, when any planet of it would
// be: out of the map, too close to a planet outside the selection, the home planet deleted, or
// fewer planets left than a galaxy keeps.
EditPointer move_planets(const std::vector<Planet>& planets, const std::vector<int>& group, int dx,
                         int dy);
EditPointer delete_planets(const std::vector<Planet>& planets, const std::vector<int>& group);

// The feature flag of `keyword`, spelled as kFeatureKeywords spells it. Throws EditRefused,
// naming the features, for any other word.
int feature_of(std::string_view keyword);

// Feature `feature` set on or off by hand on every planet of `group`, as one edit; a Save keeps
// it so rather than drawing it. A facility variant turned on turns the other variants of its
// group off. Refused for a planet out of range and for a facility of the home planet, whose
// facilities are the game's fixed three.
EditPointer set_feature(const std::vector<Planet>& planets, const std::vector<int>& group,
                        int feature, bool on);
// Every variant of the facility group of `feature` set off by hand ("none"), as one edit.
EditPointer clear_facility(const std::vector<Planet>& planets, const std::vector<int>& group,
                           int feature);

// Every jumpgate drawn through a third planet (gates_in_the_way) rerouted through it, as one
// edit: the gate's two planets are each joined to the planet in the way instead of to each
// other, so every planet stays reached as before; new gates that pass a planet are rerouted in
// turn. A planet in the way with no room for two more links keeps the gate passing it. Refused
// when no gate is drawn through a planet, or none could be rerouted.
EditPointer tidy_gates(const std::vector<Planet>& planets);

// Why the selection `group` cannot move by (dx, dy), or empty when it can.
std::string move_refusal(const std::vector<Planet>& planets, const std::vector<int>& group, int dx,
                         int dy);

// The planet add_planet adds at (x, y): the first template of `sources` no planet uses, the first
// name no planet has (else "New planet N"). Throws EditRefused when every template is in use.
Planet planet_to_add(const std::vector<Planet>& planets, int x, int y,
                     const NewPlanetSources& sources);

// Why planet p (-1: a new planet) cannot stand at (x, y), or empty when it can: the window
// rings the marker red while a drag is over such a place.
std::string position_refusal(const std::vector<Planet>& planets, int p, int x, int y);

// The free place nearest the map's middle for planet p (-1: a new planet), searched in steps of
// 5 map units on squares of growing size; nothing when the map holds no free place.
std::optional<std::pair<int, int>> free_place_near_middle(const std::vector<Planet>& planets,
                                                          int p);

// The planets that no chain of links, followed either way, joins to planet `from` (without it,
// the home planet), in number order (every planet when `from` is no planet). Links to no planet
// are passed over.
std::vector<int> unreachable_planets(const std::vector<Planet>& planets, int from);
std::vector<int> unreachable_planets(const std::vector<Planet>& planets);

// The home planet's number; 0 when no planet is home (an opened campaign's may lack one).
int home_planet(const std::vector<Planet>& planets);

// Sets each planet's `farthest` from the positions: the lower number wins a tie.
void update_farthest(std::vector<Planet>& planets);

// "Heze (planet 3)" in UTF-8, for sentences about a planet.
std::string planet_title(const std::vector<Planet>& planets, int p);

// The planet name `utf8` as the game stores it (8-bit text). Throws EditRefused, saying why, for
// a name the game cannot hold: empty, too long, with control characters or characters it cannot
// show, or holding a key of the encounter file.
std::string game_planet_name(const std::string& utf8);

}  // namespace orvek
