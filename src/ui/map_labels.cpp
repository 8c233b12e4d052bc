// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/map_labels.h"

#include "core/cp1252.h"
#include "ui/map_render.h"

#include <QFontMetrics>

#include <limits>

namespace orvek {

namespace {

long long area(const QRect& a, const QRect& b)
{
    const QRect shared = a.intersected(b);
    return shared.isEmpty() ? 0 : static_cast<long long>(shared.width()) * shared.height();
}

// The spots around a marker for a box of `size`, the usual one first. Those beside and below it
// keep clear of the ring that marks a chokepoint (kRingMargin), so that no ring covers a name's
// first letters.
std::vector<QRect> spots(const Planet& planet, QSize size, MapScale pixels)
{
    const QRect m = marker_rect(planet, pixels);
    const int w = size.width(), h = size.height(), mid = m.center().y() - h / 2;
    const int gap = kRingMargin + 2;
    return {QRect(label_position(planet, pixels), size),
            QRect(m.right() + gap, mid, w, h),
            QRect(m.left() - gap - w, mid, w, h),
            QRect(m.center().x() - w / 2, m.bottom() + gap, w, h),
            QRect(m.right() + 1, m.top() - h, w, h),
            QRect(m.left() - 1 - w, m.top() - h, w, h),
            QRect(m.right() + 1, m.bottom() + 1, w, h),
            QRect(m.left() - 1 - w, m.bottom() + 1, w, h)};
}

}  // namespace

std::vector<QRect> place_names(const std::vector<Planet>& planets, MapScale pixels)
{
    const QFontMetrics metrics(name_font());
    const QRect map(0, 0, pixels, pixels);
    std::vector<QRect> markers, boxes(planets.size());
    for (const Planet& p : planets)
        if (!p.unread)
            markers.push_back(marker_rect(p, pixels));
    // The home planet's name first: no other is then placed over it.
    std::vector<std::size_t> order;
    for (std::size_t i = 0; i < planets.size(); ++i)
        if (planets[i].unread)
            continue;  // not drawn: its box stays empty
        else if (planets[i].home)
            order.insert(order.begin(), i);
        else
            order.push_back(i);
    std::vector<bool> placed(planets.size(), false);
    for (std::size_t i : order) {
        const QString name = QString::fromUtf8(cp1252_to_utf8(planets[i].system_name));
        const QSize size(metrics.horizontalAdvance(name), metrics.height());
        long long best = std::numeric_limits<long long>::max();
        for (const QRect& spot : spots(planets[i], size, pixels)) {
            long long cost = map.contains(spot) ? 0 : 1'000'000'000LL;
            for (const QRect& marker : markers)
                cost += area(spot, marker);
            for (std::size_t j = 0; j < planets.size(); ++j)
                if (placed[j])
                    cost += area(spot, boxes[j]) * (planets[j].home ? 1'000'000LL : 1);
            if (cost < best) {
                best = cost;
                boxes[i] = spot;
            }
            if (cost == 0)
                break;
        }
        if (best > 0 && !planets[i].home && pixels.pixels < kMapPixels) {
            boxes[i] = QRect();
            continue;
        }
        if (!map.contains(boxes[i]))
            boxes[i].moveTopLeft(readable_position(boxes[i].topLeft(), metrics, name, pixels));
        placed[i] = true;
    }
    return boxes;
}

}  // namespace orvek
