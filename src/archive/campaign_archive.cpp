// SPDX-License-Identifier: GPL-3.0-or-later
#include "archive/campaign_archive.h"

#include "campaign/campaign_transaction.h"
#include "core/error.h"
#include "core/file_name.h"
#include "gamedata/file_system.h"
#include "gamedata/game_folder.h"
#include "gamedata/names.h"

#include <zip.h>

#include <algorithm>
#include <cctype>
#include <memory>
#include <set>

namespace orvek {

namespace {

// Every entry is dated 1 January 2000, 00:00 UTC: the same campaign gives the same bytes.
constexpr time_t kEntryTime = 946684800;
// A regular file and a folder as Unix systems mark them in an entry's attributes.
// What the campaign files of one archive may hold together, as a campaign read from disk may.
constexpr std::size_t kCampaignFilesLimit = std::size_t{24} << 20;
constexpr zip_uint32_t kTypeMask = 0170000, kRegular = 0100000, kFolder = 0040000;

std::string map_entry(const std::string& id)
{
    return id + "/maps/" + id + ".txt";
}
std::string encounters_entry(const std::string& id)
{
    return id + "/encounters/" + id + "/";
}

Error refused(const std::string& why)
{
    return Error("The archive is no campaign to import: " + why);
}

struct ZipCloser {
    void operator()(zip_t* zip) const { zip_discard(zip); }
};
using Zip = std::unique_ptr<zip_t, ZipCloser>;

struct FileCloser {
    void operator()(zip_file_t* file) const { zip_fclose(file); }
};

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

// What libzip's error code says, in the words of a player.
std::string open_failure(int code)
{
    switch (code) {
    case ZIP_ER_NOZIP: return "it is not a zip archive, or it is cut short";
    case ZIP_ER_MULTIDISK: return "it is one part of an archive split over several files";
    case ZIP_ER_INCONS: return "its table of contents contradicts itself (a damaged archive)";
    case ZIP_ER_MEMORY: return "it needs more memory than a campaign can";
    case ZIP_ER_EXISTS: return "it holds two entries named alike";
    default: {
        zip_error_t error;
        zip_error_init_with_code(&error, code);
        std::string text = zip_error_strerror(&error);
        zip_error_fini(&error);
        return "it cannot be read (" + text + ")";
    }
    }
}

// Why an entry's name cannot be one of a campaign archive, or empty when it can.
std::string name_refusal(const std::string& name)
{
    if (name.size() > kArchiveNameLimit)
        return "an entry's name is longer than " + std::to_string(kArchiveNameLimit) +
               " characters";
    for (const char c : name) {
        const auto u = static_cast<unsigned char>(c);
        if (u < 0x20 || u == 0x7F)
            return "an entry's name holds a control character";
        if (c == '\\' || c == ':')
            return "the entry \"" + name + "\" names a place outside the archive's folder";
    }
    if (name.empty() || name.front() == '/')
        return "the entry \"" + name + "\" names a place outside the archive's folder";
    std::size_t start = 0;
    while (start < name.size()) {
        const std::size_t end = std::min(name.find('/', start), name.size());
        const std::string part = name.substr(start, end - start);
        if (part.empty() || part == "." || part == "..")
            return "the entry \"" + name + "\" names a place outside the archive's folder";
        start = end + 1;
    }
    return {};
}

std::string lower(std::string text)
{
    for (char& c : text)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

// The campaign id an archive's entries lie under: the first part of the first entry's name.
std::string root_of(const std::string& name)
{
    return name.substr(0, name.find('/'));
}

// Reads an entry whole, refusing one larger than `limit` whatever its header says.
std::string entry_bytes(zip_t* zip, zip_uint64_t index, const std::string& name, std::size_t limit)
{
    std::unique_ptr<zip_file_t, FileCloser> file(zip_fopen_index(zip, index, 0));
    if (!file)
        throw refused("the entry \"" + name + "\" cannot be read (" + zip_strerror(zip) + ")");
    std::string bytes;
    char chunk[16384];
    for (;;) {
        const zip_int64_t got = zip_fread(file.get(), chunk, sizeof chunk);
        if (got < 0)
            throw refused("the entry \"" + name + "\" is damaged (" +
                          zip_file_strerror(file.get()) + ")");
        if (got == 0)
            break;
        bytes.append(chunk, static_cast<std::size_t>(got));
        if (bytes.size() > limit)
            throw refused("the entry \"" + name + "\" holds more than " + std::to_string(limit) +
                          " bytes, more than a campaign's file can");
    }
    if (zip_fclose(file.release()) != 0)
        throw refused("the entry \"" + name + "\" is damaged (its checksum does not match)");
    return bytes;
}

// Checks one entry's header: its name, kind, encryption and compression.
void check_entry(zip_t* zip, zip_uint64_t index, const zip_stat_t& stat, const std::string& name)
{
    if (const std::string why = name_refusal(name); !why.empty())
        throw refused(why);
    if ((stat.valid & ZIP_STAT_ENCRYPTION_METHOD) && stat.encryption_method != ZIP_EM_NONE)
        throw refused("the entry \"" + name + "\" is encrypted");
    if ((stat.valid & ZIP_STAT_COMP_METHOD) && stat.comp_method != ZIP_CM_STORE &&
        stat.comp_method != ZIP_CM_DEFLATE)
        throw refused("the entry \"" + name + "\" is compressed by a method campaigns never use");
    zip_uint8_t system = 0;
    zip_uint32_t attributes = 0;
    if (zip_file_get_external_attributes(zip, index, 0, &system, &attributes) < 0)
        throw refused("the entry \"" + name + "\" cannot be read");
    const zip_uint32_t type = (attributes >> 16) & kTypeMask;
    if (system == ZIP_OPSYS_UNIX && type != 0 && type != kRegular && type != kFolder)
        throw refused("the entry \"" + name + "\" is a link or a device, not a file");
}

// Files one checked entry into the archive by its place in the layout.
void file_entry(CampaignArchive& archive, zip_t* zip, zip_uint64_t index, const std::string& name,
                const zip_stat_t& stat, std::size_t& total)
{
    const std::string& id = archive.id;
    const bool folder = name.back() == '/';
    if (folder) {
        if (name != id + "/" && name != id + "/maps/" && name != id + "/encounters/" &&
            name != encounters_entry(id))
            throw refused("the folder \"" + name + "\" lies outside a campaign's layout");
        return;
    }
    const auto read = [&](std::size_t limit) {
        if ((stat.valid & ZIP_STAT_SIZE) && stat.size > limit)
            throw refused("the entry \"" + name + "\" holds more than " + std::to_string(limit) +
                          " bytes, more than a campaign's file can");
        std::string bytes = entry_bytes(zip, index, name, limit);
        total += bytes.size();
        return bytes;
    };
    const std::string folder_part = encounters_entry(id);
    if (name == map_entry(id)) {
        archive.map_bytes = read(kCampaignFileLimit);
    } else if (name == id + "/manifest.json") {
        archive.manifest = read(kManifestLimit);
    } else if (name == id + "/preview.png") {
        archive.preview = read(kPreviewLimit);
    } else if (name.compare(0, folder_part.size(), folder_part) == 0 &&
               is_plain_file_name(name.substr(folder_part.size()))) {
        archive.encounters.emplace_back(name.substr(folder_part.size()), read(kCampaignFileLimit));
    } else {
        throw refused("the entry \"" + name + "\" lies outside a campaign's layout");
    }
}

// Refuses a map file naming a file the archive lacks, or a path outside the campaign's folder.
void check_named_files(const CampaignArchive& archive)
{
    const LoadedCampaign campaign =
        campaign_from_bytes(archive.id, "campaign/data/encounters/" + archive.id, archive.map_bytes,
                            archive.encounters);
    for (const LoadedPlanet& planet : campaign.planets)
        if (!planet.read)
            throw refused("its map file names \"" + planet.entry_path +
                          "\", which the archive does not hold");
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

CampaignArchive read_archive(const std::string& bytes)
{
    if (bytes.size() > kArchiveFileLimit)
        throw refused("it holds more than " + std::to_string(kArchiveFileLimit) +
                      " bytes, more than any campaign's archive");
    zip_error_t error;
    zip_error_init(&error);
    zip_source_t* source = zip_source_buffer_create(bytes.data(), bytes.size(), 0, &error);
    if (!source)
        throw refused(open_failure(ZIP_ER_MEMORY));
    Zip zip(zip_open_from_source(source, ZIP_RDONLY | ZIP_CHECKCONS, &error));
    if (!zip) {
        zip_source_free(source);
        const int code = zip_error_code_zip(&error);
        zip_error_fini(&error);
        throw refused(open_failure(code));
    }
    const zip_int64_t count = zip_get_num_entries(zip.get(), 0);
    if (count < 0 || static_cast<std::uint64_t>(count) > kMostArchiveEntries)
        throw refused("it holds " + std::to_string(count) + " entries, more than the " +
                      std::to_string(kMostArchiveEntries) + " of the largest campaign");
    CampaignArchive archive;
    std::set<std::string> seen;
    std::size_t total = 0;
    for (zip_uint64_t i = 0; i < static_cast<zip_uint64_t>(count); ++i) {
        zip_stat_t stat;
        if (zip_stat_index(zip.get(), i, ZIP_FL_ENC_RAW, &stat) < 0 ||
            !(stat.valid & ZIP_STAT_NAME))
            throw refused("an entry cannot be read (" + std::string(zip_strerror(zip.get())) + ")");
        const std::string name = stat.name;
        check_entry(zip.get(), i, stat, name);
        if (i == 0)
            archive.id = root_of(name);
        if (!is_campaign_folder_name(archive.id) || root_of(name) != archive.id)
            throw refused("its entries do not all lie in one folder named by a campaign id");
        if (!seen.insert(lower(name)).second)
            throw refused("it holds two entries named \"" + name +
                          "\" (or equal but for letter case)");
        file_entry(archive, zip.get(), i, name, stat, total);
        if (total > kPreviewLimit + kManifestLimit + kCampaignFilesLimit)
            throw refused("its files hold more than a campaign can");
    }
    if (archive.map_bytes.empty())
        throw refused("it holds no map file \"" + map_entry(archive.id) + "\"");
    check_named_files(archive);
    return archive;
}

CampaignArchive read_archive_file(const std::string& path)
{
    bool cut = false;
    std::string bytes = read_file_start(path, kArchiveFileLimit + 1, cut);
    if (cut || bytes.size() > kArchiveFileLimit)
        throw refused("it holds more than " + std::to_string(kArchiveFileLimit) +
                      " bytes, more than any campaign's archive");
    return read_archive(bytes);
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
