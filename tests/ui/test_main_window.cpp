// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/main_window.h"

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
#include <QMessageBox>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QUndoStack>
#include <QToolTip>

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <algorithm>
#include <cmath>
#include <map>

namespace fs = std::filesystem;

namespace orvek {
namespace {

using testing::cli_command;
using testing::picture_path;
using testing::Window;

TEST(MainWindow, StartUpOutsideTheGameFolderShowsNoWindow)
{
    testing::TempDir empty;
    QStringList shown;
    auto form = start_up(GameFolder(empty.str()), 1, [&](const QString& text) { shown << text; });
    EXPECT_EQ(form, nullptr);
    EXPECT_EQ(shown, QStringList{kNotInGameFolder});
    EXPECT_TRUE(QApplication::topLevelWidgets().isEmpty());
}

// A work folder that a shared archive could hold is said once, and the window opens all the same.
TEST(MainWindow, StartUpPastAnUntrustedSave)
{
    testing::TempDir game;
    testing::make_small_game(game, 10);
    game.write("campaign/data/.orvek-save/journal", "orvek-save 1\nfolder ..\nend\n");
    QStringList shown;
    auto form = start_up(GameFolder(game.str()), 1, [&](const QString& text) { shown << text; });
    ASSERT_NE(form, nullptr);
    ASSERT_EQ(shown.size(), 1);
    EXPECT_TRUE(shown[0].contains("could not be checked: the journal is incomplete"))
        << shown[0].toStdString();
    EXPECT_TRUE(std::filesystem::exists(game.path() / "campaign/data/.orvek-save/journal"));
}

TEST(MainWindow, StartUpShowsTheBuiltInPicture)
{
    Window w;
    const QImage& shown = w.find<MapWidget>("GalaxyMap")->background();
    ASSERT_FALSE(shown.isNull());
    EXPECT_GT(shown.width(), 100);
}

// F1 opens the About: the version, the commit, the Qt it runs on, the licence and a link to its
// text, with Qt's own About beside it.
TEST(MainWindow, AboutTellsTheVersionAndTheLicence)
{
    Window w;
    w.form.show();
    w.form.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&w.form, 1000));
    QTest::keyClick(&w.form, Qt::Key_F1);
    auto* about = w.form.findChild<QMessageBox*>("aboutBox");
    ASSERT_NE(about, nullptr);
    for (const char* part : {"Orvek Galaxy Generator 1.", "commit ", qVersion(),
                             "GNU General Public License, version 3 or later", "href=\""})
        EXPECT_TRUE(about->text().contains(part)) << part << "\n" << about->text().toStdString();
    const auto buttons = about->buttons();
    EXPECT_TRUE(std::any_of(buttons.begin(), buttons.end(),
                            [](QAbstractButton* b) { return b->text() == "About Qt"; }));
    about->grab().save(testing::picture_path("about.png"));
    about->close();
}

TEST(MainWindow, ClosingDuringAGenerationEndsCleanly)
{
    Window w;
    w.find<QCheckBox>("AdvancedBox")->setChecked(true);
    w.find<QLineEdit>("PlanetCount")->setText("175");
    w.find<QLineEdit>("Join1Percent")->setText("99");
    QTest::mouseClick(w.find<QPushButton>("GenerateCustom"), Qt::LeftButton);
    ASSERT_TRUE(w.form.busy());
    w.form.close();
    EXPECT_FALSE(w.form.busy());
}

TEST(MessageBox, LongPathsAreElidedInTheMiddle)
{
    const QString path = "/home/player/" + QString(100, 'x') + "/campaign/data/maps/reach.txt";
    struct Row {
        const char* name;
        QString text, shown;
    } rows[] = {
        {"short", "Cannot open file \"/g/a.txt\". Gone.", "Cannot open file \"/g/a.txt\". Gone."},
        {"long", "Cannot open file \"" + path + "\". File name too long.",
         "Cannot open file \"/home/player/" + QString(26, 'x') + QChar(0x2026) + QString(10, 'x') +
             "/campaign/data/maps/reach.txt\". File name too long."},
        {"unpaired quote", "A \"b", "A \"b"},
    };
    for (const Row& row : rows)
        EXPECT_EQ(elide_long_paths(row.text), row.shown) << row.name;
}

TEST(MainWindow, BrokenPictureIsReportedAfterTheGalaxyIsMade)
{
    Window w;
    ASSERT_TRUE(w.click_and_wait("Generate"));
    ASSERT_FALSE(w.form.map()->planets().empty());
    const fs::path ui = w.game.dir.path() / "campaign/data/bitmaps/ui";
    fs::remove_all(ui);
    w.game.dir.write("campaign/data/bitmaps/ui/nebula1.jpg", "not a picture");
    ASSERT_TRUE(w.click_and_wait("Generate"));
    ASSERT_EQ(w.messages.size(), 1u);
    EXPECT_EQ(w.messages[0].second.left(12), "JPEG error #");
    EXPECT_TRUE(w.messages[0].second.endsWith('.'));
    EXPECT_FALSE(w.form.document().galaxy().planets.empty())
        << "the galaxy stands; only its drawing failed";
    EXPECT_TRUE(w.form.map()->planets().empty()) << "the map draws none of it, nor the last";
}

TEST(MainWindow, GenerateDrawsTheGalaxy)
{
    Window w;
    ASSERT_TRUE(w.click_and_wait("Generate"));
    EXPECT_EQ(w.form.windowTitle(), "The Galaxy is ready!");
    EXPECT_EQ(w.form.map()->seed_text(), "Seed " + w.form.seed_text());
    const auto& planets = w.form.document().galaxy().planets;
    ASSERT_GE(planets.size(), 20u);
    EXPECT_EQ(std::count_if(planets.begin(), planets.end(), [](auto& p) { return p.home; }), 1);
    EXPECT_FALSE(w.find<QLineEdit>("CampaignName")->text().isEmpty());
    EXPECT_EQ(w.form.map()->planets().size(), planets.size());
    EXPECT_TRUE(w.messages.empty());
}

TEST(MainWindow, SaveAsksBeforeReplacing)
{
    Window w;
    ASSERT_TRUE(w.click_and_wait("Generate"));
    w.find<QLineEdit>("CampaignName")->setText("Test Run");
    ASSERT_TRUE(w.save("Save"));
    const fs::path map = w.game.dir.path() / "campaign/data/maps/testrun.txt";
    ASSERT_TRUE(fs::exists(map));
    EXPECT_EQ(w.questions, 0);
    const std::string first = testing::read_bytes(map);
    w.answer = false;
    ASSERT_TRUE(w.save("SaveCustom"));
    EXPECT_EQ(w.questions, 1);
    EXPECT_EQ(testing::read_bytes(map), first);
    w.answer = true;
    ASSERT_TRUE(w.save("Save"));
    EXPECT_EQ(w.questions, 2);
    EXPECT_TRUE(w.messages.empty());
    EXPECT_EQ(w.form.map()->progress(),
              QString("Saved campaign \"Test Run\" (testrun): %1 encounter files and the map file")
                  .arg(w.form.document().galaxy().planets.size()));
}

TEST(MainWindow, NewBackgroundKeepsThePlanets)
{
    Window w;
    ASSERT_TRUE(w.click_and_wait("Generate"));
    // Every planet as it stands: where, its name and template, its links.
    const auto planets = [&] {
        std::vector<std::string> out;
        for (const Planet& p : w.form.document().galaxy().planets) {
            std::string line = std::to_string(p.x) + "," + std::to_string(p.y) + " " +
                               p.system_name + " " + p.template_file;
            for (int link : p.links)
                line += " " + std::to_string(link);
            out.push_back(line);
        }
        return out;
    };
    const auto planets_before = planets();
    const auto shown = w.form.map()->planets().size();
    const QImage before = w.form.map()->background();
    const std::string path_before = w.form.document().galaxy().background_path;
    w.find<QCheckBox>("AdvancedBox")->setChecked(true);
    bool changed = false;
    for (int i = 0; i < 8 && !changed; ++i) {
        QTest::mouseClick(w.find<QPushButton>("NewBackground"), Qt::LeftButton);
        changed = w.form.document().galaxy().background_path != path_before;
    }
    ASSERT_TRUE(changed) << "eight draws from eight pictures all gave the same one";
    EXPECT_NE(w.form.map()->background(), before) << "the new picture is shown";
    EXPECT_EQ(planets(), planets_before);
    EXPECT_EQ(w.form.map()->planets().size(), shown);
    EXPECT_TRUE(w.messages.empty());
    // A new picture is an edit: unsaved until a Save, and Ctrl+Z gives the old one back.
    EXPECT_TRUE(w.form.map()->unsaved());
    while (w.form.document().undo_stack()->canUndo())
        w.form.document().undo_stack()->undo();
    EXPECT_EQ(w.form.document().galaxy().background_path, path_before);
    EXPECT_EQ(w.form.map()->background(), before);
    EXPECT_FALSE(w.form.map()->unsaved());
    // A picture that cannot be read is said, and changes nothing.
    const std::string shown_path = w.form.document().galaxy().background_path;
    for (const auto& entry : fs::directory_iterator(w.game.dir.path() / "campaign/data/bitmaps/ui"))
        if (entry.path().filename() != fs::path(shown_path).filename())
            std::ofstream(entry.path(), std::ios::binary | std::ios::trunc) << "broken";
    for (int i = 0; i < 8 && w.messages.empty(); ++i)
        QTest::mouseClick(w.find<QPushButton>("NewBackground"), Qt::LeftButton);
    EXPECT_FALSE(w.messages.empty());
    EXPECT_EQ(w.form.document().galaxy().background_path, shown_path);
}

// A generation that takes long: the inputs it writes back are locked and its buttons look
// disabled, the old links stay, after five seconds the rate and a hint show, and Escape brings
// back what was there before.
TEST(MainWindow, EscapeKeepsWhatYouHad)
{
    Window w;
    ASSERT_TRUE(w.click_and_wait("Generate"));
    // An edit saved: nothing to ask about, but something to undo.
    emit w.form.map()->rename_requested(1, "Renamed");
    ASSERT_TRUE(w.save());
    const std::vector<Planet> before = w.form.document().galaxy().planets;
    const QString name = w.find<QLineEdit>("CampaignName")->text();
    QPushButton* generate = w.find<QPushButton>("Generate");
    const QImage enabled_face = generate->grab().toImage();
    w.set_rare_settings();
    QSignalSpy spy(&w.form, &MainWindow::generation_finished);
    QTest::mouseClick(w.find<QPushButton>("GenerateCustom"), Qt::LeftButton);
    ASSERT_TRUE(w.form.busy());
    EXPECT_NE(generate->grab().toImage(), enabled_face) << "a disabled button looks disabled";
    EXPECT_TRUE(w.find<QLineEdit>("PlanetCount")->isReadOnly());
    EXPECT_TRUE(w.find<QLineEdit>("CampaignName")->isReadOnly());
    EXPECT_FALSE(w.find<QListWidget>("SizeList")->isEnabled());
    EXPECT_FALSE(w.find<QComboBox>("Shape")->isEnabled());
    EXPECT_FALSE(w.find<QCheckBox>("ClearGates")->isEnabled());
    for (QAction* action : w.form.actions()) {
        if (action->shortcut() == QKeySequence("Ctrl+Z")) {
            EXPECT_FALSE(action->isEnabled()) << "nothing is undone while a Generate runs";
        }
    }
    EXPECT_EQ(w.form.map()->planets().size(), before.size()) << "the old links stay";
    QTest::qWait(5400);
    EXPECT_NE(w.form.map()->progress().indexOf("attempts per second"), -1);
    EXPECT_NE(w.form.map()->progress().indexOf(kRareSettingsHint), -1);
    QTest::keyClick(&w.form, Qt::Key_Escape);
    ASSERT_TRUE(spy.wait(20000));
    EXPECT_EQ(w.form.windowTitle(), "Orvek - Galaxy Generator");
    ASSERT_EQ(w.form.document().galaxy().planets.size(), before.size());
    EXPECT_EQ(w.form.document().galaxy().planets[0].system_name, before[0].system_name);
    EXPECT_EQ(w.find<QLineEdit>("CampaignName")->text(), name);
    EXPECT_EQ(w.find<QLineEdit>("PlanetCount")->text(), "175") << "the fields as they were";
    EXPECT_FALSE(w.find<QLineEdit>("PlanetCount")->isReadOnly());
    EXPECT_TRUE(generate->isEnabled());
}

// The command line the map's menu copies makes the window's galaxy and name with the tool, its
// shape and clear jumpgates too.
TEST(MainWindow, CommandLineRebuildsTheGalaxy)
{
    Window w(777);
    w.find<QComboBox>("Shape")->setCurrentIndex(4);
    w.find<QCheckBox>("ClearGates")->setChecked(true);
    QListWidget* gates = w.find<QListWidget>("GateStyleList");
    QTest::mouseClick(gates->viewport(), Qt::LeftButton, Qt::ControlModifier,
                      gates->visualItemRect(gates->currentItem()).center());
    w.form.random()(1000);  // a draw before the command, as New Background makes
    ASSERT_TRUE(w.click_and_wait("Generate"));
    EXPECT_EQ(w.find<QComboBox>("Shape")->currentIndex(), 4) << "the settings shown back";
    EXPECT_TRUE(w.find<QCheckBox>("ClearGates")->isChecked());
    const QString line = w.form.command_line();
    EXPECT_TRUE(line.startsWith("orvek-galaxy --game-dir ")) << line.toStdString();
    EXPECT_NE(line.indexOf("--gates none"), -1) << line.toStdString();
    EXPECT_NE(line.indexOf("--shape spiral:3 --clear-gates"), -1) << line.toStdString();
    EXPECT_NE(line.indexOf("--seed " + w.form.seed_text()), -1);
    const std::string args = line.mid(QString("orvek-galaxy").size()).toStdString();
    auto r = testing::run_command(cli_command(args + " --quiet --json -"));
    ASSERT_EQ(r.status, 0) << r.err;
    const auto json = nlohmann::json::parse(r.out);
    const auto& planets = w.form.document().galaxy().planets;
    ASSERT_EQ(json["planets"].size(), planets.size());
    for (std::size_t i = 0; i < planets.size(); ++i) {
        EXPECT_EQ(json["planets"][i]["x"], planets[i].x);
        EXPECT_EQ(json["planets"][i]["y"], planets[i].y);
    }
    EXPECT_EQ(json["campaign_name"], w.find<QLineEdit>("CampaignName")->text().toStdString());
}

TEST(MapView, HoveringAPlanetTellsWhatItIs)
{
    Window w;
    ASSERT_TRUE(w.click_and_wait("Generate"));
    w.find<QComboBox>("CloakInhibition")->setCurrentIndex(5);  // "Everywhere"
    w.find<QLineEdit>("CampaignName")->setText("Tooltips");
    ASSERT_TRUE(w.save("Save"));
    const auto& planets = w.form.document().galaxy().planets;
    const std::size_t home = static_cast<std::size_t>(
        std::find_if(planets.begin(), planets.end(), [](auto& p) { return p.home; }) -
        planets.begin());
    const QString text = planet_description(planets, home);
    EXPECT_TRUE(text.startsWith(QString::fromStdString(planets[home].system_name) +
                                QString(" (planet %1), home planet").arg(home)))
        << text.toStdString();
    EXPECT_NE(text.indexOf(QString::fromStdString(
                  fs::path(planets[home].template_file).filename().string())),
              -1);
    const Planet& linked = planets[static_cast<std::size_t>(planets[home].links[0])];
    EXPECT_NE(text.indexOf("Jumpgates to: " + QString::fromStdString(linked.system_name)), -1);
    // What the files hold: no inhibition effect while its box is unticked, the home planet's
    // own facilities always, in a player's words.
    EXPECT_EQ(text.indexOf("Cloak inoperable"), -1) << text.toStdString();
    EXPECT_NE(text.indexOf("Facilities: Large factory, Small academy, Shipyard A"), -1)
        << text.toStdString();
    MapWidget* map = w.form.map();
    const QPoint at = marker_rect(planets[home]).center();
    QHelpEvent hover(QEvent::ToolTip, at, map->mapToGlobal(at));
    QApplication::sendEvent(map, &hover);
    EXPECT_EQ(QToolTip::text(), text);
    // Away from every planet, the map tells which game folder it shows, and the galaxy's figures.
    QHelpEvent elsewhere(QEvent::ToolTip, QPoint(2, 2), map->mapToGlobal(QPoint(2, 2)));
    QApplication::sendEvent(map, &elsewhere);
    EXPECT_EQ(QToolTip::text(),
              "Game folder: " + QString::fromStdString(w.game.dir.str()) + "\n" +
                  QString::fromStdString(figures_in_words(galaxy_figures(planets))).trimmed());

    // With the box ticked, the next Save writes the effect, and the tooltip says so.
    const std::vector<Planet> first = planets;
    w.find<QCheckBox>("InhibitionsBox")->setChecked(true);
    ASSERT_TRUE(w.save("Save"));
    const QString saved = planet_description(w.form.document().galaxy().planets, home);
    EXPECT_NE(saved.indexOf("Inhibition effects: "), -1) << saved.toStdString();
    EXPECT_NE(saved.indexOf("Cloak inoperable"), -1) << saved.toStdString();
    // The facilities box is still off: each planet keeps the facilities it had.
    const auto& now = w.form.document().galaxy().planets;
    for (std::size_t p = 0; p < now.size(); ++p)
        EXPECT_TRUE(std::equal(now[p].features.begin() + kInhibitionCount, now[p].features.end(),
                               first[p].features.begin() + kInhibitionCount))
            << p;
}

// The window opens in the middle of the screen, not asked to stand at its corner.
TEST(MainWindow, OpensCentredOnTheScreen)
{
    testing::WindowGame game;
    const MainWindow form(game.folder(), 1);
    const QPoint off = form.geometry().center() - form.screen()->availableGeometry().center();
    EXPECT_LE(off.manhattanLength(), 2) << off.x() << "," << off.y();
}

// A Generate that cannot make a galaxy says what to change, and keeps what the window showed.
TEST(MainWindow, AFailedGenerateKeepsTheGalaxy)
{
    Window w;
    ASSERT_TRUE(w.click_and_wait("Generate"));
    const auto planets = w.form.document().galaxy().planets.size();
    const QString name = w.find<QLineEdit>("CampaignName")->text();
    const QString seed = w.form.seed_text(), command = w.form.command_line();
    w.find<QCheckBox>("AdvancedBox")->setChecked(true);
    w.find<QLineEdit>("PlanetCount")->setText("8");
    w.find<QLineEdit>("WormholeCount")->setText("9");
    ASSERT_TRUE(w.click_and_wait("GenerateCustom"));
    ASSERT_EQ(w.messages.size(), 1u);
    EXPECT_EQ(w.messages[0].second, "8 planets can take at most 8 wormholes.");
    EXPECT_EQ(w.form.document().galaxy().planets.size(), planets);
    EXPECT_EQ(w.form.map()->planets().size(), planets);
    EXPECT_EQ(w.find<QLineEdit>("CampaignName")->text(), name);
    EXPECT_EQ(w.form.windowTitle(), kStartCaption);
    EXPECT_EQ(std::pair(w.form.seed_text(), w.form.command_line()), std::pair(seed, command))
        << "Copy seed and Copy command line still give the galaxy shown";
}

// The window and the command-line tool, with the same seed, save the same campaign.
TEST(MainWindow, SameCampaignAsTheCommandLineTool)
{
    Window w(20261207);
    ASSERT_TRUE(w.click_and_wait("Generate"));
    ASSERT_TRUE(w.save("Save"));
    testing::WindowGame other;
    const auto result = testing::run_command(
        cli_command(" --quiet --seed 20261207 --save --game-dir \"" + other.dir.str() + "\""));
    ASSERT_EQ(result.status, 0) << result.err;
    EXPECT_GT(w.game.saved_files(), 20u);
    EXPECT_EQ(w.game.campaigns(), other.campaigns());
}

// What a person sees: the window grabbed to a PNG beside the tests, with a few pixels checked.
TEST(Screenshot, TealHeaderRedHomeSilverLink)
{
    Window w(7);
    ASSERT_TRUE(w.click_and_wait("Generate"));
    QTest::qWait(200);
    QImage shot = w.form.grab().toImage();
    ASSERT_TRUE(shot.save(picture_path("main-window.png")));
    // The "Basic Settings" header lies on the teal section below the first separator.
    EXPECT_EQ(shot.pixelColor(770 + 3, 15 + 10), QColor(0, 128, 128));
    const auto& planets = w.form.document().galaxy().planets;
    const Planet& home =
        *std::find_if(planets.begin(), planets.end(), [](auto& p) { return p.home; });
    EXPECT_EQ(shot.pixelColor(marker_rect(home).center()), QColor(255, 0, 0));
    int silver = 0;
    for (int y = 0; y < 750; ++y)
        for (int x = 0; x < 750; ++x)
            silver += shot.pixelColor(x, y) == QColor(192, 192, 192);
    EXPECT_GT(silver, 100) << "silver link pixels";

    // Every section open, for a look at the whole column.
    for (const char* box : {"AdvancedBox", "InhibitionsBox", "FacilitiesBox"})
        w.find<QCheckBox>(box)->setChecked(true);
    QTest::qWait(100);
    ASSERT_TRUE(w.form.grab().save(picture_path("main-window-open.png")));
    // The longest text the map shows: a generation's progress after five seconds.
    w.form.map()->set_progress(QString("CALCULATING! 123456 attempts so far. Press Escape to "
                                       "cancel.\n25000 attempts per second. ") +
                               kRareSettingsHint);
    ASSERT_TRUE(w.form.map()->grab().save(picture_path("map-progress.png")));
}

}  // namespace
}  // namespace orvek

int main(int argc, char** argv)
{
    // Without a screen (CI, test discovery) the window is driven on the offscreen platform.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") && qEnvironmentVariableIsEmpty("DISPLAY"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
