// SPDX-License-Identifier: GPL-3.0-or-later
// The window's saved campaigns: Open and Check by their keys, the findings and their fixes, and
// what the map shows of a campaign with problems.

#include "ui/main_window.h"
#include "ui/campaign_dialogs.h"

#include "core/galaxy_figures.h"
#include "support/game_copy.h"
#include "ui/window_fixture.h"
#include "ui/map_render.h"
#include "ui/map_widget.h"
#include "ui/message_box.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QCheckBox>
#include <QTreeWidget>
#include <QTimer>
#include <QPainter>
#include <QDialogButtonBox>
#include <QComboBox>
#include <QHelpEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QUndoStack>
#include <QToolTip>

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <cmath>
#include <map>

namespace fs = std::filesystem;

namespace orvek {
namespace {

using testing::cli_command;
using testing::picture_path;
using testing::Window;

// Two campaigns saved from the window, "Fine Reach" and "Broken Reach", and a fault planted by
// hand in the second: planet 1's EncounterID says 7.
void save_two_campaigns(Window& w)
{
    for (const char* name : {"Fine Reach", "Broken Reach"}) {
        ASSERT_TRUE(w.click_and_wait("Generate"));
        w.find<QLineEdit>("CampaignName")->setText(name);
        ASSERT_TRUE(w.save("Save"));
    }
    const fs::path data = w.game.dir.path() / "campaign/data";
    const std::string map = testing::read_bytes(data / "maps/brokenreach.txt");
    const std::size_t entry = map.find("\r\n1 = ");
    ASSERT_NE(entry, std::string::npos);
    const std::string line = map.substr(entry + 2, map.find('\r', entry + 2) - entry - 2);
    const fs::path file = data / "encounters/brokenreach" / line.substr(line.rfind('/') + 1);
    std::string bytes = testing::read_bytes(file);
    bytes.replace(bytes.find("EncounterID = 1"), 15, "EncounterID = 7");
    std::ofstream(file, std::ios::binary | std::ios::trunc) << bytes;
}

// The window's shortcuts work where it is the active window, as it is again for a player once a
// dialog has closed.
void activate(Window& w)
{
    w.form.activateWindow();
    EXPECT_TRUE(QTest::qWaitForWindowActive(&w.form, 1000));
}

void open_with_keys(Window& w, const QString& id)
{
    w.choose_in_campaign_list(id);
}

// Ctrl+K, then the finding that holds `text` chosen in the list.
void check_with_keys(Window& w, const QString& text)
{
    activate(w);
    QTest::keyClick(&w.form, Qt::Key_K, Qt::ControlModifier);
    auto* list = w.form.findChild<QListWidget*>("FindingsList");
    ASSERT_NE(list, nullptr);
    for (int i = 0; i < list->count(); ++i)
        if (list->item(i)->text().contains(text))
            list->setCurrentRow(i);
}

// Open and Check change nothing on disk; the problem is told on the map, and choosing it in the
// list rings its planet.
TEST(MainWindow, OpenAndCheckASavedCampaign)
{
    Window w;
    save_two_campaigns(w);
    check_with_keys(w, "");
    EXPECT_TRUE(w.form.findChild<QListWidget*>("FindingsList")->isVisible())
        << "right after a Save, Ctrl+K checks what it wrote";
    EXPECT_TRUE(w.messages.empty());
    const auto before = testing::snapshot(w.game.dir.path(), true);
    open_with_keys(w, "brokenreach");
    EXPECT_EQ(w.find<QLineEdit>("CampaignName")->text(), "Broken Reach");
    EXPECT_EQ(w.form.map()->seed_text(), "") << "a saved campaign keeps no seed";
    EXPECT_EQ(w.form.map()->status(), "1 problem: Ctrl+K lists them");
    EXPECT_GE(w.form.map()->planets().size(), 8u);
    check_with_keys(w, "EncounterID");
    EXPECT_EQ(w.form.map()->selected_planet(), 1);
    const QString name = QString::fromStdString(planet_title(w.form.document().planets(), 1));
    const QString chosen = w.form.findChild<QListWidget*>("FindingsList")->currentItem()->text();
    EXPECT_TRUE(chosen.startsWith(name + ": EncounterID"))
        << chosen.toStdString() << ": a finding is led by its planet's name";
    // Its notes are the jumpgates drawn through planets, which "Tidy jumpgates" reroutes.
    const std::size_t through = gates_in_the_way(w.form.document().planets()).through.size();
    EXPECT_TRUE(
        w.form.findChild<QListWidget*>("FindingsList")
            ->window()
            ->windowTitle()
            .endsWith(QString(": 1 problem, %1 note%2").arg(through).arg(through == 1 ? "" : "s")));
    // Saved back, it asks first, naming the planet: Cancel writes nothing, "Check campaign"
    // lists the problems, "Save anyway" saves and the problem line stays.
    for (const char* answer : {"Cancel", "Check campaign"}) {
        w.problems_answer = answer;
        ASSERT_TRUE(w.save());
        EXPECT_EQ(testing::snapshot(w.game.dir.path(), true), before) << answer;
        EXPECT_FALSE(w.form.map()->progress().startsWith("Saved campaign")) << answer;
    }
    ASSERT_EQ(w.problem_questions.size(), 2u);
    EXPECT_TRUE(w.problem_questions[0].contains("(planet 1): EncounterID is not 1"))
        << w.problem_questions[0].toStdString();
    QListWidget* findings = w.form.findChild<QListWidget*>("FindingsList");
    EXPECT_TRUE(findings->isVisible());
    findings->window()->close();
    w.problems_answer = "Save anyway";
    ASSERT_TRUE(w.save());
    EXPECT_EQ(w.problem_questions.size(), 3u);
    EXPECT_TRUE(w.form.map()->progress().startsWith("Saved campaign"))
        << w.form.map()->progress().toStdString();
    EXPECT_EQ(w.form.map()->status(), "1 problem: Ctrl+K lists them");
    const auto saved = testing::snapshot(w.game.dir.path(), true);
    open_with_keys(w, "finereach");
    EXPECT_EQ(w.form.map()->status(), "");
    EXPECT_EQ(w.form.map()->selected_planet(), -1);
    EXPECT_TRUE(w.messages.empty());
    EXPECT_EQ(testing::snapshot(w.game.dir.path(), true), saved);
    // A galaxy generated after it has no problem line of its own, and its findings close.
    open_with_keys(w, "brokenreach");
    check_with_keys(w, "");
    ASSERT_TRUE(w.form.findChild<QListWidget*>("FindingsList")->isVisible());
    ASSERT_TRUE(w.click_and_wait("Generate"));
    EXPECT_EQ(w.form.map()->status(), "");
    EXPECT_FALSE(w.form.findChild<QListWidget*>("FindingsList")->isVisible());
}

// The Open list: newest first, a campaign that cannot be read listed with why, each one's check
// in words, the newest chosen at first.
TEST(MainWindow, TheOpenListTellsEveryCampaign)
{
    Window w;
    save_two_campaigns(w);
    const fs::path maps = w.game.dir.path() / "campaign/data/maps";
    const auto broken_time = fs::last_write_time(maps / "brokenreach.txt");
    fs::last_write_time(maps / "finereach.txt", broken_time + std::chrono::hours(1));
    std::ofstream(maps / "hollow.txt").close();
    fs::resize_file(maps / "hollow.txt", (1u << 20) + 1);  // more than a map file may hold
    fs::last_write_time(maps / "hollow.txt", broken_time - std::chrono::hours(1));
    const std::vector<CampaignEntry> entries = saved_campaigns(w.game.folder());
    ASSERT_EQ(entries.size(), 3u);
    EXPECT_EQ(entries[0].id, "finereach");
    EXPECT_EQ(entries[1].id, "brokenreach");
    EXPECT_EQ(entries[2].id, "hollow");
    const std::vector<Finding> findings =
        check_campaign(w.game.folder(), load_campaign(w.game.folder(), "brokenreach"));
    EXPECT_EQ(entries[1].problems, 1);
    EXPECT_EQ(entries[1].notes, static_cast<int>(findings.size()) - 1);
    EXPECT_FALSE(entries[2].error.empty());
    OpenCampaignDialog dialog(entries, nullptr);
    auto* list = dialog.findChild<QTreeWidget*>("CampaignList");
    const QString fine =
        entries[0].notes == 0 ? QString("fine") : QString("fine, %1 note").arg(entries[0].notes);
    EXPECT_TRUE(list->topLevelItem(0)->text(4).startsWith(fine));
    EXPECT_EQ(list->topLevelItem(1)->text(4), "1 problem");
    EXPECT_EQ(list->topLevelItem(2)->text(4), "cannot be read");
    EXPECT_EQ(dialog.chosen(), "finereach");
}

// The question before a Save with problems: one is "problem"; eight are all listed; of nine, the
// last is counted; a finding about no planet is led by its file's name.
TEST(MainWindow, TheProblemsQuestionListsEightAndCountsTheRest)
{
    std::vector<Planet> planets(2);
    planets[1].system_name = "Heze";
    const struct {
        const char* name;
        int problems;
        const char *starts, *ends;
    } rows[] = {
        {"one", 1, "with 1 problem that", "old.txt: the file is gone"},
        {"eight", 8, "with 8 problems that", "Heze (planet 1): EncounterID is not 1"},
        {"nine", 9, "with 9 problems that", "\n\u2022 and 1 more"},
    };
    for (const auto& r : rows) {
        std::vector<Finding> problems(static_cast<std::size_t>(r.problems),
                                      {true, "heze.txt", 2, 1, "EncounterID is not 1"});
        problems[0] = {true, "old.txt", 0, 7, "the file is gone"};
        const QString text = problems_question(planets, problems);
        EXPECT_TRUE(text.startsWith(QString("The campaign would be saved ") + r.starts)) << r.name;
        EXPECT_TRUE(text.endsWith(QString::fromUtf8(r.ends)))
            << r.name << ": " << text.toStdString();
        EXPECT_TRUE(text.contains("\n\u2022 old.txt: the file is gone")) << r.name;
    }
}

// The findings list by itself: a finding about no planet rings none, a cut offers no template,
// and a check that found nothing says so.
TEST(MainWindow, TheFindingsListRingsAndOffersOnlyWhatAFindingIsAbout)
{
    FindingsDialog dialog(nullptr);
    QSignalSpy rung(&dialog, &FindingsDialog::planet_chosen);
    Finding about_a_file{false, "stray.txt", 0, -1, "no entry of the map file names this file"};
    Finding cut{true, "heze.txt", 9, 1, "the planet links to planet 7, which does not exist"};
    cut.fix = Finding::Fix::CutLink;
    cut.other = 7;
    dialog.show_findings("heze", {about_a_file, cut}, std::vector<Planet>(2));
    auto* list = dialog.findChild<QListWidget*>("FindingsList");
    list->setCurrentRow(0);
    EXPECT_EQ(rung.count(), 0);
    list->setCurrentRow(1);
    EXPECT_EQ(rung.count(), 1);
    EXPECT_FALSE(dialog.findChild<QPushButton*>("FixButton")->isHidden());
    EXPECT_TRUE(dialog.findChild<QPushButton*>("GiveTemplateButton")->isHidden());
    dialog.show_findings("heze", {}, std::vector<Planet>(2));
    ASSERT_EQ(list->count(), 1);
    EXPECT_TRUE(list->item(0)->text().startsWith("Nothing found"));
}

// With no campaign saved, the Open list says how one gets there, and Open and Export are off.
TEST(MainWindow, AnEmptyOpenListSaysWhatToDo)
{
    OpenCampaignDialog dialog({}, nullptr);
    auto* none = dialog.findChild<QLabel*>("NoCampaigns");
    ASSERT_NE(none, nullptr);
    EXPECT_TRUE(none->text().contains("press Save"));
    auto* buttons = dialog.findChild<QDialogButtonBox*>();
    EXPECT_FALSE(buttons->button(QDialogButtonBox::Open)->isEnabled());
    EXPECT_FALSE(dialog.findChild<QPushButton*>("ExportCampaign")->isEnabled());
}

// A planet whose file is gone has no place on the map: the problem line names it, nothing is
// drawn at the map's corner, and the links to it are short red stubs from their planets.
TEST(MainWindow, APlanetWhoseFileIsGoneIsNamedNotDrawn)
{
    Window w;
    ASSERT_TRUE(w.click_and_wait("Generate"));
    w.find<QLineEdit>("CampaignName")->setText("Torn Reach");
    ASSERT_TRUE(w.save("Save"));
    const std::vector<Planet> saved = w.form.document().planets();
    int gone = 0;
    while (saved[static_cast<std::size_t>(gone)].home)
        ++gone;
    fs::remove(w.game.dir.path() / "campaign/data/encounters/tornreach" /
               saved[static_cast<std::size_t>(gone)].template_file);
    w.form.map()->select_planet(gone == 0 ? 1 : 0);
    w.form.open_campaign("tornreach");
    EXPECT_TRUE(w.form.map()->selection().empty()) << "a selection is about the galaxy before";
    EXPECT_TRUE(w.form.map()->status().endsWith(
        QString("Not on the map (file not read): planet %1").arg(gone)))
        << w.form.map()->status().toStdString();
    EXPECT_EQ(planet_at(w.form.map()->planets(), QPoint(3, 3), w.form.map()->side()), -1);
    const QImage shown = w.form.map()->grab().toImage();
    int stubs = 0;
    for (const Planet& p : w.form.map()->planets()) {
        if (p.unread || p.home || std::find(p.links.begin(), p.links.end(), gone) == p.links.end())
            continue;
        const QPoint at = link_end(p, w.form.map()->side());
        int red = 0;
        for (int dy = -20; dy <= 20; ++dy)
            for (int dx = -20; dx <= 20; ++dx) {
                const QColor c = shown.pixelColor(at + QPoint(dx, dy));
                red += c.red() > 200 && c.green() < 60 && c.blue() < 60;
            }
        EXPECT_GT(red, 10) << p.system_name << " shows its stub";
        ++stubs;
        // The planet panel names the link by the planet's number, as it has no name to show.
        w.form.map()->select_planet(static_cast<int>(&p - &w.form.map()->planets().front()));
        EXPECT_TRUE(w.find<QLabel>("PlanetLinks")
                        ->text()
                        .contains(QString("planet %1 (its file was not read)").arg(gone)))
            << w.find<QLabel>("PlanetLinks")->text().toStdString();
    }
    EXPECT_GT(stubs, 0);

    // Its problem offers the mends, each an edit: deleting the planet, or a file from a template
    // no planet uses (the findings counted anew after each); then the campaign saves.
    const auto problems = [&] { return problem_count(w.form.document().findings()); };
    const int before = problems();
    const std::size_t count = w.form.document().planets().size();
    check_with_keys(w, "is not in the campaign's folder");
    w.form.findChild<QPushButton*>("FixButton")->click();
    EXPECT_EQ(w.form.document().planets().size(), count - 1);
    w.form.document().undo_stack()->undo();
    EXPECT_EQ(problems(), before);
    check_with_keys(w, "a Save has nothing to write it from");
    auto* give = w.form.findChild<QPushButton*>("GiveTemplateButton");
    ASSERT_TRUE(give && give->isVisible());
    // A template a planet uses already is not offered.
    w.template_answer =
        QString::fromStdString(w.form.document().planets()[gone == 0 ? 1 : 0].template_file);
    ASSERT_FALSE(w.template_answer.isEmpty());
    give->click();
    EXPECT_FALSE(w.templates_offered.isEmpty());
    EXPECT_FALSE(w.templates_offered.contains(w.template_answer));
    w.template_answer.clear();
    for (int n = 199; w.template_answer.isEmpty(); --n) {
        const std::string name = "campaign_all_" + std::to_string(n) + ".txt";
        const auto& planets = w.form.document().planets();
        if (std::none_of(planets.begin(), planets.end(),
                         [&](const Planet& p) { return p.template_file == name; }))
            w.template_answer = QString::fromStdString(name);
    }
    give->click();
    const Planet& mended = w.form.document().planets()[static_cast<std::size_t>(gone)];
    EXPECT_FALSE(mended.unread);
    EXPECT_EQ(QString::fromStdString(mended.template_file), w.template_answer);
    EXPECT_EQ(problems(), 0) << "the findings are counted anew after the edit";
    ASSERT_TRUE(w.save());
    EXPECT_TRUE(w.form.map()->progress().startsWith("Saved campaign"))
        << w.form.map()->progress().toStdString();
    // Without its picture it opens all the same, over the start-up picture, the loss a problem.
    fs::remove(w.form.document().galaxy().background_path);
    w.messages.clear();
    w.form.open_campaign("tornreach");
    EXPECT_TRUE(w.messages.empty());
    EXPECT_EQ(w.form.map()->planets().size(), count);
    EXPECT_EQ(w.form.map()->status(), "1 problem: Ctrl+K lists them");
}

// A finding with one clear fix offers it: "Cut this jumpgate" cuts a link to no planet as an edit
// that Ctrl+Z takes back, and the problem goes from the list.
TEST(MainWindow, AFindingsFixIsAnUndoableEdit)
{
    Window w;
    ASSERT_TRUE(w.click_and_wait("Generate"));
    w.find<QLineEdit>("CampaignName")->setText("Loose Reach");
    ASSERT_TRUE(w.save("Save"));
    const Planet first = w.form.document().planets()[0];
    const fs::path file =
        w.game.dir.path() / "campaign/data/encounters/loosereach" / first.template_file;
    std::string bytes = testing::read_bytes(file);
    const std::size_t links = bytes.find("wormholes = ");
    bytes.insert(bytes.find('\r', links), "99,");
    std::ofstream(file, std::ios::binary | std::ios::trunc) << bytes;
    w.form.open_campaign("loosereach");
    check_with_keys(w, "planet 99, which does not exist");
    auto* fix = w.form.findChild<QPushButton*>("FixButton");
    ASSERT_NE(fix, nullptr);
    ASSERT_TRUE(fix->isVisible());
    EXPECT_EQ(fix->text(), "Cut this jumpgate");
    fix->click();
    const auto listed = [&] {
        const auto* list = w.form.findChild<QListWidget*>("FindingsList");
        for (int i = 0; i < list->count(); ++i)
            if (list->item(i)->text().contains("planet 99, which does not exist"))
                return true;
        return false;
    };
    EXPECT_FALSE(listed()) << "the fix took the problem away";
    EXPECT_EQ(w.form.document().planets()[0].links, first.links);
    w.form.document().undo_stack()->undo();
    EXPECT_TRUE(listed()) << "and Ctrl+Z brings it back";
}

// An opened campaign may link to a planet it does not have: the tooltip says so, never follows it.
TEST(MapView, ALinkToNoPlanetIsTold)
{
    std::vector<Planet> planets(2);
    planets[0].system_name = "Vega";
    planets[0].links = {1, 99};
    EXPECT_NE(planet_description(planets, 0).indexOf("planet 99, which does not exist"), -1);
}

// An opened campaign with one planted problem, its check listed and the problem's planet ringed.
TEST(Screenshot, OpenedCampaignWithAProblem)
{
    Window w(11);
    save_two_campaigns(w);
    open_with_keys(w, "brokenreach");
    check_with_keys(w, "EncounterID");
    QTest::qWait(200);
    QImage shot = w.form.grab().toImage();
    const QImage findings = w.form.findChild<QWidget*>("Findings")->grab().toImage();
    QPainter painter(&shot);
    painter.drawImage(QPoint(75, shot.height() - findings.height() - 40), findings);
    painter.end();
    ASSERT_TRUE(shot.save(picture_path("opened-campaign.png")));
}

}  // namespace
}  // namespace orvek
