// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/map_render.h"

#include "ui/map_badges.h"
#include "ui/map_labels.h"

#include "core/cp1252.h"
#include "gamedata/game_folder.h"
#include "image/jpeg.h"

#include <QFile>
#include <QFont>
#include <QFontDatabase>
#include <QPainter>
#include <QPainterPath>

#include <algorithm>
#include <cmath>
#include <numbers>

// The start-up picture is a resource of this static library. Nothing in a program refers to the
// resource's own initialiser, so the linker would leave it out; calling it by name keeps it in.
static void register_startup_resource()
{
    Q_INIT_RESOURCE(startup);
}

namespace orvek {

namespace {

const QColor kGreen(0, 128, 0);
const QColor kRed(255, 0, 0);
const QColor kSkyBlue(166, 202, 240);
const QColor kSilver(192, 192, 192);

QImage to_qimage(const RgbImage& picture)
{
    QImage image(picture.width, picture.height, QImage::Format_RGB888);
    const int row = picture.width * 3;
    for (int y = 0; y < picture.height; ++y)
        std::memcpy(image.scanLine(y), picture.pixels.data() + static_cast<std::size_t>(y) * row,
                    static_cast<std::size_t>(row));
    return image;
}

int marker_size(const Planet& planet)
{
    return planet.home ? 20 : 14;
}

// Trunc(v / (1000 / pixels)), the division in floating point as the view scales.
int scaled(double value, int pixels)
{
    return static_cast<int>(std::trunc(value / (1000.0 / pixels)));
}

}  // namespace

QFont name_font()
{
    QFont font("Arial Black");
    font.setPointSize(8);
    // Where "Arial Black" is missing, a heavy sans-serif stands in for it.
    font.setStyleHint(QFont::SansSerif);
    font.setWeight(QFont::Black);
    return font;
}

// White text with a thin dark outline, so that a name reads over the brightest nebula. The
// picture's corner lies on whole pixels, so the outline falls on the same pixels as on the map.
const NameSprites::Sprite& NameSprites::sprite(const QString& name, qreal ratio)
{
    const QString key = name + QChar(0) + QString::number(ratio);
    if (const auto found = sprites_.constFind(key); found != sprites_.constEnd())
        return *found;
    if (sprites_.size() > 2000)
        sprites_.clear();
    QPainterPath path;
    path.addText(QPointF(0, 0), name_font(), name);
    const QRect box = path.boundingRect().toAlignedRect().adjusted(-2, -2, 2, 2);
    Sprite sprite{QImage(box.size() * ratio, QImage::Format_ARGB32_Premultiplied), box.topLeft()};
    sprite.image.setDevicePixelRatio(ratio);
    sprite.image.fill(Qt::transparent);
    QPainter painter(&sprite.image);
    painter.setRenderHint(QPainter::Antialiasing, true);
    painter.translate(-box.topLeft());
    painter.strokePath(path, QPen(QColor(0, 0, 0, 200), 2.0));
    painter.fillPath(path, Qt::white);
    return *sprites_.insert(key, std::move(sprite));
}

QImage load_background(const std::string& path)
{
    // Pictures far larger than the map are decoded at a reduced size; the map never shows more.
    return to_qimage(load_picture(path, kMapPixels));
}

QImage startup_picture()
{
    register_startup_resource();
    QFile file(":/orvek/startup.jpg");
    if (!file.open(QIODevice::ReadOnly))
        return QImage();
    QByteArray bytes = file.readAll();
    return to_qimage(
        decode_jpeg(std::string_view(bytes.constData(), static_cast<std::size_t>(bytes.size()))));
}

namespace {

// At 1x the corner as the map has always been drawn; zoomed, the same offset from the planet's
// point as at 1x, so that a marker stays on its point and keeps its size.
int corner(int value, int offset, MapScale pixels)
{
    const int at_1x = scaled(value - offset, pixels.unzoomed);
    if (pixels.pixels == pixels.unzoomed)
        return at_1x;
    return scaled(value, pixels.pixels) - (scaled(value, pixels.unzoomed) - at_1x);
}

}  // namespace

QRect marker_rect(const Planet& planet, MapScale pixels)
{
    const int size = marker_size(planet), half = size / 2;
    return QRect(corner(planet.x, half, pixels), corner(planet.y, half, pixels), size, size);
}

QPoint label_position(const Planet& planet, MapScale pixels)
{
    const int half = marker_size(planet) / 2;
    return QPoint(corner(planet.x, half, pixels), corner(planet.y, half + 20, pixels));
}

QPoint link_end(const Planet& planet, int pixels)
{
    return QPoint(scaled(planet.x, pixels), scaled(planet.y, pixels));
}

QPoint map_position(QPoint pixel, int pixels)
{
    // The first map unit that scales to the pixel.
    const auto unit = [pixels](int v) { return static_cast<int>(std::ceil(v * 1000.0 / pixels)); };
    return QPoint(unit(pixel.x()), unit(pixel.y()));
}

QRect label_rect(const std::vector<Planet>& planets, std::size_t index, MapScale pixels)
{
    return place_names(planets, pixels)[index];
}

int planet_at(const std::vector<Planet>& planets, QPoint pixel, MapScale pixels)
{
    for (std::size_t i = planets.size(); i-- > 0;)
        if (!planets[i].unread && marker_rect(planets[i], pixels).contains(pixel))
            return static_cast<int>(i);
    return -1;
}

int label_at(const std::vector<Planet>& planets, QPoint pixel, MapScale pixels)
{
    const std::vector<QRect> boxes = place_names(planets, pixels);
    for (std::size_t i = boxes.size(); i-- > 0;)
        if (boxes[i].contains(pixel))
            return static_cast<int>(i);
    return -1;
}

std::pair<int, int> link_at(const std::vector<Planet>& planets, QPoint pixel, int pixels)
{
    const QPointF at(pixel);
    for (std::size_t p = 0; p < planets.size(); ++p)
        for (const int q : planets[p].links) {
            if (!drawn_link(planets, planets[p], q))
                continue;
            const QPointF a(link_end(planets[p], pixels)),
                b(link_end(planets[static_cast<std::size_t>(q)], pixels));
            const QPointF ab = b - a;
            const double length2 = QPointF::dotProduct(ab, ab);
            const double t =
                length2 > 0 ? std::clamp(QPointF::dotProduct(at - a, ab) / length2, 0.0, 1.0) : 0;
            const QPointF near = a + t * ab - at;
            if (QPointF::dotProduct(near, near) <= 16)
                return {static_cast<int>(p), q};
        }
    return {-1, -1};
}

bool drawn_link(const std::vector<Planet>& planets, const Planet& from, int to)
{
    return !from.unread && to >= 0 && static_cast<std::size_t>(to) < planets.size() &&
           !planets[static_cast<std::size_t>(to)].unread;
}

namespace {

// A link whose other end the map does not show (no such planet, or one whose file was not
// read) is a short red stub from its planet ending in a cross, fanned out where there are
// several, so that the problem is seen where it is.
void paint_stubs(QPainter& painter, const std::vector<Planet>& planets, MapScale pixels)
{
    painter.setPen(QPen(kRed, 2));
    for (const Planet& p : planets) {
        if (p.unread)
            continue;
        int fan = 0;
        for (const std::int32_t q : p.links) {
            if (drawn_link(planets, p, q))
                continue;
            const double angle = (-45.0 + 35.0 * fan++) * std::numbers::pi / 180.0;
            const QPointF from = link_end(p, pixels);
            const QPointF to = from + 16.0 * QPointF(std::cos(angle), std::sin(angle));
            painter.drawLine(from, to);
            painter.drawLine(to + QPointF(-3, -3), to + QPointF(3, 3));
            painter.drawLine(to + QPointF(-3, 3), to + QPointF(3, -3));
        }
    }
}

}  // namespace

namespace {

void paint_background(QPainter& painter, const QImage& background, int pixels)
{
    if (background.isNull())
        return;
    // A picture already fitted to the map (as the window keeps it) is drawn as it is.
    const QSize fitted = background.size().scaled(pixels, pixels, Qt::KeepAspectRatio);
    painter.drawImage(0, 0,
                      fitted == background.size() ? background
                                                  : background.scaled(fitted, Qt::IgnoreAspectRatio,
                                                                      Qt::SmoothTransformation));
}

void paint_links(QPainter& painter, const std::vector<Planet>& planets, MapScale pixels)
{
    painter.setRenderHint(QPainter::Antialiasing, false);
    painter.setPen(QPen(kSilver, 1));
    for (const Planet& p : planets)
        for (const std::int32_t q : p.links)
            if (drawn_link(planets, p, q))
                painter.drawLine(link_end(p, pixels),
                                 link_end(planets[static_cast<std::size_t>(q)], pixels));
}

// The names, then the markers over them, so that where a name runs over another planet its
// marker stays on top; with `names_over_markers`, such a name is drawn again over the marker.
void paint_planets(QPainter& painter, const std::vector<Planet>& planets, MapScale pixels,
                   NameSprites& names, bool names_over_markers)
{
    painter.setRenderHint(QPainter::Antialiasing, true);
    const QFontMetrics metrics(name_font());
    const std::vector<QRect> boxes = place_names(planets, pixels);
    const auto draw_name = [&](std::size_t i) {
        const QString name = QString::fromUtf8(cp1252_to_utf8(planets[i].system_name));
        const NameSprites::Sprite& sprite =
            names.sprite(name, painter.device()->devicePixelRatioF());
        painter.drawImage(boxes[i].topLeft() + QPoint(0, metrics.ascent()) + sprite.offset,
                          sprite.image);
    };
    for (std::size_t i = 0; i < planets.size(); ++i)
        if (!planets[i].unread && !boxes[i].isEmpty())
            draw_name(i);
    std::vector<QRect> markers;
    for (const Planet& p : planets) {
        if (p.unread)
            continue;
        markers.push_back(marker_rect(p, pixels));
        // The 2-pixel outline lies inside the marker's box, as a shape control draws it.
        painter.setPen(QPen(kSkyBlue, 2));
        painter.setBrush(p.home ? kRed : kGreen);
        painter.drawEllipse(QRectF(markers.back()).adjusted(1, 1, -1, -1));
    }
    if (names_over_markers)
        for (std::size_t i = 0; i < planets.size(); ++i)
            if (!planets[i].unread && !boxes[i].isEmpty() &&
                std::any_of(markers.begin(), markers.end(),
                            [&](const QRect& m) { return m.intersects(boxes[i]); }))
                draw_name(i);
}

}  // namespace

void paint_map(QPainter& painter, const QImage& background, const std::vector<Planet>* planets,
               MapScale pixels, bool links_only, NameSprites* sprites, bool names_over_markers)
{
    paint_background(painter, background, pixels);
    if (!planets)
        return;
    paint_links(painter, *planets, pixels);
    if (links_only)
        return;
    paint_stubs(painter, *planets, pixels);
    NameSprites own;
    paint_planets(painter, *planets, pixels, sprites ? *sprites : own, names_over_markers);
}

MapView MapView::zoomed(double new_zoom, QPoint at) const
{
    MapView view = *this;
    view.zoom = std::clamp(new_zoom, 1.0, kMaxZoom);
    const double scale = view.zoom / zoom;
    view.origin = QPoint(static_cast<int>((origin.x() + at.x()) * scale - at.x() + 0.5),
                         static_cast<int>((origin.y() + at.y()) * scale - at.y() + 0.5));
    return view.panned(QPoint());
}

MapView MapView::panned(QPoint by) const
{
    MapView view = *this;
    const int most = std::max(0, pixels() - side);
    view.origin =
        QPoint(std::clamp(origin.x() + by.x(), 0, most), std::clamp(origin.y() + by.y(), 0, most));
    return view;
}

void paint_view(QPainter& painter, const QImage& fitted, const std::vector<Planet>* planets,
                const MapView& view, bool links_only, NameSprites* sprites)
{
    if (view.zoom == 1.0 && view.origin.isNull())
        return paint_map(painter, fitted, planets, view.side, links_only, sprites, true);
    if (!fitted.isNull()) {
        // The part of the fitted picture under the view, drawn over the whole view.
        const QRectF source(view.origin.x() / view.zoom, view.origin.y() / view.zoom,
                            view.side / view.zoom, view.side / view.zoom);
        painter.save();
        painter.setRenderHint(QPainter::SmoothPixmapTransform, true);
        painter.drawImage(QRectF(0, 0, view.side, view.side), fitted, source);
        painter.restore();
    }
    painter.save();
    painter.translate(-view.origin);
    paint_map(painter, QImage(), planets, MapScale(view.pixels(), view.side), links_only, sprites,
              true);
    painter.restore();
}

QPoint readable_position(QPoint at, const QFontMetrics& metrics, const QString& name, int pixels)
{
    const int width = metrics.horizontalAdvance(name);
    return QPoint(std::max(0, std::min(at.x(), pixels - width)),
                  std::max(0, std::min(at.y(), pixels - metrics.height())));
}

QString planet_description(const std::vector<Planet>& planets, std::size_t index)
{
    const Planet& p = planets[index];
    const auto text = [](const std::string& cp1252) {
        return QString::fromUtf8(cp1252_to_utf8(cp1252));
    };
    QStringList linked;
    for (const std::int32_t to : p.links) {
        // An opened campaign may link to a planet it does not have; the check says so.
        linked << (to >= 0 && static_cast<std::size_t>(to) < planets.size()
                       ? text(planets[static_cast<std::size_t>(to)].system_name)
                       : QString("planet %1, which does not exist").arg(to));
    }
    QString description = QString("%1 (planet %2)").arg(text(p.system_name)).arg(index);
    if (p.home)
        description += ", home planet";
    description += "\nTemplate: " + text(p.template_file);
    description += "\nJumpgates to: " + linked.join(", ");
    QStringList effects, facilities;
    for (int f = 0; f < kFeatureCount; ++f)
        if (p.features[static_cast<std::size_t>(f)])
            (f < kInhibitionCount ? effects : facilities)
                << kFeatureWords[static_cast<std::size_t>(f)];
    if (!effects.isEmpty())
        description += "\nInhibition effects: " + effects.join(", ");
    if (!facilities.isEmpty())
        description += "\nFacilities: " + facilities.join(", ");
    return description;
}

QImage render_map(const QImage& background, const std::vector<Planet>& planets,
                  const FeatureFilter& filter)
{
    QImage image(kMapPixels, kMapPixels, QImage::Format_RGB32);
    image.fill(Qt::black);
    QPainter painter(&image);
    paint_map(painter, background, &planets);
    paint_badges(painter, planets, kMapPixels, filter);
    std::vector<QRect> markers;
    for (const Planet& p : planets)
        if (!p.unread)
            markers.push_back(marker_rect(p).adjusted(-2, -60, 60, 12));  // with name and badges
    paint_legend(painter, planets, filter, image.rect(), markers);
    return image;
}

}  // namespace orvek
