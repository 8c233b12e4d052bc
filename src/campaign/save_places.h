// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// What a Save and its recovery share inside the campaign library: the work folder's entries, the
// folders they work in, and the steps that move a campaign's files, each of which checks what is
// done already so that running it again after an interruption continues where it stopped.

#include "campaign/save_journal.h"
#include "core/error.h"
#include "gamedata/file_system.h"
#include "gamedata/game_folder.h"

#include <algorithm>
#include <optional>
#include <string>

namespace orvek {

// The work folder in the campaign data folder, and every entry a Save makes in it.
constexpr char kWork[] = ".orvek-save";
constexpr char kJournal[] = "journal";
constexpr char kNextJournal[] = "journal.new";
constexpr char kNewFiles[] = "new";
constexpr char kOldFiles[] = "old";
constexpr char kNewMap[] = "map.txt";
constexpr char kOldMap[] = "old-map.txt";

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

inline bool is_new(const SaveJournal& journal, const std::string& name)
{
    return std::find(journal.new_files.begin(), journal.new_files.end(), name) !=
           journal.new_files.end();
}

// Whether the Save leaves this file of the campaign folder where it is: a file the old map file
// did not name, in a campaign saved back under its own name.
inline bool is_kept(const SaveJournal& journal, const std::string& name)
{
    return journal.keep_others && !is_new(journal, name) &&
           std::find(journal.old_files.begin(), journal.old_files.end(), name) ==
               journal.old_files.end();
}

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

// Finishes what the work folder holds (completes a committed Save, undoes another); returns the
// report for the player, empty when done or when there is no work folder.
std::string recover_work_folder(const GameFolder& game);

// Moves the old files aside and the new ones into place.
void roll_forward(SavePlaces& p);
// The exact reverse of roll_forward, from wherever it stopped.
void roll_back(SavePlaces& p);
// Deletes a work folder that holds no journal.
void discard(SavePlaces& p);
// Once the campaign stands whole: the old files go, then the journal, then the work folder.
void finish(SavePlaces& p);
// After roll_back: the journal goes, then the new files and the work folder.
void abandon(SavePlaces& p);

}  // namespace orvek
