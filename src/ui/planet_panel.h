// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The planet panel beside the map: the selected planet's number, name, template, links, home and
// features, each change an edit on the undo stack; for several planets their features at once;
// for none the galaxy's figures.

#include "core/planet.h"

#include <QWidget>

#include <array>
#include <vector>

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace orvek {

class PlanetPanel : public QWidget {
    Q_OBJECT
public:
    explicit PlanetPanel(QWidget* parent);

    // Shows the planets `selection` (numbers in order) of `planets`; an empty selection shows the
    // galaxy's figures. Emits nothing.
    void show_planets(const std::vector<Planet>& planets, const std::vector<int>& selection);
    // Whether the player can change anything (not while a Generate or a Save runs).
    void set_editable(bool editable);

    static constexpr int kWidth = 200;

signals:
    void rename_requested(int planet, const QString& name);
    void home_requested(int planet);
    // A feature of every planet shown set on or off; a facility group cleared ("none").
    void feature_requested(const std::vector<int>& planets, int feature, bool on);
    void facility_cleared(const std::vector<int>& planets, int feature);
    // A link's planet clicked: the map selects it.
    void planet_chosen(int planet);
    // The close button.
    void close_requested();

private:
    void build();
    void build_planet(QWidget* box);
    void build_features(QWidget* box);
    void show_one(const std::vector<Planet>& planets, int p);
    void show_figures(const std::vector<Planet>& planets);
    void show_features(const std::vector<Planet>& planets);
    void group_chosen(std::size_t group, int index);

    std::vector<int> shown_;
    bool home_shown_ = false;
    bool updating_ = false;  // the controls are being set from the planets: no requests
    QLabel *title_ = nullptr, *template_ = nullptr, *links_ = nullptr, *figures_ = nullptr;
    QLineEdit* name_ = nullptr;
    QPushButton* home_ = nullptr;
    QWidget *planet_box_ = nullptr, *features_box_ = nullptr;
    std::array<QCheckBox*, kInhibitionCount> inhibitions_{};
    std::array<QComboBox*, kFacilityGroups.size()> facilities_{};
};

}  // namespace orvek
