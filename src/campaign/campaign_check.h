// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// What is wrong with a saved campaign: problems (what no Save of this program writes, and what
// can make the game stumble) and notes (what is odd but harmless), each with its file, line and
// planet, in one sentence a player understands.

#include "campaign/campaign_reader.h"

#include <string>
#include <vector>

namespace orvek {

class GameFolder;

struct Finding {
    bool problem = true;  // else a note
    std::string file;     // the file's name
    int line = 0;         // 1-based, 0 when the finding is about the whole file
    int planet = -1;      // the planet's number, -1 when it is about none
    std::string sentence;
    // The one clear fix of a finding about a link of `planet` to planet `other`: cut it (it goes
    // to no planet), or add the link back (the other planet does not link back).
    enum class Fix { None, CutLink, MakeMutual };
    Fix fix = Fix::None;
    int other = -1;
};

// The findings of a loaded campaign, problems first, then notes, given the file names of the
// game's pictures and templates. Never fails.
std::vector<Finding> check_campaign(const LoadedCampaign& campaign,
                                    const std::vector<std::string>& pictures,
                                    const std::vector<std::string>& templates);

// The same with the game folder's own listings. Never writes; throws Error only when a listing
// cannot be read.
std::vector<Finding> check_campaign(const GameFolder& folder, const LoadedCampaign& campaign);

// How many of the findings are problems.
int problem_count(const std::vector<Finding>& findings);

}  // namespace orvek
