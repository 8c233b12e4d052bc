// The map's mouse and keys: drag a planet to move it, Shift+drag from one planet to another to
// join them, double-click a name (or F2) to rename, double-click empty space to add a planet,
// right-click for the menus. The widget only asks; the window turns each request into an edit.

#include "core/cp1252.h"
#include "core/galaxy_edit.h"
#include "ui/map_render.h"
#include "ui/map_widget.h"

#include <QContextMenuEvent>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPainter>

namespace orvek {

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
    const int planet = planet_at(planets_, event->position().toPoint(), side());
    if (!editable_ || links_only_ || event->button() != Qt::LeftButton || planet < 0)
        return QWidget::mousePressEvent(event);
    setFocus(Qt::MouseFocusReason);
    select_planet(planet);
    drag_ =
        Drag{planet, (event->modifiers() & Qt::ShiftModifier) != 0, event->position().toPoint()};
}

void MapWidget::mouseMoveEvent(QMouseEvent* event)
{
    if (!drag_)
        return QWidget::mouseMoveEvent(event);
    drag_->at = event->position().toPoint();
    update();
}

void MapWidget::mouseReleaseEvent(QMouseEvent* event)
{
    if (!drag_ || event->button() != Qt::LeftButton)
        return QWidget::mouseReleaseEvent(event);
    const Drag drag = *drag_;
    drag_.reset();
    update();
    const QPoint at = event->position().toPoint();
    if (drag.join) {
        const int other = planet_at(planets_, at, side());
        if (other >= 0 && other != drag.planet)
            emit join_requested(drag.planet, other);
        return;
    }
    const QPoint unit = map_position(at, side());
    const Planet& planet = planets_[static_cast<std::size_t>(drag.planet)];
    // A release on the marker's own pixel is a click, not a move; a refused place sends the
    // planet back where it was.
    if (link_end(planet, side()) != at &&
        position_refusal(planets_, drag.planet, unit.x(), unit.y()).empty())
        emit move_requested(drag.planet, unit.x(), unit.y());
}

void MapWidget::mouseDoubleClickEvent(QMouseEvent* event)
{
    const QPoint at = event->position().toPoint();
    if (!editable_ || links_only_ || event->button() != Qt::LeftButton)
        return QWidget::mouseDoubleClickEvent(event);
    drag_.reset();
    if (const int named = label_at(planets_, at, side()); named >= 0)
        return start_rename(named);
    if (planet_at(planets_, at, side()) < 0 && !planets_.empty()) {
        const QPoint unit = map_position(at, side());
        emit add_requested(unit.x(), unit.y());
    }
}

void MapWidget::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_F2 && editable_ && selected_ >= 0 &&
        static_cast<std::size_t>(selected_) < planets_.size())
        return start_rename(selected_);
    QWidget::keyPressEvent(event);
}

void MapWidget::contextMenuEvent(QContextMenuEvent* event)
{
    const QPoint at = event->pos();
    if (editable_ && !links_only_) {
        if (const int planet = planet_at(planets_, at, side()); planet >= 0)
            return emit planet_menu_requested(planet, at);
        if (const auto [p, q] = link_at(planets_, at, side()); p >= 0)
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
    const QRect box = label_rect(planets_, static_cast<std::size_t>(planet), side());
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
    if (!drag_ || static_cast<std::size_t>(drag_->planet) >= planets_.size())
        return;
    const Planet& planet = planets_[static_cast<std::size_t>(drag_->planet)];
    painter.setRenderHint(QPainter::Antialiasing, true);
    if (drag_->join) {
        painter.setPen(QPen(QColor(255, 220, 0), 2, Qt::DashLine));
        painter.drawLine(link_end(planet, side()), drag_->at);
        return;
    }
    // The marker where it would go, ringed red where the planet cannot stand.
    const QPoint unit = map_position(drag_->at, side());
    Planet moved = planet;
    moved.x = unit.x();
    moved.y = unit.y();
    const bool refused = !position_refusal(planets_, drag_->planet, unit.x(), unit.y()).empty();
    // Its links follow it.
    painter.setPen(QPen(QColor(192, 192, 192), 1, Qt::DashLine));
    for (const std::int32_t link : planet.links) {
        const std::size_t q = static_cast<std::size_t>(link);
        if (link >= 0 && q < planets_.size())
            painter.drawLine(link_end(moved, side()), link_end(planets_[q], side()));
    }
    painter.setPen(QPen(QColor(166, 202, 240), 2));
    painter.setBrush(planet.home ? QColor(255, 0, 0, 160) : QColor(0, 128, 0, 160));
    painter.drawEllipse(QRectF(marker_rect(moved, side())).adjusted(1, 1, -1, -1));
    if (refused) {
        painter.setPen(QPen(Qt::red, 3));
        painter.setBrush(Qt::NoBrush);
        painter.drawEllipse(marker_rect(moved, side()).adjusted(-6, -6, 6, 6));
    }
}

}  // namespace orvek
