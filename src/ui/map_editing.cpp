// SPDX-License-Identifier: GPL-3.0-or-later
// The map's mouse and keys: a click selects a planet (on empty space, nothing; with Shift it adds
// the planet), a rubber band from empty space selects what it holds, a drag beyond the
// platform's drag distance moves the selection, Shift+drag from one planet to another joins
// them, the arrow keys nudge the selection and Delete deletes it, double-click a name (or F2) to
// rename, double-click empty space to add a planet, right-click selects and opens the menus.
// The widget only asks; the window turns each request into an edit.

#include "core/cp1252.h"
#include "core/galaxy_edit.h"
#include "ui/map_render.h"
#include "ui/map_widget.h"

#include <QApplication>
#include <QContextMenuEvent>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPainter>

namespace orvek {

QPoint MapWidget::Drag::delta(const Planet& planet, int side) const
{
    return map_position(link_end(planet, side) + (at - from), side) - QPoint(planet.x, planet.y);
}

void MapWidget::set_editable(bool editable)
{
    editable_ = editable;
    if (!editable) {
        drag_.reset();
        finish_rename(false);
    }
    update();
}

void MapWidget::set_unsaved(bool unsaved)
{
    unsaved_ = unsaved;
    update();
}

void MapWidget::mousePressEvent(QMouseEvent* event)
{
    const QPoint at = to_map(event->position().toPoint());
    if (start_pan(*event))
        return;
    if (!editable_ || links_only_ || event->button() != Qt::LeftButton)
        return QWidget::mousePressEvent(event);
    setFocus(Qt::MouseFocusReason);
    press_on(planet_at(planets_, at, pixels()), at, (event->modifiers() & Qt::ShiftModifier) != 0);
}

void MapWidget::press_on(int planet, QPoint at, bool shift)
{
    using Kind = Drag::Kind;
    if (planet < 0) {
        if (!shift)
            select_planet(-1);  // a click on empty space selects nothing
        drag_ = Drag{Kind::Band, -1, {}, at, at, shift};
    } else if (shift) {
        drag_ = Drag{Kind::Join, planet, {}, at, at, true};  // a click adds, a drag joins
    } else {
        // A press on a planet of the selection drags the whole selection.
        if (std::find(selection_.begin(), selection_.end(), planet) == selection_.end())
            select_planet(planet);
        selected_ = planet;
        drag_ = Drag{Kind::Move, planet, selection_, at, at};
    }
}

void MapWidget::mouseMoveEvent(QMouseEvent* event)
{
    if (continue_pan(*event))
        return;
    if (!drag_)
        return QWidget::mouseMoveEvent(event);
    drag_->at = to_map(event->position().toPoint());
    // A hand that trembles while clicking moves nothing.
    if ((drag_->at - drag_->from).manhattanLength() >= QApplication::startDragDistance())
        drag_->moving = true;
    update();
}

void MapWidget::mouseReleaseEvent(QMouseEvent* event)
{
    if (end_pan(*event))
        return;
    if (!drag_ || event->button() != Qt::LeftButton)
        return QWidget::mouseReleaseEvent(event);
    Drag drag = *drag_;
    drag_.reset();
    update();
    drag.at = to_map(event->position().toPoint());
    drag.moving =
        drag.moving || (drag.at - drag.from).manhattanLength() >= QApplication::startDragDistance();
    release(drag);
}

void MapWidget::release(const Drag& drag)
{
    switch (drag.kind) {
    case Drag::Kind::Band:
        if (drag.moving)
            select_in(QRect(drag.from, drag.at).normalized(), drag.adding);
        return;
    case Drag::Kind::Join:
        if (!drag.moving)
            return toggle_selected(drag.planet);
        if (const int other = planet_at(planets_, drag.at, pixels());
            other >= 0 && other != drag.planet)
            emit join_requested(drag.planet, other);
        return;
    case Drag::Kind::Move: break;
    }
    if (!drag.moving)
        return select_planet(drag.planet);  // a click: that planet alone, where it stands
    const Planet& pressed = planets_[static_cast<std::size_t>(drag.planet)];
    const QPoint delta = drag.delta(pressed, pixels());
    // A refused place sends the planets back where they were.
    if (drag.group.size() > 1) {
        if (move_refusal(planets_, drag.group, delta.x(), delta.y()).empty())
            emit group_move_requested(drag.group, delta.x(), delta.y());
    } else if (position_refusal(planets_, drag.planet, pressed.x + delta.x(), pressed.y + delta.y())
                   .empty()) {
        emit move_requested(drag.planet, pressed.x + delta.x(), pressed.y + delta.y());
    }
}

void MapWidget::select_in(const QRect& band, bool adding)
{
    if (!adding)
        selection_.clear();
    for (std::size_t i = 0; i < planets_.size(); ++i)
        if (!planets_[i].unread && band.contains(link_end(planets_[i], pixels())))
            selection_.push_back(static_cast<int>(i));
    std::sort(selection_.begin(), selection_.end());
    selection_.erase(std::unique(selection_.begin(), selection_.end()), selection_.end());
    selected_ = selection_.empty() ? -1 : selection_.front();
    update();
    emit selection_changed();
}

void MapWidget::toggle_selected(int planet)
{
    const auto found = std::find(selection_.begin(), selection_.end(), planet);
    if (found != selection_.end()) {
        selection_.erase(found);
    } else {
        selection_.insert(std::upper_bound(selection_.begin(), selection_.end(), planet), planet);
        selected_ = planet;
    }
    if (std::find(selection_.begin(), selection_.end(), selected_) == selection_.end())
        selected_ = selection_.empty() ? -1 : selection_.front();
    update();
    emit selection_changed();
}

void MapWidget::mouseDoubleClickEvent(QMouseEvent* event)
{
    const QPoint at = to_map(event->position().toPoint());
    if (!editable_ || links_only_ || event->button() != Qt::LeftButton)
        return QWidget::mouseDoubleClickEvent(event);
    drag_.reset();
    if (const int named = label_at(planets_, at, pixels()); named >= 0)
        return start_rename(named);
    if (planet_at(planets_, at, pixels()) < 0 && !planets_.empty()) {
        const QPoint unit = map_position(at, pixels());
        emit add_requested(unit.x(), unit.y());
    }
}

void MapWidget::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Space && !event->isAutoRepeat())
        space_down_ = true;
    if (event->key() == Qt::Key_Home)
        return fit_whole_map();
    if (!editable_ || links_only_ || selection_.empty())
        return QWidget::keyPressEvent(event);
    const int step = (event->modifiers() & Qt::ShiftModifier) ? 10 : 1;
    switch (event->key()) {
    case Qt::Key_F2:
        if (selected_ >= 0 && static_cast<std::size_t>(selected_) < planets_.size())
            return start_rename(selected_);
        break;
    case Qt::Key_Left: return emit nudge_requested(selection_, -step, 0);
    case Qt::Key_Right: return emit nudge_requested(selection_, step, 0);
    case Qt::Key_Up: return emit nudge_requested(selection_, 0, -step);
    case Qt::Key_Down: return emit nudge_requested(selection_, 0, step);
    case Qt::Key_Delete: return emit delete_requested(selection_);
    default: break;
    }
    QWidget::keyPressEvent(event);
}

void MapWidget::contextMenuEvent(QContextMenuEvent* event)
{
    const QPoint at = event->pos(), in_map = to_map(at);
    if (editable_ && !links_only_) {
        // The menu acts on the planet it was opened on, and the ring says which.
        if (const int planet = planet_at(planets_, in_map, pixels()); planet >= 0) {
            select_planet(planet);
            return emit planet_menu_requested(planet, at);
        }
        if (const auto [p, q] = link_at(planets_, in_map, pixels()); p >= 0)
            return emit link_menu_requested(p, q, at);
    }
    emit map_menu_requested(at);
}

void MapWidget::start_rename(int planet)
{
    finish_rename(false);
    if (planet < 0 || static_cast<std::size_t>(planet) >= planets_.size())
        return;
    renaming_ = planet;
    const Planet& p = planets_[static_cast<std::size_t>(planet)];
    name_editor_ = new QLineEdit(QString::fromUtf8(cp1252_to_utf8(p.system_name)), this);
    name_editor_->setObjectName("NameEditor");
    name_editor_->setMaxLength(kMaxNameLength);
    const QRect box =
        label_rect(planets_, static_cast<std::size_t>(planet), pixels()).translated(-view_.origin);
    name_editor_->setGeometry(std::min(box.left(), width() - 180), std::max(0, box.top() - 3), 180,
                              22);
    name_editor_->selectAll();
    name_editor_->show();
    name_editor_->setFocus();
    connect(name_editor_, &QLineEdit::returnPressed, this, [this] { finish_rename(true); });
    connect(name_editor_, &QLineEdit::editingFinished, this, [this] { finish_rename(false); });
}

// Enter renames; Escape, a click elsewhere or the end of editing leave the name as it was.
void MapWidget::finish_rename(bool accept)
{
    if (!name_editor_)
        return;
    QLineEdit* editor = name_editor_;
    const int planet = renaming_;
    name_editor_ = nullptr;
    renaming_ = -1;
    editor->hide();
    editor->deleteLater();
    setFocus(Qt::OtherFocusReason);
    if (accept)
        emit rename_requested(planet, editor->text());
}

void MapWidget::paint_drag(QPainter& painter) const
{
    if (!drag_ || !drag_->moving)
        return;
    painter.setRenderHint(QPainter::Antialiasing, true);
    if (drag_->kind == Drag::Kind::Band) {
        painter.setPen(QPen(QColor(255, 220, 0), 1, Qt::DashLine));
        painter.setBrush(QColor(255, 220, 0, 30));
        painter.drawRect(QRect(drag_->from, drag_->at).normalized());
        return;
    }
    if (static_cast<std::size_t>(drag_->planet) >= planets_.size())
        return;
    const Planet& planet = planets_[static_cast<std::size_t>(drag_->planet)];
    if (drag_->kind == Drag::Kind::Join) {
        painter.setPen(QPen(QColor(255, 220, 0), 2, Qt::DashLine));
        painter.drawLine(link_end(planet, pixels()), drag_->at);
        return;
    }
    paint_move(painter);
}

// The markers where the dragged planets would go, their links following them; ringed red where
// they cannot stand, with the reason.
void MapWidget::paint_move(QPainter& painter) const
{
    const Planet& pressed = planets_[static_cast<std::size_t>(drag_->planet)];
    const QPoint delta = drag_->delta(pressed, pixels());
    const auto moved = [&](const Planet& planet) {
        Planet there = planet;
        there.x += delta.x();
        there.y += delta.y();
        return there;
    };
    for (const int p : drag_->group) {
        const Planet& planet = planets_[static_cast<std::size_t>(p)];
        painter.setPen(QPen(QColor(192, 192, 192), 1, Qt::DashLine));
        for (const std::int32_t link : planet.links)
            if (drawn_link(planets_, planet, link))
                painter.drawLine(link_end(moved(planet), pixels()),
                                 link_end(planets_[static_cast<std::size_t>(link)], pixels()));
        painter.setPen(QPen(QColor(166, 202, 240), 2));
        painter.setBrush(planet.home ? QColor(255, 0, 0, 160) : QColor(0, 128, 0, 160));
        painter.drawEllipse(QRectF(marker_rect(moved(planet), pixels())).adjusted(1, 1, -1, -1));
    }
    const std::string refusal =
        drag_->group.size() > 1 ? move_refusal(planets_, drag_->group, delta.x(), delta.y())
                                : position_refusal(planets_, drag_->planet, pressed.x + delta.x(),
                                                   pressed.y + delta.y());
    if (refusal.empty())
        return;
    painter.setPen(QPen(Qt::red, 3));
    painter.setBrush(Qt::NoBrush);
    const QRect ring = marker_rect(moved(pressed), pixels()).adjusted(-6, -6, 6, 6);
    painter.drawEllipse(ring);
    paint_refusal(painter, ring, QString::fromUtf8(refusal.substr(0, refusal.find(':'))));
}

// The reason beside the red ring, in a dark box that keeps it readable over any picture, on
// whichever side of the ring the map has room for it.
void MapWidget::paint_refusal(QPainter& painter, const QRect& ring, const QString& reason) const
{
    const QFontMetrics metrics(painter.font());
    QRect box = metrics.boundingRect(reason).adjusted(-4, -2, 4, 2);
    const QRect visible(view_.origin, size());
    box.moveTopLeft(ring.topRight() + QPoint(4, 0));
    if (box.right() > visible.right())
        box.moveTopRight(ring.topLeft() - QPoint(4, 0));
    box.moveTop(std::clamp(box.top(), visible.top(),
                           std::max(visible.top(), visible.bottom() - box.height())));
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(0, 0, 0, 200));
    painter.drawRect(box);
    painter.setPen(Qt::white);
    painter.drawText(box, Qt::AlignCenter, reason);
}

}  // namespace orvek
