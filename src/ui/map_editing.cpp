// The map's mouse and keys: a click selects a planet (on empty space, nothing), a drag beyond the
// platform's drag distance moves it, Shift+drag from one planet to another joins them,
// double-click a name (or F2) to rename, double-click empty space to add a planet, right-click
// selects and opens the menus. The widget only asks; the window turns each request into an edit.

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

QPoint MapWidget::Drag::destination(const Planet& planet, int side) const
{
    return map_position(link_end(planet, side) + (at - from), side);
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
    const QPoint at = event->position().toPoint();
    const int planet = planet_at(planets_, at, side());
    if (!editable_ || links_only_ || event->button() != Qt::LeftButton)
        return QWidget::mousePressEvent(event);
    setFocus(Qt::MouseFocusReason);
    select_planet(planet);  // a click on empty space selects nothing
    if (planet >= 0)
        drag_ = Drag{planet, (event->modifiers() & Qt::ShiftModifier) != 0, at, at};
}

void MapWidget::mouseMoveEvent(QMouseEvent* event)
{
    if (!drag_)
        return QWidget::mouseMoveEvent(event);
    drag_->at = event->position().toPoint();
    // A hand that trembles while clicking moves nothing.
    if ((drag_->at - drag_->from).manhattanLength() >= QApplication::startDragDistance())
        drag_->moving = true;
    update();
}

void MapWidget::mouseReleaseEvent(QMouseEvent* event)
{
    if (!drag_ || event->button() != Qt::LeftButton)
        return QWidget::mouseReleaseEvent(event);
    Drag drag = *drag_;
    drag_.reset();
    update();
    drag.at = event->position().toPoint();
    if (drag.join) {
        const int other = planet_at(planets_, drag.at, side());
        if (other >= 0 && other != drag.planet)
            emit join_requested(drag.planet, other);
        return;
    }
    if (!drag.moving && (drag.at - drag.from).manhattanLength() < QApplication::startDragDistance())
        return;  // a click: the planet is selected, and stays where it is
    const QPoint unit = drag.destination(planets_[static_cast<std::size_t>(drag.planet)], side());
    // A refused place sends the planet back where it was.
    if (position_refusal(planets_, drag.planet, unit.x(), unit.y()).empty())
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
        // The menu acts on the planet it was opened on, and the ring says which.
        if (const int planet = planet_at(planets_, at, side()); planet >= 0) {
            select_planet(planet);
            return emit planet_menu_requested(planet, at);
        }
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
    if (!drag_->moving)
        return;
    // The marker where it would go, ringed red where the planet cannot stand, with the reason.
    const QPoint unit = drag_->destination(planet, side());
    Planet moved = planet;
    moved.x = unit.x();
    moved.y = unit.y();
    const std::string refusal = position_refusal(planets_, drag_->planet, unit.x(), unit.y());
    const bool refused = !refusal.empty();
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
        const QRect ring = marker_rect(moved, side()).adjusted(-6, -6, 6, 6);
        painter.drawEllipse(ring);
        paint_refusal(painter, ring, QString::fromUtf8(refusal.substr(0, refusal.find(':'))));
    }
}

// The reason beside the red ring, in a dark box that keeps it readable over any picture, on
// whichever side of the ring the map has room for it.
void MapWidget::paint_refusal(QPainter& painter, const QRect& ring, const QString& reason) const
{
    const QFontMetrics metrics(painter.font());
    QRect box = metrics.boundingRect(reason).adjusted(-4, -2, 4, 2);
    box.moveTopLeft(ring.topRight() + QPoint(4, 0));
    if (box.right() > width())
        box.moveTopRight(ring.topLeft() - QPoint(4, 0));
    box.moveTop(std::clamp(box.top(), 0, std::max(0, height() - box.height())));
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(0, 0, 0, 200));
    painter.drawRect(box);
    painter.setPen(Qt::white);
    painter.drawText(box, Qt::AlignCenter, reason);
}

}  // namespace orvek
