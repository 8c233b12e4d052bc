// SPDX-License-Identifier: GPL-3.0-or-later
// The features a player sets by hand: one feature on or off on a selection of planets, or a
// facility group cleared, as one edit that a Save keeps.

#include "core/galaxy_edit.h"

#include "core/error.h"

#include <algorithm>

namespace orvek {

namespace {

using Planets = std::vector<Planet>;
using Flags = std::array<bool, kFeatureCount>;

const FacilityGroup* group_of(int feature)
{
    for (const FacilityGroup& group : kFacilityGroups)
        if (feature >= group.first && feature < group.first + group.variants)
            return &group;
    return nullptr;  // an inhibition effect
}

// One planet's features and which of them were set by hand, before and after the edit.
struct FeatureState {
    int planet;
    Flags features, set;
};

class SetFeatures : public GalaxyEdit {
public:
    SetFeatures(std::vector<FeatureState> before, std::vector<FeatureState> after, std::string text)
        : before_(std::move(before)), after_(std::move(after)), text_(std::move(text))
    {}
    void apply(Planets& planets) override { put(planets, after_); }
    void revert(Planets& planets) override { put(planets, before_); }
    std::string text() const override { return text_; }

private:
    static void put(Planets& planets, const std::vector<FeatureState>& states)
    {
        for (const FeatureState& s : states) {
            Planet& planet = planets[static_cast<std::size_t>(s.planet)];
            planet.features = s.features;
            planet.features_set = s.set;
        }
    }
    std::vector<FeatureState> before_, after_;
    std::string text_;
};

void check_planets(const Planets& planets, const std::vector<int>& group, int feature)
{
    for (const int p : group) {
        if (p < 0 || static_cast<std::size_t>(p) >= planets.size())
            throw EditRefused("There is no planet " + std::to_string(p) +
                              ": the galaxy has planets 0 to " +
                              std::to_string(static_cast<int>(planets.size()) - 1) + ".");
        if (feature >= kInhibitionCount && planets[static_cast<std::size_t>(p)].home)
            throw EditRefused("The facilities of " + planet_title(planets, p) +
                              ", the home planet, are the game's own: a large factory, shipyard "
                              "A and a small academy.");
    }
}

// The edit that gives each planet of `group` the values `change` makes of its flags.
template <class Change>
EditPointer features_edit(const Planets& planets, const std::vector<int>& group, int feature,
                          const std::string& what, Change change)
{
    if (feature < 0 || feature >= kFeatureCount)
        throw EditRefused("There is no feature " + std::to_string(feature) + ".");
    check_planets(planets, group, feature);
    std::vector<FeatureState> before, after;
    for (const int p : group) {
        const Planet& planet = planets[static_cast<std::size_t>(p)];
        before.push_back({p, planet.features, planet.features_set});
        FeatureState changed = before.back();
        change(changed);
        after.push_back(changed);
    }
    const std::string on = group.size() == 1 ? planet_title(planets, group.front())
                                             : std::to_string(group.size()) + " planets";
    return std::make_unique<SetFeatures>(std::move(before), std::move(after), what + " " + on);
}

}  // namespace

int feature_of(std::string_view keyword)
{
    const auto at = std::find(kFeatureKeywords.begin(), kFeatureKeywords.end(), keyword);
    if (at == kFeatureKeywords.end())
        throw EditRefused("There is no feature " + quoted(std::string(keyword), 60) +
                          ": the features are ENGINES_REQUIRED to REPAIR_INOPERABLE, repairyard, "
                          "smallfactory to largefactory, smallacademy, largeacademy and "
                          "shipyarda to shipyardc.");
    return static_cast<int>(at - kFeatureKeywords.begin());
}

EditPointer set_feature(const Planets& planets, const std::vector<int>& group, int feature, bool on)
{
    const std::string what =
        std::string(on ? "Set " : "Clear ") +
        std::string(feature >= 0 && feature < kFeatureCount ? kFeatureKeywords[feature] : "") +
        " on";
    return features_edit(planets, group, feature, what, [&](FeatureState& s) {
        // A variant turned on turns the others of its group off: one planet, one shipyard.
        if (const FacilityGroup* g = group_of(feature); g && on)
            for (int f = g->first; f < g->first + g->variants; ++f) {
                s.features[static_cast<std::size_t>(f)] = false;
                s.set[static_cast<std::size_t>(f)] = true;
            }
        s.features[static_cast<std::size_t>(feature)] = on;
        s.set[static_cast<std::size_t>(feature)] = true;
    });
}

EditPointer clear_facility(const Planets& planets, const std::vector<int>& group, int feature)
{
    const FacilityGroup* g = group_of(feature);
    if (!g)
        throw EditRefused("Only a facility has a group to clear.");
    return features_edit(planets, group, feature,
                         "Clear the " + std::string(kFeatureKeywords[feature]) + " group on",
                         [&](FeatureState& s) {
                             for (int f = g->first; f < g->first + g->variants; ++f) {
                                 s.features[static_cast<std::size_t>(f)] = false;
                                 s.set[static_cast<std::size_t>(f)] = true;
                             }
                         });
}

}  // namespace orvek
