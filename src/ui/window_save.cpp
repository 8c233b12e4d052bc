// SPDX-License-Identifier: GPL-3.0-or-later
// The window's Save. The question about characters the game cannot show, the overwrite question
// and the messages are asked on the user-interface thread; the wait for another Save in this
// game folder and the writing run on a thread of their own, so the window stays live meanwhile
// ("Waiting for another save…", Escape gives up).

#include "core/cp1252.h"
#include "core/galaxy_edit.h"
#include "campaign/campaign_reader.h"
#include "gamedata/names.h"
#include "ui/campaign_dialogs.h"
#include "ui/controls.h"
#include "ui/main_window.h"
#include "ui/settings_column.h"
#include "ui/map_widget.h"
#include "ui/recovery_keeper.h"
#include "ui/window_save.h"

#include <QAction>
#include <QComboBox>
#include <QCheckBox>
#include <QEventLoop>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QUndoStack>

namespace orvek {

SaveRequest MainWindow::save_request(const std::string& campaign_name)
{
    SaveRequest request;
    request.campaign_name = campaign_name;
    request.levels = column_->feature_levels();
    request.options.write_inhibitions = column_->writes_inhibitions();
    request.options.write_facilities = column_->writes_facilities();
    request.opened = document_->opened();
    return request;
}

namespace {

// The characters with their code points, "Ω (U+03A9), μ (U+03BC)": a message box whose font
// lacks a character still says which it is.
QString characters_named(const std::string& utf8)
{
    QStringList named;
    for (const char32_t c : QString::fromStdString(utf8).toUcs4())
        named << QString("%1 (U+%2)")
                     .arg(QString::fromUcs4(&c, 1), QString::number(static_cast<unsigned>(c), 16)
                                                        .toUpper()
                                                        .rightJustified(4, '0'));
    return named.join(", ");
}

}  // namespace

// A name of which the game can show no letter or digit would become "???": refused at once,
// with the characters named; one with some such characters is saved only once the player agrees
// to see each as "?".
bool MainWindow::name_may_be_saved(const std::string& typed)
{
    const std::string lacking = unsupported_characters(typed);
    if (lacking.empty())
        return true;
    if (campaign_id(utf8_to_cp1252(typed)).empty())
        show_information("The game cannot show any letter of the campaign name: it has no way to "
                         "show " +
                         characters_named(lacking) +
                         ". Give the campaign a name in letters the game shows (A to Z, accented "
                         "Latin letters, digits).");
    else if (ask(QString::fromStdString(
                 "The game cannot show these characters of the campaign name: " + lacking +
                 ". Save with each of them written as \"?\"? (No goes back to the name.)")))
        return true;
    column_->focus_campaign_name();
    return false;
}

void MainWindow::on_save_clicked()
{
    if (busy())
        return;
    const std::string typed = column_->campaign_name().toStdString();
    if (!name_may_be_saved(typed))
        return emit save_finished();
    saving_ = std::make_unique<Saving>();
    Saving& s = *saving_;
    s.galaxy = document_->galaxy();
    s.shown_name = column_->campaign_name();
    s.request = save_request(utf8_to_cp1252(typed));
    s.request.cancel = &s.cancel;
    s.seen_on_disk = document_->seen_on_disk();
    s.request.seen_on_disk = &s.seen_on_disk;
    // The window waits as long as the player likes: Escape gives up.
    s.request.wait.patience = std::chrono::hours(24 * 365);
    s.request.wait.waiting = [this] {
        QMetaObject::invokeMethod(this, [this] {
            map_->set_progress(
                "Waiting for another save in this game folder\u2026 (Escape gives up)");
        });
    };
    set_controls_enabled(false);
    commands_.start(
        CommandRunner::kSave,
        [this, &s] {
            run_save(s);
            QMetaObject::invokeMethod(this, &MainWindow::finish_save, Qt::QueuedConnection);
        },
        [&s] { s.cancel = true; });
}

// On the Save's thread: its messages and question wait for the player on the window's thread.
void MainWindow::run_save(Saving& s)
{
    struct Dialog : SaveDialog {
        MainWindow* form;
        void inform(const std::string& message) override
        {
            QMetaObject::invokeMethod(
                form, [&] { form->show_information(QString::fromStdString(message)); },
                Qt::BlockingQueuedConnection);
        }
        bool confirm(const std::string& question) override
        {
            bool yes = false;
            QMetaObject::invokeMethod(
                form, [&] { yes = form->ask(QString::fromStdString(question)); },
                Qt::BlockingQueuedConnection);
            return yes;
        }
        bool accept_problems(const std::vector<Finding>& problems) override
        {
            bool yes = false;
            QMetaObject::invokeMethod(
                form, [&] { yes = form->ask_about_problems(problems); },
                Qt::BlockingQueuedConnection);
            return yes;
        }
    } dialog;
    dialog.form = this;
    try {
        s.result = save_campaign(s.galaxy, s.request, folder_, commands_.random(), dialog);
    } catch (const Error& e) {
        s.error = e.what();
    }
    if (s.result == SaveResult::Saved)
        s.written = written_features(campaign_id(s.request.campaign_name));
}

void MainWindow::finish_save()
{
    if (!saving_)
        return;
    commands_.join(CommandRunner::kSave);
    const std::unique_ptr<Saving> s = std::move(saving_);
    map_->set_progress(QString());
    set_controls_enabled(true);
    if (!s->error.empty()) {
        show_error(message_text(s->error));
    } else if (s->result == SaveResult::Refused) {
        // What a refusal for want of jumpgates is about is ringed on the map.
        map_->mark_planets(unreachable_planets(document_->planets()));
    } else if (s->result == SaveResult::Saved) {
        // The features the Save assigned, and the tooltips then tell what the files hold.
        const std::string id = campaign_id(s->request.campaign_name);
        document_->mark_saved(std::move(s->galaxy), s->written, id);
        document_->set_seen_on_disk(s->seen_on_disk);
        // Saved: the copy of the work goes now, not a second later.
        if (recovery_)
            recovery_->forget();
        // A name of any length: the notice keeps to one line of the map.
        const QFontMetrics metrics = map_->fontMetrics();
        const QString name = metrics.elidedText(s->shown_name, Qt::ElideMiddle, 300);
        const QString shown_id =
            metrics.elidedText(QString::fromStdString(id), Qt::ElideMiddle, 200);
        map_->show_notice(QString("Saved campaign \"%1\" (%2): %3 encounter files and the map file")
                              .arg(name, shown_id)
                              .arg(document_->planets().size()),
                          4000);
        refresh_findings();
    }
    emit save_finished();
}

bool MainWindow::ask_about_problems(const std::vector<Finding>& problems)
{
    const QString text = problems_question(document_->planets(), problems);
    const QString save = "Save anyway", check = "Check campaign";
    QString choice;
    if (hooks_.problems) {
        choice = hooks_.problems(text);
    } else {
        QMessageBox box(QMessageBox::Warning, "Confirm", text, QMessageBox::NoButton, this);
        box.addButton(save, QMessageBox::AcceptRole);
        box.addButton(check, QMessageBox::ActionRole);
        box.setDefaultButton(box.addButton(QMessageBox::Cancel));
        box.setEscapeButton(box.defaultButton());
        box.exec();
        choice = box.clickedButton() ? box.clickedButton()->text() : QString();
    }
    if (choice == check)
        show_findings_dialog(QString::fromStdString(campaign_id(saving_->request.campaign_name)),
                             problems);
    return choice == save;
}

// The tooltips tell what the files hold: the features read back from the campaign just saved
// (what a feature box left unticked did not write is not there; the home planet's facilities
// are). Runs on the Save's thread; empty when the campaign cannot be read, and the tooltips then
// tell the features as they were assigned.
std::vector<std::array<bool, kFeatureCount>>
MainWindow::written_features(const std::string& id) const
{
    std::vector<std::array<bool, kFeatureCount>> features;
    try {
        for (const LoadedPlanet& planet : load_campaign(folder_, id).planets)
            features.push_back(planet.planet.features);
    } catch (const Error&) {
        features.clear();
    }
    return features;
}

}  // namespace orvek
