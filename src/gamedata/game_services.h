// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The generator's services backed by a real game folder. One object serves one Generate command:
// each source is read the first time it is needed and every attempt starts from that reading.

#include "core/galaxy_edit.h"
#include "core/generator.h"
#include "gamedata/game_folder.h"

#include <optional>
#include <string>
#include <vector>

namespace orvek {

class GameFolderServices : public BackgroundChooser, public TemplateSource, public NameSource {
public:
    explicit GameFolderServices(const GameFolder& folder) : folder_(folder) {}

    const std::string& draw_background(Random& random) override;
    void list_templates(std::vector<std::string>& list) override;
    const std::vector<std::string>& load_system_names() override;
    void make_up_system_name(Random& random, std::string& name) override;
    std::string draw_campaign_name(const GalaxySettings& settings, Random& random) override;

private:
    const GameFolder& folder_;
    std::optional<std::vector<std::string>> backgrounds_, templates_, system_names_;
    std::string background_path_;
};

// What an added planet is given: the templates as listed and the system names. Throws Error as
// the listing of the templates does.
NewPlanetSources new_planet_sources(const GameFolder& folder);

// A status sink that keeps only the last text.
class LastStatus : public StatusSink {
public:
    void show_status(std::string_view text) override { text_ = text; }
    const std::string& text() const { return text_; }

private:
    std::string text_;
};

}  // namespace orvek
