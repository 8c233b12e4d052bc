// SPDX-License-Identifier: GPL-3.0-or-later
// The window's recovery copy: kept a moment after each change of its work, and at the next start
// in the game folder offered back when no Save wrote it.

#include "core/error.h"
#include "gamedata/game_folder.h"
#include "ui/galaxy_document.h"
#include "ui/main_window.h"
#include "ui/settings_column.h"
#include "ui/map_widget.h"
#include "ui/recovery_keeper.h"

#include <QDateTime>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>

#include <algorithm>
#include <iostream>
#include <set>

namespace orvek {

void MainWindow::set_up_recovery(std::string folder)
{
    delete recovery_;
    recovery_folder_ = std::move(folder);
    recovery_ = new RecoveryKeeper(
        *document_, recovery_folder_, [this] { return column_->campaign_name().toStdString(); },
        this);
    const auto changed = [this] { recovery_->changed(); };
    connect(document_, &GalaxyDocument::planets_changed, recovery_, changed);
    connect(document_, &GalaxyDocument::background_changed, recovery_, changed);
    connect(document_, &GalaxyDocument::replaced, recovery_, changed);
    connect(document_, &GalaxyDocument::unsaved_changed, recovery_, changed);
    connect(column_, &SettingsColumn::campaign_name_edited, recovery_, changed);
    // Said on the map, and on standard error for whoever started the window from a terminal.
    connect(recovery_, &RecoveryKeeper::failed, this, [this](const QString& sentence) {
        map_->show_notice(sentence, 10000);
        std::cerr << "orvek-galaxy-generator: " << sentence.toStdString() << std::endl;
    });
}

namespace {

// "14:32" today, "7 Dec 2026 14:32" on another day.
QString when(std::int64_t time)
{
    const QDateTime at = QDateTime::fromSecsSinceEpoch(time);
    return at.date() == QDate::currentDate() ? at.toString("hh:mm")
                                             : at.toString("d MMM yyyy hh:mm");
}

QString what(const UnsavedWork& work)
{
    QString name = QString::fromStdString(work.campaign_name).trimmed();
    if (name.size() > 40)
        name = name.left(39) + "\u2026";
    const QString edits = work.edits == 0   ? QString("generated, never saved")
                          : work.edits == 1 ? QString("1 edit")
                                            : QString("%1 edits").arg(work.edits);
    return (name.isEmpty() ? QString("no name") : name) + ", " + edits;
}

// The planets whose template, which a Save writes their file from, is gone from the game folder.
int templates_gone(const GameFolder& folder, const UnsavedWork& work, bool opened)
{
    std::set<std::string> present;
    try {
        for (const std::string& path : list_templates(folder))
            present.insert(path.substr(path.find_last_of("/\\") + 1));
    } catch (const Error&) {
        // The Save says what cannot be read; the question need not.
    }
    return static_cast<int>(std::count_if(
        work.galaxy.planets.begin(), work.galaxy.planets.end(), [&](const Planet& p) {
            return !p.unread && !(opened && p.source >= 0) && !present.count(p.template_file);
        }));
}

}  // namespace

void MainWindow::offer_recovered_work()
{
    std::vector<FoundCopy> copies;
    try {
        copies = abandoned_copies(recovery_folder_, folder_.game_dir());
    } catch (const Error& e) {
        map_->show_notice(QString("The recovery copies cannot be looked for: %1").arg(e.what()),
                          10000);
        return;
    }
    QStringList unreadable;
    for (const FoundCopy& copy : copies)
        if (!copy.work)
            unreadable << QString::fromStdString(copy.file + ": " + copy.problem);
    if (!unreadable.isEmpty())
        map_->show_notice("A recovery copy of unsaved work cannot be read and was left as it is (" +
                              QString::fromStdString(recovery_folder_) + "):\n" +
                              unreadable.join('\n'),
                          10000);
    // The newest work is asked about; older copies wait for a later start.
    if (!copies.empty() && copies.front().work)
        offer(copies.front().file, *copies.front().work);
}

void MainWindow::offer(const std::string& file, UnsavedWork work)
{
    place_in(work, folder_);
    std::optional<LoadedCampaign> opened;
    QString stale;
    if (work.source.kind == WorkSource::Kind::Opened) {
        try {
            opened = load_campaign(folder_, work.source.campaign_id);
            if (campaign_fingerprint(*opened) != work.source.fingerprint)
                stale = "the campaign changed on disk since";
        } catch (const Error&) {
            stale = "the campaign can no longer be read";
        }
    }
    QString question = QString("Unsaved work from %1 (%2)").arg(when(work.time), what(work));
    if (!stale.isEmpty()) {
        question += ": " + stale + ". Restore it as a new campaign?";
        opened.reset();
        work.source = {};
        for (Planet& p : work.galaxy.planets)
            p.source = -1;
    }
    if (const int gone = templates_gone(folder_, work, opened.has_value()); gone > 0)
        question += QString("\n%1 of its planets' templates are gone from the game folder: a "
                            "Save will name them.")
                        .arg(gone);
    const QString restore = stale.isEmpty() ? "Restore" : "Restore as new", discard = "Discard",
                  later = "Decide later";
    const QString answer = choose(question, {restore, discard, later});
    if (answer == restore && may_replace_galaxy()) {
        document_->restore_unsaved_work(work, std::move(opened));
        column_->show_campaign_name(QString::fromStdString(work.campaign_name));
        // The work is this window's now: its own copy is written before the old one goes.
        if (!recovery_->write_now())
            return;
    } else if (answer != discard) {
        return;
    }
    try {
        delete_copy(recovery_folder_, file);
    } catch (const Error& e) {
        show_error(e.what());
    }
}

QString MainWindow::choose(const QString& question, const QStringList& buttons)
{
    if (hooks_.choose)
        return hooks_.choose(question, buttons);
    QMessageBox box(QMessageBox::Question, kApplicationTitle, question, QMessageBox::NoButton,
                    this);
    std::vector<QPushButton*> made;
    for (const QString& text : buttons)
        made.push_back(box.addButton(text, text == buttons.back() ? QMessageBox::RejectRole
                                                                  : QMessageBox::AcceptRole));
    box.setDefaultButton(made.front());
    box.exec();
    for (std::size_t i = 0; i < made.size(); ++i)
        if (box.clickedButton() == made[i])
            return buttons[static_cast<int>(i)];
    return buttons.back();
}

}  // namespace orvek
