// SPDX-License-Identifier: GPL-3.0-or-later
#include "campaign/save_places.h"

namespace orvek {

namespace {

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

}  // namespace

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

}  // namespace orvek
