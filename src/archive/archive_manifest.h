// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// What an archive says of its campaign before anyone unpacks it: the manifest, a small JSON file
// of its name, id, planets and figures, the Generate that made it when known, and the program.

#include "campaign/campaign_reader.h"
#include "core/galaxy_figures.h"

#include <nlohmann/json.hpp>

#include <cstdint>
#include <optional>
#include <string>

namespace orvek {

// The figures of a galaxy as JSON: the tool's "stats" and the manifest's "figures".
nlohmann::ordered_json figures_json(const GalaxyFigures& figures);

// The manifest of a saved campaign, as indented JSON text. `generate` is the command line that
// made it and `seed` its seed, when the galaxy shown still knows them (a campaign read from disk
// does not). Never fails.
std::string archive_manifest(const LoadedCampaign& campaign, const std::string& generate = {},
                             std::optional<std::uint32_t> seed = std::nullopt);

}  // namespace orvek
