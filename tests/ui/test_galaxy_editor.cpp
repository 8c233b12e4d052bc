// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/galaxy_edit.h"
#include "ui/map_labels.h"
#include "ui/map_render.h"
#include "ui/map_widget.h"
#include "support/galaxy_picks.h"
#include "ui/editor_fixture.h"
#include "ui/label_checks.h"

#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QHelpEvent>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTimer>
#include <QToolTip>
#include <QUndoStack>
#include <QWheelEvent>

#include <algorithm>
#include <cmath>
#include <tuple>

#include <gtest/gtest.h>

namespace orvek {
namespace {

using namespace testing;

TEST(GalaxyEditor, DragMovesAPlanetAndUndoRedoFollow)
{
    Editor e;
    const Planets generated = e.planets();
    const QPoint to = free_pixel(generated, 2);
    drag(e.map, centre(generated, 2), to);
    const QPoint unit = map_position(to);
    EXPECT_EQ(e.planets()[2].x, unit.x());
    EXPECT_EQ(e.planets()[2].y, unit.y());
    EXPECT_EQ(e.map->planets(), e.planets()) << "the map shows the galaxy";
    EXPECT_TRUE(e.map->unsaved());
    const Planets moved = e.planets();

    drag(e.map, centre(moved, 2), centre(moved, 3));
    EXPECT_EQ(e.planets(), moved) << "a planet cannot stand on another: it goes back";
    EXPECT_TRUE(e.messages.empty()) << "quietly";
    e.keys("Ctrl+Z");
    EXPECT_EQ(e.planets(), generated);
    EXPECT_FALSE(e.map->unsaved());
    e.keys("Ctrl+Shift+Z");
    EXPECT_EQ(e.planets(), moved);
    e.keys("Ctrl+Z");
    e.keys("Ctrl+Y");
    EXPECT_EQ(e.planets(), moved);

    // Generate asks before it throws the edit away; Cancel keeps it.
    e.form.findChild<QPushButton*>("Generate")->click();
    EXPECT_EQ(e.close_questions, 1);
    EXPECT_FALSE(e.form.busy());
    EXPECT_EQ(e.planets(), moved);
    e.close_answer = MainWindow::CloseAnswer::Discard;
    ASSERT_TRUE(e.click_and_wait("Generate"));
    EXPECT_EQ(e.close_questions, 2);
    EXPECT_EQ(e.form.document().undo_stack()->count(), 0) << "Generate empties the undo stack";
    EXPECT_FALSE(e.map->unsaved());
}

// A press and release within the platform's drag distance selects and moves nothing; a longer
// drag moves the planet by as much as the pointer went. A right-click selects what it is on, a
// click on empty space nothing.
TEST(GalaxyEditor, AClickSelectsAndOnlyADragMoves)
{
    Editor e;
    const Planets generated = e.planets();
    const int near = QApplication::startDragDistance() - 1;
    const struct {
        const char* name;
        QPoint off;
    } clicks[] = {{"on the centre", {0, 0}}, {"two pixels off", {2, 1}}, {"just short", {near, 0}}};
    for (const auto& click : clicks) {
        e.map->select_planet(-1);
        drag(e.map, centre(generated, 2), centre(generated, 2) + click.off);
        EXPECT_EQ(e.planets(), generated) << click.name;
        EXPECT_EQ(e.map->selected_planet(), 2) << click.name;
    }
    const QPoint grab = centre(generated, 2) + QPoint(3, 2), to = free_pixel(generated, 2);
    drag(e.map, grab, to + QPoint(3, 2));
    EXPECT_EQ(QPoint(e.planets()[2].x, e.planets()[2].y), map_position(to))
        << "the marker keeps its place under the pointer";
    EXPECT_EQ(e.form.document().undo_stack()->count(), 1);

    QTest::mouseClick(e.map, Qt::LeftButton, {}, free_pixel(e.planets(), -1));
    EXPECT_EQ(e.map->selected_planet(), -1) << "a click on empty space";
    choose(e.map, centre(e.planets(), 5), "Rename");
    EXPECT_EQ(e.map->selected_planet(), 5) << "the right-click's planet is the one ringed";
}

// Shift+click adds to the selection; the arrow keys, a drag and Delete act on all of it as one
// edit each; a rubber band from empty space selects what it holds.
TEST(GalaxyEditor, ASelectionMovesAndGoesTogether)
{
    Editor e;
    const Planets generated = e.planets();
    int a = 1, b = 2;
    while (generated[static_cast<std::size_t>(a)].home ||
           generated[static_cast<std::size_t>(b)].home)
        ++a, ++b;
    QTest::mouseClick(e.map, Qt::LeftButton, {}, centre(generated, a));
    QTest::mouseClick(e.map, Qt::LeftButton, Qt::ShiftModifier, centre(generated, b));
    ASSERT_EQ(e.map->selection(), (std::vector<int>{a, b}));
    // Shift+click on a selected planet takes it out, and again puts it back.
    QTest::mouseClick(e.map, Qt::LeftButton, Qt::ShiftModifier, centre(generated, a));
    EXPECT_EQ(e.map->selection(), (std::vector<int>{b}));
    QTest::mouseClick(e.map, Qt::LeftButton, Qt::ShiftModifier, centre(generated, a));
    ASSERT_EQ(e.map->selection(), (std::vector<int>{a, b}));
    const auto moved_by = [&](const Planets& before, int dx, int dy) {
        for (int p : {a, b})
            if (e.planets()[static_cast<std::size_t>(p)].x !=
                    before[static_cast<std::size_t>(p)].x + dx ||
                e.planets()[static_cast<std::size_t>(p)].y !=
                    before[static_cast<std::size_t>(p)].y + dy)
                return false;
        return true;
    };
    const struct {
        Qt::Key key;
        Qt::KeyboardModifiers keys;
        int dx, dy;
    } nudges[] = {{Qt::Key_Right, {}, 1, 0},
                  {Qt::Key_Up, Qt::ShiftModifier, 0, -10},
                  {Qt::Key_Left, Qt::ShiftModifier, -10, 0},
                  {Qt::Key_Down, {}, 0, 1}};
    for (const auto& nudge : nudges) {
        const Planets before = e.planets();
        const bool allowed = move_refusal(before, {a, b}, nudge.dx, nudge.dy).empty();
        QTest::keyClick(e.map, nudge.key, nudge.keys);
        EXPECT_TRUE(allowed ? moved_by(before, nudge.dx, nudge.dy) : e.planets() == before)
            << nudge.dx << "," << nudge.dy;
    }
    // Nudged against the map's edge or a planet, the pair stays and the map says why, in short.
    for (int i = 0; i < 100; ++i) {
        const Planets before = e.planets();
        const std::string refusal = move_refusal(before, {a, b}, -10, 0);
        QTest::keyClick(e.map, Qt::Key_Left, Qt::ShiftModifier);
        if (refusal.empty())
            continue;
        EXPECT_EQ(e.planets(), before);
        EXPECT_EQ(e.map->progress().toStdString(), refusal.substr(0, refusal.find(':')));
        break;
    }
    // Dragged by either planet, both go; one edit on the stack.
    const Planets before = e.planets();
    QPoint offset;
    for (int step = 30; step < 400 && offset.isNull(); step += 7)
        for (const QPoint o :
             {QPoint(step, 0), QPoint(0, step), QPoint(-step, 0), QPoint(0, -step)})
            if (offset.isNull() &&
                move_refusal(before, {a, b}, map_position(o).x(), map_position(o).y()).empty())
                offset = o;
    ASSERT_FALSE(offset.isNull());
    const int edits = e.form.document().undo_stack()->count();
    drag(e.map, centre(before, b), centre(before, b) + offset);
    EXPECT_EQ(e.form.document().undo_stack()->count(), edits + 1);
    EXPECT_EQ(e.planets()[static_cast<std::size_t>(a)].x - before[static_cast<std::size_t>(a)].x,
              e.planets()[static_cast<std::size_t>(b)].x - before[static_cast<std::size_t>(b)].x);
    EXPECT_FALSE(e.planets() == before);

    QTest::keyClick(e.map, Qt::Key_Delete);
    EXPECT_EQ(e.planets().size(), generated.size() - 2) << "Delete deletes the selection";
    e.keys("Ctrl+Z");
    EXPECT_EQ(e.planets().size(), generated.size()) << "as one edit";

    // A rubber band over the whole map holds every planet, the home planet with them.
    drag(e.map, QPoint(2, 2), QPoint(e.map->side() - 2, e.map->side() - 2));
    EXPECT_EQ(e.map->selection().size(), generated.size());
    // Delete with the home planet among others asks whether to delete the others; the home
    // planet alone is refused, saying why.
    e.answer = false;
    QTest::keyClick(e.map, Qt::Key_Delete);
    EXPECT_TRUE(e.last_question.endsWith(
        QString("Delete the other %1 selected planets?").arg(generated.size() - 1)))
        << e.last_question.toStdString();
    const int home = static_cast<int>(
        std::find_if(generated.begin(), generated.end(), [](const Planet& p) { return p.home; }) -
        generated.begin());
    const Planets shown = e.planets();
    QTest::mouseClick(e.map, Qt::LeftButton, {}, centre(shown, a));
    QTest::mouseClick(e.map, Qt::LeftButton, Qt::ShiftModifier, centre(shown, home));
    e.answer = false;
    QTest::keyClick(e.map, Qt::Key_Delete);
    EXPECT_EQ(e.questions, 2);
    EXPECT_TRUE(e.last_question.endsWith("Delete the other selected planet?"))
        << e.last_question.toStdString();
    EXPECT_EQ(e.planets().size(), generated.size()) << "No keeps them all";
    e.answer = true;
    QTest::keyClick(e.map, Qt::Key_Delete);
    ASSERT_EQ(e.planets().size(), generated.size() - 1) << "Yes deletes the other one";
    EXPECT_TRUE(std::any_of(e.planets().begin(), e.planets().end(),
                            [](const Planet& p) { return p.home; }));
    e.keys("Ctrl+Z");
    QTest::mouseClick(e.map, Qt::LeftButton, {}, centre(shown, home));
    QTest::keyClick(e.map, Qt::Key_Delete);
    EXPECT_EQ(e.questions, 3) << "the home planet alone is refused, not asked about";
    EXPECT_EQ(e.planets().size(), generated.size());
    ASSERT_FALSE(e.messages.empty());
    EXPECT_TRUE(e.messages.back().second.contains("home planet cannot"));
    // The question itself, as a player meets it: Escape keeps them all, Return takes its Yes.
    e.form.set_hooks({});
    for (const auto& [key, deleted] :
         {std::pair(Qt::Key_Escape, 0u), std::pair(Qt::Key_Return, 1u)}) {
        QTest::mouseClick(e.map, Qt::LeftButton, {}, centre(shown, a));
        QTest::mouseClick(e.map, Qt::LeftButton, Qt::ShiftModifier, centre(shown, home));
        QTimer::singleShot(0, [key] {
            if (QWidget* box = QApplication::activeModalWidget())
                QTest::keyClick(box, key);
            else
                ADD_FAILURE() << "no question was asked";
        });
        QTest::keyClick(e.map, Qt::Key_Delete);
        EXPECT_EQ(e.planets().size(), generated.size() - deleted) << key;
    }
}

// What the mouse asks of the window, on a map of its own: Shift on empty space keeps the
// selection, and a band with Shift adds to it what it holds but planets whose file was not read;
// a Shift+drag that ends on its own planet joins nothing, a double-click on a planet adds none, a
// group dragged where it cannot stand is not asked to move, and the rename box holds a name's
// longest.
TEST(MapWidget, AsksOnlyForWhatTheRulesAllow)
{
    Planets grid(9);
    for (int i = 0; i < 9; ++i) {
        Planet& p = grid[static_cast<std::size_t>(i)];
        p.x = 200 + 300 * (i % 3);
        p.y = 200 + 300 * (i / 3);
        p.system_name = "Star " + std::to_string(i);
    }
    grid[0].home = true;
    grid[4].unread = true;
    const auto pixel = [](int x, int y) {
        Planet spot;
        spot.x = x, spot.y = y;
        return link_end(spot);
    };
    MapWidget map;
    map.resize(kMapPixels, kMapPixels);
    map.set_planets(grid);
    map.show();
    QSignalSpy joins(&map, &MapWidget::join_requested), adds(&map, &MapWidget::add_requested),
        moves(&map, &MapWidget::group_move_requested);

    QTest::mouseClick(&map, Qt::LeftButton, {}, centre(grid, 1));
    QTest::mouseClick(&map, Qt::LeftButton, Qt::ShiftModifier, pixel(350, 350));
    EXPECT_EQ(map.selection(), std::vector<int>{1}) << "Shift+click on empty space";
    drag(&map, pixel(100, 450), pixel(550, 850), Qt::ShiftModifier);
    EXPECT_EQ(map.selection(), (std::vector<int>{1, 3, 6, 7})) << "a band with Shift";

    const int distance = QApplication::startDragDistance();
    QApplication::setStartDragDistance(2);
    drag(&map, centre(grid, 2), centre(grid, 2) + QPoint(3, 0), Qt::ShiftModifier);
    QApplication::setStartDragDistance(distance);
    EXPECT_EQ(joins.size(), 0) << "a join to itself";
    QTest::mouseDClick(&map, Qt::LeftButton, {}, centre(grid, 5));
    EXPECT_EQ(adds.size(), 0) << "a double-click on a planet";
    QTest::mouseClick(&map, Qt::LeftButton, {}, centre(grid, 1));
    QTest::mouseClick(&map, Qt::LeftButton, Qt::ShiftModifier, centre(grid, 2));
    drag(&map, centre(grid, 1), pixel(700, 200));
    EXPECT_EQ(moves.size(), 0) << "planet 2 would stand off the map";

    map.start_rename(3);
    ASSERT_NE(map.name_editor(), nullptr);
    EXPECT_EQ(map.name_editor()->maxLength(), kMaxNameLength);
}

// New planets keep what still means the same planets: the selection while the count stays, less
// the planets whose file was not read, the last clicked one falling back to the first selected;
// the red marks go, and the chokepoints and bridges are found again. A notice goes by itself, a
// progress line put over it stays, and hovering an unread planet tells only the game folder.
TEST(MapWidget, NewPlanetsKeepWhatStillHolds)
{
    Planets chain(3);
    for (int i = 0; i < 3; ++i) {
        Planet& p = chain[static_cast<std::size_t>(i)];
        p.x = 200 + 300 * i;
        p.y = 500;
        p.system_name = "Star " + std::to_string(i);
        p.links = i == 1 ? std::vector<std::int32_t>{0, 2} : std::vector<std::int32_t>{1};
    }
    const auto orange_pixels = [](MapWidget& map) {
        const QImage image = map.grab().toImage();
        int count = 0;
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x) {
                const QColor c = image.pixelColor(x, y);
                count += c.red() > 230 && c.green() > 120 && c.green() < 160 && c.blue() < 30;
            }
        return count;
    };
    MapWidget map;
    map.resize(kMapPixels, kMapPixels);
    map.set_planets(chain);
    map.mark_cuts(true);
    map.show();
    QTest::mouseClick(&map, Qt::LeftButton, {}, centre(chain, 2));
    QTest::mouseClick(&map, Qt::LeftButton, Qt::ShiftModifier, centre(chain, 0));
    map.mark_planets({1});
    EXPECT_GT(orange_pixels(map), 100) << "planet 1 is a chokepoint";
    Planets ring = chain;
    ring[0].links.push_back(2);
    ring[2].links.push_back(0);
    ring[0].unread = true;
    map.set_planets(ring);
    EXPECT_EQ(map.selection(), std::vector<int>{2});
    EXPECT_EQ(map.selected_planet(), 2);
    EXPECT_TRUE(map.marked_planets().empty());
    EXPECT_LT(orange_pixels(map), 100) << "a ring has no chokepoint";
    QTest::mouseClick(&map, Qt::LeftButton, Qt::ShiftModifier, centre(chain, 1));
    ring[1].unread = true;
    map.set_planets(ring);
    EXPECT_EQ(map.selected_planet(), 2) << "the one last clicked is gone: the first selected";
    map.set_planets(Planets(ring.begin(), ring.end() - 1));
    EXPECT_TRUE(map.selection().empty()) << "the numbers mean other planets now";

    map.set_planets(ring);
    map.set_hover_text("Game folder: here");
    const QPoint at = marker_rect(ring[1]).center();
    QHelpEvent hover(QEvent::ToolTip, at, map.mapToGlobal(at));
    QApplication::sendEvent(&map, &hover);
    EXPECT_EQ(QToolTip::text(), "Game folder: here");
    map.show_notice("Saved", 50);
    EXPECT_TRUE(QTest::qWaitFor([&] { return map.progress().isEmpty(); }, 2000));
    map.show_notice("Saved", 50);
    map.set_progress("Working");
    QTest::qWait(120);
    EXPECT_EQ(map.progress(), "Working");
}

TEST(GalaxyEditor, ShiftDragJoinsAndRenameHappensInPlace)
{
    Editor e;
    const Planets generated = e.planets();
    int other = static_cast<int>(generated.size()) - 1;
    while (std::count(generated[0].links.begin(), generated[0].links.end(), other))
        --other;
    drag(e.map, centre(generated, 0), centre(generated, other), Qt::ShiftModifier);
    EXPECT_EQ(e.planets()[0].links.back(), other);
    EXPECT_EQ(e.planets()[static_cast<std::size_t>(other)].links.back(), 0);

    QTest::mouseDClick(e.map, Qt::LeftButton, {}, label_rect(generated, 4).center());
    QLineEdit* editor = e.map->name_editor();
    ASSERT_NE(editor, nullptr);
    editor->selectAll();
    QTest::keyClicks(editor, "Nouvelle \xC3\x89toile");
    QTest::keyClick(editor, Qt::Key_Return);
    EXPECT_EQ(e.planets()[4].system_name, "Nouvelle \xC9toile");

    // F2 on the selected planet; Escape leaves the name as it was.
    QTest::mouseClick(e.map, Qt::LeftButton, {}, centre(generated, 5));
    QTest::keyClick(e.map, Qt::Key_F2);
    ASSERT_NE(e.map->name_editor(), nullptr);
    QTest::keyClicks(e.map->name_editor(), "Lost");
    QTest::keyClick(e.map->name_editor(), Qt::Key_Escape);
    EXPECT_EQ(e.planets()[5].system_name, generated[5].system_name);

    e.keys("Ctrl+Z");
    e.keys("Ctrl+Z");
    EXPECT_EQ(e.planets(), generated);
    EXPECT_TRUE(e.messages.empty());
}

TEST(GalaxyEditor, MenusCutMakeHomeAndDelete)
{
    Editor e;
    const Planets generated = e.planets();
    const int p = 1, q = generated[1].links[0];
    choose(e.map, (centre(generated, p) + centre(generated, q)) / 2, "Cut jumpgate");
    EXPECT_EQ(std::count(e.planets()[1].links.begin(), e.planets()[1].links.end(), q), 0);
    e.keys("Ctrl+Z");
    choose(e.map, centre(generated, p), "Make home planet");
    EXPECT_TRUE(e.planets()[1].home);
    choose(e.map, centre(generated, 2), "Delete planet");
    EXPECT_EQ(e.planets().size(), generated.size() - 1);
    e.keys("Ctrl+Z");
    e.keys("Ctrl+Z");
    EXPECT_EQ(e.planets(), generated);
}

// The map's own menu offers what can be done now: a check and an export once the galaxy is
// saved, a way back once there is a galaxy before; its Copy seed copies the seed shown.
TEST(GalaxyEditor, TheMapMenuOffersWhatCanBeDone)
{
    Editor e;
    const QPoint corner(3, 3);
    const QStringList always = {"+Copy seed",
                                "+Copy command line",
                                "+Open campaign…",
                                "+Import campaign…",
                                "+Generate 12…",
                                "+Game folder…",
                                "+Mark chokepoints and bridges",
                                "+Tidy jumpgates",
                                "+Show features",
                                "+Planet panel",
                                "+About…"};
    struct State {
        const char* what;
        std::function<void()> reach;
        QStringList enabled, disabled;
    } states[] = {
        {"generated",
         [] {},
         {},
         {"-Check campaign…", "-Export campaign…", "-Back to the galaxy before",
          "-Forward to the galaxy after"}},
        {"saved",
         [&] {
             e.find<QLineEdit>("CampaignName")->setText("Menu Reach");
             ASSERT_TRUE(e.save("Save"));
         },
         {"+Check campaign…", "+Export campaign…"},
         {"-Back to the galaxy before"}},
        {"generated again",
         [&] { ASSERT_TRUE(e.click_and_wait("Generate")); },
         {"+Back to the galaxy before"},
         {"-Check campaign…", "-Forward to the galaxy after"}},
        {"gone back", [&] { e.keys("Alt+Left"); }, {"+Forward to the galaxy after"}, {}},
    };
    for (const State& state : states) {
        state.reach();
        const QStringList entries = menu_entries(e.map, corner);
        for (const QStringList& expected : {always, state.enabled, state.disabled})
            for (const QString& entry : expected)
                EXPECT_TRUE(entries.contains(entry)) << state.what << ": " << entry.toStdString()
                                                     << " in " << entries.join(", ").toStdString();
    }
    QApplication::clipboard()->clear();
    choose(e.map, corner, "Copy seed");
    EXPECT_EQ(QApplication::clipboard()->text(), e.form.seed_text());

    // While a Generate runs, nothing that would change or replace the galaxy is offered; before
    // the first one, nothing that needs a galaxy.
    e.keys("Alt+Right");
    e.set_rare_settings();
    QSignalSpy finished(&e.form, &MainWindow::generation_finished);
    QTest::mouseClick(e.find<QPushButton>("GenerateCustom"), Qt::LeftButton);
    ASSERT_TRUE(e.form.busy());
    Window fresh;
    for (const auto& [what, entries, expected] :
         {std::tuple{"generating", menu_entries(e.map, corner),
                     QStringList{"-Back to the galaxy before", "-Tidy jumpgates", "-Generate 12…"}},
          {"no galaxy yet", menu_entries(fresh.form.map(), corner),
           QStringList{"-Tidy jumpgates", "-Copy seed"}}})
        for (const QString& entry : expected)
            EXPECT_TRUE(entries.contains(entry)) << what << ": " << entry.toStdString() << " in "
                                                 << entries.join(", ").toStdString();
    QTest::keyClick(&e.form, Qt::Key_Escape);
    EXPECT_TRUE(finished.wait(20000));
}

TEST(GalaxyEditor, AnOpenedCampaignIsSavedBackWithoutAQuestion)
{
    Editor e;
    e.find<QLineEdit>("CampaignName")->setText("Kept Reach");
    ASSERT_TRUE(e.save("Save"));
    const auto before = e.game.campaigns();
    e.form.open_campaign("keptreach");
    const Planets opened = e.planets();
    drag(e.map, centre(opened, 2), free_pixel(opened, 2));
    ASSERT_TRUE(e.save("Save"));
    EXPECT_EQ(e.questions, 0) << "the document that was opened";
    EXPECT_FALSE(e.map->unsaved());
    std::size_t differing = 0;
    for (const auto& [file, bytes] : e.game.campaigns())
        differing += before.at(file) != bytes;
    EXPECT_EQ(differing, 1u) << "only the moved planet's file";
}

TEST(GalaxyEditor, ClosingWithUnsavedEditsAsksFirst)
{
    Editor e;
    const std::size_t generated = e.planets().size();
    QTest::mouseDClick(e.map, Qt::LeftButton, {}, free_pixel(e.planets(), -1));
    ASSERT_EQ(e.planets().size(), generated + 1) << "a double-click on empty space adds a planet";
    EXPECT_TRUE(e.planets().back().links.empty());

    e.form.close();
    EXPECT_EQ(e.close_questions, 1);
    EXPECT_TRUE(e.form.isVisible()) << "Cancel keeps the window";
    e.close_answer = MainWindow::CloseAnswer::Save;
    e.form.close();
    EXPECT_TRUE(e.form.isVisible()) << "the new planet is reached by no jumpgate: nothing saved";
    ASSERT_FALSE(e.messages.empty());
    EXPECT_TRUE(e.messages.back().second.contains("no jumpgates lead from the home planet"));
    EXPECT_EQ(e.map->marked_planets(), std::vector<int>{static_cast<int>(generated)})
        << "the planet no jumpgate reaches is ringed";
    EXPECT_EQ(e.game.saved_files(), 0u);
    e.close_answer = MainWindow::CloseAnswer::Discard;
    e.form.close();
    EXPECT_FALSE(e.form.isVisible());
    EXPECT_EQ(e.close_questions, 3);
}

// On a 1366 x 768 laptop or at 150 % on 1920 x 1080 the window opens smaller: the map drawn
// smaller, square, its positions still exact in map units; the settings column as it is.
TEST(GalaxyEditor, TheWindowFitsSmallScreens)
{
    struct Row {
        const char* name;
        QRect available;
        QSize size;
    } rows[] = {
        {"1920 x 1080", QRect(0, 0, 1920, 1040), QSize(979, 750)},
        {"1366 x 768", QRect(0, 0, 1366, 728), QSize(688 + 229, 688)},
        {"1920 x 1080 at 150 %", QRect(0, 0, 1280, 688), QSize(648 + 229, 648)},
        {"1024 x 600", QRect(0, 0, 1024, 560), QSize(520 + 229, 520)},
        {"smaller than the smallest map", QRect(0, 0, 400, 300), QSize(240 + 229, 240)},
    };
    for (const Row& row : rows)
        EXPECT_EQ(MainWindow::opening_size(row.available), row.size) << row.name;

    Editor e;
    e.form.resize(MainWindow::opening_size(rows[2].available));
    QTest::qWait(50);
    ASSERT_EQ(e.map->side(), 648);
    QWidget* column = e.find<QWidget>("SettingsColumn");
    EXPECT_EQ(QRect(column->mapTo(&e.form, QPoint(0, 0)), column->size()),
              QRect(648 + 20, 0, 190, 648));
    EXPECT_LE(e.find<QPushButton>("Save")->geometry().bottom(), 648);
    // On a netbook's screen with every section open, the column scrolls to its last list.
    e.form.resize(MainWindow::opening_size(rows[3].available));
    for (const char* box : {"AdvancedBox", "InhibitionsBox", "FacilitiesBox"})
        e.find<QCheckBox>(box)->setChecked(true);
    auto* scroll = e.find<QScrollArea>("ColumnScroll");
    QTest::qWait(50);
    ASSERT_GT(scroll->verticalScrollBar()->maximum(), 0);
    EXPECT_TRUE(scroll->verticalScrollBar()->isVisible()) << "and a scroll bar says it does";
    QWidget* last = e.find<QWidget>("RepairYards");
    scroll->ensureWidgetVisible(last);
    const QRect shown(last->mapTo(scroll->viewport(), QPoint(0, 0)), last->size());
    EXPECT_TRUE(scroll->viewport()->rect().contains(shown));
    e.form.resize(MainWindow::opening_size(rows[2].available));
    QTest::qWait(50);

    const Planets& g = e.planets();
    const QPoint to = free_pixel(g, 3, 648);
    drag(e.map, link_end(g[3], 648), to);
    EXPECT_EQ(QPoint(e.planets()[3].x, e.planets()[3].y), map_position(to, 648));
}

// Alt+Left and Alt+Right go back and forth between the galaxies shown, each as it was left; a
// galaxy with unsaved edits is asked about before it is left, as Generate asks, and the edits
// Discard drops are gone from the history too.
TEST(GalaxyEditor, BackAndForthThroughTheGalaxiesShown)
{
    Editor e;
    const Planets generated = e.planets();
    const auto [x, y] = testing::free_spot(e.planets(), 3);
    emit e.map->move_requested(3, x, y);
    ASSERT_TRUE(e.form.document().has_unsaved_edits());
    const QString name = e.find<QLineEdit>("CampaignName")->text();
    e.close_answer = MainWindow::CloseAnswer::Discard;
    ASSERT_TRUE(e.click_and_wait("Generate"));
    EXPECT_EQ(e.close_questions, 1);
    const Planets second = e.planets();
    emit e.map->move_requested(3, x, y);
    const Planets second_edited = e.planets();
    e.keys("Alt+Left");
    EXPECT_EQ(e.close_questions, 2) << "the second galaxy's edits were asked about";
    EXPECT_EQ(e.planets(), generated) << "the discarded move is gone";
    EXPECT_EQ(e.find<QLineEdit>("CampaignName")->text(), name);
    EXPECT_FALSE(e.map->unsaved());
    EXPECT_FALSE(e.form.document().has_unsaved_edits());
    e.keys("Alt+Right");
    EXPECT_EQ(e.close_questions, 2) << "the first galaxy had no edits left to ask about";
    EXPECT_EQ(e.planets(), second);
    EXPECT_NE(e.planets(), second_edited);
}

// A galaxy mid-edit: one planet renamed (the corner says the edits are unsaved) and another
// dragged over a third, where it cannot stand: ringed red, its links following it.
TEST(Screenshot, GalaxyMidEdit)
{
    Editor e;
    const Planets& g = e.planets();
    rename_planet(g, 0, "Renamed Here");  // refused names would throw here rather than below
    QTest::mouseDClick(e.map, Qt::LeftButton, {}, label_rect(g, 0).center());
    e.map->name_editor()->setText("Renamed Here");
    QTest::keyClick(e.map->name_editor(), Qt::Key_Return);
    QTest::mousePress(e.map, Qt::LeftButton, {}, centre(g, 1));
    QTest::mouseMove(e.map, centre(g, 2) + QPoint(6, 4));
    QTest::qWait(200);
    ASSERT_TRUE(e.form.grab().toImage().save(picture_path("galaxy-mid-edit.png")));
    QTest::mouseRelease(e.map, Qt::LeftButton, {}, centre(g, 2) + QPoint(6, 4));
    EXPECT_EQ(e.form.document().undo_stack()->count(), 1) << "the refused move is no edit";
}

// The window on a laptop's screen (1366 x 768) and on a netbook's (1024 x 600) with 175 planets
// and every feature's badge shown: task bar and title bar taken off; no name drawn over another
// or under a marker.
TEST(Screenshot, WindowOnSmallScreens)
{
    struct Row {
        const char* picture;
        QRect available;
        const char* planets;
        FeatureFilter::Kind badges;
    } rows[] = {
        {"window-small-screen.png", QRect(0, 0, 1366, 728), "", FeatureFilter::Kind::None},
        {"window-netbook-175.png", QRect(0, 0, 1024, 560), "175", FeatureFilter::Kind::All},
    };
    for (const Row& row : rows) {
        Editor e;
        e.form.resize(MainWindow::opening_size(row.available));
        e.find<QCheckBox>("AdvancedBox")->setChecked(true);
        if (*row.planets) {
            e.find<QLineEdit>("PlanetCount")->setText(row.planets);
            ASSERT_TRUE(e.click_and_wait("GenerateCustom"));
            ASSERT_TRUE(e.save());  // the Save reads the features from the templates
            e.map->show_notice("", 0);
        }
        e.map->show_features({row.badges, 0});
        QTest::qWait(200);
        const MapScale scale(e.map->side());
        const NameOverlaps overlaps =
            name_overlaps(e.planets(), place_names(e.planets(), scale), scale);
        EXPECT_EQ(overlaps.between_names, 0) << row.picture;
        EXPECT_EQ(overlaps.under_markers, 0) << row.picture;
        ASSERT_TRUE(e.form.grab().toImage().save(picture_path(row.picture)));
    }
}

}  // namespace
}  // namespace orvek
