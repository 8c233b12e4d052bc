// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/main_window.h"

#include "core/error.h"
#include "core/generate_command.h"
#include "campaign/campaign_transaction.h"
#include "campaign/save.h"
#include "core/cp1252.h"
#include "gamedata/game_services.h"
#include "gamedata/names.h"
#include "campaign/campaign_reader.h"
#include "ui/campaign_dialogs.h"
#include "ui/controls.h"
#include "ui/map_render.h"
#include "ui/map_widget.h"
#include "ui/message_box.h"
#include "ui/planet_panel.h"
#include "ui/recovery_keeper.h"
#include "ui/settings_column.h"
#include "ui/window_save.h"

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
#include <QScreen>
#include <QScrollArea>
#include <QShortcut>
#include <QTimer>
#include <QUndoStack>

#include <cstdio>

namespace orvek {

struct MainWindow::Generation {
    GenerateKind kind;
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

MainWindow::MainWindow(GameFolder folder, std::uint32_t seed, QWidget* parent)
    : QWidget(parent), folder_(std::move(folder)), commands_(seed),
      document_(new GalaxyDocument(folder_, this))
{
    setObjectName("MainWindow");
    setWindowTitle(kStartCaption);
    setAcceptDrops(true);  // a campaign's zip dropped on the window is imported
    setMinimumSize(kMinimumMap + kColumnSpan, 400);
    // Centred on the screen: a window asked to stand at (0, 0) hides its title bar under some
    // desktops' panels.
    const QRect available = screen()->availableGeometry();
    resize(opening_size(available));
    move(available.center() - QPoint(width() / 2, height() / 2));
    load_stand_in_fonts();
    QFont font("Tahoma");
    font.setPixelSize(11);
    setFont(font);
    build_controls();

    // Escape cancels a running generation, or a Save's wait for another one, wherever the
    // focus is; the other keys are the map menu's.
    auto* escape = new QShortcut(QKeySequence(Qt::Key_Escape), this);
    connect(escape, &QShortcut::activated, this, [this] {
        if (generation_)
            generation_->progress.cancel = true;
        if (saving_)
            saving_->cancel = true;
    });
    set_up_shortcuts();

    // The planet panel is shown where the screen has room for it beside the whole map; the
    // window widens by it, centred again.
    show_panel(available.width() - width() - 16 >= PlanetPanel::kWidth);
    move(available.center() - QPoint(width() / 2, height() / 2));

    progress_timer_ = new QTimer(this);
    progress_timer_->setInterval(100);
    connect(progress_timer_, &QTimer::timeout, this, &MainWindow::show_progress);
}

// The map on the left, the settings column on the right, between them two gradient strips.
void MainWindow::build_controls()
{
    map_ = new MapWidget(this);
    panel_ = new PlanetPanel(this);
    map_->set_background(startup_picture());
    strip_before_ = new GradientStrip(Qt::black, kTeal, 32, Qt::Horizontal, this);
    strip_after_ = new GradientStrip(kTeal, Qt::black, 32, Qt::Horizontal, this);
    // The column scrolls where the screen is too low for its open sections; its scroll bar
    // stands on the gradient strip beside it.
    column_scroll_ = new QScrollArea(this);
    column_scroll_->setObjectName("ColumnScroll");
    column_scroll_->setFrameShape(QFrame::NoFrame);
    column_scroll_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    column_scroll_->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    column_scroll_->viewport()->setAutoFillBackground(false);
    // The window's font from the start.
    column_ = new SettingsColumn(campaign_id_limit_for_templates(), column_scroll_);
    column_scroll_->setWidget(column_);
    connect_handlers();
}

QSize MainWindow::opening_size(const QRect& available)
{
    // What the window's frame (title bar, borders) takes, about, on the systems players use.
    constexpr int kFrameWidth = 16, kFrameHeight = 40;
    const int side = std::clamp(
        std::min(available.height() - kFrameHeight, available.width() - kFrameWidth - kColumnSpan),
        kMinimumMap, kMapPixels);
    return QSize(side + kColumnSpan, side);
}

// The settings column keeps its width at the right edge; the map takes the rest, drawn in the
// largest square it holds.
void MainWindow::resizeEvent(QResizeEvent*)
{
    const int panel = panel_shown_ ? PlanetPanel::kWidth : 0;
    const int map_width = std::max(0, width() - kColumnSpan - panel);
    map_->setGeometry(0, 0, map_width, height());
    panel_->setGeometry(map_width, 0, panel, height());
    panel_->setVisible(panel_shown_);
    const int column = map_width + panel;
    strip_before_->setGeometry(column, 0, 20, height());
    column_scroll_->setGeometry(column + 20, 0, kColumnWidth + 20, height());
    strip_after_->setGeometry(column + 20 + kColumnWidth, 0, 20, height());
    column_->fit_height(column_scroll_->height());
}

MainWindow::~MainWindow()
{
    // The copy taken last is written before the document it came from goes.
    delete recovery_;
    // The document and its stack say they are clean as they go, after the map they would tell
    // has gone.
    document_->disconnect();
    document_->undo_stack()->disconnect();
    // The Save gives up waiting (one writing ends first), a Generate is cancelled, and the
    // threads end before the window goes.
    commands_.stop_all();
}

void MainWindow::connect_handlers()
{
    connect(column_, &SettingsColumn::generate_clicked, this, &MainWindow::on_generate_clicked);
    connect(column_, &SettingsColumn::save_clicked, this, &MainWindow::on_save_clicked);
    connect(column_, &SettingsColumn::new_background_clicked, this,
            &MainWindow::on_new_background_clicked);
    // What the player types stays with the galaxy shown, for going back to it.
    connect(column_, &SettingsColumn::campaign_name_edited, this,
            [this](const QString& text) { document_->set_campaign_name(text.toStdString()); });
    set_up_editing();
    set_up_panel();
}

// The Generate command's services as the window sees them: the caption follows the command's
// status, and its numbers and campaign name show as soon as they are drawn, all on the
// user-interface thread.
struct MainWindow::Services : GameFolderServices, StatusSink {
    Services(const GameFolder& folder, MainWindow* form) : GameFolderServices(folder), form_(form)
    {}

    void show_status(std::string_view text) override
    {
        QMetaObject::invokeMethod(
            form_, [form = form_, caption = text_of(text)] { form->setWindowTitle(caption); },
            Qt::QueuedConnection);
    }

    std::string draw_campaign_name(const GalaxySettings& settings, Random& random) override
    {
        std::string name = GameFolderServices::draw_campaign_name(settings, random);
        QMetaObject::invokeMethod(
            form_, [form = form_, settings, name] { form->show_command_fields(settings, name); },
            Qt::QueuedConnection);
        return name;
    }

private:
    MainWindow* form_;
};

void MainWindow::on_generate_clicked(bool custom)
{
    if (busy() || !may_replace_galaxy())
        return;
    auto g = std::make_unique<Generation>();
    g->kind = custom ? GenerateKind::Custom : GenerateKind::WithPresets;
    g->fields_before = g->settings = column_->settings();
    g->name_before = column_->campaign_name();
    g->seed = commands_.random().state();
    // The clamp comes first and stops the command before anything changes when a field is bad.
    try {
        set_aside_preset_fields(g->kind, g->settings);
        clamp_settings(g->settings);
    } catch (const Error& e) {
        column_->show_settings(g->settings);
        show_error(e.what());
        return;
    }
    map_->show_links_only(true);
    set_controls_enabled(false);
    generation_ = std::move(g);
    generation_->clock.start();
    progress_timer_->start();
    Generation* running = generation_.get();
    commands_.start(
        CommandRunner::kGenerate, [this, running] { run_generation(*running); },
        [running] { running->progress.cancel = true; });
}

// On the worker thread: the command itself, then the window is told on its own thread.
void MainWindow::run_generation(Generation& g)
{
    Services services_of_window(folder_, this);
    GenerationServices services{services_of_window, services_of_window, services_of_window,
                                services_of_window};
    try {
        g.result = orvek::run_generate_command(g.kind, g.settings, g.galaxy, g.campaign_name,
                                               services, commands_.random(), &g.progress);
    } catch (const std::exception& e) {
        g.error = e.what();
    }
    QMetaObject::invokeMethod(
        this, [this] { finish_generation(); }, Qt::QueuedConnection);
}

void MainWindow::show_command_fields(const GalaxySettings& settings,
                                     const std::string& campaign_name)
{
    column_->show_settings(settings);
    column_->show_campaign_name(QString::fromUtf8(cp1252_to_utf8(campaign_name)));
}

void MainWindow::show_progress()
{
    if (!generation_ || generation_->clock.elapsed() < 400)
        return;
    const std::uint64_t attempts = generation_->progress.attempts.load();
    QString text =
        QString("%1 %2 attempts so far. Press Escape to cancel.").arg(kCalculating).arg(attempts);
    const qint64 elapsed = generation_->clock.elapsed();
    if (elapsed >= 5000)
        text += QString("\n%1 attempts per second. %2")
                    .arg(static_cast<qint64>(static_cast<double>(attempts) * 1000.0 /
                                             static_cast<double>(elapsed)))
                    .arg(kRareSettingsHint);
    map_->set_progress(text);
}

void MainWindow::finish_generation()
{
    commands_.join(CommandRunner::kGenerate);
    progress_timer_->stop();
    map_->set_progress(QString());
    std::unique_ptr<Generation> g = std::move(generation_);
    set_controls_enabled(true);
    if (g->error.empty() && g->result == GenerationResult::Cancelled) {
        // As if Generate had not been pressed: the galaxy, its drawing and the fields as they were.
        column_->show_settings(g->fields_before);
        column_->show_campaign_name(g->name_before);
        map_->show_links_only(false);
        setWindowTitle(kStartCaption);
        emit generation_finished();
        return;
    }
    column_->show_settings(g->settings);
    map_->show_links_only(false);
    if (!g->error.empty()) {
        // As Escape does: the galaxy, its drawing, its name and its seed stay, and the caption
        // returns.
        column_->show_campaign_name(g->name_before);
        setWindowTitle(kStartCaption);
        show_error(message_text(g->error));
    } else {
        column_->show_campaign_name(QString::fromUtf8(cp1252_to_utf8(g->campaign_name)));
        document_->replace_with_generated(std::move(g->galaxy),
                                          {g->kind, g->fields_before, g->seed},
                                          column_->campaign_name().toStdString());
    }
    emit generation_finished();
}

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

// While a command runs, the column, the map and the undo keys take no input.
void MainWindow::set_controls_enabled(bool enabled)
{
    column_->set_enabled(enabled);
    map_->set_editable(enabled);
    set_undo_enabled(enabled);
}

void MainWindow::on_new_background_clicked()
{
    if (busy())
        return;
    try {
        std::string path = document_->galaxy().background_path;
        draw_background(list_backgrounds(folder_), commands_.random(), path);
        background_shown_ = load_background(path);  // one that cannot be read changes nothing
        document_->set_background(path);            // the next Save names the new picture
        background_shown_ = QImage();               // the same picture as before: nothing shown
    } catch (const Error& e) {
        show_error(message_text(e.what()));
    }
}

void MainWindow::closeEvent(QCloseEvent* event)
{
    if (!may_close())
        return event->ignore();
    commands_.stop_all();
    // Saved or discarded: nothing is left to recover.
    if (recovery_)
        recovery_->forget();
    event->accept();
}

void MainWindow::show_error(const QString& message)
{
    const QString text = QString::fromStdString(with_full_stop(message.toStdString()));
    if (hooks_.message)
        return hooks_.message(kApplicationTitle, elide_long_paths(text));
    show_message(this, QMessageBox::Critical, kApplicationTitle, text);
}

void MainWindow::show_information(const QString& message)
{
    if (hooks_.message)
        return hooks_.message("Information", elide_long_paths(message));
    show_message(this, QMessageBox::Information, "Information", message);
}

bool MainWindow::ask(const QString& question)
{
    if (hooks_.confirm)
        return hooks_.confirm(question);
    QMessageBox box(QMessageBox::Question, "Confirm", question, QMessageBox::Yes | QMessageBox::No,
                    this);
    box.setDefaultButton(QMessageBox::Yes);
    box.setEscapeButton(QMessageBox::No);
    return box.exec() == QMessageBox::Yes;
}

std::unique_ptr<MainWindow> start_up(const GameFolder& folder, std::uint32_t seed,
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
    return std::make_unique<MainWindow>(folder, seed);
}

}  // namespace orvek
