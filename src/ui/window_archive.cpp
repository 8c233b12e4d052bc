// SPDX-License-Identifier: GPL-3.0-or-later
// The window's side of campaign archives: "Export campaign…" writes the saved campaign shown as
// one zip; "Import campaign…", or a zip dropped on the window, shows what an archive holds and
// imports it on yes, under another name when its id is taken, never over another campaign.

#include "archive/archive_manifest.h"
#include "archive/campaign_archive.h"
#include "campaign/campaign_check.h"
#include "core/cp1252.h"
#include "core/error.h"
#include "gamedata/file_system.h"
#include "gamedata/names.h"
#include "gamedata/text_file.h"
#include "ui/controls.h"
#include "ui/galaxy_document.h"
#include "ui/main_window.h"
#include "ui/map_render.h"
#include "ui/window_texts.h"

#include <QBuffer>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileDialog>
#include <QInputDialog>
#include <QMessageBox>
#include <QMimeData>
#include <QPushButton>

namespace orvek {

namespace {

QByteArray png_of(const QImage& image)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return bytes;
}

// The local zip file a drag carries, or empty.
QString dragged_zip(const QMimeData* data)
{
    if (!data || !data->hasUrls() || data->urls().size() != 1 ||
        !data->urls().front().isLocalFile())
        return {};
    const QString path = data->urls().front().toLocalFile();
    return path.endsWith(".zip", Qt::CaseInsensitive) ? path : QString();
}

}  // namespace

// The campaign an export writes: the opened one, or the one the galaxy shown was saved as.
std::string MainWindow::exportable_campaign() const
{
    return document_->opened() ? document_->opened()->id : document_->saved_id();
}

void MainWindow::on_export_campaign()
{
    const std::string id = exportable_campaign();
    if (id.empty())
        return show_information("Save the galaxy first: an archive holds a saved campaign.");
    ask_where_to_export(id);
}

void MainWindow::ask_where_to_export(const std::string& id)
{
    const QString suggested = QString::fromStdString(id) + ".zip";
    const QString path = hooks_.archive_file
                             ? hooks_.archive_file(suggested)
                             : QFileDialog::getSaveFileName(this, "Export campaign", suggested,
                                                            "Zip archives (*.zip)");
    if (!path.isEmpty())
        export_campaign(id, path);
}

void MainWindow::export_to(const QString& path)
{
    export_campaign(exportable_campaign(), path);
}

void MainWindow::export_campaign(const std::string& id, const QString& path)
{
    try {
        const LoadedCampaign campaign = load_campaign(folder_, id);
        // The Generate that made the galaxy shown, while it is the campaign exported.
        const bool generated =
            !document_->opened() && document_->command().has_value() && document_->saved_id() == id;
        const std::string manifest =
            archive_manifest(campaign, generated ? command_line().toStdString() : std::string(),
                             generated ? std::optional(document_->command()->seed) : std::nullopt);
        const QByteArray preview =
            png_of(render_map(load_background(folder_.backgrounds_folder() + campaign.picture),
                              galaxy_planets(campaign)));
        const CampaignArchive archive =
            campaign_for_archive(folder_, id, manifest, preview.toStdString());
        write_output_file(path.toStdString(), archive_bytes(archive));
        show_information("The campaign \"" + QString::fromStdString(cp1252_to_utf8(campaign.name)) +
                         "\" was exported to \"" + path + "\".");
    } catch (const Error& e) {
        show_error(message_text(e.what()));
    }
}

void MainWindow::on_import_campaign()
{
    const QString path = hooks_.archive_file
                             ? hooks_.archive_file(QString())
                             : QFileDialog::getOpenFileName(this, "Import campaign", QString(),
                                                            "Zip archives (*.zip)");
    if (!path.isEmpty())
        import_from(path);
}

// Reads the archive, says what it holds and asks; an id already taken asks for another name.
void MainWindow::import_from(const QString& path)
{
    if (busy())
        return;
    CampaignArchive archive;
    try {
        archive = read_archive_file(path.toStdString());
    } catch (const Error& e) {
        return show_error(message_text(e.what()));
    }
    const LoadedCampaign campaign = archive_campaign(folder_, archive);
    const std::vector<Finding> findings = check_campaign(folder_, campaign);
    const int problems = problem_count(findings);
    QString question = QString("Import \"%1\" (%2 planets)?")
                           .arg(QString::fromStdString(cp1252_to_utf8(campaign.name)))
                           .arg(campaign.planets.size());
    if (problems > 0)
        question += QString("\nIts check finds %1 %2, first: %3")
                        .arg(problems)
                        .arg(problems == 1 ? "problem" : "problems")
                        .arg(message_text(findings.front().sentence));
    if (!confirm_import(question, archive.preview))
        return;
    while (entry_kind(folder_.campaign_folder(archive.id)) != EntryKind::Missing) {
        const QString name = ask_for_name(
            QString("A campaign \"%1\" exists already. Import this one under another name:")
                .arg(QString::fromStdString(archive.id)),
            QString::fromStdString(cp1252_to_utf8(campaign.name)) + " 2");
        if (name.isEmpty())
            return;
        const std::string bytes = utf8_to_cp1252(name.toStdString());
        if (!is_campaign_folder_name(campaign_id(bytes))) {
            show_error("\"" + name + "\" makes no campaign name: it needs a letter or a digit");
            continue;
        }
        archive = renamed_archive(archive, bytes);
    }
    try {
        import_archive(folder_, archive, false);
    } catch (const Error& e) {
        return show_error(message_text(e.what()));
    }
    // The imported campaign is shown unless that would drop unsaved work the player keeps.
    if (may_replace_galaxy())
        return open_campaign(archive.id);
    show_information("The campaign \"" + QString::fromStdString(archive.id) +
                     "\" was imported; Open lists it.");
}

bool MainWindow::confirm_import(const QString& question, const std::string& preview)
{
    if (hooks_.choose)
        return hooks_.choose(question, {"Import", "Cancel"}) == "Import";
    QMessageBox box(QMessageBox::Question, "Import campaign", question, QMessageBox::NoButton,
                    this);
    QImage picture;
    if (picture.loadFromData(reinterpret_cast<const uchar*>(preview.data()),
                             static_cast<int>(preview.size()), "PNG"))
        box.setIconPixmap(QPixmap::fromImage(
            picture.scaled(280, 280, Qt::KeepAspectRatio, Qt::SmoothTransformation)));
    QPushButton* yes = box.addButton("Import", QMessageBox::AcceptRole);
    box.addButton("Cancel", QMessageBox::RejectRole);
    box.setDefaultButton(yes);
    box.exec();
    return box.clickedButton() == yes;
}

QString MainWindow::ask_for_name(const QString& question, const QString& suggested)
{
    if (hooks_.text)
        return hooks_.text(question, suggested);
    return QInputDialog::getText(this, "Import campaign", question, QLineEdit::Normal, suggested);
}

void MainWindow::dragEnterEvent(QDragEnterEvent* event)
{
    if (!dragged_zip(event->mimeData()).isEmpty())
        event->acceptProposedAction();
}

void MainWindow::dropEvent(QDropEvent* event)
{
    const QString path = dragged_zip(event->mimeData());
    if (path.isEmpty())
        return;
    event->acceptProposedAction();
    import_from(path);
}

}  // namespace orvek
