// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli_check.h"

#include "cli_options.h"
#include "core/error.h"

#include "campaign/campaign_check.h"
#include "campaign/campaign_reader.h"
#include "core/cp1252.h"
#include "gamedata/game_folder.h"

#include <nlohmann/json.hpp>

#include <iostream>

namespace orvek {

namespace {

// "<file>:<line>: <sentence>", the line left out when the finding has none.
std::string finding_line(const Finding& f)
{
    return f.file + (f.line > 0 ? ":" + std::to_string(f.line) : "") + ": " +
           (f.problem ? "" : "note: ") + f.sentence +
           (f.planet >= 0 ? " (planet " + std::to_string(f.planet) + ")" : "") + "\n";
}

std::string summary_of(const std::vector<Finding>& findings)
{
    const int problems = problem_count(findings);
    const std::size_t notes = findings.size() - static_cast<std::size_t>(problems);
    return std::to_string(problems) + (problems == 1 ? " problem, " : " problems, ") +
           std::to_string(notes) + (notes == 1 ? " note" : " notes");
}

}  // namespace

std::string findings_text(const std::vector<Finding>& findings)
{
    std::string text;
    for (const Finding& f : findings)
        text += cp1252_to_utf8(finding_line(f));
    return text;
}

int check_all_campaigns(const GameFolder& folder, const Print& print, const std::atomic<bool>& stop)
{
    bool problems = false;
    for (const std::string& id : campaign_ids(folder)) {
        if (stop)
            throw ExitError{130, "interrupted: the campaigns listed above were checked"};
        // A campaign whose map file cannot be read (a link, a pipe, a folder, too large) gets
        // its line with what is wrong, and the others are still checked.
        std::string line;
        try {
            const std::vector<Finding> findings = check_campaign(folder, load_campaign(folder, id));
            problems = problems || problem_count(findings) > 0;
            line = summary_of(findings);
        } catch (const Error& e) {
            problems = true;
            line = "1 problem: " + std::string(e.what());
        }
        print(id + ": " + line + "\n");
    }
    return problems ? 5 : 0;
}

int check_one_campaign(const GameFolder& folder, const std::string& id, bool json,
                       const Print& print)
{
    const std::vector<Finding> findings = check_campaign(folder, load_campaign(folder, id));
    if (json) {
        nlohmann::ordered_json list = nlohmann::ordered_json::array();
        for (const Finding& f : findings)
            list.push_back({{"kind", f.problem ? "problem" : "note"},
                            {"file", cp1252_to_utf8(f.file)},
                            {"line", f.line},
                            {"planet", f.planet},
                            {"sentence", cp1252_to_utf8(f.sentence)}});
        print(nlohmann::ordered_json{
                  {"campaign_id", id}, {"problems", problem_count(findings)}, {"findings", list}}
                  .dump(2) +
              "\n");
    } else {
        print(findings_text(findings));
    }
    std::cerr << summary_of(findings) << "\n";
    return problem_count(findings) > 0 ? 5 : 0;
}

}  // namespace orvek
