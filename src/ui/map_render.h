// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The galaxy map as the window shows it: the background picture scaled to fit and anchored at the
// top left, silver links, green planet discs with white names, the larger red home disc.

#include "core/planet.h"

#include <QHash>
#include <QImage>
#include <QPoint>
#include <QRect>
#include <QString>

#include <array>
#include <utility>
#include <vector>

class QFont;
class QFontMetrics;
class QPainter;

namespace orvek {

constexpr int kMapPixels = 750;

// Loads a background picture file. Throws Error as load_picture does.
QImage load_background(const std::string& path);

// The built-in picture shown before the first galaxy.
QImage startup_picture();

// A map's size in pixels and, for a zoomed map, the size it has at 1x: markers and names keep
// their 1x size, and their 1x offset from their planet's point, at every zoom. An int is a map
// at 1x.
struct MapScale {
    int pixels = kMapPixels;
    int unzoomed = kMapPixels;

    MapScale(int at_1x) : pixels(at_1x), unzoomed(at_1x) {}  // NOLINT: an int is a 1x map
    MapScale(int zoomed, int at_1x) : pixels(zoomed), unzoomed(at_1x) {}
    operator int() const { return pixels; }  // NOLINT: positions scale by the pixels
};

// Where a planet's marker and label go on a map of `pixels` x `pixels`: map units scaled by
// 1000 / pixels and cut toward zero, the marker's half size taken off before scaling.
QRect marker_rect(const Planet& planet, MapScale pixels = kMapPixels);
QPoint label_position(const Planet& planet, MapScale pixels = kMapPixels);
QPoint link_end(const Planet& planet, int pixels = kMapPixels);

// The map position under a pixel of the map: the nearest map unit whose pixel it is.
QPoint map_position(QPoint pixel, int pixels = kMapPixels);

// The font of the planets' names.
QFont name_font();

// The box planet `index`'s name is drawn in (see place_names).
QRect label_rect(const std::vector<Planet>& planets, std::size_t index,
                 MapScale pixels = kMapPixels);

// The planet whose marker lies under `pixel` (the one drawn last on top), or -1.
int planet_at(const std::vector<Planet>& planets, QPoint pixel, MapScale pixels = kMapPixels);

// The planet whose name lies under `pixel`, or -1.
int label_at(const std::vector<Planet>& planets, QPoint pixel, MapScale pixels = kMapPixels);

// The two planets of the link drawn within 4 pixels of `pixel`, or (-1, -1).
std::pair<int, int> link_at(const std::vector<Planet>& planets, QPoint pixel,
                            int pixels = kMapPixels);

// Each name drawn once, outline and all, into a small picture that redraws copy: stroking 175
// outlined names anew would take longer than a frame. Pixels as if drawn straight onto the map.
class NameSprites {
public:
    struct Sprite {
        QImage image;
        QPoint offset;  // of the picture's corner from the name's baseline start
    };
    const Sprite& sprite(const QString& name, qreal device_pixel_ratio);

private:
    QHash<QString, Sprite> sprites_;
};

// Whether the map draws the link from `from` to planet `to`: both are planets it shows. A link to
// no planet, or to one whose file was not read, is drawn as a short red stub instead.
bool drawn_link(const std::vector<Planet>& planets, const Planet& from, int to);

// Paints the background and, when given, the galaxy (links, then names, then markers) onto a
// painter whose device is the map, `pixels` square; with `links_only`, the links alone. Names
// come from `sprites` when given, which keeps them for the next call. With
// `names_over_markers`, a name that runs under a marker is drawn again over it, so that no
// letter is lost (the window's map; the tool's picture keeps markers on top).
void paint_map(QPainter& painter, const QImage& background, const std::vector<Planet>* planets,
               MapScale pixels = kMapPixels, bool links_only = false,
               NameSprites* sprites = nullptr, bool names_over_markers = false);

// What part of the map a view shows: the map drawn `zoom` times as large as a square of `side`
// pixels, of which the view shows the `side` square whose top-left corner is `origin`. Positions
// in the larger map are what the other functions take with pixels().
struct MapView {
    int side = kMapPixels;
    double zoom = 1.0;
    QPoint origin;

    int pixels() const { return static_cast<int>(side * zoom + 0.5); }
    // A point of the view in the larger map, and back.
    QPoint to_map(QPoint in_view) const { return in_view + origin; }
    QPoint to_view(QPoint in_map) const { return in_map - origin; }
    // The same view zoomed to `zoom` (kept within 1 to kMaxZoom) about the view's point `at`,
    // which keeps its place on the map; then held within the map.
    MapView zoomed(double zoom, QPoint at) const;
    // The same view moved by `by` pixels of the view, held within the map.
    MapView panned(QPoint by) const;
};

inline constexpr double kMaxZoom = 8.0;

// paint_map for a view, names over markers: at 1x the whole map; zoomed, the part of the picture
// the view shows, and the planets spread out with their markers and names at their usual size.
void paint_view(QPainter& painter, const QImage& fitted, const std::vector<Planet>* planets,
                const MapView& view, bool links_only, NameSprites* sprites);

// How far outside a marker the ring that marks a chokepoint is drawn.
inline constexpr int kRingMargin = 4;

// Where a name drawn at `at` goes so that no edge of the map cuts it.
QPoint readable_position(QPoint at, const QFontMetrics& metrics, const QString& name,
                         int pixels = kMapPixels);

// The features in a player's words, in the order of kFeatureKeywords.
inline constexpr std::array<const char*, kFeatureCount> kFeatureWords = {
    "Engines required", "Shields inoperable", "Fighters inoperable", "Cruisers inoperable",
    "Cloak inoperable", "Tractor inoperable", "Repair inoperable",   "Repair yard",
    "Small factory",    "Medium factory",     "Large factory",       "Small academy",
    "Large academy",    "Shipyard A",         "Shipyard B",          "Shipyard C"};

// What the map's tooltip tells about a planet: its number, name, home, template file, the names
// of the planets it links to, and its features once a Save has assigned them.
QString planet_description(const std::vector<Planet>& planets, std::size_t index);

// The settings column's words for the seven inhibition effects, in flag order: the planet panel
// and the map's badges name them so too.
inline constexpr std::array<const char*, kInhibitionCount> kEffectWords = {
    "Engine Required",  "Shield Inoperable",  "Fighter Inhibition", "Cruiser Inhibition",
    "Cloak Inhibition", "Tractor Inoperable", "Repair Inoperable"};

// Which features the map shows as badges beside the markers: none (the default), all of them,
// one inhibition effect (its flag) or one facility group (its place in kFacilityGroups).
struct FeatureFilter {
    enum class Kind { None, All, Effect, Facility };
    Kind kind = Kind::None;
    int index = 0;
    // Whether the feature flag `feature` is shown.
    bool shows(int feature) const;
    bool operator==(const FeatureFilter&) const = default;
};

// The same onto a new image, for the command-line tool's PNG, with the badges `filter` shows.
QImage render_map(const QImage& background, const std::vector<Planet>& planets,
                  const FeatureFilter& filter = {});

}  // namespace orvek
