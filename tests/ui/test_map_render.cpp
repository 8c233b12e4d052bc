// SPDX-License-Identifier: GPL-3.0-or-later
// The map's drawing and what a pixel of it hits: map units under a pixel, the marker on top, a
// link clicked near its line, the view held to the map, and the features' badges and legend.

#include "ui/map_badges.h"
#include "ui/map_render.h"

#include <QColor>

#include <gtest/gtest.h>

namespace orvek {
namespace {

Planet at(int x, int y, std::vector<std::int32_t> links = {})
{
    Planet p;
    p.x = x;
    p.y = y;
    p.system_name = "Vega";
    p.links = std::move(links);
    return p;
}

int pixels_of(const QImage& image, const QColor& colour, const QRect& within)
{
    int count = 0;
    for (int y = within.top(); y <= within.bottom(); ++y)
        for (int x = within.left(); x <= within.right(); ++x)
            count += image.pixelColor(x, y) == colour;
    return count;
}

// Every pixel of the map: the map unit under it is the first that is drawn there.
TEST(MapRender, APixelsMapUnitIsTheFirstDrawnThere)
{
    for (int pixel = 1; pixel < kMapPixels; ++pixel) {
        const int unit = map_position(QPoint(pixel, pixel)).x();
        ASSERT_EQ(link_end(at(unit, unit)).x(), pixel) << pixel;
        ASSERT_LT(link_end(at(unit - 1, unit - 1)).x(), pixel) << pixel;
    }
}

// Two markers on one spot: a click takes the one drawn on top. A link is taken within 4 pixels
// of its line, not beyond either end; a link to no planet is not drawn.
TEST(MapRender, WhatAClickHits)
{
    const std::vector<Planet> two = {at(100, 500, {1}), at(500, 500)};
    const std::vector<Planet> same = {at(500, 500), at(500, 500)};
    EXPECT_EQ(planet_at(same, link_end(same[0])), 1);
    const struct {
        const char* name;
        QPoint pixel;
        std::pair<int, int> link;
    } clicks[] = {
        {"3 pixels off the line", QPoint(200, 378), {0, 1}},
        {"5 pixels off the line", QPoint(200, 380), {-1, -1}},
        {"5 pixels beyond its end", QPoint(70, 375), {-1, -1}},
    };
    for (const auto& c : clicks)
        EXPECT_EQ(link_at(two, c.pixel), c.link) << c.name;
    EXPECT_FALSE(drawn_link(two, two[0], 2)) << "a link to one past the last planet";
}

TEST(MapRender, TheViewKeepsToTheMap)
{
    const MapView whole;
    EXPECT_EQ(whole.zoomed(0.5, QPoint(10, 10)).zoom, 1.0) << "never smaller than the map";
    const MapView twice = whole.zoomed(2.0, QPoint());
    const int most = twice.pixels() - twice.side;
    EXPECT_EQ(twice.panned(QPoint(5000, 5000)).origin, QPoint(most, most));
    EXPECT_EQ(twice.panned(QPoint(-5000, -5000)).origin, QPoint(0, 0));
}

TEST(MapRender, ARepairYardIsAFacility)
{
    std::vector<Planet> planets = {at(500, 500)};
    planets[0].features[kInhibitionCount] = true;
    const QString text = planet_description(planets, 0);
    EXPECT_TRUE(text.endsWith("\nFacilities: Repair yard")) << text.toStdString();
    EXPECT_FALSE(text.contains("Inhibition effects")) << text.toStdString();
}

// Which flags each filter shows, at the edges of its group.
TEST(MapBadges, EachFilterShowsItsOwnFeatures)
{
    using K = FeatureFilter::Kind;
    const struct {
        const char* name;
        FeatureFilter filter;
        int feature;
        bool shown;
    } rows[] = {
        {"none", {K::None, 0}, 0, false},
        {"all", {K::All, 0}, kFeatureCount - 1, true},
        {"cruisers", {K::Effect, 3}, 3, true},
        {"cruisers, not cloak", {K::Effect, 3}, 4, false},
        {"repair yards", {K::Facility, 0}, kInhibitionCount, true},
        {"repair yards, not a factory", {K::Facility, 0}, kInhibitionCount + 1, false},
        {"factories, the last", {K::Facility, 1}, kInhibitionCount + 3, true},
        {"factories, not an academy", {K::Facility, 1}, kInhibitionCount + 4, false},
    };
    for (const auto& r : rows)
        EXPECT_EQ(r.filter.shows(r.feature), r.shown) << r.name;
    // An effect's keyword on the command line is the first word of its name; each effect's and
    // facility's filter shows only features its keyword names, and at least one.
    for (const FeatureFilterChoice& c : feature_filters()) {
        if (c.filter.kind == K::Effect) {
            EXPECT_EQ(QString(c.words).split(' ').front().toLower(), c.keyword) << c.words;
        }
        if (c.filter.kind != K::Effect && c.filter.kind != K::Facility)
            continue;
        int shown = 0;
        for (int f = 0; f < kFeatureCount; ++f)
            if (c.filter.shows(f)) {
                ++shown;
                const QString feature(kFeatureKeywords[static_cast<std::size_t>(f)].data());
                EXPECT_TRUE(feature.toLower().contains(c.keyword)) << c.words << ": " << f;
            }
        EXPECT_GT(shown, 0) << c.words;
    }
}

// A marker: green, the home planet's red, each outlined in sky blue.
TEST(MapRender, MarkersInTheirColours)
{
    const QColor green(0, 128, 0), red(255, 0, 0), sky_blue(166, 202, 240);
    std::vector<Planet> planets = {at(300, 300), at(700, 700)};
    planets[1].home = true;
    const QImage map = render_map(QImage(), planets);
    const QRect other = marker_rect(planets[0]), home = marker_rect(planets[1]);
    EXPECT_GT(pixels_of(map, green, other), 0);
    EXPECT_EQ(pixels_of(map, red, other), 0);
    EXPECT_GT(pixels_of(map, red, home), 0);
    EXPECT_EQ(pixels_of(map, green, home), 0);
    EXPECT_GT(pixels_of(map, sky_blue, other), 0);
    EXPECT_GT(pixels_of(map, sky_blue, home), 0);
}

// Badges in the facilities' blue, none for a planet whose file was not read, kept off another
// planet's marker; the legend in the first free corner; two stubs of links to no planet apart.
TEST(MapBadges, WhereBadgesAndTheLegendGo)
{
    const QColor red(200, 40, 40), blue(40, 90, 210), stub(255, 0, 0);
    std::vector<Planet> planets = {at(500, 500), at(516, 516)};
    planets[0].features[kInhibitionCount] = true;
    QImage map = render_map(QImage(), planets, {FeatureFilter::Kind::All, 0});
    EXPECT_GT(pixels_of(map, blue, map.rect()), 0);
    EXPECT_EQ(pixels_of(map, red, map.rect()), 0) << "a repair yard is no effect";

    planets[0].features[4] = true;
    map = render_map(QImage(), planets, {FeatureFilter::Kind::Effect, 4});
    EXPECT_EQ(pixels_of(map, red, marker_rect(planets[1])), 0) << "over the other marker";
    planets[0].unread = true;
    map = render_map(QImage(), planets, {FeatureFilter::Kind::Effect, 4});
    EXPECT_EQ(pixels_of(map, red, map.rect()), 0) << "badges of an unread planet";

    // Every effect has its red badge and every facility its blue one, the last included.
    for (int f = 0; f < kFeatureCount; ++f) {
        std::vector<Planet> one = {at(500, 500)};
        one[0].features[static_cast<std::size_t>(f)] = true;
        map = render_map(QImage(), one, {FeatureFilter::Kind::All, 0});
        EXPECT_GT(pixels_of(map, f < kInhibitionCount ? red : blue, map.rect()), 0)
            << "feature " << f;
    }

    QImage white(kMapPixels, kMapPixels, QImage::Format_RGB32);
    white.fill(Qt::white);
    planets[0].unread = false;
    map = render_map(white, planets, {FeatureFilter::Kind::Effect, 4});
    EXPECT_NE(map.pixelColor(8, 8), QColor(Qt::white)) << "the legend at the top left";
    EXPECT_EQ(map.pixelColor(kMapPixels - 8, kMapPixels - 8), QColor(Qt::white));

    const auto stub_pixels = [&](std::vector<std::int32_t> links) {
        const std::vector<Planet> one = {at(500, 500, std::move(links))};
        return pixels_of(render_map(QImage(), one), stub, QRect(0, 0, kMapPixels, kMapPixels));
    };
    EXPECT_GT(stub_pixels({5, 6}), stub_pixels({5}) * 3 / 2) << "the second stub fanned out";
}

}  // namespace
}  // namespace orvek
