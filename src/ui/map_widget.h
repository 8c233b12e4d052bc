#pragma once
// The map panel of the window: the background picture with the galaxy drawn over it, and, during
// a long generation, a line telling how many attempts have been made.

#include "core/planet.h"

#include <QImage>
#include <QWidget>

#include <vector>

namespace orvek {

class MapWidget : public QWidget {
    Q_OBJECT
public:
    explicit MapWidget(QWidget* parent = nullptr);

    void set_background(const QImage& picture);
    // Shows the planets (a copy); an empty list shows none.
    void set_planets(const std::vector<tc_planet>& planets);
    // A progress line over the map; empty hides it.
    void set_progress(const QString& text);

    const QImage& background() const { return background_; }
    const std::vector<tc_planet>& planets() const { return planets_; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QImage background_;
    std::vector<tc_planet> planets_;
    QString progress_;
};

}  // namespace orvek
