// SPDX-License-Identifier: GPL-3.0-or-later
#include "campaign/save_journal.h"

#include "core/ascii.h"
#include "core/settings.h"
#include "gamedata/game_folder.h"
#include "gamedata/names.h"
#include "gamedata/text_file.h"

#include <algorithm>
#include <set>

namespace orvek {

namespace {

constexpr char kHeader[] = "orvek-save 1";

// A name is one line of the journal: a "%" and every control character are written as "%XX".
std::string escape(const std::string& name)
{
    static const char hex[] = "0123456789ABCDEF";
    std::string out;
    for (unsigned char c : name) {
        if (c < 0x20 || c == 127 || c == '%') {
            out += '%';
            out += hex[c >> 4];
            out += hex[c & 15];
        } else {
            out += static_cast<char>(c);
        }
    }
    return out;
}

// The name back from its escaped form, or nothing when an escape is broken.
std::optional<std::string> unescape(std::string_view text)
{
    const auto hex_digit = [](char c) {
        return c >= '0' && c <= '9' ? c - '0' : (c >= 'A' && c <= 'F' ? c - 'A' + 10 : -1);
    };
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '%') {
            out += text[i];
            continue;
        }
        const int high = i + 2 < text.size() ? hex_digit(text[i + 1]) : -1;
        const int low = high >= 0 ? hex_digit(text[i + 2]) : -1;
        if (low < 0)
            return std::nullopt;
        out += static_cast<char>(high * 16 + low);
        i += 2;
    }
    return out;
}

// A name as the message shows it: control characters as "%XX", so that it stays one line.
std::string shown(const std::string& name)
{
    return "\"" + escape(name) + "\"";
}

}  // namespace

std::string journal_text(const SaveJournal& journal)
{
    std::string text = std::string(kHeader) + "\n";
    text += "folder " + escape(journal.folder_name) + "\n";
    text += std::string("created ") + (journal.created_folder ? "1" : "0") + "\n";
    text += "map " + escape(journal.map_name) + "\n";
    for (const std::string& name : journal.new_files)
        text += "new " + escape(name) + "\n";
    if (journal.keep_others) {
        text += "keep 1\n";
        for (const std::string& name : journal.old_files)
            text += "old " + escape(name) + "\n";
    }
    return text + "end\n";
}

std::string journal_problem(const SaveJournal& journal)
{
    if (!is_campaign_folder_name(journal.folder_name))
        return "the journal names the campaign folder " + shown(journal.folder_name) +
               ", which is not a campaign name";
    // The map keeps the spelling it has on disk; only its letter case may differ from the folder's.
    if (!same_ignoring_case(journal.map_name, journal.folder_name + ".txt"))
        return "the journal names the map file " + shown(journal.map_name) + " for the campaign " +
               shown(journal.folder_name);
    const std::size_t count = journal.new_files.size();
    if (count == 0 || count > static_cast<std::size_t>(kMostPlanets))
        return "the journal names " + std::to_string(count) + " files";
    if (!journal.keep_others && !journal.old_files.empty())
        return "the journal names old files without keeping the others";
    if (journal.old_files.size() > static_cast<std::size_t>(kMostPlanets))
        return "the journal names " + std::to_string(journal.old_files.size()) + " old files";
    for (const auto* names : {&journal.new_files, &journal.old_files}) {
        std::set<std::string> seen;
        for (const std::string& name : *names) {
            if (!is_plain_file_name(name))
                return "the journal names the file " + shown(name) +
                       ", which is not a plain file name";
            if (!seen.insert(name).second)
                return "the journal names the file " + shown(name) + " twice";
        }
    }
    return {};
}

JournalReading read_journal(std::string_view text)
{
    const std::vector<std::string> lines = split_lines(text);
    if (lines.size() < 4 || lines.front() != kHeader || lines.back() != "end")
        return {std::nullopt, "the journal is incomplete"};
    SaveJournal journal;
    std::set<std::string> keys;
    for (std::size_t i = 1; i + 1 < lines.size(); ++i) {
        const std::string& line = lines[i];
        const std::size_t space = line.find(' ');
        const std::string key = line.substr(0, space);
        const std::optional<std::string> value =
            unescape(space == std::string::npos ? std::string_view() : line.substr(space + 1));
        if (!value)
            return {std::nullopt,
                    "the journal has a broken escape in line " + std::to_string(i + 1)};
        if (key != "new" && key != "old" && !keys.insert(key).second)
            return {std::nullopt, "the journal has two \"" + key + "\" lines"};
        if (key == "folder")
            journal.folder_name = *value;
        else if (key == "created" && (*value == "0" || *value == "1"))
            journal.created_folder = *value == "1";
        else if (key == "map")
            journal.map_name = *value;
        else if (key == "new")
            journal.new_files.push_back(*value);
        else if (key == "keep" && *value == "1")
            journal.keep_others = true;
        else if (key == "old")
            journal.old_files.push_back(*value);
        else
            return {std::nullopt,
                    "the journal has a line no save writes (line " + std::to_string(i + 1) + ")"};
    }
    std::string problem = journal_problem(journal);
    if (!problem.empty())
        return {std::nullopt, std::move(problem)};
    return {journal, {}};
}

}  // namespace orvek
