// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The main window: the view and controls of a galaxy document (the map on the left, the settings
// column on the right), and the commands it runs off the user-interface thread (the threads and
// the random source are its CommandRunner's; the column is a SettingsColumn).
//
// Which file holds what:
//   main_window.cpp       building the window, Generate, New Background, messages, start-up
//   galaxy_editing.cpp    the map's edit requests, the planet and link menus, closing
//   window_campaigns.cpp  Open, Check and the problem line
//   window_save.cpp       Save: its questions on this thread, its writing on its own
//   map_menu.cpp          the map's own menu: seed, command line, history, game folder
//   window_panel.cpp      the planet panel beside the map: shown, hidden, its edits
//   window_recovery.cpp   the recovery copy of unsaved work, and its offer at start-up

#include "core/random.h"
#include "core/settings.h"
#include "campaign/save.h"
#include "gamedata/game_folder.h"
#include "ui/command_runner.h"
#include "ui/galaxy_document.h"
#include "ui/window_texts.h"

#include <QImage>
#include <QStringList>
#include <QWidget>

#include <functional>
#include <memory>
#include <optional>

class QAction;
class QScrollArea;
class QTimer;
class QUndoStack;

namespace orvek {

class FindingsDialog;
struct CampaignEntry;
class MapWidget;
class PlanetPanel;
class RecoveryKeeper;
class SettingsColumn;

class MainWindow : public QWidget {
    Q_OBJECT
public:
    // The window for a game folder, the random source seeded with `seed`. The caller has checked
    // that the folder holds "Orvek.exe".
    MainWindow(GameFolder folder, std::uint32_t seed, QWidget* parent = nullptr);
    ~MainWindow() override;

    // Where messages go instead of modal boxes (for tests): every box calls `message` with its
    // title and text; the overwrite question calls `confirm`.
    enum class CloseAnswer { Save, Discard, Cancel };
    struct Hooks {
        std::function<void(const QString& title, const QString& text)> message;
        std::function<bool(const QString& question)> confirm;
        // The question before a window with unsaved edits closes.
        std::function<CloseAnswer(const QString& question)> close;
        // The question before a Save that would write problems: the button's text chosen.
        std::function<QString(const QString& question)> problems;
        // The game folder chooser: the folder chosen among `found`, or empty for Cancel.
        std::function<QString(const QStringList& found)> game_folder;
        // The template chosen among `unused` for a planet whose file was not read, or empty.
        std::function<QString(const QStringList& unused)> template_choice;
        // A question answered by one of `buttons` (the last is the answer of Escape).
        std::function<QString(const QString& question, const QStringList& buttons)> choose;
        // A name asked for (an import whose campaign id is taken), `suggested` at first; empty
        // for Cancel.
        std::function<QString(const QString& question, const QString& suggested)> text;
        // The archive file chosen to export to (`suggested` its name) or import from; empty
        // for Cancel.
        std::function<QString(const QString& suggested)> archive_file;
    };
    void set_hooks(Hooks hooks) { hooks_ = std::move(hooks); }

    // The window's size on a screen whose available area is `available`: 979 x 750 where that
    // fits with the window's frame; else smaller, the map drawn smaller beside the same column.
    static QSize opening_size(const QRect& available);

    // A Generate or a Save is running.
    bool busy() const
    {
        return commands_.running(CommandRunner::kGenerate) ||
               commands_.running(CommandRunner::kSave);
    }
    Random& random() { return commands_.random(); }
    const GalaxyDocument& document() const { return *document_; }
    MapWidget* map() const { return map_; }

    // The random source's state when the Generate of the galaxy shown began, and the
    // orvek-galaxy command that makes the same galaxy and campaign name (the list choices or the
    // custom numbers as the fields held them); empty for an opened campaign or before the first
    // Generate. The map's context menu copies them.
    QString seed_text() const;
    QString command_line() const;

    // Shows the saved campaign `id` of the game folder over its own picture, with its name in the
    // name field and its check's findings at hand (a line on the map tells how many problems).
    // A campaign that cannot be read at all is an error message; the galaxy stays as it was.
    void open_campaign(const std::string& id);

    // Writes the saved campaign shown (opened, or the galaxy shown as saved) as a zip archive
    // at `path`, with its manifest and preview; says whether it could.
    void export_to(const QString& path);
    // Reads the archive at `path` and, after the player saw what it holds and agreed, imports it
    // (under another name the player gives when its id is taken) and opens it. A refused archive
    // is an error message, and nothing is written.
    void import_from(const QString& path);

    // The planet panel beside the map (the map's menu shows and hides it; the choice is
    // remembered).
    PlanetPanel* planet_panel() const { return panel_; }
    bool panel_shown() const { return panel_shown_; }
    void show_panel(bool shown);

    // Ctrl+G and the map's menu: twelve galaxies of the settings side by side, from the random
    // source's seed on; the one chosen replaces the galaxy shown as its Generate would.
    void on_generate_candidates();

    // Alt+Left and Alt+Right, and the map's menu: the galaxy shown before or after this one, as
    // it was left (after the question about unsaved edits).
    void go_through_history(bool forward);

    // The recovery copies of unsaved work go into `folder` (recovery_folder() at start-up; empty
    // keeps none), in place of any folder before.
    void set_up_recovery(std::string folder);
    // At start-up: the newest work a window on this game folder left unsaved (a crash, a kill,
    // a power cut) is offered back: "Restore" shows it unsaved with its source, "Discard" deletes
    // its copy, "Decide later" leaves it for the next start. Copies that cannot be read are named
    // on the map and left as they are.
    void offer_recovered_work();
    RecoveryKeeper* recovery() const { return recovery_; }

    // The game folders used before, the last first: the chooser lists them.
    void set_recent_folders(QStringList folders) { recent_folders_ = std::move(folders); }

signals:
    // The player chose another game folder: the program opens a window on it instead.
    void game_folder_chosen(const QString& folder);
    // A Generate command has ended (completed, cancelled or failed).
    void generation_finished();
    // A Save has ended (saved, refused, cancelled or failed).
    void save_finished();
    // The planet panel was shown or hidden (the program remembers it).
    void panel_shown_changed(bool shown);

public slots:
    // Ctrl+O and the map's menu: the list of saved campaigns to open one from.
    void on_open_campaign();
    void on_export_campaign();
    void ask_where_to_export(const std::string& id);
    void export_campaign(const std::string& id, const QString& path);
    void on_import_campaign();
    std::string exportable_campaign() const;
    bool confirm_import(const QString& question, const std::string& preview);
    QString ask_for_name(const QString& question, const QString& suggested);
    // Ctrl+K and the map's menu: the findings of the campaign shown.
    void on_check_campaign();
    // The map's menu: the game folders found and recent ones, or another by a folder dialog;
    // once the player agrees to leave the galaxy, game_folder_chosen tells which.
    void on_game_folder();
    void on_generate_clicked(bool custom);
    void on_save_clicked();
    void on_new_background_clicked();

protected:
    void closeEvent(QCloseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    void set_up_shortcuts();
    void build_controls();
    void connect_handlers();
    struct Generation;
    struct Services;
    void run_generation(Generation& generation);
    void finish_generation();
    void show_map_menu(const QPoint& at);
    void set_up_editing();
    void set_up_panel();
    void show_panel_planets();
    void show_document();
    void show_background();
    std::size_t campaign_id_limit_for_templates() const;
    // Makes an edit from the galaxy and pushes it on the document's undo stack, which applies
    // it; a refused one is said in a message.
    void edit(const std::function<EditPointer(const std::vector<Planet>&)>& make);
    void nudge(const std::vector<int>& group, int dx, int dy);
    void delete_selection(std::vector<int> group);
    void show_planet_menu(int planet, const QPoint& at);
    void show_link_menu(int planet, int other, const QPoint& at);
    CloseAnswer ask_before_closing();
    // Whether the window may close: without unsaved edits, or once the player has saved them
    // or chosen to discard them.
    bool may_close();
    // The same question before Generate or Open put another galaxy in place of the edited one.
    bool may_replace_galaxy();
    std::vector<std::array<bool, kFeatureCount>> written_features(const std::string& id) const;
    struct Saving;
    SaveRequest save_request(const std::string& campaign_name);
    bool name_may_be_saved(const std::string& typed);
    void run_save(Saving& saving);
    void finish_save();
    void set_undo_enabled(bool enabled);
    // The findings of the opened campaign as a Save would write it now, after every edit and
    // Save, and the map's line that counts its problems.
    void refresh_findings();
    void give_template_to(const Finding& finding);
    void show_problem_line();
    // Asks whether to save a campaign with these problems ("Check campaign" lists them instead).
    bool ask_about_problems(const std::vector<Finding>& problems);
    void show_findings_dialog(const QString& id, const std::vector<Finding>& findings);
    void show_campaign_list(const std::vector<CampaignEntry>& campaigns, const std::string& error);
    void show_command_fields(const GalaxySettings& settings, const std::string& campaign_name);
    void show_progress();
    void set_controls_enabled(bool enabled);
    void show_error(const QString& message);
    void show_information(const QString& message);
    bool ask(const QString& question);
    QString choose(const QString& question, const QStringList& buttons);
    void offer(const std::string& file, UnsavedWork work);

    GameFolder folder_;
    // The random source and the threads of the commands running; ended before the window goes.
    CommandRunner commands_;
    Hooks hooks_;
    GalaxyDocument* document_ = nullptr;
    RecoveryKeeper* recovery_ = nullptr;
    std::string recovery_folder_;
    QAction *undo_action_ = nullptr, *redo_action_ = nullptr;
    FindingsDialog* findings_dialog_ = nullptr;
    QImage background_shown_;
    QStringList recent_folders_;  // the picture New Background has just loaded, until it is shown

    // The running Generate command and the running Save, each off the user-interface thread
    // (the Save's questions and messages on it).
    std::unique_ptr<Generation> generation_;
    std::unique_ptr<Saving> saving_;
    QTimer* progress_timer_ = nullptr;

    MapWidget* map_ = nullptr;
    PlanetPanel* panel_ = nullptr;
    bool panel_shown_ = false;
    QScrollArea* column_scroll_ = nullptr;
    SettingsColumn* column_ = nullptr;
    QWidget *strip_before_ = nullptr, *strip_after_ = nullptr;  // the gradients around the column
};

// Start-up: the window for the game folder, or, when the folder holds no "Orvek.exe", nullptr
// after `refuse` has shown kNotInGameFolder (the program then ends without any window). An
// interrupted Save is finished before the window exists; what cannot be finished or trusted is
// shown through `refuse` (and on standard error), and the window opens all the same.
std::unique_ptr<MainWindow> start_up(const GameFolder& folder, std::uint32_t seed,
                                     const std::function<void(const QString&)>& refuse);

}  // namespace orvek
