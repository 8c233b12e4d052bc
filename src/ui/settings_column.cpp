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

namespace orvek {

// The start-up defaults: "Normal" in both list boxes, "Random" in every frequency list, the three
// sections closed, the inhibition lists in flag order, and the one green list.
void TForm1::set_up_controls()
{
    LMDListBox_Size->setCurrentRow(1);
    LMDListBox_JGs->setCurrentRow(1);
    for (QComboBox* combo : findChildren<QComboBox*>())
        combo->setCurrentIndex(0);
    on_facilities_toggled();
    on_inhibitions_toggled();
    on_advanced_toggled();
    inhibition_lists = {Combo_Engine, Combo_Shield,  Combo_Fighter, Combo_Cruiser,
                        Combo_Cloak,  Combo_Tractor, Combo_Repair};
    // White on the green: a contrast of 5.1 : 1, where the other lists' teal would give 1.1 : 1.
    Combo_Fighter->setStyleSheet("QComboBox { color: white; background-color: "
                                 "rgb(0,128,0); border: 1px solid rgb(0,64,0); }");
}

namespace {

const QString kNameStyle = "color: rgb(0,128,128); background: white; font-size: 12px;";

}  // namespace

// The longest campaign id this game folder takes with the longest template name it has.
std::size_t TForm1::campaign_id_limit_for_templates() const
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
void TForm1::mark_unsupported_characters(const QString& text)
{
    const QString lacking = QString::fromStdString(unsupported_characters(text.toStdString()));
    Edit_CName->setStyleSheet(lacking.isEmpty() ? kNameStyle
                                                : kNameStyle + "background: rgb(255,205,205);");
    Edit_CName->setToolTip(lacking.isEmpty() ? QString()
                                             : "The game cannot show these characters: " +
                                                   lacking + ". A Save writes each as \"?\".");
}

void TForm1::build_basic_settings()
{
    Panel_Main = section(column_, "Panel_Main", "Basic Settings");
    Edit_CName = new QLineEdit(Panel_Main);
    Edit_CName->setObjectName("Edit_CName");
    Edit_CName->setGeometry(5, 20, 180, 20);
    Edit_CName->setStyleSheet(kNameStyle);
    Edit_CName->setValidator(new CampaignNameValidator(campaign_id_limit_for_templates(), Edit_CName));
    connect(Edit_CName, &QLineEdit::textChanged, this, &TForm1::mark_unsupported_characters);
    LMDListBox_Size =
        list_box(Panel_Main, "LMDListBox_Size", "Galaxy size", items_of(kSizeNames), 5, 46);
    LMDListBox_JGs =
        list_box(Panel_Main, "LMDListBox_JGs", "Jumpgates", items_of(kGateNames), 100, 46);
    LMDButton1 = button(Panel_Main, "LMDButton1", "Generate", 5, 137);
    LMDButton2 = button(Panel_Main, "LMDButton2", "Save", 100, 137);
}

void TForm1::build_advanced_settings()
{
    Panel_Advanced = section(column_, "Panel_Advanced", "Advanced settings");
    CB_Advanced = section_check(Panel_Advanced, "CB_Advanced");
    label(Panel_Advanced, "Planets", 5, 21, 80);
    label(Panel_Advanced, "Wormholes", 5, 42, 80);
    label(Panel_Advanced, "1 join %", 100, 21, 70);
    label(Panel_Advanced, "2 joins %", 100, 42, 70);
    label(Panel_Advanced, "3 joins %", 100, 63, 70);
    Edit_SNr_Pl = number_edit(Panel_Advanced, "Edit_SNr_Pl", "30", 3, 65, 21, 25);
    Edit_SLRW = number_edit(Panel_Advanced, "Edit_SLRW", "1", 1, 65, 42, 25);
    edit_s1join = number_edit(Panel_Advanced, "edit_s1join", "30", 2, 160, 21, 23);
    edit_s2join = number_edit(Panel_Advanced, "edit_s2join", "40", 2, 160, 42, 23);
    edit_s3join = number_edit(Panel_Advanced, "edit_s3join", "5", 2, 160, 63, 23);
    LMDButton5 = button(Panel_Advanced, "LMDButton5", "New Background", 5, 65, "color: black;");
    // A flat face of its own (a border of its own turns the style's gradient off).
    LMDButton3 = button(Panel_Advanced, "LMDButton3", "Generate Custom", 5, 90,
                        "background-color: rgb(0,128,0); color: black; "
                        "border: 1px solid rgb(0,64,0);");
    LMDButton4 = button(Panel_Advanced, "LMDButton4", "Save", 100, 90);
}

void TForm1::build_inhibition_effects()
{
    Panel_HEffect = section(column_, "Panel_HEffect", "Inhibition Effects");
    CB_Inhibitions = section_check(Panel_HEffect, "CB_Inhibitions");
    const std::pair<const char*, QComboBox**> rows[] = {
        {"Fighter Inhibition", &Combo_Fighter}, {"Cruiser Inhibition", &Combo_Cruiser},
        {"Cloak Inhibition", &Combo_Cloak},     {"Shield Inoperable", &Combo_Shield},
        {"Engine Required", &Combo_Engine},     {"Repair Inoperable", &Combo_Repair},
        {"Tractor Inoperable", &Combo_Tractor}};
    const char* row_names[] = {"Combo_Fighter", "Combo_Cruiser", "Combo_Cloak",  "Combo_Shield",
                               "Combo_Engine",  "Combo_Repair",  "Combo_Tractor"};
    for (int i = 0; i < kInhibitionCount; ++i) {
        label(Panel_HEffect, rows[i].first, 5, 21 + 21 * i, 100);
        *rows[i].second = frequency_list(Panel_HEffect, row_names[i], 21 + 21 * i);
    }
}

void TForm1::build_facility_placement()
{
    Panel_Facility = section(column_, "Panel_Facility", "Facility placement");
    CB_Facility = section_check(Panel_Facility, "CB_Facility");
    label(Panel_Facility, "Academy", 5, 21, 85);
    label(Panel_Facility, "Shipyard", 6, 42, 85);
    label(Panel_Facility, "Factory", 5, 63, 85);
    label(Panel_Facility, "Repair Yard", 5, 84, 85);
    Combo_Academy = frequency_list(Panel_Facility, "Combo_Academy", 21);
    Combo_Shipyard = frequency_list(Panel_Facility, "Combo_Shipyard", 42);
    Combo_Factory = frequency_list(Panel_Facility, "Combo_Factory", 63);
    Combo_RepairYard = frequency_list(Panel_Facility, "Combo_RepairYard", 84);
}

// Stacks the blocks of the control column from the top; a section that opens or closes moves
// everything below it.
void TForm1::relayout()
{
    int y = 0;
    QWidget* blocks[] = {Panel_Main, Panel_Advanced, Panel_HEffect, Panel_Facility};
    for (int i = 0; i < 4; ++i) {
        separators_[static_cast<std::size_t>(i)]->setGeometry(0, y, kColumnWidth, 15);
        y += 15;
        blocks[i]->move(0, y);
        y += blocks[i]->height();
    }
    separators_[4]->setGeometry(0, y, kColumnWidth, 15);
    y += 15;
    filler_->setGeometry(0, y, kColumnWidth, std::max(0, column_->height() - y));
}

void TForm1::on_advanced_toggled()
{
    Panel_Advanced->resize(kColumnWidth, CB_Advanced->isChecked() ? 120 : 21);
    Panel_Main->resize(kColumnWidth, 171);
    relayout();
}

void TForm1::on_inhibitions_toggled()
{
    Panel_HEffect->resize(kColumnWidth, CB_Inhibitions->isChecked() ? 175 : 21);
    relayout();
}

void TForm1::on_facilities_toggled()
{
    Panel_Facility->resize(kColumnWidth, CB_Facility->isChecked() ? 112 : 21);
    relayout();
}

// Whether a key may reach a number field: of the characters typed, only digits; every key that
// types no printable character (Tab, the arrows, Backspace, Escape) and every shortcut (Ctrl+A,
// Ctrl+C, Ctrl+V, Ctrl+X) keeps its use.
bool TForm1::is_number_key(const QKeyEvent& key) const
{
    if (key.modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier))
        return true;
    const QString text = key.text();
    if (text.isEmpty() || !text[0].isPrint())
        return true;
    return text.size() == 1 && text[0] >= '0' && text[0] <= '9';
}

bool TForm1::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::KeyPress && !is_number_key(static_cast<const QKeyEvent&>(*event)))
        return true;
    return QWidget::eventFilter(watched, event);
}

GalaxySettings TForm1::read_settings() const
{
    GalaxySettings s;
    s.planet_count = Edit_SNr_Pl->text().toStdString();
    s.wormhole_count = Edit_SLRW->text().toStdString();
    s.join1_pct = edit_s1join->text().toStdString();
    s.join2_pct = edit_s2join->text().toStdString();
    s.join3_pct = edit_s3join->text().toStdString();
    s.size_class = selected_row(LMDListBox_Size);
    s.gate_style = selected_row(LMDListBox_JGs);
    return s;
}

void TForm1::write_settings(const GalaxySettings& s)
{
    Edit_SNr_Pl->setText(QString::fromStdString(s.planet_count));
    Edit_SLRW->setText(QString::fromStdString(s.wormhole_count));
    edit_s1join->setText(QString::fromStdString(s.join1_pct));
    edit_s2join->setText(QString::fromStdString(s.join2_pct));
    edit_s3join->setText(QString::fromStdString(s.join3_pct));
}

// While a command runs, the buttons take no clicks and the inputs it writes back take no edits,
// so that nothing typed meanwhile is overwritten.
void TForm1::set_controls_enabled(bool enabled)
{
    for (QPushButton* b : {LMDButton1, LMDButton2, LMDButton3, LMDButton4, LMDButton5})
        b->setEnabled(enabled);
    for (QLineEdit* edit :
         {Edit_CName, Edit_SNr_Pl, Edit_SLRW, edit_s1join, edit_s2join, edit_s3join})
        edit->setReadOnly(!enabled);
    LMDListBox_Size->setEnabled(enabled);
    LMDListBox_JGs->setEnabled(enabled);
    map_->set_editable(enabled);
    set_undo_enabled(enabled);
}

}  // namespace orvek
