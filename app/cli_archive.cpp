// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli_archive.h"

#include "cli_check.h"
#include "cli_output.h"

#include "archive/archive_manifest.h"
#include "archive/campaign_archive.h"
#include "campaign/campaign_check.h"
#include "core/cp1252.h"
#include "core/error.h"
#include "gamedata/file_system.h"
#include "gamedata/game_folder.h"
#include "gamedata/names.h"
#include "gamedata/text_file.h"
#include "ui/map_render.h"

#include <QBuffer>

#include <nlohmann/json.hpp>

#include <iostream>

namespace orvek {

namespace {

// The map as --png draws it, as PNG bytes.
std::string preview_png(const GameFolder& folder, const LoadedCampaign& campaign)
{
    const QImage image = render_map(load_background(folder.backgrounds_folder() + campaign.picture),
                                    galaxy_planets(campaign));
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    if (!image.save(&buffer, "PNG"))
        throw ExitError{1, "the preview of \"" + campaign.id + "\" cannot be drawn"};
    return bytes.toStdString();
}

}  // namespace

int export_command(const Options& o, const GameFolder& folder)
{
    const std::string id = o.export_id.toStdString();
    try {
        const LoadedCampaign campaign = load_campaign(folder, id);
        const CampaignArchive archive = campaign_for_archive(folder, id, archive_manifest(campaign),
                                                             preview_png(folder, campaign));
        write_output_file(o.archive_path.toStdString(), archive_bytes(archive));
        print("exported \"" + shown_escaped(cp1252_to_utf8(campaign.name)) + "\" (" + archive.id +
              "), " + std::to_string(archive.encounters.size()) + " encounter files, to " +
              shown_escaped(o.archive_path.toStdString()) + "\n");
    } catch (const Error& e) {
        throw ExitError{1, e.what()};
    }
    return 0;
}

int import_command(const Options& o, const GameFolder& folder)
{
    CampaignArchive archive;
    try {
        archive = read_archive_file(o.archive_path.toStdString());
    } catch (const Error& e) {
        throw ExitError{std::string(e.what()).rfind("Cannot open", 0) == 0 ? 1 : 5, e.what()};
    }
    if (o.rename) {
        if (!is_campaign_folder_name(campaign_id(o.name)))
            throw ExitError{2, "--name \"" + o.name +
                                   "\" makes no campaign id: it needs a letter "
                                   "or a digit, and may not be \"all\""};
        archive = renamed_archive(archive, o.name);
    }
    const LoadedCampaign campaign = archive_campaign(folder, archive);
    const std::vector<Finding> findings = check_campaign(folder, campaign);
    if (!o.quiet)
        std::cerr << "the archive holds \"" << shown_escaped(cp1252_to_utf8(campaign.name))
                  << "\" (" << archive.id << "), " << campaign.planets.size() << " planets\n";
    // The findings quote what the archive holds: each line is shown with its control
    // characters escaped, so that no name from elsewhere can drive the terminal.
    const std::string text = findings_text(findings);
    for (std::size_t start = 0; start < text.size();) {
        const std::size_t end = text.find('\n', start);
        std::cerr << shown_escaped(text.substr(start, end - start)) << "\n";
        start = end == std::string::npos ? text.size() : end + 1;
    }
    if (problem_count(findings) > 0 && !o.keep_problems)
        throw ExitError{5,
                        "The campaign was not imported: it has " +
                            std::to_string(problem_count(findings)) + " problem" +
                            (problem_count(findings) == 1 ? "" : "s") +
                            " (give --keep-problems to import it with them)",
                        true};
    if (entry_kind(folder.campaign_folder(archive.id)) != EntryKind::Missing && !o.overwrite)
        throw ExitError{3,
                        "A campaign \"" + archive.id +
                            "\" exists already in this game folder.\n"
                            "(give --overwrite to replace its files, or --name to import it under "
                            "another name)",
                        true};
    try {
        if (const std::string report = recover_interrupted_save(folder); !report.empty())
            std::cerr << "orvek-galaxy: " << report << "\n";
        import_archive(folder, archive, o.overwrite);
    } catch (const Error& e) {
        throw ExitError{1, e.what()};
    }
    print("imported \"" + shown_escaped(cp1252_to_utf8(campaign.name)) + "\" (" + archive.id +
          "), " + std::to_string(campaign.planets.size()) + " planets\n");
    return 0;
}

}  // namespace orvek
