// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Replaces a campaign (its encounter folder and its map file) whole or not at all, one Save at a
// time per game folder, and finishes at the next start whatever a killed Save left behind.
//
// The new files are written into a work folder beside the campaign data and flushed to disk.
// A journal naming them, written and flushed last, is the commit point: before it exists an
// interrupted Save is undone by deleting the work folder; once it exists the Save is completed.
// The old files are moved into the work folder, not deleted, until the new ones are in place, so
// a failing file call undoes everything. Nothing of the work folder stays once a Save has ended.
//
// What the recovery finds may come from a shared archive or a damaged disk, so it trusts none of
// it: the journal must be one a Save writes, every folder it works in is a real folder opened
// once (never a link), every file it moves a file it expects there. Anything else is reported
// and left exactly as it is; nothing outside the campaign data is ever touched.

#include <atomic>
#include <chrono>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace orvek {

class FileLock;
class GameFolder;
struct SavePlaces;

// The message of a Save that finds another Save running in the same game folder for too long.
inline constexpr char kSaveBusy[] =
    "Another save is running in this game folder. Try again when it has finished.";

// How a Save waits for another one in the same game folder: for how long, and what it does
// (once, on the Save's own thread) when it starts to wait.
struct LockWait {
    std::chrono::milliseconds patience{10'000};
    std::function<void()> waiting;
};

class CampaignTransaction {
public:
    // Takes the game folder's save lock (a lock on "Orvek.exe", waited for as `wait` says) and
    // finishes any interrupted Save. Throws LockWaitCancelled when `*cancel` is set while it
    // waits, Error kSaveBusy, Error with the recovery's report when an interrupted Save cannot
    // be finished (this Save then writes nothing), or the Error of a failing file call.
    explicit CampaignTransaction(const GameFolder& folder,
                                 const std::atomic<bool>* cancel = nullptr,
                                 const LockWait& wait = {});
    // A transaction begun and not committed deletes its work folder; what it cannot delete is
    // deleted at the next start, and the campaign is as it was either way.
    ~CampaignTransaction();
    CampaignTransaction(const CampaignTransaction&) = delete;
    CampaignTransaction& operator=(const CampaignTransaction&) = delete;

    // Starts replacing the campaign whose encounter folder is `folder_name` in the encounters
    // folder (created if missing) and whose map file is `map_name` in the maps folder: opens
    // those folders and creates the empty work folder. With `replaced`, only those files of the
    // campaign folder and the staged ones are replaced, and every other file stays. Throws Error
    // when a file call fails or when the campaign folder, the map file or a folder above them is
    // a link or a special file.
    void begin(const std::string& folder_name, const std::string& map_name,
               const std::vector<std::string>* replaced = nullptr);

    // Writes the new encounter file `file_name` (a plain name) into the work folder, flushed to
    // disk. Throws Error "Cannot create file ...".
    void stage_encounter(const std::string& file_name, std::string_view bytes);

    // Writes the new map file into the work folder, flushed to disk. Throws Error as above.
    void stage_map(std::string_view bytes);

    // Makes the staged files the campaign: every entry of the old encounter folder but its
    // sub-folders (or, with `replaced`, those files) and the old map file go, the new ones take
    // their places, all flushed to disk. Throws Error when a file call fails, after putting the old
    // campaign back; if even that fails, the message says so and the next start completes the Save
    // instead.
    void commit();

private:
    std::unique_ptr<FileLock> lock_;
    std::unique_ptr<GameFolder> game_;
    std::unique_ptr<SavePlaces> places_;
    std::vector<std::string> staged_;
    bool begun_ = false;
    bool committed_ = false;
};

// Completes or undoes a Save that a killed or crashed process left unfinished in the game folder,
// and removes every trace of it. Does nothing while another process holds the save lock (its
// own Save is still running). Never throws: returns empty when there was nothing to do or it
// finished the Save, else the sentence for the player that says what it found and where (a work
// folder it cannot trust is left as it is; one it could not finish is tried again next time).
std::string recover_interrupted_save(const GameFolder& folder);

}  // namespace orvek
