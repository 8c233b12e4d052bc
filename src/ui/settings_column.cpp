// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/settings_column.h"

#include "core/cp1252.h"
#include "core/galaxy_shape.h"
#include "ui/controls.h"

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

SettingsColumn::SettingsColumn(std::size_t id_limit, QWidget* parent) : QWidget(parent)
{
    setObjectName("SettingsColumn");
    for (int i = 0; i < 5; ++i)
        separators_.push_back(new GradientStrip(Qt::black, kTeal, 120, Qt::Horizontal, this));
    build_basic_settings(id_limit);
    build_advanced_settings();
    build_inhibition_effects();
    build_facility_placement();
    filler_ = new CrossHatch(this);
    filler_->setObjectName("Filler");
    for (QLineEdit* edit :
         {planets_field_, wormholes_field_, join1_field_, join2_field_, join3_field_})
        edit->installEventFilter(this);
    connect(generate_button_, &QPushButton::clicked, this,
            [this] { emit generate_clicked(false); });
    connect(generate_custom_button_, &QPushButton::clicked, this,
            [this] { emit generate_clicked(true); });
    for (QPushButton* save : {save_button_, save_custom_button_})
        connect(save, &QPushButton::clicked, this, &SettingsColumn::save_clicked);
    connect(new_background_button_, &QPushButton::clicked, this,
            &SettingsColumn::new_background_clicked);
    for (QCheckBox* box : {advanced_box_, inhibitions_box_, facilities_box_})
        connect(box, &QCheckBox::toggled, this, &SettingsColumn::open_sections);
    set_up_defaults();
}

// The start-up defaults: "Normal" in both list boxes, "Random" in every frequency list, the three
// sections closed, and the one green list.
void SettingsColumn::set_up_defaults()
{
    size_list_->setCurrentRow(1);
    gates_list_->setCurrentRow(1);
    for (QComboBox* combo : findChildren<QComboBox*>())
        combo->setCurrentIndex(0);
    open_sections();
    // White on the green: a contrast of 5.1 : 1, where the other lists' teal would give 1.1 : 1.
    // Its open list keeps dark text on white, as the other lists have it.
    inhibition_lists_[2]->setStyleSheet("QComboBox { color: white; background-color: "
                                        "rgb(0,128,0); border: 1px solid rgb(0,64,0); }");
    set_tooltips();
}

namespace {

// What each control does, in a player's words, by the control's name.
const std::pair<const char*, const char*> kTooltips[] = {
    {"SizeList", "How many planets a Generate makes"},
    {"GateStyleList", "How richly a Generate joins the planets: String has fewest jumpgates, Web "
                      "most"},
    {"Generate", "Makes a new galaxy with the size and jumpgates chosen (Escape cancels)"},
    {"Save", "Saves the galaxy shown as a campaign the game loads, under the name above"},
    {"Shape", "Where a Generate places the planets: scattered over the whole map, in a disc, a "
              "ring, the arms of a spiral or clusters. From 124 planets on, every shape "
              "fills the map"},
    {"ClearGates", "Makes no jumpgate whose line passes through a third planet or crosses another: "
                   "the next nearest planet is joined instead"},
    {"AdvancedBox", "Opens the numbers behind a galaxy, to set them yourself"},
    {"PlanetCount", "How many planets: 8 to 175"},
    {"WormholeCount", "Wormholes: jumpgates from chosen planets to the planet farthest from each"},
    {"Join1Percent", "How many planets in a hundred open one jumpgate to their nearest planet"},
    {"Join2Percent", "How many planets in a hundred open jumpgates to their two nearest planets"},
    {"Join3Percent", "How many planets in a hundred open jumpgates to their three nearest planets"},
    {"NewBackground", "Draws another nebula picture behind the galaxy; Save names it"},
    {"GenerateCustom", "Makes a new galaxy with exactly the numbers above (Escape cancels)"},
    {"SaveCustom", "Saves the galaxy shown as a campaign the game loads, under the name above"},
    {"InhibitionsBox", "Whether a Save writes planets where ships or devices do not work"},
    {"FighterInhibition", "How many planets where fighters do not work (a Save draws which)"},
    {"CruiserInhibition", "How many planets where cruisers do not work (a Save draws which)"},
    {"CloakInhibition", "How many planets where cloaks do not work (a Save draws which)"},
    {"ShieldInoperable", "How many planets where shields do not work (a Save draws which)"},
    {"EngineRequired", "How many planets where ships need their engines (a Save draws which)"},
    {"RepairInoperable", "How many planets where repairs do not work (a Save draws which)"},
    {"TractorInoperable", "How many planets where tractor beams do not work (a Save draws which)"},
    {"FacilitiesBox", "Whether a Save writes academies, shipyards, factories and repair yards"},
    {"Academies", "How many planets hold an academy (a Save draws which)"},
    {"Shipyards", "How many planets hold a shipyard (a Save draws which)"},
    {"Factories", "How many planets hold a factory (a Save draws which)"},
    {"RepairYards", "How many planets hold a repair yard (a Save draws which)"},
};

const QString kNameTip = "The campaign's name as the game lists it; its files are named after it";

}  // namespace

void SettingsColumn::set_tooltips()
{
    for (const auto& [name, tip] : kTooltips)
        if (QWidget* control = findChild<QWidget*>(name))
            control->setToolTip(tip);
    campaign_name_field_->setToolTip(kNameTip);
}

namespace {

const QString kNameStyle = "color: rgb(0,128,128); background: white; font-size: 12px;";

}  // namespace

// Characters the game's 8-bit text lacks turn the field red, and its tooltip names them; a Save
// asks before it writes each as "?".
void SettingsColumn::mark_unsupported_characters(const QString& text)
{
    const QString lacking = QString::fromStdString(unsupported_characters(text.toStdString()));
    campaign_name_field_->setStyleSheet(
        lacking.isEmpty() ? kNameStyle : kNameStyle + "background: rgb(255,205,205);");
    campaign_name_field_->setToolTip(lacking.isEmpty()
                                         ? kNameTip
                                         : "The game cannot show these characters: " + lacking +
                                               ". A Save writes each as \"?\".");
}

void SettingsColumn::build_basic_settings(std::size_t id_limit)
{
    basic_section_ = section(this, "BasicSection", "Basic Settings");
    campaign_name_field_ = new QLineEdit(basic_section_);
    campaign_name_field_->setObjectName("CampaignName");
    campaign_name_field_->setGeometry(5, 20, 180, 20);
    campaign_name_field_->setStyleSheet(kNameStyle);
    campaign_name_field_->setValidator(new CampaignNameValidator(id_limit, campaign_name_field_));
    connect(campaign_name_field_, &QLineEdit::textChanged, this,
            &SettingsColumn::mark_unsupported_characters);
    connect(campaign_name_field_, &QLineEdit::textEdited, this,
            &SettingsColumn::campaign_name_edited);
    size_list_ = list_box(basic_section_, "SizeList", "Galaxy size", items_of(kSizeNames), 5, 46);
    gates_list_ =
        list_box(basic_section_, "GateStyleList", "Jumpgates", items_of(kGateNames), 100, 46);
    build_shape_choice();
    generate_button_ = button(basic_section_, "Generate", "Generate", 5, 182);
    save_button_ = button(basic_section_, "Save", "Save", 100, 182);
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
void SettingsColumn::build_shape_choice()
{
    label(basic_section_, "Shape", 5, 135, 45);
    shape_list_ = new QComboBox(basic_section_);
    shape_list_->setObjectName("Shape");
    for (const GalaxyShape& shape : every_shape())
        shape_list_->addItem(shape_caption(shape));
    shape_list_->setGeometry(50, 135, 135, 21);
    shape_list_->setFont(basic_section_->font());
    shape_list_->setStyleSheet("QComboBox { color: rgb(0,128,128); background: white; }");
    make_open_list_readable(shape_list_);
    clear_gates_box_ = new QCheckBox("Clear jumpgates", basic_section_);
    clear_gates_box_->setObjectName("ClearGates");
    clear_gates_box_->setGeometry(5, 158, 180, 21);
    clear_gates_box_->setStyleSheet("color: white;");
}

void SettingsColumn::build_advanced_settings()
{
    advanced_section_ = section(this, "AdvancedSection", "Advanced settings");
    advanced_box_ = section_check(advanced_section_, "AdvancedBox");
    label(advanced_section_, "Planets", 5, 21, 80);
    label(advanced_section_, "Wormholes", 5, 42, 80);
    label(advanced_section_, "1 join %", 100, 21, 70);
    label(advanced_section_, "2 joins %", 100, 42, 70);
    label(advanced_section_, "3 joins %", 100, 63, 70);
    planets_field_ = number_edit(advanced_section_, "PlanetCount", "30", 3, 65, 21, 25);
    wormholes_field_ = number_edit(advanced_section_, "WormholeCount", "1", 1, 65, 42, 25);
    join1_field_ = number_edit(advanced_section_, "Join1Percent", "30", 2, 160, 21, 23);
    join2_field_ = number_edit(advanced_section_, "Join2Percent", "40", 2, 160, 42, 23);
    join3_field_ = number_edit(advanced_section_, "Join3Percent", "5", 2, 160, 63, 23);
    new_background_button_ =
        button(advanced_section_, "NewBackground", "New Background", 5, 65, "color: black;");
    // A flat face of its own (a border of its own turns the style's gradient off).
    generate_custom_button_ = button(advanced_section_, "GenerateCustom", "Generate Custom", 5, 90,
                                     "background-color: rgb(0,128,0); color: black; "
                                     "border: 1px solid rgb(0,64,0);");
    save_custom_button_ = button(advanced_section_, "SaveCustom", "Save", 100, 90);
}

void SettingsColumn::build_inhibition_effects()
{
    inhibitions_section_ = section(this, "InhibitionsSection", "Inhibition Effects");
    inhibitions_box_ = section_check(inhibitions_section_, "InhibitionsBox");
    // The rows as the column shows them, each with its effect's place in flag order.
    const struct {
        const char* caption;
        const char* name;
        int flag;
    } rows[] = {{"Fighter Inhibition", "FighterInhibition", 2},
                {"Cruiser Inhibition", "CruiserInhibition", 3},
                {"Cloak Inhibition", "CloakInhibition", 4},
                {"Shield Inoperable", "ShieldInoperable", 1},
                {"Engine Required", "EngineRequired", 0},
                {"Repair Inoperable", "RepairInoperable", 6},
                {"Tractor Inoperable", "TractorInoperable", 5}};
    for (int i = 0; i < kInhibitionCount; ++i) {
        label(inhibitions_section_, rows[i].caption, 5, 21 + 21 * i, 100);
        inhibition_lists_[static_cast<std::size_t>(rows[i].flag)] =
            frequency_list(inhibitions_section_, rows[i].name, 21 + 21 * i);
    }
}

void SettingsColumn::build_facility_placement()
{
    facility_section_ = section(this, "FacilitySection", "Facility placement");
    facilities_box_ = section_check(facility_section_, "FacilitiesBox");
    label(facility_section_, "Academy", 5, 21, 85);
    label(facility_section_, "Shipyard", 6, 42, 85);
    label(facility_section_, "Factory", 5, 63, 85);
    label(facility_section_, "Repair Yard", 5, 84, 85);
    academy_list_ = frequency_list(facility_section_, "Academies", 21);
    shipyard_list_ = frequency_list(facility_section_, "Shipyards", 42);
    factory_list_ = frequency_list(facility_section_, "Factories", 63);
    repair_yard_list_ = frequency_list(facility_section_, "RepairYards", 84);
}

void SettingsColumn::fit_height(int height)
{
    height_ = height;
    relayout();
}

// Stacks the blocks of the column from the top; a section that opens or closes moves everything
// below it.
void SettingsColumn::relayout()
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
    resize(kColumnWidth, std::max(y, height_));
    filler_->setGeometry(0, y, kColumnWidth, std::max(0, height() - y));
}

// Each section's height as its box says: open, or only its title bar.
void SettingsColumn::open_sections()
{
    basic_section_->resize(kColumnWidth, 216);
    advanced_section_->resize(kColumnWidth, advanced_box_->isChecked() ? 120 : 21);
    inhibitions_section_->resize(kColumnWidth, inhibitions_box_->isChecked() ? 175 : 21);
    facility_section_->resize(kColumnWidth, facilities_box_->isChecked() ? 112 : 21);
    relayout();
}

namespace {

// Whether a key may reach a number field: of the characters typed, only digits; every key that
// types no printable character (Tab, the arrows, Backspace, Escape) and every shortcut (Ctrl+A,
// Ctrl+C, Ctrl+V, Ctrl+X) keeps its use.
bool is_number_key(const QKeyEvent& key)
{
    if (key.modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier))
        return true;
    const QString text = key.text();
    if (text.isEmpty() || !text[0].isPrint())
        return true;
    return text.size() == 1 && text[0] >= '0' && text[0] <= '9';
}

}  // namespace

bool SettingsColumn::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::KeyPress && !is_number_key(static_cast<const QKeyEvent&>(*event)))
        return true;
    return QWidget::eventFilter(watched, event);
}

GalaxySettings SettingsColumn::settings() const
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

void SettingsColumn::show_settings(const GalaxySettings& s)
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

QString SettingsColumn::campaign_name() const
{
    return campaign_name_field_->text();
}

void SettingsColumn::show_campaign_name(const QString& name)
{
    campaign_name_field_->setText(name);
}

void SettingsColumn::focus_campaign_name()
{
    campaign_name_field_->setFocus();
}

FeatureLevels SettingsColumn::feature_levels() const
{
    FeatureLevels levels;
    for (std::size_t k = 0; k < kInhibitionCount; ++k)
        levels.inhibitions[k] = level_of(inhibition_lists_[k]);
    levels.shipyard = level_of(shipyard_list_);
    levels.academy = level_of(academy_list_);
    levels.factory = level_of(factory_list_);
    levels.repair_yard = level_of(repair_yard_list_);
    return levels;
}

bool SettingsColumn::writes_inhibitions() const
{
    return inhibitions_box_->isChecked();
}

bool SettingsColumn::writes_facilities() const
{
    return facilities_box_->isChecked();
}

void SettingsColumn::set_enabled(bool enabled)
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
}

}  // namespace orvek
