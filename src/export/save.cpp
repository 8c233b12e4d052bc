#include "export/save.h"

#include "core/error.h"
#include "export/map_file.h"
#include "gamedata/game_folder.h"
#include "gamedata/names.h"
#include "gamedata/text_file.h"

#include <cerrno>
#include <filesystem>
#include <set>
#include <vector>

namespace fs = std::filesystem;

namespace orvek {

namespace {

struct StagedFiles {
    std::vector<std::string> paths;
    bool committed = false;
    ~StagedFiles()
    {
        if (!committed)
            for (const std::string& path : paths)
                discard_staged_file(path);
    }
    void stage(const std::string& path, const std::string& bytes)
    {
        stage_file(path, bytes);
        paths.push_back(path);
    }
};

// Deletes every entry of the folder that is not a folder (links and read-only files included),
// except the new files staged in it. What cannot be deleted stays, silently.
void empty_campaign_folder(const std::string& folder, const std::vector<std::string>& staged)
{
    std::set<fs::path> keep;
    for (const std::string& path : staged)
        keep.insert(fs::path(staging_path(path)).filename());
    std::error_code ec;
    for (fs::directory_iterator it(fs::path(folder), ec), end; !ec && it != end; it.increment(ec)) {
        std::error_code type_ec;
        if (it->symlink_status(type_ec).type() == fs::file_type::directory)
            continue;
        if (keep.count(it->path().filename()))
            continue;
        std::error_code remove_ec;
#ifdef _WIN32
        fs::permissions(it->path(), fs::perms::owner_write, fs::perm_options::add, remove_ec);
#endif
        fs::remove(it->path(), remove_ec);
    }
}

Error create_error(const std::string& path, int error_number)
{
    return Error("Cannot create file \"" + path + "\". " + system_reason(error_number));
}

// Writes every new file beside its place, then empties the campaign folder and renames the new
// files into place: until every new file is complete on disk, the old campaign stays whole.
void write_campaign(const std::string& campaign_folder,
                    const std::vector<std::pair<std::string, std::string>>& files)
{
    std::error_code ec;
    fs::create_directory(fs::path(campaign_folder), ec);
    StagedFiles staged;
    for (const auto& [path, bytes] : files)
        staged.stage(path, bytes);
    empty_campaign_folder(campaign_folder, staged.paths);
    for (const std::string& path : staged.paths)
        commit_staged_file(path);
    staged.committed = true;
}

}  // namespace

SaveResult LMDButton2Click(Galaxy& galaxy, const SaveRequest& request, const GameFolder& folder,
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
    const std::string campaign_folder = folder.campaign_folder(id);
    std::error_code ec;
    if (fs::exists(fs::path(campaign_folder), ec) && !dialog.confirm(kOverwriteQuestion))
        return SaveResult::NotConfirmed;

    // Everything that can fail without touching the disk comes first.
    std::vector<std::string> templates;
    for (const tc_planet& planet : galaxy.planets)
        templates.push_back(read_file(planet.template_path));
    const std::string maps_folder = folder.maps_folder();
    const std::string map_path = maps_folder + id + ".txt";
    if (!fs::is_directory(fs::path(maps_folder), ec))
        throw create_error(map_path, ENOENT);
    if (fs::exists(fs::path(campaign_folder), ec) &&
        !fs::is_directory(fs::path(campaign_folder), ec))
        throw create_error(encounter_path(campaign_folder, galaxy.planets.front()), ENOTDIR);

    // The encounter files in planet order (their icon sizes are drawn in that order), the map
    // file last.
    std::vector<std::pair<std::string, std::string>> files;
    for (std::size_t i = 0; i < galaxy.planets.size(); ++i)
        files.emplace_back(encounter_path(campaign_folder, galaxy.planets[i]),
                           render_encounter(templates[i], static_cast<int>(i), galaxy.planets[i],
                                            request.options, random));
    files.emplace_back(map_path,
                       map_file_text(id, request.campaign_name, home_index(galaxy.planets),
                                     galaxy.planets, galaxy.background_path));
    write_campaign(campaign_folder, files);
    return SaveResult::Saved;
}

}  // namespace orvek
