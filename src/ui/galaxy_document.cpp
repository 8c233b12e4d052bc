// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/galaxy_document.h"

#include "core/cp1252.h"
#include "core/error.h"
#include "gamedata/names.h"

#include <QUndoStack>

#include <algorithm>
#include <cstdlib>

namespace orvek {

namespace {

// One library edit on the undo stack; the first redo applies it.
class EditCommand : public QUndoCommand {
public:
    EditCommand(EditPointer edit, std::function<void(GalaxyEdit&, bool apply)> run)
        : QUndoCommand(QString::fromUtf8(edit->text())), edit_(std::move(edit)),
          run_(std::move(run))
    {}
    void redo() override { run_(*edit_, true); }
    void undo() override { run_(*edit_, false); }

private:
    EditPointer edit_;
    std::function<void(GalaxyEdit&, bool)> run_;
};

// Another picture behind the galaxy; undo gives the old one back.
class BackgroundCommand : public QUndoCommand {
public:
    BackgroundCommand(std::string& path, std::string now, std::function<void()> changed)
        : QUndoCommand("New background"), path_(path), other_(std::move(now)),
          changed_(std::move(changed))
    {}
    void redo() override { swap(); }
    void undo() override { swap(); }

private:
    void swap()
    {
        std::swap(path_, other_);
        changed_();
    }
    std::string& path_;
    std::string other_;
    std::function<void()> changed_;
};

}  // namespace

GalaxyDocument::GalaxyDocument(GameFolder folder, QObject* parent)
    : QObject(parent), folder_(std::move(folder)), undo_stack_(new QUndoStack(this))
{
    connect(undo_stack_, &QUndoStack::cleanChanged, this,
            [this](bool clean) { emit unsaved_changed(!clean); });
}

bool GalaxyDocument::has_unsaved_edits() const
{
    return !undo_stack_->isClean() || restored_unsaved_;
}

int GalaxyDocument::unsaved_edit_count() const
{
    const int clean = undo_stack_->cleanIndex();
    const int on_stack = clean < 0 ? undo_stack_->index() : std::abs(undo_stack_->index() - clean);
    return on_stack + (restored_unsaved_ ? restored_edits_ : 0);
}

// A new galaxy starts a new history: nothing to undo, nothing unsaved.
void GalaxyDocument::forget_edits()
{
    undo_stack_->clear();
    restored_unsaved_ = false;
    restored_edits_ = 0;
    emit unsaved_changed(false);
}

void GalaxyDocument::start_history_entry()
{
    if (!history_.empty()) {
        history_[at_] = {galaxy_,   clean_,         command_,      opened_,
                         saved_id_, campaign_name_, seen_on_disk_, findings_,
                         has_unsaved_edits()};
        history_.resize(at_ + 1);
    }
    history_.emplace_back();
    if (history_.size() > kHistory)
        history_.erase(history_.begin());
    at_ = history_.size() - 1;
}

void GalaxyDocument::restore(std::size_t at)
{
    history_[at_] = {galaxy_,   clean_,         command_,      opened_,
                     saved_id_, campaign_name_, seen_on_disk_, findings_,
                     has_unsaved_edits()};
    at_ = at;
    const Snapshot& s = history_[at_];
    galaxy_ = s.galaxy;
    clean_ = s.clean;
    command_ = s.command;
    opened_ = s.opened;
    saved_id_ = s.saved_id;
    campaign_name_ = s.campaign_name;
    seen_on_disk_ = s.seen_on_disk;
    findings_ = s.findings;
    undo_stack_->clear();
    restored_unsaved_ = s.unsaved;
    emit unsaved_changed(restored_unsaved_);
    emit replaced();
}

void GalaxyDocument::go_back()
{
    if (can_go_back())
        restore(at_ - 1);
}

void GalaxyDocument::go_forward()
{
    if (can_go_forward())
        restore(at_ + 1);
}

void GalaxyDocument::replace_with_generated(Galaxy galaxy, const Command& command,
                                            std::string campaign_name)
{
    start_history_entry();
    campaign_name_ = std::move(campaign_name);
    galaxy_ = std::move(galaxy);
    clean_ = galaxy_;
    command_ = command;
    opened_.reset();
    saved_id_.clear();
    findings_.clear();
    forget_edits();
    emit replaced();
}

void GalaxyDocument::open(const std::string& id)
{
    LoadedCampaign campaign = load_campaign(folder_, id);
    if (const std::string none = no_planets_read(campaign); !none.empty())
        throw Error(none);
    std::vector<Finding> findings = check_campaign(folder_, campaign);
    start_history_entry();
    // Each planet keeps the entry it was read from, so that a Save writes its file again from
    // the file's own lines.
    galaxy_.planets = galaxy_planets(campaign);
    findings_ = std::move(findings);
    galaxy_.background_path = folder_.backgrounds_folder() + campaign.picture;
    clean_ = galaxy_;
    campaign_name_ = cp1252_to_utf8(campaign.name);
    seen_on_disk_ = campaign_fingerprint(campaign);
    opened_ = std::move(campaign);
    command_.reset();
    saved_id_.clear();
    forget_edits();
    emit replaced();
}

void GalaxyDocument::restore_unsaved_work(const UnsavedWork& work,
                                          std::optional<LoadedCampaign> opened)
{
    start_history_entry();
    command_.reset();
    findings_.clear();
    if (opened) {
        // Discard then goes back to the campaign as its files hold it.
        clean_.planets = galaxy_planets(*opened);
        clean_.background_path = folder_.backgrounds_folder() + opened->picture;
        findings_ = check_campaign(folder_, *opened);
        seen_on_disk_ = campaign_fingerprint(*opened);
        opened_ = std::move(opened);
    } else {
        opened_.reset();
        seen_on_disk_.clear();
        if (work.source.kind == WorkSource::Kind::Generated)
            command_ = Command{work.source.generate, work.source.fields, work.source.seed};
        clean_ = work.galaxy;
    }
    galaxy_ = work.galaxy;
    campaign_name_ = work.campaign_name;
    saved_id_.clear();
    forget_edits();
    restored_unsaved_ = true;
    restored_edits_ = work.edits;
    emit unsaved_changed(true);
    emit replaced();
}

void GalaxyDocument::set_background(std::string path)
{
    if (path == galaxy_.background_path)
        return;
    undo_stack_->push(new BackgroundCommand(galaxy_.background_path, std::move(path),
                                            [this] { emit background_changed(); }));
}

void GalaxyDocument::edit(const std::function<EditPointer(const std::vector<Planet>&)>& make)
{
    // The edit is made (and may be refused) before anything is pushed.
    EditPointer edit = make(galaxy_.planets);
    undo_stack_->push(new EditCommand(std::move(edit), [this](GalaxyEdit& e, bool apply) {
        apply ? e.apply(galaxy_.planets) : e.revert(galaxy_.planets);
        emit planets_changed();
    }));
}

void GalaxyDocument::mark_saved(Galaxy saved,
                                const std::vector<std::array<bool, kFeatureCount>>& written,
                                std::string id)
{
    saved_id_ = std::move(id);
    galaxy_ = std::move(saved);
    if (written.size() == galaxy_.planets.size())
        for (std::size_t i = 0; i < galaxy_.planets.size(); ++i)
            galaxy_.planets[i].features = written[i];
    adopt_written_back();
    clean_ = galaxy_;
    undo_stack_->setClean();
    restored_edits_ = 0;
    if (restored_unsaved_) {
        restored_unsaved_ = false;
        emit unsaved_changed(false);
    }
    emit planets_changed();
}

// A save back wrote the opened campaign again, its entries in the galaxy's order: from now on
// the campaign as written is the one later Saves keep line for line and a recovery copy names,
// so that planet i is its entry i. Should it not read back whole, the campaign as opened stays.
void GalaxyDocument::adopt_written_back()
{
    if (!opened_ || campaign_id(opened_->id) != saved_id_)
        return;
    try {
        LoadedCampaign written = load_campaign(folder_, saved_id_);
        if (written.planets.size() != galaxy_.planets.size() ||
            std::any_of(written.planets.begin(), written.planets.end(),
                        [](const LoadedPlanet& p) { return !p.read; }))
            return;
        for (std::size_t i = 0; i < galaxy_.planets.size(); ++i)
            galaxy_.planets[i].source = static_cast<std::int32_t>(i);
        opened_ = std::move(written);
    } catch (const Error&) {
        // The campaign as opened still writes the same files.
    }
}

void GalaxyDocument::discard_unsaved_edits()
{
    if (!has_unsaved_edits())
        return;
    galaxy_ = clean_;
    forget_edits();
    emit planets_changed();
    emit background_changed();
}

void GalaxyDocument::refresh_findings(const SaveRequest& request, Random& random)
{
    if (!opened_)
        return;
    SaveRequest with_opened = request;
    with_opened.opened = &*opened_;
    try {
        findings_ = preview_findings(galaxy_, with_opened, folder_, random);
    } catch (const Error&) {
        return;  // a template gone since: the Save will say so
    }
    emit findings_changed();
}

}  // namespace orvek
