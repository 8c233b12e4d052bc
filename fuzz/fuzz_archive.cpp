// SPDX-License-Identifier: GPL-3.0-or-later
// Any bytes as a campaign archive, as an import reads it: it is refused with a sentence or read,
// and what it reads lies wholly in the layout, every file within its bound, and makes the same
// archive again once written.

#include "archive/campaign_archive.h"
#include "campaign/campaign_format.h"
#include "core/error.h"
#include "gamedata/game_folder.h"
#include "gamedata/names.h"

#include <cstdint>
#include <cstdlib>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    orvek::CampaignArchive archive;
    try {
        archive = orvek::read_archive(std::string(reinterpret_cast<const char*>(data), size));
    } catch (const orvek::Error& e) {
        if (std::string(e.what()).empty())
            std::abort();
        return 0;
    }
    if (!orvek::is_campaign_folder_name(archive.id) ||
        archive.map_bytes.size() > orvek::kCampaignFileLimit)
        std::abort();
    for (const auto& [name, bytes] : archive.encounters)
        if (!orvek::is_plain_file_name(name) || bytes.size() > orvek::kCampaignFileLimit)
            std::abort();
    const orvek::CampaignArchive again = orvek::read_archive(orvek::archive_bytes(archive));
    if (again.map_bytes != archive.map_bytes || again.encounters != archive.encounters ||
        again.id != archive.id)
        std::abort();
    return 0;
}
