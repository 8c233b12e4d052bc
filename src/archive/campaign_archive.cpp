// SPDX-License-Identifier: GPL-3.0-or-later
#include "archive/campaign_archive.h"

#include "archive/archive_layout.h"

#include "campaign/campaign_transaction.h"
#include "core/error.h"
#include "core/file_name.h"
#include "gamedata/file_system.h"
#include "gamedata/game_folder.h"
#include "gamedata/names.h"

#include <zip.h>

#include <algorithm>
#include <memory>
#include <set>

namespace orvek {

namespace {

using namespace archive_layout;

// Every entry is dated 1 January 2000, 00:00 UTC: the same campaign gives the same bytes.
constexpr time_t kEntryTime = 946684800;

// Adds a file entry holding `bytes` (which must outlive the zip's closing).
void add_file(zip_t* zip, const std::string& name, const std::string& bytes)
{
    zip_source_t* source = zip_source_buffer(zip, bytes.data(), bytes.size(), 0);
    if (!source)
        throw Error(std::string("Cannot make the archive: ") + zip_strerror(zip));
    const zip_int64_t index = zip_file_add(zip, name.c_str(), source, ZIP_FL_ENC_UTF_8);
    if (index < 0) {
        zip_source_free(source);
        throw Error(std::string("Cannot make the archive: ") + zip_strerror(zip));
    }
    const auto at = static_cast<zip_uint64_t>(index);
    if (zip_file_set_mtime(zip, at, kEntryTime, 0) < 0 ||
        zip_file_set_external_attributes(zip, at, 0, ZIP_OPSYS_UNIX, (kRegular | 0644) << 16) < 0)
        throw Error(std::string("Cannot make the archive: ") + zip_strerror(zip));
}

void add_folder(zip_t* zip, const std::string& name)
{
    const zip_int64_t index = zip_dir_add(zip, name.c_str(), ZIP_FL_ENC_UTF_8);
    if (index < 0 || zip_file_set_mtime(zip, static_cast<zip_uint64_t>(index), kEntryTime, 0) < 0 ||
        zip_file_set_external_attributes(zip, static_cast<zip_uint64_t>(index), 0, ZIP_OPSYS_UNIX,
                                         (kFolder | 0755) << 16) < 0)
        throw Error(std::string("Cannot make the archive: ") + zip_strerror(zip));
}

// The bytes a closed in-memory source holds.
std::string source_bytes(zip_source_t* source)
{
    zip_stat_t stat;
    if (zip_source_stat(source, &stat) < 0 || !(stat.valid & ZIP_STAT_SIZE) ||
        zip_source_open(source) < 0)
        throw Error("Cannot make the archive: its bytes cannot be read back");
    std::string bytes(static_cast<std::size_t>(stat.size), '\0');
    const zip_int64_t read = zip_source_read(source, bytes.data(), stat.size);
    zip_source_close(source);
    if (read != static_cast<zip_int64_t>(stat.size))
        throw Error("Cannot make the archive: its bytes cannot be read back");
    return bytes;
}

}  // namespace

CampaignArchive campaign_for_archive(const GameFolder& folder, const std::string& id,
                                     std::string manifest, std::string preview)
{
    const LoadedCampaign campaign = load_campaign(folder, id);
    CampaignArchive archive;
    archive.id = campaign_id(id);
    archive.map_bytes = campaign.map_bytes;
    std::set<std::string> taken;
    for (const LoadedPlanet& planet : campaign.planets) {
        if (!planet.read)
            throw Error("The campaign \"" + id + "\" cannot be exported: its map file names \"" +
                        planet.entry_path + "\", which cannot be read");
        if (taken.insert(lower(planet.file_name)).second)
            archive.encounters.emplace_back(planet.file_name, planet.bytes);
    }
    archive.manifest = std::move(manifest);
    archive.preview = std::move(preview);
    return archive;
}

std::string archive_bytes(const CampaignArchive& archive)
{
    zip_error_t error;
    zip_error_init(&error);
    zip_source_t* source = zip_source_buffer_create(nullptr, 0, 0, &error);
    if (!source)
        throw Error("Cannot make the archive: out of memory");
    zip_source_keep(source);
    std::unique_ptr<zip_source_t, decltype(&zip_source_free)> held(source, zip_source_free);
    Zip zip(zip_open_from_source(source, ZIP_TRUNCATE, &error));
    if (!zip)
        throw Error("Cannot make the archive: " + std::string(zip_error_strerror(&error)));
    const std::string& id = archive.id;
    add_folder(zip.get(), id + "/");
    if (!archive.manifest.empty())
        add_file(zip.get(), id + "/manifest.json", archive.manifest);
    if (!archive.preview.empty())
        add_file(zip.get(), id + "/preview.png", archive.preview);
    add_folder(zip.get(), id + "/maps/");
    add_file(zip.get(), map_entry(id), archive.map_bytes);
    add_folder(zip.get(), id + "/encounters/");
    add_folder(zip.get(), encounters_entry(id));
    for (const auto& [name, bytes] : archive.encounters)
        add_file(zip.get(), encounters_entry(id) + name, bytes);
    if (zip_close(zip.get()) < 0)
        throw Error(std::string("Cannot make the archive: ") + zip_strerror(zip.get()));
    zip.release();  // closed: zip_close freed it
    return source_bytes(source);
}

CampaignArchive renamed_archive(const CampaignArchive& archive, const std::string& name)
{
    CampaignArchive renamed = archive;
    renamed.id = campaign_id(name);
    const std::string from = "encounters/" + archive.id + "/",
                      to = "encounters/" + renamed.id + "/";
    std::string map;
    std::size_t start = 0;
    while (start < archive.map_bytes.size()) {
        const std::size_t end =
            std::min(archive.map_bytes.find('\n', start), archive.map_bytes.size());
        std::string line = archive.map_bytes.substr(start, end - start);
        const std::string ending = !line.empty() && line.back() == '\r' ? "\r" : "";
        const std::string key = line.substr(0, line.find('='));
        const std::string bare = key.substr(0, key.find_last_not_of(" \t") + 1);
        if (bare == "Name")
            line = key + "= " + renamed.id + ending;
        else if (bare == "GUIName")
            line = key + "= " + name + ending;
        else if (const std::size_t at = lower(line).find(from); at != std::string::npos)
            line.replace(at, from.size(), to);
        map += line;
        if (end < archive.map_bytes.size())
            map += '\n';
        start = end + 1;
    }
    renamed.map_bytes = std::move(map);
    return renamed;
}

LoadedCampaign archive_campaign(const GameFolder& folder, const CampaignArchive& archive,
                                const std::string& name)
{
    const CampaignArchive& shown = name.empty() ? archive : renamed_archive(archive, name);
    return campaign_from_bytes(shown.id, folder.campaign_folder(shown.id), shown.map_bytes,
                               shown.encounters);
}

void import_archive(const GameFolder& folder, const CampaignArchive& archive, bool replace)
{
    CampaignTransaction transaction(folder);
    const std::string campaign_folder = folder.campaign_folder(archive.id);
    if (!replace && entry_kind(campaign_folder) != EntryKind::Missing)
        throw Error("A campaign \"" + archive.id +
                    "\" appeared in the game folder meanwhile: "
                    "nothing was imported");
    std::vector<std::string> replaced;
    for (const auto& [file, bytes] : archive.encounters)
        replaced.push_back(file);
    transaction.begin(file_name_of(campaign_folder), folder.map_file_name(archive.id), &replaced);
    for (const auto& [file, bytes] : archive.encounters)
        transaction.stage_encounter(file, bytes);
    transaction.stage_map(archive.map_bytes);
    transaction.commit();
}

}  // namespace orvek
