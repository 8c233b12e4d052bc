// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// orvek-galaxy's edits: --move, --join, --cut, --rename, --home, --add, --delete, --feature and
// --tidy,
// applied in the order the command line gives them to the galaxy that Generate made or --open read.

#include "core/galaxy_edit.h"

#include <string>
#include <vector>

namespace orvek {

struct EditStep {
    std::string option;  // "move", "join", ...
    std::string value;   // as given, for messages
    std::vector<int> numbers;
    std::string name;  // --rename's, UTF-8; --feature's keyword
};

// The edit options among the program's arguments ("--move 3:100,200" or "--move=3:100,200"), in
// their order. Throws EditRefused naming the option when a value has not the option's form.
std::vector<EditStep> parse_edit_steps(const std::vector<std::string>& arguments);

// Applies the steps in order. Throws EditRefused, the option and its value before the edit's
// own sentence, at the first edit the galaxy cannot take.
void apply_edit_steps(std::vector<Planet>& planets, const std::vector<EditStep>& steps,
                      const NewPlanetSources& sources);

}  // namespace orvek
