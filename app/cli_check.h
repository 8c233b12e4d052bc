// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// orvek-galaxy's --check and --check-all: the findings of saved campaigns, printed; nothing is
// written to the game folder.

#include <atomic>
#include <functional>
#include <string>
#include <vector>

namespace orvek {

class GameFolder;
struct Finding;

// The findings one a line, "<file>:<line>: <sentence> (planet N)", in UTF-8.
std::string findings_text(const std::vector<Finding>& findings);

// Writes text to standard output; throws when it cannot.
using Print = std::function<void(const std::string&)>;

// One summary line per campaign of the game folder; one whose map file cannot be read has its
// line with the reason, as a problem. Returns 5 when one has a problem, else 0. Throws Error when
// the maps folder cannot be listed, and ExitError 130 once `stop` is set (Ctrl+C).
int check_all_campaigns(const GameFolder& folder, const Print& print,
                        const std::atomic<bool>& stop);

// The findings of campaign `id`, one a line (or as JSON), and their summary on standard error.
// Returns 5 when there is a problem, else 0. Throws Error as load_campaign does.
int check_one_campaign(const GameFolder& folder, const std::string& id, bool json,
                       const Print& print);

}  // namespace orvek
