// SPDX-License-Identifier: GPL-3.0-or-later
// The Generate command: the clamp before anything changes, the presets of the list buttons, the
// fields it reads, and the order of its errors.

#include "core/generate_command.h"

#include "core/error.h"
#include "core/galaxy_figures.h"
#include "core/galaxy_shape.h"
#include "core/random.h"
#include "support/errors.h"
#include "support/fake_services.h"
#include "support/generator_checks.h"
#include "support/plain_generator.h"

#include <gtest/gtest.h>

namespace orvek {
namespace {

using testing::error_of;
using testing::expect_same_galaxy;
using testing::FakeWorld;
using testing::params_of;

TEST(GenerateCommand, ClampFailureKeepsTheGalaxy)
{
    FakeWorld world;
    Random random(2);
    Galaxy galaxy;
    galaxy.planets.resize(5);
    GalaxySettings settings;
    settings.size_class = -1;  // no size chosen: the planets field is read
    settings.planet_count = "";
    std::string name = "kept";
    EXPECT_EQ(error_of([&] {
                  run_generate_command(GenerateKind::WithPresets, settings, galaxy, name,
                                       world.services, random);
              }),
              "'' is not a valid integer value");
    EXPECT_EQ(galaxy.planets.size(), 5u);
    EXPECT_EQ(name, "kept");
}

TEST(GenerateCommand, PresetsOnlyForTheGenerateButton)
{
    for (GenerateKind button : {GenerateKind::WithPresets, GenerateKind::Custom}) {
        FakeWorld world;
        Random random(21), expected(21);
        Galaxy galaxy;
        GalaxySettings settings;
        settings.planet_count = "3";
        std::string name;
        run_generate_command(button, settings, galaxy, name, world.services, random);

        GalaxySettings want;
        want.planet_count = "8";
        if (button == GenerateKind::WithPresets)
            randomize_settings(want, expected);
        else
            EXPECT_EQ(settings.wormhole_count, "1");
        EXPECT_EQ(settings.planet_count, want.planet_count);
        EXPECT_EQ(settings.join1_pct, want.join1_pct);
        EXPECT_EQ(name, "Campaign " + std::to_string(expected(100)));
        GalaxyParams params = params_of(std::stoi(want.planet_count), 0, std::stoi(want.join1_pct),
                                        std::stoi(want.join2_pct), std::stoi(want.join3_pct));
        params.wormhole_text = want.wormhole_count;
        FakeWorld other;
        Galaxy reference;
        testing::plain_generate_galaxy(params, other.services, expected, reference);
        expect_same_galaxy(galaxy, reference, "command");
    }
}

// "Generate" with a size and a style chosen sets the planet count and the join weights itself:
// what those fields hold, even nothing, changes nothing; "Generate Custom" reads them.
TEST(GenerateCommand, AFieldThePresetSetsIsNeverRead)
{
    const auto generate = [](GenerateKind kind, const std::string& field) {
        FakeWorld world;
        Random random(5);
        Galaxy galaxy;
        GalaxySettings settings;
        settings.planet_count = settings.join1_pct = settings.join2_pct = settings.join3_pct =
            field;
        std::string name;
        run_generate_command(kind, settings, galaxy, name, world.services, random);
        return galaxy;
    };
    const Galaxy typed = generate(GenerateKind::WithPresets, "30");
    for (const char* field : {"", "x", "-"})
        expect_same_galaxy(generate(GenerateKind::WithPresets, field), typed, field);
    EXPECT_THROW(generate(GenerateKind::Custom, ""), Error);
}

// The shape and the clear jumpgates chosen reach the attempts: every planet stands in the ring,
// and with clear jumpgates no jumpgate crosses another or passes a planet (without, this galaxy
// has both).
TEST(GenerateCommand, TheShapeAndClearJumpgatesReachTheAttempts)
{
    for (const bool clear : {false, true}) {
        FakeWorld world;
        Random random(2);
        Galaxy galaxy;
        GalaxySettings settings;
        settings.planet_count = "60";
        settings.shape = {ShapeKind::Ring, 0};
        settings.clear_gates = clear;
        std::string name;
        run_generate_command(GenerateKind::Custom, settings, galaxy, name, world.services, random);
        const ShapeOutline ring(settings.shape, 60);
        for (const Planet& planet : galaxy.planets)
            EXPECT_TRUE(ring.inside(planet.x, planet.y)) << planet.x << "," << planet.y;
        const GalaxyFigures figures = galaxy_figures(galaxy.planets);
        EXPECT_EQ(figures.crossings > 0 && figures.through_planets > 0, !clear);
        EXPECT_EQ(figures.crossings + figures.through_planets == 0, clear);
    }
}

TEST(GenerateCommand, WormholeFieldErrorComesAfterTheCampaignName)
{
    FakeWorld world;
    Random random(4);
    Galaxy galaxy;
    GalaxySettings settings;
    settings.wormhole_count = "";
    std::string name;
    EXPECT_EQ(error_of([&] {
                  run_generate_command(GenerateKind::Custom, settings, galaxy, name, world.services,
                                       random);
              }),
              "'' is not a valid integer value");
    EXPECT_FALSE(name.empty());
    EXPECT_TRUE(galaxy.planets.empty());
}

}  // namespace
}  // namespace orvek
