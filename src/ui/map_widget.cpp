// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/map_widget.h"

#include "core/galaxy_figures.h"
#include "ui/map_badges.h"
#include "ui/map_render.h"

#include <QHelpEvent>
#include <QFontDatabase>
#include <QPainter>
#include <QTimer>
#include <QToolTip>

namespace orvek {

MapWidget::MapWidget(QWidget* parent) : QWidget(parent)
{
    setObjectName("GalaxyMap");
    resize(kMapPixels, kMapPixels);
    setAttribute(Qt::WA_OpaquePaintEvent);
    setFocusPolicy(Qt::ClickFocus);
    setMouseTracking(false);
    notice_timer_ = new QTimer(this);
    notice_timer_->setSingleShot(true);
    connect(notice_timer_, &QTimer::timeout, this, [this] { set_progress(QString()); });
}

void MapWidget::show_links_only(bool links_only)
{
    links_only_ = links_only;
    update();
}

void MapWidget::show_notice(const QString& text, int milliseconds)
{
    set_progress(text);
    notice_timer_->start(milliseconds);
}

bool MapWidget::event(QEvent* event)
{
    if (event->type() != QEvent::ToolTip)
        return QWidget::event(event);
    const QPoint at = to_map(static_cast<QHelpEvent*>(event)->pos());
    // The last marker drawn lies on top, so the search runs from the end.
    for (std::size_t i = planets_.size(); !links_only_ && i-- > 0;)
        if (!planets_[i].unread && marker_rect(planets_[i], pixels()).contains(at)) {
            QToolTip::showText(static_cast<QHelpEvent*>(event)->globalPos(),
                               planet_description(planets_, i), this);
            return true;
        }
    if (!hover_text_.isEmpty()) {
        QToolTip::showText(static_cast<QHelpEvent*>(event)->globalPos(), hover_text_, this);
        return true;
    }
    QToolTip::hideText();
    event->ignore();
    return true;
}

void MapWidget::set_background(const QImage& picture)
{
    background_ = picture;
    fit_background();
}

// Scaled once here rather than at every repaint: the progress line repaints the map ten times a
// second while a generation runs, and paint_map draws a fitted picture as it is.
void MapWidget::fit_background()
{
    fitted_ = background_.isNull() ? background_
                                   : background_.scaled(side(), side(), Qt::KeepAspectRatio,
                                                        Qt::SmoothTransformation);
    update();
}

void MapWidget::resizeEvent(QResizeEvent*)
{
    // The same part of the map at the same zoom, as far as the new size allows.
    view_.side = side();
    view_ = view_.panned(QPoint());
    fit_background();
}

void MapWidget::set_planets(const std::vector<Planet>& planets)
{
    // Numbers move when planets come or go: a selection then means other planets, and goes.
    if (planets.size() != planets_.size())
        selection_.clear();
    planets_ = planets;
    std::erase_if(selection_, [&](int p) { return planets_[static_cast<std::size_t>(p)].unread; });
    if (std::find(selection_.begin(), selection_.end(), selected_) == selection_.end())
        selected_ = selection_.empty() ? -1 : selection_.front();
    marked_.clear();
    if (cuts_)
        cuts_found_ = galaxy_cuts(planets_);
    update();
    emit selection_changed();
}

void MapWidget::mark_planets(std::vector<int> planets)
{
    marked_ = std::move(planets);
    update();
}

void MapWidget::set_status(const QString& text)
{
    status_ = text;
    update();
}

void MapWidget::set_seed_text(const QString& text)
{
    seed_ = text;
    update();
}

void MapWidget::select_planet(int planet)
{
    selected_ = planet;
    selection_.clear();
    if (planet >= 0)
        selection_.push_back(planet);
    update();
    emit selection_changed();
}

void MapWidget::set_progress(const QString& text)
{
    notice_timer_->stop();
    progress_ = text;
    update();
}

void MapWidget::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.fillRect(rect(), Qt::black);
    paint_view(painter, fitted_, planets_.empty() ? nullptr : &planets_, view_, links_only_,
               &names_);
    // The marks over the planets are drawn in the zoomed map's own pixels.
    painter.save();
    painter.translate(-view_.origin);
    painter.setPen(QPen(Qt::yellow, 2));
    painter.setBrush(Qt::NoBrush);
    for (const int p : selection_)
        if (static_cast<std::size_t>(p) < planets_.size() &&
            !planets_[static_cast<std::size_t>(p)].unread)
            painter.drawEllipse(marker_rect(planets_[static_cast<std::size_t>(p)], pixels())
                                    .adjusted(-6, -6, 6, 6));
    painter.setPen(QPen(Qt::red, 2, Qt::DashLine));
    painter.setBrush(Qt::NoBrush);
    for (const int p : marked_)
        if (p >= 0 && static_cast<std::size_t>(p) < planets_.size())
            painter.drawEllipse(marker_rect(planets_[static_cast<std::size_t>(p)], pixels())
                                    .adjusted(-6, -6, 6, 6));
    if (cuts_)
        paint_cuts(painter);
    paint_badges(painter, planets_, pixels(), features_shown_);
    paint_drag(painter);
    painter.restore();
    if (features_shown_.kind != FeatureFilter::Kind::None) {
        std::vector<QRect> markers;
        for (const Planet& p : planets_)
            if (!p.unread)
                markers.push_back(marker_rect(p, pixels())
                                      .adjusted(-2, -60, 60, 12)
                                      .translated(-view_.origin));  // with name and badges
        // Above the lower corners' texts (the seed, unsaved edits, the status line).
        const int above_corners = side() - 18 - (status_.isEmpty() ? 0 : 28);
        paint_legend(painter, planets_, features_shown_, QRect(0, 0, side(), above_corners),
                     markers);
    }
    paint_lines(painter);
}

// The chokepoints ringed and the bridges drawn over in orange: where one planet or one jumpgate
// lost would cut the galaxy in two.
void MapWidget::paint_cuts(QPainter& painter) const
{
    const GalaxyCuts& cuts = cuts_found_;
    const QColor orange(255, 140, 0);
    // Each mark over a dark band of its own, so that it stands out on an orange nebula too.
    for (const QPen& pen : {QPen(QColor(0, 0, 0, 200), 5), QPen(orange, 3)}) {
        painter.setPen(pen);
        for (const auto& [a, b] : cuts.bridges)
            painter.drawLine(link_end(planets_[static_cast<std::size_t>(a)], pixels()),
                             link_end(planets_[static_cast<std::size_t>(b)], pixels()));
    }
    const int ring = kRingMargin;
    for (const QPen& pen : {QPen(QColor(0, 0, 0, 200), 4), QPen(orange, 2)}) {
        painter.setPen(pen);
        for (const int p : cuts.chokepoints)
            painter.drawEllipse(marker_rect(planets_[static_cast<std::size_t>(p)], pixels())
                                    .adjusted(-ring, -ring, ring, ring));
    }
}

void MapWidget::show_features(const FeatureFilter& filter)
{
    features_shown_ = filter;
    update();
}

// The cuts are found when marked or when the planets change, not at every repaint.
void MapWidget::mark_cuts(bool shown)
{
    cuts_ = shown;
    cuts_found_ = shown ? galaxy_cuts(planets_) : GalaxyCuts{};
    update();
}

namespace {

void set_font(QPainter& painter, int pixels, bool bold = false)
{
    // The system's own face, set whole: a painter resolves what a font leaves unset against the
    // window's Tahoma, whose stand-in on Linux (Wine's) sets a path's "/" far from what follows.
    QFont font = QFontDatabase::systemFont(QFontDatabase::GeneralFont);
    font.setPixelSize(pixels);
    font.setBold(bold);
    painter.setFont(font);
}

}  // namespace

// The texts over the map: small and quiet in its lower corners (the seed, unsaved edits) above
// the status line's band when that shows, and the progress line across its middle.
void MapWidget::paint_lines(QPainter& painter) const
{
    const int corner = side() - 16 - (status_.isEmpty() ? 0 : 28);
    // The corner marks stand on a dark backing of their own, so that a name under them never
    // makes either unreadable.
    const auto corner_text = [&](const QString& text, int pixels, QColor colour, bool right) {
        set_font(painter, pixels);
        const int width = painter.fontMetrics().horizontalAdvance(text) + 8;
        const QRect box(right ? side() - width - 2 : 2, corner, width, 14);
        painter.fillRect(box, QColor(0, 0, 0, 170));
        painter.setPen(colour);
        painter.drawText(box, Qt::AlignCenter, text);
    };
    if (unsaved_)
        corner_text("Unsaved edits (Ctrl+Z undoes)", 11, QColor(255, 200, 0), true);
    if (!seed_.isEmpty())
        corner_text(seed_, 10, QColor(170, 170, 170), false);
    if (!status_.isEmpty()) {
        const QRect band(0, side() - 28, side(), 28);
        painter.fillRect(band, QColor(0, 0, 0, 170));
        painter.setPen(QColor(255, 200, 0));
        set_font(painter, 14, true);
        const QRect text = band.adjusted(10, 0, -10, 0);
        painter.drawText(text, Qt::AlignVCenter | Qt::AlignLeft,
                         painter.fontMetrics().elidedText(status_, Qt::ElideRight, text.width()));
    }
    if (!progress_.isEmpty()) {
        // Tall enough for the long-generation hint, which wraps over two or three lines.
        const QRect box(0, side() / 2 - 50, side(), 100);
        painter.fillRect(box, QColor(0, 0, 0, 160));
        painter.setPen(Qt::white);
        set_font(painter, 16, true);
        painter.drawText(box.adjusted(20, 0, -20, 0), Qt::AlignCenter | Qt::TextWordWrap,
                         progress_);
    }
}

}  // namespace orvek
