// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// What is wrong with a saved campaign: problems (what no Save of this program writes, and what
// can make the game stumble) and notes (what is odd but harmless), each with its file, line and
// planet, in one sentence a player understands.

#include "campaign/campaign_reader.h"

#include <array>
#include <functional>
#include <optional>
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
    // to no planet), or add the link back (the other planet does not link back); for a planet
    // whose file was not read, its mends: delete it, or give it a file from a template.
    enum class Fix { None, CutLink, MakeMutual, MendUnread };
    Fix fix = Fix::None;
    int other = -1;
};

// The facility and effect flags a template of the game holds (by its file name), or nothing when
// it cannot be read.
using TemplateFeatures =
    std::function<std::optional<std::array<bool, kFeatureCount>>(const std::string& name)>;

// The findings of a loaded campaign, problems first, then notes, given the file names of the
// game's pictures and templates. Two variants of one facility on a planet are noted only where
// `template_features` (when given) says its template does not hold them itself: a Save that
// keeps a template's facilities writes them, which the player did not do and cannot mend in
// the campaign. Never fails.
std::vector<Finding> check_campaign(const LoadedCampaign& campaign,
                                    const std::vector<std::string>& pictures,
                                    const std::vector<std::string>& templates,
                                    const TemplateFeatures& template_features = {});

// The same with the game folder's own listings and templates (read, bounded, only for a planet
// with two variants of a facility). Never writes; throws Error only when a listing cannot be
// read.
std::vector<Finding> check_campaign(const GameFolder& folder, const LoadedCampaign& campaign);

// How many of the findings are problems.
int problem_count(const std::vector<Finding>& findings);

}  // namespace orvek
