// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/map_badges.h"

#include "ui/map_labels.h"

#include <QFontDatabase>
#include <QFontMetrics>
#include <QPainter>

#include <algorithm>
#include <limits>

namespace orvek {

bool FeatureFilter::shows(int feature) const
{
    switch (kind) {
    case Kind::None: return false;
    case Kind::All: return true;
    case Kind::Effect: return feature == index;
    default: {
        const FacilityGroup& g = kFacilityGroups[static_cast<std::size_t>(index)];
        return feature >= g.first && feature < g.first + g.variants;
    }
    }
}

const std::vector<FeatureFilterChoice>& feature_filters()
{
    using K = FeatureFilter::Kind;
    static const std::vector<FeatureFilterChoice> choices = {
        {{K::None, 0}, "No features", "none"},
        {{K::All, 0}, "All features", "all"},
        {{K::Effect, 0}, kEffectWords[0], "engine"},
        {{K::Effect, 1}, kEffectWords[1], "shield"},
        {{K::Effect, 2}, kEffectWords[2], "fighter"},
        {{K::Effect, 3}, kEffectWords[3], "cruiser"},
        {{K::Effect, 4}, kEffectWords[4], "cloak"},
        {{K::Effect, 5}, kEffectWords[5], "tractor"},
        {{K::Effect, 6}, kEffectWords[6], "repair"},
        {{K::Facility, 0}, "Repair yards", "repairyard"},
        {{K::Facility, 1}, "Factories", "factory"},
        {{K::Facility, 2}, "Academies", "academy"},
        {{K::Facility, 3}, "Shipyards", "shipyard"},
    };
    return choices;
}

namespace {

// A badge's letter: the effects' by their first word, the facilities' by their group.
constexpr std::array<char, kFeatureCount> kBadgeLetters = {'E', 'S', 'F', 'C', 'K', 'T', 'R', 'Y',
                                                           'F', 'F', 'F', 'A', 'A', 'S', 'S', 'S'};
constexpr int kBadge = 9;

QColor badge_colour(int feature)
{
    return feature < kInhibitionCount ? QColor(200, 40, 40) : QColor(40, 90, 210);
}

// What a badge says in the legend: the effect's words, or the facility group's.
QString badge_words(int feature)
{
    if (feature < kInhibitionCount)
        return kEffectWords[static_cast<std::size_t>(feature)];
    constexpr std::array<const char*, kFacilityGroups.size()> kGroupWords = {
        "Repair yard", "Factory", "Academy", "Shipyard"};
    for (std::size_t g = 0; g < kFacilityGroups.size(); ++g)
        if (feature >= kFacilityGroups[g].first &&
            feature < kFacilityGroups[g].first + kFacilityGroups[g].variants)
            return kGroupWords[g];
    return {};
}

void draw_badge(QPainter& painter, QRect box, int feature)
{
    painter.setPen(QPen(QColor(0, 0, 0, 200), 1));
    painter.setBrush(badge_colour(feature));
    painter.drawRect(box.adjusted(0, 0, -1, -1));
    painter.setPen(Qt::white);
    painter.drawText(box, Qt::AlignCenter,
                     QString(QChar(kBadgeLetters[static_cast<std::size_t>(feature)])));
}

QFont badge_font()
{
    QFont font = QFontDatabase::systemFont(QFontDatabase::GeneralFont);
    font.setPixelSize(8);
    font.setBold(true);
    return font;
}

// The features of a planet that the filter shows, one badge for each facility group.
std::vector<int> badges_of(const Planet& planet, const FeatureFilter& filter)
{
    std::vector<int> shown;
    for (int f = 0; f < kFeatureCount; ++f)
        if (planet.features[static_cast<std::size_t>(f)] && filter.shows(f) &&
            std::none_of(shown.begin(), shown.end(), [&](int s) {
                return kBadgeLetters[static_cast<std::size_t>(s)] ==
                           kBadgeLetters[static_cast<std::size_t>(f)] &&
                       (s < kInhibitionCount) == (f < kInhibitionCount);
            }))
            shown.push_back(f);
    return shown;
}

// Where a row of `count` badges stands by the marker `m`: below and right of it, where a name
// never goes first, else the first other corner of the marker that hides no name and no other
// marker; on a map too crowded for any, below and right all the same.
QRect badge_row(const std::vector<QRect>& names, const std::vector<QRect>& markers, QRect m,
                std::size_t count)
{
    const QSize size(static_cast<int>(count) * (kBadge + 1) - 1, kBadge);
    const QRect corners[] = {
        QRect(QPoint(m.right() - 2, m.bottom() - 2), size),
        QRect(QPoint(m.left() + 3 - size.width(), m.bottom() - 2), size),
        QRect(QPoint(m.right() - 2, m.top() + 3 - kBadge), size),
        QRect(QPoint(m.left() + 3 - size.width(), m.top() + 3 - kBadge), size)};
    for (const QRect& row : corners) {
        const auto hidden = [&](const QRect& r) { return r != m && r.intersects(row); };
        if (std::none_of(names.begin(), names.end(), hidden) &&
            std::none_of(markers.begin(), markers.end(), hidden))
            return row;
    }
    return corners[0];
}

}  // namespace

void paint_badges(QPainter& painter, const std::vector<Planet>& planets, MapScale pixels,
                  const FeatureFilter& filter)
{
    if (filter.kind == FeatureFilter::Kind::None)
        return;
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing, false);
    painter.setFont(badge_font());
    const std::vector<QRect> names = place_names(planets, pixels);
    std::vector<QRect> markers;
    for (const Planet& p : planets)
        markers.push_back(marker_rect(p, pixels));
    for (const Planet& p : planets) {
        if (p.unread)
            continue;
        const std::vector<int> shown = badges_of(p, filter);
        QRect row = badge_row(names, markers, marker_rect(p, pixels), shown.size());
        for (const int f : shown) {
            draw_badge(painter, QRect(row.topLeft(), QSize(kBadge, kBadge)), f);
            row.translate(kBadge + 1, 0);
        }
    }
    painter.restore();
}

void paint_legend(QPainter& painter, const std::vector<Planet>& planets,
                  const FeatureFilter& filter, const QRect& area,
                  const std::vector<QRect>& markers)
{
    if (filter.kind == FeatureFilter::Kind::None)
        return;
    std::vector<int> shown;
    for (const Planet& p : planets)
        if (!p.unread)
            for (const int f : badges_of(p, filter))
                if (std::none_of(shown.begin(), shown.end(), [&](int s) {
                        return badge_words(s) == badge_words(f);
                    }))
                    shown.push_back(f);
    std::sort(shown.begin(), shown.end());
    QStringList lines;
    for (const int f : shown)
        lines << badge_words(f);
    if (lines.isEmpty())
        lines << "No planet holds these features";
    painter.save();
    QFont font = badge_font();
    font.setPixelSize(11);
    painter.setFont(font);
    const QFontMetrics metrics(font);
    int width = 0;
    for (const QString& line : lines)
        width = std::max(width, metrics.horizontalAdvance(line));
    const int row = std::max(metrics.height(), kBadge + 3);
    const QSize size(width + kBadge + 16, row * static_cast<int>(lines.size()) + 8);
    const QRect inner = area.adjusted(4, 4, -4, -4);
    QRect box;
    int fewest = std::numeric_limits<int>::max();
    const QPoint across(size.width() - 1, 0), down(0, size.height() - 1);
    for (const QPoint corner : {inner.topLeft(), inner.topRight() - across,
                                inner.bottomLeft() - down, inner.bottomRight() - across - down}) {
        const QRect here(corner, size);
        const auto covered = static_cast<int>(std::count_if(
            markers.begin(), markers.end(), [&](const QRect& m) { return m.intersects(here); }));
        if (covered < fewest)
            fewest = covered, box = here;
    }
    painter.fillRect(box, QColor(0, 0, 0, 170));
    for (int i = 0; i < lines.size(); ++i) {
        const int y = box.top() + 4 + i * row;
        if (!shown.empty()) {
            painter.setFont(badge_font());
            draw_badge(painter, QRect(box.left() + 4, y + (row - kBadge) / 2, kBadge, kBadge),
                       shown[static_cast<std::size_t>(i)]);
        }
        painter.setFont(font);
        painter.setPen(Qt::white);
        painter.drawText(QRect(box.left() + kBadge + 10, y, width + 4, row),
                         Qt::AlignVCenter | Qt::AlignLeft, lines[i]);
    }
    painter.restore();
}

}  // namespace orvek
