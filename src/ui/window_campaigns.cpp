// The window's saved campaigns: the list to open one from (read off the user-interface thread),
// the campaign shown with its findings, and the problem line that follows every edit and Save.

#include "core/cp1252.h"
#include "core/error.h"
#include "campaign/campaign_reader.h"
#include "campaign/save.h"
#include "ui/campaign_dialogs.h"
#include "ui/controls.h"
#include "ui/main_window.h"
#include "ui/map_render.h"
#include "ui/map_widget.h"

#include <QLineEdit>

#include <memory>

namespace orvek {

void MainWindow::open_campaign(const std::string& id)
{
    try {
        LoadedCampaign campaign = load_campaign(folder_, id);
        if (const std::string none = no_planets_read(campaign); !none.empty())
            return show_error(message_text(none));
        findings_ = check_campaign(folder_, campaign);
        // Each planet keeps the entry it was read from, so that a Save writes its file again
        // from the file's own lines.
        galaxy_.planets = galaxy_planets(campaign);
        galaxy_.background_path = folder_.backgrounds_folder() + campaign.picture;
        campaign_name_field_->setText(QString::fromStdString(cp1252_to_utf8(campaign.name)));
        opened_ = std::move(campaign);
        last_command_.reset();
        forget_edits();
    } catch (const Error& e) {
        return show_error(message_text(e.what()));
    }
    try {
        map_->set_background(load_background(galaxy_.background_path));
    } catch (const Error&) {
        // A missing or broken picture is one of the check's problems; the map shows the
        // galaxy over the start-up picture meanwhile.
        map_->set_background(startup_picture());
    }
    map_->set_planets(galaxy_.planets);
    map_->select_planet(-1);
    map_->set_progress(QString());   // a Save's notice is about what was shown before
    map_->set_seed_text(QString());  // a saved campaign keeps no seed
    show_problem_line();
}

void MainWindow::show_problem_line()
{
    const int problems = problem_count(findings_);
    map_->set_status(problems == 0 ? QString()
                                   : QString("%1 %2: Ctrl+K lists them")
                                         .arg(problems)
                                         .arg(problems == 1 ? "problem" : "problems"));
    if (findings_dialog_ && findings_dialog_->isVisible())
        on_check_campaign();
}

void MainWindow::refresh_findings()
{
    if (!opened_ || busy())
        return;
    try {
        findings_ = preview_findings(
            galaxy_, save_request(utf8_to_cp1252(campaign_name_field_->text().toStdString())),
            folder_, random_);
    } catch (const Error&) {
        return;  // a template gone since: the Save will say so
    }
    show_problem_line();
}

// A new galaxy is no longer the saved campaign that was opened.
void MainWindow::forget_opened_campaign()
{
    opened_.reset();
    findings_.clear();
    map_->set_status(QString());
    map_->select_planet(-1);
    if (findings_dialog_)
        findings_dialog_->hide();
}

// The saved campaigns are read and checked on a thread of their own, so that a game folder of
// many (or hostile) campaigns never freezes the window; the list opens when they are read.
void MainWindow::on_open_campaign()
{
    if (busy() || listing_worker_.joinable())
        return;
    map_->set_progress("Reading the saved campaigns\u2026");
    listing_worker_ = std::thread([this] {
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
    if (listing_worker_.joinable())
        listing_worker_.join();
    map_->set_progress(QString());
    if (!error.empty())
        return show_error(message_text(error));
    OpenCampaignDialog dialog(campaigns, this);
    if (dialog.exec() == QDialog::Accepted && !dialog.chosen().empty())
        open_campaign(dialog.chosen());
}

void MainWindow::on_check_campaign()
{
    if (!opened_)
        return show_information("Open a saved campaign first (Ctrl+O): the check reads its files.");
    show_findings_dialog(QString::fromStdString(opened_->id), findings_);
}

void MainWindow::show_findings_dialog(const QString& id, const std::vector<Finding>& findings)
{
    if (!findings_dialog_) {
        findings_dialog_ = new FindingsDialog(this);
        connect(findings_dialog_, &FindingsDialog::planet_chosen, map_, &MapWidget::select_planet);
    }
    findings_dialog_->show_findings(id, findings);
    findings_dialog_->show();
    findings_dialog_->raise();
}

}  // namespace orvek
