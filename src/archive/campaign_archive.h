// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A campaign as one zip archive that players pass around: its map file and encounter files under
// one folder named by its id, with a manifest and a preview picture. Written whole or not at all;
// read trusting nothing the archive holds, whatever site it came from.

#include "campaign/campaign_reader.h"

#include <cstddef>
#include <string>
#include <utility>
#include <vector>

namespace orvek {

class GameFolder;

// What an archive holds, inside its one folder <id>/: "maps/<id>.txt", "encounters/<id>/<file>"
// for each encounter file, "manifest.json" and "preview.png".
struct CampaignArchive {
    std::string id;
    std::string map_bytes;
    std::vector<std::pair<std::string, std::string>> encounters;  // file name, bytes
    std::string manifest;                                         // JSON text; may be empty
    std::string preview;                                          // PNG bytes; may be empty
};

// The bounds of what an archive may hold, beyond which it is no campaign of this game: the
// archive file itself, its entries (every planet's file, the map file, the manifest, the
// preview and the four folders), the preview and the manifest. Every campaign file keeps the
// reader's own bound (kCampaignFileLimit), and all of them together the campaign's.
inline constexpr std::size_t kArchiveFileLimit = std::size_t{48} << 20;
inline constexpr std::size_t kMostArchiveEntries = 176 + 3 + 4;
inline constexpr std::size_t kPreviewLimit = std::size_t{16} << 20;
inline constexpr std::size_t kManifestLimit = std::size_t{64} << 10;
inline constexpr std::size_t kArchiveNameLimit = 300;

// The saved campaign `id` of the game folder as an archive: its map file and every encounter
// file the map file names, byte for byte as read, with the manifest and preview given. Throws
// Error as load_campaign does, and "... cannot be exported: ..." when a file it names was not
// read.
CampaignArchive campaign_for_archive(const GameFolder& folder, const std::string& id,
                                     std::string manifest, std::string preview);

// The archive's bytes: a zip of the layout above, every entry a plain file or folder, deflated,
// dated 1 January 2000 so that one campaign always gives the same bytes. Throws Error when the
// zip library fails.
std::string archive_bytes(const CampaignArchive& archive);

// Reads an archive's bytes, refusing (Error, one sentence naming what is wrong) anything but the
// layout above: not a zip, truncated, split over several files, encrypted, compressed by any
// method but deflate, more than kMostArchiveEntries entries, an entry name that climbs out ("..",
// "/" first, a drive letter, a backslash), holds a control character or is longer than
// kArchiveNameLimit, a link or a device, two entries of one name or of names equal but for
// letter case, an entry outside the layout, a file larger than its bound (however small its
// header says it is), a damaged entry (its checksum), no map file, or a map file naming a file
// the archive lacks. Never writes.
CampaignArchive read_archive(const std::string& bytes);

// Reads the archive file at `path`, bounded by kArchiveFileLimit, as read_archive does. Throws
// Error "Cannot open file ..." when it cannot be read, or read_archive's Error.
CampaignArchive read_archive_file(const std::string& path);

// The campaign the archive holds, read as load_campaign would read it once imported as
// `id` into the game folder: what the import shows and checks before it writes. `name`, when not
// empty, renames it (GUIName and Name) and moves it to campaign_id(name). Never fails.
LoadedCampaign archive_campaign(const GameFolder& folder, const CampaignArchive& archive,
                                const std::string& name = {});

// The archive with its campaign renamed as above: the map file's Name and GUIName lines and the
// folder of its entries' paths, every other byte as it was.
CampaignArchive renamed_archive(const CampaignArchive& archive, const std::string& name);

// Writes the archive's campaign into the game folder through a Save's transaction (the save lock,
// whole or nothing, finished or undone after a kill), replacing only the files the archive
// holds, so the player's other files in that campaign folder stay. Unless `replace`, a campaign
// of that id found under the lock is left alone. Throws Error kSaveBusy, Error when such a
// campaign exists, or the Error of a failing file call with the campaign as it was.
void import_archive(const GameFolder& folder, const CampaignArchive& archive, bool replace);

}  // namespace orvek
