// SPDX-License-Identifier: GPL-3.0-or-later
// The map's view: the wheel zooms about the pointer, the middle button or Space+drag pans, Home
// fits the whole map. The galaxy and its names are drawn anew at each zoom, so names keep their
// size and stay sharp while the planets spread apart.

#include "ui/map_widget.h"

#include "ui/map_render.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QWheelEvent>

#include <cmath>

namespace orvek {

void MapWidget::set_view(const MapView& view)
{
    view_ = view;
    view_.side = side();
    view_ = view_.panned(QPoint());
    update();
}

void MapWidget::show_planet(int planet)
{
    select_planet(planet);
    if (planet < 0 || static_cast<std::size_t>(planet) >= planets_.size())
        return;
    MapView view = view_;
    view.origin = link_end(planets_[static_cast<std::size_t>(planet)], pixels()) -
                  QPoint(side() / 2, side() / 2);
    set_view(view);
}

void MapWidget::wheelEvent(QWheelEvent* event)
{
    // One notch of a wheel (120) zooms by a quarter; a touchpad's smaller steps by as much less.
    const double notches = event->angleDelta().y() / 120.0;
    if (notches == 0)
        return QWidget::wheelEvent(event);
    set_view(view_.zoomed(view_.zoom * std::pow(1.25, notches), event->position().toPoint()));
}

bool MapWidget::start_pan(const QMouseEvent& event)
{
    const bool pan =
        event.button() == Qt::MiddleButton || (event.button() == Qt::LeftButton && space_down_);
    if (!pan)
        return false;
    pan_from_ = event.position().toPoint();
    pan_start_ = view_;
    setCursor(Qt::ClosedHandCursor);
    return true;
}

bool MapWidget::continue_pan(const QMouseEvent& event)
{
    if (!pan_from_)
        return false;
    set_view(pan_start_.panned(*pan_from_ - event.position().toPoint()));
    return true;
}

bool MapWidget::end_pan(const QMouseEvent& event)
{
    if (!pan_from_)
        return false;
    continue_pan(event);
    pan_from_.reset();
    unsetCursor();
    return true;
}

void MapWidget::keyReleaseEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Space && !event->isAutoRepeat())
        space_down_ = false;
    QWidget::keyReleaseEvent(event);
}

}  // namespace orvek
