#pragma once
// The map panel of the window: the background picture with the galaxy drawn over it, and, during
// a long generation, a line telling how many attempts have been made.

#include "core/planet.h"

#include <QImage>
#include <QWidget>

class QTimer;

#include <vector>

namespace orvek {

class MapWidget : public QWidget {
    Q_OBJECT
public:
    explicit MapWidget(QWidget* parent = nullptr);

    void set_background(const QImage& picture);
    // Shows the planets (a copy); an empty list shows none.
    void set_planets(const std::vector<tc_planet>& planets);
    // While a new galaxy is being made, the old one's links stay and its markers and names go.
    void show_links_only(bool links_only);
    // A progress line over the map; empty hides it.
    void set_progress(const QString& text);
    // A line over the map that goes by itself after `milliseconds`.
    void show_notice(const QString& text, int milliseconds);
    // A line at the foot of the map that stays until replaced; empty hides it.
    void set_status(const QString& text);
    // The seed of the galaxy shown, small in the lower-left corner; empty shows none.
    void set_seed_text(const QString& text);
    const QString& seed_text() const { return seed_; }
    // Rings the planet (its number), or none with -1.
    void select_planet(int planet);

    const QImage& background() const { return background_; }
    const QString& progress() const { return progress_; }
    const std::vector<tc_planet>& planets() const { return planets_; }
    const QString& status() const { return status_; }
    int selected_planet() const { return selected_; }

protected:
    void paintEvent(QPaintEvent* event) override;
    // Hovering a planet's marker shows what it is (planet_description).
    bool event(QEvent* event) override;

private:
    QImage background_, fitted_;
    std::vector<tc_planet> planets_;
    QString progress_, status_, seed_;
    int selected_ = -1;
    bool links_only_ = false;
    QTimer* notice_timer_ = nullptr;
};

}  // namespace orvek
