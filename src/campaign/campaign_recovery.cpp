// SPDX-License-Identifier: GPL-3.0-or-later
// The recovery at start-up: a Save that a killed or crashed process left unfinished is completed
// (it was committed) or undone (it was not); a work folder that no Save would leave is reported
// and left exactly as it is.

#include "campaign/campaign_transaction.h"
#include "campaign/save_places.h"

namespace orvek {

namespace {

// Why a work folder is not one a Save leaves. Found before anything moves; the work folder is
// then left as it is, for the player to look at.
struct Untrusted {
    std::string what;
};

void check_work_entries(const SavePlaces& p)
{
    for (const FolderEntry& entry : p.work->entries()) {
        const std::string path = p.work->path_of(entry.name);
        const bool folder = entry.name == kNewFiles || entry.name == kOldFiles;
        if (!folder && entry.name != kJournal && entry.name != kNextJournal &&
            entry.name != kNewMap && entry.name != kOldMap)
            throw Untrusted{"it holds " + quoted(path) + ", which no save makes"};
        const EntryKind wanted = folder ? EntryKind::Folder : EntryKind::File;
        if (entry.kind != wanted)
            throw Untrusted{refusal(path, entry.kind, wanted)};
    }
    if (p.new_files)
        for (const FolderEntry& entry : p.new_files->entries())
            if (entry.kind != EntryKind::File || !is_plain_file_name(entry.name))
                throw Untrusted{"it holds " + quoted(p.new_files->path_of(entry.name)) +
                                ", which is not a file a save writes"};
    if (p.old_files)
        for (const FolderEntry& entry : p.old_files->entries())
            if (entry.kind == EntryKind::Folder)
                throw Untrusted{"it holds the folder " + quoted(p.old_files->path_of(entry.name)) +
                                ", which no save moves"};
}

// Every new file the journal names is either still waiting in the work folder or in place, and
// so is the map file: the state that a Save killed after its commit leaves, and no other.
void check_committed_state(const SavePlaces& p)
{
    const SaveJournal& j = p.journal;
    bool placing = false;
    for (const std::string& name : j.new_files) {
        const bool waiting = p.new_files->kind(name) == EntryKind::File;
        if (!waiting && (!p.campaign || p.campaign->kind(name) != EntryKind::File))
            throw Untrusted{"the journal names the file " + quoted(name) +
                            ", which is neither in the work folder nor in the campaign folder"};
        placing = placing || !waiting;
    }
    // A Save moves every old file aside before it puts the first new one in place.
    if (placing)
        for (const FolderEntry& entry : p.campaign->entries())
            if (entry.kind != EntryKind::Folder && !is_new(j, entry.name) &&
                !is_kept(j, entry.name))
                throw Untrusted{"the campaign folder holds " +
                                quoted(p.campaign->path_of(entry.name)) +
                                ", which the journal does not name, beside new files in place"};
    if (p.work->kind(kNewMap) != EntryKind::File && p.maps->kind(j.map_name) != EntryKind::File)
        throw Untrusted{"the journal names the map file " + quoted(j.map_name) +
                        ", which is neither in the work folder nor in the maps folder"};
}

// Opens and checks the work folder before anything moves. Returns whether it holds a journal
// (the Save was committed). Throws Untrusted, or Error when a file call fails.
bool inspect(SavePlaces& p)
{
    const EntryKind work = p.data.kind(kWork);
    if (work != EntryKind::Folder)
        throw Untrusted{refusal(p.data.path_of(kWork), work, EntryKind::Folder)};
    p.work = p.data.sub(kWork);
    if (p.work->kind(kNewFiles) == EntryKind::Folder)
        p.new_files = p.work->sub(kNewFiles);
    if (p.work->kind(kOldFiles) == EntryKind::Folder)
        p.old_files = p.work->sub(kOldFiles);
    check_work_entries(p);
    if (p.work->kind(kJournal) == EntryKind::Missing) {
        if ((p.old_files && !p.old_files->entries().empty()) ||
            p.work->kind(kOldMap) != EntryKind::Missing)
            throw Untrusted{"it holds files moved out of a campaign but no journal naming it"};
        return false;
    }
    JournalReading reading;
    try {
        reading = read_journal(p.work->read_file(kJournal, kJournalLimit));
    } catch (const Error& e) {
        throw Untrusted{e.what()};
    }
    if (!reading.journal)
        throw Untrusted{reading.problem};
    if (!p.new_files || !p.old_files)
        throw Untrusted{"it holds a journal but not the folders \"new\" and \"old\""};
    p.journal = *reading.journal;
    try {
        p.open_campaign();
    } catch (const Error& e) {
        throw Untrusted{e.what()};
    }
    check_committed_state(p);
    return true;
}

// What the work folder holds that a Save moved out of a campaign: once moved, the only copies.
// Empty when it holds none, or when it cannot be looked at.
std::string moved_out(const std::optional<SavePlaces>& p, const GameFolder& game)
{
    std::size_t files = 0;
    bool map = false;
    try {
        if (!p || !p->work)
            return {};
        if (p->old_files)
            files = p->old_files->entries().size();
        map = p->work->kind(kOldMap) == EntryKind::File;
    } catch (const Error&) {
        return {};
    }
    if (files == 0 && !map)
        return {};
    std::string held = files == 0 ? std::string()
                                  : "its folder \"old\" holds " + std::to_string(files) +
                                        (files == 1 ? " file" : " files") +
                                        " moved out of a campaign's folder in " +
                                        quoted(game.data_folder() + "encounters");
    if (map)
        held += std::string(files ? ", and " : "") + "\"old-map.txt\" is a map file moved out of " +
                quoted(game.data_folder() + "maps");
    return held + "; these are the only copies: put them back where they came from first";
}

std::string untrusted_report(const std::string& work, const std::string& what, bool folder,
                             const std::string& moved)
{
    // Removing the work folder would lose what was moved out of a campaign: that comes first.
    const std::string start = "An unfinished save in " + quoted(work) +
                              " could not be checked: " + what + ". Nothing was changed. ";
    if (!moved.empty())
        return start + "Before you remove it, look inside: " + moved + ".";
    return start + "Remove " + (folder ? "the folder " : "") + quoted(work) +
           " to stop this message.";
}

}  // namespace

// Finishes what the work folder holds; returns the report for the player, empty when done.
std::string recover_work_folder(const GameFolder& game)
{
    std::string work_path = game.data_folder() + kWork;
    std::optional<SavePlaces> places;
    bool journal = false;
    bool is_folder = true;
    try {
        const EntryKind work = entry_kind(work_path);
        if (work == EntryKind::Missing)
            return {};
        is_folder = work == EntryKind::Folder;
        places.emplace(game);
        work_path = places->data.path_of(kWork);
        journal = inspect(*places);
    } catch (const Untrusted& u) {
        return untrusted_report(work_path, u.what, is_folder, moved_out(places, game));
    } catch (const Error& e) {
        return untrusted_report(work_path, e.what(), is_folder, moved_out(places, game));
    }
    try {
        if (journal) {
            roll_forward(*places);
            with_one_retry([&] { finish(*places); });
        } else {
            with_one_retry([&] { discard(*places); });
        }
    } catch (const Error& e) {
        return "An unfinished save in " + quoted(work_path) + " could not be " +
               (journal ? "completed" : "undone") + ": " + e.what() +
               ". It is tried again at the next start.";
    }
    return {};
}

std::string recover_interrupted_save(const GameFolder& folder)
{
    try {
        std::unique_ptr<FileLock> lock = FileLock::try_acquire(folder.file(kGameExecutable));
        if (!lock)
            return {};
        return recover_work_folder(folder);
    } catch (const Error& e) {
        return "An unfinished save could not be looked for: " + std::string(e.what()) + ".";
    }
}

}  // namespace orvek
