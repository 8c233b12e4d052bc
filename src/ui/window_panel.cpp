// SPDX-License-Identifier: GPL-3.0-or-later
// The planet panel beside the map: shown or hidden (the window widens or narrows by it, so the
// map keeps its size), the selected planets shown in it, and its changes made edits.

#include "core/galaxy_figures.h"
#include "ui/main_window.h"
#include "ui/map_widget.h"
#include "ui/planet_panel.h"

#include <QScreen>

namespace orvek {

void MainWindow::set_up_panel()
{
    // The map's selection follows every change of the planets, and brings the panel with it.
    connect(map_, &MapWidget::selection_changed, this, &MainWindow::show_panel_planets);
    connect(panel_, &PlanetPanel::close_requested, this, [this] { show_panel(false); });
    connect(panel_, &PlanetPanel::planet_chosen, map_, &MapWidget::show_planet);
    connect(panel_, &PlanetPanel::rename_requested, this, [this](int p, const QString& name) {
        edit([=](const auto& g) { return rename_planet(g, p, name.toStdString()); });
    });
    connect(panel_, &PlanetPanel::home_requested, this,
            [this](int p) { edit([=](const auto& g) { return make_home(g, p); }); });
    connect(panel_, &PlanetPanel::feature_requested, this,
            [this](const std::vector<int>& planets, int feature, bool on) {
                edit([=](const auto& g) { return set_feature(g, planets, feature, on); });
            });
    connect(panel_, &PlanetPanel::facility_cleared, this,
            [this](const std::vector<int>& planets, int feature) {
                edit([=](const auto& g) { return clear_facility(g, planets, feature); });
            });
    show_panel_planets();
}

// A refused change (a facility of the home planet) leaves the controls showing what it holds.
// Hovering the map away from the planets tells the galaxy's figures too, panel or none.
void MainWindow::show_panel_planets()
{
    panel_->show_planets(document_->planets(), map_->selection());
    QString hover = "Game folder: " + QString::fromLocal8Bit(folder_.game_dir());
    if (!document_->planets().empty())
        hover +=
            "\n" + QString::fromStdString(figures_in_words(galaxy_figures(document_->planets())))
                       .trimmed();
    map_->set_hover_text(hover);
}

void MainWindow::show_panel(bool shown)
{
    if (shown == panel_shown_)
        return;
    panel_shown_ = shown;
    // The window grows or shrinks by the panel where the screen allows, so the map keeps its
    // size; a maximized window gives the panel's room from the map.
    const int change = shown ? PlanetPanel::kWidth : -PlanetPanel::kWidth;
    const int room = screen()->availableGeometry().width() - frameGeometry().width();
    if (!isMaximized() && !isFullScreen() && change <= room)
        resize(width() + change, height());
    resizeEvent(nullptr);
    emit panel_shown_changed(shown);
}

}  // namespace orvek
