// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The window's column of settings: the campaign name, the Basic, Advanced, Inhibition Effects
// and Facility Placement sections, how they open and stack, and the settings read and shown.

#include "campaign/features.h"
#include "core/settings.h"

#include <QWidget>

#include <array>
#include <cstddef>
#include <vector>

class QCheckBox;
class QComboBox;
class QKeyEvent;
class QLineEdit;
class QListWidget;
class QPushButton;

namespace orvek {

class SettingsColumn : public QWidget {
    Q_OBJECT
public:
    // The column as the window opens: "Normal" in both lists, "Random" in every frequency list,
    // the three lower sections closed. `id_limit` is the longest campaign id the game folder
    // takes, which bounds the name field.
    SettingsColumn(std::size_t id_limit, QWidget* parent);

    // The Generate command's settings as the fields and lists hold them, and shown back.
    GalaxySettings settings() const;
    void show_settings(const GalaxySettings& settings);

    // The campaign name field; a name the game's 8-bit text cannot show turns it red.
    QString campaign_name() const;
    void show_campaign_name(const QString& name);
    void focus_campaign_name();

    // What a Save writes of the planets' features: the frequency lists and whether each kind
    // is written at all.
    FeatureLevels feature_levels() const;
    bool writes_inhibitions() const;
    bool writes_facilities() const;

    // While a command runs, the buttons take no clicks and the fields no edits, so that nothing
    // typed meanwhile is overwritten.
    void set_enabled(bool enabled);

    // Stacks the sections from the top; the column is `height` high, or as high as its open
    // sections where they need more.
    void fit_height(int height);

signals:
    void generate_clicked(bool custom);
    void save_clicked();
    void new_background_clicked();
    // The player typed in the name field (not a name shown by the program).
    void campaign_name_edited(const QString& name);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void build_basic_settings(std::size_t id_limit);
    void build_shape_choice();
    void build_advanced_settings();
    void build_inhibition_effects();
    void build_facility_placement();
    void set_up_defaults();
    void set_tooltips();
    void mark_unsupported_characters(const QString& text);
    void open_sections();
    void relayout();

    int height_ = 0;  // the height the window gives the column
    QWidget *basic_section_ = nullptr, *advanced_section_ = nullptr,
            *inhibitions_section_ = nullptr, *facility_section_ = nullptr, *filler_ = nullptr;
    std::vector<QWidget*> separators_;
    QLineEdit *campaign_name_field_ = nullptr, *planets_field_ = nullptr,
              *wormholes_field_ = nullptr, *join1_field_ = nullptr, *join2_field_ = nullptr,
              *join3_field_ = nullptr;
    QListWidget *size_list_ = nullptr, *gates_list_ = nullptr;
    QComboBox* shape_list_ = nullptr;
    QCheckBox* clear_gates_box_ = nullptr;
    QPushButton *generate_button_ = nullptr, *save_button_ = nullptr,
                *generate_custom_button_ = nullptr, *save_custom_button_ = nullptr,
                *new_background_button_ = nullptr;
    QCheckBox *advanced_box_ = nullptr, *inhibitions_box_ = nullptr, *facilities_box_ = nullptr;
    // In flag order: engine, shield, fighter, cruiser, cloak, tractor, repair.
    std::array<QComboBox*, kInhibitionCount> inhibition_lists_{};
    QComboBox *academy_list_ = nullptr, *shipyard_list_ = nullptr, *factory_list_ = nullptr,
              *repair_yard_list_ = nullptr;
};

}  // namespace orvek
