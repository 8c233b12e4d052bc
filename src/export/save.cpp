#include "export/save.h"

#include "core/error.h"
#include "export/campaign_transaction.h"
#include "export/map_file.h"
#include "gamedata/file_system.h"
#include "gamedata/game_folder.h"
#include "gamedata/names.h"
#include "gamedata/text_file.h"

#include <cerrno>
#include <optional>
#include <vector>

namespace orvek {

namespace {

// Everything that can fail without touching the disk, before anything changes: every template
// read, the maps folder there, the campaign folder a real folder if it exists.
std::vector<std::string> check_before_writing(const Galaxy& galaxy, const GameFolder& folder,
                                              const std::string& id,
                                              const std::string& campaign_folder,
                                              EntryKind existing)
{
    std::vector<std::string> templates;
    for (const tc_planet& planet : galaxy.planets)
        templates.push_back(read_file(planet.template_path));
    const std::string maps_folder = folder.maps_folder();
    if (entry_kind(maps_folder) != EntryKind::Folder)
        throw file_error("Cannot create file", maps_folder + id + ".txt", system_reason(ENOENT));
    if (existing == EntryKind::File)
        throw file_error("Cannot create file",
                         encounter_path(campaign_folder, galaxy.planets.front()),
                         system_reason(ENOTDIR));
    if (existing != EntryKind::Missing && existing != EntryKind::Folder)
        throw Error(refusal(campaign_folder, existing, EntryKind::Folder));
    return templates;
}

// The encounter files in planet order (their icon sizes are drawn in that order), the map file
// last, all into the work folder; the commit puts them in place.
void write_campaign(CampaignTransaction& transaction, const Galaxy& galaxy,
                    const std::vector<std::string>& templates, const SaveRequest& request,
                    const std::string& id, Random& random)
{
    for (std::size_t i = 0; i < galaxy.planets.size(); ++i) {
        const tc_planet& planet = galaxy.planets[i];
        transaction.stage_encounter(
            file_name_of(planet.template_path),
            render_encounter(templates[i], static_cast<int>(i), planet, request.options, random));
    }
    transaction.stage_map(map_file_text(id, request.campaign_name, home_index(galaxy.planets),
                                        galaxy.planets, galaxy.background_path));
    transaction.commit();
}

}  // namespace

SaveResult save_campaign(Galaxy& galaxy, const SaveRequest& request, const GameFolder& folder,
                         Random& random, SaveDialog& dialog)
{
    if (galaxy.planets.empty()) {
        dialog.inform(kNothingGenerated);
        return SaveResult::NothingGenerated;
    }
    Randomize_Advanced(galaxy.planets, request.levels, random);
    const std::string id = campaign_id(request.campaign_name);
    if (id.empty() || id == "all") {
        dialog.inform(id.empty() ? kNeedsLetterOrDigit : kAllIsReserved);
        return SaveResult::Refused;
    }
    // The lock is taken before the question, so that the answer still holds when the files are
    // written: another Save in this game folder waits for this one to end.
    std::optional<CampaignTransaction> transaction;
    try {
        transaction.emplace(folder, request.cancel);
    } catch (const LockWaitCancelled&) {
        return SaveResult::Cancelled;
    }
    const std::string campaign_folder = folder.campaign_folder(id);
    const EntryKind existing = entry_kind(campaign_folder);
    if (existing != EntryKind::Missing && !dialog.confirm(kOverwriteQuestion))
        return SaveResult::NotConfirmed;
    const std::vector<std::string> templates =
        check_before_writing(galaxy, folder, id, campaign_folder, existing);
    if (request.cancel && request.cancel->load())
        return SaveResult::Cancelled;
    transaction->begin(file_name_of(campaign_folder), id + ".txt");
    write_campaign(*transaction, galaxy, templates, request, id, random);
    return SaveResult::Saved;
}

}  // namespace orvek
