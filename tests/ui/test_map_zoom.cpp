// SPDX-License-Identifier: GPL-3.0-or-later
// The map's view: the wheel's zoom about the pointer, panning, Home, a planet brought into
// view, and the names of a large galaxy zoomed in.

#include "ui/editor_fixture.h"
#include "ui/label_checks.h"
#include "ui/map_labels.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QScrollArea>
#include <QUndoStack>
#include <QWheelEvent>

#include <cmath>

namespace orvek {
namespace {

using testing::name_overlaps;
using testing::NameOverlaps;

using namespace testing;

void wheel(QWidget* map, QPoint at, int notches)
{
    QWheelEvent event(at, map->mapToGlobal(at), QPoint(), QPoint(0, 120 * notches), Qt::NoButton,
                      Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(map, &event);
}

// The wheel zooms about the pointer, which keeps its planet under it; at any zoom a click selects
// the planet under it and a drag moves it by what the pointer went in map units; the middle
// button, or the left with Space held, pans; Home shows the whole map again.
TEST(GalaxyEditor, ZoomAndPanKeepThePointerOnItsPlanet)
{
    Editor e;
    const Planets generated = e.planets();
    const QPoint at = centre(generated, 4);
    wheel(e.map, at, 6);
    const MapView zoomed = e.map->view();
    EXPECT_NEAR(zoomed.zoom, std::pow(1.25, 6), 1e-9);
    EXPECT_LE((zoomed.to_view(link_end(generated[4], zoomed.pixels())) - at).manhattanLength(), 2);
    wheel(e.map, at, 40);
    EXPECT_EQ(e.map->view().zoom, kMaxZoom) << "at most eight times";

    const MapView view = e.map->view();
    const auto shown = [&](int p) { return view.to_view(link_end(e.planets()[p], view.pixels())); };
    QTest::mouseClick(e.map, Qt::LeftButton, {}, shown(4) + QPoint(2, 1));
    EXPECT_EQ(e.map->selection(), std::vector<int>{4});
    const Planet before = e.planets()[4];
    drag(e.map, shown(4), shown(4) + QPoint(0, 120));
    const int moved = e.planets()[4].y - before.y;
    EXPECT_NEAR(moved, 120 * 1000.0 / view.pixels(), 1.0) << "a small step of the map";

    QTest::mousePress(e.map, Qt::MiddleButton, {}, QPoint(300, 300));
    // The release's own place ends the pan, wherever the last move was.
    QTest::mouseMove(e.map, QPoint(275, 290));
    QTest::mouseRelease(e.map, Qt::MiddleButton, {}, QPoint(250, 280));
    EXPECT_EQ(e.map->view().origin, view.panned(QPoint(50, 20)).origin);
    EXPECT_EQ(e.planets()[4].y, before.y + moved) << "a pan moves no planet";
    // So does the left button while Space is held, whose repeats (a release and a press each)
    // do not end it.
    const MapView panned = e.map->view();
    QTest::keyPress(e.map, Qt::Key_Space);
    QKeyEvent repeated(QEvent::KeyRelease, Qt::Key_Space, Qt::NoModifier, " ", true);
    QApplication::sendEvent(e.map, &repeated);
    QTest::mousePress(e.map, Qt::LeftButton, {}, QPoint(300, 300));
    QTest::mouseRelease(e.map, Qt::LeftButton, {}, QPoint(280, 290));
    QTest::keyRelease(e.map, Qt::Key_Space);
    EXPECT_EQ(e.map->view().origin, panned.panned(QPoint(20, 10)).origin);

    // A planet shown from elsewhere (a finding chosen) comes to the middle of the zoomed view.
    e.map->show_planet(0);
    MapView centred = e.map->view();
    centred.origin =
        link_end(e.planets()[0], centred.pixels()) - QPoint(centred.side / 2, centred.side / 2);
    EXPECT_EQ(e.map->view().origin, centred.panned(QPoint()).origin)
        << "in the middle, or as near as the map's edge allows";
    EXPECT_EQ(e.map->selection(), std::vector<int>{0});

    QTest::keyClick(e.map, Qt::Key_Home);
    EXPECT_EQ(e.map->view().zoom, 1.0);
    EXPECT_EQ(e.map->view().origin, QPoint());
}

// A galaxy of 175 planets zoomed in about its middle: names keep their size and clear of every
// marker, where at 1x some letters lie under markers.
TEST(Screenshot, ZoomedGalaxyOf175)
{
    Editor e;
    e.find<QCheckBox>("AdvancedBox")->setChecked(true);
    const std::pair<const char*, const char*> fields[] = {{"PlanetCount", "175"},
                                                          {"WormholeCount", "1"},
                                                          {"Join1Percent", "40"},
                                                          {"Join2Percent", "40"},
                                                          {"Join3Percent", "5"}};
    for (const auto& [field, text] : fields)
        e.find<QLineEdit>(field)->setText(text);
    e.find<QCheckBox>("AdvancedBox")->setChecked(false);
    ASSERT_TRUE(e.click_and_wait("GenerateCustom"));
    ASSERT_EQ(e.planets().size(), 175u);
    // At 1x some names run under markers: in the window their letters are drawn over the
    // markers (white), in the tool's picture the markers stay on top.
    ASSERT_EQ(e.map->side(), kMapPixels);
    const QImage window = e.map->grab().toImage(), tool = render_map(QImage(), e.planets());
    const std::vector<QRect> boxes = place_names(e.planets(), kMapPixels);
    const auto white_under_markers = [&](const QImage& image) {
        int white = 0;
        for (std::size_t i = 0; i < boxes.size(); ++i)
            for (const Planet& p : e.planets()) {
                const QRect shared = boxes[i] & marker_rect(p).adjusted(2, 2, -2, -2);
                for (int y = shared.top(); y <= shared.bottom() && !shared.isEmpty(); ++y)
                    for (int x = shared.left(); x <= shared.right(); ++x)
                        white += QColor(image.pixel(x, y)).lightness() > 235;
            }
        return white;
    };
    EXPECT_GT(white_under_markers(window), 0);
    EXPECT_EQ(white_under_markers(tool), 0);
    const QPoint middle(e.map->side() / 2, e.map->side() / 2);
    wheel(e.map, middle, 4);
    QTest::qWait(200);
    ASSERT_TRUE(e.form.grab().toImage().save(picture_path("zoomed-175.png")));
    const MapView view = e.map->view();
    const MapScale scale(view.pixels(), view.side);
    const NameOverlaps at_1x = name_overlaps(e.planets(), place_names(e.planets(), view.side),
                                             view.side),
                       zoomed = name_overlaps(e.planets(), place_names(e.planets(), scale), scale);
    EXPECT_LT(zoomed.under_markers, at_1x.under_markers) << at_1x.under_markers;
    EXPECT_EQ(zoomed.under_markers, 0);
    // On a netbook's 520-pixel map, a name with no free spot is left out: none lies over
    // another or under a marker, and the home planet's stays.
    const std::vector<QRect> small = place_names(e.planets(), 520);
    const NameOverlaps netbook = name_overlaps(e.planets(), small, 520);
    EXPECT_EQ(netbook.between_names, 0);
    EXPECT_EQ(netbook.under_markers, 0);
    const auto named = std::count_if(small.begin(), small.end(),
                                     [](const QRect& r) { return !r.isEmpty(); });
    EXPECT_GT(named, 80);
    EXPECT_FALSE(small[static_cast<std::size_t>(home_planet(e.planets()))].isEmpty());
}

}  // namespace
}  // namespace orvek
