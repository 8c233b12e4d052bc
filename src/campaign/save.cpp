// SPDX-License-Identifier: GPL-3.0-or-later
#include "campaign/save.h"

#include "core/error.h"
#include "core/galaxy_edit.h"
#include "campaign/campaign_check.h"
#include "campaign/campaign_format.h"
#include "campaign/campaign_reader.h"
#include "campaign/campaign_rewrite.h"
#include "campaign/campaign_transaction.h"
#include "campaign/map_file.h"
#include "gamedata/file_system.h"
#include "gamedata/game_folder.h"
#include "gamedata/names.h"
#include "gamedata/text_file.h"

#include <algorithm>
#include <cerrno>
#include <optional>
#include <vector>

namespace orvek {

namespace {

// Whether a planet of the opened campaign has no file to be written from: its file was not read.
bool unread_source(const Planet& planet, const SaveRequest& request);

// Whether planet i is written from the lines of the file it was read from.
bool from_lines(const Planet& planet, const SaveRequest& request)
{
    return request.opened && planet.source >= 0 &&
           static_cast<std::size_t>(planet.source) < request.opened->planets.size() &&
           request.opened->planets[static_cast<std::size_t>(planet.source)].read;
}

bool unread_source(const Planet& planet, const SaveRequest& request)
{
    return request.opened && planet.source >= 0 && !from_lines(planet, request);
}

// The template a planet's file is made from.
std::string template_of(const Planet& planet, const GameFolder& folder)
{
    return folder.templates_folder() + planet.template_file;
}

// A planet of the opened campaign whose file was not read (missing, a link, a special file, or
// named by a path outside the campaign's folder) has nothing to be written from.
void refuse_unread_planets(const Galaxy& galaxy, const SaveRequest& request)
{
    for (std::size_t i = 0; i < galaxy.planets.size(); ++i)
        if (unread_source(galaxy.planets[i], request))
            throw Error(planet_title(galaxy.planets, static_cast<int>(i)) +
                        " cannot be saved: its file was not read when the campaign was opened "
                        "(Check campaign says why). Delete the planet, or mend its file and open "
                        "the campaign again");
}

// What can fail under the lock without touching the disk: the maps folder there, the campaign
// folder a real folder if it exists.
void check_before_writing(const GameFolder& folder, const std::string& id,
                          const CampaignFiles& files, const std::string& campaign_folder,
                          EntryKind existing)
{
    const std::string maps_folder = folder.maps_folder();
    if (entry_kind(maps_folder) != EntryKind::Folder)
        throw file_error("Cannot create file", maps_folder + id + ".txt", system_reason(ENOENT));
    if (existing == EntryKind::File)
        throw file_error("Cannot create file",
                         campaign_folder + kPathSeparator + files.encounters.front().first,
                         system_reason(ENOTDIR));
    if (existing != EntryKind::Missing && existing != EntryKind::Folder)
        throw Error(refusal(campaign_folder, existing, EntryKind::Folder));
}

// The encounter files in planet order (their icon sizes are drawn in that order) and the map
// file, in memory. Every template is read first. The campaign saved again under its own id keeps
// every line that the galaxy does not change. A preview leaves out the files of the planets whose
// file was not read (a Save refuses them first), so that the rest is checked as it would be
// written.
CampaignFiles render_campaign(const Galaxy& galaxy, const GameFolder& folder,
                              const SaveRequest& request, const std::string& id, bool own,
                              Random& random, bool preview = false)
{
    std::vector<std::string> templates;
    for (const Planet& planet : galaxy.planets) {
        const bool none =
            from_lines(planet, request) || (preview && unread_source(planet, request));
        templates.push_back(none ? std::string()
                                 : read_file(template_of(planet, folder), kCampaignFileLimit));
    }
    const std::vector<Planet> as_read =
        request.opened ? galaxy_planets(*request.opened) : std::vector<Planet>();
    CampaignFiles files;
    for (std::size_t i = 0; i < galaxy.planets.size(); ++i) {
        const Planet& planet = galaxy.planets[i];
        const int index = static_cast<int>(i);
        const auto source = static_cast<std::size_t>(planet.source);
        if (preview && unread_source(planet, request))
            continue;
        files.encounters.emplace_back(
            planet.template_file,
            from_lines(planet, request)
                ? rewrite_encounter(request.opened->planets[source], as_read[source], index, planet,
                                    request.options)
                : render_encounter(templates[i], index, planet, request.options, random));
    }
    const int home = home_planet(galaxy.planets);
    files.map = own ? rewrite_map_file(*request.opened, request.campaign_name, home, galaxy.planets,
                                       galaxy.background_path)
                    : map_file_text(id, request.campaign_name, home, galaxy.planets,
                                    galaxy.background_path);
    return files;
}

// The findings of what the Save is about to write, read back as the game would read it.
std::vector<Finding> findings_of(const CampaignFiles& files, const GameFolder& folder,
                                 const std::string& id, const std::string& campaign_folder)
{
    return check_campaign(folder,
                          campaign_from_bytes(id, campaign_folder, files.map, files.encounters));
}

std::size_t longest_template_name(const Galaxy& galaxy)
{
    std::size_t longest = 0;
    for (const Planet& planet : galaxy.planets)
        longest = std::max(longest, planet.template_file.size());
    return longest;
}

// Why a campaign id cannot name a campaign in this game folder, or empty when it can.
std::string id_refusal(const std::string& id, const Galaxy& galaxy, const GameFolder& folder)
{
    if (id.empty() || id == "all")
        return id.empty() ? kNeedsLetterOrDigit : kAllIsReserved;
    const std::size_t limit = campaign_id_limit(folder, longest_template_name(galaxy));
    return id.size() > limit ? campaign_id_too_long(limit) : std::string();
}

}  // namespace

std::string campaign_name_refusal(const std::string& name, const Galaxy& galaxy,
                                  const GameFolder& folder)
{
    if (name.size() > kMaxCampaignNameLength)
        return "The campaign name has more than " + std::to_string(kMaxCampaignNameLength) +
               " characters, the most a campaign's name has.";
    return id_refusal(campaign_id(name), galaxy, folder);
}

namespace {

// "... cannot be reached: Heze (planet 7), Vega (planet 8)", at most ten named.
std::string unreachable_message(const std::vector<Planet>& planets, const std::vector<int>& lost)
{
    std::string message = "The galaxy cannot be saved: no jumpgates lead from the home planet " +
                          planet_title(planets, home_planet(planets)) + " to ";
    for (std::size_t k = 0; k < lost.size() && k < 10; ++k)
        message += (k ? ", " : "") + planet_title(planets, lost[k]);
    if (lost.size() > 10)
        message += " and " + std::to_string(lost.size() - 10) + " more";
    return message + ". Join them to the others first.";
}

}  // namespace

std::vector<Finding> preview_findings(const Galaxy& galaxy, const SaveRequest& request,
                                      const GameFolder& folder, Random random)
{
    if (galaxy.planets.empty())
        return {};
    std::string id = campaign_id(request.campaign_name);
    if (!id_refusal(id, galaxy, folder).empty())
        id = request.opened ? campaign_id(request.opened->id) : "campaign";
    const bool own = request.opened && campaign_id(request.opened->id) == id;
    const CampaignFiles files = render_campaign(galaxy, folder, request, id, own, random, true);
    return findings_of(files, folder, id, folder.campaign_folder(id));
}

bool SaveDialog::accept_problems(const std::vector<Finding>&)
{
    return false;
}

namespace {

// The campaign folder's files that a Save back under the campaign's own name replaces: those its
// map file named. A file of the player's own in its folder stays.
std::vector<std::string> files_named(const LoadedCampaign& opened)
{
    std::vector<std::string> named;
    for (const LoadedPlanet& p : opened.planets)
        if (!p.file_name.empty() &&
            std::find(named.begin(), named.end(), p.file_name) == named.end())
            named.push_back(p.file_name);
    return named;
}

// The digest of the campaign `id` as its files are now, or "gone" when it cannot be read.
std::string fingerprint_on_disk(const GameFolder& folder, const std::string& id,
                                std::optional<LoadedCampaign>* read = nullptr)
{
    try {
        LoadedCampaign now = load_campaign(folder, id);
        std::string digest = campaign_fingerprint(now);
        if (read)
            read->emplace(std::move(now));
        return digest;
    } catch (const Error&) {
        return "gone";
    }
}

// The question before a save back over files that changed since the Open.
// What changed is told file by file against the files as opened; after a Save of its own the
// window keeps only their digest, and the question says no more than that they changed.
std::string changed_question(const LoadedCampaign& opened, const std::optional<LoadedCampaign>& now,
                             bool saved_since)
{
    const std::string since = saved_since ? "last saved here" : "opened";
    const std::string what = !now          ? " (its files can no longer be read)"
                             : saved_since ? ""
                                           : " (" + campaign_changes(opened, *now) + ")";
    return "The campaign \"" + opened.id + "\" changed on disk since it was " + since + what +
           ". Overwrite it with the galaxy shown?";
}

// The rendered campaign `files` written under the game folder's Save lock. `asked`: the player
// agreed to replace a campaign of that name; `own`: it is the opened campaign saved back, whose
// files on disk the player has seen as `seen` (their digest).
SaveResult write_campaign(const CampaignFiles& files, const SaveRequest& request,
                          const GameFolder& folder, const std::string& id, bool asked, bool own,
                          const std::string& seen, SaveDialog& dialog)
{
    std::optional<CampaignTransaction> transaction;
    try {
        transaction.emplace(folder, request.cancel, request.wait);
    } catch (const LockWaitCancelled&) {
        return SaveResult::Cancelled;
    }
    // Another Save may have written this campaign while this one waited.
    const std::string campaign_folder = folder.campaign_folder(id);
    const EntryKind existing = entry_kind(campaign_folder);
    if (existing != EntryKind::Missing && !asked && !own) {
        transaction.reset();
        dialog.inform(kCampaignAppeared);
        return SaveResult::Refused;
    }
    if (own && fingerprint_on_disk(folder, id) != seen) {
        transaction.reset();
        dialog.inform(kCampaignChangedMeanwhile);
        return SaveResult::Refused;
    }
    check_before_writing(folder, id, files, campaign_folder, existing);
    if (request.cancel && request.cancel->load())
        return SaveResult::Cancelled;
    const std::vector<std::string> named =
        own ? files_named(*request.opened) : std::vector<std::string>{};
    transaction->begin(file_name_of(campaign_folder), folder.map_file_name(id),
                       own ? &named : nullptr);
    for (const auto& [name, bytes] : files.encounters)
        transaction->stage_encounter(name, bytes);
    transaction->stage_map(files.map);
    transaction->commit();
    if (own && request.seen_on_disk)
        *request.seen_on_disk = fingerprint_on_disk(folder, id);
    return SaveResult::Saved;
}

}  // namespace

SaveResult save_campaign(Galaxy& galaxy, const SaveRequest& request, const GameFolder& folder,
                         Random& random, SaveDialog& dialog)
{
    if (galaxy.planets.empty()) {
        dialog.inform(kNothingGenerated);
        return SaveResult::NothingGenerated;
    }
    if (const std::vector<int> lost = unreachable_planets(galaxy.planets); !lost.empty()) {
        dialog.inform(unreachable_message(galaxy.planets, lost));
        return SaveResult::Refused;
    }
    assign_features(galaxy.planets, request.levels, random);
    const std::string id = campaign_id(request.campaign_name);
    if (const std::string refusal = campaign_name_refusal(request.campaign_name, galaxy, folder);
        !refusal.empty()) {
        dialog.inform(refusal);
        return SaveResult::Refused;
    }
    const std::string campaign_folder = folder.campaign_folder(id);
    // The campaign that was opened is the document being saved: no question.
    const bool own = request.opened && campaign_id(request.opened->id) == id;
    const bool asked = entry_kind(campaign_folder) != EntryKind::Missing && !own;
    if (asked && !dialog.confirm(kOverwriteQuestion))
        return SaveResult::NotConfirmed;
    std::string seen;
    if (own) {
        std::optional<LoadedCampaign> now;
        seen = fingerprint_on_disk(folder, id, &now);
        const std::string expected = request.seen_on_disk && !request.seen_on_disk->empty()
                                         ? *request.seen_on_disk
                                         : campaign_fingerprint(*request.opened);
        if (seen != expected &&
            !dialog.confirm(changed_question(*request.opened, now,
                                             expected != campaign_fingerprint(*request.opened))))
            return SaveResult::NotConfirmed;
    }
    // What is written is read back and checked before the lock: a campaign with problems is
    // written only when the player says so.
    refuse_unread_planets(galaxy, request);
    const CampaignFiles files = render_campaign(galaxy, folder, request, id, own, random);
    std::vector<Finding> problems = findings_of(files, folder, id, campaign_folder);
    std::erase_if(problems, [](const Finding& f) { return !f.problem; });
    if (!problems.empty() && !dialog.accept_problems(problems))
        return SaveResult::HasProblems;
    return write_campaign(files, request, folder, id, asked, own, seen, dialog);
}

}  // namespace orvek
