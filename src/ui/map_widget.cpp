#include "ui/map_widget.h"

#include "ui/map_render.h"

#include <QPainter>

namespace orvek {

MapWidget::MapWidget(QWidget* parent) : QWidget(parent)
{
    setObjectName("Panel_GalMap");
    setFixedSize(kMapPixels, kMapPixels);
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void MapWidget::set_background(const QImage& picture)
{
    background_ = picture;
    update();
}

void MapWidget::set_planets(const std::vector<tc_planet>& planets)
{
    planets_ = planets;
    update();
}

void MapWidget::set_progress(const QString& text)
{
    progress_ = text;
    update();
}

void MapWidget::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.fillRect(rect(), Qt::black);
    paint_map(painter, background_, planets_.empty() ? nullptr : &planets_);
    if (!progress_.isEmpty()) {
        QRect box(0, height() / 2 - 30, width(), 60);
        painter.fillRect(box, QColor(0, 0, 0, 160));
        painter.setPen(Qt::white);
        QFont font = painter.font();
        font.setPixelSize(16);
        font.setBold(true);
        painter.setFont(font);
        painter.drawText(box, Qt::AlignCenter, progress_);
    }
}

}  // namespace orvek
