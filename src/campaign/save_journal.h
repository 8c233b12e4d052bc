// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The journal that commits a Save: what the recovery at the next start needs to finish it. It is
// read back as strictly as a Save writes it, since a shared archive or a damaged disk can put any
// bytes there, and every path the recovery touches is built from the names it holds.

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace orvek {

struct SaveJournal {
    std::string folder_name;  // the campaign's folder in the encounters folder
    bool created_folder = false;
    std::string map_name;  // the map file in the maps folder
    std::vector<std::string> new_files;
    // A campaign saved back under its own name replaces only the files its map file named
    // (`old_files`) and the new ones; every other file of its folder stays where it is.
    bool keep_others = false;
    std::vector<std::string> old_files;

    bool operator==(const SaveJournal&) const = default;
};

// No journal a Save writes is longer: 350 names of at most 255 bytes, each escaped three times
// over at the very worst, and five short lines.
inline constexpr std::size_t kJournalLimit = 256 * 1024;

// The journal's text. The journal must be valid (journal_problem is empty).
std::string journal_text(const SaveJournal& journal);

// What makes `journal` one that no Save writes, as a phrase ("the journal names the campaign
// folder "../x", which is not a campaign name"), or empty when it is valid: the folder a campaign
// id (ASCII letters and digits, at most 251, not "all"), the map that id lower-cased with ".txt",
// the new files 1 to 175 distinct plain file names, the old files at most 175 distinct plain file
// names and only where the others are kept.
std::string journal_problem(const SaveJournal& journal);

struct JournalReading {
    std::optional<SaveJournal> journal;
    std::string problem;  // why there is none
};

// The journal in `text`, or the reason it holds none: torn, unknown lines, a broken escape, or a
// journal_problem. Never fails otherwise.
JournalReading read_journal(std::string_view text);

}  // namespace orvek
