// SPDX-License-Identifier: GPL-3.0-or-later
// Which game folder the window opens, from wherever it was started, and the chooser that
// switches to another.

#include "ui/startup_folder.h"

#include "support/galaxy_picks.h"
#include "support/temp_dir.h"
#include "ui/game_folder_dialog.h"
#include "ui/map_widget.h"
#include "ui/window_fixture.h"

#include <QDialogButtonBox>
#include <QPointer>
#include <QSettings>
#include <QListWidget>
#include <QUndoStack>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

namespace orvek {
namespace {

namespace fs = std::filesystem;

std::string make_game(const fs::path& folder)
{
    fs::create_directories(folder / "campaign/data/encounters/all");
    std::ofstream(folder / "Orvek.exe") << "";
    return folder.string();
}

TEST(StartupFolder, TheNamedThenTheWorkingThenTheLastThenSteams)
{
    testing::TempDir games, one_steam, two_steams;
    const std::string named = make_game(games.path() / "Named"),
                      working = make_game(games.path() / "Working"),
                      last = make_game(games.path() / "Last"),
                      nothing = games.mkdir("Downloads").string();
    const auto games_of = [](const testing::TempDir& steam) {
        return steam.path() / "steamapps" / "common";
    };
    const std::string steam_game = make_game(games_of(one_steam) / "Tessarine");
    const std::string first_of_two = make_game(games_of(two_steams) / "Tessarine"),
                      second_of_two = make_game(games_of(two_steams) / "Orvek");
    const std::vector<std::string> one{one_steam.str()}, two{two_steams.str()}, none;
    const struct {
        const char* name;
        QStringList arguments;
        std::string working, remembered;
        const std::vector<std::string>& steam;
        StartupFolder start;
    } rows[] = {
        {"--game-dir",
         {"w", "--game-dir", QString::fromStdString(named)},
         working,
         last,
         one,
         {named, {}}},
        {"--game-dir=",
         {"w", "--game-dir=" + QString::fromStdString(named)},
         working,
         last,
         one,
         {named, {}}},
        {"a folder given", {"w", QString::fromStdString(named)}, working, last, one, {named, {}}},
        {"a folder given after an option",
         {"w", "--verbose", QString::fromStdString(named)},
         working,
         last,
         one,
         {named, {}}},
        {"a folder given that is none",
         {"w", QString::fromStdString(nothing)},
         working,
         last,
         one,
         {working, {}}},
        {"the working folder", {"w"}, working, last, one, {working, {}}},
        {"the last one", {"w"}, nothing, last, one, {last, {}}},
        {"the last one gone", {"w"}, nothing, nothing + "/gone", one, {steam_game, {}}},
        {"two in Steam: a choice",
         {"w"},
         nothing,
         "",
         two,
         {std::nullopt, {second_of_two, first_of_two}}},
        {"none anywhere", {"w"}, nothing, "", none, {}},
    };
    for (const auto& row : rows) {
        const StartupFolder start =
            startup_game_folder(row.arguments, row.working, row.remembered, row.steam);
        EXPECT_EQ(start.folder, row.start.folder) << row.name;
        EXPECT_EQ(start.choices, row.start.choices) << row.name;
    }
}

// The chooser lists the folders with their saved campaigns; Browse… takes a game folder and
// refuses any other, saying what it lacks.
TEST(StartupFolder, TheChooserTakesOnlyGameFolders)
{
    testing::TempDir games;
    const QString game = QString::fromStdString(make_game(games.path() / "Tessarine")),
                  other = QString::fromStdString(games.mkdir("Downloads").string());
    QString browsed;
    QStringList refusals;
    GameFolderDialog dialog(
        {game}, [&] { return browsed; }, [&](const QString& text) { refusals << text; }, nullptr);
    auto* list = dialog.findChild<QListWidget*>("GameFolderList");
    ASSERT_EQ(list->count(), 1);
    EXPECT_EQ(list->item(0)->text(), game + "   (0 saved campaigns)");
    browsed = other;
    dialog.findChild<QPushButton*>("BrowseButton")->click();
    ASSERT_EQ(refusals.size(), 1);
    EXPECT_EQ(refusals[0], "\"" + other + "\" is not a game folder: it holds no \"Orvek.exe\".");
    EXPECT_EQ(dialog.result(), QDialog::Rejected) << "still open";
    browsed = game;
    dialog.findChild<QPushButton*>("BrowseButton")->click();
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_EQ(dialog.chosen(), game);
}

// "Game folder…" asks before unsaved edits go, then names the folder chosen.
TEST(StartupFolder, SwitchingFolderAsksFirst)
{
    testing::Window w;
    ASSERT_TRUE(w.click_and_wait("Generate"));
    w.form.set_recent_folders({QString::fromStdString(w.game.dir.str())});
    QSignalSpy chosen(&w.form, &MainWindow::game_folder_chosen);
    w.folder_answer = QString::fromStdString(w.game.dir.str());
    w.form.on_game_folder();
    EXPECT_EQ(w.folders_offered.value(0), w.folder_answer) << "recent folders first";
    ASSERT_EQ(chosen.count(), 1);
    EXPECT_EQ(chosen[0][0].toString(), w.folder_answer);

    const auto [x, y] = testing::free_spot(w.form.document().planets(), 7);
    emit w.form.map()->add_requested(x, y);  // an edit: a new planet
    ASSERT_TRUE(w.form.document().has_unsaved_edits());
    w.form.on_game_folder();
    EXPECT_EQ(w.close_questions, 1);
    EXPECT_EQ(chosen.count(), 1) << "Cancel stays";
    w.close_answer = MainWindow::CloseAnswer::Discard;
    w.form.on_game_folder();
    EXPECT_EQ(chosen.count(), 2);
}

// A folder chosen from the window's menu opens in its place; the folders used are remembered,
// the last first, in place of a damaged settings file, which was noted.
TEST(StartupFolder, AFolderChosenOpensInTheWindowsPlace)
{
    testing::WindowGame first_game, second_game;
    testing::TempDir config;
    const QString file = QString::fromStdString((config.path() / "settings.ini").string());
    std::ofstream(file.toStdString(), std::ios::binary) << std::string("\xff\xfe\0[", 4);
    QSettings settings(file, QSettings::IniFormat);
    const QString note = settings_note(settings);
    EXPECT_TRUE(note.startsWith("The settings file \"" + file + "\" could not be read"))
        << note.toStdString();
    QStringList refused;
    GameWindows windows(settings, "", [&](const QString& text) { refused << text; });
    ASSERT_TRUE(windows.open(first_game.dir.str(), note));
    EXPECT_TRUE(windows.current()->map()->progress().endsWith("\n" + note));
    QPointer<MainWindow> first = windows.current();
    const QString second = QString::fromStdString(second_game.dir.str());
    emit first->game_folder_chosen(second);
    EXPECT_TRUE(QTest::qWaitFor([&] { return first.isNull(); }, 5000)) << "the old window went";
    ASSERT_NE(windows.current(), nullptr);
    EXPECT_EQ(windows.current()->document().folder().game_dir(), second_game.dir.str());
    EXPECT_EQ(windows.current()->map()->progress(), "Game folder: " + second);
    EXPECT_EQ(settings.value("recentGameFolders").toStringList(),
              (QStringList{second, QString::fromStdString(first_game.dir.str())}));
    EXPECT_TRUE(refused.isEmpty());
    settings.sync();
    EXPECT_EQ(settings_note(QSettings(file, QSettings::IniFormat)), "") << "written afresh";
    // A folder used again comes first, once; five are remembered.
    const auto switch_to = [&](const QString& folder) {
        QPointer<MainWindow> old = windows.current();
        emit old->game_folder_chosen(folder);
        EXPECT_TRUE(QTest::qWaitFor([&] { return old.isNull(); }, 5000));
        return settings.value("recentGameFolders").toStringList();
    };
    const QString first_dir = QString::fromStdString(first_game.dir.str());
    EXPECT_EQ(switch_to(first_dir), (QStringList{first_dir, second}));
    // The window opened offers them first in its chooser.
    QStringList offered;
    MainWindow::Hooks hooks;
    hooks.game_folder = [&](const QStringList& found) {
        offered = found;
        return QString();
    };
    windows.current()->set_hooks(hooks);
    windows.current()->on_game_folder();
    EXPECT_EQ(offered.mid(0, 2), (QStringList{first_dir, second}));
    settings.setValue("recentGameFolders", QStringList{"a", "b", "c", "d", "e"});
    EXPECT_EQ(switch_to(second), (QStringList{second, "a", "b", "c", "d"}));
    // The folder the program was started in is not named over the map.
    GameWindows started_here(settings, second_game.dir.str(), [](const QString&) {});
    ASSERT_TRUE(started_here.open(second_game.dir.str()));
    EXPECT_EQ(started_here.current()->map()->progress(), "");
    // A folder that is no game's is refused with a sentence, and the window shown stays.
    testing::TempDir no_game;
    MainWindow* shown = windows.current();
    refused.clear();
    EXPECT_FALSE(windows.open(no_game.str()));
    EXPECT_EQ(windows.current(), shown);
    EXPECT_EQ(refused.size(), 1);
}

// The settings kept under the old application name, whose file name had a blank before ".conf",
// are carried over once to the new name; settings already there are kept.
TEST(StartupFolder, OldSettingsAreCarriedOver)
{
    testing::TempDir config;
    QSettings::setPath(QSettings::IniFormat, QSettings::UserScope,
                       QString::fromStdString(config.str()));
    QSettings old(QSettings::IniFormat, QSettings::UserScope, "Org", "Old Name ");
    old.setValue("gameFolder", "/games/tessarine");
    old.sync();
    QSettings now(QSettings::IniFormat, QSettings::UserScope, "Org", "Old Name");
    EXPECT_TRUE(carry_over_settings(now, "Old Name "));
    EXPECT_EQ(now.value("gameFolder").toString(), "/games/tessarine");
    EXPECT_TRUE(now.fileName().endsWith("/Org/Old Name.ini")) << now.fileName().toStdString();
    old.setValue("gameFolder", "/elsewhere");
    old.sync();
    EXPECT_FALSE(carry_over_settings(now, "Old Name ")) << "once the new file holds settings";
    EXPECT_EQ(now.value("gameFolder").toString(), "/games/tessarine");
    config.write("Org/Empty Name .ini", "");
    QSettings fresh(QSettings::IniFormat, QSettings::UserScope, "Org", "Empty Name");
    EXPECT_FALSE(carry_over_settings(fresh, "Empty Name ")) << "an old file that holds nothing";
}

// A settings file that is a link is replaced by a plain file when the window remembers a folder:
// the file it led to (another program's, or a device) is never read or written through.
// Links need rights that Windows gives few players, and Wine none: this is a test of the other
// systems.
#ifndef _WIN32
TEST(StartupFolder, TheSettingsFileStaysAPlainFile)
{
    namespace fs = std::filesystem;
    testing::WindowGame game;
    testing::TempDir config, elsewhere;
    const fs::path victim = elsewhere.write("victim.ini", "[General]\ngameFolder=/kept\n");
    const fs::path link = config.path() / "settings.ini";
    fs::create_symlink(victim, link);
    QSettings settings(QString::fromStdString(link.string()), QSettings::IniFormat);
    EXPECT_TRUE(keep_settings_file_plain(settings).contains("was a link")) << "at start-up";
    fs::create_symlink(victim, link);  // and again while the window runs
    GameWindows windows(settings, "", [](const QString&) {});
    ASSERT_TRUE(windows.open(game.dir.str()));
    EXPECT_EQ(testing::read_bytes(victim), "[General]\ngameFolder=/kept\n");
    EXPECT_TRUE(fs::is_regular_file(fs::symlink_status(link)));
    EXPECT_NE(testing::read_bytes(link).find("recentGameFolders"), std::string::npos);
}
#endif

}  // namespace
}  // namespace orvek
