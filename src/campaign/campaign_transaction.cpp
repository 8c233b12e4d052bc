#include "campaign/campaign_transaction.h"

#include "core/error.h"
#include "campaign/save_journal.h"
#include "gamedata/file_system.h"
#include "gamedata/game_folder.h"

#include <algorithm>
#include <optional>

namespace orvek {

namespace {

// The work folder in the campaign data folder, and every entry a Save makes in it.
constexpr char kWork[] = ".orvek-save";
constexpr char kJournal[] = "journal";
constexpr char kNextJournal[] = "journal.new";
constexpr char kNewFiles[] = "new";
constexpr char kOldFiles[] = "old";
constexpr char kNewMap[] = "map.txt";
constexpr char kOldMap[] = "old-map.txt";

// Why a work folder is not one a Save leaves. Found before anything moves; the work folder is
// then left as it is, for the player to look at.
struct Untrusted {
    std::string what;
};

// Removing what is no longer needed is tried once more before a failure counts (every step of
// it checks what is done already): on Windows a virus scanner or the search indexer may hold a
// file just written for a moment.
template <typename Call>
void with_one_retry(Call call)
{
    try {
        call();
    } catch (const Error&) {
        call();
    }
}

bool is_new(const SaveJournal& journal, const std::string& name)
{
    return std::find(journal.new_files.begin(), journal.new_files.end(), name) !=
           journal.new_files.end();
}

// Whether the Save leaves this file of the campaign folder where it is: a file the old map file
// did not name, in a campaign saved back under its own name.
bool is_kept(const SaveJournal& journal, const std::string& name)
{
    return journal.keep_others && !is_new(journal, name) &&
           std::find(journal.old_files.begin(), journal.old_files.end(), name) ==
               journal.old_files.end();
}

std::string quoted(const std::string& path)
{
    return "\"" + path + "\"";
}

}  // namespace

// The folders a Save or its recovery works in, each opened once and none through a link.
struct SavePlaces {
    GameFolder game;
    Folder data;
    std::optional<Folder> work, new_files, old_files, encounters, maps, campaign;
    SaveJournal journal;

    explicit SavePlaces(const GameFolder& folder)
        : game(folder), data(folder.open_layout({"campaign", "data"}))
    {}

    // The encounters and maps folders, and the campaign folder when it exists. Throws Error
    // when one is a link or a special file.
    void open_campaign()
    {
        encounters = game.open_layout({"campaign", "data", "encounters"});
        maps = game.open_layout({"campaign", "data", "maps"});
        const EntryKind found = encounters->kind(journal.folder_name);
        if (found != EntryKind::Missing && found != EntryKind::Folder)
            throw Error(
                refusal(encounters->path_of(journal.folder_name), found, EntryKind::Folder));
        if (found == EntryKind::Folder)
            campaign = encounters->sub(journal.folder_name);
        const EntryKind map = maps->kind(journal.map_name);
        if (map != EntryKind::Missing && map != EntryKind::File)
            throw Error(refusal(maps->path_of(journal.map_name), map, EntryKind::File));
    }

    void sync_all() const
    {
        for (const std::optional<Folder>* folder :
             {&campaign, &encounters, &maps, &old_files, &new_files, &work})
            if (*folder)
                (*folder)->sync();
    }
};

namespace {

// Moves the old files aside and the new ones into place. Every step checks what is already done,
// so running it again after an interruption continues where the last run stopped.
void roll_forward(SavePlaces& p)
{
    const SaveJournal& j = p.journal;
    if (!p.campaign) {
        if (p.encounters->kind(j.folder_name) == EntryKind::Missing)
            p.encounters->create_folder(j.folder_name);
        p.campaign = p.encounters->sub(j.folder_name);
    }
    for (const FolderEntry& entry : p.campaign->entries()) {
        if (entry.kind == EntryKind::Folder || is_kept(j, entry.name) ||
            (is_new(j, entry.name) && p.new_files->kind(entry.name) == EntryKind::Missing))
            continue;
        p.campaign->move(entry.name, *p.old_files, entry.name);
    }
    for (const std::string& name : j.new_files)
        if (p.new_files->kind(name) == EntryKind::File)
            p.new_files->move(name, *p.campaign, name);
    if (p.work->kind(kNewMap) == EntryKind::File) {
        if (p.maps->kind(j.map_name) != EntryKind::Missing)
            p.maps->move(j.map_name, *p.work, kOldMap);
        p.work->move(kNewMap, *p.maps, j.map_name);
    }
    p.sync_all();
}

// The exact reverse of roll_forward, from wherever it stopped: the new files go back into the
// work folder (so the journal could still complete the Save) and the old ones to their places.
void roll_back(SavePlaces& p)
{
    const SaveJournal& j = p.journal;
    const bool new_map_aside = p.work->kind(kNewMap) != EntryKind::Missing;
    if (p.work->kind(kOldMap) != EntryKind::Missing) {
        if (p.maps->kind(j.map_name) != EntryKind::Missing && !new_map_aside)
            p.maps->move(j.map_name, *p.work, kNewMap);
        p.work->move(kOldMap, *p.maps, j.map_name);
    } else if (!new_map_aside && p.maps->kind(j.map_name) != EntryKind::Missing) {
        p.maps->move(j.map_name, *p.work, kNewMap);
    }
    if (!p.campaign && p.encounters->kind(j.folder_name) == EntryKind::Folder)
        p.campaign = p.encounters->sub(j.folder_name);
    if (p.campaign) {
        for (const std::string& name : j.new_files)
            if (p.new_files->kind(name) == EntryKind::Missing &&
                p.campaign->kind(name) != EntryKind::Missing)
                p.campaign->move(name, *p.new_files, name);
        for (const FolderEntry& entry : p.old_files->entries())
            p.old_files->move(entry.name, *p.campaign, entry.name);
        if (j.created_folder) {
            p.campaign.reset();
            p.encounters->delete_folder(j.folder_name);
        }
    }
    p.sync_all();
}

// Deletes the entry `name` of `folder` if it is there: a file or link, or an empty folder.
void remove_if_there(const Folder& folder, const char* name)
{
    const EntryKind found = folder.kind(name);
    if (found == EntryKind::Folder)
        folder.delete_folder(name);
    else if (found != EntryKind::Missing)
        folder.delete_file(name);
}

void delete_every_file(const Folder& folder)
{
    for (const FolderEntry& entry : folder.entries())
        folder.delete_file(entry.name);
}

// Deletes a work folder that holds no journal: the files of an uncommitted or undone Save. Its
// depth is fixed (two sub-folders of plain files), so nothing is ever deleted recursively.
void discard(SavePlaces& p)
{
    if (p.new_files)
        delete_every_file(*p.new_files);
    for (const char* name : {kNextJournal, kNewMap, kNewFiles, kOldFiles})
        remove_if_there(*p.work, name);
    remove_if_there(p.data, kWork);
    p.data.sync();
}

// Once the campaign stands whole, the old files go, then the journal: from then on the work
// folder holds nothing but what discard deletes, at once or at the next start.
void finish(SavePlaces& p)
{
    for (const std::string& name : p.journal.new_files)
        if (p.campaign->kind(name) != EntryKind::File)
            throw Error("The campaign is incomplete: " + quoted(p.campaign->path_of(name)) +
                        " is missing");
    if (p.maps->kind(p.journal.map_name) != EntryKind::File)
        throw Error("The campaign is incomplete: " + quoted(p.maps->path_of(p.journal.map_name)) +
                    " is missing");
    delete_every_file(*p.old_files);
    remove_if_there(*p.work, kOldMap);
    p.old_files->sync();
    remove_if_there(*p.work, kJournal);
    p.work->sync();
    discard(p);
}

// After roll_back the old campaign stands: the journal goes first, then the new files.
void abandon(SavePlaces& p)
{
    remove_if_there(*p.work, kJournal);
    p.work->sync();
    discard(p);
}

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

// Finishes what the work folder holds; returns the report for the player, empty when done.
std::string recover(const GameFolder& game)
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

}  // namespace

CampaignTransaction::CampaignTransaction(const GameFolder& folder, const std::atomic<bool>* cancel,
                                         const LockWait& wait)
    : lock_(std::make_unique<FileLock>(folder.file(kGameExecutable), wait.patience, kSaveBusy,
                                       cancel, wait.waiting))
{
    const std::string report = recover(folder);
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
    p.data.create_folder(kWork);
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

std::string recover_interrupted_save(const GameFolder& folder)
{
    try {
        std::unique_ptr<FileLock> lock = FileLock::try_acquire(folder.file(kGameExecutable));
        if (!lock)
            return {};
        return recover(folder);
    } catch (const Error& e) {
        return "An unfinished save could not be looked for: " + std::string(e.what()) + ".";
    }
}

}  // namespace orvek
