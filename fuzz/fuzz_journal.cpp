// SPDX-License-Identifier: GPL-3.0-or-later
// Any bytes as a Save's journal, as the recovery at start-up reads it: it never fails, and what it
// accepts names only a campaign id and plain file names, and reads back the same from its text.

#include "campaign/save_journal.h"
#include "gamedata/game_folder.h"

#include <cstdint>
#include <cstdlib>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const orvek::JournalReading reading =
        orvek::read_journal(std::string_view(reinterpret_cast<const char*>(data), size));
    if (!reading.journal) {
        if (reading.problem.empty())
            std::abort();
        return 0;
    }
    const orvek::SaveJournal& journal = *reading.journal;
    if (!orvek::journal_problem(journal).empty())
        std::abort();
    for (const std::string& name : journal.new_files)
        if (!orvek::is_plain_file_name(name))
            std::abort();
    const orvek::JournalReading again = orvek::read_journal(orvek::journal_text(journal));
    if (!again.journal || !(*again.journal == journal))
        std::abort();
    return 0;
}
