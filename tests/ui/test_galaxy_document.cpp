// SPDX-License-Identifier: GPL-3.0-or-later
// The galaxy document without a window: what each operation changes, what it tells its views,
// and that whatever fails leaves the document as it was.

#include "campaign/save.h"
#include "support/galaxy_picks.h"
#include "support/game_copy.h"
#include "support/small_galaxy.h"
#include "support/yes_dialog.h"
#include "ui/galaxy_document.h"

#include <QSignalSpy>
#include <QUndoStack>

#include <gtest/gtest.h>

namespace orvek {
namespace {

using testing::DemoGame;

struct Document {
    DemoGame game;
    GalaxyDocument document{GameFolder(game.dir.str())};
    QSignalSpy replaced{&document, &GalaxyDocument::replaced};
    QSignalSpy changed{&document, &GalaxyDocument::planets_changed};
    QSignalSpy unsaved{&document, &GalaxyDocument::unsaved_changed};

    Document()
    {
        Random random(7);
        document.replace_with_generated(testing::generate_in(document.folder(), random),
                                        {GenerateKind::WithPresets, {}, 7});
    }
    bool last_unsaved() const { return unsaved.back().at(0).toBool(); }
};

TEST(GalaxyDocument, EditsUndoAndSaveAsTheViewsAreTold)
{
    Document d;
    EXPECT_EQ(d.replaced.count(), 1);
    EXPECT_EQ(d.document.command()->seed, 7u);
    const std::vector<Planet> generated = d.document.planets();
    const auto [x, y] = testing::free_spot(generated, 7);
    d.document.edit([&](const auto& g) { return move_planet(g, 1, x, y); });
    EXPECT_EQ(d.changed.count(), 1);
    EXPECT_TRUE(d.document.has_unsaved_edits());
    EXPECT_TRUE(d.last_unsaved());

    d.document.undo_stack()->undo();
    EXPECT_EQ(d.document.planets(), generated);
    EXPECT_FALSE(d.last_unsaved());
    d.document.undo_stack()->redo();
    EXPECT_EQ(d.document.planets()[1].x, x);

    // A refused edit throws its sentence and changes nothing, not even the stack; nor does the
    // picture shown chosen again.
    EXPECT_THROW(d.document.edit([](const auto& g) { return join_planets(g, 2, 2); }), Error);
    d.document.set_background(d.document.galaxy().background_path);
    EXPECT_EQ(d.document.undo_stack()->count(), 1);

    Galaxy saved = d.document.galaxy();
    std::vector<std::array<bool, kFeatureCount>> written(saved.planets.size());
    written[3][0] = true;
    d.document.mark_saved(saved, written, "sevenfold");
    EXPECT_FALSE(d.document.has_unsaved_edits());
    EXPECT_EQ(d.document.unsaved_edit_count(), 0);
    EXPECT_TRUE(d.document.planets()[3].features[0]) << "the features the files hold";
    // Undone past the Save, the galaxy differs from the saved one by as many edits as undone.
    d.document.undo_stack()->undo();
    EXPECT_TRUE(d.document.has_unsaved_edits());
    EXPECT_EQ(d.document.unsaved_edit_count(), 1);
}

TEST(GalaxyDocument, AnOpenThatFailsLeavesTheGalaxyShown)
{
    Document d;
    const Galaxy before = d.document.galaxy();
    for (const char* id : {"nosuchcampaign", "../escape", ""}) {
        EXPECT_THROW(d.document.open(id), Error) << id;
        EXPECT_EQ(d.document.galaxy().planets, before.planets) << id;
        EXPECT_TRUE(d.document.command().has_value()) << id;
        EXPECT_EQ(d.document.opened(), nullptr) << id;
    }
    EXPECT_EQ(d.replaced.count(), 1);
    // One that opens brings its name, which the map file holds in Windows-1252, in UTF-8.
    Random random(3);
    SaveRequest request;
    request.campaign_name = "Caf\xe9";
    testing::YesDialog yes;
    Galaxy galaxy = before;
    ASSERT_EQ(save_campaign(galaxy, request, d.document.folder(), random, yes), SaveResult::Saved);
    d.document.open("caf");
    EXPECT_EQ(d.document.campaign_name(), "Caf\u00e9");
    ASSERT_NE(d.document.opened(), nullptr);
    // A galaxy generated after it is no campaign opened: its Save writes a campaign anew.
    d.document.replace_with_generated(before, {GenerateKind::WithPresets, {}, 8}, "Fresh");
    EXPECT_EQ(d.document.opened(), nullptr);
    EXPECT_TRUE(d.document.saved_id().empty());
}

// Every galaxy shown can be gone back to exactly as it was left, its unsaved edits still unsaved,
// as far back as the history reaches.
TEST(GalaxyDocument, HistoryGivesBackEveryGalaxyAsItWasLeft)
{
    Document d;  // galaxy 0, seed 7
    const auto [x, y] = testing::free_spot(d.document.planets(), 2);
    d.document.edit([&](const auto& g) { return move_planet(g, 2, x, y); });
    d.document.set_campaign_name("Typed Name");
    const Galaxy edited = d.document.galaxy();
    std::vector<Galaxy> made{edited};
    for (std::uint32_t seed = 8; seed < 8 + GalaxyDocument::kHistory; ++seed) {
        Random random(seed);
        made.push_back(testing::generate_in(d.document.folder(), random));
        d.document.replace_with_generated(made.back(), {GenerateKind::WithPresets, {}, seed},
                                          "Galaxy " + std::to_string(seed));
    }
    EXPECT_FALSE(d.document.can_go_forward());
    for (std::size_t back = 1; back < GalaxyDocument::kHistory; ++back) {
        ASSERT_TRUE(d.document.can_go_back()) << back;
        d.document.go_back();
        EXPECT_EQ(d.document.galaxy().planets, made[made.size() - 1 - back].planets) << back;
    }
    EXPECT_FALSE(d.document.can_go_back()) << "the oldest went when the history was full";
    EXPECT_EQ(d.document.command()->seed, 8u) << "the first of 65 went";
    d.document.go_forward();
    EXPECT_EQ(d.document.command()->seed, 9u);
    EXPECT_EQ(d.document.campaign_name(), "Galaxy 9");
    EXPECT_FALSE(d.document.has_unsaved_edits());

    // With a history that still holds it, the edited galaxy comes back edited and unsaved.
    Document e;
    const Galaxy generated = e.document.galaxy();
    e.document.edit([&](const auto& g) { return move_planet(g, 2, x, y); });
    e.document.set_campaign_name("Typed Name");
    Random random(8);
    e.document.replace_with_generated(testing::generate_in(e.document.folder(), random),
                                      {GenerateKind::WithPresets, {}, 8});
    e.document.go_back();
    EXPECT_EQ(e.document.galaxy().planets, edited.planets);
    EXPECT_EQ(e.document.campaign_name(), "Typed Name");
    EXPECT_TRUE(e.document.has_unsaved_edits());
    EXPECT_EQ(e.document.undo_stack()->count(), 0);
    e.document.go_forward();
    e.document.go_back();
    EXPECT_TRUE(e.document.has_unsaved_edits()) << "still, after coming back again";
    // A Generate after going back drops the galaxies ahead, as a browser does.
    ASSERT_TRUE(e.document.can_go_forward());
    Random another(9);
    e.document.replace_with_generated(testing::generate_in(e.document.folder(), another),
                                      {GenerateKind::WithPresets, {}, 9});
    EXPECT_FALSE(e.document.can_go_forward());
    e.document.go_back();
    EXPECT_EQ(e.document.galaxy().planets, edited.planets) << "the galaxy before stays";
    // Its edits discarded there, it is the galaxy as generated.
    e.document.discard_unsaved_edits();
    EXPECT_EQ(e.document.galaxy().planets, generated.planets);
}

}  // namespace
}  // namespace orvek
