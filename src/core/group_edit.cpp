// SPDX-License-Identifier: GPL-3.0-or-later
// The edits of several planets at once: a selection moved or deleted as one edit, refused as a
// whole when any part of it would be.

#include "core/galaxy_edit.h"

#include "core/farthest_kept.h"

#include <algorithm>

namespace orvek {

namespace {

using Planets = std::vector<Planet>;

// The planets in number order, each once; throws EditRefused for a number that is no planet.
std::vector<int> checked_group(const Planets& planets, std::vector<int> group)
{
    std::sort(group.begin(), group.end());
    group.erase(std::unique(group.begin(), group.end()), group.end());
    if (group.empty())
        throw EditRefused("No planet is selected.");
    for (const int p : group)
        if (p < 0 || planet_index(p) >= planets.size())
            throw EditRefused("There is no planet " + std::to_string(p) + ".");
    return group;
}

class GroupMove : public GalaxyEdit, FarthestKept {
public:
    GroupMove(std::vector<int> group, int dx, int dy)
        : group_(std::move(group)), dx_(dx), dy_(dy),
          text_("Move " + std::to_string(group_.size()) + " planets")
    {}
    void apply(Planets& planets) override
    {
        remember(planets);
        shift(planets, dx_, dy_);
    }
    void revert(Planets& planets) override
    {
        shift(planets, -dx_, -dy_);
        restore(planets);
    }
    std::string text() const override { return text_; }

private:
    void shift(Planets& planets, int dx, int dy) const
    {
        for (const int p : group_) {
            planets[planet_index(p)].x += dx;
            planets[planet_index(p)].y += dy;
        }
        update_farthest(planets);
    }
    std::vector<int> group_;
    int dx_, dy_;
    std::string text_;
};

// Edits made one after another on the galaxy, applied in that order and reverted in reverse.
class Sequence : public GalaxyEdit {
public:
    Sequence(std::vector<EditPointer> edits, std::string text)
        : edits_(std::move(edits)), text_(std::move(text))
    {}
    void apply(Planets& planets) override
    {
        for (const EditPointer& edit : edits_)
            edit->apply(planets);
    }
    void revert(Planets& planets) override
    {
        for (auto edit = edits_.rbegin(); edit != edits_.rend(); ++edit)
            (*edit)->revert(planets);
    }
    std::string text() const override { return text_; }

private:
    std::vector<EditPointer> edits_;
    std::string text_;
};

}  // namespace

EditPointer move_planets(const Planets& planets, const std::vector<int>& group, int dx, int dy)
{
    const std::vector<int> moved = checked_group(planets, group);
    if (moved.size() == 1)
        return move_planet(planets, moved[0], planets[planet_index(moved[0])].x + dx,
                           planets[planet_index(moved[0])].y + dy);
    if (const std::string refusal = move_refusal(planets, moved, dx, dy); !refusal.empty())
        throw EditRefused(refusal);
    return std::make_unique<GroupMove>(moved, dx, dy);
}

EditPointer delete_planets(const Planets& planets, const std::vector<int>& group)
{
    const std::vector<int> doomed = checked_group(planets, group);
    if (doomed.size() == 1)
        return delete_planet(planets, doomed[0]);
    // The home planet first: of the reasons, the one the player can act on.
    for (const int p : doomed)
        if (planets[planet_index(p)].home)
            return delete_planet(planets, p);
    // From the highest number down, so that the numbers still to delete keep their meaning;
    // each is made on the galaxy the ones before it leave.
    Planets scratch = planets;
    std::vector<EditPointer> edits;
    for (auto p = doomed.rbegin(); p != doomed.rend(); ++p) {
        edits.push_back(delete_planet(scratch, *p));
        edits.back()->apply(scratch);
    }
    return std::make_unique<Sequence>(std::move(edits),
                                      "Delete " + std::to_string(doomed.size()) + " planets");
}

}  // namespace orvek
