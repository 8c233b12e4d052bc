// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The map panel of the window: the background picture with the galaxy drawn over it, and, during
// a long generation, a line telling how many attempts have been made.

#include "core/galaxy_figures.h"
#include "core/planet.h"
#include "ui/map_render.h"

#include <QImage>
#include <QWidget>

class QLineEdit;
class QTimer;

#include <algorithm>
#include <optional>
#include <vector>

class QPainter;

namespace orvek {

class MapWidget : public QWidget {
    Q_OBJECT
public:
    explicit MapWidget(QWidget* parent = nullptr);

    void set_background(const QImage& picture);
    // Shows the planets (a copy); an empty list shows none.
    void set_planets(const std::vector<Planet>& planets);
    // While a new galaxy is being made, the old one's links stay and its markers and names go.
    void show_links_only(bool links_only);
    // A progress line over the map; empty hides it.
    void set_progress(const QString& text);
    // A line over the map that goes by itself after `milliseconds`.
    void show_notice(const QString& text, int milliseconds);
    // A line at the foot of the map that stays until replaced; empty hides it.
    void set_status(const QString& text);
    // What hovering the map away from any planet tells (the game folder's path).
    void set_hover_text(const QString& text) { hover_text_ = text; }
    // The seed of the galaxy shown, small in the lower-left corner; empty shows none.
    void set_seed_text(const QString& text);
    const QString& seed_text() const { return seed_; }
    // Rings the planet (its number) as the whole selection, or selects none with -1.
    void select_planet(int planet);
    // The selected planets in number order; selected_planet() is the one last clicked, which
    // F2 renames.
    const std::vector<int>& selection() const { return selection_; }
    // Rings these planets red with a dashed line, until the planets change: what a refusal is
    // about (the planets no jumpgate reaches).
    void mark_planets(std::vector<int> planets);
    const std::vector<int>& marked_planets() const { return marked_; }

    // Marks the chokepoints and bridges (galaxy_cuts), or no longer does.
    void mark_cuts(bool shown);
    bool cuts_marked() const { return cuts_; }
    // The features shown as badges beside the markers, with their legend; none at first.
    void show_features(const FeatureFilter& filter);
    const FeatureFilter& features_shown() const { return features_shown_; }

    // Whether the player can edit the galaxy with the mouse (not while a generation runs).
    void set_editable(bool editable);
    // A quiet mark in the lower-right corner that the galaxy has edits no Save has written.
    void set_unsaved(bool unsaved);
    bool unsaved() const { return unsaved_; }
    // Opens the name editor over planet's name (double-click on a name, F2).
    void start_rename(int planet);
    QLineEdit* name_editor() const { return name_editor_; }

    // The side of the square the map is drawn in: the widget's shorter side. Positions stay
    // exact in map units at any size.
    int side() const { return std::min(width(), height()); }

    // The view: at 1x the whole map; the wheel zooms about the pointer up to kMaxZoom, the
    // middle button or Space+drag pans, Home fits the whole map again.
    const MapView& view() const { return view_; }
    void set_view(const MapView& view);
    void fit_whole_map() { set_view(MapView{side(), 1.0, QPoint()}); }
    // Selects the planet and, zoomed in, brings it to the middle of the view.
    void show_planet(int planet);

    const QImage& background() const { return background_; }
    const QString& progress() const { return progress_; }
    const std::vector<Planet>& planets() const { return planets_; }
    const QString& status() const { return status_; }
    int selected_planet() const { return selected_; }

signals:
    // The selection may have changed (a click, a band, new planets).
    void selection_changed();
    // What the player asked for with the mouse and keys; the window makes them edits.
    void move_requested(int planet, int x, int y);
    // A selection of several planets dragged by (dx, dy) map units.
    void group_move_requested(const std::vector<int>& planets, int dx, int dy);
    // The arrow keys: the selection moved by one map unit (with Shift ten).
    void nudge_requested(const std::vector<int>& planets, int dx, int dy);
    // The Delete key: the selection deleted.
    void delete_requested(const std::vector<int>& planets);
    void join_requested(int planet, int other);
    void add_requested(int x, int y);
    void rename_requested(int planet, const QString& name);
    // A right-click on a planet, on a link, or elsewhere on the map.
    void planet_menu_requested(int planet, const QPoint& at);
    void link_menu_requested(int planet, int other, const QPoint& at);
    void map_menu_requested(const QPoint& at);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    // Hovering a planet's marker shows what it is (planet_description).
    bool event(QEvent* event) override;

private:
    // A press: a click until the pointer has gone the platform's drag distance, then on a
    // planet a move of the selection (the marker keeps its place under the pointer), with Shift
    // a new jumpgate, and on empty space a rubber band that selects what it holds.
    struct Drag {
        enum class Kind { Move, Join, Band } kind;
        int planet;              // the planet pressed on, -1 for a band
        std::vector<int> group;  // what a move moves
        QPoint from;             // where the press was, in map pixels
        QPoint at;               // the pointer
        bool adding = false;     // Shift: a band or click adds to the selection
        bool moving = false;
        // The move so far in map units: where the pressed planet would stand less its place.
        QPoint delta(const Planet& planet, int side) const;
    };
    MapScale pixels() const { return MapScale(view_.pixels(), view_.side); }
    QPoint to_map(QPoint in_view) const { return view_.to_map(in_view); }
    // A pan: begun by the middle button or by the left one while Space is held.
    bool start_pan(const QMouseEvent& event);
    bool continue_pan(const QMouseEvent& event);
    bool end_pan(const QMouseEvent& event);
    void press_on(int planet, QPoint at, bool shift);
    void release(const Drag& drag);
    void select_in(const QRect& band, bool adding);
    void toggle_selected(int planet);
    void paint_drag(QPainter& painter) const;
    void paint_move(QPainter& painter) const;
    void paint_refusal(QPainter& painter, const QRect& ring, const QString& reason) const;
    void paint_lines(QPainter& painter) const;
    void fit_background();
    void finish_rename(bool accept);

    QImage background_, fitted_;
    NameSprites names_;
    std::optional<Drag> drag_;
    QLineEdit* name_editor_ = nullptr;
    int renaming_ = -1;
    bool editable_ = true, unsaved_ = false;
    std::vector<Planet> planets_;
    QString progress_, status_, seed_, hover_text_;
    void paint_cuts(QPainter& painter) const;
    bool cuts_ = false;
    FeatureFilter features_shown_;
    GalaxyCuts cuts_found_;
    int selected_ = -1;
    std::vector<int> selection_;
    std::vector<int> marked_;
    bool links_only_ = false;
    MapView view_;
    std::optional<QPoint> pan_from_;  // where a pan's press was, in the view
    MapView pan_start_;
    bool space_down_ = false;
    QTimer* notice_timer_ = nullptr;
};

}  // namespace orvek
