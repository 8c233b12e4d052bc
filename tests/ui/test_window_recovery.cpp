// SPDX-License-Identifier: GPL-3.0-or-later
#include "campaign/campaign_check.h"
#include "campaign/campaign_reader.h"
#include "campaign/recovery_copies.h"
#include "core/galaxy_figures.h"
#include "gamedata/file_system.h"
#include "support/galaxy_picks.h"
#include "ui/map_widget.h"
#include "ui/recovery_keeper.h"
#include "ui/window_fixture.h"

#include <QElapsedTimer>
#include <QLineEdit>

#include <gtest/gtest.h>

#include <filesystem>

namespace fs = std::filesystem;

namespace orvek {
namespace {

using testing::Window;

// The copies in the window's state folder, as the next start would find them once the window
// had gone: its own copy renamed as another window's (one no process keeps).
std::vector<FoundCopy> left_behind(Window& w)
{
    EXPECT_TRUE(w.form.recovery()->write_now());
    const std::string own = w.form.recovery()->own_file();
    // Each time under another name, as each window's copy has its own.
    static int ended = 0;
    if (!own.empty() && fs::exists(w.state.path() / own))
        fs::rename(w.state.path() / own, w.state.path() / (own.substr(0, own.find('-', 8)) + "-1-" +
                                                           std::to_string(++ended) + ".json"));
    return abandoned_copies(w.state.str(), w.game.folder().game_dir());
}

void move_a_planet(Window& w, int planet)
{
    const auto [x, y] = testing::free_spot(w.form.document().planets(), planet);
    emit w.form.map()->move_requested(planet, x, y);
}

// A second after an edit the copy holds the galaxy as it is, its name and its Generate; offered
// at the next start, Restore shows it again, unsaved, and the copy becomes the window's own;
// Discard deletes it, Decide later keeps it for the start after.
TEST(WindowRecovery, UnsavedWorkIsCopiedAndOfferedBack)
{
    Window w;
    ASSERT_TRUE(w.click_and_wait("Generate"));
    move_a_planet(w, 3);
    w.find<QLineEdit>("CampaignName")->setText("Silver Reach");
    QTest::qWait(1500);  // the copy is taken a second after the change, unasked
    std::vector<FoundCopy> found = left_behind(w);
    ASSERT_EQ(found.size(), 1u);
    const Galaxy edited = w.form.document().galaxy();
    const auto command = w.form.document().command();
    EXPECT_EQ(found[0].work->galaxy, edited);
    EXPECT_EQ(found[0].work->campaign_name, "Silver Reach");
    EXPECT_EQ(found[0].work->source.seed, command->seed);

    w.close_answer = MainWindow::CloseAnswer::Discard;
    ASSERT_TRUE(w.click_and_wait("Generate"));
    ASSERT_NE(w.form.document().galaxy(), edited);
    for (const char* answer : {"Decide later", "Restore"}) {
        w.choice_answer = answer;
        w.form.offer_recovered_work();
        EXPECT_TRUE(w.choice_question.startsWith("Unsaved work from "));
        EXPECT_TRUE(w.choice_question.endsWith("(Silver Reach, 1 edit)"))
            << w.choice_question.toStdString();
    }
    EXPECT_EQ(w.form.document().galaxy(), edited);
    EXPECT_TRUE(w.form.document().has_unsaved_edits());
    EXPECT_EQ(w.form.document().command()->seed, command->seed);
    EXPECT_EQ(w.find<QLineEdit>("CampaignName")->text(), "Silver Reach");
    found = left_behind(w);
    ASSERT_EQ(found.size(), 1u) << "the restored copy went once the window's own was written";
    EXPECT_EQ(found[0].work->edits, 1);

    w.choice_answer = "Discard";
    w.form.offer_recovered_work();
    EXPECT_TRUE(abandoned_copies(w.state.str()).empty());

    // A damaged copy is named on the map and left as it is, for the player to look at.
    const std::string own = w.form.recovery()->own_file();
    ASSERT_FALSE(own.empty());
    const std::string damaged = own.substr(0, own.find('-', 8)) + "-1-99.json";
    w.state.write(damaged, "{\"format\": 1, \"ti");
    w.form.offer_recovered_work();
    const QString notice = w.form.map()->progress();
    EXPECT_NE(notice.indexOf("cannot be read and was left as it is"), -1) << notice.toStdString();
    EXPECT_NE(notice.indexOf(QString::fromStdString(damaged) + ": The recovery copy is damaged"),
              -1);
    EXPECT_TRUE(fs::exists(w.state.path() / damaged));

    // Closed with its edits discarded, the window leaves nothing to recover.
    move_a_planet(w, 3);
    ASSERT_TRUE(w.form.recovery()->write_now());
    const fs::path mine = w.state.path() / w.form.recovery()->own_file();
    ASSERT_TRUE(fs::exists(mine));
    w.close_answer = MainWindow::CloseAnswer::Discard;
    EXPECT_TRUE(w.form.close());
    EXPECT_TRUE(QTest::qWaitFor([&] { return !fs::exists(mine); }, 2000));
}

// Work of an opened campaign comes back under it, to be saved back; when the campaign changed
// on disk since, it comes back only as a new campaign.
TEST(WindowRecovery, AnOpenedCampaignChangedSinceComesBackAsNew)
{
    Window w;
    ASSERT_TRUE(w.click_and_wait("Generate"));
    w.find<QLineEdit>("CampaignName")->setText("Silver Reach");
    move_a_planet(w, 1);
    ASSERT_TRUE(w.form.recovery()->write_now());
    const fs::path copy = w.state.path() / w.form.recovery()->own_file();
    ASSERT_TRUE(fs::exists(copy));
    ASSERT_TRUE(w.save());
    // Saved: the copy goes at once, not a second later when the next copy would be taken.
    for (int waited = 0; fs::exists(copy) && waited < 500; waited += 20)
        QTest::qWait(20);
    EXPECT_FALSE(fs::exists(copy));
    EXPECT_TRUE(left_behind(w).empty()) << "saved: nothing to recover";
    w.form.open_campaign("silverreach");
    move_a_planet(w, 2);
    ASSERT_EQ(left_behind(w).size(), 1u);
    const Galaxy edited = w.form.document().galaxy();

    w.choice_answer = "Restore";
    w.close_answer = MainWindow::CloseAnswer::Discard;  // the edited galaxy shown is asked about
    w.form.offer_recovered_work();
    ASSERT_NE(w.form.document().opened(), nullptr);
    EXPECT_EQ(w.form.document().galaxy(), edited);
    EXPECT_EQ(left_behind(w).size(), 1u);
    // A campaign that can no longer be read comes back only as new, and the question counts the
    // planets whose templates are gone.
    const fs::path map = w.game.dir.path() / "campaign/data/maps/silverreach.txt";
    const fs::path all = w.game.dir.path() / "campaign/data/encounters/all";
    const std::string gone = edited.planets[0].template_file;
    const auto asks = [&](const char* answer, const char* question) {
        w.choice_answer = answer;
        w.form.offer_recovered_work();
        EXPECT_TRUE(w.choice_question.contains(question)) << w.choice_question.toStdString();
    };
    fs::rename(map, map.string() + ".aside");
    fs::rename(all / gone, w.game.dir.path() / gone);
    asks("Decide later", "the campaign can no longer be read. Restore it as a new campaign?\n1 of "
                         "its planets' templates are gone");
    fs::rename(map.string() + ".aside", map);
    fs::rename(w.game.dir.path() / gone, all / gone);
    std::ofstream(map, std::ios::app) << "; changed by hand\r\n";
    asks("Restore as new", "the campaign changed on disk since. Restore it as a new campaign?");
    EXPECT_EQ(w.form.document().opened(), nullptr);
    EXPECT_EQ(w.form.document().planets().size(), edited.planets.size());
}

// Steady editing is copied a second after its first change, not only once it pauses.
TEST(WindowRecovery, SteadyEditingIsCopiedEverySecond)
{
    Window w;
    ASSERT_TRUE(w.click_and_wait("Generate"));
    // Not at once: a drag's many moves make one copy, not one each.
    QElapsedTimer clock;
    clock.start();
    move_a_planet(w, 3);
    QTest::qWait(50);
    if (clock.elapsed() < 800) {
        EXPECT_TRUE(w.form.recovery()->own_file().empty()) << "copied at once";
    }
    for (int waited = 0; waited < 1600; waited += 200) {
        move_a_planet(w, 3);
        QTest::qWait(200);
    }
    EXPECT_FALSE(w.form.recovery()->own_file().empty());
}

// A keeper that ends (its window closing, or the game folder switched) first does the job it
// was given last, even one still waiting: the copy taken is written, the deletion done.
TEST(WindowRecovery, AnEndingKeeperDoesItsLastJob)
{
    Window w;
    ASSERT_TRUE(w.click_and_wait("Generate"));
    for (int round = 0; round < 5; ++round) {
        w.form.recovery()->take_now();
        w.form.set_up_recovery(w.state.str());
        const std::vector<FoundCopy> found = abandoned_copies(w.state.str());
        ASSERT_EQ(found.size(), 1u) << "round " << round << ": the copy taken was not written";
        EXPECT_EQ(found[0].work->galaxy, w.form.document().galaxy());
        delete_copy(w.state.str(), found[0].file);
    }
    ASSERT_TRUE(w.form.recovery()->write_now());
    const fs::path own = w.state.path() / w.form.recovery()->own_file();
    w.form.recovery()->forget();
    w.form.set_up_recovery(w.state.str());
    EXPECT_FALSE(fs::exists(own)) << "the copy of work discarded on closing stayed";
}

// A copy that cannot be written is said once on the map; the window goes on.
TEST(WindowRecovery, ACopyThatCannotBeWrittenIsSaidOnce)
{
    Window w;
    const std::string blocked = w.state.write("a file", "").string() + "/recovery";
    w.form.set_up_recovery(blocked);
    ASSERT_TRUE(w.click_and_wait("Generate"));
    EXPECT_FALSE(w.form.recovery()->write_now());
    QTRY_VERIFY_WITH_TIMEOUT(
        w.form.map()->progress().startsWith("The recovery copy of your unsaved work cannot be"),
        2000);
    const QString said = w.form.map()->progress();
    EXPECT_TRUE(said.endsWith(". Save to keep your work.") && !said.contains(".."))
        << said.toStdString();
    w.form.map()->show_notice("", 0);
    move_a_planet(w, 1);
    EXPECT_FALSE(w.form.recovery()->write_now());
    QTest::qWait(50);
    EXPECT_EQ(w.form.map()->progress(), "");
}

// Work restored after a save back that deleted a planet saves back again as the campaign on disk
// is: every planet its own file, nothing found wrong.
TEST(WindowRecovery, WorkAfterASaveBackSavesBackWhole)
{
    Window w;
    ASSERT_TRUE(w.click_and_wait("Generate"));
    w.find<QLineEdit>("CampaignName")->setText("Silver Reach");
    ASSERT_TRUE(w.save());
    w.form.open_campaign("silverreach");
    std::vector<Planet> planets = w.form.document().planets();
    // A planet whose loss cuts nothing, in the middle of the numbers.
    const std::vector<int> cuts = galaxy_cuts(planets).chokepoints;
    int doomed = static_cast<int>(planets.size()) / 2;
    while (planets[static_cast<std::size_t>(doomed)].home ||
           std::find(cuts.begin(), cuts.end(), doomed) != cuts.end())
        ++doomed;
    emit w.form.map()->delete_requested({doomed});
    ASSERT_EQ(w.form.document().planets().size(), planets.size() - 1);
    ASSERT_TRUE(w.save());
    ASSERT_EQ(load_campaign(w.game.folder(), "silverreach").planets.size(), planets.size() - 1);
    // The files on disk are now those the window wrote: the next save back asks nothing more.
    const int asked = w.questions;
    move_a_planet(w, 0);
    ASSERT_TRUE(w.save());
    EXPECT_EQ(w.questions, asked);
    move_a_planet(w, static_cast<int>(w.form.document().planets().size()) - 1);
    ASSERT_EQ(left_behind(w).size(), 1u);
    w.choice_answer = "Restore";
    w.close_answer = MainWindow::CloseAnswer::Discard;
    w.form.offer_recovered_work();
    ASSERT_NE(w.form.document().opened(), nullptr);
    ASSERT_TRUE(w.save());
    const LoadedCampaign back = load_campaign(w.game.folder(), "silverreach");
    ASSERT_EQ(back.planets.size(), w.form.document().planets().size());
    for (std::size_t i = 0; i < back.planets.size(); ++i) {
        const Planet& shown = w.form.document().planets()[i];
        EXPECT_EQ(back.planets[i].planet.system_name, shown.system_name) << i;
        EXPECT_EQ(std::pair(back.planets[i].planet.x, back.planets[i].planet.y),
                  std::pair(shown.x, shown.y))
            << i << ": the moved planet is saved where it stands";
    }
    EXPECT_EQ(problem_count(check_campaign(w.game.folder(), back)), 0);
}

}  // namespace
}  // namespace orvek
