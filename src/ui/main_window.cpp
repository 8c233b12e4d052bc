#include "ui/main_window.h"

#include "core/error.h"
#include "core/generate_command.h"
#include "export/campaign_transaction.h"
#include "export/save.h"
#include "gamedata/cp1252.h"
#include "gamedata/game_services.h"
#include "gamedata/names.h"
#include "ui/map_render.h"
#include "ui/map_widget.h"

#include <QCheckBox>
#include <QClipboard>
#include <QCloseEvent>
#include <QComboBox>
#include <QElapsedTimer>
#include <QFontDatabase>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMessageBox>
#include <QPainter>
#include <QPushButton>
#include <QRegularExpressionValidator>
#include <QShortcut>
#include <QTimer>

#include <cstdio>

namespace orvek {

namespace {

const QColor kTeal(0, 128, 128);
const QColor kGreen(0, 128, 0);
constexpr int kColumnWidth = 190;

// A strip filled with a gradient of a fixed number of colour steps.
class GradientStrip : public QWidget {
public:
    GradientStrip(QColor from, QColor to, int steps, Qt::Orientation direction, QWidget* parent)
        : QWidget(parent), from_(from), to_(to), steps_(steps), direction_(direction)
    {}

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter painter(this);
        const int length = direction_ == Qt::Horizontal ? width() : height();
        for (int i = 0; i < steps_; ++i) {
            const int start = length * i / steps_, end = length * (i + 1) / steps_;
            const double t = steps_ > 1 ? static_cast<double>(i) / (steps_ - 1) : 0;
            QColor c = QColor::fromRgbF(
                static_cast<float>(from_.redF() + (to_.redF() - from_.redF()) * t),
                static_cast<float>(from_.greenF() + (to_.greenF() - from_.greenF()) * t),
                static_cast<float>(from_.blueF() + (to_.blueF() - from_.blueF()) * t));
            if (direction_ == Qt::Horizontal)
                painter.fillRect(start, 0, end - start, height(), c);
            else
                painter.fillRect(0, start, width(), end - start, c);
        }
    }

private:
    QColor from_, to_;
    int steps_;
    Qt::Orientation direction_;
};

class CrossHatch : public QWidget {
public:
    using QWidget::QWidget;

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter painter(this);
        painter.fillRect(rect(), Qt::black);
        painter.fillRect(rect(), QBrush(kTeal, Qt::DiagCrossPattern));
    }
};

// Tahoma is the window's font. Where the system lacks it (Linux), Wine's Tahoma, drawn to the
// same measures and packaged by Debian as fonts-wine, stands in, so that every caption fits as
// it does on Windows.
void load_stand_in_fonts()
{
    if (QFontDatabase::families().contains("Tahoma"))
        return;
    for (const char* file :
         {"/usr/share/wine/fonts/tahoma.ttf", "/usr/share/wine/fonts/tahomabd.ttf"})
        QFontDatabase::addApplicationFont(file);
}

QWidget* section(QWidget* parent, const char* name, const QString& title)
{
    auto* panel = new QWidget(parent);
    panel->setObjectName(name);
    panel->setAutoFillBackground(true);
    QPalette palette = panel->palette();
    palette.setColor(QPalette::Window, kTeal);
    panel->setPalette(palette);
    auto* header = new QLabel(title, panel);
    header->setObjectName(QString(name) + "_Header");
    header->setGeometry(0, 0, kColumnWidth, 20);
    header->setAlignment(Qt::AlignCenter);
    header->setStyleSheet("color: white; font-weight: bold;");
    return panel;
}

// The text-less check box in a collapsible section's header that opens and closes it.
QCheckBox* section_check(QWidget* panel, const char* name)
{
    auto* box = new QCheckBox(panel);
    box->setObjectName(name);
    box->setGeometry(5, 5, 19, 15);
    return box;
}

QLabel* label(QWidget* parent, const QString& text, int x, int y, int width)
{
    auto* l = new QLabel(text, parent);
    l->setGeometry(x, y, width, 21);
    l->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    l->setStyleSheet("color: white;");
    return l;
}

QLineEdit* number_edit(QWidget* parent, const char* name, const char* text, int max_length, int x,
                       int y, int width)
{
    auto* edit = new QLineEdit(text, parent);
    edit->setObjectName(name);
    edit->setMaxLength(max_length);
    edit->setAlignment(Qt::AlignRight);
    edit->setGeometry(x, y, width, 21);
    edit->setStyleSheet("color: rgb(0,128,128); background: white;");
    return edit;
}

QPushButton* button(QWidget* parent, const char* name, const QString& text, int x, int y,
                    const char* style = nullptr)
{
    auto* b = new QPushButton(text, parent);
    b->setObjectName(name);
    b->setGeometry(x, y, 85, 20);
    // The captions must fit 85 pixels, also where a wider font stands in for Tahoma.
    QFont font = parent->font();
    while (QFontMetrics(font).horizontalAdvance(text) > 81 && font.pixelSize() > 8)
        font.setPixelSize(font.pixelSize() - 1);
    b->setFont(font);
    // A button that takes no clicks must look so, whatever colours its face has.
    b->setStyleSheet(QString("QPushButton { padding: 0px; %1 } "
                             "QPushButton:disabled { color: rgb(150,150,150); }")
                         .arg(style ? style : ""));
    return b;
}

QString text_of(std::string_view name)
{
    return QString::fromLatin1(name.data(), static_cast<qsizetype>(name.size()));
}

QComboBox* frequency_list(QWidget* parent, const char* name, int y)
{
    auto* combo = new QComboBox(parent);
    combo->setObjectName(name);
    for (std::string_view level : kFrequencyLevelNames)
        combo->addItem(text_of(level));
    combo->setGeometry(100, y, 85, 21);
    // Some platform themes give lists a font of their own; these keep the window's.
    combo->setFont(parent->font());
    combo->setStyleSheet("QComboBox { color: rgb(0,128,128); background: white; }");
    return combo;
}

template <std::size_t n>
QStringList items_of(const std::array<std::string_view, n>& names)
{
    QStringList items;
    for (std::string_view name : names)
        items << text_of(name);
    return items;
}

// The row selected in a list box, or -1: a list whose selection was taken away with Ctrl+click
// applies no preset, whatever row still has the focus.
int selected_row(const QListWidget* list)
{
    const QList<QListWidgetItem*> selected = list->selectedItems();
    return selected.isEmpty() ? -1 : list->row(selected.first());
}

// A list choice as the command-line tool takes it: the item in small letters, or "none".
template <std::size_t n>
QString option_word(const std::array<std::string_view, n>& names, int row)
{
    return row < 0 ? QString("none")
                   : text_of(names[static_cast<std::size_t>(row)]).trimmed().toLower();
}

QListWidget* list_box(QWidget* parent, const char* name, const QString& header_text,
                      const QStringList& items, int x, int y)
{
    auto* header = new QLabel(header_text, parent);
    header->setObjectName(QString(name) + "_Header");
    header->setGeometry(x, y, 85, 17);
    header->setAlignment(Qt::AlignCenter);
    header->setStyleSheet("background: rgb(0,96,96); color: white;");
    auto* list = new QListWidget(parent);
    list->setObjectName(name);
    list->addItems(items);
    for (int i = 0; i < list->count(); ++i)
        list->item(i)->setSizeHint(QSize(80, 16));
    list->setGeometry(x, y + 17, 85, 85 - 17);
    list->setStyleSheet("QListWidget { color: rgb(0,128,128); background: white; }");
    list->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    list->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    return list;
}

// Error messages carry file paths, which are in the system's own 8-bit encoding (UTF-8 on
// Linux, the ANSI code page on Windows), so they are read as such.
QString message_text(const std::string& message)
{
    return QString::fromLocal8Bit(message);
}

FrequencyLevel level_of(const QComboBox* combo)
{
    return static_cast<FrequencyLevel>(std::max(0, combo->currentIndex()));
}

}  // namespace

struct TForm1::Generation {
    GenerateButton sender;
    GalaxySettings settings;
    GalaxySettings fields_before;  // the fields as the command found them
    QString name_before;
    std::uint32_t seed = 0;  // the random source's state when the command began
    Galaxy galaxy;
    std::string campaign_name;
    std::string error;
    GenerationResult result = GenerationResult::Cancelled;
    GenerationProgress progress;
    QElapsedTimer clock;
};

TForm1::TForm1(GameFolder folder, std::uint32_t seed, QWidget* parent)
    : QWidget(parent), folder_(std::move(folder)), random_(seed)
{
    setObjectName("Form1");
    setWindowTitle(kStartCaption);
    setFixedSize(979, 750);
    move(0, 0);
    load_stand_in_fonts();
    QFont font("Tahoma");
    font.setPixelSize(11);
    setFont(font);
    build_controls();
    FormCreate();

    // Escape cancels a running generation wherever the focus is.
    auto* escape = new QShortcut(QKeySequence(Qt::Key_Escape), this);
    connect(escape, &QShortcut::activated, this, [this] {
        if (generation_)
            generation_->progress.cancel = true;
    });

    progress_timer_ = new QTimer(this);
    progress_timer_->setInterval(100);
    connect(progress_timer_, &QTimer::timeout, this, &TForm1::show_progress);
}

// The start-up defaults: "Normal" in both list boxes, "Random" in every frequency list, the three
// sections closed, the inhibition lists in flag order, and the one green list.
void TForm1::FormCreate()
{
    LMDListBox_Size->setCurrentRow(1);
    LMDListBox_JGs->setCurrentRow(1);
    for (QComboBox* combo : findChildren<QComboBox*>())
        combo->setCurrentIndex(0);
    CB_FacilityChange();
    CB_InhibitionsChange();
    CB_AdvancedChange();
    inhibition_lists = {Combo_Engine, Combo_Shield,  Combo_Fighter, Combo_Cruiser,
                        Combo_Cloak,  Combo_Tractor, Combo_Repair};
    Combo_Fighter->setStyleSheet("QComboBox { color: rgb(0,128,128); background-color: "
                                 "rgb(0,128,0); border: 1px solid rgb(0,64,0); }");
}

TForm1::~TForm1()
{
    if (generation_)
        generation_->progress.cancel = true;
    if (worker_.joinable())
        worker_.join();
}

void TForm1::build_controls()
{
    map_ = new MapWidget(this);
    map_->move(0, 0);
    map_->set_background(startup_picture());
    (new GradientStrip(Qt::black, kTeal, 32, Qt::Horizontal, this))->setGeometry(750, 0, 20, 750);
    (new GradientStrip(kTeal, Qt::black, 32, Qt::Horizontal, this))->setGeometry(960, 0, 20, 750);
    column_ = new QWidget(this);
    column_->setObjectName("Panel_Controls");
    column_->setGeometry(770, 0, kColumnWidth, 750);
    for (int i = 0; i < 5; ++i)
        separators_.push_back(new GradientStrip(Qt::black, kTeal, 120, Qt::Horizontal, column_));
    build_basic_settings();
    build_advanced_settings();
    build_inhibition_effects();
    build_facility_placement();
    filler_ = new CrossHatch(column_);
    filler_->setObjectName("Filler");
    connect_handlers();
}

void TForm1::build_basic_settings()
{
    Panel_Main = section(column_, "Panel_Main", "Basic Settings");
    Edit_CName = new QLineEdit(Panel_Main);
    Edit_CName->setObjectName("Edit_CName");
    Edit_CName->setGeometry(5, 20, 180, 20);
    Edit_CName->setStyleSheet("color: rgb(0,128,128); background: white; font-size: 12px;");
    // The name becomes a line of the map file: a control character pasted into it (a line break
    // above all) would add lines of its own, so the field takes none.
    Edit_CName->setValidator(
        new QRegularExpressionValidator(QRegularExpression("[^\\x00-\\x1f\\x7f]*"), Edit_CName));
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
    for (int i = 0; i < 7; ++i) {
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

void TForm1::connect_handlers()
{
    for (QLineEdit* edit : {Edit_SNr_Pl, Edit_SLRW, edit_s1join, edit_s2join, edit_s3join})
        edit->installEventFilter(this);
    connect(LMDButton1, &QPushButton::clicked, this, &TForm1::Button1Click);
    connect(LMDButton3, &QPushButton::clicked, this, &TForm1::Button1Click);
    connect(LMDButton2, &QPushButton::clicked, this, &TForm1::LMDButton2Click);
    connect(LMDButton4, &QPushButton::clicked, this, &TForm1::LMDButton2Click);
    connect(LMDButton5, &QPushButton::clicked, this, &TForm1::LMDButton5Click);
    connect(CB_Advanced, &QCheckBox::toggled, this, &TForm1::CB_AdvancedChange);
    connect(CB_Inhibitions, &QCheckBox::toggled, this, &TForm1::CB_InhibitionsChange);
    connect(CB_Facility, &QCheckBox::toggled, this, &TForm1::CB_FacilityChange);
    map_->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(map_, &QWidget::customContextMenuRequested, this, &TForm1::show_map_menu);
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
    filler_->setGeometry(0, y, kColumnWidth, std::max(0, 750 - y));
}

void TForm1::CB_AdvancedChange()
{
    Panel_Advanced->resize(kColumnWidth, CB_Advanced->isChecked() ? 120 : 21);
    Panel_Main->resize(kColumnWidth, 171);
    relayout();
}

void TForm1::CB_InhibitionsChange()
{
    Panel_HEffect->resize(kColumnWidth, CB_Inhibitions->isChecked() ? 175 : 21);
    relayout();
}

void TForm1::CB_FacilityChange()
{
    Panel_Facility->resize(kColumnWidth, CB_Facility->isChecked() ? 112 : 21);
    relayout();
}

// Whether a key may reach a number field: of the characters typed, only digits; every key that
// types no printable character (Tab, the arrows, Backspace, Escape) and every shortcut (Ctrl+A,
// Ctrl+C, Ctrl+V, Ctrl+X) keeps its use.
bool TForm1::Edit_Nr_Only(const QKeyEvent& key) const
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
    if (event->type() == QEvent::KeyPress && !Edit_Nr_Only(static_cast<const QKeyEvent&>(*event)))
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
}

// The Generate command's services as the window sees them: the caption follows the command's
// status, and its numbers and campaign name show as soon as they are drawn, all on the
// user-interface thread.
struct TForm1::Services : GameFolderServices, StatusSink {
    Services(const GameFolder& folder, TForm1* form) : GameFolderServices(folder), form_(form) {}

    void show_status(std::string_view text) override
    {
        QMetaObject::invokeMethod(
            form_, [form = form_, caption = text_of(text)] { form->setWindowTitle(caption); },
            Qt::QueuedConnection);
    }

    std::string Get_Campaign_Name(const GalaxySettings& settings, Random& random) override
    {
        std::string name = GameFolderServices::Get_Campaign_Name(settings, random);
        QMetaObject::invokeMethod(
            form_, [form = form_, settings, name] { form->show_command_fields(settings, name); },
            Qt::QueuedConnection);
        return name;
    }

private:
    TForm1* form_;
};

void TForm1::Button1Click()
{
    if (busy())
        return;
    auto g = std::make_unique<Generation>();
    g->sender = sender() == LMDButton3 ? GenerateButton::GenerateCustom : GenerateButton::Generate;
    g->fields_before = g->settings = read_settings();
    g->name_before = Edit_CName->text();
    g->seed = random_.state();
    // The clamp comes first and stops the command before anything changes when a field is bad.
    try {
        Clamp_Params(g->settings);
    } catch (const Error& e) {
        write_settings(g->settings);
        show_error(e.what());
        return;
    }
    map_->show_links_only(true);
    set_controls_enabled(false);
    generation_ = std::move(g);
    generation_->clock.start();
    progress_timer_->start();
    worker_ = std::thread([this, g = generation_.get()] { run_generation(*g); });
}

// On the worker thread: the command itself, then the window is told on its own thread.
void TForm1::run_generation(Generation& g)
{
    Services services_of_window(folder_, this);
    GenerationServices services{services_of_window, services_of_window, services_of_window,
                                services_of_window};
    try {
        g.result = orvek::Button1Click(g.sender, g.settings, g.galaxy, g.campaign_name, services,
                                       random_, &g.progress);
    } catch (const std::exception& e) {
        g.error = e.what();
    }
    QMetaObject::invokeMethod(
        this, [this] { finish_generation(); }, Qt::QueuedConnection);
}

void TForm1::show_command_fields(const GalaxySettings& settings, const std::string& campaign_name)
{
    write_settings(settings);
    Edit_CName->setText(QString::fromUtf8(cp1252_to_utf8(campaign_name)));
}

void TForm1::show_progress()
{
    if (!generation_ || generation_->clock.elapsed() < 400)
        return;
    const std::uint64_t attempts = generation_->progress.attempts.load();
    QString text =
        QString("CALCULATING! %1 attempts so far. Press Escape to cancel.").arg(attempts);
    const qint64 elapsed = generation_->clock.elapsed();
    if (elapsed >= 5000)
        text += QString("\n%1 attempts per second. %2")
                    .arg(static_cast<qint64>(static_cast<double>(attempts) * 1000.0 /
                                             static_cast<double>(elapsed)))
                    .arg(kRareSettingsHint);
    map_->set_progress(text);
}

void TForm1::finish_generation()
{
    if (worker_.joinable())
        worker_.join();
    progress_timer_->stop();
    map_->set_progress(QString());
    std::unique_ptr<Generation> g = std::move(generation_);
    set_controls_enabled(true);
    if (g->error.empty() && g->result == GenerationResult::Cancelled) {
        // As if Generate had not been pressed: the galaxy, its drawing and the fields as they were.
        write_settings(g->fields_before);
        Edit_CName->setText(g->name_before);
        map_->show_links_only(false);
        setWindowTitle(kStartCaption);
        emit generation_finished();
        return;
    }
    last_command_ = LastCommand{g->sender, g->fields_before, g->seed};
    write_settings(g->settings);
    if (!g->campaign_name.empty() || g->error.empty())
        Edit_CName->setText(QString::fromUtf8(cp1252_to_utf8(g->campaign_name)));
    map_->show_links_only(false);
    if (!g->error.empty()) {
        galaxy_.planets.clear();
        map_->set_planets({});
        setWindowTitle("CALCULATING!");
        show_error(message_text(g->error));
    } else {
        galaxy_ = std::move(g->galaxy);
        try {
            map_->set_background(load_background(galaxy_.background_path));
            map_->set_planets(galaxy_.planets);
        } catch (const Error& e) {
            map_->set_planets({});
            show_error(message_text(e.what()));
        }
    }
    emit generation_finished();
}

QString TForm1::seed_text() const
{
    return last_command_ ? QString::number(last_command_->seed) : QString();
}

QString TForm1::command_line() const
{
    if (!last_command_)
        return QString();
    const GalaxySettings& f = last_command_->fields;
    const QString numbers =
        QString::fromStdString(f.planet_count + "," + f.wormhole_count + "," + f.join1_pct + "," +
                               f.join2_pct + "," + f.join3_pct);
    QString line = QString("orvek-galaxy --game-dir \"%1\" --seed %2")
                       .arg(QString::fromLocal8Bit(folder_.game_dir()))
                       .arg(last_command_->seed);
    if (last_command_->sender == GenerateButton::GenerateCustom)
        return line + " --custom " + numbers;
    return line + " --size " + option_word(kSizeNames, f.size_class) + " --gates " +
           option_word(kGateNames, f.gate_style) + " --fields " + numbers;
}

void TForm1::show_map_menu(const QPoint& at)
{
    QMenu menu(this);
    QAction* seed = menu.addAction("Copy seed");
    QAction* line = menu.addAction("Copy command line");
    seed->setEnabled(last_command_.has_value());
    line->setEnabled(last_command_.has_value());
    connect(seed, &QAction::triggered, this,
            [this] { QGuiApplication::clipboard()->setText(seed_text()); });
    connect(line, &QAction::triggered, this,
            [this] { QGuiApplication::clipboard()->setText(command_line()); });
    menu.exec(map_->mapToGlobal(at));
}

void TForm1::LMDButton2Click()
{
    if (busy())
        return;
    struct Dialog : SaveDialog {
        TForm1* form;
        void inform(const std::string& message) override
        {
            form->show_information(QString::fromStdString(message));
        }
        bool confirm(const std::string& question) override
        {
            return form->ask(QString::fromStdString(question));
        }
    } dialog;
    dialog.form = this;
    SaveRequest request;
    request.campaign_name = utf8_to_cp1252(Edit_CName->text().toStdString());
    for (std::size_t k = 0; k < 7; ++k)
        request.levels.inhibition_lists[k] = level_of(inhibition_lists[k]);
    request.levels.shipyard = level_of(Combo_Shipyard);
    request.levels.academy = level_of(Combo_Academy);
    request.levels.factory = level_of(Combo_Factory);
    request.levels.repair_yard = level_of(Combo_RepairYard);
    request.options.write_inhibitions = CB_Inhibitions->isChecked();
    request.options.write_facilities = CB_Facility->isChecked();
    try {
        if (orvek::LMDButton2Click(galaxy_, request, folder_, random_, dialog) != SaveResult::Saved)
            return;
        map_->set_planets(galaxy_.planets);  // the tooltips now tell the features
        map_->show_notice(
            QString("Saved campaign \"%1\" (%2): %3 encounter files and the map file")
                .arg(Edit_CName->text(), QString::fromStdString(campaign_id(request.campaign_name)))
                .arg(galaxy_.planets.size()),
            4000);
    } catch (const Error& e) {
        show_error(message_text(e.what()));
    }
}

void TForm1::LMDButton5Click()
{
    if (busy())
        return;
    try {
        std::string path = galaxy_.background_path;
        Get_Background(list_backgrounds(folder_), random_, path);
        QImage picture = load_background(path);
        galaxy_.background_path = path;  // the next Save names the new picture
        map_->set_background(picture);
    } catch (const Error& e) {
        show_error(message_text(e.what()));
    }
}

void TForm1::closeEvent(QCloseEvent* event)
{
    if (generation_)
        generation_->progress.cancel = true;
    if (worker_.joinable())
        worker_.join();
    event->accept();
}

void TForm1::show_error(const QString& message)
{
    const QString text = QString::fromStdString(with_full_stop(message.toStdString()));
    if (hooks_.message)
        return hooks_.message(kApplicationTitle, text);
    QMessageBox::critical(this, kApplicationTitle, text);
}

void TForm1::show_information(const QString& message)
{
    if (hooks_.message)
        return hooks_.message("Information", message);
    QMessageBox::information(this, "Information", message);
}

bool TForm1::ask(const QString& question)
{
    if (hooks_.confirm)
        return hooks_.confirm(question);
    QMessageBox box(QMessageBox::Question, "Confirm", question, QMessageBox::Yes | QMessageBox::No,
                    this);
    box.setDefaultButton(QMessageBox::Yes);
    box.setEscapeButton(QMessageBox::No);
    return box.exec() == QMessageBox::Yes;
}

std::unique_ptr<TForm1> start_up(const GameFolder& folder, std::uint32_t seed,
                                 const std::function<void(const QString&)>& refuse)
{
    if (!folder.has_game_executable()) {
        refuse(kNotInGameFolder);
        return nullptr;
    }
    // A Save that a killed or crashed process left unfinished is completed first; what cannot
    // be is said once, here and on standard error, and the window opens all the same.
    if (const std::string report = recover_interrupted_save(folder); !report.empty()) {
        std::fprintf(stderr, "%s\n", report.c_str());
        refuse(QString::fromLocal8Bit(report));
    }
    return std::make_unique<TForm1>(folder, seed);
}

}  // namespace orvek
