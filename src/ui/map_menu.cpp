// SPDX-License-Identifier: GPL-3.0-or-later
// The map's context menu: the seed of the galaxy shown and the orvek-galaxy command line that
// makes the same galaxy, copied to the clipboard; Open and Check; Generate 12 and the history of
// galaxies shown; the game folder chooser and the planet panel; and the window's keys, which
// mostly stand for entries of that menu.

#include "ui/map_badges.h"
#include "core/cp1252.h"
#include "core/generate_command.h"
#include "gamedata/game_finder.h"
#include "ui/about.h"
#include "ui/candidates.h"
#include "ui/controls.h"
#include "ui/game_folder_dialog.h"
#include "ui/main_window.h"
#include "ui/settings_column.h"
#include "ui/map_widget.h"
#include "ui/recovery_keeper.h"

#include <QActionGroup>
#include <QClipboard>
#include <QDir>
#include <QGuiApplication>
#include <QLineEdit>
#include <QMenu>
#include <QShortcut>

namespace orvek {

QString MainWindow::seed_text() const
{
    const auto& command = document_->command();
    return command ? QString::number(command->seed) : QString();
}

QString MainWindow::command_line() const
{
    const auto& command = document_->command();
    if (!command)
        return QString();
    const GalaxySettings& f = command->fields;
    const QString numbers =
        QString::fromStdString(f.planet_count + "," + f.wormhole_count + "," + f.join1_pct + "," +
                               f.join2_pct + "," + f.join3_pct);
    QString line = QString("orvek-galaxy --game-dir \"%1\" --seed %2")
                       .arg(QString::fromLocal8Bit(folder_.game_dir()))
                       .arg(command->seed);
    if (f.shape != GalaxyShape{})
        line += " --shape " + QString::fromStdString(shape_text(f.shape));
    if (f.clear_gates)
        line += " --clear-gates";
    if (command->kind == GenerateKind::Custom)
        return line + " --custom " + numbers;
    return line + " --size " + option_word(kSizeNames, f.size_class) + " --gates " +
           option_word(kGateNames, f.gate_style) + " --fields " + numbers;
}

// The keys of the menu's entries, wherever the focus is.
void MainWindow::set_up_shortcuts()
{
    connect(new QShortcut(QKeySequence("Ctrl+O"), this), &QShortcut::activated, this,
            &MainWindow::on_open_campaign);
    connect(new QShortcut(QKeySequence("Ctrl+K"), this), &QShortcut::activated, this,
            &MainWindow::on_check_campaign);
    connect(new QShortcut(QKeySequence("Ctrl+G"), this), &QShortcut::activated, this,
            &MainWindow::on_generate_candidates);
    connect(new QShortcut(QKeySequence("Alt+Left"), this), &QShortcut::activated, this,
            [this] { go_through_history(false); });
    connect(new QShortcut(QKeySequence("Alt+Right"), this), &QShortcut::activated, this,
            [this] { go_through_history(true); });
    connect(new QShortcut(QKeySequence(Qt::Key_F1), this), &QShortcut::activated, this,
            [this] { show_about(this); });
}

void MainWindow::show_map_menu(const QPoint& at)
{
    QMenu menu(this);
    QAction* seed = menu.addAction("Copy seed");
    QAction* line = menu.addAction("Copy command line");
    seed->setEnabled(document_->command().has_value());
    line->setEnabled(document_->command().has_value());
    connect(seed, &QAction::triggered, this,
            [this] { QGuiApplication::clipboard()->setText(seed_text()); });
    connect(line, &QAction::triggered, this,
            [this] { QGuiApplication::clipboard()->setText(command_line()); });
    menu.addSeparator();
    QAction* open = menu.addAction("Open campaign…\tCtrl+O");
    QAction* check = menu.addAction("Check campaign…\tCtrl+K");
    open->setEnabled(!busy());
    check->setEnabled(document_->opened() || !document_->saved_id().empty());
    connect(open, &QAction::triggered, this, &MainWindow::on_open_campaign);
    connect(check, &QAction::triggered, this, &MainWindow::on_check_campaign);
    QAction* export_action = menu.addAction("Export campaign…");
    export_action->setEnabled(!busy() && !exportable_campaign().empty());
    connect(export_action, &QAction::triggered, this, &MainWindow::on_export_campaign);
    QAction* import_action = menu.addAction("Import campaign…");
    import_action->setEnabled(!busy());
    connect(import_action, &QAction::triggered, this, &MainWindow::on_import_campaign);
    menu.addSeparator();
    QAction* twelve = menu.addAction("Generate 12…\tCtrl+G");
    twelve->setEnabled(!busy());
    connect(twelve, &QAction::triggered, this, &MainWindow::on_generate_candidates);
    QAction* back = menu.addAction("Back to the galaxy before\tAlt+Left");
    QAction* forward = menu.addAction("Forward to the galaxy after\tAlt+Right");
    back->setEnabled(!busy() && document_->can_go_back());
    forward->setEnabled(!busy() && document_->can_go_forward());
    connect(back, &QAction::triggered, this, [this] { go_through_history(false); });
    connect(forward, &QAction::triggered, this, [this] { go_through_history(true); });
    menu.addSeparator();
    QAction* folder = menu.addAction("Game folder…");
    folder->setEnabled(!busy());
    connect(folder, &QAction::triggered, this, &MainWindow::on_game_folder);
    QAction* cuts = menu.addAction("Mark chokepoints and bridges");
    cuts->setCheckable(true);
    cuts->setChecked(map_->cuts_marked());
    connect(cuts, &QAction::toggled, map_, &MapWidget::mark_cuts);
    // The jumpgates drawn through a planet rerouted through it, as an edit Ctrl+Z takes back.
    QAction* tidy = menu.addAction("Tidy jumpgates");
    tidy->setEnabled(!busy() && !document_->planets().empty());
    connect(tidy, &QAction::triggered, this, [this] { edit(tidy_gates); });
    // Which planets carry which effect or facility, as badges by their markers.
    QMenu* features = menu.addMenu("Show features");
    features->setObjectName("ShowFeaturesMenu");
    auto* exclusive = new QActionGroup(features);
    for (const FeatureFilterChoice& choice : feature_filters()) {
        QAction* action = features->addAction(choice.words);
        action->setCheckable(true);
        action->setChecked(map_->features_shown() == choice.filter);
        exclusive->addAction(action);
        connect(action, &QAction::triggered, map_,
                [this, filter = choice.filter] { map_->show_features(filter); });
    }
    QAction* panel = menu.addAction("Planet panel");
    panel->setCheckable(true);
    panel->setChecked(panel_shown_);
    connect(panel, &QAction::toggled, this, &MainWindow::show_panel);
    menu.addSeparator();
    connect(menu.addAction("About…\tF1"), &QAction::triggered, this,
            [this] { show_about(this); });
    menu.exec(map_->mapToGlobal(at));
}

void MainWindow::on_game_folder()
{
    if (busy())
        return;
    std::vector<std::string> first;
    for (const QString& folder : recent_folders_)
        first.push_back(folder.toLocal8Bit().toStdString());
    QStringList found;
    for (const std::string& folder :
         find_game_folders(first, steam_folders(QDir::homePath().toLocal8Bit().toStdString())))
        found << QString::fromLocal8Bit(folder);
    const QString chosen =
        hooks_.game_folder ? hooks_.game_folder(found) : choose_game_folder(found, this);
    if (chosen.isEmpty() || !may_replace_galaxy())
        return;
    // The player has left this galaxy as closing the window leaves it: nothing to recover.
    if (recovery_)
        recovery_->forget();
    emit game_folder_chosen(chosen);
}

void MainWindow::go_through_history(bool forward)
{
    if (busy() || !(forward ? document_->can_go_forward() : document_->can_go_back()))
        return;
    // The galaxy left stays in the history, but its unsaved edits are asked about as Generate
    // asks: a galaxy left behind is not saved when the window closes.
    if (!may_replace_galaxy())
        return;
    forward ? document_->go_forward() : document_->go_back();
}

void MainWindow::on_generate_candidates()
{
    if (busy())
        return;
    CandidatesDialog dialog(folder_, GenerateKind::WithPresets, column_->settings(),
                            commands_.random().state(), this);
    if (dialog.exec() != QDialog::Accepted || !dialog.chosen() || !may_replace_galaxy())
        return;
    // As if Generate had run with the random source at the candidate's seed.
    const Candidate& c = *dialog.chosen();
    const GalaxySettings fields = column_->settings();
    column_->show_settings(c.settings);
    column_->show_campaign_name(QString::fromUtf8(cp1252_to_utf8(c.name)));
    commands_.random().set_state(c.state_after);
    setWindowTitle(QString::fromUtf8(kReady));
    document_->replace_with_generated(c.galaxy, {GenerateKind::WithPresets, fields, c.seed},
                                      column_->campaign_name().toStdString());
}

}  // namespace orvek
