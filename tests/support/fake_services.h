// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// In-memory stand-ins for the generator's services, so that the core runs without a game folder.

#include "core/generator.h"
#include "core/random.h"
#include "core/settings.h"
#include "core/error.h"
#include "core/index_pool.h"

#include <string>
#include <vector>

namespace orvek::testing {

struct RecordingStatus : StatusSink {
    std::vector<std::string> texts;
    void show_status(std::string_view text) override { texts.emplace_back(text); }
};

struct ListBackgrounds : BackgroundChooser {
    std::vector<std::string> pictures;
    std::string chosen;
    explicit ListBackgrounds(std::vector<std::string> list = {"bg/nebula1.jpg", "bg/nebula2.jpg"})
        : pictures(std::move(list))
    {}
    const std::string& draw_background(Random& random) override
    {
        std::uint32_t i = random(static_cast<std::uint32_t>(pictures.size()));
        if (i >= pictures.size())
            throw list_index_error(i);
        chosen = pictures[i];
        return chosen;
    }
};

struct ListTemplates : TemplateSource {
    std::vector<std::string> paths;
    int listings = 0;
    explicit ListTemplates(int count = 200)
    {
        for (int i = 0; i < count; ++i)
            paths.push_back("t/campaign_all_" + std::to_string(1000 + i).substr(1) + ".txt");
    }
    void list_templates(std::vector<std::string>& list) override
    {
        ++listings;
        list = paths;
    }
};

// Names drawn from a fixed list; made-up names are one letter and a number drawn from the source.
struct ListNames : NameSource {
    std::vector<std::string> names;
    explicit ListNames(int count = 100)
    {
        for (int i = 0; i < count; ++i)
            names.push_back("Star " + std::to_string(i));
    }
    const std::vector<std::string>& load_system_names() override { return names; }
    void make_up_system_name(Random& random, std::string& name) override
    {
        name = "Z" + std::to_string(random(1000));
    }
    std::string draw_campaign_name(const GalaxySettings&, Random& random) override
    {
        return "Campaign " + std::to_string(random(100));
    }
};

struct FakeWorld {
    RecordingStatus status;
    ListBackgrounds backgrounds;
    ListTemplates templates;
    ListNames names;
    GenerationServices services{status, backgrounds, templates, names};
};

}  // namespace orvek::testing
