// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The Save command without any window: features, campaign id, the refusals and the overwrite
// question through the caller, then every file written so that nothing is lost on failure.

#include "core/generator.h"
#include "campaign/campaign_check.h"
#include "campaign/campaign_transaction.h"
#include "campaign/encounter.h"
#include "campaign/features.h"
#include "core/random.h"

#include <atomic>
#include <string>
#include <utility>
#include <vector>

namespace orvek {

class GameFolder;
class Random;
struct LoadedCampaign;

// How the command talks to the user: the window shows message boxes, the command-line tool prints.
class SaveDialog {
public:
    virtual ~SaveDialog() = default;
    // An information message ("Nothing was generated!", the refusals of a campaign name).
    virtual void inform(const std::string& message) = 0;
    // The overwrite question; true only for the answer Yes.
    virtual bool confirm(const std::string& question) = 0;
    // Whether to write a campaign that has these problems (the check's, on what the Save is
    // about to write); unless told otherwise, no.
    virtual bool accept_problems(const std::vector<Finding>& problems);
};

// The files a Save writes: each encounter file by its name, in planet order, and the map file.
struct CampaignFiles {
    std::vector<std::pair<std::string, std::string>> encounters;
    std::string map;
};

inline constexpr char kNothingGenerated[] = "Nothing was generated!";
inline constexpr char kOverwriteQuestion[] =
    "A campaign with this name exists already! Do you want to overwrite?";
inline constexpr char kNeedsLetterOrDigit[] =
    "The campaign name needs at least one letter or digit!";
inline constexpr char kCampaignAppeared[] =
    "Another save has just written a campaign of this name. Save again to replace it.";
inline constexpr char kCampaignChangedMeanwhile[] =
    "The campaign changed on disk while it was being saved. Save again to replace it.";
inline constexpr char kAllIsReserved[] =
    "The campaign name \"all\" is reserved for the game's own templates!";

struct SaveRequest {
    std::string campaign_name;  // 8-bit text of the name field
    FeatureLevels levels;
    EncounterOptions options;
    // Set from elsewhere (Ctrl+C in the tool) to stop a Save that has not begun writing: while
    // it waits for another Save's lock, or before its first file.
    const std::atomic<bool>* cancel = nullptr;
    // The saved campaign the galaxy was opened from, if it was: the planets read from it are
    // written from their files' lines, and under its own id it is saved again without a question.
    const LoadedCampaign* opened = nullptr;
    // The digest (campaign_fingerprint) of the opened campaign's files as the player last saw
    // them: empty for as they were opened. A save back sets it to the files it wrote, read
    // under the lock.
    std::string* seen_on_disk = nullptr;
    // How long to wait for another Save in this game folder, and what to do when waiting starts.
    LockWait wait;
};

enum class SaveResult { Saved, NothingGenerated, Refused, NotConfirmed, Cancelled, HasProblems };

// Runs the Save command on the galaxy. A galaxy whose planets are not all reached from planet 0
// is refused (the message names those planets). Feature flags are then assigned whatever follows;
// a campaign name that campaign_name_refusal refuses is refused. The overwrite question comes
// before the game folder's save lock, so that an unanswered question never holds up a Save
// elsewhere; under the lock, a
// campaign that appeared since the question was not asked is refused (kCampaignAppeared).
// The opened campaign saved back is first compared with its files on disk: when the game, an
// editor or another window changed them since the Open, the question says what changed and only
// Yes writes; under the lock it is compared again, and a change since is refused
// (kCampaignChangedMeanwhile).
// Before the lock every template is read and every file made in memory, then read back and
// checked: with problems, it returns HasProblems unless dialog.accept_problems says to go on.
// Under the lock the maps folder is found; then the campaign (the files of its encounter folder,
// not its sub-folders, and its map file) is replaced as one transaction.
// Returns Cancelled, with nothing written, when request.cancel was set before the first file.
// Throws Error "Cannot open file ...", "Cannot create file ...", kSaveBusy, the refusal of a
// campaign folder or map file that is a link, or the error of another failing file call; a
// failure leaves the game folder as it was.
SaveResult save_campaign(Galaxy& galaxy, const SaveRequest& request, const GameFolder& folder,
                         Random& random, SaveDialog& dialog);

// Why a Save of the galaxy cannot take `name` (8-bit text) in this game folder: its id is empty,
// "all" or longer than the campaign's files can be named by, or the name is longer than
// kMaxCampaignNameLength; empty when it can. Never fails.
std::string campaign_name_refusal(const std::string& name, const Galaxy& galaxy,
                                  const GameFolder& folder);

// The findings of the campaign that a Save of the galaxy would write now under the request's
// name: the files made in memory with a copy of the random source, no feature assigned, nothing
// written; a planet whose file was not read has no file there, which its finding says. Throws
// Error when a template or a listing cannot be read.
std::vector<Finding> preview_findings(const Galaxy& galaxy, const SaveRequest& request,
                                      const GameFolder& folder, Random random);

}  // namespace orvek
