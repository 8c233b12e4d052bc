// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/label_checks.h"
#include "ui/map_labels.h"

#include "core/cp1252.h"
#include "core/random.h"
#include "gamedata/game_folder.h"
#include "support/small_galaxy.h"
#include "ui/map_render.h"

#include <QFontMetrics>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <string>

namespace orvek {
namespace {

using testing::name_overlaps;
using testing::NameOverlaps;

// Each name where it went before names were placed apart: its usual spot, pushed inside the map.
std::vector<QRect> usual_boxes(const std::vector<Planet>& planets)
{
    const QFontMetrics metrics(name_font());
    std::vector<QRect> boxes;
    for (const Planet& p : planets) {
        const QString name = QString::fromUtf8(cp1252_to_utf8(p.system_name));
        boxes.emplace_back(readable_position(label_position(p), metrics, name),
                           QSize(metrics.horizontalAdvance(name), metrics.height()));
    }
    return boxes;
}

// Over 8 seeds, the 4 sizes and the 3 jumpgate styles of the demo game folder: how many pixels
// of names lie under other names and under markers, before and after; the home planet's name
// is never covered.
TEST(MapLabels, NamesHideLessAndNeverTheHomePlanets)
{
    const GameFolder folder(ORVEK_DEMO_GAME);
    NameOverlaps before, after;
    int galaxies = 0, home_covered_before = 0;
    for (std::uint32_t seed = 1; seed <= 8; ++seed)
        for (int size = 0; size < 4; ++size)
            for (int gates = 0; gates < 3; ++gates) {
                Random random(seed);
                const Galaxy galaxy = testing::generate_in(folder, random, size, gates);
                const NameOverlaps was =
                    name_overlaps(galaxy.planets, usual_boxes(galaxy.planets), kMapPixels);
                const NameOverlaps is = name_overlaps(
                    galaxy.planets, place_names(galaxy.planets, kMapPixels), kMapPixels);
                before.between_names += was.between_names;
                before.under_markers += was.under_markers;
                home_covered_before += was.home_covered;
                after.between_names += is.between_names;
                after.under_markers += is.under_markers;
                EXPECT_FALSE(is.home_covered)
                    << "seed " << seed << ", size " << size << ", gates " << gates;
                ++galaxies;
            }
    std::printf("%d galaxies: pixels of names under names %lld before, %lld after; under markers "
                "%lld before, %lld after; home planet's name covered in %d before, 0 after\n",
                galaxies, before.between_names, after.between_names, before.under_markers,
                after.under_markers, home_covered_before);
    EXPECT_LT(after.between_names * 5, before.between_names);
    EXPECT_LT(after.under_markers * 5, before.under_markers);
    // A planet whose file was not read is not drawn: its name has no place.
    Random random(1);
    Galaxy galaxy = testing::generate_in(folder, random, 1, 1);
    galaxy.planets[2].unread = true;
    EXPECT_TRUE(place_names(galaxy.planets, kMapPixels)[2].isNull());
}

// On a small map, a crowd of planets around the home planet, numbered last: its name is still
// placed first and left clear, and names with no room left are not drawn; at the usual size all
// are drawn, none over the home planet's name.
TEST(MapLabels, TheHomePlanetsNameIsPlacedFirst)
{
    std::vector<Planet> crowd;
    for (int dx = -2; dx <= 2; ++dx)
        for (int dy = -2; dy <= 2; ++dy) {
            Planet p;
            p.x = 500 + dx * 15;
            p.y = 500 + dy * 15;
            p.system_name = "Planet " + std::to_string(crowd.size());
            p.home = dx == 0 && dy == 0;
            crowd.push_back(p);
        }
    std::swap(crowd[12], crowd.back());
    const std::vector<QRect> boxes = place_names(crowd, kMapPixels / 2);
    EXPECT_FALSE(name_overlaps(crowd, boxes, kMapPixels / 2).home_covered);
    EXPECT_FALSE(boxes.back().isNull()) << "the home planet's name shows, free spot or not";
    EXPECT_TRUE(std::any_of(boxes.begin(), boxes.end(), [](const QRect& b) { return b.isNull(); }));
    // At the usual size every name is drawn, and none over the home planet's.
    const std::vector<QRect> drawn = place_names(crowd, kMapPixels);
    EXPECT_FALSE(name_overlaps(crowd, drawn, kMapPixels).home_covered);
    EXPECT_TRUE(
        std::none_of(drawn.begin(), drawn.end(), [](const QRect& b) { return b.isNull(); }));
}

TEST(MapView, PositionsCutTowardZero)
{
    Planet p;
    p.x = 500;
    p.y = 300;
    EXPECT_EQ(marker_rect(p), QRect(369, 219, 14, 14));
    EXPECT_EQ(label_position(p), QPoint(369, 204));
    p.home = true;
    EXPECT_EQ(marker_rect(p), QRect(367, 217, 20, 20));
    EXPECT_EQ(label_position(p), QPoint(367, 202));
    Planet edge;
    edge.x = edge.y = 21;
    EXPECT_EQ(label_position(edge).y(), -4);
    Planet far;
    far.x = 101;
    far.y = 61;
    EXPECT_EQ(link_end(edge), QPoint(15, 15));
    EXPECT_EQ(link_end(far), QPoint(75, 45));
    // Names that an edge would cut move inside the map.
    const QFontMetrics metrics(QFont("Tahoma"));
    const int wide = metrics.horizontalAdvance("Alula Australis");
    EXPECT_EQ(readable_position(QPoint(740, -4), metrics, "Alula Australis"),
              QPoint(750 - wide, 0));
    EXPECT_EQ(readable_position(QPoint(369, 204), metrics, "Alula Australis"), QPoint(369, 204));
    EXPECT_EQ(readable_position(QPoint(-3, 745), metrics, "Proxima Centauri"),
              QPoint(0, 750 - metrics.height()));
}

}  // namespace
}  // namespace orvek
