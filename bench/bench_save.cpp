// SPDX-License-Identifier: GPL-3.0-or-later
// Time of one overwriting Save of a 175-planet galaxy into a copy of the demo game folder on the
// real disk, every file flushed: what a player waits for after pressing Save. Then reading such a
// campaign back and checking it, alone and a hundred of them as --check-all does. And the search
// for game folders in a home whose Steam libraries hold 10,000 folders; and the recovery copy of
// a 175-planet galaxy's unsaved work.

#include "core/generate_command.h"
#include "core/random.h"
#include "campaign/campaign_check.h"
#include "campaign/campaign_reader.h"
#include "campaign/save.h"
#include "campaign/recovery_copies.h"
#include "support/yes_dialog.h"
#include "gamedata/game_finder.h"
#include "gamedata/game_folder.h"
#include "gamedata/game_services.h"
#include "support/temp_dir.h"

#include <benchmark/benchmark.h>

#include <filesystem>
#include <fstream>

namespace {

using namespace orvek;

// The galaxy of 175 planets that Generate Custom makes in `folder` from the source `random`.
Galaxy galaxy_of_175(const GameFolder& folder, Random& random, std::string& name)
{
    GameFolderServices sources(folder);
    LastStatus status;
    GenerationServices services{status, sources, sources, sources};
    GalaxySettings settings{"175", "9", "30", "40", "5", 1, 1, {}, false};
    Galaxy galaxy;
    run_generate_command(GenerateKind::Custom, settings, galaxy, name, services, random);
    return galaxy;
}

// A copy of the demo game folder in a fresh temporary folder.
struct DemoCopy {
    testing::TempDir dir;
    GameFolder folder{dir.str()};
    DemoCopy()
    {
        std::filesystem::copy(ORVEK_DEMO_GAME, dir.path(),
                              std::filesystem::copy_options::recursive);
    }
};

void save_175_planets(benchmark::State& state)
{
    const DemoCopy demo;
    const GameFolder& folder = demo.folder;
    std::string name;
    Random random(175);
    Galaxy galaxy = galaxy_of_175(folder, random, name);
    SaveRequest request;
    request.campaign_name = "Bench Reach";
    request.options = {true, true};
    testing::YesDialog dialog;
    for (auto _ : state)
        save_campaign(galaxy, request, folder, random, dialog);
    state.counters["planets"] = static_cast<double>(galaxy.planets.size());
}

BENCHMARK(save_175_planets)->Unit(benchmark::kMillisecond)->Iterations(20);

// The recovery copy of a 175-planet galaxy's unsaved work, as the window's writer thread makes
// it: the text, then staged, flushed, renamed into place and the folder flushed.
void recovery_copy_175_planets(benchmark::State& state)
{
    const DemoCopy demo;
    UnsavedWork work;
    work.game_folder = demo.dir.str();
    Random random(175);
    work.galaxy = galaxy_of_175(demo.folder, random, work.campaign_name);
    work.edits = 60;
    const OwnCopy copy((demo.dir.path() / "state").string(), work.game_folder);
    std::size_t bytes = 0;
    for (auto _ : state) {
        const std::string text = unsaved_work_text(work);
        copy.store(text);
        bytes = text.size();
    }
    state.counters["bytes"] = static_cast<double>(bytes);
}

BENCHMARK(recovery_copy_175_planets)->Unit(benchmark::kMillisecond)->Iterations(50);

// A game folder holding `campaigns` saved campaigns of 175 planets.
struct SavedCampaigns : DemoCopy {
    explicit SavedCampaigns(int campaigns)
    {
        for (int i = 0; i < campaigns; ++i) {
            std::string name;
            Random random(static_cast<std::uint32_t>(1000 + i));
            Galaxy galaxy = galaxy_of_175(folder, random, name);
            SaveRequest request;
            request.campaign_name = "Bench " + std::to_string(i);
            request.options = {true, true};
            testing::YesDialog dialog;
            save_campaign(galaxy, request, folder, random, dialog);
        }
    }
};

void load_and_check_175_planets(benchmark::State& state)
{
    SavedCampaigns saved(1);
    for (auto _ : state)
        benchmark::DoNotOptimize(
            check_campaign(saved.folder, load_campaign(saved.folder, "bench0")));
}

BENCHMARK(load_and_check_175_planets)->Unit(benchmark::kMillisecond);

void check_all_100_campaigns(benchmark::State& state)
{
    SavedCampaigns saved(100);
    for (auto _ : state)
        for (const std::string& id : campaign_ids(saved.folder))
            benchmark::DoNotOptimize(check_campaign(saved.folder, load_campaign(saved.folder, id)));
}

BENCHMARK(check_all_100_campaigns)->Unit(benchmark::kMillisecond)->Iterations(3);

// Two Steam libraries of 5,000 game folders each, every one a decoy with an "Orvek.exe" but no
// templates (the most a folder can cost), and the one game among them.
void find_games_among_10000_folders(benchmark::State& state)
{
    testing::TempDir home;
    const std::filesystem::path steam = home.path() / ".local/share/Steam";
    const std::filesystem::path second = home.path() / "SteamLibrary";
    home.write(".local/share/Steam/steamapps/libraryfolders.vdf",
               "\"libraryfolders\" { \"0\" { \"path\" \"" + steam.string() +
                   "\" } \"1\" { \"path\" \"" + second.string() + "\" } }");
    for (const std::filesystem::path& library : {steam, second})
        for (int i = 0; i < 5000; ++i) {
            const std::filesystem::path game =
                library / "steamapps/common" / ("Game " + std::to_string(i));
            std::filesystem::create_directories(game);
            std::ofstream(game / "Orvek.exe") << "";
        }
    std::filesystem::create_directories(second / "steamapps/common/Game 77/campaign/data/"
                                                 "encounters/all");
    for (auto _ : state)
        if (find_game_folders({}, steam_folders(home.str())).size() != 1)
            state.SkipWithError("the one game was not found");
}

BENCHMARK(find_games_among_10000_folders)->Unit(benchmark::kMillisecond)->Iterations(5);

}  // namespace

BENCHMARK_MAIN();
