// SPDX-License-Identifier: GPL-3.0-or-later
// The window's column of settings: its four sections (Basic, Advanced, Inhibition Effects and
// Facility Placement) with their fields and lists, how they open, close and stack, and how the
// settings are read from them and written back.

#include "core/cp1252.h"
#include "core/error.h"
#include "gamedata/game_folder.h"
#include "gamedata/names.h"
#include "ui/controls.h"
#include "ui/main_window.h"
#include "ui/map_widget.h"

#include <QCheckBox>
#include <QComboBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRegularExpressionValidator>
#include <QScrollArea>

#include <algorithm>

namespace orvek {

// The start-up defaults: "Normal" in both list boxes, "Random" in every frequency list, the three
// sections closed, the inhibition lists in flag order, and the one green list.
void MainWindow::set_up_controls()
{
    size_list_->setCurrentRow(1);
    gates_list_->setCurrentRow(1);
    for (QComboBox* combo : findChildren<QComboBox*>())
        combo->setCurrentIndex(0);
    on_facilities_toggled();
    on_inhibitions_toggled();
    on_advanced_toggled();
    inhibition_lists_ = {engine_list_, shield_list_,  fighter_list_, cruiser_list_,
                         cloak_list_,  tractor_list_, repair_list_};
    // White on the green: a contrast of 5.1 : 1, where the other lists' teal would give 1.1 : 1.
    // Its open list keeps dark text on white, as the other lists have it.
    fighter_list_->setStyleSheet("QComboBox { color: white; background-color: "
                                 "rgb(0,128,0); border: 1px solid rgb(0,64,0); }");
    set_tooltips();
}

namespace {

// What each control does, in a player's words, by the control's name.
const std::pair<const char*, const char*> kTooltips[] = {
    {"LMDListBox_Size", "How many planets a Generate makes"},
    {"LMDListBox_JGs", "How richly a Generate joins the planets: String has fewest jumpgates, Web "
                       "most"},
    {"LMDButton1", "Makes a new galaxy with the size and jumpgates chosen (Escape cancels)"},
    {"LMDButton2", "Saves the galaxy shown as a campaign the game loads, under the name above"},
    {"shape", "Where a Generate places the planets: scattered over the whole map, in a disc, a "
              "ring, the arms of a spiral or clusters. From 124 planets on, every shape "
              "fills the map"},
    {"clearGates", "Makes no jumpgate whose line passes through a third planet or crosses another: "
                   "the next nearest planet is joined instead"},
    {"CB_Advanced", "Opens the numbers behind a galaxy, to set them yourself"},
    {"Edit_SNr_Pl", "How many planets: 8 to 175"},
    {"Edit_SLRW", "Wormholes: jumpgates from chosen planets to the planet farthest from each"},
    {"edit_s1join", "How many planets in a hundred open one jumpgate to their nearest planet"},
    {"edit_s2join", "How many planets in a hundred open jumpgates to their two nearest planets"},
    {"edit_s3join", "How many planets in a hundred open jumpgates to their three nearest planets"},
    {"LMDButton5", "Draws another nebula picture behind the galaxy; Save names it"},
    {"LMDButton3", "Makes a new galaxy with exactly the numbers above (Escape cancels)"},
    {"LMDButton4", "Saves the galaxy shown as a campaign the game loads, under the name above"},
    {"CB_Inhibitions", "Whether a Save writes planets where ships or devices do not work"},
    {"Combo_Fighter", "How many planets where fighters do not work (a Save draws which)"},
    {"Combo_Cruiser", "How many planets where cruisers do not work (a Save draws which)"},
    {"Combo_Cloak", "How many planets where cloaks do not work (a Save draws which)"},
    {"Combo_Shield", "How many planets where shields do not work (a Save draws which)"},
    {"Combo_Engine", "How many planets where ships need their engines (a Save draws which)"},
    {"Combo_Repair", "How many planets where repairs do not work (a Save draws which)"},
    {"Combo_Tractor", "How many planets where tractor beams do not work (a Save draws which)"},
    {"CB_Facility", "Whether a Save writes academies, shipyards, factories and repair yards"},
    {"Combo_Academy", "How many planets hold an academy (a Save draws which)"},
    {"Combo_Shipyard", "How many planets hold a shipyard (a Save draws which)"},
    {"Combo_Factory", "How many planets hold a factory (a Save draws which)"},
    {"Combo_RepairYard", "How many planets hold a repair yard (a Save draws which)"},
};

const QString kNameTip = "The campaign's name as the game lists it; its files are named after it";

}  // namespace

void MainWindow::set_tooltips()
{
    for (const auto& [name, tip] : kTooltips)
        if (QWidget* control = findChild<QWidget*>(name))
            control->setToolTip(tip);
    campaign_name_field_->setToolTip(kNameTip);
}

namespace {

const QString kNameStyle = "color: rgb(0,128,128); background: white; font-size: 12px;";

}  // namespace

// The longest campaign id this game folder takes with the longest template name it has.
std::size_t MainWindow::campaign_id_limit_for_templates() const
{
    try {
        return campaign_id_limit(folder_);
    } catch (const Error&) {
        // Without a templates folder nothing can be saved; Save says so.
        return campaign_id_limit(folder_, 0);
    }
}

// Characters the game's 8-bit text lacks turn the field red, and its tooltip names them; a Save
// asks before it writes each as "?".
void MainWindow::mark_unsupported_characters(const QString& text)
{
    const QString lacking = QString::fromStdString(unsupported_characters(text.toStdString()));
    campaign_name_field_->setStyleSheet(
        lacking.isEmpty() ? kNameStyle : kNameStyle + "background: rgb(255,205,205);");
    campaign_name_field_->setToolTip(lacking.isEmpty()
                                         ? kNameTip
                                         : "The game cannot show these characters: " + lacking +
                                               ". A Save writes each as \"?\".");
}

void MainWindow::build_basic_settings()
{
    basic_section_ = section(column_, "Panel_Main", "Basic Settings");
    campaign_name_field_ = new QLineEdit(basic_section_);
    campaign_name_field_->setObjectName("Edit_CName");
    campaign_name_field_->setGeometry(5, 20, 180, 20);
    campaign_name_field_->setStyleSheet(kNameStyle);
    campaign_name_field_->setValidator(
        new CampaignNameValidator(campaign_id_limit_for_templates(), campaign_name_field_));
    connect(campaign_name_field_, &QLineEdit::textChanged, this,
            &MainWindow::mark_unsupported_characters);
    // What the player types stays with the galaxy shown, for going back to it.
    connect(campaign_name_field_, &QLineEdit::textEdited, this,
            [this](const QString& text) { document_->set_campaign_name(text.toStdString()); });
    size_list_ =
        list_box(basic_section_, "LMDListBox_Size", "Galaxy size", items_of(kSizeNames), 5, 46);
    gates_list_ =
        list_box(basic_section_, "LMDListBox_JGs", "Jumpgates", items_of(kGateNames), 100, 46);
    build_shape_choice();
    generate_button_ = button(basic_section_, "LMDButton1", "Generate", 5, 182);
    save_button_ = button(basic_section_, "LMDButton2", "Save", 100, 182);
}

namespace {

// A shape as the list shows it.
QString shape_caption(const GalaxyShape& shape)
{
    switch (shape.kind) {
    case ShapeKind::Disc: return "Disc";
    case ShapeKind::Ring: return "Ring";
    case ShapeKind::Spiral: return QString("Spiral, %1 arms").arg(shape.parts);
    case ShapeKind::Clusters: return QString("%1 clusters").arg(shape.parts);
    default: return "Classic";
    }
}

}  // namespace

// The shape list and the "Clear jumpgates" box, between the two lists and the buttons.
void MainWindow::build_shape_choice()
{
    label(basic_section_, "Shape", 5, 135, 45);
    shape_list_ = new QComboBox(basic_section_);
    shape_list_->setObjectName("shape");
    for (const GalaxyShape& shape : every_shape())
        shape_list_->addItem(shape_caption(shape));
    shape_list_->setGeometry(50, 135, 135, 21);
    shape_list_->setFont(basic_section_->font());
    shape_list_->setStyleSheet("QComboBox { color: rgb(0,128,128); background: white; }");
    make_open_list_readable(shape_list_);
    clear_gates_box_ = new QCheckBox("Clear jumpgates", basic_section_);
    clear_gates_box_->setObjectName("clearGates");
    clear_gates_box_->setGeometry(5, 158, 180, 21);
    clear_gates_box_->setStyleSheet("color: white;");
}

void MainWindow::build_advanced_settings()
{
    advanced_section_ = section(column_, "Panel_Advanced", "Advanced settings");
    advanced_box_ = section_check(advanced_section_, "CB_Advanced");
    label(advanced_section_, "Planets", 5, 21, 80);
    label(advanced_section_, "Wormholes", 5, 42, 80);
    label(advanced_section_, "1 join %", 100, 21, 70);
    label(advanced_section_, "2 joins %", 100, 42, 70);
    label(advanced_section_, "3 joins %", 100, 63, 70);
    planets_field_ = number_edit(advanced_section_, "Edit_SNr_Pl", "30", 3, 65, 21, 25);
    wormholes_field_ = number_edit(advanced_section_, "Edit_SLRW", "1", 1, 65, 42, 25);
    join1_field_ = number_edit(advanced_section_, "edit_s1join", "30", 2, 160, 21, 23);
    join2_field_ = number_edit(advanced_section_, "edit_s2join", "40", 2, 160, 42, 23);
    join3_field_ = number_edit(advanced_section_, "edit_s3join", "5", 2, 160, 63, 23);
    new_background_button_ =
        button(advanced_section_, "LMDButton5", "New Background", 5, 65, "color: black;");
    // A flat face of its own (a border of its own turns the style's gradient off).
    generate_custom_button_ = button(advanced_section_, "LMDButton3", "Generate Custom", 5, 90,
                                     "background-color: rgb(0,128,0); color: black; "
                                     "border: 1px solid rgb(0,64,0);");
    save_custom_button_ = button(advanced_section_, "LMDButton4", "Save", 100, 90);
}

void MainWindow::build_inhibition_effects()
{
    inhibitions_section_ = section(column_, "Panel_HEffect", "Inhibition Effects");
    inhibitions_box_ = section_check(inhibitions_section_, "CB_Inhibitions");
    const std::pair<const char*, QComboBox**> rows[] = {
        {"Fighter Inhibition", &fighter_list_}, {"Cruiser Inhibition", &cruiser_list_},
        {"Cloak Inhibition", &cloak_list_},     {"Shield Inoperable", &shield_list_},
        {"Engine Required", &engine_list_},     {"Repair Inoperable", &repair_list_},
        {"Tractor Inoperable", &tractor_list_}};
    const char* row_names[] = {"Combo_Fighter", "Combo_Cruiser", "Combo_Cloak",  "Combo_Shield",
                               "Combo_Engine",  "Combo_Repair",  "Combo_Tractor"};
    for (int i = 0; i < kInhibitionCount; ++i) {
        label(inhibitions_section_, rows[i].first, 5, 21 + 21 * i, 100);
        *rows[i].second = frequency_list(inhibitions_section_, row_names[i], 21 + 21 * i);
    }
}

void MainWindow::build_facility_placement()
{
    facility_section_ = section(column_, "Panel_Facility", "Facility placement");
    facilities_box_ = section_check(facility_section_, "CB_Facility");
    label(facility_section_, "Academy", 5, 21, 85);
    label(facility_section_, "Shipyard", 6, 42, 85);
    label(facility_section_, "Factory", 5, 63, 85);
    label(facility_section_, "Repair Yard", 5, 84, 85);
    academy_list_ = frequency_list(facility_section_, "Combo_Academy", 21);
    shipyard_list_ = frequency_list(facility_section_, "Combo_Shipyard", 42);
    factory_list_ = frequency_list(facility_section_, "Combo_Factory", 63);
    repair_yard_list_ = frequency_list(facility_section_, "Combo_RepairYard", 84);
}

// Stacks the blocks of the control column from the top; a section that opens or closes moves
// everything below it.
void MainWindow::relayout()
{
    int y = 0;
    QWidget* blocks[] = {basic_section_, advanced_section_, inhibitions_section_,
                         facility_section_};
    for (int i = 0; i < 4; ++i) {
        separators_[static_cast<std::size_t>(i)]->setGeometry(0, y, kColumnWidth, 15);
        y += 15;
        blocks[i]->move(0, y);
        y += blocks[i]->height();
    }
    separators_[4]->setGeometry(0, y, kColumnWidth, 15);
    y += 15;
    // The column is as high as the window, or as its sections where they need more.
    column_->resize(kColumnWidth, std::max(y, column_scroll_->height()));
    filler_->setGeometry(0, y, kColumnWidth, std::max(0, column_->height() - y));
}

void MainWindow::on_advanced_toggled()
{
    advanced_section_->resize(kColumnWidth, advanced_box_->isChecked() ? 120 : 21);
    basic_section_->resize(kColumnWidth, 216);
    relayout();
}

void MainWindow::on_inhibitions_toggled()
{
    inhibitions_section_->resize(kColumnWidth, inhibitions_box_->isChecked() ? 175 : 21);
    relayout();
}

void MainWindow::on_facilities_toggled()
{
    facility_section_->resize(kColumnWidth, facilities_box_->isChecked() ? 112 : 21);
    relayout();
}

// Whether a key may reach a number field: of the characters typed, only digits; every key that
// types no printable character (Tab, the arrows, Backspace, Escape) and every shortcut (Ctrl+A,
// Ctrl+C, Ctrl+V, Ctrl+X) keeps its use.
bool MainWindow::is_number_key(const QKeyEvent& key) const
{
    if (key.modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier))
        return true;
    const QString text = key.text();
    if (text.isEmpty() || !text[0].isPrint())
        return true;
    return text.size() == 1 && text[0] >= '0' && text[0] <= '9';
}

bool MainWindow::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::KeyPress && !is_number_key(static_cast<const QKeyEvent&>(*event)))
        return true;
    return QWidget::eventFilter(watched, event);
}

GalaxySettings MainWindow::read_settings() const
{
    GalaxySettings s;
    s.planet_count = planets_field_->text().toStdString();
    s.wormhole_count = wormholes_field_->text().toStdString();
    s.join1_pct = join1_field_->text().toStdString();
    s.join2_pct = join2_field_->text().toStdString();
    s.join3_pct = join3_field_->text().toStdString();
    s.size_class = selected_row(size_list_);
    s.gate_style = selected_row(gates_list_);
    s.shape = every_shape()[static_cast<std::size_t>(std::max(0, shape_list_->currentIndex()))];
    s.clear_gates = clear_gates_box_->isChecked();
    return s;
}

void MainWindow::write_settings(const GalaxySettings& s)
{
    planets_field_->setText(QString::fromStdString(s.planet_count));
    wormholes_field_->setText(QString::fromStdString(s.wormhole_count));
    join1_field_->setText(QString::fromStdString(s.join1_pct));
    join2_field_->setText(QString::fromStdString(s.join2_pct));
    join3_field_->setText(QString::fromStdString(s.join3_pct));
    const auto& shapes = every_shape();
    shape_list_->setCurrentIndex(
        static_cast<int>(std::find(shapes.begin(), shapes.end(), s.shape) - shapes.begin()));
    clear_gates_box_->setChecked(s.clear_gates);
}

// While a command runs, the buttons take no clicks and the inputs it writes back take no edits,
// so that nothing typed meanwhile is overwritten.
void MainWindow::set_controls_enabled(bool enabled)
{
    for (QPushButton* b : {generate_button_, save_button_, generate_custom_button_,
                           save_custom_button_, new_background_button_})
        b->setEnabled(enabled);
    for (QLineEdit* edit : {campaign_name_field_, planets_field_, wormholes_field_, join1_field_,
                            join2_field_, join3_field_})
        edit->setReadOnly(!enabled);
    size_list_->setEnabled(enabled);
    gates_list_->setEnabled(enabled);
    shape_list_->setEnabled(enabled);
    clear_gates_box_->setEnabled(enabled);
    map_->set_editable(enabled);
    set_undo_enabled(enabled);
}

}  // namespace orvek
