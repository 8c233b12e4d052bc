// SPDX-License-Identifier: GPL-3.0-or-later
// The window's saved campaigns: the list to open one from (read off the user-interface thread),
// the campaign shown with its findings, and the problem line that follows every edit and Save.

#include "core/cp1252.h"
#include "core/error.h"
#include "campaign/campaign_reader.h"
#include "campaign/save.h"
#include "ui/campaign_dialogs.h"
#include "ui/controls.h"
#include "ui/main_window.h"
#include "ui/settings_column.h"
#include "ui/map_render.h"
#include "ui/map_widget.h"
#include "gamedata/game_folder.h"
#include "gamedata/game_services.h"

#include <QInputDialog>
#include <QLineEdit>

#include <algorithm>
#include <memory>

namespace orvek {

void MainWindow::open_campaign(const std::string& id)
{
    try {
        document_->open(id);
    } catch (const Error& e) {
        show_error(message_text(e.what()));
    }
}

// Another galaxy is shown: a generated one with its seed, or a saved campaign with its name and
// its problem line. Nothing selected or found before is about it.
void MainWindow::show_document()
{
    const Galaxy& galaxy = document_->galaxy();
    map_->select_planet(-1);
    map_->set_progress(QString());  // a Save's notice is about what was shown before
    // The name the galaxy had: an opened campaign's own at first, whatever was typed after.
    column_->show_campaign_name(QString::fromStdString(document_->campaign_name()));
    if (document_->opened()) {
        try {
            map_->set_background(load_background(galaxy.background_path));
        } catch (const Error&) {
            // A missing or broken picture is one of the check's problems; the map shows the
            // galaxy over the start-up picture meanwhile.
            map_->set_background(startup_picture());
        }
        map_->set_planets(galaxy.planets);
        map_->set_seed_text(QString());  // a saved campaign keeps no seed
        return show_problem_line();
    }
    map_->set_status(QString());
    if (findings_dialog_)
        findings_dialog_->hide();
    map_->set_seed_text("Seed " + seed_text());
    try {
        map_->set_background(load_background(galaxy.background_path));
        map_->set_planets(galaxy.planets);
    } catch (const Error& e) {
        map_->set_planets({});
        show_error(message_text(e.what()));
    }
}

void MainWindow::show_problem_line()
{
    const int problems = problem_count(document_->findings());
    QString line = problems == 0 ? QString()
                                 : QString("%1 %2: Ctrl+K lists them")
                                       .arg(problems)
                                       .arg(problems == 1 ? "problem" : "problems");
    // A planet whose file was not read has no place on the map: the line names it instead.
    QStringList unread;
    for (std::size_t i = 0; i < document_->planets().size(); ++i)
        if (document_->planets()[i].unread)
            unread << QString::number(i);
    if (!unread.isEmpty())
        line +=
            QString("%1Not on the map (file not read): planet%2 %3")
                .arg(line.isEmpty() ? "" : ". ", unread.size() == 1 ? "" : "s", unread.join(", "));
    map_->set_status(line);
    if (findings_dialog_ && findings_dialog_->isVisible())
        on_check_campaign();
}

// A planet whose file was not read gets a file made from a template the player chooses among
// those no planet uses, as an edit.
void MainWindow::give_template_to(const Finding& finding)
{
    QStringList unused;
    try {
        for (const std::string& path : list_templates(folder_)) {
            const std::string name = file_name_of(path);
            const auto& planets = document_->planets();
            if (std::none_of(planets.begin(), planets.end(),
                             [&](const Planet& p) { return p.template_file == name; }))
                unused << QString::fromStdString(cp1252_to_utf8(name));
        }
    } catch (const Error& e) {
        return show_error(message_text(e.what()));
    }
    if (unused.isEmpty())
        return show_information("Every encounter template of the game is in use already.");
    bool chosen = true;
    const QString name =
        hooks_.template_choice
            ? hooks_.template_choice(unused)
            : QInputDialog::getItem(this, "Give the planet a file",
                                    QString("The template that planet %1's new file is made "
                                            "from:")
                                        .arg(finding.planet),
                                    unused, 0, false, &chosen);
    if (!chosen || name.isEmpty())
        return;
    const std::string file = utf8_to_cp1252(name.toStdString());
    edit([&](const auto& g) {
        return give_template(g, finding.planet, file, new_planet_sources(folder_));
    });
}

void MainWindow::refresh_findings()
{
    if (busy())
        return;
    document_->refresh_findings(
        save_request(utf8_to_cp1252(column_->campaign_name().toStdString())), commands_.random());
}

// The saved campaigns are read and checked on a thread of their own, so that a game folder of
// many (or hostile) campaigns never freezes the window; the list opens when they are read.
void MainWindow::on_open_campaign()
{
    if (busy() || commands_.running(CommandRunner::kListing))
        return;
    map_->set_progress("Reading the saved campaigns\u2026");
    commands_.start(CommandRunner::kListing, [this] {
        auto listing = std::make_shared<std::pair<std::vector<CampaignEntry>, std::string>>();
        try {
            listing->first = saved_campaigns(folder_);
        } catch (const std::exception& e) {
            // Whatever went wrong (a listing that fails, memory running out) is told, and the
            // window stays.
            listing->second = e.what();
        }
        QMetaObject::invokeMethod(
            this, [this, listing] { show_campaign_list(listing->first, listing->second); },
            Qt::QueuedConnection);
    });
}

void MainWindow::show_campaign_list(const std::vector<CampaignEntry>& campaigns,
                                    const std::string& error)
{
    commands_.join(CommandRunner::kListing);
    map_->set_progress(QString());
    if (!error.empty())
        return show_error(message_text(error));
    OpenCampaignDialog dialog(campaigns, this);
    if (dialog.exec() != QDialog::Accepted || dialog.chosen().empty())
        return;
    if (dialog.exporting())
        return ask_where_to_export(dialog.chosen());
    if (may_replace_galaxy())
        open_campaign(dialog.chosen());
}

void MainWindow::on_check_campaign()
{
    if (const LoadedCampaign* opened = document_->opened())
        return show_findings_dialog(QString::fromStdString(opened->id), document_->findings());
    // A galaxy just saved: the check reads the files the Save wrote.
    if (const std::string& id = document_->saved_id(); !id.empty()) {
        try {
            return show_findings_dialog(QString::fromStdString(id),
                                        check_campaign(folder_, load_campaign(folder_, id)));
        } catch (const Error& e) {
            return show_error(message_text(e.what()));
        }
    }
    show_information("Open a saved campaign first (Ctrl+O): the check reads its files.");
}

void MainWindow::show_findings_dialog(const QString& id, const std::vector<Finding>& findings)
{
    if (!findings_dialog_) {
        findings_dialog_ = new FindingsDialog(this);
        connect(findings_dialog_, &FindingsDialog::planet_chosen, map_, &MapWidget::show_planet);
        connect(findings_dialog_, &FindingsDialog::fix_requested, this, [this](const Finding& f) {
            edit([f](const auto& g) {
                return f.fix == Finding::Fix::CutLink      ? cut_link(g, f.planet, f.other)
                       : f.fix == Finding::Fix::MendUnread ? delete_planet(g, f.planet)
                                                           : link_back(g, f.planet, f.other);
            });
        });
        connect(findings_dialog_, &FindingsDialog::template_requested, this,
                &MainWindow::give_template_to);
    }
    findings_dialog_->show_findings(id, findings, document_->planets());
    findings_dialog_->show();
    findings_dialog_->raise();
}

}  // namespace orvek
