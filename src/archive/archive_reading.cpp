// SPDX-License-Identifier: GPL-3.0-or-later
// Reading an archive from anywhere: every entry's name, kind, size and checksum checked against
// the layout of a campaign before its bytes are kept.
#include "archive/campaign_archive.h"

#include "archive/archive_layout.h"
#include "core/error.h"
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

// What the campaign files of one archive may hold together, as a campaign read from disk may.
constexpr std::size_t kCampaignFilesLimit = std::size_t{24} << 20;

Error refused(const std::string& why)
{
    return Error("The archive is no campaign to import: " + why);
}

struct FileCloser {
    void operator()(zip_file_t* file) const { zip_fclose(file); }
};

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

}  // namespace orvek
