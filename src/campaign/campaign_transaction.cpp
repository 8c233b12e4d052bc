// SPDX-License-Identifier: GPL-3.0-or-later
#include "campaign/campaign_transaction.h"
#include "campaign/save_places.h"

namespace orvek {

CampaignTransaction::CampaignTransaction(const GameFolder& folder, const std::atomic<bool>* cancel,
                                         const LockWait& wait)
    : lock_(std::make_unique<FileLock>(folder.file(kGameExecutable), wait.patience, kSaveBusy,
                                       cancel, wait.waiting))
{
    const std::string report = recover_work_folder(folder);
    if (!report.empty())
        throw Error(report);
    game_ = std::make_unique<GameFolder>(folder);
}

CampaignTransaction::~CampaignTransaction()
{
    if (!begun_ || committed_)
        return;
    try {
        SavePlaces& p = *places_;
        if (!p.work && p.data.kind(kWork) == EntryKind::Folder)
            p.work = p.data.sub(kWork);
        if (p.work)
            with_one_retry([&] { discard(p); });
    } catch (const Error&) {
        // The campaign is untouched; the next start deletes what is left of the work folder.
    }
}

void CampaignTransaction::begin(const std::string& folder_name, const std::string& map_name,
                                const std::vector<std::string>* replaced)
{
    places_ = std::make_unique<SavePlaces>(*game_);
    SavePlaces& p = *places_;
    p.journal = {folder_name,
                 false,
                 map_name,
                 {},
                 replaced != nullptr,
                 replaced ? *replaced : std::vector<std::string>()};
    p.open_campaign();
    p.journal.created_folder = !p.campaign;
    try {
        p.data.create_folder(kWork);
    } catch (const FileError& e) {
        // The first thing a Save writes: where it fails, the game folder as a whole is not
        // writable (read-only, full, or another user's), and the player hears that.
        throw Error("The game folder \"" + p.game.game_dir() + "\" cannot be written: " +
                    e.reason());
    }
    begun_ = true;
    p.work = p.data.sub(kWork);
    p.work->create_folder(kNewFiles);
    p.new_files = p.work->sub(kNewFiles);
    p.work->create_folder(kOldFiles);
    p.old_files = p.work->sub(kOldFiles);
}

void CampaignTransaction::stage_encounter(const std::string& file_name, std::string_view bytes)
{
    places_->new_files->write_file(file_name, bytes);
    staged_.push_back(file_name);
}

void CampaignTransaction::stage_map(std::string_view bytes)
{
    places_->work->write_file(kNewMap, bytes);
}

void CampaignTransaction::commit()
{
    SavePlaces& p = *places_;
    p.journal.new_files = staged_;
    // A journal the next start would not trust must never be the commit point.
    if (const std::string problem = journal_problem(p.journal); !problem.empty())
        throw Error("Cannot save this campaign: " + problem);
    // The new files were flushed one by one; their folder entries are flushed here, so that the
    // journal never names a file that a power loss could take away.
    p.new_files->sync();
    p.work->sync();
    p.data.sync();
    p.work->write_file(kNextJournal, journal_text(p.journal));
    p.work->move(kNextJournal, *p.work, kJournal);
    committed_ = true;  // from here the journal decides: the destructor must not touch it
    try {
        p.work->sync();
        roll_forward(p);
    } catch (const Error& failure) {
        try {
            roll_back(p);
            with_one_retry([&] { abandon(p); });
        } catch (const Error& second) {
            throw Error(std::string(failure.what()) +
                        ". Putting the old campaign back failed too (" + second.what() +
                        "); the save is completed at the next start.");
        }
        throw;
    }
    try {
        with_one_retry([&] { finish(p); });
    } catch (const Error& failure) {
        // The new campaign is complete and flushed; only the work folder is left over.
        throw Error(
            std::string("The campaign was saved, but its work folder could not be removed (") +
            failure.what() + "); it is removed at the next start.");
    }
}

}  // namespace orvek
