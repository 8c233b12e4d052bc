#pragma once
// Replaces a campaign (its encounter folder and its map file) whole or not at all, one Save at a
// time per game folder, and finishes at the next start whatever a killed Save left behind.
//
// The new files are written into a work folder beside the campaign data and flushed to disk.
// A journal naming them, written and flushed last, is the commit point: before it exists an
// interrupted Save is undone by deleting the work folder; once it exists the Save is completed.
// The old files are moved into the work folder, not deleted, until the new ones are in place, so
// a failing file call undoes everything. Nothing of the work folder stays once a Save has ended.

#include <memory>
#include <string>
#include <vector>

namespace orvek {

class FileLock;
class GameFolder;
struct TransactionPaths;

// The message of a Save that finds another Save running in the same game folder for too long.
inline constexpr char kSaveBusy[] =
    "Another save is running in this game folder. Try again when it has finished.";

class CampaignTransaction {
public:
    // Takes the game folder's save lock (a lock on "Orvek.exe", waited for up to ten seconds) and
    // finishes any interrupted Save. Throws Error kSaveBusy, or the Error of a failing file call.
    explicit CampaignTransaction(const GameFolder& folder);
    // A transaction begun and not committed deletes its work folder; what it cannot delete is
    // deleted at the next start, and the campaign is as it was either way.
    ~CampaignTransaction();
    CampaignTransaction(const CampaignTransaction&) = delete;
    CampaignTransaction& operator=(const CampaignTransaction&) = delete;

    // Starts replacing the campaign whose encounter folder is `campaign_folder` (created if
    // missing) and whose map file is `map_path`: creates the empty work folder. Throws Error.
    void begin(const std::string& campaign_folder, const std::string& map_path);

    // Where the new encounter file named `file_name` is to be written before the commit.
    std::string stage_encounter(const std::string& file_name);

    // Where the new map file is to be written before the commit.
    std::string stage_map() const;

    // Makes the staged files the campaign: every file of the old encounter folder (not its
    // sub-folders) and the old map file go, the new ones take their places, all flushed to disk.
    // Throws Error when a file call fails, after putting the old campaign back; if even that
    // fails, the message says so and the next start completes the Save instead.
    void commit();

private:
    std::unique_ptr<FileLock> lock_;
    std::unique_ptr<TransactionPaths> paths_;
    std::vector<std::string> staged_;
    bool begun_ = false;
    bool committed_ = false;
};

// Completes or undoes a Save that a killed or crashed process left unfinished in the game folder,
// and removes every trace of it. Does nothing while another process holds the save lock (its
// own Save is still running). Throws Error when a file call fails; running it again retries.
void Recover_Interrupted_Save(const GameFolder& folder);

}  // namespace orvek
